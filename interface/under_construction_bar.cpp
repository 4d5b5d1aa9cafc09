#include "interface/under_construction_bar.h"

#include "interface/application.h"

#include <QEvent>
#include <QFontMetricsF>
#include <QMouseEvent>
#include <QPainter>

#include <cmath>

namespace sorvant {

namespace {

constexpr int kStripHeight = 20;
// Room kept free at each end of the strip (where window buttons sit) and
// between a run and the title.
constexpr double kEndMargin = 80;
constexpr double kTitleGap = 20;

QImage& tileImage()
{
    static QImage tile;
    return tile;
}

} // namespace

UnderConstructionTiles underConstructionTiles(const QSizeF& stripSize, double titleWidth, const QSizeF& tileSize)
{
    UnderConstructionTiles tiles;
    const double available = stripSize.width() - 2 * kEndMargin;
    tiles.sideLength = static_cast<int>(std::floor((available - titleWidth) * 0.5) - kTitleGap);
    if (tiles.sideLength <= 0 || !(tileSize.width() > 0))
        return tiles;
    tiles.wholeTiles = static_cast<int>(std::floor(tiles.sideLength / tileSize.width()));
    if (tiles.wholeTiles <= 0)
        return tiles;
    tiles.y = static_cast<int>(std::floor((stripSize.height() - tileSize.height()) * 0.5) - 1);
    tiles.leftRunX = static_cast<int>(kEndMargin);
    tiles.rightRunX = static_cast<int>(stripSize.width() - tiles.sideLength - kEndMargin);
    tiles.remainder = static_cast<int>(tiles.sideLength - tileSize.width() * tiles.wholeTiles + 0.5);
    return tiles;
}

UnderConstructionBar::UnderConstructionBar(QWidget* window) : QWidget(window)
{
    setAttribute(Qt::WA_TranslucentBackground);
    setGeometry(0, 0, window->width(), kStripHeight);
    window->installEventFilter(this);
}

bool UnderConstructionBar::eventFilter(QObject* watched, QEvent* event)
{
    // Flexible width, fixed to the top edge.
    if (watched == parentWidget() && event->type() == QEvent::Resize)
        setGeometry(0, 0, parentWidget()->width(), kStripHeight);
    return QWidget::eventFilter(watched, event);
}

void UnderConstructionBar::paintEvent(QPaintEvent*)
{
    const QImage tile = underConstructionTile();
    if (tile.isNull())
        return;
    const QWidget* window = this->window();
    const double titleWidth = QFontMetricsF(font()).horizontalAdvance(window->windowTitle());
    const UnderConstructionTiles tiles = underConstructionTiles(QSizeF(size()), titleWidth, QSizeF(tile.size()));
    if (tiles.wholeTiles <= 0)
        return;
    QPainter painter(this);
    painter.setOpacity(mainWindow() == window ? 0.8 : 0.4);
    painter.setCompositionMode(QPainter::CompositionMode_SourceAtop);
    const int top = height() - tiles.y - tile.height();
    for (const int start : {tiles.leftRunX, tiles.rightRunX}) {
        for (int index = 0; index < tiles.wholeTiles; ++index)
            painter.drawImage(QPoint(start + static_cast<int>(index * tile.width()), top), tile);
        if (tiles.remainder > 0)
            painter.drawImage(QPoint(start + tiles.wholeTiles * tile.width(), top), tile,
                              QRect(0, 0, tiles.remainder, tile.height()));
    }
}

void UnderConstructionBar::mouseDoubleClickEvent(QMouseEvent* event)
{
    if (QWidget* window = this->window(); window && !window->isMinimized())
        window->showMinimized();
    event->accept();
}

void setUnderConstructionTile(const QImage& tile)
{
    tileImage() = tile;
}

QImage underConstructionTile()
{
    return tileImage();
}

bool addUnderConstructionBar(QWidget* window)
{
    if (!window || !window->isWindow() || underConstructionBar(window))
        return false;
    const Qt::WindowFlags flags = window->windowFlags();
    if (flags.testFlag(Qt::FramelessWindowHint)
        || (flags.testFlag(Qt::CustomizeWindowHint) && !flags.testFlag(Qt::WindowCloseButtonHint)))
        return false;
    auto* bar = new UnderConstructionBar(window);
    bar->lower();
    bar->show();
    return true;
}

UnderConstructionBar* underConstructionBar(const QWidget* window)
{
    return window ? window->findChild<UnderConstructionBar*>(QString(), Qt::FindDirectChildrenOnly) : nullptr;
}

void removeUnderConstructionBar(QWidget* window)
{
    delete underConstructionBar(window);
}

void setUnderConstructionBarNeedsDisplay(QWidget* window, bool flag)
{
    if (UnderConstructionBar* bar = underConstructionBar(window); bar && flag)
        bar->update();
}

} // namespace sorvant
