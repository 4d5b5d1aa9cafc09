#include "interface/scroller_style.h"

#include "interface/colors.h"
#include "interface/controls.h"

#include <QApplication>
#include <QMenu>
#include <QPainter>
#include <QPalette>
#include <QStyleFactory>
#include <QStyleOptionSlider>

namespace sorvant {

namespace {

// How far from the window's colour toward its text's: the groove barely,
// the thumb clearly, a thumb under the pointer or held more.
constexpr double kGrooveAmount = 0.04;
constexpr double kThumbAmount = 0.38;
constexpr double kActiveThumbAmount = 0.55;
// The thumb's inset from the groove's edges across the bar, in pixels.
constexpr int kThumbInset = 2;

} // namespace

ScrollerColors scrollerColors(const QPalette& palette)
{
    const QColor window = palette.color(QPalette::Window);
    const QColor text = palette.color(QPalette::WindowText);
    return {mixedColor(window, text, kGrooveAmount), mixedColor(window, text, kThumbAmount),
            mixedColor(window, text, kActiveThumbAmount)};
}

ScrollerStyle::ScrollerStyle(QStyle* base) : QProxyStyle(base) {}

void ScrollerStyle::drawComplexControl(ComplexControl control, const QStyleOptionComplex* option, QPainter* painter,
                                       const QWidget* widget) const
{
    const auto* bar = qstyleoption_cast<const QStyleOptionSlider*>(option);
    if (control != CC_ScrollBar || !bar || !painter) {
        QProxyStyle::drawComplexControl(control, option, painter, widget);
        return;
    }
    // The base style draws the arrows and its frame; the groove and the
    // thumb are drawn here.
    QStyleOptionSlider rest(*bar);
    rest.subControls &= ~(SC_ScrollBarSlider | SC_ScrollBarGroove | SC_ScrollBarAddPage | SC_ScrollBarSubPage);
    const ScrollerColors colors = scrollerColors(bar->palette);
    const QRect groove = subControlRect(control, bar, SC_ScrollBarGroove, widget);
    painter->fillRect(groove, colors.groove);
    QProxyStyle::drawComplexControl(control, &rest, painter, widget);
    if (!(bar->subControls & SC_ScrollBarSlider) || bar->minimum == bar->maximum)
        return;
    const bool horizontal = bar->orientation == Qt::Horizontal;
    QRect thumb = subControlRect(control, bar, SC_ScrollBarSlider, widget);
    thumb = horizontal ? thumb.adjusted(0, kThumbInset, 0, -kThumbInset) : thumb.adjusted(kThumbInset, 0, -kThumbInset, 0);
    const bool active = (bar->activeSubControls & SC_ScrollBarSlider) && (bar->state & (State_MouseOver | State_Sunken));
    painter->save();
    painter->setRenderHint(QPainter::Antialiasing);
    painter->setPen(Qt::NoPen);
    painter->setBrush(active ? colors.activeThumb : colors.thumb);
    const double radius = (horizontal ? thumb.height() : thumb.width()) / 2.0;
    painter->drawRoundedRect(QRectF(thumb), radius, radius);
    painter->restore();
}

void ScrollerStyle::drawPrimitive(PrimitiveElement element, const QStyleOption* option, QPainter* painter,
                                  const QWidget* widget) const
{
    if (element == PE_IndicatorCheckBox && option && painter && qobject_cast<const QMenu*>(widget)) {
        drawReadableIndicator(false, *option, *painter);
        return;
    }
    QProxyStyle::drawPrimitive(element, option, painter, widget);
}

void installScrollerStyle()
{
    if (qobject_cast<ScrollerStyle*>(QApplication::style()))
        return;
    // A fresh copy of the style in use: the application owns its style and
    // the proxy owns its base.
    QApplication::setStyle(new ScrollerStyle(QStyleFactory::create(QApplication::style()->name())));
}

} // namespace sorvant
