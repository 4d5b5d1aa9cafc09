#pragma once
// Scroll-area extensions: zooming by magnification in fourth-root-of-two
// steps, scroll commands that report whether anything moved, a one-call
// document setup, ruler units, and the scroll area, corner and table
// header that draw a one-point border line along their top.
//
// Directions are those of the document's coordinates, which grow downwards
// in Qt: "up" moves the visible rectangle towards larger y, that is towards
// the end of a table, and "top left" is the largest y.
//   scrollVisiblePageUp(table showing rows 0-9 of 100) => rows 10-19, YES
//   scrollDown(area at y 0)                            => NO
//   zoomIn x 4 from 1.0                                => 2.0 (within float rounding)
//
// Magnification is kept on the area ("sorvantMagnification", with
// "sorvantAllowsMagnification" and the limits); a QGraphicsView is scaled by
// it, other areas scale their document widget's contents through the view
// extensions' scaling.

#include "foundation/color.h"

#include <QAbstractScrollArea>
#include <QHeaderView>
#include <QScrollArea>

namespace sorvant {

inline constexpr double kZoomStep = 1.1892070770263672; // 2^(1/4) in single precision

// --- zooming -----------------------------------------------------------------------------
void setAllowsMagnification(QAbstractScrollArea* area, bool flag);
[[nodiscard]] bool allowsMagnification(const QAbstractScrollArea* area);
// The limits (0.25 and 4 unless set).
void setMagnificationLimits(QAbstractScrollArea* area, double minimum, double maximum);
[[nodiscard]] double magnification(const QAbstractScrollArea* area);
// Sets the magnification clamped to the limits.
void setMagnification(QAbstractScrollArea* area, double magnification);
[[nodiscard]] bool canZoomIn(const QAbstractScrollArea* area);
[[nodiscard]] bool canZoomOut(const QAbstractScrollArea* area);
[[nodiscard]] bool canZoomToActualSize(const QAbstractScrollArea* area);
bool zoomIn(QAbstractScrollArea* area);
bool zoomOut(QAbstractScrollArea* area);
// Sets 1.0 whether or not magnification is allowed; always YES.
bool zoomToActualSize(QAbstractScrollArea* area);

// --- scroll commands: YES when the visible rectangle moved ------------------------------------
bool scrollTopLeft(QAbstractScrollArea* area);
bool scrollBottomLeft(QAbstractScrollArea* area);
bool scrollUp(QAbstractScrollArea* area);
bool scrollDown(QAbstractScrollArea* area);
bool scrollLeft(QAbstractScrollArea* area);
bool scrollRight(QAbstractScrollArea* area);
bool scrollPageUp(QAbstractScrollArea* area);
bool scrollPageDown(QAbstractScrollArea* area);
bool scrollPageLeft(QAbstractScrollArea* area);
bool scrollPageRight(QAbstractScrollArea* area);
// By the visible height or width itself.
bool scrollVisiblePageUp(QAbstractScrollArea* area);
bool scrollVisiblePageDown(QAbstractScrollArea* area);
bool scrollVisiblePageLeft(QAbstractScrollArea* area);
bool scrollVisiblePageRight(QAbstractScrollArea* area);

// --- setup and rulers -------------------------------------------------------------------------
// No horizontal scroller; a vertical one, shown as needed, only with
// `verticalScroller`.
void setDocumentView(QScrollArea* area, QWidget* document, bool verticalScroller);
// Qt areas have no rulers: the units are kept on the area for the rulers a
// window adds ("sorvantMeasurementUnits"); YES when the name changed.
bool setMeasurementUnits(QAbstractScrollArea* area, const QString& units);
[[nodiscard]] QString measurementUnits(const QAbstractScrollArea* area);

// --- top borders ----------------------------------------------------------------------------------
// Answered by a border class (or a subclass) that picks its own line colour.
class BorderColorProvider
{
public:
    virtual ~BorderColorProvider() = default;
    [[nodiscard]] virtual Color borderColor() const = 0;
};
// The provider's colour, else screenSeparatorColor().
[[nodiscard]] Color borderColorOf(const QObject* object);

// A scroll area whose contents start one point below its top edge, where it
// draws the border line.
class TopBorderedScrollView : public QScrollArea
{
    Q_OBJECT
public:
    explicit TopBorderedScrollView(QWidget* parent = nullptr);
    // Leaves `dy` points free at the top and `dx` at the right.
    void tileDeltaX(double dx, double dy);

protected:
    bool event(QEvent* event) override;
};

// A corner widget that draws only the top line.
class TopBorderedCornerView : public QWidget
{
    Q_OBJECT
public:
    explicit TopBorderedCornerView(QWidget* parent = nullptr);

protected:
    void paintEvent(QPaintEvent* event) override;
};

// Draws the one-point top line of `widget` in its border colour.
void drawTopBorder(QPainter& painter, const QWidget* widget);

} // namespace sorvant
