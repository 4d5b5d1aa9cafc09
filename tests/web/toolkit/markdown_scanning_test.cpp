#include "web/toolkit/markdown_scanning.h"

#include "foundation/string_units.h"

#include <gtest/gtest.h>

namespace sorvant {
namespace {

QStringList plainRuns(const QString& text, bool skipCode, Range range)
{
    QStringList runs;
    enumerateMarkdownInRange(text, range, skipCode, [&](const unichar* chars, qsizetype location, qsizetype length) {
        runs.append(QString(reinterpret_cast<const QChar*>(chars + location), length));
        return false;
    });
    return runs;
}

QStringList plainRuns(const QString& text, bool skipCode)
{
    return plainRuns(text, skipCode, Range{0, text.size()});
}

struct HeaderCase
{
    const char* text;
    qsizetype headerEnd;
};

TEST(MarkdownMetadata, HeaderEndsWhereTheLastHeaderLineOrFenceEnds)
{
    const HeaderCase cases[] = {
        {"---\ntitle: A\n---\nBody", 17},
        {"title: A\nBody", 9},
        {"title: A\nBody\n", 9},
        {"no colon at all", 0},
        {"url: a://b", 10},
        {"a: 1\r\nb: 2\r\n\r\nBody", 14},
        {"---\nkey: v\nno colon\nmore", 11},          // unclosed fence: header lines so far
        {"[link]: x\nrest", 0},                      // a bracket before the colon ends the scan
        {"key\\: v\nrest", 0},                       // escaped colon
        {":x\nrest", 0},                             // colon at position 0
        {"see http://x\nrest", 0},                   // ":/" does not count
        {"a: 1\n---\nb: 2\n", 5},                    // a fence after header lines is ordinary
        {"---", 0},
    };
    for (const HeaderCase& row : cases) {
        const QString text = QString::fromUtf8(row.text);
        SCOPED_TRACE(row.text);
        EXPECT_EQ(lengthOfMarkdownMetadata(text), row.headerEnd);
        EXPECT_EQ(rangeOfMarkdownMetadata(unitsOf(text), text.size(), Range{0, text.size()}),
                  (Range{row.headerEnd, text.size() - row.headerEnd}));
    }
}

TEST(MarkdownMetadata, RangeOfInterestIsCutAtTheHeader)
{
    const QString text = QStringLiteral("title: A\nBody");
    const unichar* chars = unitsOf(text);
    EXPECT_EQ(rangeOfMarkdownMetadata(chars, text.size(), Range{0, 5}), kMissingRange);
    EXPECT_EQ(rangeOfMarkdownMetadata(chars, text.size(), Range{0, 9}), (Range{9, 0}));
    EXPECT_EQ(rangeOfMarkdownMetadata(chars, text.size(), Range{11, 2}), (Range{11, 2}));
    EXPECT_EQ(rangeOfMarkdownMetadata(chars, text.size(), Range{4, 20}), kMissingRange);
    EXPECT_EQ(rangeOfMarkdownMetadata(nullptr, 0, Range{0, 0}), kMissingRange);
}

TEST(MarkdownMetadata, StrippingAndReadingTheHeader)
{
    const QString text = QStringLiteral("title: A\nBody");
    EXPECT_EQ(stringByStrippingMarkdownMetadata(text), QStringLiteral("Body"));
    EXPECT_EQ(markdownMetadata(text), QStringLiteral("title: A\n"));
    const QString body = QString::fromUtf8("Body only");
    EXPECT_TRUE(stringByStrippingMarkdownMetadata(body).isSharedWith(body));
    EXPECT_TRUE(markdownMetadata(body).isNull());
    EXPECT_TRUE(markdownMetadata(emptyString()).isNull());
    EXPECT_TRUE(stringByStrippingMarkdownMetadata(QString()).isNull());
    EXPECT_FALSE(stringByStrippingMarkdownMetadata(emptyString()).isNull());
}

struct EscapeCase
{
    const char* plain;
    const char* escaped;
};

TEST(MarkdownEscaping, EscapesAndRoundTrips)
{
    const EscapeCase cases[] = {
        {"1. a_b", "1\\. a\\_b"},
        {"# 1. a", "\\# 1. a"},
        {"x\n2. y", "x\n2\\. y"},
        {"a 1. b", "a 1. b"},            // a letter came first on the line
        {"1.5", "1.5"},
        {"[a](b) *c* `d` {e} $f \\", "\\[a\\]\\(b\\) \\*c\\* \\`d\\` \\{e\\} \\$f \\\\"},
        {"plain words", "plain words"},
    };
    for (const EscapeCase& row : cases) {
        SCOPED_TRACE(row.plain);
        const QString plain = QString::fromUtf8(row.plain);
        const QString escaped = stringByConvertingCharactersToMarkdown(plain);
        EXPECT_EQ(escaped, QString::fromUtf8(row.escaped));
        EXPECT_EQ(stringByConvertingMarkdownToCharacters(escaped), plain);
        if (escaped == plain) {
            EXPECT_TRUE(escaped.isSharedWith(plain));
        }
    }
}

TEST(MarkdownEscaping, UnescapingDropsOnlyBackslashesBeforeEscapables)
{
    EXPECT_EQ(stringByConvertingMarkdownToCharacters(QStringLiteral("a\\\\*")), QStringLiteral("a*"));
    EXPECT_EQ(stringByConvertingMarkdownToCharacters(QStringLiteral("a\\\\b")), QStringLiteral("a\\b"));
    const QString lone = QString::fromUtf8("a\\b\\");
    EXPECT_TRUE(stringByConvertingMarkdownToCharacters(lone).isSharedWith(lone));
    EXPECT_TRUE(stringByConvertingMarkdownToCharacters(QString()).isNull());
    EXPECT_TRUE(stringByConvertingCharactersToMarkdown(QString()).isNull());
    EXPECT_EQ(stringByConvertingCharactersToMarkdown(emptyString()), emptyString());
}

struct RunCase
{
    const char* text;
    bool skipCode;
    QStringList runs;
};

TEST(MarkdownPlainRuns, ExcludeTargetsAndCode)
{
    const RunCase cases[] = {
        {"[x](y) abc", false, {"[x]", " abc"}},
        {"x`a`b", true, {"x", "b"}},
        {"x`a`b", false, {"x`a`b"}},
        {"[id]: http://t\nnext", false, {"[id]", "next"}},
        {"[^1]: note", false, {"[^1]: note"}},
        {"t: v\n[a](b)`c`d", true, {"[a]", "d"}},
        {"`open code", true, {}},
    };
    for (const RunCase& row : cases) {
        SCOPED_TRACE(row.text);
        EXPECT_EQ(plainRuns(QString::fromUtf8(row.text), row.skipCode), row.runs);
    }
}

TEST(MarkdownPlainRuns, StateBeforeTheRangeCounts)
{
    const QString text = QStringLiteral("a `code words` b");
    EXPECT_EQ(plainRuns(text, true, Range{5, 11}), (QStringList{QStringLiteral(" b")}));
    EXPECT_TRUE(plainRuns(text, true, Range{5, 30}).isEmpty());
}

TEST(MarkdownPlainRuns, HandlerStopsTheWalk)
{
    int calls = 0;
    enumerateMarkdownInRange(QStringLiteral("[x](y) a [z](w) b"), Range{0, 17}, false,
                             [&](const unichar*, qsizetype, qsizetype) { return ++calls == 1; });
    EXPECT_EQ(calls, 1);
}

TEST(MarkdownPlainRuns, SearchableTextKeepsRunsWithWords)
{
    EXPECT_EQ(stringByConvertingMarkdownToSearchableText(QStringLiteral("`code` word"), true), QStringLiteral(" word "));
    EXPECT_EQ(stringByConvertingMarkdownToSearchableText(QStringLiteral("[a](b) -- "), false), QStringLiteral("[a] "));
    EXPECT_TRUE(stringByConvertingMarkdownToSearchableText(QString(), true).isNull());
}

} // namespace
} // namespace sorvant
