#include "search/wildcard_listings.h"

#include "tests/support/temp_tree.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace sorvant {
namespace {

TEST(WildcardListings, NamesMatchThePatternInAnyCase)
{
    test::TempTree tree;
    for (const char* name : {"Photo-1.png", "photo-2.PNG", "photograph", "my-photo.png", "notes.txt"})
        tree.writeFile(QString::fromUtf8(name));
    QStringList found = pathsAtPathMatchingWildcard(tree.path(), "PHOTO-?.*");
    std::sort(found.begin(), found.end());
    EXPECT_EQ(found, QStringList({tree.filePath("Photo-1.png"), tree.filePath("photo-2.PNG")}));
    found = pathsAtPathMatchingWildcard(tree.path(), "*photo*");
    EXPECT_EQ(found.size(), 4);
    EXPECT_TRUE(pathsAtPathMatchingWildcard(tree.path(), QString()).isEmpty());
    EXPECT_TRUE(pathsAtPathMatchingWildcard(QString(), "*").isEmpty());
    EXPECT_TRUE(pathsAtPathMatchingWildcard(tree.filePath("missing"), "*").isEmpty());
}

} // namespace
} // namespace sorvant
