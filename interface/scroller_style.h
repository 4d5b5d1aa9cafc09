#pragma once
// The application's style: the desktop's (Fusion without a desktop) with
// scroll bar thumbs that read as thumbs and menu check boxes that read on
// a dark menu.
//
// Fusion draws the thumb lighter than its groove. On a light palette the
// nearly white thumb melts into the white table beside it and the grey rest
// of the groove reads as the thumb: at the left end the "thumb" seems to
// sit at the right, and it seems to move against the arrows. Here the
// thumb is drawn in a colour between the window's and its text's, with a
// groove close to the window's, the way desktop themes draw them, so the
// thumb is the strong shape in light and dark palettes alike.
//
//   light palette: groove near the window grey, thumb a mid grey (darker)
//   dark palette:  groove near the window grey, thumb a mid grey (lighter)
//
// Not here: scrolling commands and zoom (scroll_views.h).

#include <QProxyStyle>

class QPalette;

namespace sorvant {

// The colour of a scroll bar's thumb and of its groove for a palette; a
// pressed or hovered thumb is drawn in the stronger colour.
struct ScrollerColors
{
    QColor groove;
    QColor thumb;
    QColor activeThumb;
};
[[nodiscard]] ScrollerColors scrollerColors(const QPalette& palette);

class ScrollerStyle : public QProxyStyle
{
    Q_OBJECT
public:
    // Over the style the application would use (null base: its default).
    explicit ScrollerStyle(QStyle* base = nullptr);

    void drawComplexControl(ComplexControl control, const QStyleOptionComplex* option, QPainter* painter,
                            const QWidget* widget = nullptr) const override;
    // A menu's check boxes are drawn as useReadableIndicators draws them
    // (controls.h): Fusion outlines an unticked one in a shade of the menu,
    // lost on a dark one (1.04:1).
    void drawPrimitive(PrimitiveElement element, const QStyleOption* option, QPainter* painter,
                       const QWidget* widget = nullptr) const override;
};

// Makes the application's style a ScrollerStyle over its current one, once.
void installScrollerStyle();

} // namespace sorvant
