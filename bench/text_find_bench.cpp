// Case-insensitive find through the upper CharsTable against a plain exact
// find, on 1 MiB of UTF-16 text mixing Latin, Greek, Cyrillic and CJK words.
// The sought word stands once, at the very end, so every search walks the
// whole text. The platform's full-folding find is measured for comparison.

#include "foundation/buffer_compare.h"
#include "platform/string_compare.h"

#include <benchmark/benchmark.h>

#include <random>
#include <string>
#include <string_view>
#include <vector>

namespace {

constexpr std::size_t kTextUnits = 512 * 1024; // 1 MiB of UTF-16

// The word at the end in mixed case, and the lower-case needle the no-case
// finders look for.
const std::u16string kWordAtEnd = u"\u0417\u0432\u0451\u0437\u0434\u0410";
const std::u16string kLowerNeedle = u"\u0437\u0432\u0451\u0437\u0434\u0430";

const std::u16string& mixedText()
{
    static const std::u16string text = [] {
        const std::vector<std::u16string> words = {
            u"Search", u"file", u"Folder", u"names", u"CONTENTS", u"caf\u00e9", u"Stra\u00dfe", u"na\u00efve",
            u"\u0391\u03b8\u03ae\u03bd\u03b1", u"\u03bb\u03cc\u03b3\u03bf\u03c2", u"\u03a3\u039f\u03a6\u0399\u0391",
            u"\u041c\u043e\u0441\u043a\u0432\u0430", u"\u0437\u0432\u0435\u0440\u044c", u"\u0414\u041e\u041c",
            u"\u6587\u4ef6\u5939", u"\u641c\u7d22", u"\u6f22\u5b57\u304b\u306a", u"\u30d5\u30a1\u30a4\u30eb"};
        std::mt19937 random(42);
        std::uniform_int_distribution<std::size_t> pick(0, words.size() - 1);
        std::u16string built;
        built.reserve(kTextUnits);
        while (built.size() + 16 + kWordAtEnd.size() < kTextUnits) {
            built += words[pick(random)];
            built += u' ';
        }
        built.append(kTextUnits - built.size() - kWordAtEnd.size(), u' ');
        built += kWordAtEnd;
        return built;
    }();
    return text;
}

void BM_PlainFind(benchmark::State& state)
{
    const std::u16string_view text = mixedText();
    for (auto _ : state) {
        const std::size_t at = text.find(kWordAtEnd);
        benchmark::DoNotOptimize(at);
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * text.size() * sizeof(char16_t)));
}
BENCHMARK(BM_PlainFind);

void BM_FindUnicharsNoCase(benchmark::State& state)
{
    const std::u16string& text = mixedText();
    for (auto _ : state) {
        const sorvant::unichar* at =
            sorvant::findUnicharsNoCase(text.data(), text.size(), kLowerNeedle.data(), kLowerNeedle.size());
        if (at != text.data() + text.size() - kLowerNeedle.size())
            state.SkipWithError("needle not found at the end");
        benchmark::DoNotOptimize(at);
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * text.size() * sizeof(char16_t)));
}
BENCHMARK(BM_FindUnicharsNoCase);

void BM_FindUnicharsExact(benchmark::State& state)
{
    const std::u16string& text = mixedText();
    for (auto _ : state) {
        const sorvant::unichar* at =
            sorvant::findUnichars(text.data(), text.size(), kWordAtEnd.data(), kWordAtEnd.size());
        benchmark::DoNotOptimize(at);
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * text.size() * sizeof(char16_t)));
}
BENCHMARK(BM_FindUnicharsExact);

void BM_PlatformFindCaseInsensitive(benchmark::State& state)
{
    const std::u16string& text = mixedText();
    const QStringView haystack(text.data(), static_cast<qsizetype>(text.size()));
    const QStringView needle(kLowerNeedle.data(), static_cast<qsizetype>(kLowerNeedle.size()));
    for (auto _ : state) {
        const sorvant::Range found = sorvant::findString(haystack, needle, sorvant::kCompareCaseInsensitive);
        benchmark::DoNotOptimize(found);
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * text.size() * sizeof(char16_t)));
}
BENCHMARK(BM_PlatformFindCaseInsensitive)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
