#include "system/sandbox.h"

#include "tests/support/temp_tree.h"

#include <QProcessEnvironment>

#include <gtest/gtest.h>

namespace sorvant {
namespace {

QProcessEnvironment environmentWith(const char* name, const char* value)
{
    QProcessEnvironment environment;
    environment.insert(QStringLiteral("HOME"), QStringLiteral("/home/someone"));
    if (name)
        environment.insert(QLatin1String(name), QLatin1String(value));
    return environment;
}

TEST(Sandbox, FlatpakAndSnapVariablesMarkASandbox)
{
    test::TempTree root;
    EXPECT_TRUE(isSandboxedEnvironment(environmentWith("FLATPAK_ID", "org.example.App"), root.path()));
    EXPECT_TRUE(isSandboxedEnvironment(environmentWith("SNAP", "/snap/app/12"), root.path()));
    EXPECT_FALSE(isSandboxedEnvironment(environmentWith("FLATPAK_ID", ""), root.path()));
    EXPECT_FALSE(isSandboxedEnvironment(environmentWith("SNAP_NAME", "app"), root.path()));
    EXPECT_FALSE(isSandboxedEnvironment(environmentWith(nullptr, nullptr), root.path()));
}

TEST(Sandbox, FlatpakInfoFileAtTheRootMarksASandbox)
{
    test::TempTree root;
    root.writeFile(QStringLiteral(".flatpak-info"), "[Application]\nname=org.example.App\n");
    EXPECT_TRUE(isSandboxedEnvironment(environmentWith(nullptr, nullptr), root.path()));
    test::TempTree other;
    other.writeFile(QStringLiteral("sub/.flatpak-info"));
    EXPECT_FALSE(isSandboxedEnvironment(environmentWith(nullptr, nullptr), other.path()));
}

TEST(Sandbox, FlagIsComputedOnceFromThisProcess)
{
    const bool expected = isSandboxedEnvironment(QProcessEnvironment::systemEnvironment(), QStringLiteral("/"));
    EXPECT_EQ(isSandboxed(), expected);
    qputenv("FLATPAK_ID", expected ? "" : "org.example.Changed");
    EXPECT_EQ(isSandboxed(), expected);
    qunsetenv("FLATPAK_ID");
}

} // namespace
} // namespace sorvant
