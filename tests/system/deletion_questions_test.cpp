#include "system/deletion_questions.h"

#include "platform/file_system_representation.h"

#include <gtest/gtest.h>

namespace sorvant {
namespace {

// Names as a question shows them: the table's marks for control characters
// (a newline showed as U+FFFD, "odd�newline", where the table shows ↵),
// U+FFFD for bytes that are no text while every surrogate pair stays whole,
// the last component only.
TEST(PrintableItemName, ShowsNamesAsTheTableDoes)
{
    const struct
    {
        const char* name;
        QString path;
        QString shown;
    } cases[] = {
        {"plain", QStringLiteral("/d/a.txt"), QStringLiteral("a.txt")},
        {"trailing slash", QStringLiteral("/d/a/"), QStringLiteral("a")},
        {"root", QStringLiteral("/"), QStringLiteral("/")},
        {"empty", QStringLiteral(""), QStringLiteral("")},
        {"newline", QStringLiteral("/d/odd\nnewline"), QStringLiteral("odd\u21B5newline")},
        {"tab and escape", QStringLiteral("/d/a\tb\x1b"), QStringLiteral("a\u2192b\u241B")},
        {"delete", QStringLiteral("/d/a\x7f"), QStringLiteral("a\u2421")},
        {"byte that is no text", QStringLiteral("/d/bad") + QChar(char16_t(0xDCFF)) + QStringLiteral("name"),
         QStringLiteral("bad\uFFFDname")},
        {"letter beyond the BMP", QStringLiteral("/d/\U0001F600.txt"), QStringLiteral("\U0001F600.txt")},
        // Pairs whose low half is in U+DC80..U+DCFF showed as "��".
        {"emoji with low halves like escaped bytes", QStringLiteral("/d/\U0001F4A9\U0001F4C1\U0001F4C4\U0001F4DD.md"),
         QStringLiteral("\U0001F4A9\U0001F4C1\U0001F4C4\U0001F4DD.md")},
        {"pair then a byte like its low half",
         stringWithFileSystemRepresentation(QByteArrayLiteral("/d/\xF0\x9F\x92\xA9\xA9")),
         QStringLiteral("\U0001F4A9\uFFFD")},
        {"bytes that are no text, decoded", stringWithFileSystemRepresentation(QByteArrayLiteral("/d/caf\xE9\xED\xB2\x80")),
         QStringLiteral("caf\uFFFD\uFFFD\uFFFD\uFFFD")},
        {"lone high half", QStringLiteral("/d/a") + QChar(char16_t(0xD83D)) + QStringLiteral("b"),
         QStringLiteral("a\uFFFDb")},
        {"lone high half at the end", QStringLiteral("/d/a") + QChar(char16_t(0xD83D)), QStringLiteral("a\uFFFD")},
        {"low half first", QStringLiteral("/d/") + QChar(char16_t(0xDCA9)) + QChar(char16_t(0xD83D)),
         QStringLiteral("\uFFFD\uFFFD")},
    };
    for (const auto& row : cases) {
        SCOPED_TRACE(row.name);
        EXPECT_EQ(printableItemName(row.path), row.shown);
    }
    EXPECT_EQ(visibleControlCharacters(QStringLiteral("\r")), QStringLiteral("\u21B5"));
    EXPECT_TRUE(visibleControlCharacters(QString()).isNull());
}

// Regression: a 247-character name was cut at the end of the delete
// question, its extension and the question mark with it. Long names are
// cut in the middle: start and extension stay, at most `longest` units.
TEST(PrintableItemName, LongNamesKeepTheirStartAndExtension)
{
    const QString longName = QString(243, u'n') + QStringLiteral(".pdf");
    const QString shown = printableItemName(QStringLiteral("/d/") + longName);
    EXPECT_EQ(shown.size(), 48);
    EXPECT_TRUE(shown.startsWith(QString(20, u'n')));
    EXPECT_TRUE(shown.endsWith(QStringLiteral("n.pdf")));
    EXPECT_EQ(shown.count(QChar(char16_t(0x2026))), 1);
    EXPECT_TRUE(deleteItemsQuestion({QStringLiteral("/d/") + longName}).contains(shown));

    const struct
    {
        const char* name;
        QString full;
        qsizetype longest;
        QString shown;
    } cases[] = {
        {"fits", QStringLiteral("short.txt"), 48, QStringLiteral("short.txt")},
        {"exactly", QStringLiteral("abcdefgh.txt"), 12, QStringLiteral("abcdefgh.txt")},
        {"no extension", QStringLiteral("abcdefghijklmnopqrstuvwx"), 12, QStringLiteral("abcdefg\u2026uvwx")},
        {"extension kept", QStringLiteral("abcdefghijklmnop.txt"), 12, QStringLiteral("abc\u2026mnop.txt")},
        {"a dot far from the end is no extension", QStringLiteral("a.") + QString(30, u'x'), 12,
         QStringLiteral("a.xxxxx\u2026xxxx")},
        {"a combining mark stays with its letter", QStringLiteral("abcdefghijklmnope\u0301xyz.txt"), 12,
         QStringLiteral("abcd\u2026xyz.txt")},
        {"pairs stay whole at the cut", QStringLiteral("\U0001F4A9").repeated(20) + QStringLiteral(".txt"), 12,
         QStringLiteral("\U0001F4A9\u2026\U0001F4A9\U0001F4A9.txt")},
        {"empty", QStringLiteral(""), 12, QStringLiteral("")},
    };
    for (const auto& row : cases) {
        SCOPED_TRACE(row.name);
        const QString cut = middleTruncatedName(row.full, row.longest);
        EXPECT_EQ(cut, row.shown);
        EXPECT_LE(cut.size(), row.longest);
    }
    EXPECT_TRUE(middleTruncatedName(QString(), 12).isNull());
}

} // namespace
} // namespace sorvant
