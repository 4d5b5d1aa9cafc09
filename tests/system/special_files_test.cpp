// Readers of files whose paths come from elsewhere (another process's
// environment, search results): a pipe would block the open for ever and a
// device would be read without end, so neither is ever read.
#include "system/address_book_person.h"
#include "system/desktop_entry.h"
#include "tests/support/temp_tree.h"

#include <gtest/gtest.h>

namespace sorvant {
namespace {

TEST(SpecialFiles, PipesAndDevicesAreNeverRead)
{
    test::TempTree tree;
    for (const QString& path : tree.makeSpecialFiles(QStringLiteral("card"))) {
        SCOPED_TRACE(path.toStdString());
        EXPECT_TRUE(DesktopEntry::fromFile(path).isNull());
        EXPECT_FALSE(ABPerson::initWithContentsOfFile(path));
    }
    // A regular file still reads.
    const QString entry = tree.writeFile(QStringLiteral("a.desktop"), "[Desktop Entry]\nType=Application\nName=A\n");
    EXPECT_EQ(DesktopEntry::fromFile(entry).name(), QStringLiteral("A"));
}

} // namespace
} // namespace sorvant
