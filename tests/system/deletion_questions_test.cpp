#include "system/deletion_questions.h"

#include "platform/file_system_representation.h"
#include "system/bundle.h"
#include "tests/support/pinned_locale.h"

#include <QFile>
#include <QHash>
#include <QRegularExpression>

#include <unicode/ubidi.h>

#include <algorithm>

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

// The text in the order a left-to-right line shows it (the interface's
// languages are written left to right), by the bidirectional algorithm,
// without its invisible controls.
QString visualOrder(const QString& text)
{
    UErrorCode status = U_ZERO_ERROR;
    UBiDi* bidi = ubidi_openSized(int32_t(text.size()), 0, &status);
    ubidi_setPara(bidi, reinterpret_cast<const UChar*>(text.utf16()), int32_t(text.size()), UBIDI_LTR, nullptr,
                  &status);
    QString visual(text.size(), Qt::Uninitialized);
    const int32_t length = ubidi_writeReordered(bidi, reinterpret_cast<UChar*>(visual.data()), int32_t(visual.size()),
                                                UBIDI_REMOVE_BIDI_CONTROLS, &status);
    ubidi_close(bidi);
    EXPECT_TRUE(U_SUCCESS(status)) << u_errorName(status);
    visual.truncate(U_SUCCESS(status) ? length : 0);
    return visual;
}

// Regression: bidirectional controls and line separators reached the
// questions as they were. "zz invoice<U+202E>txt.exe" showed as a name
// ending in ".txt" and reversed the rest of the sentence; U+2028 split a
// name over two lines. Each shows as a mark, one unit for one as in the
// table, and a name that could reorder its sentence is isolated (FSI...PDI);
// right-to-left names stay as they are, isolated.
TEST(PrintableItemName, BidirectionalControlsAndSeparatorsCannotRewriteTheSentence)
{
    const QString fsi(QChar(char16_t(0x2068)));
    const QString pdi(QChar(char16_t(0x2069)));
    const QString hebrew = QStringLiteral("\u05D7\u05E9\u05D1\u05D5\u05E0\u05D9\u05EA.txt");
    const QString arabic = QStringLiteral("\u0641\u0627\u062A\u0648\u0631\u0629 \u0661\u0662.pdf");
    const struct
    {
        const char* name;
        QString path;
        QString shown;
    } cases[] = {
        {"right-to-left override", QStringLiteral("/d/zz invoice\u202Etxt.exe"),
         fsi + QStringLiteral("zz invoice\u21C4txt.exe") + pdi},
        {"embeddings and their end", QStringLiteral("/d/\u202Aa\u202Bb\u202Cc\u202D"),
         fsi + QStringLiteral("\u21C4a\u21C4b\u21C4c\u21C4") + pdi},
        {"isolates of its own", QStringLiteral("/d/a\u2066b\u2069c\u2067d\u2068e"),
         fsi + QStringLiteral("a\u21C4b\u21C4c\u21C4d\u21C4e") + pdi},
        {"direction marks", QStringLiteral("/d/a\u200Eb\u200Fc\u061Cd"), fsi + QStringLiteral("a\u21C4b\u21C4c\u21C4d") + pdi},
        {"line separator", QStringLiteral("/d/line\u2028two"), QStringLiteral("line\u21B5two")},
        {"paragraph separator", QStringLiteral("/d/para\u2029two"), QStringLiteral("para\u21B5two")},
        {"next line", QStringLiteral("/d/next\u0085line"), QStringLiteral("next\u21B5line")},
        {"Hebrew", QStringLiteral("/d/") + hebrew, fsi + hebrew + pdi},
        {"Arabic with Arabic digits", QStringLiteral("/d/") + arabic, fsi + arabic + pdi},
        {"Latin then Hebrew", QStringLiteral("/d/report ") + hebrew, fsi + QStringLiteral("report ") + hebrew + pdi},
        {"right to left beyond the BMP", QStringLiteral("/d/\U0001E900\U0001E901.txt"),
         fsi + QStringLiteral("\U0001E900\U0001E901.txt") + pdi},
        {"left to right with accents and digits", QStringLiteral("/d/caf\u00E9 (2).txt"), QStringLiteral("caf\u00E9 (2).txt")},
        {"emoji joined by ZWJ", QStringLiteral("/d/\U0001F469\u200D\U0001F4BB.txt"), QStringLiteral("\U0001F469\u200D\U0001F4BB.txt")},
    };
    for (const auto& row : cases) {
        SCOPED_TRACE(row.name);
        EXPECT_EQ(printableItemName(row.path), row.shown);
        EXPECT_EQ(nameForSentence(row.path.mid(3)), row.shown);
    }
    // A long name is cut inside its isolates.
    const QString cut = printableItemName(QStringLiteral("/d/") + QString(100, QChar(char16_t(0x05D0))) + QStringLiteral(".txt"));
    EXPECT_EQ(cut.size(), 48 + 2);
    EXPECT_TRUE(cut.startsWith(fsi + QChar(char16_t(0x05D0))));
    EXPECT_TRUE(cut.endsWith(QStringLiteral(".txt") + pdi));
    EXPECT_EQ(nameForSentence(QStringLiteral("Operation not permitted")), QStringLiteral("Operation not permitted"));
    EXPECT_EQ(nameForSentence(QStringLiteral("")), QStringLiteral(""));
    EXPECT_TRUE(nameForSentence(QString()).isNull());
    EXPECT_FALSE(canReorderSentence(QString()));
}

