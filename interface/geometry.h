#pragma once
// Frames as the toolkit computes them: y-up, measured from the bottom of the
// primary screen, with origin and size as the window code writes them. The
// arithmetic of saved frames, default sizes and limits stays in this space;
// one adapter (toQtRect / fromQtRect) turns a frame into Qt's y-down screen
// rectangle and back at the boundary.
//
// Frame strings have the form "{{x, y}, {w, h}}":
//   stringFromRect({{10, 20}, {300, 200}}) => "{{10, 20}, {300, 200}}"
//   rectFromString("{{10, 20}, {300, 200}}") => {{10, 20}, {300, 200}}
//   rectFromString("{10, 20, 300}")          => {{10, 20}, {300, 0}}  (numbers in order)
//   rectFromString("") / null                => the zero rectangle
//
// Not here: window operations that use these (window_extensions.h).

#include <QPointF>
#include <QRect>
#include <QSizeF>
#include <QString>

namespace sorvant {

struct Point {
    double x = 0;
    double y = 0;
    friend bool operator==(const Point&, const Point&) = default;
};

struct Size {
    double width = 0;
    double height = 0;
    friend bool operator==(const Size&, const Size&) = default;
};

struct Rect {
    Point origin;
    Size size;
    friend bool operator==(const Rect&, const Rect&) = default;

    [[nodiscard]] double minX() const { return origin.x; }
    [[nodiscard]] double minY() const { return origin.y; }
    [[nodiscard]] double maxX() const { return origin.x + size.width; }
    [[nodiscard]] double maxY() const { return origin.y + size.height; }
};

constexpr Rect kZeroRect{};

[[nodiscard]] inline Rect makeRect(double x, double y, double width, double height)
{
    return Rect{{x, y}, {width, height}};
}

// --- strings -------------------------------------------------------------------

// "{{x, y}, {w, h}}" with numbers in their shortest form ("1.5", "-3").
[[nodiscard]] QString stringFromRect(const Rect& rect);
[[nodiscard]] QString stringFromPoint(const Point& point);
[[nodiscard]] QString stringFromSize(const Size& size);
// The first four numbers of the text, in order; missing ones are 0, so a
// text without numbers gives the zero rectangle.
[[nodiscard]] Rect rectFromString(const QString& text);

// --- tests and transforms ---------------------------------------------------------

// YES when the point lies inside the rectangle: the left and bottom edges
// count, the right and top edges do not; an empty rectangle holds nothing.
[[nodiscard]] bool pointInRect(const Point& point, const Rect& rect);
[[nodiscard]] bool isEmptyRect(const Rect& rect);

// The frame moved, not resized, so that it lies inside `bounds` as far as its
// size allows: overflow to the right or the top moves it back, then an origin
// left of or below the bounds is set to the bounds' origin. A frame larger
// than the bounds ends aligned to their left and bottom edges.
//   ({{900, 10}, {200, 100}}, {{0, 0}, {1000, 800}}) => {{800, 10}, {200, 100}}
[[nodiscard]] Rect limitFrame(const Rect& frame, const Rect& bounds);
// The frame made no larger than `bounds` (its origin kept), then moved
// inside them by limitFrame; empty bounds leave the frame as it is.
//   ({{200, -118}, {1440, 881}}, {{0, 0}, {1440, 875}}) => {{0, 0}, {1440, 875}}
//   ({{900, 10}, {3216, 100}}, {{0, 0}, {1000, 800}})   => {{0, 10}, {1000, 100}}
//   ({{10, 10}, {200, 100}}, the zero rect)             => {{10, 10}, {200, 100}}
[[nodiscard]] Rect fitFrame(const Rect& frame, const Rect& bounds);

// The rectangle of the given size centred on the point (no rounding).
[[nodiscard]] Rect centerRect(const Rect& rect, const Point& point);

// --- the Qt boundary ---------------------------------------------------------------

// A y-up frame as Qt's y-down screen rectangle, for a primary screen of the
// given height (the frame's top edge becomes the rectangle's top). Edges are
// rounded to whole pixels.
//   ({{0, 0}, {100, 50}}, 800) => QRect(0, 750, 100, 50)
[[nodiscard]] QRect toQtRect(const Rect& frame, int primaryScreenHeight);
[[nodiscard]] Rect fromQtRect(const QRect& rect, int primaryScreenHeight);
// The same against the primary screen of the running application (height 0
// without a screen).
[[nodiscard]] QRect toQtRect(const Rect& frame);
[[nodiscard]] Rect fromQtRect(const QRect& rect);
// The height of the primary screen, 0 without one.
[[nodiscard]] int primaryScreenHeight();

} // namespace sorvant
