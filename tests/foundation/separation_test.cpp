#include "foundation/separation.h"

#include "foundation/separation_buffers.h"
#include "foundation/separators.h"
#include "platform/log.h"

#include <gtest/gtest.h>

#include <QSet>

#include <vector>

namespace sorvant {

namespace {

struct Report
{
    qsizetype location;
    qsizetype length;
    bool isSeparator;
    friend bool operator==(const Report&, const Report&) = default;
};

std::vector<Report> enumerate(const QString& text, const CharacterSetBitmap* separators, qsizetype* answer,
                              int stopAt = -1)
{
    std::vector<Report> reports;
    *answer = enumerateComponentsUsingBlock(
        text,
        [&](const QString& s, const unichar* units, qsizetype location, qsizetype length, bool isSeparator) {
            EXPECT_EQ(units, QStringView(s).utf16());
            reports.push_back({location, length, isSeparator});
            return int(reports.size()) - 1 == stopAt;
        },
        separators);
    return reports;
}

TEST(Separation, EnumerationReportsLeadingButNotTrailingRuns)
{
    qsizetype answer = 0;
    const auto reports = enumerate(QStringLiteral("  ab cd  "), getWhiteSpacesBitmap(), &answer);
    const std::vector<Report> expected{{0, 2, true}, {2, 2, false}, {4, 1, true}, {5, 2, false}};
    EXPECT_EQ(reports, expected);
    EXPECT_EQ(answer, 4);
}

TEST(Separation, EnumerationStopCountsOnlyCallsThatWentOn)
{
    qsizetype answer = 0;
    const auto reports = enumerate(QStringLiteral("a b c"), getWhiteSpacesBitmap(), &answer, 2);
    EXPECT_EQ(reports.size(), 3u);
    EXPECT_EQ(answer, 2);
    (void)enumerate(QStringLiteral("abc"), getWhiteSpacesBitmap(), &answer, 0);
    EXPECT_EQ(answer, 0);
}

TEST(Separation, EnumerationOfEmptyOrWithoutSeparatorsIsNothing)
{
    qsizetype answer = -1;
    EXPECT_TRUE(enumerate(QString(), getWhiteSpacesBitmap(), &answer).empty());
    EXPECT_EQ(answer, 0);
    EXPECT_TRUE(enumerate(QStringLiteral("   "), getWhiteSpacesBitmap(), &answer).empty());
    EXPECT_EQ(answer, 0);

    QStringList lines;
    setLogSink([&](const QString& line) { lines.append(line); });
    EXPECT_EQ(enumerateComponentsUsingHandler(QStringLiteral("a b"), nullptr, nullptr, nullptr), 0);
    EXPECT_EQ(componentsOfCharacters(u"a b", 3, nullptr, nullptr), 0);
    setLogSink({});
    ASSERT_EQ(lines.size(), 2);
    EXPECT_TRUE(lines[0].startsWith(QLatin1String("ERROR: ")));
    EXPECT_TRUE(lines[0].contains(QLatin1String("separators!=NULL")));
}

struct ListCase
{
    const char* name;
    QString text;
    QStringList expected;
};
void PrintTo(const ListCase& row, std::ostream* out) { test::printRowName(row, out); }

class WordSeparation : public testing::TestWithParam<ListCase> {};

TEST_P(WordSeparation, Components)
{
    EXPECT_EQ(componentsUsingSeparators(GetParam().text, defaultWordSeparators()), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Texts, WordSeparation,
    testing::Values(ListCase{"apostrophe", QStringLiteral("don't"), {QStringLiteral("don"), QStringLiteral("t")}},
                    ListCase{"decimalPoint", QStringLiteral("3.5"), {QStringLiteral("3"), QStringLiteral("5")}},
                    ListCase{"diaeresis", QStringLiteral("na\u00EFve"), {QStringLiteral("na\u00EFve")}},
                    ListCase{"surrogatePair", QStringLiteral("a\U0001F600b"), {QStringLiteral("a"), QStringLiteral("b")}},
                    ListCase{"lastSurrogateUnit", QString(QChar(0xDFFF)), {QString(QChar(0xDFFF))}},
                    ListCase{"empty", QString(), {}}),
    [](const testing::TestParamInfo<ListCase>& row) { return std::string(row.param.name); });

TEST(Separation, WhiteAndLineComponents)
{
    EXPECT_EQ(componentsUsingWhiteSeparation(QStringLiteral("  a  b ")),
              (QStringList{QStringLiteral("a"), QStringLiteral("b")}));
    EXPECT_TRUE(componentsUsingWhiteSeparation(QStringLiteral("")).isEmpty());
    EXPECT_EQ(componentsUsingLineSeparation(QStringLiteral("one\ntwo\r\n\u2028x"), 2),
              (QStringList{QStringLiteral("one"), QStringLiteral("two")}));
    EXPECT_EQ(componentsUsingSeparators(QStringLiteral("a bb ccc"), getWhiteSpacesBitmap(), 2),
              (QStringList{QStringLiteral("bb"), QStringLiteral("ccc")}));
}

TEST(Separation, ComponentsIntoAContainerOfTheCallersChoice)
{
    // A set drops the repeated word; a vector keeps order and repeats; the
    // minimum length still applies.
    const QString text = QStringLiteral("to be or not to be");
    EXPECT_EQ(componentsUsingSeparators<QSet<QString>>(text, getWhiteSpacesBitmap(), 2),
              (QSet<QString>{QStringLiteral("to"), QStringLiteral("be"), QStringLiteral("or"), QStringLiteral("not")}));
    EXPECT_EQ(componentsUsingSeparators<std::vector<QString>>(text, getWhiteSpacesBitmap(), 3),
              std::vector<QString>{QStringLiteral("not")});
    EXPECT_EQ(componentsUsingLineSeparation<QSet<QString>>(QStringLiteral("x\ny\r\nx\n"), 1),
              (QSet<QString>{QStringLiteral("x"), QStringLiteral("y")}));
    EXPECT_TRUE(componentsUsingSeparators<QSet<QString>>(QString(), getWhiteSpacesBitmap(), 1).isEmpty());
}

TEST(Separation, CountsIncludeALeadingWhitePiece)
{
    const std::pair<const char*, qsizetype> rows[] = {{"a b", 2}, {" a", 2}, {"a ", 1}, {"", 0}, {"  ", 1}, {"a", 1}};
    for (const auto& [text, count] : rows) {
        SCOPED_TRACE(text);
        EXPECT_EQ(numberOfComponentsUsingWhiteSeparation(QString::fromUtf8(text)), count);
    }
    EXPECT_EQ(numberOfComponentsUsingLineSeparation(QStringLiteral("a\nb\n")), 2);
}

TEST(SeparationBuffers, PiecesTileTheBuffer)
{
    const QString text = QStringLiteral(",,a, b,c");
    const auto* units = reinterpret_cast<const unichar*>(text.utf16());
    const qsizetype count = componentsOfCharacters(units, text.size(), defaultWordSeparators(), nullptr);
    ASSERT_EQ(count, 4);
    std::vector<Range> ranges(static_cast<size_t>(count));
    EXPECT_EQ(componentsOfCharacters(units, text.size(), defaultWordSeparators(), ranges.data()), count);
    const std::vector<Range> expected{{0, 2}, {2, 3}, {5, 2}, {7, 1}};
    EXPECT_EQ(ranges, expected);
}

std::vector<Range> words(const QString& text, const CharacterSetBitmap* separators, bool withSeparators,
                         qsizetype minLen, bool wildcard)
{
    const auto* units = reinterpret_cast<const unichar*>(text.utf16());
    const qsizetype count = wordsOfCharacters(units, text.size(), separators, withSeparators, minLen, wildcard, nullptr);
    std::vector<Range> ranges(static_cast<size_t>(count));
    EXPECT_EQ(wordsOfCharacters(units, text.size(), separators, withSeparators, minLen, wildcard, ranges.data()),
              count);
    return ranges;
}

TEST(SeparationBuffers, WordsMarkSeparatorRunsWithBit31)
{
    const QString text = QStringLiteral("ab, c");
    const std::vector<Range> all{{0, 2}, {2, 2 | kSeparatorRunFlag}, {4, 1}};
    EXPECT_EQ(words(text, nullptr, true, 1, false), all);
    EXPECT_TRUE(isSeparatorRun(all[1]));
    EXPECT_EQ(unitCount(all[1]), 2);
    const std::vector<Range> longOnly{{0, 2}, {2, 2 | kSeparatorRunFlag}};
    EXPECT_EQ(words(text, nullptr, true, 2, false), longOnly);
    const std::vector<Range> plain{{0, 2}, {4, 1}};
    EXPECT_EQ(words(text, nullptr, false, 0, false), plain);
    const std::vector<Range> edges{{0, 1 | kSeparatorRunFlag}, {1, 1}, {2, 2 | kSeparatorRunFlag}};
    EXPECT_EQ(words(QStringLiteral(" a. "), nullptr, true, 1, false), edges);
}

TEST(SeparationBuffers, WildcardModeKeepsBracketsWhole)
{
    CharacterSetBitmap wildcardSeparators[kBitmapSize];
    std::copy_n(defaultWordSeparators(), kBitmapSize, wildcardSeparators);
    for (unichar c : {u'*', u'?', u'[', u']'})
        bitmapRemove(wildcardSeparators, c);

    const std::vector<Range> bracket{{0, 6}, {7, 1}};
    EXPECT_EQ(words(QStringLiteral("[a-z]x y"), wildcardSeparators, false, 1, true), bracket);
    const std::vector<Range> split{{0, 2}, {3, 3}, {7, 1}};
    EXPECT_EQ(words(QStringLiteral("[a-z]x y"), wildcardSeparators, false, 1, false), split);
    const std::vector<Range> unclosed{{0, 1}, {2, 7}};
    EXPECT_EQ(words(QStringLiteral("a [b, c d"), wildcardSeparators, false, 1, true), unclosed);
    const std::vector<Range> restOfText{{0, 3}};
    EXPECT_EQ(words(QStringLiteral("a[ "), wildcardSeparators, false, 1, true), restOfText);
}

TEST(Separation, Hashtags)
{
    EXPECT_EQ(hashtags(QStringLiteral("#trip #1 #123 #a-b, #x;"), false),
              (QStringList{QStringLiteral("trip"), QStringLiteral("123"), QStringLiteral("a-b"), QStringLiteral("x")}));
    EXPECT_EQ(hashtags(QStringLiteral("#a/b"), true), QStringList{QStringLiteral("a/b")});
    EXPECT_TRUE(hashtags(QStringLiteral("#a/b"), false).isEmpty());
    EXPECT_TRUE(hashtags(QStringLiteral("no tags here"), false).isEmpty());
    EXPECT_TRUE(hashtags(QString(), false).isEmpty());
    EXPECT_EQ(hashtags(QStringLiteral("x#y #dup #dup #a,b # #_12"), false),
              (QStringList{QStringLiteral("dup"), QStringLiteral("dup")}));
    EXPECT_EQ(hashtags(QStringLiteral("#caf\u00E9\t#\u65E5\u672C"), false),
              (QStringList{QStringLiteral("caf\u00E9"), QStringLiteral("\u65E5\u672C")}));
}

TEST(Separation, StemmingAnswersTheReceiver)
{
    const QString text = QString::fromUtf8("Running, dogs!");
    EXPECT_EQ(stringByStemmingWords(text).constData(), text.constData());
    EXPECT_TRUE(stringByStemmingWords(QString()).isNull());
}

} // namespace
} // namespace sorvant
