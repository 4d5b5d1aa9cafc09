#pragma once
// A restored frame kept whole on its screen while the window manager frames
// the window: its decorations (title bar, borders) are known only once it
// has, so the frame is fitted with the decorations last seen, and again
// with the window's own when the manager reports them. Rectangles are Qt's
// (y-down screen coordinates, the window's client area).
//
// Not here: saved frames and their names (window_extensions.h).

#include <QMargins>
#include <QRect>

class QWidget;

namespace sorvant {

// The client rectangle `client` moved and cut so that it and its
// `decorations` lie inside `available`:
//   (3000, -2000) 1500 x 1000, decorations 1, 20, 1, 5, on 1440 x 900 => (1, 20) 1438 x 875
//   (300, -300) 900 x 500, the same                                   => (300, 20) 900 x 500
//   no decorations                                                     => fitFrame's answer
[[nodiscard]] QRect fitWindowOnScreen(const QRect& client, const QMargins& decorations, const QRect& available);
// What the window manager adds around a top-level window's client area;
// none before it is framed, without a window manager, and for null or a
// child widget.
[[nodiscard]] QMargins windowDecorations(const QWidget* window);

// Gives the window `client` fitted into `available` and keeps it fitted
// while the window manager frames the window: until a while after the
// window is shown (1.5 s, or that long after the last refit). Nothing for
// null; a clamp already running is replaced.
void clampFrame(QWidget* window, const QRect& client, const QRect& available);
// A window whose frame (its decorations known or last seen included) is
// larger than the available area of its screen, the primary one before it
// is shown, is clamped to that area as clampFrame does; a window that fits
// is left to the window manager to place. Nothing for null.
//   2080 x 1280 on 1440 x 900, decorations 1, 20, 1, 5 => (1, 20) 1438 x 875
void clampFrameWhenLargerThanScreen(QWidget* window);
// YES while the window's frame is being clamped: its controller does not
// save the frame then (the manager's first placements are not the user's).
[[nodiscard]] bool isFrameBeingClamped(const QWidget* window);

} // namespace sorvant
