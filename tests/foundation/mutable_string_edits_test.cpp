#include "foundation/mutable_string_edits.h"

#include "foundation/lines.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>

namespace sorvant {
namespace {

struct EditCase
{
    const char* name;
    std::function<void(QString&)> edit;
    QString input;
    QString expected;
};
void PrintTo(const EditCase& row, std::ostream* out) { test::printRowName(row, out); }

class MutableStringEdits : public testing::TestWithParam<EditCase> {};

TEST_P(MutableStringEdits, Edits)
{
    const EditCase& row = GetParam();
    QString text = row.input;
    row.edit(text);
    EXPECT_EQ(text.toStdString(), row.expected.toStdString());
}

std::string editName(const testing::TestParamInfo<EditCase>& row)
{
    return row.param.name;
}

QString s(const char16_t* text)
{
    return QString::fromUtf16(text);
}

INSTANTIATE_TEST_SUITE_P(
    CaseAndAppend, MutableStringEdits,
    testing::Values(
        EditCase{"lowercaseFull", lowercase, s(u"\u0130A"), s(u"i\u0307a")},
        EditCase{"uppercaseFull", uppercase, s(u"stra\u00dfe"), s(u"STRASSE")},
        EditCase{"capitalizeWords", capitalize, s(u"hello wORLD"), s(u"Hello World")},
        EditCase{"appendSubstring", [](QString& text) { appendSubstring(text, s(u"abcd"), {1, 2}); }, s(u"x"), s(u"xbc")},
        EditCase{"appendSubstringOutside", [](QString& text) { appendSubstring(text, s(u"ab"), {1, 5}); }, s(u"x"), s(u"x")},
        EditCase{"appendUnichar", [](QString& text) { appendUnichar(text, 0x03B1); }, s(u"x"), s(u"x\u03b1")},
        EditCase{"appendUnichars", [](QString& text) { appendUnichars(text, u"yz", 2); }, s(u"x"), s(u"xyz")},
        EditCase{"appendUnicharsNull", [](QString& text) { appendUnichars(text, nullptr, 3); }, s(u"x"), s(u"x")},
        EditCase{"appendTrimmed", [](QString& text) { appendTrimmedString(text, s(u" \u3000a b\r\n\u0085")); }, s(u"x"),
                 s(u"xa b")},
        EditCase{"appendTrimmedKeepsBom", [](QString& text) { appendTrimmedString(text, s(u"\ufeffa")); }, s(u""),
                 s(u"\ufeffa")},
        EditCase{"insert", [](QString& text) { insertCharacter(text, u'-', 1); }, s(u"ab"), s(u"a-b")},
        EditCase{"insertAtEnd", [](QString& text) { insertCharacter(text, u'-', 2); }, s(u"ab"), s(u"ab-")},
        EditCase{"insertPastEnd", [](QString& text) { insertCharacter(text, u'-', 3); }, s(u"ab"), s(u"ab")},
        EditCase{"removeAt", [](QString& text) { removeCharacterAtIndex(text, 0); }, s(u"ab"), s(u"b")},
        EditCase{"removeAtPastEnd", [](QString& text) { removeCharacterAtIndex(text, 2); }, s(u"ab"), s(u"ab")},
        EditCase{"removeAttachmentsKeeps", removeAttachments, s(u"a\ufffcb"), s(u"a\ufffcb")}),
    editName);

INSTANTIATE_TEST_SUITE_P(
    Removing, MutableStringEdits,
    testing::Values(
        EditCase{"tabsOnly", removeTabs, s(u"\t\t"), s(u"")},
        EditCase{"characterAbsent", [](QString& text) { removeCharacters(text, u'z'); }, s(u"abc"), s(u"abc")},
        EditCase{"characterRuns", [](QString& text) { removeCharacters(text, u'-'); }, s(u"--a-b--"), s(u"ab")},
        EditCase{"ofString", [](QString& text) { removeCharactersOfString(text, s(u"-_")); }, s(u"a-b_c"), s(u"abc")},
        EditCase{"ofNullString", [](QString& text) { removeCharactersOfString(text, QString()); }, s(u"a-b"), s(u"a-b")},
        EditCase{"feeds", removeFeeds, s(u"a\r\nb\u2028c\ufeff"), s(u"abc")},
        EditCase{"spacesKeepLineEnds", removeSpaces, s(u"a \tb\nc\u00a0"), s(u"ab\nc")},
        EditCase{"whiteSpaces", removeWhiteSpaces, s(u" a\r\n b\u3000"), s(u"ab")},
        EditCase{"digitsAllScripts", removeDigits, s(u"a1b\u0662c"), s(u"abc")}),
    editName);

INSTANTIATE_TEST_SUITE_P(
    Collapsing, MutableStringEdits,
    testing::Values(EditCase{"tabBecomesSpace", removeMultipleSpaces, s(u"a\tb"), s(u"a b")},
                    EditCase{"spaceRun", removeMultipleSpaces, s(u"  a   b  "), s(u" a b ")},
                    EditCase{"spacesKeepLineEnd", removeMultipleSpaces, s(u"a \n b"), s(u"a \n b")},
                    EditCase{"runAfterSingleSpaces", removeMultipleSpaces, s(u"a b c  d\t"), s(u"a b c d ")},
                    EditCase{"onlySpaces", removeMultipleSpaces, s(u" \t \t"), s(u" ")},
                    EditCase{"whiteRunWithLineEnds", removeMultipleWhiteSpaces, s(u"a\r\n\t b"), s(u"a b")},
                    EditCase{"whiteEdgesNotTrimmed", removeMultipleWhiteSpaces, s(u"\n\na\n\n"), s(u" a ")},
                    EditCase{"feedsCrLfPairs", removeMultipleFeeds, s(u"a\r\n\r\nb  c"), s(u"a\nb  c")},
                    EditCase{"lonelyCrBecomesLf", removeMultipleFeeds, s(u"a\rb"), s(u"a\nb")}),
    editName);

INSTANTIATE_TEST_SUITE_P(
    Trimming, MutableStringEdits,
    testing::Values(EditCase{"white", trimWhiteSpaces, s(u" \t\na b\u2029 "), s(u"a b")},
                    EditCase{"whiteOnly", trimWhiteSpaces, s(u" \n "), s(u"")},
                    EditCase{"prefix", [](QString& text) { trimPrefixCharacter(text, u'-'); }, s(u"--a-"), s(u"a-")},
                    EditCase{"prefixWhole", [](QString& text) { trimPrefixCharacter(text, u'-'); }, s(u"---"), s(u"")},
                    EditCase{"suffix", [](QString& text) { trimSuffixCharacter(text, u'-'); }, s(u"--a-"), s(u"--a")},
                    EditCase{"both", [](QString& text) { trimCharacter(text, u'"'); }, s(u"\"\"a\""), s(u"a")},
                    EditCase{"feedsTrailingOnly", trimFeeds, s(u"\r\na\r\n"), s(u"\r\na")},
                    EditCase{"feedsMixedRun", trimFeeds, s(u"a \n\u2028\r"), s(u"a ")}),
    editName);

INSTANTIATE_TEST_SUITE_P(
    Tabs, MutableStringEdits,
    testing::Values(EditCase{"decode", [](QString& text) { decodeTabs(text, 4); }, s(u"a\tb"), s(u"a   b")},
                    EditCase{"decodeAfterLineEnd", [](QString& text) { decodeTabs(text, 4); }, s(u"ab\n\tb"),
                             s(u"ab\n    b")},
                    EditCase{"decodeAtStop", [](QString& text) { decodeTabs(text, 2); }, s(u"ab\tc\t"), s(u"ab  c ")},
                    EditCase{"decodeWidthZero", [](QString& text) { decodeTabs(text, 0); }, s(u"a\tb"), s(u"a\tb")},
                    EditCase{"encodeReachesStop", [](QString& text) { encodeTabs(text, 4); }, s(u"abc d"), s(u"abc\td")},
                    EditCase{"encodeShortOfStop", [](QString& text) { encodeTabs(text, 4); }, s(u"ab d"), s(u"ab d")},
                    EditCase{"encodeRunWithTab", [](QString& text) { encodeTabs(text, 4); }, s(u"a  \tb"), s(u"a\tb")},
                    EditCase{"encodeAfterLineEnd", [](QString& text) { encodeTabs(text, 4); }, s(u"abcdef\n    x"),
                             s(u"abcdef\n\tx")},
                    EditCase{"encodeWidthZero", [](QString& text) { encodeTabs(text, 0); }, s(u"    "), s(u"    ")}),
    editName);

TEST(MutableStringEdits, DecodeThenEncodeRestoresTabsAtStops)
{
    const QString original = QStringLiteral("name\tvalue\n\tindented\tx\n");
    for (qsizetype width : {2, 4, 8}) {
        SCOPED_TRACE(width);
        QString text = original;
        decodeTabs(text, width);
        EXPECT_FALSE(text.contains(QLatin1Char('\t')));
        encodeTabs(text, width);
        QString again = text;
        decodeTabs(again, width);
        QString decoded = original;
        decodeTabs(decoded, width);
        EXPECT_EQ(again, decoded);
    }
}

TEST(MutableStringEdits, UnchangedStringIsNotCopiedAndNullStaysNull)
{
    QString text = QString::fromLatin1("abc");
    const QChar* before = text.constData();
    removeTabs(text);
    removeMultipleSpaces(text);
    trimWhiteSpaces(text);
    trimFeeds(text);
    encodeTabs(text, 4);
    EXPECT_EQ(text.constData(), before);

    QString nil;
    removeDigits(nil);
    removeMultipleWhiteSpaces(nil);
    trimCharacter(nil, u'x');
    decodeTabs(nil, 4);
    EXPECT_TRUE(nil.isNull());
}

struct ReplaceCase
{
    const char* name;
    std::function<qsizetype(QString&)> replace;
    QString input;
    qsizetype count;
    QString expected;
};
void PrintTo(const ReplaceCase& row, std::ostream* out) { test::printRowName(row, out); }

class CountedReplacements : public testing::TestWithParam<ReplaceCase> {};

TEST_P(CountedReplacements, ReplaceAndCount)
{
    const ReplaceCase& row = GetParam();
    QString text = row.input;
    EXPECT_EQ(row.replace(text), row.count);
    EXPECT_EQ(text.toStdString(), row.expected.toStdString());
}

INSTANTIATE_TEST_SUITE_P(
    Cases, CountedReplacements,
    testing::Values(
        ReplaceCase{"character", [](QString& text) { return replaceCharacter(text, u'.', u'/'); }, s(u"a.b.c"), 2,
                    s(u"a/b/c")},
        ReplaceCase{"characterEmpty", [](QString& text) { return replaceCharacter(text, u'.', u'/'); }, s(u""), 0, s(u"")},
        ReplaceCase{"characterCaseSensitive", [](QString& text) { return replaceCharacter(text, u'a', u'x', true); },
                    s(u"aA"), 1, s(u"xA")},
        ReplaceCase{"characterIgnoringCase", [](QString& text) { return replaceCharacter(text, u'a', u'x', false); },
                    s(u"aAb"), 2, s(u"xxb")},
        ReplaceCase{"string", [](QString& text) { return replaceString(text, s(u"ab"), s(u"X")); }, s(u"abcab"), 2,
                    s(u"XcX")},
        ReplaceCase{"stringNotRescanned", [](QString& text) { return replaceString(text, s(u"a"), s(u"aa")); }, s(u"aa"), 2,
                    s(u"aaaa")},
        ReplaceCase{"stringNullReplacementDeletes", [](QString& text) { return replaceString(text, s(u"b"), QString()); },
                    s(u"abab"), 2, s(u"aa")},
        ReplaceCase{"stringNullTarget", [](QString& text) { return replaceString(text, QString(), s(u"x")); }, s(u"ab"), 0,
                    s(u"ab")},
        ReplaceCase{"stringIgnoringCase", [](QString& text) { return replaceString(text, s(u"x"), s(u"-"), false); },
                    s(u"aXbx"), 2, s(u"a-b-")},
        ReplaceCase{"stringFullFolding",
                    [](QString& text) { return replaceString(text, s(u"stra\u00dfe"), s(u"road"), false); },
                    s(u"STRASSE 1"), 1, s(u"road 1")},
        ReplaceCase{"deleteString", [](QString& text) { return deleteString(text, s(u"--")); }, s(u"a--b--"), 2, s(u"ab")},
        ReplaceCase{"deleteStringEmptyTarget", [](QString& text) { return deleteString(text, s(u"")); }, s(u"ab"), 0,
                    s(u"ab")},
        ReplaceCase{"withFormat",
                    [](QString& text) { return replaceStringWithFormat(text, s(u"#"), s(u"%d"), 7); }, s(u"a#b#"), 2,
                    s(u"a7b7")},
        ReplaceCase{"withPackedFormatArguments",
                    [](QString& text) {
                        return replaceStringWithFormatArguments(text, s(u"#"), s(u"%2$@%1$@"), {s(u"x"), 3});
                    },
                    s(u"#a#"), 2, s(u"3xa3x")},
        ReplaceCase{"withNullFormat",
                    [](QString& text) { return replaceStringWithFormat(text, s(u"#"), QString()); }, s(u"a#b"), 0,
                    s(u"a#b")}),
    [](const testing::TestParamInfo<ReplaceCase>& row) { return std::string(row.param.name); });

} // namespace
} // namespace sorvant
