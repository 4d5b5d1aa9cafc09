#include "interface/geometry.h"

#include <QGuiApplication>
#include <QRegularExpression>
#include <QScreen>

#include <algorithm>
#include <cmath>

namespace sorvant {

namespace {

QString number(double value)
{
    // 15 significant digits never show binary noise ("0.1", not
    // "0.10000000000000001"); adding 0 turns "-0" into "0".
    return QString::number(value + 0.0, 'g', 15);
}

} // namespace

QString stringFromPoint(const Point& point)
{
    return QStringLiteral("{%1, %2}").arg(number(point.x), number(point.y));
}

QString stringFromSize(const Size& size)
{
    return QStringLiteral("{%1, %2}").arg(number(size.width), number(size.height));
}

QString stringFromRect(const Rect& rect)
{
    return QStringLiteral("{%1, %2}").arg(stringFromPoint(rect.origin), stringFromSize(rect.size));
}

Rect rectFromString(const QString& text)
{
    // The string form is read leniently: the first four numbers in order,
    // whatever punctuation surrounds them.
    static const QRegularExpression numberPattern(QStringLiteral("[-+]?(?:\\d+\\.?\\d*|\\.\\d+)(?:[eE][-+]?\\d+)?"));
    double values[4] = {0, 0, 0, 0};
    int count = 0;
    auto matches = numberPattern.globalMatch(text);
    while (count < 4 && matches.hasNext()) {
        const double value = matches.next().captured().toDouble();
        values[count++] = std::isfinite(value) ? value : 0;
    }
    return makeRect(values[0], values[1], values[2], values[3]);
}

bool isEmptyRect(const Rect& rect)
{
    return !(rect.size.width > 0 && rect.size.height > 0);
}

bool pointInRect(const Point& point, const Rect& rect)
{
    return !isEmptyRect(rect) && point.x >= rect.minX() && point.x < rect.maxX() && point.y >= rect.minY()
        && point.y < rect.maxY();
}

Rect limitFrame(const Rect& frame, const Rect& bounds)
{
    Rect result = frame;
    if (result.maxX() > bounds.maxX())
        result.origin.x -= result.maxX() - bounds.maxX();
    if (result.maxY() > bounds.maxY())
        result.origin.y -= result.maxY() - bounds.maxY();
    if (result.origin.x < bounds.origin.x)
        result.origin.x = bounds.origin.x;
    if (result.origin.y < bounds.origin.y)
        result.origin.y = bounds.origin.y;
    return result;
}

Rect fitFrame(const Rect& frame, const Rect& bounds)
{
    if (isEmptyRect(bounds))
        return frame;
    Rect result = frame;
    result.size.width = std::min(frame.size.width, bounds.size.width);
    result.size.height = std::min(frame.size.height, bounds.size.height);
    return limitFrame(result, bounds);
}

Rect centerRect(const Rect& rect, const Point& point)
{
    return Rect{{point.x - rect.size.width * 0.5, point.y - rect.size.height * 0.5}, rect.size};
}

namespace {

// A damaged settings file can hold any number: the origin and the size are
// held within 2^24 (Qt's widget size limit) before any cast, which past the
// int range is undefined, so that the edges made from them cannot overflow
// and a window far off keeps its size. NaN is 0.
double heldCoordinate(double value)
{
    constexpr double kLimit = 1 << 24;
    return std::isnan(value) ? 0 : std::clamp(value, -kLimit, kLimit);
}

} // namespace

QRect toQtRect(const Rect& frame, int screenHeight)
{
    const Rect held{{heldCoordinate(frame.origin.x), heldCoordinate(frame.origin.y)},
                    {heldCoordinate(frame.size.width), heldCoordinate(frame.size.height)}};
    const int left = static_cast<int>(std::lround(held.minX()));
    const int right = static_cast<int>(std::lround(held.maxX()));
    const int top = screenHeight - static_cast<int>(std::lround(held.maxY()));
    const int bottom = screenHeight - static_cast<int>(std::lround(held.minY()));
    return QRect(QPoint(left, top), QSize(right - left, bottom - top));
}

Rect fromQtRect(const QRect& rect, int screenHeight)
{
    return makeRect(rect.x(), screenHeight - (rect.y() + rect.height()), rect.width(), rect.height());
}

int primaryScreenHeight()
{
    const QScreen* screen = qobject_cast<QGuiApplication*>(QCoreApplication::instance())
        ? QGuiApplication::primaryScreen()
        : nullptr;
    return screen ? screen->geometry().height() : 0;
}

QRect toQtRect(const Rect& frame)
{
    return toQtRect(frame, primaryScreenHeight());
}

Rect fromQtRect(const QRect& rect)
{
    return fromQtRect(rect, primaryScreenHeight());
}

} // namespace sorvant
