#include "web/url/percent_escapes.h"


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

} // namespace
} // namespace sorvant
