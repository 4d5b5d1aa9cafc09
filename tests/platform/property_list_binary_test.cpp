#include "platform/property_list.h"
#include "platform/property_list_binary.h"
#include "platform/property_list_bounds.h"
#include "platform/property_list_omissions.h"
#include "platform/scan_work.h"
#include "tests/support/binary_property_list.h"
#include "tests/support/pdf_with_content.h"
#include "tests/support/temp_tree.h"

#include <QList>

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <optional>

using namespace sorvant;
using namespace sorvant::test;

namespace {

QByteArray text(qsizetype size)
{
    return marker(0x5, quint64(size)) + QByteArray(size, 'x');
}

// `levels` arrays, each holding the next one twice, the last one holding
// `leaf` twice.
QByteArray doublingArrays(int levels, const QByteArray& leaf)
{
    QList<QByteArray> objects;
    for (int i = 0; i < levels; ++i)
        objects.append(container(0xA, {quint64(i + 1), quint64(i + 1)}));
    objects.append(leaf);
    return binaryList(objects);
}

// An array holding `count` references to `leaf`.
QByteArray fannedOut(qsizetype count, const QByteArray& leaf)
{
    return binaryList({container(0xA, QList<quint64>(count, 1)), leaf});
}

// An array of `count` objects that the offset table places at the same
// bytes, `leaf`: each a value of its own once read.
QByteArray overlapping(qsizetype count, const QByteArray& leaf)
{
    QList<quint64> references;
    for (qsizetype i = 1; i <= count; ++i)
        references.append(quint64(i));
    QByteArray data("bplist00");
    data += container(0xA, references);
    const quint64 at = quint64(data.size());
    data += leaf;
    const quint64 table = quint64(data.size());
    data += bigEndian(8, 4);
    for (qsizetype i = 0; i < count; ++i)
        data += bigEndian(at, 4);
    return data + QByteArray(6, '\0') + char(4) + char(4) + bigEndian(quint64(count + 1), 8) + bigEndian(0, 8)
           + bigEndian(table, 8);
}

// Regression: a list whose shared objects, counted once per reference,
// expanded past 16 times its size was refused, though a shared object is
// one value in memory: settings of 5,000 styles sharing one 4 KB string
// were set aside. What a list holds is counted, each object once; what it
// expands to is bounded only in the number of values a walk meets, and
// objects the offset table places at the same bytes, each a value of its
// own, count as many.
TEST(BinaryPropertyListTest, SharedObjectsCountOnceAndOverlappingOnesEachTime)
{
    const QByteArray megabyte = text(1024 * 1024);
    const struct {
        const char* name;
        QByteArray data;
        const char* refused; // null: read
    } cases[] = {
        {"12 levels of pairs over 1 MB", doublingArrays(12, megabyte), nullptr},
        {"4,000 references to 1 MB", fannedOut(4000, megabyte), nullptr},
        {"4,000 references to 8 KB of data", fannedOut(4000, marker(0x4, 8 * 1024) + QByteArray(8 * 1024, 'd')),
         nullptr},
        {"4,000 references to 4 K UTF-16 units", fannedOut(4000, marker(0x6, 4 * 1024) + QByteArray(8 * 1024, 'a')),
         nullptr},
        {"16 levels of pairs over a number", doublingArrays(16, "\x10\x07"), nullptr},
        {"20 levels of pairs over a number", doublingArrays(20, "\x10\x07"), nullptr},
        {"22 levels of pairs over a number", doublingArrays(22, "\x10\x07"), "expands too far"},
        {"4,000 objects at the bytes of one of 8 KB", overlapping(4000, text(8 * 1024)), "holds more than"},
        {"600 objects at the bytes of one of 8 KB", overlapping(600, text(8 * 1024)), nullptr},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        QString error;
        EXPECT_EQ(isBoundedBinaryPropertyList(c.data, &error), !c.refused) << error.toStdString();
        const QVariant value = propertyListFromData(c.data, &error);
        EXPECT_EQ(value.isValid(), !c.refused) << error.toStdString();
        if (c.refused) {
            EXPECT_TRUE(error.contains(QLatin1String(c.refused))) << error.toStdString();
        }
    }
}

// The bound on what a list holds grows with the list: the overlapping
// objects refused in a small list are read in one large enough to hold
// that much of its own.
TEST(BinaryPropertyListTest, TheHeldBoundGrowsWithTheList)
{
    const QByteArray leaf = text(8 * 1024);
    const QByteArray small = overlapping(4000, leaf);
    ASSERT_FALSE(isBoundedBinaryPropertyList(small));
    QByteArray padded = small;
    // The padding lies before the trailer, inside no object: the table
    // and the trailer move with it.
    const qsizetype padding = 4000 * 8 * 1024 / kPropertyListHeldFactor;
    const qsizetype tableAt = small.size() - kBinaryPropertyListTrailerSize - 4 * 4001;
    padded.insert(tableAt, QByteArray(padding, ' '));
    padded.replace(padded.size() - 8, 8, bigEndian(quint64(tableAt + padding), 8));
    QString error;
    EXPECT_TRUE(isBoundedBinaryPropertyList(padded, &error)) << error.toStdString();
}

// Regression: each reference to a shared object read it again, a copy of
// its own. An object is read at most twice, and then shared by every
// reference to it.
TEST(BinaryPropertyListTest, AnObjectReferredToManyTimesIsOneSharedValue)
{
    const QVariantList items = propertyListFromData(fannedOut(1000, text(8 * 1024))).toList();
    ASSERT_EQ(items.size(), 1000);
    QList<const QChar*> copies;
    for (const QVariant& item : items) {
        ASSERT_EQ(item.toString(), QString(8 * 1024, u'x'));
        if (!copies.contains(item.toString().constData()))
            copies.append(item.toString().constData());
    }
    EXPECT_LE(copies.size(), 2);

    // Shared arrays too: the second of each pair is read when the first
    // has been, and shares all it holds, down to the string.
    const auto dataOf = [](const QVariant& value) -> const void* {
        return value.typeId() == QMetaType::QString ? static_cast<const void*>(value.toString().constData())
                                                    : static_cast<const void*>(value.toList().constData());
    };
    QVariant level = propertyListFromData(doublingArrays(8, text(8 * 1024)));
    for (int i = 0; i < 8; ++i) {
        SCOPED_TRACE(i);
        const QVariantList pair = level.toList();
        ASSERT_EQ(pair.size(), 2);
        if (i > 0) {
            EXPECT_EQ(dataOf(pair.at(0)), dataOf(pair.at(1)));
        }
        level = pair.at(1);
    }
    EXPECT_EQ(level, QVariant(QString(8 * 1024, u'x')));
}

// A shared dictionary with an entry left out names it at each place it is
// met, as a copy would.
TEST(BinaryPropertyListTest, ASharedValueNamesWhatItLeavesOutAtEveryPlace)
{
    const QByteArray nul("\x53" "a\0b", 4);
    // {"a": D, "b": D, "c": D}, D = {"x": "a\0b", "y": 7}
    const QByteArray data = binaryList({container(0xD, {1, 2, 3, 4, 4, 4}), "\x51" "a", "\x51" "b", "\x51" "c",
                                        container(0xD, {5, 6, 7, 8}), "\x51" "x", "\x51" "y", nul, "\x10\x07"});
    PropertyListOmissions leftOut;
    QString error;
    const QVariantMap read = propertyListFromDataLeavingOut(data, &leftOut, &error).toMap();
    const QVariantMap kept{{"y", QVariant::fromValue<qint64>(7)}};
    EXPECT_EQ(read, (QVariantMap{{"a", kept}, {"b", kept}, {"c", kept}})) << error.toStdString();
    EXPECT_EQ(leftOut.named(), (QStringList{"'a/x': The text holds a NUL character", "'b/x': The text holds a NUL character",
                                    "'c/x': The text holds a NUL character"}));
}

// Regression: the UTF-8 decoding of a string dropped a leading U+FEFF.
TEST(BinaryPropertyListTest, ALeadingByteOrderMarkInTextStays)
{
    const QString mark(QChar(0xFEFF));
    EXPECT_EQ(propertyListFromData(binaryList({"\x56\xEF\xBB\xBF" "abc"})), QVariant(mark + "abc"));
    EXPECT_EQ(propertyListFromData(binaryList({QByteArray("\x62\xFE\xFF\x00" "a", 5)})), QVariant(mark + "a"));
}

// {"key0000000": "v0000000", …}: `count` entries.
QByteArray manyKeys(qsizetype count)
{
    QList<quint64> references;
    QList<QByteArray> objects{QByteArray()};
    for (qsizetype i = 0; i < count; ++i) {
        references.append(quint64(1 + i));
        objects.append("\x5A" + QByteArray("key") + QByteArray::number(i).rightJustified(7, '0'));
    }
    for (qsizetype i = 0; i < count; ++i) {
        references.append(quint64(1 + count + i));
        objects.append("\x58" + QByteArray("v") + QByteArray::number(i).rightJustified(7, '0'));
    }
    objects[0] = container(0xD, references);
    return binaryList(objects);
}

// [[n, 1.5, true, {}], …]: `count` small arrays of a number, a real, a
// boolean and an empty dictionary, and not one string.
QByteArray manyNumbers(qsizetype count)
{
    QList<quint64> references;
    QList<QByteArray> objects{QByteArray()};
    for (qsizetype i = 0; i < count; ++i) {
        const auto first = quint64(objects.size());
        references.append(first);
        objects.append(container(0xA, {first + 1, first + 2, first + 3, first + 4}));
        objects.append("\x12" + bigEndian(quint64(i), 4));
        objects.append("\x23" + bigEndian(0x3FF8000000000000, 8));
        objects.append("\x09");
        objects.append(marker(0xD, 0));
    }
    objects[0] = container(0xA, references);
    return binaryList(objects);
}

// Reads `document` whole and then stopped at several of its looks: the
// looks come at most `gap` bytes of work apart, at least `looks` of them and
// `readerLooks` of those while the reader reads (it counts each object,
// and the bytes of a string or data as it decodes them; the bounds check
// counts nothing), and a stop seen ends the read there, reading nothing
// more.
void expectLooksAsItGoes(const QByteArray& document, qsizetype gap, qsizetype looks, qsizetype readerLooks)
{
    std::atomic<bool> stop{false};
    QList<qsizetype> passed;
    qsizetype whileReading = 0;
    {
        const PropertyListReadStop scope(stop, [&](qsizetype bytes) {
            passed.append(bytes);
            whileReading += scanWork() > 0 ? 1 : 0;
        });
        resetScanWork();
        QString error;
        ASSERT_TRUE(propertyListFromData(document, &error).isValid()) << error.toStdString();
    }
    ASSERT_FALSE(passed.isEmpty());
    EXPECT_LE(*std::max_element(passed.cbegin(), passed.cend()), gap);
    EXPECT_GE(passed.size(), looks);
    EXPECT_GE(whileReading, readerLooks);

    for (const qsizetype at : {qsizetype(1), passed.size() / 3, passed.size() / 2 + 1, passed.size() - 1}) {
        SCOPED_TRACE(at);
        stop = false;
        qsizetype seen = 0;
        qint64 workAtTheStop = 0;
        const PropertyListReadStop scope(stop, [&](qsizetype) {
            if (++seen == at) {
                stop = true;
                workAtTheStop = scanWork();
            }
        });
        resetScanWork();
        QString error;
        EXPECT_FALSE(propertyListFromData(document, &error).isValid());
        EXPECT_EQ(error, QStringLiteral("The reading was stopped"));
        EXPECT_EQ(seen, at);
        EXPECT_LE(scanWork() - workAtTheStop, 1);
    }
}

// Regression: a binary list was read without a look at the stop, so a stop
// during a 61 MB Info.plist waited for all of it (0.72 s). The bounds check
// and the reader look about every 256 KB of work (an object counting 16
// bytes), and a stop seen ends the read there, reading nothing more. A
// list of no strings at all looks as often as one of many.
TEST(BinaryPropertyListTest, EveryPartLooksAtTheStopAsItGoes)
{
    const struct {
        const char* name;
        QByteArray document;
        qsizetype objects;
    } cases[] = {
        {"keys and strings", manyKeys(100000), 2 * 100000},
        {"numbers, arrays and empty dictionaries", manyNumbers(40000), 5 * 40000},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        // The bounds check and the reader each pass every object, at least
        // 16 bytes of work apiece.
        const qsizetype pass = c.objects * PropertyListStopCheck::kObjectWork / PropertyListStopCheck::kInterval;
        expectLooksAsItGoes(c.document, PropertyListStopCheck::kInterval + 64, 2 * pass, pass);
    }
}

// Regression: a long string was decoded whole after one look at the stop
// (62 ms for 60 MB of ASCII, 103 ms for 30 M UTF-16 units), and a SIGINT
// during a package whose Info.plist was one waited for it. Text and data
// are read in steps that count their bytes and look about every 256 KB, and
// a stop seen inside one decodes nothing more of it.
TEST(BinaryPropertyListTest, LongTextAndDataLookAtTheStopAsTheyAreRead)
{
    constexpr qsizetype kSize = 8 * 1024 * 1024;
    const struct {
        const char* name;
        QByteArray document;
    } cases[] = {
        {"ASCII", binaryList({text(kSize)})},
        {"UTF-16", binaryList({marker(0x6, kSize / 2) + QByteArray("\x00\xE9\xD8\x3D\xDE\x00", 6).repeated(kSize / 6)
                                   + QByteArray(kSize % 6, 'a')})},
        {"data", binaryList({marker(0x4, kSize) + QByteArray(kSize, 'd')})},
        {"a string among other values",
         binaryList({container(0xA, {1, 2, 3}), "\x10\x07", text(kSize), container(0xD, {})})},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const qsizetype looks = kSize / (PropertyListStopCheck::kInterval + PropertyListStopCheck::kStep);
        expectLooksAsItGoes(c.document, PropertyListStopCheck::kInterval + PropertyListStopCheck::kStep + 64, looks,
                            looks);
    }
}

// Regression: a stop waited for the read of the file itself, one system
// call of 60 MB (some 30 ms of the kernel's time, far longer on a busy
// machine). The file is read in steps that look at the stop too.
TEST(BinaryPropertyListTest, AStopEndsTheReadOfTheFileToo)
{
    test::TempTree tree;
    constexpr qsizetype kSize = 8 * 1024 * 1024;
    const QString path = tree.writeFile("Info.plist", binaryList({text(kSize)}));
    if (bytesReadByProcess() < 0)
        GTEST_SKIP() << "the kernel does not count this process's reads";
    const auto bytesRead = [&](bool stopped) {
        const std::atomic<bool> stop{stopped};
        const PropertyListReadStop scope(stop);
        const qint64 before = bytesReadByProcess();
        QString error;
        EXPECT_EQ(readPropertyListFile(path, &error).isValid(), !stopped) << error.toStdString();
        if (stopped) {
            EXPECT_EQ(error, QStringLiteral("The reading was stopped"));
        }
        return bytesReadByProcess() - before;
    };
    EXPECT_GE(bytesRead(false), kSize);
    EXPECT_LT(bytesRead(true), kSize / 8);
}

// The trailer is read by the bounds check and the reader alike.
TEST(BinaryPropertyListTest, TheTrailerIsReadWhenConsistent)
{
    const QByteArray valid = binaryList({"\x51" "a", "\x09"});
    const auto withTrailerByte = [&](qsizetype at, char byte) {
        QByteArray data = valid;
        data[data.size() - kBinaryPropertyListTrailerSize + at] = byte;
        return data;
    };
    const std::optional<BinaryPropertyListTrailer> trailer = binaryPropertyListTrailer(valid);
    ASSERT_TRUE(trailer);
    EXPECT_EQ(trailer->offsetSize, 4);
    EXPECT_EQ(trailer->referenceSize, 4);
    EXPECT_EQ(trailer->objectCount, 2u);
    EXPECT_EQ(trailer->topObject, 0u);
    EXPECT_EQ(trailer->tableOffset, 11u);

    const struct {
        const char* name;
        QByteArray data;
    } damaged[] = {
        {"empty", QByteArray()},
        {"too short", valid.right(kBinaryPropertyListTrailerSize + 7)},
        {"another header", QByteArray(valid).replace(0, 8, "bplist01")},
        {"offsets of no bytes", withTrailerByte(6, 0)},
        {"offsets of 9 bytes", withTrailerByte(6, 9)},
        {"references of 9 bytes", withTrailerByte(7, 9)},
        {"no objects", withTrailerByte(15, 0)},
        {"top object past the last", withTrailerByte(23, 2)},
        {"table in the header", withTrailerByte(31, 4)},
        {"table past the trailer", withTrailerByte(31, 100)},
        {"table too short for the objects", withTrailerByte(15, 3)},
    };
    for (const auto& c : damaged) {
        SCOPED_TRACE(c.name);
        EXPECT_FALSE(binaryPropertyListTrailer(c.data));
        QString error;
        EXPECT_FALSE(propertyListFromData(c.data, &error).isValid());
        EXPECT_FALSE(error.isEmpty());
    }
}

} // namespace
