#pragma once
// Helpers of the interface suite: switching the appearance through the
// palette (as a desktop theme change does), reading pixels, and the texts
// widgets draw for a tool tip or a title.

#include "interface/appearance.h"

#include <QAction>
#include <QApplication>
#include <QColor>
#include <QImage>
#include <QPalette>
#include <QTextDocument>

#include <algorithm>
#include <cmath>

namespace sorvant::test {

// Makes the application palette dark or light and lets the monitor see it.
inline void setDarkPalette(bool dark)
{
    // A palette generated from one grey, as a desktop theme gives: window and
    // buttons alike, text in the contrasting colour.
    QApplication::setPalette(dark ? QPalette(QColor(40, 40, 40)) : QPalette(QColor(240, 240, 240)));
    AppleInterfaceStyleMonitor::shared().appearanceMayHaveChanged();
}

// Sets the appearance for a scope and puts the light one back.
class AppearanceScope
{
public:
    explicit AppearanceScope(bool dark) { setDarkPalette(dark); }
    ~AppearanceScope() { setDarkPalette(false); }
    AppearanceScope(const AppearanceScope&) = delete;
    AppearanceScope& operator=(const AppearanceScope&) = delete;
};

// A transparent ARGB image of `width` x `height`.
inline QImage blankImage(int width, int height, QColor fill = Qt::transparent)
{
    QImage image(width, height, QImage::Format_ARGB32_Premultiplied);
    image.fill(fill);
    return image;
}

// How many pixels of `image` inside `rect` differ from `background`.
inline int inkPixels(const QImage& image, QRect rect, QColor background)
{
    int count = 0;
    const QRect area = rect.intersected(image.rect());
    for (int y = area.top(); y <= area.bottom(); ++y)
        for (int x = area.left(); x <= area.right(); ++x)
            count += image.pixelColor(x, y) != background;
    return count;
}

// The largest difference in lightness between `background` and a pixel of
// `image` inside `rect`: how well what is drawn there stands out from it.
inline double strongestContrast(const QImage& image, QRect rect, QColor background)
{
    double strongest = 0;
    const QRect area = rect.intersected(image.rect());
    for (int y = area.top(); y <= area.bottom(); ++y)
        for (int x = area.left(); x <= area.right(); ++x)
            strongest = std::max(strongest, double(std::abs(image.pixelColor(x, y).lightnessF() - background.lightnessF())));
    return strongest;
}

// The text Qt draws for a tool tip: one it reads as rich text as the
// document it makes of it holds it, any other as it stands.
inline QString drawnToolTip(const QString& tip)
{
    if (!Qt::mightBeRichText(tip))
        return tip;
    QTextDocument document;
    document.setHtml(tip);
    return document.toRawText();
}

// The text a button or a menu item draws for `title`: its mnemonic marks
// taken out as Qt takes them out (and, as an action's icon text, trimmed).
inline QString drawnTitle(const QString& title)
{
    QAction probe;
    probe.setText(title);
    return probe.iconText();
}

} // namespace sorvant::test
