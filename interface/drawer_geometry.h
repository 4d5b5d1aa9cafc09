#pragma once
// Pure y-up geometry of drawers: fitting the parent window on the screen
// when a drawer opens and the frame to go back to when it closes.
//
//   right drawer 200 wide, screen {{0, 0}, {1000, 800}}, window {{700, 100}, {200, 300}}
//     => window moves left to x 584 (900 + 200 + 16 passes 1000 by 116)
//   closing: window untouched => the frame before opening; only moved => the
//   new origin with the old size; resized => the current frame.

#include "interface/geometry.h"

#include <QString>

namespace sorvant {

class UserDefaults;

// The edge a drawer opens on.
enum class DrawerEdge { Left = 0, Bottom = 1, Right = 2, Top = 3 };

// Room left between a drawer and the screen's edge.
inline constexpr double kDrawerScreenMargin = 16.0;

// The window frame moved, and shrunk where it must, so that a drawer of
// `drawerSize` on `edge` fits inside `screen` with the margin. Answers the
// frame unchanged when it fits already.
[[nodiscard]] Rect fitWindowFrameForDrawer(const Rect& frame, const Size& drawerSize, DrawerEdge edge,
                                           const Rect& screen);

// The frame a window returns to when its drawer closes. `oldFrame` is the
// frame before the drawer opened, `newFrame` the one right after; frames are
// compared rounded to whole points.
[[nodiscard]] Rect previousWindowFrameForDrawer(const Rect& current, const Rect& oldFrame, const Rect& newFrame,
                                                bool fullScreen);

// YES when the frames are equal rounded to whole points.
[[nodiscard]] bool sameRoundedFrame(const Rect& a, const Rect& b);

// The user-defaults key of a drawer's size: "<name> drawer size".
[[nodiscard]] QString drawerSizeKey(const QString& autosaveName);

// The size stored under `key` when it parses and both sides are above 0,
// else `minimum`.
[[nodiscard]] Size savedDrawerSize(const UserDefaults& defaults, const QString& key, const Size& minimum);

} // namespace sorvant
