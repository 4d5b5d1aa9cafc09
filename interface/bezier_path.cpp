#include "interface/bezier_path.h"

#include "interface/colors.h"

#include <QPainter>
#include <QPen>

#include <cmath>
#include <numbers>

namespace sorvant {

void Path::moveToPoint(QPointF point)
{
    m_elements.append({ElementType::MoveTo, {point}});
}

void Path::lineToPoint(QPointF point)
{
    if (m_elements.isEmpty())
        moveToPoint(point);
    else
        m_elements.append({ElementType::LineTo, {point}});
}

void Path::curveToPoint(QPointF end, QPointF control1, QPointF control2)
{
    m_elements.append({ElementType::CurveTo, {control1, control2, end}});
}

void Path::closePath()
{
    m_elements.append({ElementType::ClosePath, {}});
}

void Path::appendBezierPathWithArcWithCenter(QPointF center, double radius, double startAngle, double endAngle, bool clockwise)
{
    if (!clockwise)
        while (endAngle < startAngle)
            endAngle += 360.0;
    else
        while (endAngle > startAngle)
            endAngle -= 360.0;
    auto at = [&](double degrees) {
        const double a = degrees * std::numbers::pi / 180.0;
        return QPointF(center.x() + radius * std::cos(a), center.y() + radius * std::sin(a));
    };
    const QPointF start = at(startAngle);
    if (m_elements.isEmpty())
        moveToPoint(start);
    else if (currentPoint() != start)
        lineToPoint(start);
    // Cubic segments of at most 90 degrees, each within 0.03% of the circle.
    const double sweep = endAngle - startAngle;
    const int segments = std::max(1, int(std::ceil(std::abs(sweep) / 90.0 - 1e-9)));
    const double step = sweep / segments;
    for (int index = 0; index < segments; ++index) {
        const double a1 = startAngle + step * index, a2 = a1 + step;
        const double k = 4.0 / 3.0 * std::tan(step * std::numbers::pi / 720.0) * radius;
        const double r1 = a1 * std::numbers::pi / 180.0, r2 = a2 * std::numbers::pi / 180.0;
        const QPointF p0 = at(a1), p3 = at(a2);
        const QPointF p1(p0.x() - k * std::sin(r1), p0.y() + k * std::cos(r1));
        const QPointF p2(p3.x() + k * std::sin(r2), p3.y() - k * std::cos(r2));
        curveToPoint(p3, p1, p2);
    }
}

QPointF Path::currentPoint() const
{
    // A close returns to the start of the last subpath.
    for (qsizetype index = m_elements.size() - 1; index >= 0; --index) {
        const Element& element = m_elements.at(index);
        if (element.type == ElementType::ClosePath) {
            for (qsizetype back = index - 1; back >= 0; --back) {
                if (m_elements.at(back).type == ElementType::MoveTo)
                    return m_elements.at(back).points.first();
            }
            return QPointF();
        }
        return element.points.last();
    }
    return QPointF();
}

bool Path::isClosed() const
{
    return !m_elements.isEmpty() && m_elements.last().type == ElementType::ClosePath;
}

Path Path::closedPath() const
{
    if (isClosed())
        return *this;
    Path closed = *this;
    closed.closePath();
    return closed;
}

QRectF Path::bounds() const
{
    return toPainterPath().boundingRect();
}

QPainterPath Path::toPainterPath() const
{
    QPainterPath path;
    for (const Element& element : m_elements) {
        switch (element.type) {
        case ElementType::MoveTo: path.moveTo(element.points.at(0)); break;
        case ElementType::LineTo: path.lineTo(element.points.at(0)); break;
        case ElementType::CurveTo: path.cubicTo(element.points.at(0), element.points.at(1), element.points.at(2)); break;
        case ElementType::ClosePath: path.closeSubpath(); break;
        }
    }
    return path;
}

Path bezierPathWithRoundedRect(QRectF rect, double radius)
{
    const double x = rect.x(), y = rect.y(), w = rect.width(), h = rect.height();
    const double r = radius > w || radius > h ? std::min(w, h) : radius;
    Path path;
    path.moveToPoint(QPointF(x + r, y));
    path.appendBezierPathWithArcWithCenter(QPointF(x + w - r, y + r), -r, 90, 180, false);
    path.appendBezierPathWithArcWithCenter(QPointF(x + w - r, y + h - r), -r, 180, 270, false);
    path.appendBezierPathWithArcWithCenter(QPointF(x + r, y + h - r), -r, 270, 360, false);
    path.appendBezierPathWithArcWithCenter(QPointF(x + r, y + r), -r, 0, 90, false);
    return path;
}

Path bezierPathWithLineFromPoint(QPointF from, QPointF to)
{
    Path path;
    path.moveToPoint(from);
    path.lineToPoint(to);
    return path;
}

namespace {

constexpr double kArrowDepth = 12.0;
constexpr double kSideArrowHalf = 12.0;   // left and right edges
constexpr double kBottomArrowHalf = 8.0;  // bottom and top edges

void lines(Path& path, std::initializer_list<QPointF> points)
{
    for (const QPointF& point : points)
        path.lineToPoint(point);
}

} // namespace

Path toolTipRect(QRectF rect, bool rounded, double radius, int edge, QPointF point, QRectF* innerRect)
{
    QRectF body = rect;
    switch (edge) {
    case 0: body.setX(body.x() + kArrowDepth); break; // setX keeps the right edge
    case 1: body.setY(body.y() + kArrowDepth); break;
    case 2: body.setWidth(body.width() - kArrowDepth); break;
    case 3: body.setHeight(body.height() - kArrowDepth); break;
    default: break;
    }
    const double X = body.x(), Y = body.y(), MX = X + body.width(), MY = Y + body.height();
    const double ax = X + point.x(), ay = Y + point.y(), r = radius;
    const double d = kArrowDepth, s = kSideArrowHalf, b = kBottomArrowHalf;
    Path path;
    auto bottomLeft = [&] { path.appendBezierPathWithArcWithCenter(QPointF(X + r, Y + r), -r, 0, 90, false); };
    auto bottomRight = [&] { path.appendBezierPathWithArcWithCenter(QPointF(MX - r, Y + r), -r, 90, 180, false); };
    auto topRight = [&] { path.appendBezierPathWithArcWithCenter(QPointF(MX - r, MY - r), -r, 180, 270, false); };
    auto topLeft = [&] { path.appendBezierPathWithArcWithCenter(QPointF(X + r, MY - r), -r, 270, 360, false); };
    if (!rounded) {
        switch (edge) {
        case 0:
            path.moveToPoint({X, Y});
            lines(path, {{MX, Y}, {MX, MY}, {X, MY}, {X, ay + s}, {X - d, ay}, {X, ay - s}});
            break;
        case 1:
            path.moveToPoint({X, Y});
            lines(path, {{X, MY}, {MX, MY}, {MX, Y}, {ax + b, Y}, {ax, Y - d}, {ax - b, Y}});
            break;
        case 2:
            path.moveToPoint({X, Y});
            lines(path, {{X, MY}, {MX, MY}, {MX, ay + s}, {MX + d, ay}, {MX, ay - s}, {MX, Y}});
            break;
        case 3:
            path.moveToPoint({X, Y});
            lines(path, {{X, MY}, {ax - b, MY}, {ax, MY + d}, {ax + b, MY}, {MX, MY}, {MX, Y}});
            break;
        default: break;
        }
    } else {
        switch (edge) {
        case 0:
            path.moveToPoint({X, MY - r});
            lines(path, {{X, ay + s}, {X - d, ay}, {X, ay - s}});
            bottomLeft(), bottomRight(), topRight(), topLeft();
            break;
        case 1:
            path.moveToPoint({X + r, Y});
            lines(path, {{ax - b, Y}, {ax, Y - d}, {ax + b, Y}});
            bottomRight(), topRight(), topLeft(), bottomLeft();
            break;
        case 2:
            path.moveToPoint({X, MY - r});
            bottomLeft(), bottomRight();
            lines(path, {{MX, ay - s}, {MX + d, ay}, {MX, ay + s}});
            topRight(), topLeft();
            break;
        case 3:
            path.moveToPoint({X + r, Y});
            bottomRight(), topRight();
            lines(path, {{ax + b, MY}, {ax, MY + d}, {ax - b, MY}});
            topLeft(), bottomLeft();
            break;
        default: break;
        }
    }
    path.closePath();
    if (innerRect)
        *innerRect = body;
    return path;
}

Path toolTipRect(QRectF rect, bool rounded, double radius, int edge, QRectF* innerRect)
{
    return toolTipRect(rect, rounded, radius, edge, QPointF(rect.width() * 0.5, rect.height() * 0.5), innerRect);
}

void drawRoundedRect(QPainter& painter, QRectF rect, double radius, bool small)
{
    const QPainterPath path = bezierPathWithRoundedRect(rect, radius).toPainterPath();
    painter.save();
    painter.fillPath(path, toQColor(Color::calibratedWhite(small ? 1.0 : 0.95)));
    QPen pen(toQColor(Color::darkGrayColor()));
    pen.setWidthF(small ? 0.5 : 1.0);
    if (small)
        pen.setDashPattern({2.0 / 0.5, 2.0 / 0.5}); // Qt counts dashes in pen widths
    painter.strokePath(path, pen);
    painter.restore();
}

void strokeAtPoint(QPainter& painter, const Path& path, QPointF point, const Color& color, double lineWidth)
{
    painter.save();
    painter.translate(point);
    QPen pen(toQColor(color));
    pen.setWidthF(lineWidth);
    painter.strokePath(path.toPainterPath(), pen);
    painter.restore();
}

void fillAtPoint(QPainter& painter, const Path& path, QPointF point, const Color& color)
{
    painter.save();
    painter.translate(point);
    painter.fillPath(path.toPainterPath(), toQBrush(color));
    painter.restore();
}

} // namespace sorvant
