#include "web/url/host_components.h"

#include "tests/support/peak_memory.h"
#include "tests/support/scan_work_bound.h"

#include <gtest/gtest.h>

namespace sorvant {
namespace {

TEST(HostComponents, LabelsAndInvertedForms)
{
    EXPECT_EQ(hostComponents(QStringLiteral("www.Example.org")),
              (QStringList{QStringLiteral("www"), QStringLiteral("Example"), QStringLiteral("org")}));
    EXPECT_TRUE(hostComponents(QString()).isEmpty());
    EXPECT_TRUE(hostComponents(URL::URLWithString(QStringLiteral("mailto:a@b.c"))).isEmpty());
    EXPECT_EQ(invertedHost(QStringLiteral("WWW.Example.ORG")), QStringLiteral("org.example.www"));
    EXPECT_EQ(invertedHost(QStringLiteral("a..b")), QStringLiteral("b..a"));
    EXPECT_TRUE(invertedHost(QStringLiteral("")).isNull());
    EXPECT_EQ(invertedHost(URL::URLWithString(QStringLiteral("http://News.H.org/x"))), QStringLiteral("org.h.news"));
}

// Edge labels, empty ones and non-ASCII hosts inverted as a whole.
TEST(HostComponents, InvertedHostKeepsEveryLabel)
{
    const struct
    {
        const char* host;
        const char* inverted;
    } cases[] = {
        {"a", "a"},   {".", "."},       {"a.", ".a"},       {".a", "a."},
        {"..", ".."}, {"A.B.C", "c.b.a"}, {"x..Y.", ".y..x"}, {"www.B\u00FCcher.DE", "de.xn--bcher-kva.www"},
    };
    for (const auto& row : cases) {
        SCOPED_TRACE(row.host);
        EXPECT_EQ(invertedHost(QString::fromUtf8(row.host)), QString::fromUtf8(row.inverted));
    }
}

// Regression: a host of ten million units in short labels peaked at 26
// times its size, a string per label; at most ten times now, in work
// linear in its length.
TEST(HostComponents, InvertingALongHostTakesMemoryAndWorkInProportion)
{
    QString host(10'000'001, QLatin1Char('1'));
    for (qsizetype at = 1; at < host.size(); at += 2)
        host[at] = QLatin1Char('.');
    if (!test::resetPeakResident())
        GTEST_SKIP() << "no peak resident memory to read here";
    QString inverted;
    const qint64 grown = test::peakGrowthOf([&] { inverted = invertedHost(host); });
    EXPECT_EQ(inverted, host);
    EXPECT_LE(grown, 10 * host.size()) << "grew by " << grown / 1024 << " KiB";

    test::expectLinearScanWork(
        [](qsizetype size) {
            QString labels;
            while (labels.size() < size)
                labels += QStringLiteral("Ab.c..");
            return labels;
        },
        [](const QString& labels) {
            const QString reversed = invertedHost(labels);
            EXPECT_EQ(reversed.size(), labels.size());
            EXPECT_TRUE(reversed.startsWith(QLatin1String("..c.ab..c.ab")));
        });
}

TEST(HostComponents, MaximumJoinsTheRest)
{
    const struct {
        const char* host;
        qsizetype maximum;
        QStringList expected;
    } cases[] = {
        {"a.b.c.d", NSNotFound, {"d", "c", "b", "a"}},
        {"a.b.c.d", 0, {"d", "c", "b", "a"}},
        {"a.b.c.d", 2, {"d", "c.b.a"}},
        {"a.b.c.d", 1, {"d.c.b.a"}},
        {"a.b.c.d", 4, {"d", "c", "b", "a"}},
        {"a..B.", NSNotFound, {"b", "a"}},
        {"..a..b.", 2, {"b", "a"}},
        {"x.y..", 1, {"y.x"}},
    };
    for (const auto& row : cases) {
        SCOPED_TRACE(std::string(row.host) + " " + std::to_string(row.maximum));
        EXPECT_EQ(invertedHostComponents(QString::fromLatin1(row.host), row.maximum), row.expected);
    }
    // Only labels past the maximum are joined and shortened: a long label
    // that is itself the last element stays whole.
    const QString label(300, QLatin1Char('b'));
    EXPECT_EQ(invertedHostComponents(QStringLiteral("a.") + label, 2), (QStringList{label, QStringLiteral("a")}));
    EXPECT_EQ(invertedHostComponents(label + QStringLiteral(".a.x"), 2),
              (QStringList{QStringLiteral("x"), shortenedPathComponent(QStringLiteral("a.") + label, 0)}));
    EXPECT_EQ(stringByAppendingInvertedHostComponentsToPath(QStringLiteral("www.h.org"), QStringLiteral("/cache")),
              QStringLiteral("/cache/org/h/www"));
    EXPECT_EQ(stringByAppendingInvertedHostComponents(QStringLiteral("a.b.c"), 2, QStringLiteral("/c")),
              QStringLiteral("/c/c/b.a"));
    EXPECT_EQ(stringByAppendingInvertedHostComponentsToPath(QString(), QStringLiteral("/c")), QStringLiteral("/c"));
    EXPECT_TRUE(stringByAppendingInvertedHostComponentsToPath(QStringLiteral("h"), QString()).isNull());
}

TEST(HostComponents, InternationalHostsGoThroughIDNA)
{
    EXPECT_EQ(asciiHostName(QStringLiteral("Bücher.Example")), QStringLiteral("xn--bcher-kva.example"));
    EXPECT_EQ(asciiHostName(QStringLiteral("EXAMPLE.org")), QStringLiteral("example.org"));
    EXPECT_TRUE(asciiHostName(QStringLiteral("a b.org")).isNull());
    EXPECT_TRUE(asciiHostName(QString()).isNull());
    // The Unicode and the ASCII spelling of a host give one storage key.
    EXPECT_EQ(invertedHost(QStringLiteral("www.Bücher.de")), QStringLiteral("de.xn--bcher-kva.www"));
    EXPECT_EQ(invertedHostComponents(QStringLiteral("www.bücher.de")),
              invertedHostComponents(URL::URLWithString(QStringLiteral("http://www.xn--bcher-kva.de/"))));
}

// A host name holds at most 253 characters (254 with the root's dot); a
// longer text is refused before IDNA, even where IDNA would map it shorter,
// and the inverted forms then lower-case it as they do any refused host.
TEST(HostComponents, HostsLongerThanAHostNameAreRefused)
{
    // Fullwidth letters map one to one, so these forms are as long as the host.
    const QString label = QString(62, QLatin1Char('a')) + QLatin1Char('.');
    const QString full = QStringLiteral("\uFF22.") + label.repeated(3) + QString(62, QLatin1Char('c'));
    ASSERT_EQ(full.size(), kMaximumHostNameLength);
    EXPECT_EQ(asciiHostName(full), QStringLiteral("b.") + label.repeated(3) + QString(62, QLatin1Char('c')));
    EXPECT_EQ(asciiHostName(full + QLatin1Char('.')),
              QStringLiteral("b.") + label.repeated(3) + QString(62, QLatin1Char('c')) + QLatin1Char('.'));
    // Soft hyphens map to nothing: IDNA alone would accept this host.
    const QString hyphenated = QStringLiteral("b\u00AD").repeated(30) + QStringLiteral(".example");
    EXPECT_EQ(asciiHostName(hyphenated), QString(30, QLatin1Char('b')) + QStringLiteral(".example"));
    const QString hyphenatedLabel = QStringLiteral("b\u00AD").repeated(30) + QLatin1Char('.');
    EXPECT_TRUE(asciiHostName(hyphenatedLabel.repeated(5) + QStringLiteral("example")).isNull());
    EXPECT_TRUE(asciiHostName(full + QStringLiteral("c.")).isNull());
    EXPECT_TRUE(asciiHostName(full + QStringLiteral("..")).isNull());

    const QString longHost = QStringLiteral("W\u00FC.").repeated(200) + QStringLiteral("Org");
    const QStringList inverted = invertedHostComponents(longHost);
    ASSERT_EQ(inverted.size(), 201);
    EXPECT_EQ(inverted.first(), QStringLiteral("org"));
    EXPECT_EQ(inverted.last(), QStringLiteral("w\u00FC"));
    EXPECT_EQ(invertedHostComponents(longHost, 2),
              (QStringList{QStringLiteral("org"), shortenedPathComponent(QStringLiteral("w\u00FC.").repeated(199)
                                                                             + QStringLiteral("w\u00FC"), 0)}));
}

TEST(HostComponents, ChecksumAndLengthRule)
{
    EXPECT_EQ(crc32(QString()), 0u);
    EXPECT_EQ(crc32(QStringLiteral("abc")), 0x352441c2u);
    EXPECT_EQ(crc32(QStringLiteral("é")), crc32(QString::fromUtf8("\xC3\xA9")));

    const QString longName(300, QLatin1Char('a'));
    const QString shortened = shortenedPathComponent(longName, 0);
    EXPECT_EQ(shortened.size(), 250);
    EXPECT_EQ(shortened.left(242), longName.left(242));
    EXPECT_EQ(shortened.mid(242), QStringLiteral("%1").arg(crc32(longName), 8, 16, QLatin1Char('0')));
    EXPECT_EQ(shortenedPathComponent(longName, 5).size(), 245);
    EXPECT_EQ(shortenedPathComponent(QString(250, QLatin1Char('x')), 0).size(), 250);
    EXPECT_NE(shortenedPathComponent(QString(251, QLatin1Char('x')), 0), QString(251, QLatin1Char('x')).left(250));
    // Two long names that share their start stay apart.
    EXPECT_NE(shortenedPathComponent(longName + QLatin1Char('1'), 0), shortenedPathComponent(longName + QLatin1Char('2'), 0));
}

} // namespace
} // namespace sorvant
