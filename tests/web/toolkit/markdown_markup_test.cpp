#include "web/toolkit/markdown_markup.h"

#include "tests/support/scan_work_bound.h"

#include <algorithm>

#include <gtest/gtest.h>

namespace sorvant {
namespace {

// One report as "text@style/type/level", the text being the reported range.
QStringList reports(const QString& text, bool math = false)
{
    QStringList out;
    enumerateCriticMarkupUsingHandler(
        text,
        [&](const QString& whole, Range range, qsizetype, const QString&, CriticMarkupType type, MarkdownStyle style,
            int level) {
            out.append(QStringLiteral("%1@%2/%3/%4")
                           .arg(whole.mid(range.location, range.length))
                           .arg(style)
                           .arg(int(type))
                           .arg(level));
            return false;
        },
        math);
    return out;
}

struct ReportCase
{
    const char* text;
    QStringList expected;
};

TEST(CriticMarkupEnumeration, ReportsEachMarkupOnce)
{
    const ReportCase cases[] = {
        {"*a* b", {"a@1/-1/0"}},
        {"**b**", {"b@2/-1/0"}},
        {"***c***", {"c@3/-1/0"}},
        {"* list", {}},
        {"x^2 y", {"2@4/-1/0"}},
        {"x^2", {}},
        {"H~2~O", {"2@8/-1/0"}},
        {"{++new++}", {"{++new++}@0/2/0"}},
        {"a {--old--} b {==hi==}", {"{--old--}@0/1/0", "{==hi==}@0/0/0"}},
        {"{~~a~>b~~}", {}},
        {"a ~~gone~~ b", {"~~gone~~@0/1/0"}},
        {"a ==mark== ^^up^^", {"==mark==@0/0/0", "^^up^^@0/0/0"}},
        {"a\n<a:b.c>", {"a:b.c@16/-1/0"}},   // a first line with a colon would be a header
        {"<a.b>", {}},
        {"[t](http://x.y) z", {"http://x.y@16/-1/0"}},
        {"[id]: http://x.y", {"http://x.y@16/-1/0"}},
        {"[^1]: note", {}},
        {"[[*no*]] *yes*", {"yes@1/-1/0"}},
        {"\\*not\\*", {}},
        {"```\ncode *x*\n```\n", {"\ncode *x*\n@4096/-1/0"}},
        {"# Title\ntext", {" Title\n@512/-1/1"}},
        {"### Deep", {" Deep@512/-1/3"}},
        {"#tag line", {}},
        {"Title\n===\n", {"Title\n@1024/-1/2"}},
        {"Title\n---\n", {"Title\n@1024/-1/3"}},
        {"    indented", {"    indented@4096/-1/0"}},
        {"\tcode", {"\tcode@4096/-1/0"}},
        {"    - nested item", {}},
        {"> a\n> b\nc", {"> a\n> b\n@2048/-1/0"}},
        {"> open", {"> open@2048/-1/0"}},
        {"title: A\nkey: B\n\nBody *x*", {"title: A\n@256/-1/0", "key: B\n@256/-1/0", "x@1/-1/0"}},
    };
    for (const ReportCase& row : cases) {
        SCOPED_TRACE(row.text);
        EXPECT_EQ(reports(QString::fromUtf8(row.text)), row.expected);
    }
}

// Regression: every unclosed opener searched the rest of its line, so a
// line of them took quadratic time (an unclosed "{++" 300 KB: 10 s).
TEST(CriticMarkupEnumeration, UnclosedOpenersTakeLinearWork)
{
    for (const char* opener : {"{++ ", "{-- ", "{== ", "<a ", "^a ", "~a ", "~~a~ ", "==b "}) {
        SCOPED_TRACE(opener);
        test::expectLinearScanWork(
            [&](qsizetype size) {
                QString line;
                while (line.size() < size)
                    line += QLatin1String(opener);
                return line;
            },
            [](const QString& line) { (void)reports(line, true); });
    }
    // Closed markup after many unclosed openers is still found.
    EXPECT_EQ(reports(QStringLiteral("{++ {++ a ++} x")).size(), 2);
}

TEST(CriticMarkupEnumeration, MathOnlyWhenEnabled)
{
    EXPECT_EQ(reports(QStringLiteral("a $x^2$ b"), true), (QStringList{QStringLiteral("x^2@8192/-1/0")}));
    EXPECT_EQ(reports(QStringLiteral("a $x^2$ b"), false), (QStringList{QStringLiteral("2$@4/-1/0")}));
}

TEST(CriticMarkupEnumeration, ReportsCarryLineAndSectionHeader)
{
    QList<std::pair<qsizetype, QString>> seen;
    enumerateCriticMarkupUsingHandler(
        QStringLiteral("*a*\n# One\n*b*\nTwo\n==\n*c*"),
        [&](const QString&, Range, qsizetype line, const QString& header, CriticMarkupType, MarkdownStyle style, int) {
            if (style == kMarkdownEmphasis)
                seen.append({line, header});
            return false;
        },
        false);
    ASSERT_EQ(seen.size(), 3);
    EXPECT_EQ(seen[0], (std::pair<qsizetype, QString>{0, QString()}));
    EXPECT_EQ(seen[1], (std::pair<qsizetype, QString>{2, QStringLiteral("# One\n")}));
    EXPECT_EQ(seen[2], (std::pair<qsizetype, QString>{5, QStringLiteral("Two\n")}));
}

TEST(CriticMarkupEnumeration, HandlerStops)
{
    int calls = 0;
    enumerateCriticMarkupUsingHandler(
        QStringLiteral("*a* *b*\n*c*"),
        [&](const QString&, Range, qsizetype, const QString&, CriticMarkupType, MarkdownStyle, int) {
            ++calls;
            return true;
        },
        false);
    EXPECT_EQ(calls, 1);
}

TEST(CriticMarkupContains, WidensEmphasisOverMarkersAndMergesTouchingMarkup)
{
    const QString text = QStringLiteral("a *b* c **d**\nnext {++x++}");
    Range effective;
    EXPECT_TRUE(containsCriticMarkupType(text, kCriticMarkupNone, kMarkdownEmphasis, Range{3, 0}, &effective));
    EXPECT_EQ(effective, (Range{2, 3}));
    EXPECT_TRUE(containsCriticMarkupType(text, kCriticMarkupNone, kMarkdownEmphasis | kMarkdownStrong, Range{3, 8},
                                         &effective));
    EXPECT_EQ(effective, (Range{2, 11}));
    EXPECT_FALSE(containsCriticMarkupType(text, kCriticMarkupNone, kMarkdownStrong, Range{6, 1}, &effective));
    EXPECT_EQ(effective, kMissingRange);
    EXPECT_TRUE(containsCriticMarkupType(text, kCriticMarkupInsertion, 0, Range{21, 1}, &effective));
    EXPECT_EQ(effective, (Range{19, 7}));
    EXPECT_FALSE(containsCriticMarkupType(text, kCriticMarkupDeletion, 0, Range{21, 1}, nullptr));
    EXPECT_FALSE(containsCriticMarkupType(text, kCriticMarkupNone, 0, Range{0, 1}, nullptr));
    EXPECT_FALSE(containsCriticMarkupType(text, kCriticMarkupNone, kMarkdownEmphasis, Range{20, 40}, nullptr));
    EXPECT_FALSE(containsCriticMarkupType(QString(), kCriticMarkupNone, kMarkdownEmphasis, Range{0, 0}, nullptr));
}

struct ToggleCase
{
    const char* name;
    const char* text;
    QStringList prefixes;
    QStringList suffixes;
    CriticMarkupType type;
    MarkdownStyle style;
    Range selection;
    const char* expectedText;   // the whole text after the replacement
    Range expectedSelection;
};

TEST(CriticMarkupToggle, RoundTrips)
{
    const QStringList em{QStringLiteral("*"), QStringLiteral("_")};
    const QStringList hlOpen{QStringLiteral("{==")};
    const QStringList hlClose{QStringLiteral("==}")};
    const QStringList strong{QStringLiteral("**"), QStringLiteral("__")};
    const ToggleCase cases[] = {
        {"strong on emphasis", "*x*", em, em, kCriticMarkupNone, kMarkdownStrong, {1, 1}, "***x***", {0, 7}},
        {"strong off again", "***x***", em, em, kCriticMarkupNone, kMarkdownStrong, {3, 1}, "*x*", {0, 3}},
        {"emphasis off", "a *x* b", em, em, kCriticMarkupNone, kMarkdownEmphasis, {3, 1}, "a x b", {2, 1}},
        {"emphasis on selection", "a x b", em, em, kCriticMarkupNone, kMarkdownEmphasis, {2, 1}, "a *x* b", {2, 3}},
        {"empty selection", "ab", hlOpen, hlClose, kCriticMarkupHighlight, 0, {1, 0}, "a{====}b", {4, 0}},
        {"highlight on", "a bc d", hlOpen, hlClose, kCriticMarkupHighlight, 0, {2, 2}, "a {==bc==} d", {2, 8}},
        {"highlight off", "a {==bc==} d", hlOpen, hlClose, kCriticMarkupHighlight, 0, {6, 0}, "a bc d", {2, 2}},
        {"list lines keep markers", "- one\n- two\n", em, em, kCriticMarkupNone, kMarkdownStrong, {0, 12},
         "- **one**\n- **two**\n", {0, 20}},
        {"escaped markers stay", "a *x \\* y \\_z* b", em, em, kCriticMarkupNone, kMarkdownEmphasis, {3, 1},
         "a x \\* y \\_z b", {2, 10}},
        {"both markers off", "_a_ *b* c", em, em, kCriticMarkupNone, kMarkdownEmphasis, {0, 7}, "a b c", {0, 3}},
        // Regression: a toggle that removed all of the text answered null,
        // which says that nothing changes.
        {"only markers off", "****__", strong, strong, kCriticMarkupNone, kMarkdownStrong, {1, 5}, "", {0, 0}},
        {"empty highlight off", "a{====}", hlOpen, hlClose, kCriticMarkupHighlight, 0, {3, 0}, "a", {1, 0}},
    };
    for (const ToggleCase& row : cases) {
        SCOPED_TRACE(row.name);
        const QString text = QString::fromUtf8(row.text);
        Range replacement;
        Range selected;
        const QString result = stringByTogglingMarkupWithPrefixes(text, row.prefixes, row.suffixes, row.type,
                                                                  row.style, row.selection, &replacement, &selected);
        ASSERT_FALSE(result.isNull());
        QString edited = text;
        edited.replace(replacement.location, replacement.length, result);
        EXPECT_EQ(edited, QString::fromUtf8(row.expectedText));
        EXPECT_EQ(selected, row.expectedSelection);
    }
}

// Regression: each marker taken out moved the rest of the text, so
// toggling over a line of nested emphasis took quadratic time (200 KB: 16 s).
TEST(CriticMarkupToggle, NestedEmphasisTakesLinearWork)
{
    const QStringList em{QStringLiteral("*"), QStringLiteral("_")};
    test::expectLinearScanWork(
        [](qsizetype size) {
            QString line;
            while (line.size() < size)
                line += QStringLiteral("*a **b _c_ d** e* ");
            return line;
        },
        [&](const QString& line) {
            Range replacement;
            const QString result = stringByTogglingMarkupWithPrefixes(
                line, em, em, kCriticMarkupNone, kMarkdownEmphasis, Range{0, line.size()}, &replacement, nullptr);
            EXPECT_EQ(replacement.location, 0);
            EXPECT_GT(replacement.length, line.size() - 18);
            EXPECT_TRUE(result.startsWith(QLatin1String("**a b c d e a b c d e")));
            EXPECT_EQ(result.count(QLatin1Char('*')), 4);
            EXPECT_FALSE(result.contains(QLatin1Char('_')));
        });
}

// Regression: a run of markers before white space opens nothing and is
// passed one marker at a time; each step scanned the rest of the run and
// widened a report over all of it (200 KB of "*" inside emphasis: 39 s).
TEST(CriticMarkupToggle, LongMarkerRunsTakeLinearWork)
{
    const QStringList em{QStringLiteral("*"), QStringLiteral("_")};
    test::expectLinearScanWork(
        [](qsizetype size) { return QStringLiteral("*a ") + QString(size, QLatin1Char('*')) + QStringLiteral(" b*"); },
        [&](const QString& line) {
            Range replacement;
            const QString result = stringByTogglingMarkupWithPrefixes(
                line, em, em, kCriticMarkupNone, kMarkdownEmphasis, Range{0, line.size()}, &replacement, nullptr);
            EXPECT_EQ(result, QStringLiteral("a "));
            EXPECT_EQ(replacement, (Range{0, line.size() - 3}));
        });
}

// Regression: each report inside markers nested one in another widened
// itself back over all the markers before it, so toggling emphasis off
// "*_*_…x…_*_*" took quadratic time (100 KB: 2 s).
TEST(CriticMarkupToggle, DeeplyNestedMarkersTakeLinearWork)
{
    const QStringList em{QStringLiteral("*"), QStringLiteral("_")};
    test::expectLinearScanWork(
        [](qsizetype size) {
            const QString opening = QStringLiteral("*_").repeated(size / 4);
            QString closing = opening;
            std::reverse(closing.begin(), closing.end());
            return opening + QLatin1Char('x') + closing;
        },
        [&](const QString& line) {
            Range replacement;
            const QString result = stringByTogglingMarkupWithPrefixes(
                line, em, em, kCriticMarkupNone, kMarkdownEmphasis, Range{0, line.size()}, &replacement, nullptr);
            EXPECT_EQ(result, QStringLiteral("x"));
            EXPECT_EQ(replacement, (Range{0, line.size()}));
        });
}

TEST(CriticMarkupToggle, UnusableArgumentsGiveNil)
{
    const QStringList one{QStringLiteral("*")};
    Range replacement{1, 1};
    Range selected{1, 1};
    EXPECT_TRUE(stringByTogglingMarkupWithPrefixes(QStringLiteral("abc"), one, {}, kCriticMarkupNone,
                                                   kMarkdownEmphasis, Range{0, 1}, &replacement, &selected)
                    .isNull());
    EXPECT_EQ(replacement, kMissingRange);
    EXPECT_EQ(selected, kMissingRange);
    EXPECT_TRUE(stringByTogglingMarkupWithPrefixes(QStringLiteral("abc"), one, one, kCriticMarkupNone,
                                                   kMarkdownEmphasis, Range{2, 5}, nullptr, nullptr)
                    .isNull());
    // Only blank lines selected: nothing to mark.
    EXPECT_TRUE(stringByTogglingMarkupWithPrefixes(QStringLiteral("\n\n"), one, one, kCriticMarkupNone, kMarkdownStrong,
                                                   Range{0, 2}, nullptr, nullptr)
                    .isNull());
}

struct LineCase
{
    const char* line;
    int level;
    qsizetype indentation;
};

TEST(MarkdownLines, UnderlineLevelAndIndentation)
{
    const LineCase cases[] = {
        {"===", 2, 0},     {"---", 3, 0},       {"- - -", 3, 2},        {"-", 0, 0},
        {"    ---", 0, 4}, {"\t==", 0, 1},      {"==x", 0, 0},          {"=-=", 0, 0},
        {"  * item", 0, 4}, {"- [x] done", 0, 6}, {"12. a", 0, 4},      {"0. a", 0, 0},
        {"1.5 a", 0, 0},   {"  text", 0, 2},    {"   ", 0, 3},          {"-no", 0, 0},
    };
    for (const LineCase& row : cases) {
        SCOPED_TRACE(row.line);
        EXPECT_EQ(levelOfMarkdownLine(QString::fromUtf8(row.line)), row.level);
        EXPECT_EQ(indendationOfMarkdownLine(QString::fromUtf8(row.line)), row.indentation);
    }
}

} // namespace
} // namespace sorvant
