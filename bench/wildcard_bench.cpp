// Wildcard matching over file names (whole-name globs, as the name search
// runs them) and over 1 MB of text (word-by-word pattern search on a word
// index, as the contents search runs it), plus the many-star patterns that
// take exponential time with plain recursion.
#include "search/fast_word_enumerator.h"
#include "search/wildcard_engine.h"
#include "search/wildcard_patterns.h"

#include <benchmark/benchmark.h>

#include <QStringList>

#include <random>

namespace sorvant {
namespace {

const QStringList& vocabulary()
{
    static const QStringList words = QStringLiteral("lorem ipsum dolor sit amet consetetur sadipscing elitr "
                                                    "sed diam nonumy eirmod tempor invidunt ut "
                                                    "labore et dolore magna aliquyam erat voluptua at vero "
                                                    "eos accusam justo duo dolores ea rebum stet "
                                                    "clita kasd gubergren no sea takimata sanctus est report "
                                                    "invoice résumé Übersicht café draft final")
                                         .split(u' ');
    return words;
}

// 100,000 names such as "Tempor_dolor-2017.txt", seeded so every run is the same.
const QStringList& fileNames()
{
    static const QStringList names = [] {
        std::mt19937 random(42);
        const QStringList& words = vocabulary();
        const QStringList extensions = {QStringLiteral("txt"), QStringLiteral("pdf"), QStringLiteral("jpg"),
                                        QStringLiteral("TXT"), QStringLiteral("cpp"), QStringLiteral("md"),
                                        QStringLiteral("docx")};
        QStringList list;
        list.reserve(100000);
        for (int i = 0; i < 100000; ++i) {
            QString name = words[random() % words.size()];
            if (random() % 2 == 0)
                name[0] = QChar(uppercaseCharacter(name[0].unicode()));
            name += (random() % 2 ? u'_' : u' ') + words[random() % words.size()];
            name += u'-' + QString::number(1990 + random() % 40);
            name += u'.' + extensions[random() % extensions.size()];
            list.append(name);
        }
        return list;
    }();
    return names;
}

// About 1 MB of text (UTF-16 units) from the vocabulary, with punctuation.
const QString& text()
{
    static const QString body = [] {
        std::mt19937 random(7);
        const QStringList& words = vocabulary();
        QString s;
        s.reserve(1 << 20);
        while (s.size() < (1 << 20)) {
            s += words[random() % words.size()];
            s += random() % 9 == 0 ? QStringLiteral(", ") : QStringLiteral(" ");
        }
        return s;
    }();
    return body;
}

struct NamePattern
{
    const char* pattern;
    bool ignoreCase;
    bool withSets;
};

const NamePattern kNamePatterns[] = {
    {"*.txt", false, true},          {"*.txt", true, true},
    {"*.[tT][xX][tT]", false, true}, {"tempor*20?[0-4].*", true, true},
    {"*o*o*o*.pdf", false, true},    {"*.txt", true, false},
};

void BM_FileNames(benchmark::State& state)
{
    const NamePattern& p = kNamePatterns[state.range(0)];
    const QString pattern = QString::fromUtf8(p.pattern);
    const QStringList& names = fileNames();
    initSeparatorsAndTables();
    qsizetype hits = 0;
    for (auto _ : state) {
        hits = 0;
        for (const QString& name : names) {
            const bool match = p.withSets ? (p.ignoreCase ? isCaseInsensitiveLikeUnixWildcard(name, pattern)
                                                          : isLikeUnixWildcard(name, pattern))
                                          : (p.ignoreCase ? isCaseInsensitiveLikeWildcard(name, pattern)
                                                          : isLikeWildcard(name, pattern));
            hits += match ? 1 : 0;
        }
        benchmark::DoNotOptimize(hits);
    }
    const QString kind = QLatin1String(p.withSets ? "unix" : "simple") +
                         QLatin1String(p.ignoreCase ? ", no case" : "");
    state.SetLabel(QStringLiteral("%1 (%2) %3 hits").arg(pattern, kind).arg(hits).toStdString());
    state.SetItemsProcessed(state.iterations() * names.size());
}
BENCHMARK(BM_FileNames)->DenseRange(0, std::size(kNamePatterns) - 1)->Unit(benchmark::kMillisecond);

struct TextPattern
{
    const char* pattern;
    unsigned comparison;
};

const TextPattern kTextPatterns[] = {
    {"tempor", 0}, {"tempor*", 0}, {"*mpo*", 0},  {"t?mpor", 0}, {"[st]empor", 0}, {"dolor sit", 0},
    {"RESUME", 3}, {"temper", 5},  {"*a*a*b", 0}, {"e-mail", 0}, {"*o*e*", 1},
};

// Every hit of the pattern in the text, forwards, as the highlighter walks them.
void BM_Text1MB(benchmark::State& state)
{
    const TextPattern& p = kTextPatterns[state.range(0)];
    const QString pattern = QString::fromUtf8(p.pattern);
    const QString& s = text();
    const auto index = FastWordEnumerator::enumeratorWithString(s);
    initSeparatorsAndTables();
    WildcardFindOptions options;
    options.comparison = p.comparison;
    qsizetype hits = 0;
    for (auto _ : state) {
        hits = 0;
        for (qsizetype position = 0; position < s.size();) {
            const Range hit = findWildcardPhrase(*index, position, s.size(), pattern, options);
            if (hit.isMissing())
                break;
            ++hits;
            position = hit.maxRange();
        }
        benchmark::DoNotOptimize(hits);
    }
    state.SetLabel(QStringLiteral("%1 /%2 %3 hits").arg(pattern).arg(p.comparison).arg(hits).toStdString());
    state.SetBytesProcessed(state.iterations() * s.size() * qsizetype(sizeof(unichar)));
}
BENCHMARK(BM_Text1MB)->DenseRange(0, std::size(kTextPatterns) - 1)->Unit(benchmark::kMillisecond);

// Many stars against a long run without the final unit: plain recursion
// needs exponential time here, the greedy matcher one pass per star.
void BM_ManyStarsWholeText(benchmark::State& state)
{
    const QString s(state.range(0), QChar(u'a'));
    const QString pattern = QStringLiteral("*a*a*a*a*b");
    const auto* t = reinterpret_cast<const unichar*>(s.constData());
    const auto* p = reinterpret_cast<const unichar*>(pattern.constData());
    for (auto _ : state)
        benchmark::DoNotOptimize(matchWildcardWithSets(t, t + s.size(), p, p + pattern.size()));
    state.SetComplexityN(state.range(0));
}
BENCHMARK(BM_ManyStarsWholeText)->RangeMultiplier(16)->Range(4096, 1 << 20)->Complexity();

} // namespace
} // namespace sorvant

BENCHMARK_MAIN();
