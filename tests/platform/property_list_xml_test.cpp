#include "platform/property_list.h"
#include "platform/property_list_bounds.h"
#include "platform/property_list_xml.h"

#include "tests/support/scan_work_bound.h"

#include <QDateTime>
#include <QTimeZone>

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cctype>
#include <limits>
#include <random>

using namespace sorvant;

namespace {

QVariant int64(qint64 value)
{
    return QVariant::fromValue<qint64>(value);
}

// --- reading ---------------------------------------------------------------------------

struct ReadCase
{
    const char* name;
    QByteArray document;
    QVariant expected;
};
void PrintTo(const ReadCase& row, std::ostream* out) { sorvant::test::printRowName(row, out); }

class XmlPropertyListReadTest : public testing::TestWithParam<ReadCase>
{
};

TEST_P(XmlPropertyListReadTest, ReadsTheValue)
{
    const ReadCase& c = GetParam();
    QString error;
    const QVariant value = readXmlPropertyList(c.document, &error);
    EXPECT_TRUE(error.isEmpty()) << error.toStdString();
    EXPECT_EQ(value.typeId(), c.expected.typeId()) << value.typeName();
    EXPECT_EQ(value, c.expected);
    // The bounds check before the reader reads it alike.
    EXPECT_EQ(propertyListFromData(c.document, &error), c.expected) << error.toStdString();
}

const char kDoctype[] = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
                        "<!DOCTYPE plist PUBLIC \"-//Apple//DTD PLIST 1.0//EN\" "
                        "\"http://www.apple.com/DTDs/PropertyList-1.0.dtd\">\n";

INSTANTIATE_TEST_SUITE_P(
    Documents, XmlPropertyListReadTest,
    testing::Values(
        ReadCase{"NamedReferences", "<plist><string>&lt;&gt;&amp;&quot;&apos;</string></plist>", "<>&\"'"},
        ReadCase{"CharacterReferences", "<plist><string>&#65;&#x42;&#X43;&#0068;&#x1F600;&#xe9;</string></plist>",
                 QString::fromUtf8("ABCD\U0001F600\u00e9")},
        ReadCase{"CdataKeepsMarkup", "<plist><string>a<![CDATA[<b>&amp;]]>c</string></plist>", "a<b>&amp;c"},
        ReadCase{"CommentInsideText", "<plist><string>a<!-- <x> -->b</string></plist>", "ab"},
        ReadCase{"LineEndsAndControlsStay", "<plist><string>a\r\nb\rc\x01\t</string></plist>",
                 QString::fromLatin1("a\r\nb\rc\x01\t")},
        ReadCase{"Utf8Text", "<plist><string>\xc3\xa9t\xc3\xa9</string></plist>", QString::fromUtf8("\u00e9t\u00e9")},
        ReadCase{"Prologue", QByteArray(kDoctype) + "<plist version=\"1.0\">\n<true/>\n</plist>\n", true},
        ReadCase{"InternalSubsetWithBrackets",
                 "<!DOCTYPE plist [ <!ENTITY x \"a>b\"> ]><?pi ?><!-- c --><plist><false/></plist>",
                 false},
        // Regression: the DOCTYPE was skipped by its brackets alone, without
        // its quoted strings: these were refused or misread.
        ReadCase{"DoctypeQuotedBracket",
                 "<!DOCTYPE plist SYSTEM \"Property[List.dtd\"><plist><true/></plist>", true},
        ReadCase{"DoctypeQuotedGreaterThan", "<!DOCTYPE plist SYSTEM 'a>b'><plist><true/></plist>", true},
        ReadCase{"DoctypeQuotedBracketAndABracketInText",
                 "<!DOCTYPE plist PUBLIC \"-//x[\" \"y\"><plist><array><string>]</string><string>&gt;</string>"
                 "</array></plist>",
                 QVariantList{"]", ">"}},
        ReadCase{"InternalSubsetWithQuotesCommentsAndInstructions",
                 "<!DOCTYPE p [ <!ENTITY x \"]>\"> <!-- ' ] > --> <?pi ]> ?> <!ATTLIST p a CDATA '['> ]>"
                 "<plist><integer>3</integer></plist>",
                 int64(3)},
        ReadCase{"NoPlistElement", "  <integer>7</integer>", int64(7)},
        ReadCase{"OnlyTheFirstValueIsRead", "<plist><integer>1</integer><integer>2</integer></plist> x", int64(1)},
        ReadCase{"AttributesIgnored", "<plist a='>'><string b=\"/>\">x</string ></plist>", "x"},
        ReadCase{"SelfClosingScalars", "<plist><array><string/><data/><integer/><true/></array></plist>",
                 QVariantList{QString(""), QByteArray(), int64(0), true}},
        ReadCase{"NestedContainers",
                 "<plist><dict>\n\t<key>a</key>\n\t<array><dict/><array/><real>1.5</real></array>\n"
                 "\t<key>b</key><dict><key>c</key><true/></dict></dict></plist>",
                 QVariantMap{{"a", QVariantList{QVariantMap{}, QVariantList{}, 1.5}},
                             {"b", QVariantMap{{"c", true}}}}},
        ReadCase{"RepeatedKeyKeepsTheLastValue",
                 "<plist><dict><key>k</key><integer>1</integer><key>k</key><integer>2</integer></dict></plist>",
                 QVariantMap{{"k", int64(2)}}},
        ReadCase{"LastKeyWithoutValueDropped", "<plist><dict><key>a</key><true/><key>b</key></dict></plist>",
                 QVariantMap{{"a", true}}},
        ReadCase{"EmptyKey", "<plist><dict><key/><string>v</string></dict></plist>", QVariantMap{{"", "v"}}},
        ReadCase{"KeyInArrayIsString", "<plist><array><key>k</key></array></plist>", QVariantList{"k"}},
        ReadCase{"IntegerBlanksAndSign", "<plist><integer> -42 </integer></plist>", int64(-42)},
        ReadCase{"IntegerHexadecimal", "<plist><integer>0x1F</integer></plist>", int64(31)},
        ReadCase{"IntegerLeadingZerosDecimal", "<plist><integer>010</integer></plist>", int64(10)},
        ReadCase{"IntegerStopsAtOtherText", "<plist><integer>12abc</integer></plist>", int64(12)},
        ReadCase{"IntegerAboveSignedRange", "<plist><integer>18446744073709551615</integer></plist>",
                 QVariant::fromValue<quint64>(std::numeric_limits<quint64>::max())},
        ReadCase{"IntegerSaturatesHigh", "<plist><integer>99999999999999999999999</integer></plist>",
                 QVariant::fromValue<quint64>(std::numeric_limits<quint64>::max())},
        ReadCase{"IntegerSaturatesLow", "<plist><integer>-9223372036854775809</integer></plist>",
                 int64(std::numeric_limits<qint64>::min())},
        ReadCase{"RealExponent", "<plist><real>-2.5e3</real></plist>", -2500.0},
        ReadCase{"RealInfinity", "<plist><real>+infinity</real></plist>", std::numeric_limits<double>::infinity()},
        ReadCase{"RealOverflowIsInfinite", "<plist><real>1e999</real></plist>",
                 std::numeric_limits<double>::infinity()},
        ReadCase{"DataWithBlanks", "<plist><data>\n\tAAH/\n\tYQ==\n</data></plist>",
                 QByteArray("\0\1\xff" "a", 4)},
        ReadCase{"DataThatDoesNotDecodeIsEmpty", "<plist><data>!!</data></plist>", QByteArray()},
        ReadCase{"BooleanTextIgnored", "<plist><true>no</true></plist>", true},
        ReadCase{"DateWholeSecondsUtc", "<plist><date>2024-03-31T01:30:05.75+02:00</date></plist>",
                 QDateTime(QDate(2024, 3, 31), QTime(1, 30, 5), QTimeZone::utc())},
        ReadCase{"DateOutsideTheWritableRange", "<plist><date>1800-01-01T00:00:00Z</date></plist>",
                 QDateTime(QDate(1800, 1, 1), QTime(0, 0), QTimeZone::utc())},
        // Regression: a date outside the years 1 to 9999 refused the whole
        // list, which binary lists read.
        ReadCase{"DateInYearZero", "<plist><date>0000-12-31T23:59:59Z</date></plist>",
                 QDateTime(QDate(-1, 12, 31), QTime(23, 59, 59), QTimeZone::utc())},
        ReadCase{"DateInYear10000", "<plist><date>10000-01-01T00:00:00Z</date></plist>",
                 QDateTime(QDate(10000, 1, 1), QTime(0, 0), QTimeZone::utc())},
        ReadCase{"DateBeforeYearZero", "<plist><date>-0044-03-15T12:00:00Z</date></plist>",
                 QDateTime(QDate(-45, 3, 15), QTime(12, 0), QTimeZone::utc())},
        // Regression: the decoding dropped a U+FEFF at the start of a text.
        ReadCase{"LeadingByteOrderMarkInTextStays", "<plist><string>\xef\xbb\xbf" "abc</string></plist>",
                 QString(QChar(0xFEFF)) + "abc"},
        ReadCase{"LeadingByteOrderMarkInKeyStays",
                 "<plist><dict><key>\xef\xbb\xbfk</key><true/><key>k</key><false/></dict></plist>",
                 QVariantMap{{QString(QChar(0xFEFF)) + "k", true}, {"k", false}}}),
    [](const testing::TestParamInfo<ReadCase>& row) { return std::string(row.param.name); });

struct BadCase
{
    const char* name;
    QByteArray document;
};
void PrintTo(const BadCase& row, std::ostream* out) { sorvant::test::printRowName(row, out); }

class XmlPropertyListRefusalTest : public testing::TestWithParam<BadCase>
{
};

TEST_P(XmlPropertyListRefusalTest, AnswersInvalidWithAReason)
{
    QString error;
    EXPECT_FALSE(readXmlPropertyList(GetParam().document, &error).isValid());
    EXPECT_FALSE(error.isEmpty());
}

INSTANTIATE_TEST_SUITE_P(
    Documents, XmlPropertyListRefusalTest,
    testing::Values(BadCase{"Empty", ""}, BadCase{"OnlyBlanks", " \n"}, BadCase{"PlainText", "junk"},
                    BadCase{"PlistWithoutValue", "<plist></plist>"}, BadCase{"EmptyPlist", "<plist/>"},
                    BadCase{"NestedPlist", "<plist><array><plist/></array></plist>"},
                    BadCase{"UnknownElement", "<plist><uid>5</uid></plist>"},
                    BadCase{"ElementNamesAreCaseSensitive", "<plist><String>x</String></plist>"},
                    BadCase{"TextInPlist", "<plist>x<true/></plist>"},
                    BadCase{"TextInDictionary", "<plist><dict>x<key>a</key><true/></dict></plist>"},
                    BadCase{"MisnamedEndTag", "<plist><string>x</strin></plist>"},
                    BadCase{"MisnamedContainerEnd", "<plist><array></dict></plist>"},
                    BadCase{"EndTagWithAttribute", "<plist><string>x</string a=''></plist>"},
                    BadCase{"UnclosedString", "<plist><string>x"},
                    BadCase{"UnclosedContainer", "<plist><array><true/>"},
                    BadCase{"UnclosedTag", "<plist><string"},
                    BadCase{"UnclosedComment", "<plist><string>a<!-- b</string></plist>"},
                    BadCase{"UnclosedCdata", "<plist><string><![CDATA[a</string></plist>"},
                    BadCase{"UnclosedDeclaration", "<!DOCTYPE plist [ <plist><true/></plist>"},
                    BadCase{"DeclarationWithAnUnclosedQuote", "<!DOCTYPE p SYSTEM \"a><plist><true/></plist>"},
                    BadCase{"SubsetWithAnUnclosedComment", "<!DOCTYPE p [ <!-- ]> --><plist><true/></plist>"},
                    BadCase{"ElementInText", "<plist><string>a<b>x</b></string></plist>"},
                    BadCase{"InstructionInText", "<plist><string>a<?pi?></string></plist>"},
                    BadCase{"BareLessThan", "<plist><string>a < b</string></plist>"},
                    BadCase{"BareAmpersand", "<plist><string>a & b</string></plist>"},
                    BadCase{"DeclaredEntity", "<!DOCTYPE p [<!ENTITY e \"x\">]><plist><string>&e;</string></plist>"},
                    BadCase{"NamedReferenceWithoutSemicolon", "<plist><string>&amp</string></plist>"},
                    BadCase{"CharacterReferenceWithoutSemicolon", "<plist><string>&#65</string></plist>"},
                    BadCase{"CharacterReferenceWithoutDigits", "<plist><string>&#x;</string></plist>"},
                    BadCase{"ReferenceToSurrogate", "<plist><string>&#xD800;</string></plist>"},
                    BadCase{"ReferencePastUnicode", "<plist><string>&#1114112;</string></plist>"},
                    BadCase{"ReferenceToNul", "<plist><string>&#0;</string></plist>"},
                    BadCase{"NestedPastTheBound", "<plist>" + QByteArray("<array>").repeated(600)},
                    BadCase{"KeyAfterKey", "<plist><dict><key>a</key><key>b</key><true/></dict></plist>"},
                    BadCase{"ValueWithoutKey", "<plist><dict><true/></dict></plist>"},
                    BadCase{"DateWithoutTime", "<plist><date>2024-03-31</date></plist>"},
                    BadCase{"DateOutOfRange", "<plist><date>2024-13-31T00:00:00Z</date></plist>"},
                    BadCase{"DateOfThreeYearDigits", "<plist><date>999-01-01T00:00:00Z</date></plist>"},
                    BadCase{"DateOfEightYearDigits", "<plist><date>10000000-01-01T00:00:00Z</date></plist>"},
                    BadCase{"DateSignWithoutYear", "<plist><date>--01-01T00:00:00Z</date></plist>"}),
    [](const testing::TestParamInfo<BadCase>& row) { return std::string(row.param.name); });

// --- writing ---------------------------------------------------------------------------

TEST(XmlPropertyListWriteTest, WritesEachTypeInTheFileLayout)
{
    const QVariantMap tree{
        {"bool", true},
        {"data", QByteArray(60, 'y')},
        {"date", QDateTime(QDate(1999, 12, 31), QTime(23, 59, 59, 500), QTimeZone::utc())},
        {"empty", QVariantMap{}},
        {"list", QVariantList{int64(-5), QVariant::fromValue<quint64>(std::numeric_limits<quint64>::max()),
                              QVariantList{QByteArray("\0\1\xff", 3)}, QVariantList{}}},
        {"reals", QVariantList{0.1, 100.0, -0.0, 1e21, std::numeric_limits<double>::quiet_NaN(),
                               -std::numeric_limits<double>::infinity()}},
        {"t<&>", QString::fromUtf8("a<b>&\"'\u00e9]]>")},
    };
    const QByteArray expected = QByteArray(kDoctype) + "<plist version=\"1.0\">\n"
                                "<dict>\n"
                                "\t<key>bool</key>\n\t<true/>\n"
                                "\t<key>data</key>\n\t<data>\n"
                                "\teXl5eXl5eXl5eXl5eXl5eXl5eXl5eXl5eXl5eXl5eXl5eXl5eXl5eXl5eXl5eXl5eXl5\n"
                                "\teXl5eXl5eXl5\n"
                                "\t</data>\n"
                                // Before 2001 a fraction is dropped toward 2001.
                                "\t<key>date</key>\n\t<date>2000-01-01T00:00:00Z</date>\n"
                                "\t<key>empty</key>\n\t<dict/>\n"
                                "\t<key>list</key>\n\t<array>\n"
                                "\t\t<integer>-5</integer>\n"
                                "\t\t<integer>18446744073709551615</integer>\n"
                                "\t\t<array>\n\t\t\t<data>\n\t\t\tAAH/\n\t\t\t</data>\n\t\t</array>\n"
                                "\t\t<array/>\n"
                                "\t</array>\n"
                                "\t<key>reals</key>\n\t<array>\n"
                                "\t\t<real>0.10000000000000001</real>\n\t\t<real>100</real>\n"
                                "\t\t<real>-0.0</real>\n\t\t<real>1e+21</real>\n"
                                "\t\t<real>nan</real>\n\t\t<real>-infinity</real>\n"
                                "\t</array>\n"
                                "\t<key>t&lt;&amp;&gt;</key>\n"
                                "\t<string>a&lt;b&gt;&amp;\"'\xc3\xa9]]&gt;</string>\n"
                                "</dict>\n"
                                "</plist>\n";
    EXPECT_EQ(xmlDataFromPropertyList(tree).toStdString(), expected.toStdString());
}

// Regression: the reader dropped a U+FEFF the writer wrote at the start of
// a string or key, so a saved key could lose its value to another.
TEST(XmlPropertyListWriteTest, LeadingByteOrderMarksReadBackAsWritten)
{
    const QString mark(QChar(0xFEFF));
    const QVariantMap tree{{"Name", "two"},
                           {mark + "Name", "one"},
                           {"Title", mark + "abc"},
                           {"Marks", mark + mark},
                           {"Long", mark + QString(200 * 1024, u'a')}};
    QString error;
    EXPECT_EQ(propertyListFromData(xmlDataFromPropertyList(tree), &error), QVariant(tree)) << error.toStdString();
    // A mark before the document is not text.
    EXPECT_EQ(propertyListFromData("\xef\xbb\xbf<plist><string>\xef\xbb\xbf</string></plist>"), QVariant(mark));
}

// Base64 lines narrow by 8 columns a level down to 12 characters under
// at most 8 tabs; a root scalar is not indented.
TEST(XmlPropertyListWriteTest, DataLinesNarrowWithDepth)
{
    QVariant value = QByteArray(30, 'z');
    const QByteArray line = QByteArray("enp6").repeated(10);
    EXPECT_TRUE(xmlDataFromPropertyList(value).contains("\n<data>\n" + line + "\n</data>\n"));
    for (int i = 0; i < 10; ++i)
        value = QVariantList{value};
    EXPECT_TRUE(xmlDataFromPropertyList(value).contains(QByteArray(10, '\t') + "<data>\n" + QByteArray(8, '\t')
                                                        + "enp6enp6enp6\n"));
}

TEST(XmlPropertyListWriteTest, TextWithLineEndsAndControlsReadsBack)
{
    const QString text = QString::fromLatin1("a\r\nb\rc\x01\x1f\t");
    const QVariantMap tree{{text, text}};
    QString error;
    EXPECT_EQ(propertyListFromData(xmlDataFromPropertyList(tree), &error), QVariant(tree)) << error.toStdString();
}

// --- linear work -----------------------------------------------------------------------

// Regression: the library's reader took time quadratic in the references
// of a string (2.6 MB of "&lt;&gt;&#65;": 12 s).
TEST(XmlPropertyListLinearWorkTest, ReferencesTakeLinearWork)
{
    test::expectLinearScanWork(
        [](qsizetype size) {
            return "<plist><string>" + QByteArray("&lt;&gt;&#65;").repeated(size / 13) + "</string></plist>";
        },
        [](const QByteArray& document) {
            const QString text = propertyListFromData(document).toString();
            EXPECT_EQ(text.size(), (document.size() - 32) / 13 * 3);
            EXPECT_TRUE(text.startsWith(QLatin1String("<>A<>A")));
        });
}

QVariantMap settingsOfSize(qsizetype bytes)
{
    QVariantMap map;
    for (qsizetype i = 0; i < bytes / 40; ++i)
        map.insert(QStringLiteral("Key%1").arg(i, 7, 10, QLatin1Char('0')), int64(i));
    return map;
}

// Regression: the settings dictionary was built key by key through the
// library and read by it in quadratic time (600,000 keys: 11 s and 12 s).
TEST(XmlPropertyListLinearWorkTest, ManyKeysAreWrittenAndReadInLinearWork)
{
    test::expectLinearScanWork(settingsOfSize, [](const QVariantMap& map) {
        EXPECT_EQ(xmlDataFromPropertyList(map).count("<key>"), map.size());
    });
    test::expectLinearScanWork(
        [](qsizetype size) { return xmlDataFromPropertyList(settingsOfSize(size)); },
        [](const QByteArray& document) {
            EXPECT_EQ(propertyListFromData(document).toMap().size(), document.count("<key>"));
        });
}

// Regression: at every cut of a long text into steps the rest of the text
// was copied, and a cut before U+FEFF moved on one byte at a time, copying
// each time: one 64 MB string took 16 s to read, 2.4 MB of U+FEFF 20 s. A
// cut now looks at the few bytes before it and a mark after it is put back.
TEST(XmlPropertyListLinearWorkTest, LongTextTakesLinearWork)
{
    const struct {
        const char* name;
        QByteArray unit;
        QByteArray before;
        QByteArray after;
        // Each cut cost a copy of the rest: texts of many steps show it (16 MB
        // and 64 MB: before, 180 ms and 16 s). Sixteen times apart, a
        // linear reader's ratio stays near 17 on a busy machine and one
        // copying the rest at each cut reaches 350.
        test::LinearWorkSizes sizes;
    } cases[] = {
        {"string", "a", "<plist><string>", "</string></plist>", {4 * 1024 * 1024, 16}},
        {"key", "\xc3\xa9", "<plist><dict><key>", "</key><true/></dict></plist>", {4 * 1024 * 1024, 16}},
        {"cdata", "a", "<plist><string><![CDATA[", "]]></string></plist>", {4 * 1024 * 1024, 16}},
        // After a letter, so that the decoding of the whole keeps the first.
        // The walk over them took minutes for 4 MB.
        {"byte-order marks", "\xef\xbb\xbf", "<plist><string>x", "</string></plist>", {64 * 1024, 16}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        test::expectLinearScanWork(
            [&](qsizetype size) { return c.before + c.unit.repeated(size / c.unit.size()) + c.after; },
            [&](const QByteArray& document) {
                const QVariant value = readXmlPropertyList(document);
                // The key's text, or the string's.
                const QStringList keys = value.toMap().keys();
                const QString text = keys.isEmpty() ? value.toString() : keys.constFirst();
                const qsizetype units = (document.size() - c.before.size() - c.after.size()) / c.unit.size();
                EXPECT_EQ(text.size(), units + (c.before.endsWith('x') ? 1 : 0));
            },
            c.sizes);
    }
}

} // namespace

namespace {

// --- long texts in steps -------------------------------------------------------------------

// A long text is decoded in pieces cut where decoding the pieces apart gives
// what decoding the whole gives: valid, damaged and byte-order-mark bytes
// alike, compared with Qt's decoding of the whole.
TEST(XmlPropertyListLongTextTest, LongTextReadsAsDecodedWhole)
{
    const char* const pieces[] = {"a", "\xc3\xa9", "\xe2\x82\xac", "\xf0\x9f\x92\xa9", "\xed\xa0\x80", "\xc0\x80",
                                  "\x80", "\xef\xbb\xbf", "\xe2\x82", "\xf4\x90\x80\x80", "\xff", "\n"};
    std::mt19937 random(53);
    for (int round = 0; round < 4; ++round) {
        SCOPED_TRACE(round);
        QByteArray utf8;
        while (utf8.size() < 600 * 1024)
            utf8 += pieces[random() % std::size(pieces)];
        QString error;
        const QVariant value = readXmlPropertyList("<plist><string>" + utf8 + "</string></plist>", &error);
        ASSERT_TRUE(value.isValid()) << error.toStdString();
        EXPECT_TRUE(value.toString() == QString::fromUtf8(utf8));
    }
}

// Long data is decoded in whole quanta, as the decoding of the whole would
// decode it: padding only at the end, damage anywhere gives empty data.
TEST(XmlPropertyListLongTextTest, LongDataReadsAsDecodedWhole)
{
    QByteArray bytes(700 * 1024, '\0');
    for (qsizetype i = 0; i < bytes.size(); ++i)
        bytes[i] = char(i * 7919 % 251);
    const QByteArray encoded = bytes.toBase64();
    const struct {
        const char* name;
        QByteArray base64;
    } cases[] = {
        {"whole", encoded},
        {"without its padding", encoded.left(encoded.size() - 1).replace('=', "")},
        {"padding in the middle", encoded.left(400 * 1024) + "AB==" + encoded.mid(400 * 1024)},
        {"padding after the padding", encoded + "===="},
        {"a wrong character far in", encoded.left(500 * 1024) + "!" + encoded.mid(500 * 1024)},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const auto whole = QByteArray::fromBase64Encoding(c.base64, QByteArray::AbortOnBase64DecodingErrors);
        QByteArray lines;
        for (qsizetype at = 0; at < c.base64.size(); at += 68)
            lines += "\t" + c.base64.mid(at, 68) + "\n";
        QString error;
        const QVariant value = readXmlPropertyList("<plist><data>\n" + lines + "</data></plist>", &error);
        ASSERT_TRUE(value.isValid()) << error.toStdString();
        EXPECT_TRUE(value.toByteArray() == (whole ? *whole : QByteArray()));
    }
    EXPECT_TRUE(readXmlPropertyList("<plist><data>" + encoded + "</data></plist>").toByteArray() == bytes);
}

// --- stopping ------------------------------------------------------------------------------

// A document of one large part, a few MB, named by where a read may spend
// its time.
QByteArray largeDocuments(const char* part)
{
    constexpr qsizetype kSize = 3 * 1024 * 1024;
    const QByteArray run(kSize, 'a');
    const QString name = QString::fromLatin1(part);
    if (name == "string")
        return "<plist><string>" + run + "</string></plist>";
    if (name == "wide string")
        return "<plist><string>" + QByteArray("\xc3\xa9").repeated(kSize / 2) + "</string></plist>";
    if (name == "data")
        return "<plist><data>" + QByteArray("QUJD\n").repeated(kSize / 5) + "</data></plist>";
    if (name == "key")
        return "<plist><dict><key>" + run + "</key><true/></dict></plist>";
    if (name == "comment")
        return "<plist><!--" + run + "--><true/></plist>";
    if (name == "cdata")
        return "<plist><string><![CDATA[" + run + "]]></string></plist>";
    if (name == "quoted declaration")
        return "<!DOCTYPE plist SYSTEM \"" + run + "\"><plist><true/></plist>";
    if (name == "internal subset")
        return "<!DOCTYPE plist [" + run + "]><plist><true/></plist>";
    if (name == "attribute")
        return "<plist a='" + run + "'><true/></plist>";
    if (name == "integer")
        return "<plist><integer>" + QByteArray(kSize, '0') + "7</integer></plist>";
    if (name == "reference")
        return "<plist><string>&#" + QByteArray(kSize, '0') + "65;</string></plist>";
    return "<plist><string>" + QByteArray("&lt;").repeated(kSize / 4) + "</string></plist>";
}

class XmlPropertyListStopTest : public testing::TestWithParam<const char*>
{
};

// Regression: a stop was looked at only between elements and not in the
// bounds check's scans: 278 ms went by inside one 63 MB string, 823 ms
// inside one data element. Every 256 KB of work (and a step) a read looks,
// wherever it is, and a stop it sees ends it.
TEST_P(XmlPropertyListStopTest, EveryPartLooksAtTheStopAsItGoes)
{
    const QByteArray document = largeDocuments(GetParam());
    std::atomic<bool> stop{false};
    QList<qsizetype> looks;
    {
        const PropertyListReadStop scope(stop, [&](qsizetype passed) { looks.append(passed); });
        QString error;
        ASSERT_TRUE(propertyListFromData(document, &error).isValid()) << error.toStdString();
    }
    ASSERT_FALSE(looks.isEmpty());
    const qsizetype most = *std::max_element(looks.cbegin(), looks.cend());
    EXPECT_LE(most, PropertyListStopCheck::kInterval + PropertyListStopCheck::kStep + 8);
    // The bounds check and the reader each pass the whole document.
    EXPECT_GE(looks.size(), 2 * document.size() / (PropertyListStopCheck::kInterval + PropertyListStopCheck::kStep));

    // A stop set at any look ends the read there.
    for (const qsizetype at : {qsizetype(1), looks.size() / 3, looks.size() / 2, looks.size() - 1}) {
        SCOPED_TRACE(at);
        stop = false;
        qsizetype seen = 0;
        const PropertyListReadStop scope(stop, [&](qsizetype) {
            if (++seen == at)
                stop = true;
        });
        QString error;
        EXPECT_FALSE(propertyListFromData(document, &error).isValid());
        EXPECT_EQ(error, QStringLiteral("The reading was stopped"));
        EXPECT_EQ(seen, at);
    }
}

INSTANTIATE_TEST_SUITE_P(LargeParts, XmlPropertyListStopTest,
                         testing::Values("string", "wide string", "data", "key", "comment", "cdata",
                                         "quoted declaration", "internal subset", "attribute", "integer",
                                         "reference", "references"),
                         [](const testing::TestParamInfo<const char*>& row) {
                             std::string name;
                             for (const char* c = row.param; *c; ++c) {
                                 if (*c != ' ')
                                     name += char(c == row.param || c[-1] == ' ' ? std::toupper(*c) : *c);
                             }
                             return name;
                         });

// Regression: a cut before U+FEFF moved on through the whole run of them
// without looking at the stop, so a stop waited for all of it (2.4 MB: 20 s
// and more; the walk was nearly the whole read). Looks now come every
// 256 KB of work through the whole read, so the longest stretch of CPU
// time between two is a small part of the read's (the bounds check, the
// text's scan and its decoding each pass the document's 4 MB: measured,
// 0.08 to 0.14 of the read), under half of it. The least of three reads'
// shares counts: noise only lengthens a stretch.
TEST(XmlPropertyListStopTest, LongTextOfByteOrderMarksLooksAtTheStopAsItGoes)
{
    const QByteArray document =
        "<plist><string>" + QByteArray("\xef\xbb\xbf").repeated(4 * 1024 * 1024 / 3) + "</string></plist>";
    double least = 1;
    for (int round = 0; round < 3; ++round) {
        std::atomic<bool> stop{false};
        auto last = test::threadCpuTime();
        auto longest = std::chrono::nanoseconds(0);
        const PropertyListReadStop scope(stop, [&](qsizetype) {
            const auto now = test::threadCpuTime();
            longest = std::max(longest, now - last);
            last = now;
        });
        const auto start = test::threadCpuTime();
        last = start;
        ASSERT_TRUE(propertyListFromData(document).isValid());
        longest = std::max(longest, test::threadCpuTime() - last);
        const auto whole = std::max(test::threadCpuTime() - start, std::chrono::nanoseconds(1));
        least = std::min(least, double(longest.count()) / double(whole.count()));
    }
    EXPECT_LE(least, 0.5) << "the longest stretch without a look is " << least << " of the read";
}

} // namespace
