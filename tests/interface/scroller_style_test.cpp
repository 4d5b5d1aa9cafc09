#include "interface/scroller_style.h"

#include "interface/appearance.h"
#include "interface/colors.h"

#include <QApplication>
#include <QImage>
#include <QMenu>
#include <QPainter>
#include <QScrollBar>
#include <QStyleFactory>
#include <QStyleOptionSlider>

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>

namespace sorvant {
namespace {

// The mean distance from the window's grey, over a third of the bar: the
// strong shape a person reads as the thumb is where it is largest.
double contrast(const QImage& image, int third, const QColor& window)
{
    double sum = 0;
    int count = 0;
    const int from = image.width() * third / 3;
    const int to = image.width() * (third + 1) / 3;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = from; x < to; ++x) {
            sum += std::abs(qGray(image.pixel(x, y)) - qGray(window.rgb()));
            ++count;
        }
    }
    return count ? sum / count : 0;
}

TEST(ScrollerStyle, ThumbReadsMirroredRegression)
{
    // Fusion drew the thumb lighter than its groove: beside a white table
    // the grey rest of the groove read as the thumb, at the right end when
    // the view was at its left. The thumb must be the strong shape at the
    // end where it is, at both ends, in light and dark palettes.
    EXPECT_TRUE(qobject_cast<ScrollerStyle*>(QApplication::style()));
    const QPalette previous = QApplication::palette();
    for (const QPalette& palette : {QPalette(QColor(240, 240, 240)), darkFusionPalette()}) {
        QScrollBar bar(Qt::Horizontal);
        bar.setPalette(palette);
        bar.resize(600, 16);
        bar.setRange(0, 300);
        bar.setPageStep(400);
        const QColor window = palette.color(QPalette::Window);
        SCOPED_TRACE(window.name().toStdString());
        bar.setValue(0);
        const QImage left = bar.grab().toImage();
        EXPECT_GT(contrast(left, 0, window), 3 * contrast(left, 2, window) + 10);
        bar.setValue(bar.maximum());
        const QImage right = bar.grab().toImage();
        EXPECT_GT(contrast(right, 2, window), 3 * contrast(right, 0, window) + 10);
    }
    QApplication::setPalette(previous);
}

// Regression: in a dark menu an unticked item's box was a shade of the
// menu (#272727 on #242424, 1.04:1): the boxes of View > Columns could not
// be seen. Ticked or not, a box stands out 3:1 from the menu behind it.
TEST(ScrollerStyle, MenuCheckBoxesReadInLightAndDarkRegression)
{
    ASSERT_TRUE(qobject_cast<ScrollerStyle*>(QApplication::style()));
    std::unique_ptr<QStyle> fusion(QStyleFactory::create(QStringLiteral("Fusion")));
    QPalette desktopDark(Qt::white, QColor(36, 36, 36));
    desktopDark.setColor(QPalette::Base, QColor(30, 30, 30));
    const struct {
        const char* name;
        QPalette palette;
    } palettes[] = {{"light", fusion->standardPalette()}, {"dark", darkFusionPalette()}, {"desktop dark", desktopDark}};
    for (const auto& p : palettes) {
        SCOPED_TRACE(p.name);
        QMenu menu;
        menu.setPalette(p.palette);
        // Without text, what the item draws at its left is its box.
        QAction* unticked = menu.addAction(QString());
        unticked->setCheckable(true);
        QAction* ticked = menu.addAction(QString());
        ticked->setCheckable(true);
        ticked->setChecked(true);
        menu.setMinimumWidth(120);
        menu.adjustSize();
        const QImage image = menu.grab().toImage();
        for (QAction* item : {unticked, ticked}) {
            SCOPED_TRACE(item->isChecked() ? "ticked" : "unticked");
            const QRect row = menu.actionGeometry(item);
            const QColor behind = image.pixelColor(row.right() - 4, row.center().y());
            double strongest = 0;
            for (int y = row.top(); y <= row.bottom(); ++y)
                for (int x = row.left(); x < row.left() + std::min(40, row.width() / 2); ++x)
                    strongest = std::max(strongest, contrastRatio(image.pixelColor(x, y), behind));
            EXPECT_GE(strongest, 3.0);
        }
    }
}

TEST(ScrollerStyle, ThumbIsBetweenTheWindowAndItsText)
{
    const ScrollerColors light = scrollerColors(QPalette(QColor(240, 240, 240)));
    EXPECT_LT(qGray(light.thumb.rgb()), qGray(light.groove.rgb()) - 60);
    EXPECT_LT(qGray(light.activeThumb.rgb()), qGray(light.thumb.rgb()));
    const ScrollerColors dark = scrollerColors(darkFusionPalette());
    EXPECT_GT(qGray(dark.thumb.rgb()), qGray(dark.groove.rgb()) + 60);
    EXPECT_GT(qGray(dark.activeThumb.rgb()), qGray(dark.thumb.rgb()));
}

// The thumb under the pointer or held by it takes the active colour; one
// merely shown, or a bar hovered elsewhere, the normal one. Read at the
// thumb's centre, drawn by the style the application uses.
TEST(ScrollerStyle, HoveredOrPressedThumbTakesTheActiveColour)
{
    const QPalette palette(QColor(240, 240, 240));
    const ScrollerColors colors = scrollerColors(palette);
    ASSERT_NE(colors.thumb.rgb(), colors.activeThumb.rgb());
    QScrollBar bar(Qt::Vertical);
    bar.setPalette(palette);
    bar.resize(16, 300);
    bar.setRange(0, 100);
    bar.setPageStep(100);
    const auto centreColour = [&](QStyle::State state, QStyle::SubControls active) {
        QStyleOptionSlider option;
        option.initFrom(&bar);
        option.orientation = Qt::Vertical;
        option.minimum = bar.minimum();
        option.maximum = bar.maximum();
        option.pageStep = bar.pageStep();
        option.sliderPosition = 0;
        option.sliderValue = 0;
        option.subControls = QStyle::SC_All;
        option.state = QStyle::State_Enabled | state;
        option.activeSubControls = active;
        const QRect thumb = QApplication::style()->subControlRect(QStyle::CC_ScrollBar, &option,
                                                                  QStyle::SC_ScrollBarSlider, &bar);
        QImage image(bar.size(), QImage::Format_ARGB32);
        image.fill(Qt::white);
        QPainter painter(&image);
        QApplication::style()->drawComplexControl(QStyle::CC_ScrollBar, &option, &painter, &bar);
        painter.end();
        return image.pixel(thumb.center()) | 0xFF000000u;
    };
    const QRgb normal = colors.thumb.rgb() | 0xFF000000u;
    const QRgb active = colors.activeThumb.rgb() | 0xFF000000u;
    EXPECT_EQ(centreColour({}, QStyle::SC_None), normal);
    EXPECT_EQ(centreColour(QStyle::State_MouseOver, QStyle::SC_ScrollBarAddLine), normal);
    EXPECT_EQ(centreColour(QStyle::State_MouseOver, QStyle::SC_ScrollBarSlider), active);
    EXPECT_EQ(centreColour(QStyle::State_Sunken, QStyle::SC_ScrollBarSlider), active);
}

} // namespace
} // namespace sorvant
