#include "platform/atomic_file.h"
#include "platform/property_list.h"
#include "platform/property_list_xml.h"

#include "tests/support/temp_tree.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QTimeZone>

#include <gtest/gtest.h>

#include <sys/stat.h>

#include <atomic>
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
        ScalarCase{"Date", QVariant(kDate), {}}),
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

TEST(PropertyListTest, RefusesValuesWithoutPropertyListForm)
{
    const QDateTime farFuture(QDate(2200, 1, 1), QTime(0, 0), QTimeZone::utc());
    for (const QVariant& value : {QVariant(), QVariant::fromValue(nullptr), QVariant(QVariantList{1, QVariant()}),
                                  QVariant(QVariantMap{{"d", farFuture}})}) {
        SCOPED_TRACE(value.typeName() ? value.typeName() : "invalid");
        QString error;
        EXPECT_TRUE(xmlDataFromPropertyList(value, &error).isEmpty());
        EXPECT_FALSE(error.isEmpty());
        EXPECT_FALSE(isPropertyListValue(value));
        EXPECT_FALSE(propertyListValue(value).isValid());
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
