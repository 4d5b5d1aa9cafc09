#include "interface/menu_items.h"

#include "foundation/attributed_string.h"
#include "interface/action_router.h"
#include "interface/colors.h"
#include "interface/fonts.h"
#include "interface/menus.h"
#include "localization_fixture.h"
#include "tests/interface/support.h"

#include <QApplication>
#include <QMenu>
#include <QWidget>

#include <memory>

namespace sorvant {
namespace {

Image solidImage(int width, int height)
{
    QImage pixels(width, height, QImage::Format_ARGB32_Premultiplied);
    pixels.fill(Qt::red);
    return Image::withBitmap(pixels);
}

QImage pixelsOf(const Image& image)
{
    return iconForImage(image).pixmap(image.size().toSize()).toImage();
}

TEST(MenuItemImages, NarrowPicturesArePaddedToTheColumnCentred)
{
    AppleInterfaceMenuItem item("Item");
    item.setImage(solidImage(16, 16));
    ASSERT_FALSE(item.image().isNull());
    EXPECT_EQ(item.image().size(), QSizeF(24, 16));
    const QImage pixels = pixelsOf(item.image());
    for (int x : {0, 3, 20, 23})
        EXPECT_EQ(qAlpha(pixels.pixel(x, 8)), 0) << x;
    for (int x : {4, 12, 19})
        EXPECT_EQ(pixels.pixelColor(x, 8), QColor(Qt::red)) << x;

    item.setImage(solidImage(32, 16));
    EXPECT_EQ(item.image().size(), QSizeF(32, 16));
    item.setImage({});
    EXPECT_TRUE(item.image().isNull());
}

// The icon was drawn once, for the appearance of the moment it was set.
TEST(MenuItemImages, IconFollowsASwitchToDarkAndBack)
{
    QImage glyph(16, 16, QImage::Format_ARGB32_Premultiplied);
    glyph.fill(Qt::black);
    AppleInterfaceMenuItem item("Item");
    item.setImage(Image::withBitmap(glyph));
    const auto shown = [&item] { return item.icon().pixmap(QSize(24, 16)).toImage().pixelColor(12, 8); };
    EXPECT_EQ(shown(), QColor(Qt::black));
    {
        test::AppearanceScope dark(true);
        EXPECT_GT(shown().lightness(), 160);
    }
    EXPECT_EQ(shown(), QColor(Qt::black));
}

TEST(MenuItemImages, SwatchesHaveTheirShapeSizes)
{
    const std::pair<int, QSizeF> cases[] = {{0, {20, 10}}, {1, {26, 13}}, {2, {13, 13}}};
    for (const auto& [shape, size] : cases) {
        SCOPED_TRACE(shape);
        const Image swatch = colorImage(Color::deviceRGB(0, 0, 1, 1), shape);
        ASSERT_FALSE(swatch.isNull());
        EXPECT_EQ(swatch.size(), size);
        const QImage pixels = pixelsOf(swatch);
        EXPECT_EQ(pixels.pixelColor(int(size.width() / 2), int(size.height() / 2)), QColor(Qt::blue));
    }
    EXPECT_TRUE(colorImage(Color::deviceRGB(0, 0, 1, 1), 3).isNull());
    const QImage windowFilled = pixelsOf(colorImage(std::nullopt, 2));
    EXPECT_EQ(windowFilled.pixelColor(6, 6), QApplication::palette().color(QPalette::Window));
}

class RatingTest : public test::LocalizedBundleTest
{
};

TEST_F(RatingTest, ToolTipsNameTheStarsInTheUsersLanguage)
{
    const std::pair<int, QString> english[] = {{0, "No star"}, {1, "One star"}, {5, "5 stars"}, {-1, "-1 stars"}};
    for (const auto& [rating, text] : english)
        EXPECT_EQ(ratingToolTip(rating), text) << rating;
    writeTable("de", "Velmor", "\"No star\" = \"Kein Stern\"; \"%d stars\" = \"%d Sterne\";");
    setLanguage("de");
    EXPECT_EQ(ratingToolTip(0), "Kein Stern");
    EXPECT_EQ(ratingToolTip(3), "3 Sterne");
    QAction item("Rated");
    setRatingImage(&item, 3);
    EXPECT_EQ(item.toolTip(), "3 Sterne");
    EXPECT_FALSE(item.icon().isNull());
    EXPECT_EQ(ratingImage(3).size(), QSizeF(65, 13));
    EXPECT_EQ(ratingImage(3, 1).size(), QSizeF(50, 10));
}

// Pixels of `rect` that are plainly red (the cores of red glyphs).
int redPixels(const QImage& image, QRect rect)
{
    int count = 0;
    const QRect area = rect.intersected(image.rect());
    for (int y = area.top(); y <= area.bottom(); ++y) {
        for (int x = area.left(); x <= area.right(); ++x) {
            const QColor pixel = image.pixelColor(x, y);
            count += pixel.red() > 160 && pixel.green() < 90 && pixel.blue() < 90;
        }
    }
    return count;
}

// The font sizes and draws the item's row, the colour draws its title, in
// the menu and in a copy of it; the font alone drops the colour, and no
// attributes give the plain row back.
TEST(MenuItemTitles, AttributesReachTheRowsFontAndColour)
{
    QMenu menu;
    QAction* plain = menu.addAction(QStringLiteral("Plain"));
    QAction* titled = menu.addAction(QStringLiteral("Titled"));
    const int plainHeight = menu.actionGeometry(plain).height();
    QFont big = systemFontOfSize(24);
    big.setBold(true);
    setTitleAttributes(titled, {{QString::fromLatin1(attribute::kFont), big},
                                {QString::fromLatin1(attribute::kForegroundColor), QVariant::fromValue(Color::redColor())}});
    EXPECT_GT(menu.actionGeometry(titled).height(), plainHeight);
    QImage shot = menu.grab().toImage();
    EXPECT_GT(redPixels(shot, menu.actionGeometry(titled)), 20);
    EXPECT_EQ(redPixels(shot, menu.actionGeometry(plain)), 0);

    std::unique_ptr<QMenu> copy(copyMenu(&menu));
    const QImage copied = copy->grab().toImage();
    EXPECT_GT(redPixels(copied, copy->actionGeometry(copy->actions().at(1))), 20);
    EXPECT_EQ(redPixels(copied, copy->actionGeometry(copy->actions().at(0))), 0);

    setTitleFont(titled, big);
    shot = menu.grab().toImage();
    EXPECT_GT(menu.actionGeometry(titled).height(), plainHeight);
    EXPECT_EQ(redPixels(shot, menu.actionGeometry(titled)), 0);
    EXPECT_GT(test::inkPixels(shot, menu.actionGeometry(titled), shot.pixelColor(menu.actionGeometry(titled).topLeft())), 20);

    setTitleAttributes(titled, {});
    EXPECT_EQ(menu.actionGeometry(titled).height(), plainHeight);
    setTitleAttributes(nullptr, {});
}

TEST(SeparatorMenuItems, StayDisabledWhateverEnablesThem)
{
    QMenu menu;
    QWidget responder; // answers "hide:"
    auto* heading = new SeparatorMenuItem("Group", &menu);
    menu.addAction(heading);
    EXPECT_FALSE(heading->isEnabled());
    heading->setEnabled(true);
    EXPECT_FALSE(heading->isEnabled());
    bindAction(heading, "hide:", &responder);
    validateMenuActions(&menu);
    EXPECT_FALSE(heading->isEnabled());
}

TEST(AppleInterfaceItems, AddedWithBindingTagAndKey)
{
    QMenu menu;
    QWidget responder; // answers "hide:"
    QAction* item = addAppleInterfaceItem(&menu, "Heading", "hide:", &responder, 4, "CMD_OPT_h");
    ASSERT_NE(dynamic_cast<AppleInterfaceMenuItem*>(item), nullptr);
    EXPECT_EQ(itemTag(item), 4);
    EXPECT_EQ(actionTarget(item), &responder);
    EXPECT_EQ(item->shortcut(), QKeySequence(Qt::CTRL | Qt::ALT | Qt::Key_H));
}

} // namespace
} // namespace sorvant