// The questions as a left-to-right line shows them: the words keep their
// order around any name, and a name shows in the order it is stored.
TEST(DeleteItemsQuestion, NamesCannotReorderTheWordsAroundThem)
{
    const QString hebrew = QStringLiteral("\u05D7\u05E9\u05D1\u05D5\u05DF");
    QString reversedHebrew = hebrew;
    std::reverse(reversedHebrew.begin(), reversedHebrew.end());
    const struct
    {
        const char* label;
        QStringList paths;
        QString start;
        QString names;
        QString end;
    } cases[] = {
        {"override", {QStringLiteral("/d/zz invoice\u202Etxt.exe")}, QStringLiteral("Do you really want to delete \u201C"),
         QStringLiteral("zz invoice\u21C4txt.exe"), QStringLiteral("\u201D? This can't be undone.")},
        {"an override in the first of two", {QStringLiteral("/d/a\u202Eb"), QStringLiteral("/d/c")},
         QStringLiteral("Do you really want to delete these 2 items: \u201C"),
         QStringLiteral("a\u21C4b\u201D, \u201Cc"), QStringLiteral("\u201D? This can't be undone.")},
        // Unisolated, the digit and the comma between the names joined the
        // Hebrew run: "“1” ,”...“".
        {"Hebrew then a number", {QStringLiteral("/d/") + hebrew, QStringLiteral("/d/1")},
         QStringLiteral("Do you really want to delete these 2 items: \u201C"),
         reversedHebrew + QStringLiteral("\u201D, \u201C1"),
         QStringLiteral("\u201D? This can't be undone.")},
    };
    for (const auto& row : cases) {
        SCOPED_TRACE(row.label);
        EXPECT_EQ(visualOrder(deleteItemsQuestion(row.paths)), row.start + row.names + row.end);
        EXPECT_EQ(visualOrder(untrashableItemsQuestion(row.paths)).count(QStringLiteral("This can't be undone.")), 1);
    }
}

// Regression: the questions said "these 150000 items" where the window
// says 150,000 (150.000 in German): counts are grouped as the locale groups.
TEST(DeleteItemsQuestion, CountsAreGroupedAsTheLocaleGroupsThem)
{
    QStringList paths;
    paths.reserve(150000);
    for (int i = 0; i < 150000; ++i)
        paths.append(QStringLiteral("/d/f") + QString::number(i));
    const struct
    {
        const char* locale;
        const char* count;
        const char* more;
        const char* thousand;
    } cases[] = {{"en_US", "150,000", "149,997", "1,000"}, {"de_DE", "150.000", "149.997", "1.000"}};
    for (const auto& row : cases) {
        SCOPED_TRACE(row.locale);
        test::PinnedLocale pinned(QString::fromLatin1(row.locale), QStringLiteral("UTC"));
        const QString count = QString::fromLatin1(row.count);
        const QString more = QString::fromLatin1(row.more);
        EXPECT_EQ(deleteItemsQuestion(paths),
                  QStringLiteral("Do you really want to delete these %1 items: \u201Cf0\u201D, \u201Cf1\u201D, "
                                 "\u201Cf2\u201D and %2 more? This can't be undone.")
                      .arg(count, more));
        EXPECT_TRUE(untrashableItemsQuestion(paths).startsWith(count + QStringLiteral(" items can't")));
        EXPECT_EQ(itemNamesForQuestion(paths.mid(0, 1003)),
                  QStringLiteral("\u201Cf0\u201D, \u201Cf1\u201D, \u201Cf2\u201D and %1 more")
                      .arg(QString::fromLatin1(row.thousand)));
    }
}

