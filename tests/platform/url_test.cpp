#include "platform/url.h"

#include "tests/support/scan_work_bound.h"

#include <gtest/gtest.h>

namespace sorvant {
namespace {

TEST(URL, SplitsEveryPart)
{
    const URL url = URL::URLWithString(QStringLiteral("http://u:p@Host.example:8080/a/b%20c/;x=1?q=2#frag"));
    ASSERT_FALSE(url.isNull());
    EXPECT_EQ(url.scheme(), QStringLiteral("http"));
    EXPECT_EQ(url.user(), QStringLiteral("u"));
    EXPECT_EQ(url.password(), QStringLiteral("p"));
    EXPECT_EQ(url.host(), QStringLiteral("Host.example"));
    EXPECT_EQ(url.port(), QVariant(8080));
    EXPECT_EQ(url.pathAsWritten(), QStringLiteral("/a/b%20c/"));
    EXPECT_EQ(url.path(), QStringLiteral("/a/b c"));
    EXPECT_EQ(url.parameterString(), QStringLiteral("x=1"));
    EXPECT_EQ(url.query(), QStringLiteral("q=2"));
    EXPECT_EQ(url.fragment(), QStringLiteral("frag"));
    EXPECT_EQ(url.resourceSpecifier(), QStringLiteral("//u:p@Host.example:8080/a/b%20c/;x=1?q=2#frag"));
    EXPECT_EQ(url.lastPathComponent(), QStringLiteral("b c"));
    EXPECT_TRUE(url.hasDirectoryPath());
}

TEST(URL, AbsentAndEmptyPartsDiffer)
{
    const URL url = URL::URLWithString(QStringLiteral("http://h?"));
    ASSERT_FALSE(url.isNull());
    EXPECT_TRUE(url.user().isNull());
    EXPECT_FALSE(url.port().isValid());
    EXPECT_TRUE(url.fragment().isNull());
    EXPECT_FALSE(url.query().isNull());
    EXPECT_TRUE(url.query().isEmpty());
    EXPECT_TRUE(url.path().isEmpty());
    EXPECT_FALSE(url.path().isNull());
}

TEST(URL, RejectsMalformedStringsWithoutRepair)
{
    for (const char* text : {"", "a b", "http://h/a b", "http://h/%zz", "http://h/%4", "http://h:80x/",
                             "http://h/#a#b", "http://h/\"q\"", "http://h/<x>", "http://h/\xc3\xa9",
                             "http://[::1/", "http://h/[x]", "http://u:p@h::/", "http://a:b:8/"}) {
        SCOPED_TRACE(text);
        EXPECT_TRUE(URL::URLWithString(QString::fromUtf8(text)).isNull());
    }
    EXPECT_FALSE(URL::URLWithString(QStringLiteral("http://[::1]:80/")).isNull());
    EXPECT_EQ(URL::URLWithString(QStringLiteral("http://[::1]:80/")).host(), QStringLiteral("[::1]"));
}

TEST(URL, OpaqueURLsHaveNoPath)
{
    const URL mail = URL::URLWithString(QStringLiteral("mailto:someone@example.com?subject=x"));
    ASSERT_FALSE(mail.isNull());
    EXPECT_EQ(mail.scheme(), QStringLiteral("mailto"));
    EXPECT_EQ(mail.resourceSpecifier(), QStringLiteral("someone@example.com?subject=x"));
    EXPECT_TRUE(mail.path().isNull());
    EXPECT_TRUE(mail.host().isNull());
    EXPECT_TRUE(mail.query().isNull());
}

TEST(URL, RelativeResolution)
{
    const URL base = URL::URLWithString(QStringLiteral("http://a/b/c/d;p?q"));
    struct Row
    {
        const char* reference;
        const char* expected;
    };
    for (const Row& row : {Row{"g", "http://a/b/c/g"}, Row{"./g", "http://a/b/c/g"}, Row{"g/", "http://a/b/c/g/"},
                           Row{"/g", "http://a/g"}, Row{"//g", "http://g"}, Row{"?y", "http://a/b/c/d;p?y"},
                           Row{"g?y", "http://a/b/c/g?y"}, Row{"#s", "http://a/b/c/d;p?q#s"},
                           Row{"..", "http://a/b/"}, Row{"../g", "http://a/b/g"}, Row{"../../g", "http://a/g"},
                           Row{"https://x/y", "https://x/y"}}) {
        SCOPED_TRACE(row.reference);
        const URL url = URL::URLWithString(QString::fromUtf8(row.reference), base);
        ASSERT_FALSE(url.isNull());
        EXPECT_EQ(url.absoluteString(), QString::fromUtf8(row.expected));
        EXPECT_EQ(url.relativeString(), QString::fromUtf8(row.reference));
    }
    EXPECT_EQ(URL::URLWithString(QStringLiteral("g"), base).host(), QStringLiteral("a"));
}

// A resolved URL is split from the string it composes: every part comes
// from the base or the reference as resolution chose it.
TEST(URL, ResolvedURLsAnswerThePartsOfTheirAbsoluteString)
{
    const URL base = URL::URLWithString(QStringLiteral("http://u:p@h:8/a/b;p?q"));
    struct Row
    {
        const char* reference;
        const char* absolute;
        const char* user;
        const char* password;
        const char* host;
        int port;
        const char* path;
        const char* parameters;
        const char* query;
        const char* fragment;
    };
    const Row rows[] = {
        {"c;x?y#z", "http://u:p@h:8/a/c;x?y#z", "u", "p", "h", 8, "/a/c", "x", "y", "z"},
        {"//v@k/m/../n?", "http://v@k/n?", "v", nullptr, "k", 0, "/n", nullptr, "", nullptr},
        {"#f", "http://u:p@h:8/a/b;p?q#f", "u", "p", "h", 8, "/a/b", "p", "q", "f"},
        {"?", "http://u:p@h:8/a/b;p?", "u", "p", "h", 8, "/a/b", "p", "", nullptr},
        {"../../x;", "http://u:p@h:8/x;", "u", "p", "h", 8, "/x", "", nullptr, nullptr},
    };
    const auto text = [](const char* part) { return part ? QString::fromLatin1(part) : QString(); };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.reference);
        const URL url = URL::URLWithString(text(row.reference), base);
        ASSERT_FALSE(url.isNull());
        EXPECT_EQ(url.absoluteString(), text(row.absolute));
        EXPECT_EQ(url.relativeString(), text(row.reference));
        EXPECT_EQ(url.resourceSpecifier(), url.absoluteString().mid(5));
        EXPECT_EQ(url.scheme(), QStringLiteral("http"));
        EXPECT_EQ(url.user(), text(row.user));
        EXPECT_EQ(url.password().isNull(), row.password == nullptr);
        EXPECT_EQ(url.password(), text(row.password));
        EXPECT_EQ(url.host(), text(row.host));
        EXPECT_EQ(url.port(), row.port ? QVariant(row.port) : QVariant());
        EXPECT_EQ(url.pathAsWritten(), text(row.path));
        EXPECT_EQ(url.parameterString().isNull(), row.parameters == nullptr);
        EXPECT_EQ(url.parameterString(), text(row.parameters));
        EXPECT_EQ(url.query().isNull(), row.query == nullptr);
        EXPECT_EQ(url.query(), text(row.query));
        EXPECT_EQ(url.fragment().isNull(), row.fragment == nullptr);
        EXPECT_EQ(url.fragment(), text(row.fragment));
        EXPECT_EQ(url.baseURL(), base);
        EXPECT_EQ(url.absoluteURL().absoluteString(), url.absoluteString());
    }
}

