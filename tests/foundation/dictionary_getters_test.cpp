#include "foundation/dictionary_getters.h"

#include "tests/support/log_capture.h"

#include <gtest/gtest.h>

#include <limits>

using namespace sorvant;
using sorvant::test::LogCapture;

namespace {

TEST(DictionaryGettersTest, MissingEntriesGiveZeroOrTheDefault)
{
    const QVariantMap empty;
    EXPECT_EQ(intForKey(empty, "n"), 0);
    EXPECT_FALSE(boolForKey(empty, "b"));
    EXPECT_EQ(unsignedLongLongForKey(empty, "u"), 0u);
    EXPECT_EQ(intForKey(empty, "n", -3), -3);
    EXPECT_TRUE(boolForKey(empty, "b", true));
    EXPECT_EQ(unsignedIntForKey(empty, "u", 7u), 7u);
    // The double default is single precision.
    EXPECT_EQ(doubleForKey(empty, "d", 0.1f), static_cast<double>(0.1f));
    EXPECT_NE(doubleForKey(empty, "d", 0.1f), 0.1);
}

TEST(DictionaryGettersTest, EntriesReadByTheValueRules)
{
    const QVariantMap record{
        {"yes", "yes"},   {"apples", "12 apples"}, {"big", QVariant::fromValue<qint64>((qint64(1) << 32) + 1)},
        {"real", 2.75},   {"negative", -1},         {"null", QVariant::fromValue(nullptr)},
        {"list", QVariantList{1}},
    };
    EXPECT_TRUE(boolForKey(record, "yes"));
    EXPECT_EQ(intForKey(record, "apples"), 12);
    EXPECT_EQ(intForKey(record, "big"), 1);
    EXPECT_EQ(longLongForKey(record, "big"), (qint64(1) << 32) + 1);
    EXPECT_EQ(integerForKey(record, "real"), 2);
    EXPECT_EQ(unsignedIntForKey(record, "negative"), std::numeric_limits<unsigned>::max());
    EXPECT_EQ(intForKey(record, "null", 5), 5);
    EXPECT_EQ(doubleForKey(record, "list", 1.5f), 1.5);

    LogCapture log;
    EXPECT_EQ(unsignedIntegerForKey(record, "apples", 9), 0u);
    EXPECT_EQ(log.lines(), QStringList{"-[QString unsignedIntegerValue]: Unrecognized selector."});
}

TEST(DictionaryGettersTest, SettersKeepTheExactType)
{
    QVariantMap map;
    setBool(map, true, "bool");
    setInt(map, -1, "int");
    setUnsignedInt(map, 1u, "uint");
    setUnsignedLong(map, 2ul, "ulong");
    setInteger(map, 3, "integer");
    setUnsignedLongLong(map, 4, "ull");
    setFloat(map, 0.5f, "float");
    setDouble(map, 0.25, "double");
    setString(map, "s", "string");
    setString(map, QString(), "string");
    const struct
    {
        const char* key;
        int type;
    } expected[] = {{"bool", QMetaType::Bool},   {"int", QMetaType::Int},           {"uint", QMetaType::UInt},
                    {"ulong", QMetaType::ULong}, {"integer", QMetaType::LongLong}, {"ull", QMetaType::ULongLong},
                    {"float", QMetaType::Float}, {"double", QMetaType::Double},     {"string", QMetaType::QString}};
    for (const auto& e : expected) {
        SCOPED_TRACE(e.key);
        EXPECT_EQ(map.value(e.key).typeId(), e.type);
    }
    EXPECT_EQ(map.value("string"), QVariant("s"));
    EXPECT_EQ(unsignedLongForKey(map, "ulong"), 2u);
}

TEST(DictionaryGettersTest, StringsAndObjects)
{
    const QVariantMap map{{"s", "text"}, {"n", 5}};
    EXPECT_EQ(stringForKey(map, "s"), "text");
    EXPECT_TRUE(stringForKey(map, "n").isNull());
    EXPECT_EQ(stringForKey(map, "n", "d"), "d");
    EXPECT_EQ(objectForKey(map, "n", QVariant("d")), QVariant(5));
    EXPECT_EQ(objectForKey(map, "x", QVariant("d")), QVariant("d"));
}

TEST(DictionaryGettersTest, LocalizedStringPrefersTheFirstLocalizationWithAString)
{
    const QVariantMap map{
        {"plain", "Hello"},
        {"both", QVariantMap{{"English", "Hi"}, {"de", "Hallo"}, {"fr", 3}}},
        {"noEnglish", QVariantMap{{"de", "Hallo"}}},
        {"badEnglish", QVariantMap{{"English", 1}}},
        {"number", 4},
    };
    const struct
    {
        const char* key;
        QStringList preferred;
        const char* expected;
    } cases[] = {
        {"plain", {"de"}, "Hello"},      {"both", {"de", "en"}, "Hallo"},   {"both", {"fr", "de"}, "Hallo"},
        {"both", {"it"}, "Hi"},          {"noEnglish", {"it"}, "default"}, {"badEnglish", {}, "default"},
        {"number", {"de"}, "default"},   {"missing", {"de"}, "default"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.key) + " " + c.preferred.join(',').toStdString());
        EXPECT_EQ(localizedStringForKey(map, c.key, "default", c.preferred), c.expected);
    }
    EXPECT_TRUE(localizedStringForKey(map, "missing").isNull());
}

TEST(DictionaryGettersTest, FourCharacterCodesAreKeys)
{
    constexpr quint32 kCode = 0x41424344; // 'ABCD'
    constexpr quint32 kHighCode = 0xFFFFFFFE;
    QVariantMap map{{codeKey(kCode), "by code"}, {"name", "by name"}, {codeKey(kHighCode), "high"}};
    EXPECT_EQ(codeKey(kHighCode), "-2");
    EXPECT_EQ(objectForCode(map, kCode), QVariant("by code"));
    EXPECT_EQ(objectForCode(map, kHighCode), QVariant("high"));
    EXPECT_EQ(objectForCode(map, 1, QVariant("d")), QVariant("d"));
    EXPECT_EQ(objectForKey(map, "name", kCode), QVariant("by code"));
    EXPECT_EQ(objectForKey(map, "name", 1), QVariant("by name"));
}

} // namespace
