#pragma once
// The current graphics context: the painter that toolkit drawing goes to,
// made current for a scope by whoever paints (a view's paint event, an
// image being rendered, a print job). Drawing helpers that take no painter
// draw into it, and appearance questions ask whether it draws to the screen
// (a widget, pixmap or image) or elsewhere (a printer, a PDF, a picture).
//
//   QImage image(...); QPainter p(&image);
//   GraphicsContextScope scope(p);   // currentPainter() == &p until scope ends
//
// Scopes nest; each restores the painter that was current before it. Main
// thread only, like all drawing.

class QPainter;

namespace sorvant {

// The painter of the innermost scope, or nullptr outside any.
[[nodiscard]] QPainter* currentPainter();

// Whether `painter` draws to something shown on screen: NO for printers,
// PDF writers and recorded pictures.
[[nodiscard]] bool isDrawingToScreen(const QPainter& painter);
// The same for the current painter; YES when there is none (drawing that
// happens outside any scope is screen drawing).
[[nodiscard]] bool currentContextDrawingToScreen();

class GraphicsContextScope
{
public:
    explicit GraphicsContextScope(QPainter& painter);
    ~GraphicsContextScope();
    GraphicsContextScope(const GraphicsContextScope&) = delete;
    GraphicsContextScope& operator=(const GraphicsContextScope&) = delete;

private:
    QPainter* m_previous;
};

} // namespace sorvant
