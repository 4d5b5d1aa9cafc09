#include "interface/hot_keys.h"

#include "interface/events.h"

#include <gtest/gtest.h>

#include <vector>

namespace sorvant {
namespace {

// The four characters "Srvt" as one 32-bit code.
constexpr quint32 kSignature = 0x53727674;

// Records registrations; refuses key code 99.
class RecordingBackend : public HotKeyBackend
{
public:
    struct Call {
        quint32 keyCode;
        quint32 carbon;
        HotKeyID id;
    };
    HotKeyRef registerHotKey(quint32 keyCode, quint32 carbon, HotKeyID id) override
    {
        calls->push_back({keyCode, carbon, id});
        return keyCode == 99 ? nullptr : reinterpret_cast<HotKeyRef>(&calls->back());
    }
    void unregisterHotKey(HotKeyRef hotKey) override { released->push_back(hotKey); }

    std::vector<Call>* calls;
    std::vector<HotKeyRef>* released;
};

class HotKeys : public ::testing::Test
{
protected:
    void SetUp() override
    {
        calls.reserve(16);
        auto backend = std::make_unique<RecordingBackend>();
        backend->calls = &calls;
        backend->released = &released;
        previous = setHotKeyBackend(std::move(backend));
    }
    void TearDown() override { setHotKeyBackend(std::move(previous)); }

    std::vector<RecordingBackend::Call> calls;
    std::vector<HotKeyRef> released;
    std::unique_ptr<HotKeyBackend> previous;
};

TEST_F(HotKeys, IdsCountEveryAttemptThatReachesTheBackend)
{
    const quint32 first = nextHotKeyID();
    int target = 0;
    EXPECT_EQ(registerHotKey(0, kCommandKeyMask, kSignature, &target), nullptr);
    EXPECT_EQ(registerHotKey(40, kCommandKeyMask, kSignature, nullptr), nullptr);
    EXPECT_EQ(nextHotKeyID(), first) << "refused before the backend: no id used";

    HotKeyRef a = registerHotKey(40, kCommandKeyMask | kShiftKeyMask, kSignature, &target);
    EXPECT_EQ(registerHotKey(99, 0, kSignature, &target), nullptr);
    HotKeyRef b = registerHotKey(41, kControlKeyMask | 0x10000, kSignature);
    ASSERT_NE(a, nullptr);
    ASSERT_NE(b, nullptr);
    ASSERT_EQ(calls.size(), 3u);
    EXPECT_EQ(calls[0].id, (HotKeyID{kSignature, first}));
    EXPECT_EQ(calls[1].id.id, first + 1) << "a refused registration still uses its id";
    EXPECT_EQ(calls[2].id.id, first + 2);
    EXPECT_EQ(calls[0].carbon, kCarbonCommandKey | kCarbonShiftKey);
    EXPECT_EQ(calls[2].carbon, kCarbonControlKey) << "Caps Lock dropped";
    EXPECT_EQ(calls[0].keyCode, 40u);
}

TEST_F(HotKeys, UnregisteringTwiceReleasesOnce)
{
    int target = 0;
    HotKeyRef ref = registerHotKey(50, 0, kSignature, &target);
    ASSERT_NE(ref, nullptr);
    const HotKeyRef held = ref;
    unregisterHotKey(&ref);
    EXPECT_EQ(ref, nullptr);
    unregisterHotKey(&ref);
    unregisterHotKey(nullptr);
    EXPECT_EQ(released, std::vector<HotKeyRef>{held});
}

} // namespace
} // namespace sorvant
