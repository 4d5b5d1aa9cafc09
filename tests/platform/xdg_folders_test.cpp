#include "platform/xdg_folders.h"

#include "tests/support/temporary_home.h"

#include <gtest/gtest.h>

namespace sorvant {
namespace {

struct SearchRow
{
    const char* name;
    XdgSearchFolders which;
    const char* variable;
    const char* value; // null unsets
    QStringList expected;
};
void PrintTo(const SearchRow& row, std::ostream* out) { test::printRowName(row, out); }

class XdgSearch : public testing::TestWithParam<SearchRow>
{
};

// Relative entries would resolve against whatever the working folder is;
// they never count, and the defaults stand when nothing else is left.
TEST_P(XdgSearch, OnlyAbsoluteEntriesCount)
{
    test::TemporaryHome home;
    const SearchRow& row = GetParam();
    const QByteArray saved = qgetenv(row.variable);
    const bool wasSet = qEnvironmentVariableIsSet(row.variable);
    if (row.value)
        qputenv(row.variable, row.value);
    else
        qunsetenv(row.variable);
    EXPECT_EQ(xdgSearchFolders(row.which), row.expected);
    if (wasSet)
        qputenv(row.variable, saved);
    else
        qunsetenv(row.variable);
}

const QStringList kDataDefaults {QStringLiteral("/usr/local/share"), QStringLiteral("/usr/share")};

INSTANTIATE_TEST_SUITE_P(
    Rows, XdgSearch,
    testing::Values(SearchRow {"DataUnset", XdgSearchFolders::Data, "XDG_DATA_DIRS", nullptr, kDataDefaults},
                    SearchRow {"DataEmpty", XdgSearchFolders::Data, "XDG_DATA_DIRS", "", kDataDefaults},
                    SearchRow {"DataRelativeOnly", XdgSearchFolders::Data, "XDG_DATA_DIRS", "share:./x", kDataDefaults},
                    SearchRow {"DataCleaned", XdgSearchFolders::Data, "XDG_DATA_DIRS", "/a//b/:rel::/c/../d",
                               {QStringLiteral("/a/b"), QStringLiteral("/d")}},
                    SearchRow {"ConfigUnset", XdgSearchFolders::Config, "XDG_CONFIG_DIRS", nullptr, {QStringLiteral("/etc/xdg")}},
                    SearchRow {"ConfigRelativeOnly", XdgSearchFolders::Config, "XDG_CONFIG_DIRS", "xdg", {QStringLiteral("/etc/xdg")}},
                    SearchRow {"ConfigTwo", XdgSearchFolders::Config, "XDG_CONFIG_DIRS", "/opt/xdg:/etc/xdg",
                               {QStringLiteral("/opt/xdg"), QStringLiteral("/etc/xdg")}}),
    [](const testing::TestParamInfo<SearchRow>& row) { return std::string(row.param.name); });

TEST(XdgBase, ARelativeOrEmptyVariableFallsBackBelowTheHome)
{
    test::TemporaryHome home;
    for (const QByteArray& value : {QByteArray(), QByteArray("rel/data"), QByteArray("")}) {
        SCOPED_TRACE(value.constData());
        home.setVariableBytes("XDG_DATA_HOME", value);
        EXPECT_EQ(xdgBaseFolder(XdgBaseFolder::Data), home.home + QStringLiteral("/.local/share"));
        EXPECT_TRUE(xdgBaseFolder(XdgBaseFolder::Data, QString()).isEmpty());
    }
    home.setVariableBytes("XDG_DATA_HOME", "/srv/data/");
    EXPECT_EQ(xdgBaseFolder(XdgBaseFolder::Data), QStringLiteral("/srv/data"));
}

} // namespace
} // namespace sorvant
