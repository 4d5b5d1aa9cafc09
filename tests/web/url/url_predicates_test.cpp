#include "web/url/url_predicates.h"

#include "platform/url.h"
#include "tests/support/temp_tree.h"

#include <gtest/gtest.h>

#include <functional>

namespace sorvant {
namespace {

struct StringCase
{
    const char* name;
    std::function<bool(const QString&)> predicate;
    const char* text;
    bool expected;
};
void PrintTo(const StringCase& row, std::ostream* out) { test::printRowName(row, out); }

class StringURLPredicates : public testing::TestWithParam<StringCase>
{
};

TEST_P(StringURLPredicates, AnswersAsTheTableSays)
{
    const StringCase& row = GetParam();
    EXPECT_EQ(row.predicate(QString::fromUtf8(row.text)), row.expected) << row.text;
}

// Each row pins a minimum length, a case rule or a prefix that a
// neighbouring predicate must not share.
const StringCase kStringCases[] = {
    {"HttpUpperCase", isHTTPStringURL, "HTTP://x", true},
    {"HttpsBare", isHTTPStringURL, "https://", true},
    {"HttpSchemeOnly", isHTTPStringURL, "http:/", false},
    {"HttpNoSlashes", isHTTPStringURL, "http:example.com", false},
    {"FtpSixUnits", isFTPStringURL, "ftp://", true},
    {"FtpsMixedCase", isFTPStringURL, "FtPs://h", true},
    {"FtpIsNotHttp", isHTTPStringURL, "ftp://host", false},
    {"NewsNntp", isNewsStringURL, "NNTP://h", true},
    {"NewsTooShort", isNewsStringURL, "news:/", false},
    {"FeedAnyCase", isFeedStringURL, "Feed:x", true},
    {"JavaScript", isJavaScriptStringURL, "JavaScript:void(0)", true},
    {"AppleScript", isAppleScriptStringURL, "applescript://x", true},
    {"DataIsCaseSensitive", isDataStringURL, "DATA:x", false},
    {"DataLowerCase", isDataStringURL, "data:,x", true},
    {"AboutIsCaseSensitive", isAboutStringURL, "About:blank", false},
    {"AboutLowerCase", isAboutStringURL, "about:blank", true},
    {"ReaderReadingList", isSafariReaderStringURL, "reading-list:", true},
    {"ReaderTooShort", isSafariReaderStringURL, "reading-list", false},
    {"WebKitWww", isWebKitStringURL, "www.x", true},
    {"WebKitFile", isWebKitStringURL, "file:///tmp", true},
    {"RemoteWebKitNotFile", isRemoteWebKitStringURL, "file:///tmp", false},
    {"RemoteWebKitFeed", isRemoteWebKitStringURL, "feed://h/rss", true},
    {"WebKitFourUnits", isWebKitStringURL, "www.", false},
    {"LoadableFtpHost", isLoadableStringURL, "FTP.example.org", true},
    {"DownloadableNotFeed", isDownloadableStringURL, "feed://h/rss", false},
    {"DownloadableNotFile", isDownloadableStringURL, "file:///tmp/x", false},
    {"FilePath", isFileStringURL, "/tmp", true},
    {"FileTilde", isFileStringURL, "~", true},
    {"FileScheme", isFileStringURL, "FILE:///x", true},
    {"FileOneSlash", isFileStringURL, "file:/x", false},
    {"FileRelative", isFileStringURL, "tmp/x", false},
    {"MailShortDomain", isMailStringURL, "ann@example.com", true},
    {"MailCountryDomain", isMailStringURL, "ann@example.co.uk", true},
    {"MailFourLetterEnding", isMailStringURL, "ann@x.info", true},
    {"MailFiveLetterEnding", isMailStringURL, "ann@example.museum", false},
    {"MailLongLabelBeforeDot", isMailStringURL, "ann@mail.example.com", false},
    {"MailQueryAfterEnding", isMailStringURL, "ann@x.com?subject=hi", true},
    {"MailCommaAfterEnding", isMailStringURL, "ann@x.com,bob@y.com", false},
    {"MailUnderscoreAndDash", isMailStringURL, "a_n-n.b@x.com", true},
    {"MailSpaceInName", isMailStringURL, "a n@x.com", false},
    {"MailDotBeforeAt", isMailStringURL, "ann.@x.com", false},
    {"MailLeadingAt", isMailStringURL, "@example.com", false},
    {"MailLeadingDot", isMailStringURL, ".ann@x.com", false},
    {"MailDashAfterAt", isMailStringURL, "ann@-x.com", false},
    {"MailDigitAfterDot", isMailStringURL, "ann@x.1com", false},
    {"MailDotLast", isMailStringURL, "ann@xcom.", false},
    {"MailNoDot", isMailStringURL, "ann@localhost", false},
    {"MailSlashBeforeAt", isMailStringURL, "a/b@x.com", false},
    {"MailColonBeforeAt", isMailStringURL, "http://a@x.com", false},
    {"MailSecondAtBeforeDot", isMailStringURL, "a@b@x.com", false},
    {"MailNonAsciiName", isMailStringURL, "jürgen@x.de", false},
    {"MailtoTwelveUnits", isMailStringURL, "mailto:a@b.c", true},
    {"MailtoElevenUnits", isMailStringURL, "mailto:a@bc", false},
    {"MailtoAnyCase", isMailStringURL, "MAILTO:a@b.cd", true},
    {"MailFourUnits", isMailStringURL, "a@b.", false},
};

INSTANTIATE_TEST_SUITE_P(Table, StringURLPredicates, testing::ValuesIn(kStringCases),
                         [](const testing::TestParamInfo<StringCase>& row) { return std::string(row.param.name); });

TEST(StringURLPredicates, NullAndEmptyTextAnswerNo)
{
    for (const auto& predicate : {isHTTPStringURL, isFTPStringURL, isNewsStringURL, isFeedStringURL,
                                  isJavaScriptStringURL, isAppleScriptStringURL, isDataStringURL, isAboutStringURL,
                                  isSafariReaderStringURL, isWebKitStringURL, isRemoteWebKitStringURL,
                                  isLoadableStringURL, isDownloadableStringURL, isFileStringURL, isMailStringURL}) {
        EXPECT_FALSE(predicate(QString()));
        EXPECT_FALSE(predicate(QStringLiteral("")));
    }
}

URL url(const char* text)
{
    return URL::URLWithString(QString::fromUtf8(text));
}

TEST(URLPredicates, CompareTheWholeSchemeIgnoringCase)
{
    EXPECT_TRUE(isHTTPURL(url("HTTPS://h/")));
    EXPECT_FALSE(isHTTPURL(url("httpx://h/")));
    EXPECT_TRUE(isNewsURL(url("nntp://h/group")));
    EXPECT_TRUE(isFTPURL(url("FTPS://h")));
    EXPECT_TRUE(isMailURL(url("mailto:a@b.c")));
    EXPECT_TRUE(isDataURL(url("data:,x")));
    EXPECT_TRUE(isSafariReaderURL(url("reading-list:x")));
    EXPECT_TRUE(isDownloadableURL(url("ftp://h/f")));
    EXPECT_FALSE(isDownloadableURL(url("feed://h/f")));
    EXPECT_FALSE(isHTTPURL(URL()));
    EXPECT_FALSE(isHTTPURL(url("//h/relative")));
}

TEST(URLPredicates, WebKitURLsNeedAHostWithALetterOrDigit)
{
    EXPECT_TRUE(isWebKitURL(url("http://a.b/")));
    EXPECT_TRUE(isWebKitURL(url("file:///x")));
    EXPECT_FALSE(isRemoteWebKitURL(url("file:///x")));
    EXPECT_FALSE(isWebKitURL(url("http://a...b/")));
    EXPECT_FALSE(isWebKitURL(url("http://-.-/")));
    EXPECT_FALSE(isWebKitURL(url("http:/no/host")));
    EXPECT_FALSE(isWebKitURL(url("mailto:a@b.c")));
}

TEST(URLPredicates, InternalAndUsableSchemes)
{
    EXPECT_TRUE(isInternalWebKitURL(url("about:blank")));
    EXPECT_TRUE(isInternalWebKitURL(url("applewebdata://x")));
    EXPECT_FALSE(isInternalWebKitURL(url("http://h/")));
    EXPECT_TRUE(isUsableURL(url("blob:http://h/1")));
    EXPECT_TRUE(isUsableURL(url("javascript:void(0)")));
    EXPECT_FALSE(isUsableURL(url("mailto:a@b.c")));
}

TEST(URLPredicates, LoadableFileURLsNameAnExistingFile)
{
    test::TempTree tree;
    const QString file = tree.writeFile(QStringLiteral("a b.txt"), "x");
    const QString folder = tree.makeDir(QStringLiteral("dir"));
    EXPECT_TRUE(isLoadableURL(URL::fileURLWithPath(file)));
    EXPECT_FALSE(isLoadableURL(URL::fileURLWithPath(folder)));
    EXPECT_FALSE(isLoadableURL(URL::fileURLWithPath(tree.filePath(QStringLiteral("missing")))));
    EXPECT_TRUE(isLoadableURL(url("feed:x")));
    EXPECT_TRUE(isLoadableURL(url("http:x")));
    EXPECT_FALSE(isLoadableURL(url("mailto:a@b.c")));
}

struct LocationCase
{
    const char* name;
    const char* text;
    const char* expected; // nullptr: null
    bool removeFeedsAndTabs;
};
void PrintTo(const LocationCase& row, std::ostream* out) { test::printRowName(row, out); }

class PossibleInternetLocation : public testing::TestWithParam<LocationCase>
{
};

TEST_P(PossibleInternetLocation, AnswersTheTrimmedAddressOrNull)
{
    const LocationCase& row = GetParam();
    const QString answer = possibleInternetLocation(QString::fromUtf8(row.text), row.removeFeedsAndTabs);
    if (row.expected)
        EXPECT_EQ(answer, QString::fromUtf8(row.expected));
    else
        EXPECT_TRUE(answer.isNull()) << answer.toStdString();
}

const LocationCase kLocationCases[] = {
    {"TrimsWhiteSpace", " www.example.org\n", "www.example.org", false},
    {"SchemeAndSlashes", "x://y", "x://y", false},
    {"MailtoWithoutDot", "MAILTO:ann", "MAILTO:ann", false},
    {"BareAddress", "ann@example.com", "ann@example.com", false},
    {"FtpHost", "Ftp.example.org", "Ftp.example.org", false},
    {"WwwWithoutDot", "wwwexample", nullptr, false},
    {"TwoAts", "a@b@c.d", nullptr, false},
    {"AtWithoutDot", "ab@cd", nullptr, false},
    {"PlainName", "example.org", nullptr, false},
    {"InnerSpace", "www.a b.com", nullptr, false},
    {"InnerLineBreak", "www.a\nb.com", nullptr, false},
    {"LineBreakRemoved", "www.a\nb.com", "www.ab.com", true},
    {"TabRemoved", "www.a\tb.com", "www.ab.com", true},
    {"ThreeUnits", "x.y", nullptr, false},
    {"FourUnits", "x://", "x://", false},
    {"Empty", "", nullptr, false},
};

INSTANTIATE_TEST_SUITE_P(Table, PossibleInternetLocation, testing::ValuesIn(kLocationCases),
                         [](const testing::TestParamInfo<LocationCase>& row) { return std::string(row.param.name); });

TEST(PossibleInternetLocation, LengthLimitIs1023Units)
{
    const QString base = QStringLiteral("http://h/");
    EXPECT_FALSE(possibleInternetLocation(base + QString(1023 - base.size(), QLatin1Char('a'))).isNull());
    EXPECT_TRUE(possibleInternetLocation(base + QString(1024 - base.size(), QLatin1Char('a'))).isNull());
    EXPECT_TRUE(possibleInternetLocation(QString()).isNull());
}

} // namespace
} // namespace sorvant
