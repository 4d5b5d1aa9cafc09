#include "interface/string_drawing.h"

#include "interface/colors.h"
#include "interface/fonts.h"
#include "search/highlighting.h"
#include "tests/interface/support.h"

#include <QPainter>

#include <algorithm>
#include <cmath>

#include <gtest/gtest.h>

namespace sorvant {
namespace {

QFont testFont()
{
    QFont font(QStringLiteral("DejaVu Sans"));
    font.setPointSizeF(12);
    return font;
}

struct PlaceCase
{
    const char* name;
    QRectF rect;
    QSizeF size;
    TextAlignment alignment;
    bool centered, fits;
    std::optional<double> scale;
    QRectF expected;
};
void PrintTo(const PlaceCase& row, std::ostream* out) { test::printRowName(row, out); }

class PlaceText : public testing::TestWithParam<PlaceCase> {};

TEST_P(PlaceText, Arithmetic)
{
    const PlaceCase& c = GetParam();
    EXPECT_EQ(placeTextInRect(c.rect, c.size, c.alignment, c.centered, c.fits, c.scale), c.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Table, PlaceText,
    testing::Values(
        PlaceCase{"RightMovesByRintOfTheRest", {0, 0, 101, 20}, {100.4, 14}, TextAlignment::Right, false, true,
                  std::nullopt, {1, 0, 101, 20}},
        PlaceCase{"CentredVerticallyWithoutScale", {0, 0, 50, 20}, {30, 14}, TextAlignment::Left, true, true,
                  std::nullopt, {0, 3, 50, 14}},
        PlaceCase{"CentredVerticallyScale2", {0, 0, 50, 20}, {30, 14}, TextAlignment::Left, true, true, 2.0,
                  {0, 3, 50, 14}},
        PlaceCase{"TiesRoundToEven", {0, 0, 50, 20}, {30, 15}, TextAlignment::Left, true, true, std::nullopt,
                  {0, 2, 50, 15}},
        PlaceCase{"CentreAlignHalf", {10, 0, 50, 20}, {30.5, 14}, TextAlignment::Center, false, true, std::nullopt,
                  {20, 0, 31, 20}},
        PlaceCase{"SnapToHalfPixels", {0.3, 0.2, 50, 20}, {30, 14}, TextAlignment::Left, false, true, 2.0,
                  {0.5, 0, 50, 20}},
        PlaceCase{"NoAlignmentWhenTooWide", {0, 0, 50, 20}, {80, 14}, TextAlignment::Right, false, false,
                  std::nullopt, {0, 0, 50, 20}},
        PlaceCase{"JustifiedChangesNothing", {0, 0, 50, 20}, {30, 14}, TextAlignment::Justified, false, true,
                  std::nullopt, {0, 0, 50, 20}}),
    [](const auto& row) { return std::string(row.param.name); });

TEST(StringDrawing, TruncationTestsAgainstTheFlooredWidth)
{
    // Find a string and a rect whose widths straddle floor(width).
    const QString text = QStringLiteral("Some file name.txt");
    const double w = sizeWithFont(text, testFont()).width();
    ASSERT_GT(w, 10);
    QImage canvas = test::blankImage(400, 40, Qt::white);
    QPainter painter(&canvas);
    const QSizeF fits = drawInRect(painter, text, QRectF(0, 0, std::ceil(w) + 0.5, 20), LineBreakMode::ByTruncatingTail,
                                   TextAlignment::Left, false, testFont(), Color::blackColor(), false, false, std::nullopt);
    EXPECT_EQ(fits.width(), w); // the whole string's size either way
    const QSizeF cut = drawInRect(painter, text, QRectF(0, 20, std::floor(w) - 0.1 + 1e-9, 20),
                                  LineBreakMode::ByTruncatingTail, TextAlignment::Left, false, testFont(),
                                  Color::blackColor(), false, false, std::nullopt);
    EXPECT_EQ(cut.width(), w);
    EXPECT_EQ(drawInRect(painter, text, QRectF(0, 0, 0, 20), true, testFont(), Color(), false), QSizeF(0, 0));
}

TEST(StringDrawing, MiddleTruncationKeepsRunsOnTheirCharacters)
{
    const QString text = QStringLiteral("/Users/someone/Documents/highlight/report.txt");
    AttributedString string(text, {{attribute::kFont, testFont()}});
    const qsizetype hit = text.indexOf(QStringLiteral("report"));
    string.addAttribute(attribute::kBackgroundColor, QVariant::fromValue(Color::yellowColor()), {hit, 6});
    const double full = attributedStringSize(string).width();
    const AttributedString cut = truncatedAttributedString(string, full * 0.6, LineBreakMode::ByTruncatingMiddle);
    ASSERT_LT(cut.length(), string.length());
    EXPECT_LE(attributedStringSize(cut).width(), full * 0.6);
    const qsizetype ellipsis = cut.string().indexOf(QChar(0x2026));
    ASSERT_GT(ellipsis, 0);
    EXPECT_TRUE(text.startsWith(cut.string().left(ellipsis)));
    EXPECT_TRUE(text.endsWith(cut.string().mid(ellipsis + 1)));
    // The highlight stays on "report".
    const qsizetype moved = cut.string().indexOf(QStringLiteral("report"));
    ASSERT_GT(moved, ellipsis);
    Range range;
    EXPECT_TRUE(cut.attributeAtIndex(attribute::kBackgroundColor, moved, &range).isValid());
    EXPECT_EQ(range, (Range{moved, 6}));
    EXPECT_FALSE(cut.attributeAtIndex(attribute::kBackgroundColor, ellipsis).isValid());

    for (LineBreakMode mode : {LineBreakMode::ByTruncatingHead, LineBreakMode::ByTruncatingTail}) {
        const AttributedString end = truncatedAttributedString(string, full * 0.5, mode);
        EXPECT_EQ(mode == LineBreakMode::ByTruncatingHead ? end.string().front() : end.string().back(), QChar(0x2026));
    }
    EXPECT_EQ(truncatedAttributedString(string, full + 1, LineBreakMode::ByTruncatingMiddle), string);
    EXPECT_EQ(truncatedAttributedString(string, 10, LineBreakMode::ByClipping), string);
}

TEST(StringDrawing, RememberedMeasurementsFollowTextWidthAndFont)
{
    // Sizes and truncations are remembered between paints: each answer must
    // still be the one for this text, width and font.
    const QString text = QStringLiteral("/Users/someone/Documents/remembered/report.txt");
    QFont larger = testFont();
    larger.setPointSizeF(testFont().pointSizeF() * 2);
    const double small = sizeWithFont(text, testFont()).width();
    const double large = sizeWithFont(text, larger).width();
    EXPECT_GT(large, small * 1.5);
    EXPECT_EQ(sizeWithFont(text, testFont()).width(), small);
    EXPECT_GT(sizeWithFont(text + QStringLiteral("x"), testFont()).width(), small);

    const AttributedString plain(text, {{attribute::kFont, testFont()}});
    const AttributedString big(text, {{attribute::kFont, larger}});
    const auto cut = [](const AttributedString& string, double width) {
        return truncatedAttributedString(string, width, LineBreakMode::ByTruncatingMiddle).string();
    };
    const QString half = cut(plain, small * 0.5);
    EXPECT_EQ(cut(plain, small * 0.5), half);
    EXPECT_LT(cut(plain, small * 0.3).length(), half.length());  // the width changed
    EXPECT_LT(cut(big, small * 0.5).length(), half.length());    // the font changed
    EXPECT_EQ(cut(plain, small + 1), text);                       // fits again
    const AttributedString other(QStringLiteral("/Users/someone/Documents/remembered/answer.txt"),
                                 {{attribute::kFont, testFont()}});
    EXPECT_TRUE(cut(other, small * 0.5).endsWith(QStringLiteral("answer.txt"))); // the value changed
    // A run's own font counts, not only the first one.
    AttributedString bolder = plain;
    QFont bold = testFont();
    bold.setBold(true);
    bold.setPointSizeF(testFont().pointSizeF() * 2);
    bolder.addAttribute(attribute::kFont, bold, {text.length() - 10, 10});
    EXPECT_GT(attributedStringSize(bolder).width(), small);
    EXPECT_LT(cut(bolder, small * 0.5).length(), half.length());
}

TEST(StringDrawing, TruncationSplitsDecomposedAccentRegression)
{
    // A name stored decomposed: every "e" carries a combining acute. At
    // whatever width, no cut leaves an accent without its letter or a letter
    // without its accent.
    QString text;
    for (int i = 0; i < 24; ++i)
        text += QStringLiteral("e\u0301");
    const AttributedString string(text, {{attribute::kFont, testFont()}});
    const double full = attributedStringSize(string).width();
    for (LineBreakMode mode : {LineBreakMode::ByTruncatingMiddle, LineBreakMode::ByTruncatingHead,
                               LineBreakMode::ByTruncatingTail}) {
        for (double fraction = 0.15; fraction < 1; fraction += 0.07) {
            SCOPED_TRACE(fraction);
            const QString cut = truncatedAttributedString(string, full * fraction, mode).string();
            ASSERT_TRUE(cut.contains(QChar(0x2026)));
            EXPECT_EQ(cut.count(u'e'), cut.count(QChar(0x301)));
            for (qsizetype i = 0; i < cut.size(); ++i)
                EXPECT_EQ(cut[i] == QChar(0x301), i > 0 && cut[i - 1] == u'e') << i;
        }
    }
}

TEST(StringDrawing, EllipsisTakesTheAttributesOfWhatItReplaces)
{
    AttributedString string(QStringLiteral("aaaaaaaaaaBBBBBBBBBBcccccccccc"), {{attribute::kFont, testFont()}});
    string.addAttribute(attribute::kForegroundColor, QVariant::fromValue(Color::redColor()), {10, 10});
    for (double fraction : {0.3, 0.5, 0.8}) {
        SCOPED_TRACE(fraction);
        const AttributedString cut = truncatedAttributedString(string, attributedStringSize(string).width() * fraction,
                                                               LineBreakMode::ByTruncatingMiddle);
        const qsizetype ellipsis = cut.string().indexOf(QChar(0x2026));
        ASSERT_GE(ellipsis, 0);
        // The kept head is unchanged, so the first replaced character had
        // the ellipsis's index in the original.
        EXPECT_EQ(cut.attributesAtIndex(ellipsis), string.attributesAtIndex(ellipsis));
    }
}

TEST(StringDrawing, BuildersLeaveOutWhatIsMissing)
{
    const AttributedString plain = asAttributedStringWithFont(QStringLiteral("x"), std::nullopt, Color(), true);
    EXPECT_EQ(plain.attributesAtIndex(0), (QVariantMap{{attribute::kUnderlineStyle, 1}}));
    const AttributedString truncating = attributedStringByTruncatingTo(
        QStringLiteral("x"), LineBreakMode::ByTruncatingMiddle, testFont(), Color::redColor(), false, true);
    const QVariantMap attributes = truncating.attributesAtIndex(0);
    EXPECT_EQ(attributes.value(attribute::kStrikethroughStyle).toInt(), 1);
    const ParagraphStyle style = attributes.value(attribute::kParagraphStyle).value<ParagraphStyle>();
    EXPECT_EQ(style.lineBreakMode, LineBreakMode::ByTruncatingMiddle);
    EXPECT_FALSE(style.allowsDefaultTighteningForTruncation);

    const AttributedString noLink = asAttributedLink(QStringLiteral("x"), QVariant(), Color::yellowColor());
    EXPECT_FALSE(noLink.containsAttribute(attribute::kLink));
    EXPECT_FALSE(noLink.containsAttribute(attribute::kBackgroundColor));
    EXPECT_EQ(noLink.attributeAtIndex(attribute::kForegroundColor, 0), QVariant::fromValue(linkColor()));
    const AttributedString self = asAttributedLinkWithBackgroundColor(QStringLiteral("http://x"), Color::yellowColor());
    EXPECT_EQ(self.attributeAtIndex(attribute::kLink, 0), QStringLiteral("http://x"));
    EXPECT_TRUE(self.containsAttribute(attribute::kBackgroundColor));
    EXPECT_EQ(sizeWithFont(QString(), testFont()), QSizeF(0, 0));
    EXPECT_EQ(sizeWithFont(QStringLiteral("x"), std::nullopt), QSizeF(0, 0));
    EXPECT_TRUE(infoLinkUnderlined());
    EXPECT_EQ(infoLinkLineBreakMode(), LineBreakMode::ByTruncatingMiddle);
}

TEST(StringDrawing, WrappedBoundsGrowWithLinesAndStopAtTheLastVisibleOne)
{
    const QString text = QStringLiteral("one two three four five six seven eight nine ten eleven twelve");
    const QRectF oneLine = boundingRectWithSize(text, QSizeF(10000, 0), testFont());
    const QRectF wrapped = boundingRectWithSize(text, QSizeF(80, 0), testFont());
    EXPECT_GT(wrapped.height(), 2 * oneLine.height());
    EXPECT_LE(wrapped.width(), 80);
    const QRectF limited = boundingRectWithSize(text, QSizeF(80, oneLine.height() * 2), testFont());
    EXPECT_NEAR(limited.height(), oneLine.height() * 2, 0.5);
    EXPECT_EQ(boundingRectWithSize(QString(), QSizeF(80, 80), testFont()), QRectF());
}

TEST(StringDrawing, SearchHighlightsDrawInTheirColours)
{
    AttributedString string(QStringLiteral("find the needle here"), {{attribute::kFont, testFont()}});
    string.addAttributes(primaryHighlightAttributes(), {9, 6});
    QImage canvas = test::blankImage(300, 30, Qt::white);
    QPainter painter(&canvas);
    drawInRect(painter, string, QRectF(0, 0, 300, 30));
    painter.end();
    const QColor background = QColor::fromRgba(primaryBackgroundHighlightingColor().argb());
    const double start = attributedStringSize(string.attributedSubstringFromRange({0, 9})).width();
    EXPECT_EQ(canvas.pixelColor(int(start) + 2, 2), background);
    EXPECT_EQ(canvas.pixelColor(int(start) - 4, 2), QColor(Qt::white));
}

TEST(StringDrawing, DrawsInkOnlyInsideItsPlace)
{
    QImage canvas = test::blankImage(200, 60, Qt::white);
    QPainter painter(&canvas);
    drawInRect(painter, QStringLiteral("Right"), QRectF(0, 0, 200, 30), LineBreakMode::ByTruncatingTail,
               TextAlignment::Right, true, testFont(), Color::blackColor(), false, false, std::nullopt);
    drawWithRect(painter, QStringLiteral("wrapped text that goes on and on and on"), QRectF(0, 30, 60, 30),
                 kDefaultStringDrawingOptions, testFont(), Color::redColor(), LineBreakMode::ByWordWrapping);
    painter.end();
    EXPECT_GT(test::inkPixels(canvas, QRect(140, 0, 60, 30), Qt::white), 10);
    EXPECT_EQ(test::inkPixels(canvas, QRect(0, 0, 100, 30), Qt::white), 0);
    EXPECT_GT(test::inkPixels(canvas, QRect(0, 30, 60, 30), Qt::white), 10);
    EXPECT_EQ(test::inkPixels(canvas, QRect(62, 30, 138, 30), Qt::white), 0);
}

double relativeLuminance(const QColor& colour)
{
    const auto channel = [](double c) { return c <= 0.03928 ? c / 12.92 : std::pow((c + 0.055) / 1.055, 2.4); };
    return 0.2126 * channel(colour.redF()) + 0.7152 * channel(colour.greenF()) + 0.0722 * channel(colour.blueF());
}

// Links must stay readable on the view background of either appearance
// (a contrast of at least 4.5 to 1).
TEST(StringDrawing, LinksAreReadableInBothAppearances)
{
    for (const bool darkAppearance : {false, true}) {
        SCOPED_TRACE(darkAppearance ? "dark" : "light");
        test::AppearanceScope scope(darkAppearance);
        const AttributedString link = asAttributedLink(QStringLiteral("x"), QStringLiteral("https://example.invalid"));
        const double text = relativeLuminance(toQColor(link.attributeAtIndex(attribute::kForegroundColor, 0).value<Color>()));
        const double background = relativeLuminance(toQColor(controlBackgroundColor()));
        EXPECT_GE((std::max(text, background) + 0.05) / (std::min(text, background) + 0.05), 4.5);
    }
}

} // namespace
} // namespace sorvant
