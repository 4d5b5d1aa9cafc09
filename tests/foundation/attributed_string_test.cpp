#include "foundation/attributed_string.h"

#include "foundation/color.h"
#include "tests/support/scan_work_bound.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <ctime>
#include <functional>
#include <limits>
#include <random>

namespace sorvant {

namespace {

const QVariant kBold = QStringLiteral("bold");
const QVariant kRed = QVariant::fromValue(Color::deviceRGB(1, 0, 0));

QVariantMap font(const QVariant& value)
{
    return {{attribute::kFont, value}};
}

// "aaBBBcc" with a bold middle.
AttributedString boldMiddle()
{
    AttributedString text(QStringLiteral("aaBBBcc"));
    text.addAttribute(attribute::kFont, kBold, {2, 3});
    return text;
}

TEST(AttributedString, AttributesAndRunsAroundAnIndex)
{
    const AttributedString text = boldMiddle();
    Range range;
    EXPECT_EQ(text.attributesAtIndex(3, &range), font(kBold));
    EXPECT_EQ(range, (Range{2, 3}));
    EXPECT_EQ(text.attributesAtIndex(0, &range), QVariantMap());
    EXPECT_EQ(range, (Range{0, 2}));
    EXPECT_EQ(text.attributesAtIndex(6, &range), QVariantMap());
    EXPECT_EQ(range, (Range{5, 2}));
    // Limits cut the run.
    EXPECT_EQ(text.attributesAtIndex(3, &range, {0, 4}), font(kBold));
    EXPECT_EQ(range, (Range{2, 2}));
    EXPECT_EQ(text.attributesAtIndex(3, &range, {3, 100}), font(kBold));
    EXPECT_EQ(range, (Range{3, 2}));
    for (qsizetype outside : {qsizetype(-1), qsizetype(7), NSNotFound}) {
        SCOPED_TRACE(outside);
        EXPECT_TRUE(text.attributesAtIndex(outside, &range).isEmpty());
        EXPECT_EQ(range, kMissingRange);
    }
}

TEST(AttributedString, OneAttributeSpansRunsThatDifferElsewhere)
{
    AttributedString text(QStringLiteral("0123456789"), font(kBold));
    text.addAttribute(attribute::kForegroundColor, kRed, {3, 4});
    ASSERT_EQ(text.runs().size(), 3);
    Range range;
    EXPECT_EQ(text.attributeAtIndex(attribute::kFont, 5, &range), kBold);
    EXPECT_EQ(range, (Range{0, 10}));
    EXPECT_EQ(text.attributeAtIndex(attribute::kFont, 5, &range, {4, 2}), kBold);
    EXPECT_EQ(range, (Range{4, 2}));
    EXPECT_FALSE(text.attributeAtIndex(attribute::kForegroundColor, 1, &range).isValid());
    EXPECT_EQ(range, (Range{0, 3}));
    EXPECT_EQ(text.attributeAtIndex(attribute::kForegroundColor, 3, &range), kRed);
    EXPECT_EQ(range, (Range{3, 4}));
}

TEST(AttributedString, RunsStayMergedAfterChanges)
{
    AttributedString text = boldMiddle();
    text.addAttribute(attribute::kFont, kBold, {0, 2});
    EXPECT_EQ(text.runs().size(), 2);
    text.removeAttribute(attribute::kFont, {0, 7});
    ASSERT_EQ(text.runs().size(), 1);
    EXPECT_EQ(text, AttributedString(QStringLiteral("aaBBBcc")));
    // Setting the same value again is no change.
    AttributedString again = boldMiddle();
    again.addAttribute(attribute::kFont, kBold, {3, 1});
    EXPECT_EQ(again, boldMiddle());
}

TEST(AttributedString, AttributeChangesKeepOtherAttributes)
{
    // A colour laid over a bold and a plain part keeps the bold font on the
    // first part and colours both.
    AttributedString text = boldMiddle();
    text.addAttributes({{attribute::kForegroundColor, kRed}}, {3, 3});
    EXPECT_EQ(text.attributesAtIndex(3), (QVariantMap{{attribute::kFont, kBold}, {attribute::kForegroundColor, kRed}}));
    EXPECT_EQ(text.attributesAtIndex(5), (QVariantMap{{attribute::kForegroundColor, kRed}}));
    EXPECT_EQ(text.attributesAtIndex(2), font(kBold));

    text.removeAttributesExcept({attribute::kFont}, {0, 7});
    EXPECT_EQ(text, boldMiddle());

    text.setAttributes({{attribute::kLink, QStringLiteral("x")}}, {1, 2});
    EXPECT_EQ(text.attributesAtIndex(2), (QVariantMap{{attribute::kLink, QStringLiteral("x")}}));
    // An invalid value in a dictionary removes the name.
    text.addAttributes({{attribute::kLink, QVariant()}}, {0, 7});
    EXPECT_FALSE(text.containsAttribute(attribute::kLink));
}

TEST(AttributedString, RangesAreClippedAndEmptyRangesChangeNothing)
{
    AttributedString text = boldMiddle();
    text.addAttribute(attribute::kLink, QStringLiteral("u"), {5, 100});
    EXPECT_EQ(text.attributeAtIndex(attribute::kLink, 6), QStringLiteral("u"));
    // A negative location is moved to 0 keeping the length, as clippedRange does.
    text.addAttribute(attribute::kKern, 1, {-3, 4});
    Range range;
    EXPECT_EQ(text.attributeAtIndex(attribute::kKern, 0, &range), 1);
    EXPECT_EQ(range, (Range{0, 4}));
    const AttributedString before = text;
    text.addAttribute(attribute::kShadow, 1, {3, 0});
    text.addAttribute(attribute::kShadow, 1, kMissingRange);
    text.removeAttribute(attribute::kFont, {40, 2});
    EXPECT_EQ(text, before);
}

struct ReplaceCase
{
    const char* name;
    Range range;
    QString replacement;
    QString expectedText;
    QString expectedDescription;
};
void PrintTo(const ReplaceCase& row, std::ostream* out) { test::printRowName(row, out); }

class AttributedStringReplace : public testing::TestWithParam<ReplaceCase> {};

TEST_P(AttributedStringReplace, NewCharactersInheritFromTheirPlace)
{
    AttributedString text = boldMiddle();
    text.replaceCharactersInRange(GetParam().range, GetParam().replacement);
    EXPECT_EQ(text.string(), GetParam().expectedText);
    EXPECT_EQ(describeAttributedString(text), GetParam().expectedDescription);
}

INSTANTIATE_TEST_SUITE_P(
    Table, AttributedStringReplace,
    testing::Values(
        ReplaceCase{"FirstReplacedCharacter", {1, 2}, "XY", "aXYBBcc", "aXY{}BB{Font: bold}cc{}"},
        ReplaceCase{"FirstReplacedIsBold", {2, 4}, "Z", "aaZc", "aa{}Z{Font: bold}c{}"},
        ReplaceCase{"InsertTakesCharacterBefore", {5, 0}, "+", "aaBBB+cc", "aa{}BBB+{Font: bold}cc{}"},
        ReplaceCase{"InsertAtFrontTakesFirst", {0, 0}, "+", "+aaBBBcc", "+aa{}BBB{Font: bold}cc{}"},
        ReplaceCase{"AppendTakesLast", {7, 0}, "+", "aaBBBcc+", "aa{}BBB{Font: bold}cc+{}"},
        ReplaceCase{"DeleteMergesNeighbours", {2, 3}, "", "aacc", "aacc{}"},
        ReplaceCase{"ClippedRange", {6, 50}, "!", "aaBBBc!", "aa{}BBB{Font: bold}c!{}"},
        ReplaceCase{"NullReplacementDeletes", {0, 2}, QString(), "BBBcc", "BBB{Font: bold}cc{}"}),
    [](const auto& row) { return std::string(row.param.name); });

TEST(AttributedString, AttributedReplacementKeepsItsOwnRuns)
{
    AttributedString text = boldMiddle();
    AttributedString red(QStringLiteral("RR"), {{attribute::kForegroundColor, kRed}});
    red.appendString(QStringLiteral("r")); // takes the red of the last unit
    text.replaceCharactersInRange({3, 1}, red);
    EXPECT_EQ(text.string(), QStringLiteral("aaBRRrBcc"));
    Range range;
    EXPECT_EQ(text.attributesAtIndex(4, &range), (QVariantMap{{attribute::kForegroundColor, kRed}}));
    EXPECT_EQ(range, (Range{3, 3}));
    EXPECT_EQ(text.attributesAtIndex(6), font(kBold));

    // Appending a text to itself.
    AttributedString twice = boldMiddle();
    twice.appendAttributedString(twice);
    EXPECT_EQ(twice.attributedSubstringFromRange({7, 7}), boldMiddle());
    EXPECT_EQ(twice.runs().size(), 5);
}

TEST(AttributedString, SubstringsAndEmptyTexts)
{
    const AttributedString text = boldMiddle();
    const AttributedString middle = text.attributedSubstringFromRange({1, 3});
    EXPECT_EQ(describeAttributedString(middle), QStringLiteral("a{}BB{Font: bold}"));
    EXPECT_TRUE(text.attributedSubstringFromRange({9, 2}).isEmpty());
    EXPECT_TRUE(text.attributedSubstringFromRange(kMissingRange).runs().isEmpty());

    AttributedString empty(QString(), font(kBold));
    EXPECT_FALSE(empty.string().isNull());
    EXPECT_TRUE(empty.runs().isEmpty());
    empty.appendString(QStringLiteral("x")); // nothing to inherit from
    EXPECT_EQ(empty, AttributedString(QStringLiteral("x")));
    empty.setString(QStringLiteral("yz"));
    EXPECT_EQ(empty, AttributedString(QStringLiteral("yz")));
}

TEST(AttributedString, EnumerationVisitsPartsInsideTheRange)
{
    AttributedString text(QStringLiteral("0123456789"), font(kBold));
    text.addAttribute(attribute::kForegroundColor, kRed, {3, 4});
    QList<Range> parts;
    text.enumerateAttributesInRange({2, 6}, [&](const QVariantMap&, Range range, bool*) { parts << range; });
    EXPECT_EQ(parts, (QList<Range>{{2, 1}, {3, 4}, {7, 1}}));

    parts.clear();
    text.enumerateAttribute(attribute::kFont, {1, 8}, [&](const QVariant&, Range range, bool*) { parts << range; });
    EXPECT_EQ(parts, (QList<Range>{{1, 8}}));

    parts.clear();
    text.enumerateAttributesInRange({0, 10}, [&](const QVariantMap&, Range range, bool* stop) {
        parts << range;
        *stop = true;
    });
    EXPECT_EQ(parts, (QList<Range>{{0, 3}}));
}

TEST(AttributedString, FixingKeepsAttachmentsOnlyOnTheirCharacter)
{
    const QString text = QStringLiteral("a") + QChar(kAttachmentCharacter) + QStringLiteral("bc");
    AttributedString string(text, {{attribute::kAttachment, QStringLiteral("file")}, {attribute::kFont, kBold}});
    string.fixAttributesInRange({0, 3});
    EXPECT_FALSE(string.attributeAtIndex(attribute::kAttachment, 0).isValid());
    EXPECT_TRUE(string.attributeAtIndex(attribute::kAttachment, 1).isValid());
    EXPECT_FALSE(string.attributeAtIndex(attribute::kAttachment, 2).isValid());
    EXPECT_TRUE(string.attributeAtIndex(attribute::kAttachment, 3).isValid()); // outside the range
    EXPECT_EQ(string.attributeAtIndex(attribute::kFont, 0), kBold);
}

// One dictionary laid over many ranges at once: ranges out of order,
// overlapping, touching, empty and reaching outside the text, over a text
// of random runs, with an entry that removes a name. The result is the
// one of a call per range, run for run.
TEST(AttributedString, AttributesOverManyRangesMatchOneCallPerRange)
{
    std::mt19937 random(20261207);
    auto pick = [&](int bound) { return int(random() % unsigned(bound)); };
    const QStringList names{attribute::kFont, attribute::kForegroundColor, attribute::kLink};
    const QVariantMap laid{{attribute::kLink, QStringLiteral("x")}, {attribute::kUnderlineStyle, 1},
                           {attribute::kFont, QVariant()}};
    for (int round = 0; round < 200; ++round) {
        SCOPED_TRACE(round);
        AttributedString base(QString(1 + pick(40), QLatin1Char('x')));
        for (int run = pick(8); run > 0; --run)
            base.addAttribute(names.at(pick(3)), pick(3), Range{pick(int(base.length())), pick(10)});
        QList<Range> ranges;
        for (int count = pick(12); count > 0; --count)
            ranges.append(Range{pick(int(base.length()) + 4) - 2, pick(8)});
        AttributedString oneByOne = base;
        for (const Range range : ranges)
            oneByOne.addAttributes(laid, range);
        AttributedString atOnce = base;
        atOnce.addAttributesInRanges(laid, ranges);
        ASSERT_EQ(atOnce, oneByOne) << describeAttributedString(atOnce).toStdString() << " against "
                                    << describeAttributedString(oneByOne).toStdString();
    }
    AttributedString untouched = boldMiddle();
    untouched.addAttributesInRanges({}, {Range{0, 7}});
    untouched.addAttributesInRanges(font(kRed), {Range{9, 2}, Range{3, 0}});
    EXPECT_EQ(untouched, boldMiddle());
}

// Regression: each range laid split the run list in the middle and moved
// the rest of it, so ranges given right to left took quadratic time (80k
// ranges: 78 s); the attachment repair did the same once per stretch.
TEST(AttributedString, ManyRangesTakeLinearWork)
{
    const auto alternating = [](qsizetype size) {
        AttributedString text(QString(size, QLatin1Char('x')));
        QList<Range> ranges;
        for (qsizetype at = size - 2; at >= 0; at -= 4)
            ranges.append(Range{at, 1});
        return std::pair{text, ranges};
    };
    test::expectLinearScanWork(alternating, [](std::pair<AttributedString, QList<Range>> input) {
        input.first.addAttributesInRanges(font(kBold), input.second);
        EXPECT_EQ(input.first.runs().size(), 2 * input.second.size() + 1);
        EXPECT_EQ(input.first.attributeAtIndex(attribute::kFont, input.second.first().location), kBold);
    });
    test::expectLinearScanWork(
        [](qsizetype size) {
            QString text;
            while (text.size() < size)
                text += QStringLiteral("ab") + QChar(kAttachmentCharacter);
            return AttributedString(text, {{attribute::kAttachment, QStringLiteral("file")}});
        },
        [](AttributedString text) {
            text.fixAttributesInRange(Range{0, text.length()});
            EXPECT_EQ(text.runs().size(), text.length() / 3 * 2);
            EXPECT_FALSE(text.attributeAtIndex(attribute::kAttachment, 0).isValid());
            EXPECT_TRUE(text.attributeAtIndex(attribute::kAttachment, 2).isValid());
        });
    // Merging many runs that a change made equal is one pass too.
    test::expectLinearScanWork(
        [](qsizetype size) {
            AttributedString text(QString(size, QLatin1Char('x')));
            QList<Range> ranges;
            for (qsizetype at = 0; at < size; at += 2)
                ranges.append(Range{at, 1});
            text.addAttributesInRanges(font(kBold), ranges);
            return text;
        },
        [](AttributedString text) {
            text.removeAttribute(attribute::kFont, Range{0, text.length()});
            EXPECT_EQ(text.runs().size(), 1);
        });
}

// Regression: every single call split the run list and moved the rest of it,
// so ranges laid one call at a time from the end of the text to its start
// took quadratic time (80k ranges: 3.8 s, against 0.1 s from the start).
TEST(AttributedString, SingleCallsThroughTheTextTakeLinearWork)
{
    const QString underline = QString::fromLatin1(attribute::kUnderlineStyle);
    const auto plain = [](qsizetype size) { return AttributedString(QString(size, QLatin1Char('x'))); };
    // Each mutator, once with the ranges from the end to the start and once
    // the other way: every other unit changed, then every fourth unit
    // changed back.
    const std::function<void(AttributedString&, Range)> lay[] = {
        [&](AttributedString& text, Range range) { text.addAttribute(underline, 1, range); },
        [](AttributedString& text, Range range) { text.addAttributes(font(kBold), range); },
        [](AttributedString& text, Range range) { text.setAttributes(font(kRed), range); },
    };
    for (const bool backwards : {true, false}) {
        for (const auto& change : lay) {
            SCOPED_TRACE(backwards ? "end to start" : "start to end");
            test::expectLinearScanWork(plain, [&](AttributedString text) {
                const qsizetype count = text.length() / 2;
                for (qsizetype step = 0; step < count; ++step)
                    change(text, Range{2 * (backwards ? count - 1 - step : step), 1});
                EXPECT_EQ(text.runs().size(), 2 * count);
                for (qsizetype step = 0; step < count; step += 2)
                    text.removeAttributesExcept({}, Range{2 * (backwards ? count - 1 - step : step), 1});
                // Every fourth unit keeps its change: from the start of the
                // text going backwards, after a plain unit going forwards.
                EXPECT_EQ(text.runs().size(), backwards ? count : count + 1);
                EXPECT_EQ(text.attributesAtIndex(backwards ? 0 : 2).isEmpty(), false);
                Range run;
                EXPECT_TRUE(text.attributesAtIndex(text.length() - 1, &run).isEmpty());
                EXPECT_EQ(run.length, backwards ? 3 : 1);
            });
        }
    }
}

// This thread's processor time in seconds.
double threadSeconds()
{
    timespec now{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return double(now.tv_sec) + double(now.tv_nsec) * 1e-9;
}

// Regression: every insertion renumbered all the runs after it, so
// insertions going forward through a text of many runs took quadratic
// time (12,500 through 100,000 runs: 2.6 s). The runs after the place of
// the last change now move all at once, and what is left is the text's
// own insertion, which moves the units after it: the same insertions into
// the bare string are the measure (before: 31 times that). Each is the
// least of three runs on fresh copies, so noise must slow all three of one
// kind to move the ratio.
TEST(AttributedString, ForwardInsertionsCostAboutWhatTheBareTextsCost)
{
    AttributedString original;
    for (qsizetype i = 0; original.length() < 300'000; ++i)
        original.appendAttributedString(AttributedString(QStringLiteral("ab"), i % 2 ? font(kBold) : QVariantMap()));
    const qsizetype runs = original.runs().size();
    double bareSeconds = std::numeric_limits<double>::infinity();
    double textSeconds = std::numeric_limits<double>::infinity();
    AttributedString text;
    QString bare;
    for (int round = 0; round < 3; ++round) {
        bare = original.string();
        bare.detach();
        double start = threadSeconds();
        for (qsizetype at = 1; at < bare.size(); at += 17)
            bare.insert(at, QLatin1Char('c'));
        bareSeconds = std::min(bareSeconds, threadSeconds() - start);
        // One unit inside every eighth run, each taking the attributes of
        // the unit before it.
        text = original;
        start = threadSeconds();
        for (qsizetype at = 1; at < text.length(); at += 17)
            text.insertString(QStringLiteral("c"), at);
        textSeconds = std::min(textSeconds, threadSeconds() - start);
    }
    EXPECT_EQ(text.string(), bare);
    EXPECT_EQ(text.runs().size(), runs);
    EXPECT_LE(textSeconds, 8 * bareSeconds) << "attributed: " << textSeconds << " s, bare: " << bareSeconds << " s";
    // Plain units put inside runs then split them where they go.
    for (qsizetype at = 2; at < 2000; at += 19)
        text.insertAttributedString(AttributedString(QStringLiteral("d")), at);
    EXPECT_EQ(text.string().left(5), QStringLiteral("acdba"));
    EXPECT_EQ(text.attributesAtIndex(1), QVariantMap());
    EXPECT_EQ(text.runs().last().range.maxRange(), text.length());
    EXPECT_EQ(text.attributesAtIndex(text.length() - 1, nullptr), text.runs().last().attributes);
}

// The one-pass replacement of many ranges gives what replacing them one at
// a time from the last to the first gives; a range that starts inside the
// one before is skipped.
TEST(AttributedString, ReplacementsInOnePassMatchOneAtATime)
{
    std::mt19937 random(20261208);
    auto pick = [&](int bound) { return int(random() % unsigned(bound)); };
    const QStringList names{attribute::kFont, attribute::kForegroundColor, attribute::kLink};
    for (int round = 0; round < 300; ++round) {
        SCOPED_TRACE(round);
        AttributedString base(QString(pick(30), QLatin1Char('x')));
        for (int run = pick(8); run > 0; --run)
            base.addAttribute(names.at(pick(3)), pick(3), Range{pick(int(base.length()) + 1), pick(10)});
        QList<AttributedReplacement> replacements;
        qsizetype location = pick(4) - 1;
        for (int count = pick(8); count > 0; --count) {
            AttributedString string(QString(pick(3), QLatin1Char('n')), font(pick(2)));
            if (pick(2) == 0)
                string.appendAttributedString(AttributedString(QStringLiteral("m")));
            replacements.append({Range{location, pick(4)}, string});
            location += replacements.last().range.length + pick(4) - (pick(6) == 0 ? 2 : 0);
        }
        AttributedString oneAtATime = base;
        qsizetype end = base.length() + 1;
        QList<AttributedReplacement> kept;
        qsizetype reached = 0;
        for (const AttributedReplacement& replacement : replacements) {
            const Range clipped = clippedRange(replacement.range, base.length());
            if (clipped.location < reached)
                continue;
            kept.append({clipped, replacement.string});
            reached = clipped.maxRange();
        }
        for (qsizetype at = kept.size() - 1; at >= 0; --at) {
            ASSERT_LE(kept.at(at).range.maxRange(), end);
            oneAtATime.replaceCharactersInRange(kept.at(at).range, kept.at(at).string);
            end = kept.at(at).range.location;
        }
        AttributedString atOnce = base;
        atOnce.replaceCharactersInRanges(replacements);
        ASSERT_EQ(atOnce, oneAtATime) << describeAttributedString(atOnce).toStdString() << " against "
                                      << describeAttributedString(oneAtATime).toStdString();
        ASSERT_FALSE(atOnce.string().isNull());
    }
    AttributedString dashes(QStringLiteral("a-b-c"));
    dashes.replaceCharactersInRanges({{Range{1, 1}, AttributedString(QStringLiteral("+"))},
                                      {Range{3, 1}, AttributedString()}});
    EXPECT_EQ(dashes.string(), QStringLiteral("a+bc"));
}

// Strings that reach one text and one dictionary per unit by edits in
// different orders are equal and answer the same runs, however the run
// list was reached.
TEST(AttributedString, EditsInAnyOrderGiveTheSameRuns)
{
    std::mt19937 random(20261207);
    auto pick = [&](int bound) { return int(random() % unsigned(bound)); };
    const QStringList names{attribute::kFont, attribute::kForegroundColor, attribute::kLink};
    for (int round = 0; round < 60; ++round) {
        SCOPED_TRACE(round);
        const qsizetype length = 1 + pick(200);
        struct Edit
        {
            Range range;
            int kind;
            QString name;
            int value;
        };
        // Edits of disjoint ranges commute, so any order gives one result.
        QList<Edit> edits;
        for (qsizetype at = pick(3); at < length; at += 1 + pick(6))
            edits.append(Edit{Range{at, 1 + pick(2)}, pick(4), names.at(pick(3)), pick(3)});
        for (qsizetype at = 1; at < edits.size(); ++at)
            edits[at - 1].range.length = std::min(edits.at(at - 1).range.length,
                                                  edits.at(at).range.location - edits.at(at - 1).range.location);
        const auto apply = [](AttributedString& text, const Edit& edit) {
            switch (edit.kind) {
            case 0:
                text.addAttribute(edit.name, edit.value, edit.range);
                break;
            case 1:
                text.addAttributes({{edit.name, edit.value}, {attribute::kKern, edit.value}}, edit.range);
                break;
            case 2:
                text.setAttributes({{edit.name, edit.value}}, edit.range);
                break;
            default:
                text.removeAttributesExcept({edit.name}, edit.range);
                break;
            }
        };
        const AttributedString start(QString(length, QLatin1Char('x')), {{attribute::kFont, 0}, {attribute::kKern, 1}});
        AttributedString forwards = start;
        for (const Edit& edit : edits)
            apply(forwards, edit);
        AttributedString backwards = start;
        for (qsizetype at = edits.size() - 1; at >= 0; --at)
            apply(backwards, edits.at(at));
        AttributedString shuffled = start;
        std::shuffle(edits.begin(), edits.end(), random);
        for (const Edit& edit : edits)
            apply(shuffled, edit);
        ASSERT_EQ(forwards, backwards) << describeAttributedString(forwards).toStdString() << " against "
                                       << describeAttributedString(backwards).toStdString();
        ASSERT_EQ(forwards, shuffled) << describeAttributedString(forwards).toStdString() << " against "
                                      << describeAttributedString(shuffled).toStdString();
        // The runs walked, by index and by iterator, tile the text and
        // answer what each unit carries; neighbours differ.
        qsizetype next = 0;
        qsizetype index = 0;
        for (const AttributedString::Run& run : shuffled.runs()) {
            ASSERT_EQ(run, shuffled.runs().at(index));
            ASSERT_EQ(run.range.location, next);
            ASSERT_GT(run.range.length, 0);
            Range effective;
            ASSERT_EQ(backwards.attributesAtIndex(next, &effective), run.attributes);
            ASSERT_EQ(effective, run.range);
            if (index > 0) {
                ASSERT_NE(shuffled.runs().at(index - 1).attributes, run.attributes);
            }
            next = run.range.maxRange();
            ++index;
        }
        ASSERT_EQ(next, length);
        ASSERT_EQ(shuffled.runs().last().range.maxRange(), length);
        // Characters replaced after the edits land where the runs say.
        AttributedString edited = shuffled;
        const Range replaced{pick(int(length)), pick(5)};
        edited.replaceCharactersInRange(replaced, forwards.attributedSubstringFromRange(Range{0, 3}));
        AttributedString expected = forwards.attributedSubstringFromRange(Range{0, replaced.location});
        expected.appendAttributedString(forwards.attributedSubstringFromRange(Range{0, 3}));
        expected.appendAttributedString(forwards.attributedSubstringFromRange(
            Range{replaced.maxRange(), length - std::min(length, replaced.maxRange())}));
        ASSERT_EQ(edited, expected) << describeAttributedString(edited).toStdString() << " against "
                                    << describeAttributedString(expected).toStdString();
    }
}

// Random edits checked against a plain model: one dictionary per unit.
TEST(AttributedString, RandomEditsMatchAUnitByUnitModel)
{
    std::mt19937 random(20261206);
    const QStringList names{attribute::kFont, attribute::kForegroundColor, attribute::kLink};
    AttributedString text(QStringLiteral("abcdefghij"));
    QString modelText = text.string();
    QList<QVariantMap> model(modelText.size());

    auto pick = [&](int bound) { return int(random() % unsigned(bound)); };
    for (int step = 0; step < 400; ++step) {
        SCOPED_TRACE(step);
        const qsizetype location = pick(int(modelText.size()) + 2) - 1;
        const Range range{location, pick(6)};
        const Range clipped = clippedRange(range, modelText.size());
        const QString name = names.at(pick(3));
        const QVariant value = pick(4);
        switch (pick(4)) {
        case 0:
            text.addAttribute(name, value, range);
            for (qsizetype i = clipped.location; i < clipped.maxRange(); ++i)
                model[i].insert(name, value);
            break;
        case 1:
            text.removeAttribute(name, range);
            for (qsizetype i = clipped.location; i < clipped.maxRange(); ++i)
                model[i].remove(name);
            break;
        default: {
            const QString inserted = QString(pick(3), QChar(u'a' + pick(26)));
            QVariantMap inherited;
            if (clipped.length > 0)
                inherited = model.at(clipped.location);
            else if (clipped.location > 0)
                inherited = model.at(clipped.location - 1);
            else if (!model.isEmpty())
                inherited = model.first();
            text.replaceCharactersInRange(range, inserted);
            modelText.replace(clipped.location, clipped.length, inserted);
            model.remove(clipped.location, clipped.length);
            model.insert(clipped.location, inserted.size(), inherited);
            break;
        }
        }
        ASSERT_EQ(text.string(), modelText);
        qsizetype covered = 0;
        for (qsizetype i = 0; i < modelText.size(); ++i) {
            Range run;
            ASSERT_EQ(text.attributesAtIndex(i, &run), model.at(i)) << "unit " << i;
            // The run is the longest: it ends where the model changes.
            ASSERT_TRUE(run.location == 0 || model.at(run.location - 1) != model.at(i));
            ASSERT_TRUE(run.maxRange() == modelText.size() || model.at(run.maxRange()) != model.at(i));
            covered += run.location == i ? run.length : 0;
        }
        ASSERT_EQ(covered, modelText.size());
    }
}

} // namespace
} // namespace sorvant