// The entries of a shipped strings table ("key" = "value";), for a
// translator of the default table.
QHash<QString, QString> stringsTable(const QString& language)
{
    QFile file(findResourcesFolder() + QStringLiteral("/%1.lproj/Localizable.strings").arg(language));
    EXPECT_TRUE(file.open(QIODevice::ReadOnly)) << file.fileName().toStdString();
    const QString text = QString::fromUtf8(file.readAll());
    const QRegularExpression entry(QStringLiteral(R"re(^"((?:[^"\\]|\\.)*)"\s*=\s*"((?:[^"\\]|\\.)*)";)re"),
                                   QRegularExpression::MultilineOption);
    QHash<QString, QString> table;
    for (const QRegularExpressionMatch& match : entry.globalMatch(text))
        table.insert(match.captured(1), match.captured(2));
    return table;
}

// Regression: when the Trash refused an item, the question asked whether
// to delete it immediately without the reason already logged ("Operation
// not permitted"). The reason is said, in the question's language, shown as
// a name is (its controls marked, isolated where it could reorder the
// sentence).
TEST(UntrashableItemsQuestion, SaysWhyTheTrashRefused)
{
    const QStringList one {QStringLiteral("/d/locked.txt")};
    const QStringList two {QStringLiteral("/d/a"), QStringLiteral("/d/b")};
    const QString notPermitted = QStringLiteral("Operation not permitted");
    const QString fsi(QChar(char16_t(0x2068)));
    const QString pdi(QChar(char16_t(0x2069)));
    const struct
    {
        const char* name;
        QStringList paths;
        QString reason;
        QString english;
        QString german;
    } cases[] = {
        {"one item", one, notPermitted,
         QStringLiteral("\u201Clocked.txt\u201D can't be moved to the Trash (Operation not permitted). Do you want to "
                        "delete it immediately? This can't be undone."),
         QStringLiteral("\u201Elocked.txt\u201C kann nicht in den Papierkorb gelegt werden (Operation not permitted). "
                        "M\u00F6chten Sie es sofort l\u00F6schen? Dies kann nicht widerrufen werden.")},
        {"two items", two, notPermitted,
         QStringLiteral("2 items can't be moved to the Trash (Operation not permitted): \u201Ca\u201D, \u201Cb\u201D. Do "
                        "you want to delete them immediately? This can't be undone."),
         QStringLiteral("2 Objekte k\u00F6nnen nicht in den Papierkorb gelegt werden (Operation not permitted): "
                        "\u201Ea\u201C, \u201Eb\u201C. M\u00F6chten Sie sie sofort l\u00F6schen? Dies kann nicht "
                        "widerrufen werden.")},
        {"a reason naming a path that holds U+202E and %1", one, QStringLiteral("trash '/d/%1\u202Egnp.exe': Read-only file system"),
         QStringLiteral("\u201Clocked.txt\u201D can't be moved to the Trash (") + fsi
             + QStringLiteral("trash '/d/%1\u21C4gnp.exe': Read-only file system") + pdi
             + QStringLiteral("). Do you want to delete it immediately? This can't be undone."),
         QStringLiteral("\u201Elocked.txt\u201C kann nicht in den Papierkorb gelegt werden (") + fsi
             + QStringLiteral("trash '/d/%1\u21C4gnp.exe': Read-only file system") + pdi
             + QStringLiteral("). M\u00F6chten Sie es sofort l\u00F6schen? Dies kann nicht widerrufen werden.")},
        {"no reason", one, QString(),
         QStringLiteral("\u201Clocked.txt\u201D can't be moved to the Trash. Do you want to delete it immediately? "
                        "This can't be undone."),
         QStringLiteral("\u201Elocked.txt\u201C kann nicht in den Papierkorb gelegt werden. M\u00F6chten Sie es "
                        "sofort l\u00F6schen? Dies kann nicht widerrufen werden.")},
        {"no items", {}, notPermitted, QString(), QString()},
    };
    const auto answerFrom = [](const QHash<QString, QString>& table) {
        return [table](const QString& key, const QString& name) {
            return name.isEmpty() || name == u"Localizable" ? table.value(key) : QString();
        };
    };
    const StringTranslator previous = setStringTranslator(answerFrom(stringsTable(QStringLiteral("en"))));
    for (const auto& row : cases) {
        SCOPED_TRACE(row.name);
        EXPECT_EQ(untrashableItemsQuestion(row.paths, row.reason), row.english);
    }
    setStringTranslator(answerFrom(stringsTable(QStringLiteral("de"))));
    for (const auto& row : cases) {
        SCOPED_TRACE(row.name);
        EXPECT_EQ(untrashableItemsQuestion(row.paths, row.reason), row.german);
    }
    setStringTranslator(previous);
    EXPECT_EQ(visualOrder(untrashableItemsQuestion(one, cases[2].reason)), QString(cases[2].english).remove(fsi).remove(pdi));
}

} // namespace
} // namespace sorvant
