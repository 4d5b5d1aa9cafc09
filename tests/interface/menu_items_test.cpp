#include "interface/menu_items.h"

#include "interface/action_router.h"
#include "localization_fixture.h"
#include "tests/interface/support.h"

#include <QApplication>
#include <QMenu>
#include <QWidget>

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
