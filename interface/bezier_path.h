#pragma once
// Path: a list of drawing elements (move, line, curve, close) that, unlike
// QPainterPath, remembers an explicit close, so isClosed() can tell a
// closed outline from one that merely ends where it began. Coordinates are
// y-up like the toolkit's geometry; toPainterPath() gives the outline as is,
// and a painter flips it with the view when it must.
//
// Also the path builders: rounded rectangles, lines, the tool-tip balloon
// with its arrow on one edge, and the shared rounded-rectangle drawing.
//
//   bezierPathWithRoundedRect({0, 0, 40, 6}, 10)   => radius 6 (the smaller side)
//   toolTipRect({0, 0, 100, 50}, false, 0, 1, &body)
//                                        => body {0, 12, 100, 38}, arrow at (50, 0)
//   Path().isClosed()                    => false

#include "foundation/color.h"

#include <QList>
#include <QPainterPath>
#include <QPointF>
#include <QRectF>

class QPainter;

namespace sorvant {

class Path
{
public:
    enum class ElementType : int { MoveTo = 0, LineTo = 1, CurveTo = 2, ClosePath = 3 };
    struct Element
    {
        ElementType type;
        // One point for moves and lines, three (two controls, the end) for
        // curves, none for a close.
        QList<QPointF> points;
        friend bool operator==(const Element&, const Element&) = default;
    };

    void moveToPoint(QPointF point);
    void lineToPoint(QPointF point);
    void curveToPoint(QPointF end, QPointF control1, QPointF control2);
    void closePath();
    // A circular arc around `center` from `startAngle` to `endAngle` in
    // degrees (counter-clockwise unless `clockwise`); a line joins the
    // current point to the arc's start, as a move does on an empty path.
    // A negative radius mirrors the arc through the centre.
    void appendBezierPathWithArcWithCenter(QPointF center, double radius, double startAngle, double endAngle,
                                           bool clockwise);

    [[nodiscard]] const QList<Element>& elements() const { return m_elements; }
    [[nodiscard]] qsizetype elementCount() const { return m_elements.size(); }
    [[nodiscard]] bool isEmpty() const { return m_elements.isEmpty(); }
    [[nodiscard]] QPointF currentPoint() const;
    // At least one element and the last one closes.
    [[nodiscard]] bool isClosed() const;
    // Itself when closed, else a copy with a close appended.
    [[nodiscard]] Path closedPath() const;
    [[nodiscard]] QRectF bounds() const;

    [[nodiscard]] QPainterPath toPainterPath() const;

    friend bool operator==(const Path&, const Path&) = default;

private:
    QList<Element> m_elements;
};

// --- builders ---------------------------------------------------------------------
// Four corner arcs of radius r (the smaller side when r exceeds the width or
// height); not closed with a close element.
[[nodiscard]] Path bezierPathWithRoundedRect(QRectF rect, double radius);
[[nodiscard]] Path bezierPathWithLineFromPoint(QPointF from, QPointF to);
// The balloon: `rect` less 12 points on `edge` (0 left, 1 bottom, 2 right,
// 3 top) is the body, whose rect goes to `innerRect`; the arrow points away
// from the body at `point` (relative to the body's origin) on that edge.
// Another edge code gives an empty closed path.
[[nodiscard]] Path toolTipRect(QRectF rect, bool rounded, double radius, int edge, QPointF point,
                               QRectF* innerRect = nullptr);
// The same with the arrow centred: point = (rect width / 2, rect height / 2).
[[nodiscard]] Path toolTipRect(QRectF rect, bool rounded, double radius, int edge, QRectF* innerRect = nullptr);

// Fills the rounded rectangle white (small) or white 0.95, then strokes it in
// dark grey: 0.5 wide dashed 2 on 2 off when small, 1.0 solid otherwise.
void drawRoundedRect(QPainter& painter, QRectF rect, double radius, bool small);
// Strokes or fills the path moved to `point`.
void strokeAtPoint(QPainter& painter, const Path& path, QPointF point, const Color& color, double lineWidth = 1.0);
void fillAtPoint(QPainter& painter, const Path& path, QPointF point, const Color& color);

} // namespace sorvant
