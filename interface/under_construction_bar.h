#pragma once
// UnderConstructionBar: a decorative strip of tiles along the top of a
// window, on both sides of the title, marking a build that is not finished.
// The window manager draws the real title bar, so the strip lies along the
// top edge of the window's contents, behind the other widgets; a double
// click on it minimizes the window.
//
// The tiles are the image set with setUnderConstructionTile(); without one
// nothing is drawn. Their placement is a pure function of the strip's size,
// the title's width and the tile's size (underConstructionTiles).
//
// Not here: other window helpers (window_extensions.h).

#include <QImage>
#include <QList>
#include <QWidget>

namespace sorvant {

// Where the two runs of tiles go in a strip, y-up from the strip's bottom.
struct UnderConstructionTiles {
    // The run length on each side; nothing is drawn when it is not above 0.
    int sideLength = 0;
    // Whole tiles per run and the left x of each run.
    int wholeTiles = 0;
    int leftRunX = 0;
    int rightRunX = 0;
    // The tiles' bottom edge.
    int y = 0;
    // The width of the partial tile at the end of each run (0: none).
    int remainder = 0;
};

// The runs for a strip of `stripSize`, a title `titleWidth` wide and tiles
// of `tileSize`: 80 points kept free at each end, 20 between a run and the
// title. Empty (wholeTiles 0) when there is no room for one whole tile.
//   ({600, 20}, 100, {16, 10}) => side 150, 9 tiles, runs at 80 and 370, y 4, remainder 6
[[nodiscard]] UnderConstructionTiles underConstructionTiles(const QSizeF& stripSize, double titleWidth,
                                                             const QSizeF& tileSize);

class UnderConstructionBar : public QWidget
{
    Q_OBJECT
public:
    explicit UnderConstructionBar(QWidget* window);

protected:
    void paintEvent(QPaintEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
};

// The tile image of every strip (a null image draws nothing).
void setUnderConstructionTile(const QImage& tile);
[[nodiscard]] QImage underConstructionTile();

// Adds a strip to the window: NO for a null, frameless or child widget or
// a window without a close button, or when it has one already.
bool addUnderConstructionBar(QWidget* window);
// The window's strip; null when it has none.
[[nodiscard]] UnderConstructionBar* underConstructionBar(const QWidget* window);
void removeUnderConstructionBar(QWidget* window);
void setUnderConstructionBarNeedsDisplay(QWidget* window, bool flag);

} // namespace sorvant
