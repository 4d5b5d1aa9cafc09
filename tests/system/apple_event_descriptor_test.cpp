#include "system/apple_event_descriptor.h"

#include "foundation/values.h"

#include <gtest/gtest.h>

#include <QUrl>

namespace sorvant {
namespace {

TEST(AppleEventDescriptorTest, ValuesBecomeTheirDescriptors)
{
    EXPECT_EQ(appleEventDescriptor(QVariant(1)).descriptorType(), typeUnicodeText);
    EXPECT_EQ(appleEventDescriptor(QVariant(1)).stringValue(), "1");
    EXPECT_EQ(appleEventDescriptor(QVariant(2.5)).stringValue(), "2.5");
    EXPECT_EQ(appleEventDescriptor(QUrl("file:///a%20b")).stringValue(), "file:///a%20b");
    EXPECT_TRUE(appleEventDescriptor(nullValue()).isNull());
    const auto own = AppleEventDescriptor::descriptorWithInt32(-3);
    EXPECT_EQ(appleEventDescriptor(QVariant::fromValue(own)), own);
    EXPECT_EQ(own.stringValue(), "-3");

    const auto list = appleEventDescriptor(QVariantList {"a", 2, QVariantList {}});
    ASSERT_EQ(list.numberOfItems(), 3);
    EXPECT_EQ(list.descriptorAtIndex(2).stringValue(), "2");
    EXPECT_EQ(list.descriptorAtIndex(3).numberOfItems(), 0);
    EXPECT_EQ(list.descriptorAtIndex(3).descriptorType(), typeAEList);
    EXPECT_EQ(*list.arrayValueWithStrings(), (QStringList {"a", "2"}));
    EXPECT_FALSE(AppleEventDescriptor::descriptorWithString("x").arrayValue());
}

TEST(AppleEventDescriptorTest, DictionariesRoundTripThroughUserFields)
{
    const QVariantMap map {{"name", "Ada"}, {"age", 36}};
    const auto record = appleEventDescriptor(map);
    EXPECT_EQ(record.keywords(), QList<AEKeyword> {keyASUserRecordFields});
    EXPECT_EQ(record.descriptorForKeyword(keyASUserRecordFields)->numberOfItems(), 4);
    EXPECT_EQ(*record.dictionaryValueWithStrings(), (QVariantMap {{"name", "Ada"}, {"age", "36"}}));

    auto withKeyword = appleEventDescriptor(QVariantMap {{"k", "v"}, {"'pnam'", "n"}});
    EXPECT_EQ(withKeyword.descriptorForKeyword(fourCharCode("pnam"))->stringValue(), "n");
    EXPECT_FALSE(withKeyword.dictionaryValue()); // two items

    AppleEventDescriptor odd = AppleEventDescriptor::recordDescriptor();
    odd.setObject(QVariantList {"k", "v", "dangling"}, keyASUserRecordFields);
    EXPECT_FALSE(odd.dictionaryValue());
}

TEST(AppleEventDescriptorTest, LongDatesCountFrom1904)
{
    const QDateTime date(QDate(2001, 1, 1), QTime(0, 0), Qt::UTC);
    const auto descriptor = appleEventDescriptor(date);
    EXPECT_EQ(descriptor.descriptorType(), typeLongDateTime);
    EXPECT_EQ(descriptor.data().toHex(), "00000000b6757900"); // 3,061,152,000 s
    EXPECT_EQ(descriptor.dateValue(), date);
    EXPECT_EQ(dateFromLongDateTime(0), QDateTime(QDate(1904, 1, 1), QTime(0, 0), Qt::UTC));
    EXPECT_FALSE(AppleEventDescriptor(typeLongDateTime, QByteArray(4, '\0')).dateValue().isValid());
    EXPECT_FALSE(AppleEventDescriptor(typeSInt32, QByteArray(8, '\0')).dateValue().isValid());
}

TEST(AppleEventDescriptorTest, PosixPathsFromEveryForm)
{
    setBootVolumeName("Macintosh HD");
    const QByteArray home = qgetenv("HOME");
    qputenv("HOME", "/home/tester");
    struct Case
    {
        QString in;
        QString out;
    };
    for (const Case& c : {Case {"Macintosh HD:Users:a:b/c", "/Users/a/b:c"}, Case {"Macintosh HD:", "/"},
                          Case {"Macintosh HD:Folder:", "/Folder"}, Case {"Projects", "/Projects"},
                          Case {"/usr/bin", "/usr/bin"}, Case {"~/x", "/home/tester/x"}, Case {"", ""}}) {
        SCOPED_TRACE(c.in.toStdString());
        EXPECT_EQ(POSIXPath(c.in), c.out);
    }
    EXPECT_TRUE(POSIXPath(QString()).isNull());
    EXPECT_TRUE(POSIXPath("NoSuchVolume:doc").endsWith("/NoSuchVolume/doc"));
    qputenv("HOME", home);
    setBootVolumeName(QString());
}

TEST(AppleEventDescriptorTest, EventsFromTheBuildFormat)
{
    const auto comment = AppleEventDescriptor::descriptorWithString("note");
    const auto path = *AppleEventDescriptor::descriptorWithPath("/tmp/a b");
    EXPECT_EQ(path.stringValue(), "file:///tmp/a%20b");
    const auto event = createAppleEventWithEventID(
        fourCharCode("setd"), fourCharCode("core"), "org.example.Files",
        "'data':@, '----':'obj '{ 'form':'prop', 'want':type('prop'), 'seld':type('comt'), "
        "'from':'obj '{ 'form':'name', 'want':type('file'), 'seld':@, 'from':'null'() }}",
        {comment, path});
    ASSERT_TRUE(event);
    EXPECT_EQ(event->eventClass(), fourCharCode("core"));
    EXPECT_EQ(event->eventID(), fourCharCode("setd"));
    EXPECT_EQ(event->returnID(), -1);
    EXPECT_EQ(event->target()->descriptorType(), typeApplicationBundleID);
    EXPECT_EQ(event->target()->data(), "org.example.Files");
    EXPECT_EQ(*event->descriptorForKeyword(fourCharCode("data")), comment);
    const auto object = *event->descriptorForKeyword(keyDirectObject);
    EXPECT_EQ(object.descriptorType(), fourCharCode("obj "));
    EXPECT_EQ(object.descriptorForKeyword(fourCharCode("seld"))->stringValue(), "comt");
    const auto container = *object.descriptorForKeyword(keyFrom);
    EXPECT_EQ(*container.descriptorForKeyword(fourCharCode("seld")), path);
    EXPECT_TRUE(container.descriptorForKeyword(keyFrom)->isNull());

    const auto simple = createAppleEventWithEventID(fourCharCode("odoc"), fourCharCode("aevt"), "x", "'----':[1, “two”]");
    ASSERT_TRUE(simple);
    EXPECT_EQ(*simple->descriptorForKeyword(keyDirectObject)->arrayValueWithStrings(), (QStringList {"1", "two"}));

    for (const QString& bad : {QString("'data':@"), QString("'data' @"), QString("'data':'obj '{"), QString("'data':[1")}) {
        SCOPED_TRACE(bad.toStdString());
        EXPECT_FALSE(createAppleEventWithEventID(1, 2, "x", bad));
    }
    EXPECT_FALSE(createAppleEventWithEventID(1, 2, QString(), QString()));
    EXPECT_EQ(createAppleEventWithEventID(1, 2, "x", QString())->numberOfItems(), 0);
    EXPECT_FALSE(AppleEventDescriptor::descriptorWithPath(QString()));

    const auto absolute = absoluteObjectSpecifier(object);
    const auto inner = *absolute.descriptorForKeyword(keyFrom);
    EXPECT_EQ(*inner.descriptorForKeyword(keyFrom), AppleEventDescriptor::currentProcessDescriptor());
    EXPECT_EQ(*inner.descriptorForKeyword(fourCharCode("seld")), path);
    EXPECT_EQ(absoluteObjectSpecifier(comment).descriptorForKeyword(keyFrom)->descriptorType(), typeKernelProcessID);
}

} // namespace
} // namespace sorvant
