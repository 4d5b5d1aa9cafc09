#include "web/url/string_urls.h"

#include <gtest/gtest.h>

namespace sorvant {
namespace {

using Transform = QString (*)(const QString&);

struct Row {
    const char* in;
    const char* out; // nullptr: null
};

void checkTable(Transform transform, std::initializer_list<Row> rows)
{
    for (const Row& row : rows) {
        SCOPED_TRACE(row.in);
        const QString result = transform(QString::fromUtf8(row.in));
        if (row.out)
            EXPECT_EQ(result, QString::fromUtf8(row.out));
        else
            EXPECT_TRUE(result.isNull()) << result.toStdString();
    }
    EXPECT_TRUE(transform(QString()).isNull());
}

TEST(StringURLs, StandardizedSlashesAndDots)
{
    checkTable(standardizedStringURL, {
                                          {"http://h//a///b", "http://h/a/b"},
                                          {"http:///h", "http://h"},
                                          {"http://h/a/.", "http://h/a"},
                                          {"http://h/a/b/..", "http://h/a/b"},
                                          {"http://h/a/./.", "http://h/a"},
                                          {"http://h//a?x//y/.", "http://h/a?x//y/."},
                                          {"http://h//a;p//", "http://h/a;p//"},
                                          {"http://h/a..", "http://h/a.."},
                                          {"..", ""},
                                          {".", ""},
                                          {"", ""},
                                      });
}

TEST(StringURLs, AnchorsKeepHashBangAddresses)
{
    checkTable(stringURLWithoutAnchor, {
                                           {"http://h/a#x", "http://h/a"},
                                           {"http://h/#!/x", "http://h/#!/x"},
                                           {"a#!", "a"},
                                           {"a#", "a"},
                                           {"a", "a"},
                                       });
}

TEST(StringURLs, FeedsAndFileLinks)
{
    checkTable(validFeedStringURL, {
                                       {"feed:https://h/r", "https://h/r"},
                                       {"FEED:http://h/r", "http://h/r"},
                                       {"feed:h.org/r", "http://h.org/r"},
                                       {"feed://h/r", "feed://h/r"},
                                       {"feed:", "feed:"},
                                       {"http://h", "http://h"},
                                   });
    checkTable(WebKitStringURL, {
                                    {"feed://h/r", "http://h/r"},
                                    {"feed:https://h/r", "https://h/r"},
                                    {"x", "x"},
                                });
    checkTable(stringByAbbreviatingFileURL, {
                                                {"file:///tmp/x", "/tmp/x"},
                                                {"file://localhost/a", "/a"},
                                                {"FILE:///x", "FILE:///x"},
                                            });
}

TEST(StringURLs, SchemesCredentialsAndDisplay)
{
    checkTable(stringURLScheme, {
                                    {"http://h", "http"},
                                    {"mailto:a@b", "mailto"},
                                    {"/a:b", nullptr},
                                    {"a?b:c", nullptr},
                                    {"a", nullptr},
                                });
    checkTable(stringURLWithoutScheme, {
                                           {"http://h/a", "h/a"},
                                           {"mailto:a@b", "a@b"},
                                           {"http://", ""},
                                           {"h/a:b", "h/a:b"},
                                       });
    checkTable(stringURLWithoutCredentials, {
                                                {"http://u:p@h/a", "http://h/a"},
                                                {"http://u@h:8/a@b", "http://h:8/a@b"},
                                                {"http://h/a", "http://h/a"},
                                                {"/a", "/a"},
                                                {"not a url", "not a url"},
                                            });
    checkTable(displayStringURL, {
                                     {"https://u:p@www.h.org/a/", "h.org/a"},
                                     {"mailto:a@b.c", "a@b.c"},
                                     {"http://h//", "h"},
                                 });
}

TEST(StringURLs, PathExtensions)
{
    checkTable(stringURLPathExtension, {
                                           {"http://h/a/b.pdf?x=1", "pdf"},
                                           {"http://h/a/b.pdf#p", "pdf"},
                                           {"http://h/a/b.php;s=1", "php"},
                                           {"http://h.org", nullptr},
                                           {"http://h.org/a", nullptr},
                                           {"a.txt", "txt"},
                                           {"/a/b.tar.gz", "gz"},
                                           {"x", nullptr},
                                       });
    EXPECT_TRUE(stringURLMatchingExtensions(QStringLiteral("http://h/A.PDF"), {QStringLiteral("pdf")}));
    EXPECT_FALSE(stringURLMatchingExtensions(QStringLiteral("http://h/a"), {QStringLiteral("pdf")}));
    EXPECT_FALSE(stringURLMatchingExtensions(QStringLiteral("http://h/a.pdf"), {}));
}

TEST(StringURLs, EqualityIgnoresCaseAnchorAndTrailingSlash)
{
    EXPECT_TRUE(isEqualToStringURL(QStringLiteral("http://H/a/#x"), QStringLiteral("http://h/A")));
    EXPECT_TRUE(isEqualToStringURL(QStringLiteral("http://h//a"), QStringLiteral("http://h/a/")));
    EXPECT_FALSE(isEqualToStringURL(QStringLiteral("http://h/a"), QStringLiteral("http://h/b")));
    EXPECT_FALSE(isEqualToStringURL(QString(), QStringLiteral("")));
    EXPECT_FALSE(isEqualToStringURL(QStringLiteral("http://h/a"), QString()));
}

} // namespace
} // namespace sorvant
