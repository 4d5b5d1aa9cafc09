#pragma once
// A main bundle of the test's own: a temporary resources folder with
// English and German tables, the interface languages pinned, and the real
// bundle and languages put back afterwards.

#include "interface/strings_file.h"
#include "system/bundle.h"
#include "tests/support/main_bundle_scope.h"
#include "tests/support/temp_tree.h"

#include <gtest/gtest.h>

namespace sorvant::test {

class LocalizedBundleTest : public ::testing::Test
{
protected:
    // Put back when the test ends, whatever it set.
    test::MainBundleScope m_mainBundle;

    void SetUp() override
    {
        Bundle::setMainBundle(Bundle(m_tree.path(), {{"CFBundleName", "Sorvant"},
                                                     {"CFBundleShortVersionString", "1.2"}}));
        installStringsTables();
        setLanguage("en");
    }
    void TearDown() override
    {
        setPreferredLanguages({});
    }

    void setLanguage(const QString& language) { setPreferredLanguages({language}); }
    void writeTable(const QString& language, const QString& table, const QByteArray& text)
    {
        m_tree.writeFile(language + ".lproj/" + table + ".strings", text);
        clearStringsTableCache();
    }

    TempTree m_tree;
};

} // namespace sorvant::test
