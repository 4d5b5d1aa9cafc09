#pragma once
// Fading a window in and out, timed (ticks of 0.04 s on the event loop) or
// blocking (sleeping 0.04 s between steps). The first argument is the time a
// fade over the whole range (0 to 1) takes; a fade over part of it takes the
// same part of that time.
//   timedFadeIn(w, 0.4)   => alpha 0 → 1 in 10 ticks, the window shown first
//   timedFadeOut(w, 0.4)  => alpha 1 → 0 in 10 ticks, then the window hidden
// Starting a timed fade cancels a running one on the same window.
//
// The alpha value is kept exactly (Qt stores a window's opacity in 8 bits,
// which would lose steps smaller than 1/255) and handed to the window's
// opacity at each step. Offscreen and on servers without a compositor the
// opacity is not shown, but the steps and the final hiding happen.

class QWidget;

namespace sorvant {

// The window's alpha value (its opacity, 1 for a window never faded).
[[nodiscard]] double alphaValue(const QWidget* window);
void setAlphaValue(QWidget* window, double alpha);

void cancelTimedFading(QWidget* window);
void timedFadeIn(QWidget* window, double duration, double alpha = 1.0);
void timedFadeOut(QWidget* window, double duration, double alpha = 0.0);
// YES while a timed fade of the window is pending.
[[nodiscard]] bool isTimedFading(const QWidget* window);

// Blocking fades: they neither show nor hide the window and leave timed
// fades alone.
void fadeIn(QWidget* window, double duration, double alpha = 1.0);
void fadeOut(QWidget* window, double duration, double alpha = 0.0);

} // namespace sorvant
