#include "interface/scroll_views.h"

#include "interface/colors.h"
#include "interface/view_extensions.h"

#include <QEvent>
#include <QGraphicsView>
#include <QPainter>
#include <QScrollBar>

#include <algorithm>
#include <cmath>

namespace sorvant {
namespace {

constexpr const char* kMagnification = "sorvantMagnification";
constexpr const char* kAllowsMagnification = "sorvantAllowsMagnification";
constexpr const char* kMinMagnification = "sorvantMinMagnification";
constexpr const char* kMaxMagnification = "sorvantMaxMagnification";
constexpr const char* kMeasurementUnits = "sorvantMeasurementUnits";

double realProperty(const QObject* object, const char* name, double fallback)
{
    const QVariant value = object->property(name);
    return value.isValid() ? value.toDouble() : fallback;
}

double minMagnification(const QAbstractScrollArea* area)
{
    return realProperty(area, kMinMagnification, 0.25);
}

double maxMagnification(const QAbstractScrollArea* area)
{
    return realProperty(area, kMaxMagnification, 4.0);
}

// Moves the visible rectangle by (dx, dy) or to (x, y) and tells whether it moved.
bool scrollTo(QAbstractScrollArea* area, const std::function<QPoint(QPoint visible)>& move)
{
    if (!area)
        return false;
    QScrollBar* horizontal = area->horizontalScrollBar();
    QScrollBar* vertical = area->verticalScrollBar();
    const QPoint before(horizontal->value(), vertical->value());
    const QPoint target = move(before);
    horizontal->setValue(target.x());
    vertical->setValue(target.y());
    return QPoint(horizontal->value(), vertical->value()) != before;
}

bool scrollBy(QAbstractScrollArea* area, int dx, int dy)
{
    return scrollTo(area, [&](QPoint visible) { return visible + QPoint(dx, dy); });
}

} // namespace

// --- zooming -----------------------------------------------------------------------------------

void setAllowsMagnification(QAbstractScrollArea* area, bool flag)
{
    area->setProperty(kAllowsMagnification, flag);
}

bool allowsMagnification(const QAbstractScrollArea* area)
{
    return area && area->property(kAllowsMagnification).toBool();
}

void setMagnificationLimits(QAbstractScrollArea* area, double minimum, double maximum)
{
    area->setProperty(kMinMagnification, minimum);
    area->setProperty(kMaxMagnification, maximum);
}

double magnification(const QAbstractScrollArea* area)
{
    return area ? realProperty(area, kMagnification, 1.0) : 1.0;
}

void setMagnification(QAbstractScrollArea* area, double value)
{
    const double clamped = std::clamp(value, minMagnification(area), maxMagnification(area));
    area->setProperty(kMagnification, clamped);
    if (auto* graphics = qobject_cast<QGraphicsView*>(area))
        graphics->setTransform(QTransform::fromScale(clamped, clamped));
    else if (auto* scroll = qobject_cast<QScrollArea*>(area); scroll && scroll->widget())
        setScale(scroll->widget(), QSizeF(clamped, clamped));
}

bool canZoomIn(const QAbstractScrollArea* area)
{
    return allowsMagnification(area) && magnification(area) < maxMagnification(area);
}

bool canZoomOut(const QAbstractScrollArea* area)
{
    return allowsMagnification(area) && magnification(area) > minMagnification(area);
}

bool canZoomToActualSize(const QAbstractScrollArea* area)
{
    return allowsMagnification(area) && magnification(area) != 1.0;
}

bool zoomIn(QAbstractScrollArea* area)
{
    if (!allowsMagnification(area))
        return false;
    setMagnification(area, magnification(area) * kZoomStep);
    return true;
}

bool zoomOut(QAbstractScrollArea* area)
{
    if (!allowsMagnification(area))
        return false;
    setMagnification(area, magnification(area) / kZoomStep);
    return true;
}

bool zoomToActualSize(QAbstractScrollArea* area)
{
    setMagnification(area, 1.0);
    return true;
}

// --- scroll commands ------------------------------------------------------------------------------

bool scrollTopLeft(QAbstractScrollArea* area)
{
    return scrollTo(area, [area](QPoint) { return QPoint(0, area->verticalScrollBar()->maximum()); });
}

bool scrollBottomLeft(QAbstractScrollArea* area)
{
    return scrollTo(area, [](QPoint) { return QPoint(0, 0); });
}

bool scrollUp(QAbstractScrollArea* area)
{
    return area && scrollBy(area, 0, area->verticalScrollBar()->singleStep());
}

bool scrollDown(QAbstractScrollArea* area)
{
    return area && scrollBy(area, 0, -area->verticalScrollBar()->singleStep());
}

bool scrollLeft(QAbstractScrollArea* area)
{
    return area && scrollBy(area, -area->horizontalScrollBar()->singleStep(), 0);
}

bool scrollRight(QAbstractScrollArea* area)
{
    return area && scrollBy(area, area->horizontalScrollBar()->singleStep(), 0);
}

bool scrollPageUp(QAbstractScrollArea* area)
{
    return area && scrollBy(area, 0, area->verticalScrollBar()->pageStep());
}

bool scrollPageDown(QAbstractScrollArea* area)
{
    return area && scrollBy(area, 0, -area->verticalScrollBar()->pageStep());
}

bool scrollPageLeft(QAbstractScrollArea* area)
{
    return area && scrollBy(area, -area->horizontalScrollBar()->pageStep(), 0);
}

bool scrollPageRight(QAbstractScrollArea* area)
{
    return area && scrollBy(area, area->horizontalScrollBar()->pageStep(), 0);
}

bool scrollVisiblePageUp(QAbstractScrollArea* area)
{
    return area && scrollBy(area, 0, area->viewport()->height());
}

bool scrollVisiblePageDown(QAbstractScrollArea* area)
{
    return area && scrollBy(area, 0, -area->viewport()->height());
}

bool scrollVisiblePageLeft(QAbstractScrollArea* area)
{
    return area && scrollBy(area, -area->viewport()->width(), 0);
}

bool scrollVisiblePageRight(QAbstractScrollArea* area)
{
    return area && scrollBy(area, area->viewport()->width(), 0);
}

// --- setup and rulers ---------------------------------------------------------------------------

void setDocumentView(QScrollArea* area, QWidget* document, bool verticalScroller)
{
    area->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    area->setVerticalScrollBarPolicy(verticalScroller ? Qt::ScrollBarAsNeeded : Qt::ScrollBarAlwaysOff);
    area->setWidget(document);
}

bool setMeasurementUnits(QAbstractScrollArea* area, const QString& units)
{
    const QVariant current = area->property(kMeasurementUnits);
    if (current.isValid() && !units.isNull() && current.toString() == units)
        return false;
    area->setProperty(kMeasurementUnits, units);
    return true;
}

QString measurementUnits(const QAbstractScrollArea* area)
{
    return area->property(kMeasurementUnits).toString();
}

// --- top borders -----------------------------------------------------------------------------------

Color borderColorOf(const QObject* object)
{
    if (const auto* provider = dynamic_cast<const BorderColorProvider*>(object))
        return provider->borderColor();
    return screenSeparatorColor();
}

void drawTopBorder(QPainter& painter, const QWidget* widget)
{
    painter.fillRect(QRect(0, 0, widget->width(), 1), toQColor(borderColorOf(widget)));
}

TopBorderedScrollView::TopBorderedScrollView(QWidget* parent)
    : QScrollArea(parent)
{
    setFrameShape(QFrame::NoFrame);
    tileDeltaX(0, 1);
}

void TopBorderedScrollView::tileDeltaX(double dx, double dy)
{
    setViewportMargins(0, int(dy), int(dx), 0);
}

bool TopBorderedScrollView::event(QEvent* event)
{
    // The area's own paint events go to its frame, not to paintEvent(), which
    // paints the viewport.
    const bool handled = QScrollArea::event(event);
    if (event->type() == QEvent::Paint) {
        QPainter painter(this);
        drawTopBorder(painter, this);
    }
    return handled;
}

TopBorderedCornerView::TopBorderedCornerView(QWidget* parent)
    : QWidget(parent)
{
}

void TopBorderedCornerView::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    drawTopBorder(painter, this);
}

} // namespace sorvant
