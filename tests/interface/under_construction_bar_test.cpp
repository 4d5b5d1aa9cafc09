#include "interface/under_construction_bar.h"

#include "tests/interface/widget_helpers.h"

#include <QPainter>

#include <gtest/gtest.h>

namespace sorvant {
namespace {

TEST(UnderConstructionTiles, RunsLeaveRoomForTheTitle)
{
    // side = floor((600 - 160 - 100) / 2) - 20 = 150; 9 tiles of 16, 6 left.
    const UnderConstructionTiles tiles = underConstructionTiles({600, 20}, 100, {16, 10});
    EXPECT_EQ(tiles.sideLength, 150);
    EXPECT_EQ(tiles.wholeTiles, 9);
    EXPECT_EQ(tiles.leftRunX, 80);
    EXPECT_EQ(tiles.rightRunX, 370);
    EXPECT_EQ(tiles.y, 4);
    EXPECT_EQ(tiles.remainder, 6);

    EXPECT_EQ(underConstructionTiles({300, 20}, 100, {16, 10}).wholeTiles, 0) << "no room at all";
    EXPECT_EQ(underConstructionTiles({400, 20}, 100, {80, 10}).wholeTiles, 0) << "room for less than a tile";
    EXPECT_EQ(underConstructionTiles({600, 20}, 100, {0, 10}).wholeTiles, 0);
}

TEST(UnderConstructionBars, OnePerWindowDrawnOnlyWithATile)
{
    QWidget window;
    window.setWindowTitle(QStringLiteral("Find"));
    window.resize(600, 120);
    EXPECT_TRUE(addUnderConstructionBar(&window));
    EXPECT_FALSE(addUnderConstructionBar(&window));
    ASSERT_NE(underConstructionBar(&window), nullptr);
    EXPECT_EQ(underConstructionBar(&window)->geometry(), QRect(0, 0, 600, 20));
    QWidget frameless(nullptr, Qt::FramelessWindowHint);
    EXPECT_FALSE(addUnderConstructionBar(&frameless));

    auto paintStrip = [&window] {
        QImage image(600, 20, QImage::Format_ARGB32_Premultiplied);
        image.fill(Qt::white);
        underConstructionBar(&window)->render(&image);
        return image;
    };
    setUnderConstructionTile(QImage());
    EXPECT_EQ(paintStrip().pixelColor(85, 10), QColor(Qt::white));
    QImage tile(16, 10, QImage::Format_ARGB32_Premultiplied);
    tile.fill(Qt::black);
    setUnderConstructionTile(tile);
    const QImage strip = paintStrip();
    EXPECT_NE(strip.pixelColor(85, 10), QColor(Qt::white)) << "left run";
    EXPECT_EQ(strip.pixelColor(40, 10), QColor(Qt::white)) << "the end margin stays free";
    EXPECT_EQ(strip.pixelColor(300, 10), QColor(Qt::white)) << "the title stays free";
    setUnderConstructionTile(QImage());

    window.resize(800, 120);
    test::activate(window);
    EXPECT_EQ(underConstructionBar(&window)->width(), 800);
    removeUnderConstructionBar(&window);
    EXPECT_EQ(underConstructionBar(&window), nullptr);
}

} // namespace
} // namespace sorvant
