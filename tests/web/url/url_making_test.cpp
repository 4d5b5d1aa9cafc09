#include "web/url/url_making.h"

#include "platform/path_semantics.h"
#include "tests/support/temp_tree.h"

#include <gtest/gtest.h>

namespace sorvant {
namespace {

struct MakingCase
{
    const char* name;
    const char* text;
    const char* expected; // nullptr: the null URL
};
void PrintTo(const MakingCase& row, std::ostream* out) { test::printRowName(row, out); }

void expectURL(const URL& answer, const char* expected)
{
    if (expected)
        EXPECT_EQ(answer.absoluteString(), QString::fromUtf8(expected));
    else
        EXPECT_TRUE(answer.isNull()) << answer.absoluteString().toStdString();
}

class URLWithStringOrPathTable : public testing::TestWithParam<MakingCase>
{
};

TEST_P(URLWithStringOrPathTable, RepairsOnlyTheKnownForms)
{
    expectURL(URLWithStringOrPath(QString::fromUtf8(GetParam().text)), GetParam().expected);
}

const MakingCase kStringOrPathCases[] = {
    {"WebURL", "https://h/p?q#f", "https://h/p?q#f"},
    {"OtherScheme", "x-app:open", "x-app:open"},
    {"BareMailAddress", "ann@example.com", "mailto:ann@example.com"},
    {"WwwHost", "www.example.org", "http://www.example.org"},
    {"FtpHost", "ftp.example.org", "ftp://ftp.example.org"},
    {"WwwIsCaseSensitive", "WWW.example.org", nullptr},
    {"SingleDot", "www.example", nullptr},
    {"PlainHost", "example.org", nullptr},
    {"OtherDottedName", "a.b.c", nullptr},
    {"LeadingDot", ".hidden", nullptr},
    {"SchemeSlashesAndSpace", "http://h/a b", nullptr},
    {"SlashesWithoutScheme", "1h://x", nullptr},
    {"MailtoEscaped", "mailto:a b@c.d", "mailto:a%20b@c.d"},
    {"MessageEscaped", "message:<a b@c>", "message:%3Ca%20b@c%3E"},
    {"HostWithSpace", "www.a b.org", nullptr},
    {"Empty", "", nullptr},
};

INSTANTIATE_TEST_SUITE_P(Table, URLWithStringOrPathTable, testing::ValuesIn(kStringOrPathCases),
                         [](const testing::TestParamInfo<MakingCase>& row) { return std::string(row.param.name); });

TEST(URLWithStringOrPath, PathsBecomeFileURLsFoldersWithASlash)
{
    test::TempTree tree;
    const QString folder = tree.makeDir(QStringLiteral("a b"));
    const QString file = tree.writeFile(QStringLiteral("a b/c.txt"), "x");
    const URL folderURL = URLWithStringOrPath(folder);
    EXPECT_TRUE(folderURL.isFileURL());
    EXPECT_TRUE(folderURL.absoluteString().endsWith(QLatin1String("/a%20b/")));
    EXPECT_EQ(folderURL.path(), folder);
    EXPECT_FALSE(URLWithStringOrPath(file).hasDirectoryPath());
    EXPECT_EQ(URLWithStringOrPath(file).path(), file);
}

TEST(URLWithStringOrPath, TildeIsTheHomeFolder)
{
    const URL url = URLWithStringOrPath(QStringLiteral("~/no-such-item"));
    EXPECT_TRUE(url.isFileURL());
    EXPECT_EQ(url.path(), NSHomeDirectory() + QStringLiteral("/no-such-item"));
    EXPECT_TRUE(URLWithStringOrPath(QString()).isNull());
}

class URLWithNormalizedStringURLTable : public testing::TestWithParam<MakingCase>
{
};

TEST_P(URLWithNormalizedStringURLTable, EscapesWhatDoesNotParse)
{
    expectURL(URLWithNormalizedStringURL(QString::fromUtf8(GetParam().text)), GetParam().expected);
}

const MakingCase kNormalizedCases[] = {
    {"ParsesAsIs", "http://h/a%20b", "http://h/a%20b"},
    {"SpaceEscaped", "http://h/a b", "http://h/a%20b"},
    {"NonAsciiEscaped", "http://h/caf\xc3\xa9", "http://h/caf%C3%A9"},
    {"QuoteAndEscapedQuote", "http://h/\"q\"%22", "http://h/%22q%22%22"},
    {"EscapedQuoteAloneStays", "http://h/a b%22", "http://h/a%20b%2522"},
    {"SecondHashEscaped", "http://h/a#b#c", "http://h/a%23b%23c"},
    {"MailtoNotRetried", "mailto:<a>", "mailto:%3Ca%3E"},
    {"MessageThatFailsStaysNull", "MESSAGE:a\"b", "MESSAGE:a%22b"},
    {"WwwHostWithSpace", "www.a b.org", "http://www.a%20b.org"},
    {"UnrepairableText", "not a link", nullptr},
    {"LeadingDot", ".a b", nullptr},
    {"Empty", "", nullptr},
};

INSTANTIATE_TEST_SUITE_P(Table, URLWithNormalizedStringURLTable, testing::ValuesIn(kNormalizedCases),
                         [](const testing::TestParamInfo<MakingCase>& row) { return std::string(row.param.name); });

TEST(URLWithNormalizedStringURL, EscapesInTheGivenEncoding)
{
    EXPECT_EQ(URLWithNormalizedStringURL(QStringLiteral("http://h/caf\u00e9"), NSISOLatin1StringEncoding)
                  .absoluteString(),
              QStringLiteral("http://h/caf%E9"));
    EXPECT_TRUE(URLWithNormalizedStringURL(QStringLiteral("http://h/\u20ac"), NSISOLatin1StringEncoding).isNull());
    EXPECT_TRUE(URLWithNormalizedStringURL(QString()).isNull());
}

TEST(URLWithEscapeFallback, RetriesEscapedAndRelativeToTheBase)
{
    const URL base = URL::URLWithString(QStringLiteral("http://h/a/"));
    EXPECT_EQ(URLWithEscapeFallback(QStringLiteral("b c"), NSUTF8StringEncoding, base).absoluteString(),
              QStringLiteral("http://h/a/b%20c"));
    EXPECT_EQ(URLWithEscapeFallback(QStringLiteral("b%20c"), NSUTF8StringEncoding, base).absoluteString(),
              QStringLiteral("http://h/a/b%20c")) << "text that parses is not escaped";
    EXPECT_TRUE(URLWithEscapeFallback(QStringLiteral("http://h/\u20ac"), NSISOLatin1StringEncoding).isNull());
    EXPECT_TRUE(URLWithEscapeFallback(QString(), NSUTF8StringEncoding).isNull());
}

TEST(URLWithFormat, FormatsThenParses)
{
    EXPECT_EQ(URLWithFormat(QStringLiteral("http://%@/%d"), "h", 2).absoluteString(), QStringLiteral("http://h/2"));
    EXPECT_TRUE(URLWithFormat(QStringLiteral("%@"), "a b").isNull());
    EXPECT_TRUE(URLWithFormatArguments(QStringLiteral(""), {}).isNull());
    EXPECT_TRUE(URLWithFormatArguments(QString(), {QStringLiteral("x")}).isNull());
}

} // namespace
} // namespace sorvant
