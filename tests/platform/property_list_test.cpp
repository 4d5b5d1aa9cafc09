#include "platform/atomic_file.h"
#include "platform/property_list.h"
#include "platform/property_list_omissions.h"
#include "platform/property_list_xml.h"

#include "tests/support/temp_tree.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QTimeZone>

#include <gtest/gtest.h>

#include <sys/stat.h>

#include <atomic>
#include <cmath>
#include <cstring>
#include <limits>

using namespace sorvant;

namespace {

// The deepest nesting read: the root array and 512 levels below it.
constexpr int kDeepestAccepted = 513;

QVariant roundTrip(const QVariant& value)
{
    QString error;
    const QByteArray xml = xmlDataFromPropertyList(value, &error);
    EXPECT_FALSE(xml.isEmpty()) << error.toStdString();
    return propertyListFromData(xml, &error);
}

struct ScalarCase
{
    const char* name;
    QVariant written;
    QVariant read; // what comes back; the written value when invalid
};
void PrintTo(const ScalarCase& row, std::ostream* out) { sorvant::test::printRowName(row, out); }

class PropertyListScalarTest : public testing::TestWithParam<ScalarCase>
{
};

TEST_P(PropertyListScalarTest, KeepsValueAndType)
{
    const ScalarCase& c = GetParam();
    const QVariant expected = c.read.isValid() ? c.read : c.written;
    const QVariant back = roundTrip(QVariantList{c.written}).toList().value(0);
    EXPECT_EQ(back.typeId(), expected.typeId()) << back.typeName();
    EXPECT_EQ(back, expected);
    EXPECT_EQ(propertyListValue(c.written), back);
}

const QDateTime kDate(QDate(2024, 3, 31), QTime(1, 30, 5), QTimeZone::utc());

INSTANTIATE_TEST_SUITE_P(
    Scalars, PropertyListScalarTest,
    testing::Values(
        ScalarCase{"True", QVariant(true), {}},
        ScalarCase{"False", QVariant(false), {}},
        ScalarCase{"IntBecomesInt64", QVariant(42), QVariant::fromValue<qint64>(42)},
        ScalarCase{"Negative", QVariant::fromValue<qint64>(-5), {}},
        ScalarCase{"Int64Min", QVariant::fromValue<qint64>(std::numeric_limits<qint64>::min()), {}},
        ScalarCase{"Int64Max", QVariant::fromValue<qint64>(std::numeric_limits<qint64>::max()), {}},
        ScalarCase{"UInt64Max", QVariant::fromValue<quint64>(std::numeric_limits<quint64>::max()), {}},
        ScalarCase{"SmallUnsignedBecomesInt64", QVariant::fromValue<quint64>(7), QVariant::fromValue<qint64>(7)},
        ScalarCase{"Real", QVariant(0.1), {}},
        ScalarCase{"FloatBecomesDouble", QVariant(1.5f), QVariant(1.5)},
        ScalarCase{"String", QVariant(QStringLiteral("a<b&\"é\" \U0001F600")), {}},
        ScalarCase{"EmptyString", QVariant(QString("")), {}},
        ScalarCase{"Data", QVariant(QByteArray("\0\1\xff", 3)), {}},
        ScalarCase{"Date", QVariant(kDate), {}},
        // Regression: dates outside 1933 to 2069 read but were refused by the
        // writer, so no settings file holding one could be saved.
        ScalarCase{"DateIn2100", QVariant(QDateTime(QDate(2100, 1, 1), QTime(0, 0), QTimeZone::utc())), {}},
        ScalarCase{"DateIn1900", QVariant(QDateTime(QDate(1900, 6, 30), QTime(12, 0, 1), QTimeZone::utc())), {}},
        ScalarCase{"DateInTheFirstYear", QVariant(QDateTime(QDate(1, 1, 1), QTime(0, 0), QTimeZone::utc())), {}},
        ScalarCase{"DateInTheLastYear",
                   QVariant(QDateTime(QDate(9999, 12, 31), QTime(23, 59, 59), QTimeZone::utc())), {}}),
    [](const testing::TestParamInfo<ScalarCase>& row) { return std::string(row.param.name); });

TEST(PropertyListTest, NestedTreeSurvivesXmlAndBinaryIsRead)
{
    const QVariantMap tree{
        {"list", QVariantList{1, "two", QVariantMap{{"x", 3.5}}}},
        {"empty", QVariantMap{}},
        {"names", QStringList{"a", "b"}},
    };
    const QVariant back = roundTrip(tree);
    EXPECT_EQ(back.toMap().value("list").toList().value(2).toMap().value("x"), QVariant(3.5));
    EXPECT_EQ(back.toMap().value("names"), QVariant(QVariantList{"a", "b"}));
    EXPECT_EQ(back.toMap().value("empty").typeId(), QMetaType::QVariantMap);

    // A binary list: {"big": 2^64 - 1, "k": 7, "neg": -3}.
    const QByteArray binary = QByteArray::fromHex(
        "62706c6973743030d301020304050653626967516b536e6567140000000000000000ffffffffffffffff100713ffffffff"
        "fffffffd080f1315192a2c0000000000000101000000000000000700000000000000000000000000000035");
    const QVariantMap read = propertyListFromData(binary).toMap();
    EXPECT_EQ(read.value("k"), QVariant::fromValue<qint64>(7));
    EXPECT_EQ(read.value("neg"), QVariant::fromValue<qint64>(-3));
    EXPECT_EQ(read.value("big"), QVariant::fromValue<quint64>(std::numeric_limits<quint64>::max()));
}

TEST(PropertyListTest, RejectsWhatIsNotAPropertyList)
{
    for (const QByteArray& data : {QByteArray(), QByteArray("junk"), QByteArray("<plist><dict><key>a</key>"),
                                   QByteArray("bplist00\x01\x02")}) {
        SCOPED_TRACE(data.toStdString());
        QString error;
        EXPECT_FALSE(propertyListFromData(data, &error).isValid());
        EXPECT_FALSE(error.isEmpty());
    }
}

// A binary property list of `count` arrays, each holding the next one
// `fanout` times (the last one empty); with `cycle` the last holds the first.
QByteArray bigEndian(quint64 value, int size)
{
    QByteArray bytes(size, '\0');
    for (int i = size - 1; i >= 0; --i, value >>= 8)
        bytes[i] = char(value & 0xFF);
    return bytes;
}

// A binary property list whose only object is `object` (marker and bytes).
QByteArray binaryWithOneObject(const QByteArray& object)
{
    const QByteArray data = "bplist00" + object;
    return data + char(8) + QByteArray(6, '\0') + char(1) + char(1) + bigEndian(1, 8) + bigEndian(0, 8)
           + bigEndian(quint64(data.size()), 8);
}

QByteArray nestedBinaryArrays(quint32 count, int fanout, bool cycle = false)
{
    QByteArray data("bplist00");
    QByteArray offsets;
    for (quint32 i = 0; i < count; ++i) {
        offsets += bigEndian(quint64(data.size()), 4);
        const bool last = i + 1 == count;
        if (last && !cycle) {
            data += char(0xA0);
            continue;
        }
        data += char(0xA0 | fanout);
        for (int k = 0; k < fanout; ++k)
            data += bigEndian(last ? 0 : i + 1, 4);
    }
    const quint64 tableOffset = quint64(data.size());
    data += offsets;
    data += QByteArray(6, '\0') + char(4) + char(4) + bigEndian(count, 8) + bigEndian(0, 8) + bigEndian(tableOffset, 8);
    return data;
}

template <qsizetype N>
QByteArray withNul(const char (&text)[N])
{
    return QByteArray(text, N - 1);
}

QByteArray nestedXmlArrays(int count)
{
    return "<plist>" + QByteArray("<array>").repeated(count) + QByteArray("</array>").repeated(count) + "</plist>";
}

TEST(PropertyListTest, HostileDataIsRefusedWithoutCrashing)
{
    const struct {
        const char* name;
        QByteArray data;
    } cases[] = {
        {"NUL in a string", withNul("<?xml version=\"1.0\"?>\n<plist version=\"1.0\"><dict><key>CFBundleName</key>"
                                    "<string>a\0b</string></dict></plist>\n")},
        {"reference to NUL", "<plist><dict><key>A</key><string>a&#x000;b</string></dict></plist>"},
        {"200,000 nested XML arrays", nestedXmlArrays(200000)},
        {"XML nested past the bound", nestedXmlArrays(kDeepestAccepted + 2)},
        {"100,000 nested binary arrays", nestedBinaryArrays(100000, 1)},
        {"binary nested past the bound", nestedBinaryArrays(kDeepestAccepted + 2, 1)},
        {"binary array holding itself", nestedBinaryArrays(3, 1, true)},
        {"binary shared 2^40 times", nestedBinaryArrays(40, 2)},
        {"binary reference past the end", nestedBinaryArrays(2, 1).replace(QByteArray("\x00\x00\x00\x01", 4),
                                                                           QByteArray("\x00\x00\x01\x00", 4))},
        {"binary trailer cut short", nestedBinaryArrays(2, 1).chopped(5)},
        {"NUL in a binary string", binaryWithOneObject(withNul("\x53" "a\0b"))},
        {"NUL in a binary UTF-16 string", binaryWithOneObject(withNul("\x62" "\0a\0\0"))},
        {"binary string past the end", binaryWithOneObject("\x5F\x10\x40" "abc")},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        QString error;
        EXPECT_FALSE(propertyListFromData(c.data, &error).isValid());
        EXPECT_FALSE(error.isEmpty());
    }
    // What lies within the bounds is still read.
    EXPECT_EQ(propertyListFromData(nestedXmlArrays(kDeepestAccepted)).typeId(), QMetaType::QVariantList);
    EXPECT_EQ(propertyListFromData(nestedBinaryArrays(kDeepestAccepted, 1)).typeId(), QMetaType::QVariantList);
    EXPECT_EQ(propertyListFromData(nestedBinaryArrays(16, 2)).typeId(), QMetaType::QVariantList);
    EXPECT_EQ(propertyListFromData(binaryWithOneObject("\x53" "abc")), QVariant("abc"));
    EXPECT_EQ(propertyListFromData(binaryWithOneObject(withNul("\x62" "\0a\0b"))), QVariant("ab"));
    EXPECT_EQ(propertyListFromData("<plist><string>a&#10;&#x20;&amp;</string></plist>"), QVariant("a\n &"));
}

// A list holding a list… `depth` deep, the innermost one empty.
QVariant nestedLists(int depth)
{
    QVariant value = QVariantList{};
    for (int i = 1; i < depth; ++i)
        value = QVariantList{value};
    return value;
}

const QDateTime kYear10000(QDate(10000, 1, 1), QTime(0, 0), QTimeZone::utc());

// Regression: the writer answered YES while it cut text at a NUL and wrote
// an unpaired surrogate as "?": what it cannot write faithfully it refuses,
// saying what and where.
TEST(PropertyListTest, RefusesValuesWithoutPropertyListForm)
{
    const QString highAlone = QStringLiteral("a") + QChar(0xD83D) + QStringLiteral("b");
    const QString lowAlone = QChar(0xDE00) + QStringLiteral("b");
    const struct {
        const char* name;
        QVariant value;
        const char* reason; // a part of the error
    } cases[] = {
        {"nil", QVariant(), "has no property-list form"},
        {"null marker", QVariant::fromValue(nullptr), "std::nullptr_t"},
        {"nil in a list", QVariant(QVariantList{1, QVariant()}), "At '1': "},
        {"date past 9999", QVariant(QVariantMap{{"d", kYear10000}}), "At 'd': The date"},
        {"invalid date", QVariant(QDateTime()), "invalid date"},
        {"NUL in text", QVariant(QVariantMap{{"k", QVariantList{QString::fromUtf8("a\0b", 3)}}}), "At 'k/0': The text holds a NUL"},
        {"NUL in a key", QVariant(QVariantMap{{QString::fromUtf8("a\0b", 3), 1}}), "At 'a\\0b': The text holds a NUL"},
        {"unpaired high surrogate", QVariant(highAlone), "unpaired surrogate (U+D83D)"},
        {"nested too deeply", nestedLists(kDeepestAccepted + 1), "nested too deeply"},
        {"unpaired low surrogate", QVariant(QStringList{lowAlone}), "At '0': The text holds an unpaired surrogate (U+DE00)"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        QString error;
        EXPECT_TRUE(xmlDataFromPropertyList(c.value, &error).isEmpty());
        EXPECT_TRUE(error.contains(QLatin1String(c.reason))) << error.toStdString();
        EXPECT_FALSE(isPropertyListValue(c.value));
        EXPECT_FALSE(propertyListValue(c.value).isValid());
    }
    // A pair of surrogates is one character, written and read back whole.
    EXPECT_EQ(roundTrip(QStringLiteral("\U0001F4A9")), QVariant(QStringLiteral("\U0001F4A9")));
}

// What the settings save: every entry that can be written, each one that
// cannot named with the reason.
TEST(PropertyListTest, WritableValueLeavesOutWhatCannotBeWritten)
{
    const QVariantMap frame{{"Frame", "0 0 640 480"}};
    const struct {
        const char* name;
        QVariant value;
        QVariant writable;
        QStringList dropped; // beginnings of the lines
    } cases[] = {
        {"nothing to leave out", QVariantMap{{"a", 1}, {"b", QStringList{"x"}}},
         QVariantMap{{"a", QVariant::fromValue<qint64>(1)}, {"b", QVariantList{"x"}}}, {}},
        {"top-level entry", QVariantMap{{"Window", frame}, {"When", kYear10000}}, QVariantMap{{"Window", frame}},
         {"'When': The date"}},
        {"nested entry", QVariantMap{{"Window", QVariantMap{{"Frame", "f"}, {"Bad", QVariant::fromValue(nullptr)}}}},
         QVariantMap{{"Window", QVariantMap{{"Frame", "f"}}}},
         {"'Window/Bad': A value of type std::nullptr_t"}},
        {"array left out whole", QVariantMap{{"Recent", QVariantList{"a", QString::fromUtf8("b\0", 2)}}, {"k", true}},
         QVariantMap{{"k", true}}, {"'Recent': at 'Recent/1': The text holds a NUL"}},
        {"key that cannot be written", QVariantMap{{QString(QChar(0)), 1}, {"k", true}}, QVariantMap{{"k", true}},
         {"'\\0': The text holds a NUL"}},
        // Regression: the path of what an array refused kept its steps, so
        // it and every later entry were named at the wrong place.
        {"dictionary in an array left out whole",
         QVariantMap{{"A", QVariantList{QVariantMap{{"x", kYear10000}}}}, {"B", kYear10000}, {"k", true}},
         QVariantMap{{"k", true}}, {"'A': at 'A/0/x': The date", "'B': The date"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        PropertyListOmissions omissions;
        QString error;
        const QVariant writable = writablePropertyListValue(c.value, &omissions, &error);
        const QStringList dropped = omissions.named();
        EXPECT_EQ(omissions.count(), dropped.size());
        EXPECT_EQ(writable, c.writable);
        EXPECT_TRUE(error.isEmpty()) << error.toStdString();
        ASSERT_EQ(dropped.size(), c.dropped.size()) << dropped.join('\n').toStdString();
        for (qsizetype i = 0; i < dropped.size(); ++i)
            EXPECT_TRUE(dropped.at(i).startsWith(c.dropped.at(i))) << dropped.at(i).toStdString();
        EXPECT_FALSE(xmlDataFromPropertyList(writable).isEmpty());
    }
    // A root that cannot be written has nothing to save.
    PropertyListOmissions dropped;
    QString error;
    EXPECT_FALSE(writablePropertyListValue(QVariantList{kYear10000}, &dropped, &error).isValid());
    EXPECT_TRUE(error.startsWith("At '0': The date")) << error.toStdString();
}

// A binary list's one date object, its seconds from 2001 as a double.
QByteArray binaryDate(double secondsFrom2001)
{
    quint64 bits = 0;
    std::memcpy(&bits, &secondsFrom2001, sizeof bits);
    return binaryWithOneObject(char(0x33) + bigEndian(bits, 8));
}

// Regression: binary dates were read through 32 bits of seconds, so one in
// 2100 read as 1932.
TEST(PropertyListTest, BinaryDatesReadInEveryYear)
{
    const struct {
        double seconds;
        QDateTime date;
    } cases[] = {
        {0, QDateTime(QDate(2001, 1, 1), QTime(0, 0), QTimeZone::utc())},
        {-1.5, QDateTime(QDate(2000, 12, 31), QTime(23, 59, 58, 500), QTimeZone::utc())},
        {3124137600.25, QDateTime(QDate(2100, 1, 1), QTime(0, 0, 0, 250), QTimeZone::utc())},
        {-3187296000, QDateTime(QDate(1900, 1, 1), QTime(0, 0), QTimeZone::utc())},
        {252423993599, QDateTime(QDate(9999, 12, 31), QTime(23, 59, 59), QTimeZone::utc())},
        // No instant at all: read, as a date that is not valid.
        {std::numeric_limits<double>::quiet_NaN(), QDateTime()},
        {1e300, QDateTime()},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.seconds);
        const QVariant read = propertyListFromData(binaryDate(c.seconds));
        ASSERT_EQ(read.typeId(), QMetaType::QDateTime);
        EXPECT_EQ(read.toDateTime(), c.date) << read.toDateTime().toString(Qt::ISODateWithMs).toStdString();
    }
}

TEST(PropertyListTest, FileWriteReplacesAtomicallyAndKeepsPermissions)
{
    test::TempTree tree;
    const QString path = tree.writeFile("prefs.plist", "old");
    ASSERT_EQ(::chmod(QFile::encodeName(path).constData(), 0600), 0);

    QString error;
    ASSERT_TRUE(writePropertyListFile(path, QVariantMap{{"a", true}}, &error)) << error.toStdString();
    EXPECT_EQ(readPropertyListFile(path).toMap().value("a"), QVariant(true));
    struct stat info {};
    ASSERT_EQ(::stat(QFile::encodeName(path).constData(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0600u);
    EXPECT_EQ(QDir(tree.path()).entryList(QDir::Files), QStringList{"prefs.plist"});

    // A value that cannot be written leaves the old file as it was.
    EXPECT_FALSE(writePropertyListFile(path, QVariant::fromValue(nullptr), &error));
    EXPECT_EQ(readPropertyListFile(path).toMap().value("a"), QVariant(true));
}

TEST(PropertyListTest, WriteIntoMissingFolderFailsWithoutLeftovers)
{
    test::TempTree tree;
    QString error;
    EXPECT_FALSE(writeFileAtomically(tree.filePath("missing/file"), "x", &error));
    EXPECT_TRUE(error.contains("missing/file"));
    EXPECT_FALSE(writeFileAtomically(QString(), "x", &error));
    QString readError;
    EXPECT_FALSE(readPropertyListFile(tree.filePath("missing/file"), &readError).isValid());
    EXPECT_FALSE(readError.isEmpty());
}

// A binary property list of `objects` (marker and bytes each), the first
// the top one; references and offsets are one byte.
QByteArray binaryList(const QList<QByteArray>& objects)
{
    QByteArray data("bplist00");
    QByteArray offsets;
    for (const QByteArray& object : objects) {
        offsets += char(data.size());
        data += object;
    }
    const quint64 table = quint64(data.size());
    return data + offsets + QByteArray(6, '\0') + char(1) + char(1) + bigEndian(quint64(objects.size()), 8)
           + bigEndian(0, 8) + bigEndian(table, 8);
}

QByteArray binaryInteger(quint64 high, quint64 low)
{
    return char(0x14) + bigEndian(high, 8) + bigEndian(low, 8);
}

// Regression: libplist dropped an unpaired surrogate ("\uD800x" read "x",
// a swapped pair ""), read a 16-byte integer through its low 64 bits
// (-2^63 read +2^63, 2^64 read 0) and stopped the process on a NUL. Each
// binary value now reads as it is, or is refused with the reason.
TEST(PropertyListTest, BinaryValuesReadAsTheyAreOrAreRefused)
{
    constexpr quint64 kAll = ~quint64(0);
    constexpr quint64 kSign = quint64(1) << 63;
    const struct {
        const char* name;
        QByteArray object;
        QVariant read;       // invalid when refused
        const char* reason;  // a part of the refusal
    } cases[] = {
        {"ASCII", "\x53" "abc", QVariant("abc"), nullptr},
        {"UTF-16 pair", QByteArray("\x62\xD8\x3D\xDE\x00", 5), QVariant(QStringLiteral("\U0001F600")), nullptr},
        {"empty text", "\x50", QVariant(QString("")), nullptr},
        {"lead surrogate alone", QByteArray("\x62\xD8\x00\x00x", 5), {}, "unpaired surrogate (U+D800)"},
        {"swapped pair", QByteArray("\x62\xDC\x00\xD8\x00", 5), {}, "unpaired surrogate (U+DC00)"},
        {"lead surrogate at the end", QByteArray("\x61\xD8\x3D", 3), {}, "unpaired surrogate (U+D83D)"},
        {"NUL in ASCII", QByteArray("\x53" "a\0b", 4), {}, "The text holds a NUL"},
        {"NUL in UTF-16", QByteArray("\x62\0a\0\0", 5), {}, "The text holds a NUL"},
        {"1 byte", QByteArray("\x10\xFF", 2), QVariant::fromValue<qint64>(255), nullptr},
        {"8 bytes, negative", char(0x13) + bigEndian(kAll, 8), QVariant::fromValue<qint64>(-1), nullptr},
        {"16 bytes, small", binaryInteger(0, 5), QVariant::fromValue<qint64>(5), nullptr},
        {"16 bytes, -2^63", binaryInteger(kAll, kSign), QVariant::fromValue<qint64>(std::numeric_limits<qint64>::min()), nullptr},
        {"16 bytes, -1", binaryInteger(kAll, kAll), QVariant::fromValue<qint64>(-1), nullptr},
        {"16 bytes, 2^63", binaryInteger(0, kSign), QVariant::fromValue<quint64>(kSign), nullptr},
        {"16 bytes, 2^64 - 1", binaryInteger(0, kAll), QVariant::fromValue<quint64>(kAll), nullptr},
        {"16 bytes, 2^64", binaryInteger(1, 0), {}, "does not fit in 64 bits"},
        {"16 bytes, -2^63 - 1", binaryInteger(kAll, kSign - 1), {}, "does not fit in 64 bits"},
        {"16 bytes, -2^64", binaryInteger(kAll, 0), {}, "does not fit in 64 bits"},
        {"negative zero", char(0x23) + bigEndian(kSign, 8), QVariant(-0.0), nullptr},
        {"float", char(0x22) + bigEndian(0x3FC00000, 4), QVariant(1.5), nullptr},
        {"UID", QByteArray("\x80\x07", 2), QVariantMap{{"CF$UID", QVariant::fromValue<quint64>(7)}}, nullptr},
        {"null", QByteArray("\x00", 1), {}, "null or fill"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        QString error;
        const QVariant read = propertyListFromData(binaryList({c.object}), &error);
        EXPECT_EQ(read.typeId(), c.read.typeId()) << read.typeName();
        EXPECT_EQ(read, c.read);
        EXPECT_TRUE(c.reason ? error.contains(QLatin1String(c.reason)) : error.isEmpty()) << error.toStdString();
        // Inside a dictionary the refusal names the key.
        QString inDictionary;
        EXPECT_EQ(propertyListFromData(binaryList({"\xD1\x01\x02", "\x51k", c.object}), &inDictionary).isValid(),
                  c.read.isValid());
        EXPECT_EQ(inDictionary.startsWith(QLatin1String("At 'k': ")), c.reason != nullptr) << inDictionary.toStdString();
    }
}

// What the settings read: every entry the reader takes, each one it
// refuses named with the reason, nested ones by their path; an array
// holding one is left out whole, and a root refused still fails. Binary
// and XML alike.
TEST(PropertyListTest, LeavingOutKeepsEveryEntryTheReaderTakes)
{
    const QByteArray nul("\x53" "a\0b", 4);
    const auto xml = [](const char* body) { return "<plist><dict>" + QByteArray(body) + "</dict></plist>"; };
    const struct {
        const char* name;
        QByteArray data;
        QVariant read;
        QStringList leftOut;
    } cases[] = {
        {"binary top-level entry",
         binaryList({"\xD3\x01\x02\x03\x04\x05\x06", "\x54Kept", "\x53" "Bad", "\x52Up", "\x54kept", nul, "\x10\x07"}),
         QVariantMap{{"Kept", "kept"}, {"Up", QVariant::fromValue<qint64>(7)}},
         {"'Bad': The text holds a NUL character"}},
        {"binary nested entry",
         binaryList({"\xD1\x01\x02", "\x51W", "\xD2\x03\x04\x05\x06", "\x51" "F", "\x51" "B", "\x51" "f",
                     binaryInteger(1, 0)}),
         QVariantMap{{"W", QVariantMap{{"F", "f"}}}}, {"'W/B': The integer does not fit in 64 bits"}},
        {"binary array left out whole",
         binaryList({"\xD2\x01\x02\x03\x04", "\x51R", "\x51k", "\xA2\x05\x06", "\x09", "\x51x", nul}),
         QVariantMap{{"k", true}}, {"'R': at 'R/1': The text holds a NUL character"}},
        {"binary key refused", binaryList({"\xD2\x01\x02\x03\x03", nul, "\x51k", "\x09"}), QVariantMap{{"k", true}},
         {"'a\\0b': The text holds a NUL character"}},
        {"binary root refused", binaryList({nul}), QVariant(), {}},
        {"XML top-level entry",
         xml("<key>Kept</key><string>kept</string><key>Bad</key><string>a&#0;b</string>"
             "<key>Up</key><integer>7</integer>"),
         QVariantMap{{"Kept", "kept"}, {"Up", QVariant::fromValue<qint64>(7)}},
         {"'Bad': The text holds a NUL character"}},
        {"XML nested entry",
         xml("<key>W</key><dict><key>F</key><string>f</string><key>B</key><string>&#xD800;x</string></dict>"),
         QVariantMap{{"W", QVariantMap{{"F", "f"}}}}, {"'W/B': The text holds an unpaired surrogate (U+D800)"}},
        {"XML array left out whole",
         xml("<key>R</key><array><true/><string>x&#x0;</string><array/></array><key>k</key><true/>"),
         QVariantMap{{"k", true}}, {"'R': at 'R/1': The text holds a NUL character"}},
        {"XML key refused", xml("<key>a&#xDFFF;b</key><string>v</string><key>k</key><true/>"),
         QVariantMap{{"k", true}}, {"'ab': The text holds an unpaired surrogate (U+DFFF)"}},
        {"XML root refused", "<plist><string>&#0;</string></plist>", QVariant(), {}},
        // Named paths are cut in their middle: a key may be megabytes long.
        {"XML key of a megabyte", xml("<key>" + QByteArray(1 << 20, 'm') + "&#0;</key><true/><key>k</key><true/>"),
         QVariantMap{{"k", true}}, {"'" + QString(80, 'm') + "…" + QString(80, 'm') + "': The text holds a NUL character"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        PropertyListOmissions leftOut;
        QString error;
        const QVariant read = propertyListFromDataLeavingOut(c.data, &leftOut, &error);
        EXPECT_EQ(read, c.read);
        EXPECT_EQ(leftOut.named(), c.leftOut);
        EXPECT_EQ(error.isEmpty(), c.read.isValid()) << error.toStdString();
        // Read whole, the same data is refused.
        EXPECT_FALSE(propertyListFromData(c.data).isValid());
    }
}

// Regression: -0.0 was written "0.0", so a binary -0.0 setting changed at
// the next save.
TEST(PropertyListTest, NegativeZeroKeepsItsSign)
{
    const QVariant read = propertyListFromData(binaryList({char(0x23) + bigEndian(quint64(1) << 63, 8)}));
    ASSERT_EQ(read.typeId(), QMetaType::Double);
    EXPECT_TRUE(std::signbit(read.toDouble()));
    const QByteArray xml = xmlDataFromPropertyList(QVariantList{read, 0.0});
    EXPECT_TRUE(xml.contains("<real>-0.0</real>")) << xml.toStdString();
    const QVariantList back = propertyListFromData(xml).toList();
    ASSERT_EQ(back.size(), 2);
    EXPECT_TRUE(std::signbit(back.at(0).toDouble()));
    EXPECT_FALSE(std::signbit(back.at(1).toDouble()));
}

// Regression: a date past the year 9999 or before the year 1 was named
// empty ("The date  lies outside…"), Qt's ISO form having none for it.
TEST(PropertyListTest, ADateThatCannotBeWrittenIsNamed)
{
    const struct {
        QDateTime date;
        const char* text;
    } cases[] = {
        {kYear10000, "10000-01-01T00:00:00.000Z"},
        {QDateTime(QDate(275760, 9, 13), QTime(0, 0), QTimeZone::utc()), "275760-09-13T00:00:00.000Z"},
        {QDateTime(QDate(-1, 12, 31), QTime(23, 59, 58, 500), QTimeZone::utc()), "0000-12-31T23:59:58.500Z"},
        {QDateTime(QDate(-44, 3, 15), QTime(12, 0), QTimeZone::utc()), "-0043-03-15T12:00:00.000Z"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        PropertyListOmissions omissions;
        (void)writablePropertyListValue(QVariantMap{{"When", c.date}}, &omissions);
        const QStringList dropped = omissions.named();
        ASSERT_EQ(dropped.size(), 1);
        EXPECT_EQ(dropped.at(0), QStringLiteral("'When': The date %1 lies outside the years 1 to 9999 that a "
                                                "property list holds")
                                     .arg(QLatin1String(c.text)));
    }
}

// A search holds a stop over its walk so that a large Info.plist does not
// keep it from ending; the innermost scope of a thread counts.
TEST(PropertyListTest, ReadEndsWhenItsStopIsSet)
{
    const QByteArray document = "<plist><string>" + QByteArray("&lt;").repeated(200000) + "</string></plist>";
    std::atomic<bool> stop{false};
    {
        const PropertyListReadStop scope(stop);
        EXPECT_EQ(propertyListFromData(document).toString().size(), 200000);
        stop = true;
        QString error;
        EXPECT_FALSE(propertyListFromData(document, &error).isValid());
        EXPECT_EQ(error, QStringLiteral("The reading was stopped"));
        EXPECT_FALSE(readXmlPropertyList(document, &error).isValid());
        EXPECT_EQ(error, QStringLiteral("The reading was stopped"));
        const std::atomic<bool> goOn{false};
        {
            const PropertyListReadStop inner(goOn);
            EXPECT_TRUE(propertyListFromData(document).isValid());
        }
        EXPECT_FALSE(propertyListFromData(document).isValid());
    }
    EXPECT_TRUE(propertyListFromData(document).isValid());
}

} // namespace
