#include "platform/collation.h"

#include "platform/current_locale.h"
#include "tests/support/pinned_locale.h"
#include "tests/support/scoped_variable.h"


#include <gtest/gtest.h>

#include <QStringList>

#include <algorithm>
#include <thread>
#include <vector>

namespace sorvant {
namespace {

struct CompareCase
{
    const char* name;
    QString a;
    QString b;
    unsigned options;
    int expected;
};
void PrintTo(const CompareCase& row, std::ostream* out) { test::printRowName(row, out); }

class LocalizedCompareTest : public ::testing::TestWithParam<CompareCase>
{
protected:
    test::PinnedLocale m_locale{QStringLiteral("en_US"), QStringLiteral("UTC")};
};

TEST_P(LocalizedCompareTest, OrdersLikeTheLocale)
{
    const CompareCase& row = GetParam();
    EXPECT_EQ(localizedCompare(row.a, row.b, row.options), row.expected);
    EXPECT_EQ(localizedCompare(row.b, row.a, row.options), -row.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Collation, LocalizedCompareTest,
    ::testing::Values(
        CompareCase{"LetterBeforeCapitalLetter", "a", "B", kCollationCaseInsensitive, -1},
        CompareCase{"CaseIgnored", "Readme", "README", kCollationCaseInsensitive, 0},
        CompareCase{"CaseBreaksTiesWhenSensitive", "a", "A", kCollationCaseSensitive, -1},
        CompareCase{"AccentsStillCount", "e", "\u00e9", kCollationCaseInsensitive, -1},
        CompareCase{"AccentedBeforeNextLetter", "\u00e9t\u00e9", "f", kCollationCaseInsensitive, -1},
        CompareCase{"DigitsAsTextWithoutNumeric", "file10", "file9", kCollationCaseInsensitive, -1},
        CompareCase{"DigitsAsNumbers", "file10", "file9", kCollationStandard, 1},
        CompareCase{"NullIsEmpty", QString(), "", kCollationCaseInsensitive, 0},
        CompareCase{"EmptyFirst", "", "a", kCollationCaseInsensitive, -1},
        CompareCase{"PunctuationIsNotIgnored", "a-b", "ab", kCollationCaseInsensitive, -1}),
    [](const ::testing::TestParamInfo<CompareCase>& row) { return std::string(row.param.name); });

TEST(Collator, FollowsItsOwnLocale)
{
    // Swedish puts "ä" after "z"; German files it with "a".
    EXPECT_EQ(Collator(kCollationCaseInsensitive, QStringLiteral("sv_SE")).compare("\u00e4", "z"), 1);
    EXPECT_EQ(Collator(kCollationCaseInsensitive, QStringLiteral("de_DE")).compare("\u00e4", "z"), -1);
}

TEST(Collator, NameSortIsAsciiUnderCLocaleRegression)
{
    // LANG=C.UTF-8 gives ICU "en_US_POSIX": names still sort as people
    // read them, not capitals first and accents after "z".
    test::ScopedVariable all("LC_ALL", nullptr);
    test::ScopedVariable collate("LC_COLLATE", nullptr);
    for (const QString& posix : {QStringLiteral("en_US_POSIX"), QStringLiteral("C")}) {
        SCOPED_TRACE(posix.toStdString());
        test::PinnedLocale c(posix, QStringLiteral("UTC"));
        EXPECT_EQ(localizedCompare("apple", "Zeta", kCollationCaseSensitive), -1);
        EXPECT_EQ(localizedCompare("a", "B", kCollationCaseSensitive), -1);
        EXPECT_EQ(localizedCompare("\u00e9t\u00e9", "f", kCollationCaseSensitive), -1);
        EXPECT_EQ(localizedStandardCompare("readme", "README"), 0);
        EXPECT_EQ(Collator(kCollationCaseInsensitive, posix).compare("\u00e4", "z"), -1);
    }
    // LC_COLLATE names the language to sort by; LC_ALL overrides it.
    test::ScopedVariable swedish("LC_COLLATE", "sv_SE.UTF-8");
    EXPECT_EQ(Collator(kCollationCaseInsensitive, QStringLiteral("en_US_POSIX")).compare("\u00e4", "z"), 1);
    test::ScopedVariable overridden("LC_ALL", "C.UTF-8");
    EXPECT_EQ(Collator(kCollationCaseInsensitive, QStringLiteral("en_US_POSIX")).compare("\u00e4", "z"), -1);
}

TEST(Collator, FollowsAChangeOfTheCurrentLocale)
{
    {
        test::PinnedLocale swedish(QStringLiteral("sv_SE"), QStringLiteral("UTC"));
        EXPECT_EQ(localizedCompare("\u00e4", "z", kCollationCaseInsensitive), 1);
    }
    test::PinnedLocale german(QStringLiteral("de_DE"), QStringLiteral("UTC"));
    EXPECT_EQ(localizedCompare("\u00e4", "z", kCollationCaseInsensitive), -1);
}

TEST(Collator, SortKeysOrderAsTheCompareDoes)
{
    test::PinnedLocale locale(QStringLiteral("en_US"), QStringLiteral("UTC"));
    const QStringList names = {"Zebra",  "apple", "Äpfel", "file10.txt", "File9.txt", "résumé", "resume",
                               "Resume", "",      "_tmp",  "a b",        "ab",        "\u00e9", "e"};
    for (const unsigned options : {unsigned{kCollationCaseInsensitive}, kCollationStandard, unsigned{kCollationCaseSensitive}}) {
        SCOPED_TRACE(options);
        const Collator collator(options);
        for (const QString& a : names) {
            for (const QString& b : names) {
                const QByteArray keyA = collator.sortKey(a);
                const QByteArray keyB = collator.sortKey(b);
                const int byKeys = (keyA > keyB) - (keyA < keyB);
                EXPECT_EQ(byKeys, collator.compare(a, b)) << a.toStdString() << " / " << b.toStdString();
                EXPECT_EQ(collationKey(a, options) == keyA, true);
            }
        }
    }
}

TEST(Collator, NullStringHasTheSortKeyOfTheEmptyOne)
{
    // A null string reaches ICU as a null pointer of length 0, which must
    // read as empty, not fail.
    test::PinnedLocale locale(QStringLiteral("en_US"), QStringLiteral("UTC"));
    const Collator collator(kCollationStandard);
    const QByteArray empty = collator.sortKey(QStringLiteral(""));
    EXPECT_FALSE(empty.isEmpty());
    EXPECT_EQ(collator.sortKey(QString()), empty);
    EXPECT_EQ(collationKey(QString(), kCollationStandard), empty);
    EXPECT_LT(collator.sortKey(QString()), collator.sortKey(QStringLiteral("a")));
}

TEST(Collator, ThreadsCompareWithTheirOwnCollators)
{
    test::PinnedLocale locale(QStringLiteral("en_US"), QStringLiteral("UTC"));
    QStringList names;
    for (int index = 0; index < 2000; ++index)
        names.append(QStringLiteral("%1File %2").arg(index % 2 ? "" : "é").arg((index * 7919) % 2000));
    QStringList expected = names;
    std::sort(expected.begin(), expected.end(),
              [](const QString& a, const QString& b) { return localizedStandardCompare(a, b) < 0; });
    std::vector<QStringList> results(4, names);
    std::vector<std::thread> threads;
    for (QStringList& result : results) {
        threads.emplace_back([&result] {
            std::sort(result.begin(), result.end(),
                      [](const QString& a, const QString& b) { return localizedStandardCompare(a, b) < 0; });
        });
    }
    for (std::thread& thread : threads)
        thread.join();
    for (const QStringList& result : results)
        EXPECT_EQ(result, expected);
}

} // namespace
} // namespace sorvant
