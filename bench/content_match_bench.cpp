// Content matching of one file on one thread, warm caches: bytes per second
// of ContentMatcher on 64 MiB of text written to a temporary file once.
// The sought word is absent, so every run reads and searches the whole
// file. ASCII text (the common source-code case) and mixed-script text
// (Latin, Greek, Cyrillic, CJK) are measured with an ASCII word ignoring
// case, with case, a non-ASCII word, many words at once, and a regular
// expression with a literal every match needs; and the plain path that
// decodes the whole file, for comparison. A file declared Shift_JIS is
// measured with a wildcard and a regular expression, matched on its bytes,
// against the plain path that decodes it to UTF-16.

#include "platform/regular_expression.h"
#include "platform/string_encoding.h"
#include "search/content_matching.h"
#include "search/search_params.h"

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QStringList>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <fcntl.h>
#include <sys/xattr.h>

#include <random>

namespace {

using namespace sorvant;

constexpr qsizetype kFileBytes = qsizetype(64) << 20;

QByteArray makeText(const QStringList& words)
{
    std::mt19937 random(7);
    QByteArray text;
    text.reserve(kFileBytes + 64);
    QList<QByteArray> encoded;
    for (const QString& word : words)
        encoded.append(word.toUtf8());
    while (text.size() < kFileBytes) {
        text += encoded.at(qsizetype(random() % std::uint32_t(encoded.size())));
        text += (random() % 12 == 0) ? '\n' : ' ';
    }
    return text;
}

// The folder and the two files, made once per process.
struct Files
{
    QTemporaryDir folder;
    int fd = -1;
    bool declared = false; // sjis.txt declares its set
    Files()
    {
        const QStringList ascii = {"int", "return", "for", "while", "const", "auto", "std::vector", "search",
                                   "Folder", "names", "CONTENTS", "if", "else", "{", "}", "(x)", "// note"};
        const QStringList mixed = {"Search", "file", "Folder", "caf\u00e9", "Stra\u00dfe", "na\u00efve",
                                   "\u0391\u03b8\u03ae\u03bd\u03b1", "\u03bb\u03cc\u03b3\u03bf\u03c2",
                                   "\u041c\u043e\u0441\u043a\u0432\u0430", "\u0437\u0432\u0435\u0440\u044c",
                                   "\u6587\u4ef6\u5939", "\u641c\u7d22", "\u30d5\u30a1\u30a4\u30eb"};
        write("ascii.txt", makeText(ascii));
        write("mixed.txt", makeText(mixed));
        // ASCII, half-width katakana (one byte) and kanji (two bytes).
        QByteArray sjis;
        while (sjis.size() < kFileBytes)
            sjis += "lorem ipsum \xb6\xc0\xb6\xc5 dolor \x93\xfa\x96\x7b sit amet\n";
        write("sjis.txt", sjis);
        const QByteArray sjisPath = QFile::encodeName(folder.filePath(QStringLiteral("sjis.txt")));
        declared = ::setxattr(sjisPath.constData(), kCharsetAttribute, "Shift_JIS", 9, 0) == 0;
        fd = ::open(QFile::encodeName(folder.path()).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    }
    void write(const char* name, const QByteArray& text)
    {
        QFile file(folder.filePath(QString::fromLatin1(name)));
        if (file.open(QIODevice::WriteOnly))
            file.write(text);
    }
};

Files& files()
{
    static Files instance;
    return instance;
}

void run(benchmark::State& state, const char* file, std::uint64_t mode, const QStringList& words,
         std::uint64_t comparison, bool plainPath = false)
{
    SearchParams params;
    params.mode = mode;
    params.words = words;
    params.comparison = comparison;
    params.maxFileSize = std::uint64_t(1) << 32;
    params.wildcard = mode == kSearchWildcards ? words.first() : QString();
    if (mode == kSearchRegularExpression)
        params.regex = RegularExpression::compile(words.first(), kRegexAnchorsMatchLines | unsigned(comparison));
    const ContentMatcher matcher(params);
    ContentBuffer buffer;
    const int folder = files().fd;
    for (auto _ : state) {
        const bool found =
            plainPath ? matcher.matchesFileDecoded(folder, file, buffer) : matcher.matchesFile(folder, file, buffer);
        benchmark::DoNotOptimize(found);
        if (found)
            state.SkipWithError("the word should be absent");
    }
    state.SetBytesProcessed(std::int64_t(state.iterations()) * kFileBytes);
}

QStringList manyWords(const QString& stem, int count)
{
    QStringList words;
    for (int i = 0; i < count; ++i)
        words.append(stem + QString::number(i));
    return words;
}

void BM_AsciiWordIgnoringCase_AsciiText(benchmark::State& state)
{
    run(state, "ascii.txt", kSearchPhrase, {"Invoice"}, 1);
}
// The plain path for comparison: the whole file decoded, then matched.
void BM_PlainPathAsciiWordIgnoringCase_AsciiText(benchmark::State& state)
{
    run(state, "ascii.txt", kSearchPhrase, {"Invoice"}, 1, true);
}
void BM_PlainPathAsciiWordIgnoringCase_MixedText(benchmark::State& state)
{
    run(state, "mixed.txt", kSearchPhrase, {"Invoice"}, 1, true);
}
void BM_AsciiWordWithCase_AsciiText(benchmark::State& state)
{
    run(state, "ascii.txt", kSearchPhrase, {"Invoice"}, 0);
}
void BM_AsciiWordIgnoringCase_MixedText(benchmark::State& state)
{
    run(state, "mixed.txt", kSearchPhrase, {"Invoice"}, 1);
}
void BM_NonAsciiWordIgnoringCase_MixedText(benchmark::State& state)
{
    run(state, "mixed.txt", kSearchPhrase, {"\u0421\u0447\u0451\u0442"}, 1);
}
void BM_HundredAsciiWordsAnyIgnoringCase_AsciiText(benchmark::State& state)
{
    run(state, "ascii.txt", kSearchAnyWord, manyWords("invoice", 100), 1);
}
void BM_HundredNonAsciiWordsAnyIgnoringCase_MixedText(benchmark::State& state)
{
    run(state, "mixed.txt", kSearchAnyWord, manyWords("\u0441\u0447\u0451\u0442", 100), 1);
}
void BM_RegexWithLiteral_AsciiText(benchmark::State& state)
{
    run(state, "ascii.txt", kSearchRegularExpression, {"invoice[0-9]+"}, 1);
}

// A declared Shift_JIS file: wildcards and regular expressions on its
// bytes, and the plain path that decodes it to UTF-16 first.
void runDeclared(benchmark::State& state, std::uint64_t mode, const QString& pattern, bool plainPath)
{
    if (!files().declared) {
        state.SkipWithError("the temporary file system has no user extended attributes");
        return;
    }
    run(state, "sjis.txt", mode, {pattern}, 0, plainPath);
}
void BM_WildcardDeclaredShiftJis(benchmark::State& state)
{
    runDeclared(state, kSearchWildcards, QStringLiteral("*\u91DDneedle*"), false);
}
void BM_PlainPathWildcardDeclaredShiftJis(benchmark::State& state)
{
    runDeclared(state, kSearchWildcards, QStringLiteral("*\u91DDneedle*"), true);
}
void BM_RegexDeclaredShiftJis(benchmark::State& state)
{
    runDeclared(state, kSearchRegularExpression, QStringLiteral("\u91DDneedle$"), false);
}
void BM_PlainPathRegexDeclaredShiftJis(benchmark::State& state)
{
    runDeclared(state, kSearchRegularExpression, QStringLiteral("\u91DDneedle$"), true);
}

BENCHMARK(BM_AsciiWordIgnoringCase_AsciiText)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_AsciiWordWithCase_AsciiText)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PlainPathAsciiWordIgnoringCase_AsciiText)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PlainPathAsciiWordIgnoringCase_MixedText)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_AsciiWordIgnoringCase_MixedText)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_NonAsciiWordIgnoringCase_MixedText)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_HundredAsciiWordsAnyIgnoringCase_AsciiText)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_HundredNonAsciiWordsAnyIgnoringCase_MixedText)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_RegexWithLiteral_AsciiText)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK(BM_WildcardDeclaredShiftJis)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PlainPathWildcardDeclaredShiftJis)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_RegexDeclaredShiftJis)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PlainPathRegexDeclaredShiftJis)->Unit(benchmark::kMillisecond);

BENCHMARK_MAIN();