TEST(URL, FileURLs)
{
    const URL file = URL::fileURLWithPath(QStringLiteral("/tmp/a b/x#1.txt"));
    EXPECT_EQ(file.absoluteString(), QStringLiteral("file:///tmp/a%20b/x%231.txt"));
    EXPECT_TRUE(file.isFileURL());
    EXPECT_EQ(file.path(), QStringLiteral("/tmp/a b/x#1.txt"));
    EXPECT_EQ(file.pathExtension(), QStringLiteral("txt"));
    EXPECT_FALSE(file.hasDirectoryPath());

    const URL folder = URL::fileURLWithPath(QStringLiteral("/tmp/Caf\u00e9"), true);
    EXPECT_EQ(folder.absoluteString(), QStringLiteral("file:///tmp/Caf%C3%A9/"));
    EXPECT_EQ(folder.path(), QStringLiteral("/tmp/Caf\u00e9"));
    EXPECT_TRUE(URL::fileURLWithPath(QString()).isNull());
}

TEST(URL, FileURLsKeepTheBytesOfNamesThatAreNotUTF8)
{
    const QString name = QString::fromUtf16(u"/tmp/a\xDCFF\xDC80" u"b");
    const URL file = URL::fileURLWithPath(name);
    EXPECT_EQ(file.absoluteString(), QStringLiteral("file:///tmp/a%FF%80b"));
    EXPECT_EQ(file.path(), name);
    EXPECT_EQ(URL::URLWithString(QStringLiteral("http://h/a%FF")).path(), QString());
    EXPECT_TRUE(URL::fileURLWithPath(QString::fromUtf16(u"/a\0b", 4)).isNull());
}

