// Building word indexes over 1 MB of text, and searching terms in them.

#include "search/fast_word_enumerator.h"
#include "search/word_search.h"

#include <benchmark/benchmark.h>

#include <QString>

#include <random>

namespace {

constexpr qsizetype kTextUnits = 512 * 1024; // 1 MB of UTF-16

// Latin prose: words of 1 to 10 letters, with spaces and some punctuation.
QString latinText()
{
    std::mt19937 random(7);
    QString text;
    text.reserve(kTextUnits + 16);
    while (text.size() < kTextUnits) {
        const int letters = 1 + int(random() % 10);
        for (int i = 0; i < letters; ++i)
            text.append(QChar(char16_t(u'a' + random() % 26)));
        text.append(QChar(random() % 12 == 0 ? u',' : u' '));
    }
    text.truncate(kTextUnits);
    return text;
}

// Japanese prose: runs of kana and kanji between ideographic full stops.
QString japaneseText()
{
    const QString sentence =
        QStringLiteral("\u79C1\u306F\u6771\u4EAC\u3067\u65E5\u672C\u8A9E\u3092\u52C9\u5F37\u3057\u3066\u3044\u307E\u3059\u3002");
    QString text;
    text.reserve(kTextUnits + sentence.size());
    while (text.size() < kTextUnits)
        text.append(sentence);
    text.truncate(kTextUnits);
    return text;
}

void buildIndex(benchmark::State& state, const QString& text, bool caseInsensitive, bool splitAsian)
{
    sorvant::FastWordEnumerator::setSplitAsianWords(splitAsian);
    for (auto _ : state) {
        auto e = sorvant::FastWordEnumerator::enumeratorWithString(text, caseInsensitive, false);
        benchmark::DoNotOptimize(e->numberOfWords());
    }
    sorvant::FastWordEnumerator::setSplitAsianWords(false);
    state.SetBytesProcessed(state.iterations() * text.size() * 2);
}

void BM_BuildIndexLatin(benchmark::State& state)
{
    buildIndex(state, latinText(), false, false);
}
void BM_BuildIndexLatinCaseInsensitive(benchmark::State& state)
{
    buildIndex(state, latinText(), true, false);
}
void BM_BuildIndexJapaneseSplit(benchmark::State& state)
{
    buildIndex(state, japaneseText(), false, true);
}
void BM_BuildIndexJapaneseWhole(benchmark::State& state)
{
    buildIndex(state, japaneseText(), false, false);
}

// File-name-sized texts, as the search worker indexes names one by one.
void BM_BuildIndexShortJapaneseNames(benchmark::State& state)
{
    const QString name = QStringLiteral("\u65E5\u672C\u8A9E\u306E\u30E1\u30E2 2024.txt");
    sorvant::FastWordEnumerator::setSplitAsianWords(true);
    for (auto _ : state) {
        auto e = sorvant::FastWordEnumerator::enumeratorWithString(name);
        benchmark::DoNotOptimize(e->numberOfWords());
    }
    sorvant::FastWordEnumerator::setSplitAsianWords(false);
    state.SetItemsProcessed(state.iterations());
}

void BM_FindTermAnchored(benchmark::State& state)
{
    const QString text = latinText();
    const auto e = sorvant::FastWordEnumerator::enumeratorWithString(text);
    const QString term = QStringLiteral("zzzzzz"); // hardly ever a whole word: scans the whole text
    for (auto _ : state)
        benchmark::DoNotOptimize(sorvant::findTermInRange(*e, 0, e->length(), term, state.range(0), true));
    state.SetBytesProcessed(state.iterations() * text.size() * 2);
}

} // namespace

BENCHMARK(BM_BuildIndexLatin)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_BuildIndexLatinCaseInsensitive)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_BuildIndexJapaneseSplit)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_BuildIndexJapaneseWhole)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_BuildIndexShortJapaneseNames);
BENCHMARK(BM_FindTermAnchored)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

BENCHMARK_MAIN();
