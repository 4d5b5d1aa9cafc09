#include "web/url/percent_escapes.h"

#include "tests/support/scan_work_bound.h"

#include <gtest/gtest.h>

namespace sorvant {
namespace {

struct EscapeCase
{
    const char* name;
    const char16_t* text;
    StringEncoding encoding;
    const char16_t* leaveUnescaped; // nullptr: null
    const char16_t* expected;       // nullptr: the escape fails
};
void PrintTo(const EscapeCase& row, std::ostream* out) { test::printRowName(row, out); }

class URLEscapes : public testing::TestWithParam<EscapeCase>
{
};

QString text(const char16_t* units)
{
    return units ? QString::fromUtf16(units) : QString();
}

TEST_P(URLEscapes, EscapeOnlyWhatAURLCannotHold)
{
    const EscapeCase& row = GetParam();
    const QString answer = stringByAddingPercentEscapesToURL(text(row.text), row.encoding, text(row.leaveUnescaped));
    if (row.expected)
        EXPECT_EQ(answer, text(row.expected));
    else
        EXPECT_TRUE(answer.isNull()) << answer.toStdString();
}

const EscapeCase kEscapeCases[] = {
    {"Space", u"a b", NSUTF8StringEncoding, nullptr, u"a%20b"},
    {"ReservedCharactersStay", u"http://u:p@h/a;b?c=d&e=f+g,$!*'()~_-.", NSUTF8StringEncoding, nullptr,
     u"http://u:p@h/a;b?c=d&e=f+g,$!*'()~_-."},
    {"PercentAndHashAreEscaped", u"a%20b#c", NSUTF8StringEncoding, nullptr, u"a%2520b%23c"},
    {"UnsafeAscii", u"\"<>[]\\^`{|}", NSUTF8StringEncoding, nullptr, u"%22%3C%3E%5B%5D%5C%5E%60%7B%7C%7D"},
    {"ControlCharacters", u"a\tb\n", NSUTF8StringEncoding, nullptr, u"a%09b%0A"},
    {"NonAsciiInUTF8", u"caf\u00e9", NSUTF8StringEncoding, nullptr, u"caf%C3%A9"},
    {"NonAsciiInLatin1", u"caf\u00e9", NSISOLatin1StringEncoding, nullptr, u"caf%E9"},
    {"UnmappableInLatin1", u"\u20ac", NSISOLatin1StringEncoding, nullptr, nullptr},
    {"SurrogatePairIsOneCharacter", u"\U0001F600", NSUTF8StringEncoding, nullptr, u"%F0%9F%98%80"},
    {"UnpairedSurrogateFails", u"a\xD800" "b", NSUTF8StringEncoding, nullptr, nullptr},
    {"LeaveSpaceUnescaped", u"a b#c", NSUTF8StringEncoding, u" ", u"a b%23c"},
    {"LeaveNonAsciiUnescaped", u"\u00e9 \u00e8", NSUTF8StringEncoding, u"\u00e9", u"\u00e9%20%C3%A8"},
    {"Empty", u"", NSUTF8StringEncoding, nullptr, u""},
    {"Null", nullptr, NSUTF8StringEncoding, nullptr, nullptr},
};

INSTANTIATE_TEST_SUITE_P(Table, URLEscapes, testing::ValuesIn(kEscapeCases),
                         [](const testing::TestParamInfo<EscapeCase>& row) { return std::string(row.param.name); });

TEST(URLEscapes, ExtraCharactersToEscapeDefaultToQueryDelimiters)
{
    const QString link = QStringLiteral("a:b?c&d;e@f/g");
    EXPECT_EQ(stringByAddingPercentEscapesToURL(link, NSUTF8StringEncoding, QString(), QString()),
              QStringLiteral("a%3Ab%3Fc%26d%3Be%40f/g"));
    EXPECT_EQ(stringByAddingPercentEscapesToURL(link, NSUTF8StringEncoding, QString(), QStringLiteral("/")),
              QStringLiteral("a:b?c&d;e@f%2Fg"));
    EXPECT_EQ(stringByAddingPercentEscapesToURL(QStringLiteral("a b")), QStringLiteral("a%20b"));
}

TEST(StandardEscapes, UseLowerCaseHexadecimalForTheStandardSetOnly)
{
    EXPECT_EQ(stringByAddingStandardPercentEscapesToURL(QStringLiteral("a b/c:d?e=f&g#h$i%j+k;l@m")),
              QStringLiteral("a%20b%2fc%3ad%3fe%3df%26g%23h%24i%25j%2bk%3bl%40m"));
    EXPECT_EQ(stringByAddingStandardPercentEscapesToURL(QStringLiteral("caf\u00e9<>")), QStringLiteral("caf\u00e9<>"));
    EXPECT_TRUE(stringByAddingStandardPercentEscapesToURL(QString()).isNull());
    EXPECT_FALSE(stringByAddingStandardPercentEscapesToURL(QStringLiteral("")).isNull());
}

TEST(ParameterEscapes, LeaveOnlyTheParameterSet)
{
    EXPECT_EQ(stringByAddingPercentEscapesToURLParameter(QStringLiteral("(x)!$'*+,-._~aZ9")),
              QStringLiteral("(x)!$'*+,-._~aZ9"));
    EXPECT_EQ(stringByAddingPercentEscapesToURLParameter(QStringLiteral("a&b=c/d?e:f;g@h#i%j k")),
              QStringLiteral("a%26b%3Dc%2Fd%3Fe%3Af%3Bg%40h%23i%25j%20k"));
    EXPECT_EQ(stringByAddingPercentEscapesToURLParameter(QStringLiteral("\u00fc")), QStringLiteral("%C3%BC"));
    EXPECT_TRUE(stringByAddingPercentEscapesToURLParameter(QString::fromUtf16(u"a\xDC00")).isNull());
    EXPECT_TRUE(stringByAddingPercentEscapesToURLParameter(QString()).isNull());
    EXPECT_EQ(stringByAddingPercentEscapesToURLParameter(QStringLiteral("")), QStringLiteral(""));
}

TEST(PercentDecoding, NarrowDecoderTable)
{
    const struct {
        const char* in;
        const char* out;
    } cases[] = {
        {"a%2Fb%2fc", "a/b/c"},          // either case of hexadecimal digits
        {"%41%42", "%41%42"},            // letters stay encoded
        {"a%3Fb", "a?b"},                // "?" only when the text has none
        {"?a%3Fb", "?a%3Fb"},
        {"%%2F", "%/"},                  // an undecoded "%" is copied, reading goes on
        {"%252F", "%2F"},                // one pass: a made "%" is not decoded again
        {"%2", "%2"},                    // fewer than two digits follow
        {"a%2", "a%2"},
        {"%zz%20", "%zz "},
        {"%09%0A%0D%26%3D%40%7E", "\t\n\r&=@~"},
        {"%C3%A9", "%C3%A9"},            // bytes above 127 stay encoded
        {"ab", "ab"},
    };
    for (const auto& row : cases) {
        SCOPED_TRACE(row.in);
        EXPECT_EQ(stringByDecodingPercentEscapes(QString::fromUtf8(row.in)), QString::fromUtf8(row.out));
    }
    EXPECT_TRUE(stringByDecodingPercentEscapes(QString()).isNull());
}

TEST(PercentDecoding, WideDecoderTakesEveryASCIIValue)
{
    QString text = QStringLiteral("%41%2f%3F%C3");
    const qsizetype length = decodePercentEscapesInCharacters(reinterpret_cast<unichar*>(text.data()), text.size(), false);
    EXPECT_EQ(text.left(length), QStringLiteral("A/?%C3"));
    EXPECT_EQ(decodePercentEscapesInCharacters(nullptr, 5, false), 5);
}

TEST(PercentEscapes, PartsOfAURL)
{
    EXPECT_EQ(stringByAddingPercentEscapesToURLPath(QStringLiteral("a b/c?d")), QStringLiteral("a%20b/c%3Fd"));
    EXPECT_EQ(stringByAddingPercentEscapesToURLUser(QStringLiteral("a:b@c")), QStringLiteral("a%3Ab%40c"));
    EXPECT_EQ(stringByAddingPercentEscapesToURLPassword(QStringLiteral("p/w")), QStringLiteral("p%2Fw"));
    EXPECT_EQ(stringByAddingPercentEscapesToURLHost(QStringLiteral("[::1]:8")), QStringLiteral("[::1]:8"));
    EXPECT_EQ(stringByAddingPercentEscapesToURLQuery(QStringLiteral("a=1&b=é#")), QStringLiteral("a=1&b=%C3%A9%23"));
    EXPECT_EQ(stringByAddingPercentEscapesToURLFragment(QStringLiteral("x y")), QStringLiteral("x%20y"));
    EXPECT_TRUE(stringByAddingPercentEscapesToURLPath(QString()).isNull());
}

TEST(LinkTextFormatting, BracketsAndControlCharacters)
{
    const struct {
        const char* in;
        const char* out;
    } cases[] = {
        {"Ann <ann@x.org>", "ann@x.org"},
        {"<http://h/a>", "http://h/a"},
        {"see <http://h/a>", "see http://h/a"},
        {"  message:<a@b>  ", "message:<a@b>"},
        {"http://h/\xE2\x80\xA8" "a\r\n", "http://h/a"},
        {"a", "a"},
        {"", ""},
    };
    for (const auto& row : cases) {
        SCOPED_TRACE(row.in);
        EXPECT_EQ(stringByFormattingURL(QString::fromUtf8(row.in)), QString::fromUtf8(row.out));
    }
    EXPECT_TRUE(stringByFormattingURL(QString()).isNull());
}

TEST(LinkTextFormatting, QueryTerms)
{
    EXPECT_EQ(stringByFormattingQueryTerm(QStringLiteral("a   b"), NSUTF8StringEncoding), QStringLiteral("a+b"));
    EXPECT_EQ(stringByFormattingQueryTerm(QStringLiteral("c++ x"), NSUTF8StringEncoding), QStringLiteral("c%2B%2B+x"));
    EXPECT_EQ(stringByFormattingQueryTerm(QStringLiteral("a b"), NSUTF8StringEncoding, false), QStringLiteral("a%20b"));
    EXPECT_EQ(stringByFormattingQueryTerm(QStringLiteral("é"), NSISOLatin1StringEncoding), QStringLiteral("%E9"));
    EXPECT_TRUE(stringByFormattingQueryTerm(QStringLiteral("€"), NSISOLatin1StringEncoding).isNull());
    // Plus signs beside blanks and percent signs: each "+" is escaped
    // before any blank becomes one, and a written "%20" stays text.
    const struct
    {
        const char16_t* in;
        const char16_t* out;
    } rows[] = {
        {u"+ +", u"%2B+%2B"},     {u"a%20b", u"a%2520b"},  {u"+%20+", u"%2B%2520%2B"},
        {u"%2", u"%252"},         {u"++", u"%2B%2B"},      {u" + ", u"+%2B+"},
        {u"%2+0", u"%252%2B0"},   {u"a 	 b+", u"a+b%2B"}, {u"", u""},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(QString::fromUtf16(row.in).toStdString());
        EXPECT_EQ(stringByFormattingQueryTerm(QString::fromUtf16(row.in), NSUTF8StringEncoding),
                  QString::fromUtf16(row.out));
    }
}

// Regression: each rewrite moved the rest of the term, so a long term of
// plus signs and blanks took quadratic time (8 MB: 3.3 s).
TEST(LinkTextFormatting, QueryTermsTakeLinearWork)
{
    test::expectLinearScanWork(
        [](qsizetype size) {
            QString term;
            while (term.size() < size)
                term += QStringLiteral("c++ a+b ");
            return term;
        },
        [](const QString& term) {
            const QString query = stringByFormattingQueryTerm(term, NSUTF8StringEncoding);
            EXPECT_TRUE(query.startsWith(QLatin1String("c%2B%2B+a%2Bb+c%2B%2B")));
            EXPECT_FALSE(query.contains(QLatin1String("%20")));
        });
}

} // namespace
} // namespace sorvant