TEST(URL, StandardizedURLResolvesDots)
{
    EXPECT_EQ(URL::URLWithString(QStringLiteral("http://h/a/./b/../c?x")).standardizedURL().absoluteString(),
              QStringLiteral("http://h/a/c?x"));
    const URL mail = URL::URLWithString(QStringLiteral("mailto:a@b.c"));
    EXPECT_EQ(mail.standardizedURL(), mail);
}

TEST(URL, PercentDecoding)
{
    EXPECT_EQ(percentDecoded(QStringLiteral("a%20b%C3%A9")), QStringLiteral("a b\u00e9"));
    EXPECT_TRUE(percentDecoded(QStringLiteral("%zz")).isNull());
    EXPECT_TRUE(percentDecoded(QStringLiteral("%ff")).isNull()) << "invalid UTF-8 decodes to nothing";
    EXPECT_TRUE(percentDecoded(QString()).isNull());
    EXPECT_FALSE(percentDecoded(QStringLiteral("")).isNull());
}

// Regression: each "./" or "../" cut its segment from the front of the rest
// of the path, so 48,000 of them took a second and four times that for
// twice as many.
TEST(URL, DotSegmentsAreRemovedInLinearWork)
{
    const URL base = URL::URLWithString(QStringLiteral("http://h/d/e/f"));
    test::expectLinearScanWork(
        [](qsizetype size) {
            QString path = QStringLiteral("x/");
            while (path.size() < size)
                path += QStringLiteral("./../");
            return path + QStringLiteral("g/./h/..");
        },
        [&base](const QString& path) {
            EXPECT_EQ(URL::URLWithString(path, base).absoluteString(), QStringLiteral("http://h/g/"));
        });
    const struct
    {
        const char* ref;
        const char* resolved;
    } cases[] = {
        {"../g", "http://h/d/g"}, {"../../../../g", "http://h/g"}, {"/./g/.", "http://h/g/"}, {"g/..", "http://h/d/e/"},
        {"/a/b/c/./../../g", "http://h/a/g"}, {"./", "http://h/d/e/"}, {".", "http://h/d/e/"}, {"/..", "http://h/"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.ref);
        EXPECT_EQ(URL::URLWithString(QString::fromLatin1(c.ref), base).absoluteString(), QString::fromLatin1(c.resolved));
    }
}

} // namespace
} // namespace sorvant
