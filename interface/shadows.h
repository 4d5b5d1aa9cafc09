#pragma once
// Shadows: an offset, a blur radius and a colour, the standard ones for
// images and snapshots, and drawing with one. Offsets are y-up as the
// toolkit states them ((0, -2) falls below); drawWithShadow turns them into
// the painter's y-down space.
//
//   imageShadow()                  => offset (0, -2), blur 4, black alpha 0.8
//   snapshotShadowWithFraction(.5) => offset (0, -1), blur 3, black alpha 0.4

#include "foundation/color.h"

#include <QPointF>
#include <QRectF>

#include <functional>

class QPainter;

namespace sorvant {

struct Shadow
{
    QPointF offset;
    double blurRadius = 0.0;
    // Null: the default shadow colour (black at one third opacity).
    Color color;
    friend bool operator==(const Shadow&, const Shadow&) = default;
};

[[nodiscard]] Shadow shadowWithOffset(QPointF offset, double blurRadius, const Color& color = Color());
[[nodiscard]] Shadow imageShadow();
[[nodiscard]] Shadow snapshotShadowWithFraction(double fraction);
[[nodiscard]] Shadow snapshotShadow();
// The colour a shadow paints with (its own, or the default).
[[nodiscard]] Color shadowColor(const Shadow& shadow);

// Calls `draw` to paint into `rect`, first into a layer that becomes the
// blurred, offset shadow, then onto `painter` itself.
void drawWithShadow(QPainter& painter, const Shadow& shadow, QRectF rect,
                    const std::function<void(QPainter&, QRectF)>& draw);

} // namespace sorvant
