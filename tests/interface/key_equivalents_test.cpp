#include "interface/key_equivalents.h"

#include <gtest/gtest.h>

#include <cctype>
#include <string>

namespace sorvant {
namespace {

struct KeyTextCase
{
    const char* text;
    QString key;
    quint32 mask;
};
void PrintTo(const KeyTextCase& row, std::ostream* out) { *out << row.text; }

class KeyTextTest : public ::testing::TestWithParam<KeyTextCase>
{
};

TEST_P(KeyTextTest, ParsesKeyAndCompleteMask)
{
    const KeyTextCase& c = GetParam();
    quint32 mask = 0xFFFFFFFF; // the answer replaces whatever was held
    EXPECT_EQ(keyEquivalentAndModifierMask(QString::fromUtf8(c.text), &mask), c.key);
    EXPECT_EQ(mask, c.mask);
    EXPECT_EQ(keyEquivalent(QString::fromUtf8(c.text)), c.key);
}

INSTANTIATE_TEST_SUITE_P(
    Texts, KeyTextTest,
    ::testing::Values(KeyTextCase{"CMD_SHIFT_a", "a", 0x120000}, KeyTextCase{"Cmd-Opt-S", "s", 0x180000},
                      KeyTextCase{"shift+F5", QString(QChar(0xF708)), 0x20000},
                      KeyTextCase{"F35", QString(QChar(0xF726)), 0}, KeyTextCase{"F36", "", 0},
                      KeyTextCase{"F0", "", 0}, KeyTextCase{"F", "f", 0}, KeyTextCase{"Find", "", 0},
                      KeyTextCase{"", "", 0}, KeyTextCase{"CMD_+", "", 0x100000}, KeyTextCase{"+", "+", 0},
                      KeyTextCase{"alt", "alt", 0x80000},
                      KeyTextCase{"Control-Command-Option-Shift-Z", "z", 0x1E0000}),
    // The text itself, '+' spelled out and other punctuation as '_'.
    [](const ::testing::TestParamInfo<KeyTextCase>& row) {
        std::string name;
        for (const char* c = row.param.text; *c; ++c) {
            if (*c == '+')
                name += "Plus";
            else
                name += std::isalnum(static_cast<unsigned char>(*c)) ? *c : '_';
        }
        return name.empty() ? std::string("Empty") : name;
    });

TEST(KeyEquivalentLookupKey, ListsModifiersInFixedOrder)
{
    EXPECT_EQ(keyEquivalentLookupKey("s", 0x120000), "CMD_SHIFT_s");
    EXPECT_EQ(keyEquivalentLookupKey("s", 0x100000), "CMD_s");
    EXPECT_EQ(keyEquivalentLookupKey("x", 0x1E0000), "CMD_CTRL_OPT_SHIFT_x");
    EXPECT_EQ(keyEquivalentLookupKey("s", 0), "s");
}

TEST(KeySequenceBridge, RoundTripsThroughQtSequences)
{
    const struct
    {
        QString key;
        quint32 mask;
        QKeySequence sequence;
    } cases[] = {
        {"s", 0x120000, QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_S)},
        {"q", 0x100000, QKeySequence(Qt::CTRL | Qt::Key_Q)},
        {"d", 0x140000, QKeySequence(Qt::CTRL | Qt::META | Qt::Key_D)},
        {QString(QChar(0xF708)), 0x80000, QKeySequence(Qt::ALT | Qt::Key_F5)},
        {",", 0x100000, QKeySequence(Qt::CTRL | Qt::Key_Comma)},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.sequence.toString().toStdString());
        EXPECT_EQ(keySequenceForKeyEquivalent(c.key, c.mask), c.sequence);
        quint32 mask = 0;
        EXPECT_EQ(keyEquivalentForKeySequence(c.sequence, &mask), c.key);
        EXPECT_EQ(mask, c.mask);
    }
    EXPECT_TRUE(keySequenceForKeyEquivalent("", 0x100000).isEmpty());
    EXPECT_TRUE(keySequenceForKeyEquivalent("alt", 0x80000).isEmpty());
}

} // namespace
} // namespace sorvant
