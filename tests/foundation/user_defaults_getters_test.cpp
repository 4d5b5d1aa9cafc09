#include "foundation/user_defaults_getters.h"

#include "platform/user_defaults.h"
#include "tests/support/log_capture.h"
#include "tests/support/temp_tree.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

using namespace sorvant;
using sorvant::test::LogCapture;

namespace {

class UserDefaultsGettersTest : public testing::Test
{
protected:
    test::TempTree tree;
    UserDefaults defaults{tree.filePath("d.plist"), {"prog", "-ArgYes", "yes", "-ArgNumber", "12abc"}};
};

TEST_F(UserDefaultsGettersTest, NilRemovesAndTheDefaultComesBack)
{
    defaults.setBool(false, "Flag");
    EXPECT_FALSE(boolForKey(defaults, "Flag", true));
    defaults.setValue(QVariant(), "Flag");
    EXPECT_TRUE(boolForKey(defaults, "Flag", true));
    EXPECT_FALSE(UserDefaults(tree.filePath("d.plist")).objectForKey("Flag").isValid());
}

TEST_F(UserDefaultsGettersTest, PresentValueWinsOverTheDefault)
{
    defaults.registerDefaults({{"Registered", false}, {"Count", 0}});
    EXPECT_FALSE(boolForKey(defaults, "Registered", true));
    EXPECT_TRUE(boolForKey(defaults, "Missing", true));
    EXPECT_EQ(integerForKey(defaults, "Count", -2), 0);
    EXPECT_EQ(integerForKey(defaults, "Missing", -2), -2);
    EXPECT_EQ(stringForKey(defaults, "Missing", "fallback"), "fallback");
    EXPECT_EQ(objectForKey(defaults, "Missing", QVariant(3)), QVariant(3));
}

TEST_F(UserDefaultsGettersTest, StringsFromTheCommandLineReadByTheValueRules)
{
    EXPECT_TRUE(boolForKey(defaults, "ArgYes"));
    EXPECT_EQ(integerForKey(defaults, "ArgNumber"), 12);
    EXPECT_DOUBLE_EQ(doubleForKey(defaults, "ArgNumber", 1.0), 12.0);
    EXPECT_EQ(stringForKey(defaults, "ArgYes"), "yes");
}

TEST_F(UserDefaultsGettersTest, NaNAndValuesWithoutReadingsGiveTheDefault)
{
    defaults.setDouble(std::numeric_limits<double>::quiet_NaN(), "NaN");
    defaults.setObject(QVariantList{1.0}, "Array");
    defaults.setFloat(1.5f, "Real");
    LogCapture log;
    EXPECT_EQ(floatForKey(defaults, "NaN", 2.5f), 2.5f);
    EXPECT_EQ(doubleForKey(defaults, "NaN", 2.5), 2.5);
    EXPECT_EQ(doubleForKey(defaults, "Array", 1.0), 1.0);
    EXPECT_EQ(floatForKey(defaults, "Real", 9.0f), 1.5f);
    EXPECT_FALSE(boolForKey(defaults, "Array"));
    EXPECT_TRUE(stringForKey(defaults, "Array").isNull());
    EXPECT_TRUE(log.lines().isEmpty()) << log.lines().join('\n').toStdString();
}

TEST_F(UserDefaultsGettersTest, TypedCollectionsAnswerOnlyTheirKind)
{
    defaults.setObject(QVariantList{"a", "b"}, "Strings");
    defaults.setObject(QVariantList{"a", 1}, "Mixed");
    defaults.setObject(QByteArray("xy"), "Data");
    defaults.setObject(QVariantMap{{"k", 1}}, "Map");
    EXPECT_EQ(stringArrayForKey(defaults, "Strings"), QStringList({"a", "b"}));
    EXPECT_TRUE(stringArrayForKey(defaults, "Mixed").isEmpty());
    EXPECT_EQ(arrayForKey(defaults, "Mixed").size(), 2);
    EXPECT_TRUE(arrayForKey(defaults, "Data").isEmpty());
    EXPECT_EQ(dataForKey(defaults, "Data"), QByteArray("xy"));
    EXPECT_EQ(dictionaryForKey(defaults, "Map").value("k"), QVariant::fromValue<qint64>(1));
    EXPECT_EQ(stringForKey(defaults, "Map", "d"), "d");
}

TEST_F(UserDefaultsGettersTest, ShouldInstallItemAnswersYesOnce)
{
    EXPECT_TRUE(shouldInstallItemForKey(defaults, "Fresh"));
    EXPECT_FALSE(shouldInstallItemForKey(defaults, "Fresh"));
    EXPECT_EQ(defaults.objectForKey("Fresh"), QVariant(false));
    setShouldInstallItem(defaults, true, "Fresh");
    UserDefaults fresh(tree.filePath("d.plist"));
    EXPECT_TRUE(shouldInstallItemForKey(fresh, "Fresh"));
    EXPECT_FALSE(shouldInstallItemForKey(fresh, "Fresh"));
}

} // namespace
