#pragma once
// The light or dark appearance of the interface: one process-wide dark flag
// kept by AppleInterfaceStyleMonitor, the drawing questions built on it, the
// text colours converted between light and dark backgrounds, and image tints
// for the dark appearance.
//
// Where the appearance comes from: the freedesktop Settings portal
// ("org.freedesktop.appearance" "color-scheme": 1 prefers dark, 2 prefers
// light) when it answers with a preference, else the lightness of the
// application palette's window colour. The portal is asked without waiting
// (no events are dispatched while a monitor is made): until its answer comes
// the palette decides, and an answer that differs is announced as a switch. The appearance name is "Dark" or
// "Light"; it is dark when it contains "dark" in any case.
//
// The application palette follows: when the appearance turns dark while the
// palette is light (a desktop whose theme gives Qt no dark colours), the
// monitor sets darkFusionPalette() in its place, before the switch is
// announced, and puts the replaced palette back when the appearance turns
// light. A palette that is dark already stays as the desktop made it. Our
// own dark palette never counts as the desktop's preference.
//
// On every switch the monitor sends AppleInterfaceStyleDidChange to the
// registered delegate, then to every top-level widget and each widget below
// it that implements AppearanceObserver (depth first, in child order), then
// posts "AppleInterfaceStyleDidChangeNotification" on the default
// notification center.

#include "foundation/color.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QIcon>
#include <QObject>
#include <QPalette>
#include <QPointer>
#include <QSizeF>
#include <QString>
#include <QVariant>

#include <functional>

class QPainter;
class QWidget;

namespace sorvant {

class Image;
struct ImageBundle;

inline constexpr char kAppleInterfaceStyleDidChangeNotification[] = "AppleInterfaceStyleDidChangeNotification";

// Implemented by widgets (and the application delegate) that redraw or
// recolour themselves on an appearance switch.
class AppearanceObserver
{
public:
    virtual ~AppearanceObserver();
    virtual void AppleInterfaceStyleDidChange(const QVariant& notification) = 0;
};

// Whether an appearance name is dark.   "Dark" "NSAppearanceNameDarkAqua" "dark" => YES
[[nodiscard]] bool isDarkAppearanceName(const QString& name);

class AppleInterfaceStyleMonitor : public QObject
{
    Q_OBJECT
public:
    // A monitor reading the portal on `bus` (not connected: palette only).
    explicit AppleInterfaceStyleMonitor(const QDBusConnection& bus, QObject* parent = nullptr);
    ~AppleInterfaceStyleMonitor() override;

    // The process's monitor, made on first use on the session bus.
    static AppleInterfaceStyleMonitor& shared();

    [[nodiscard]] bool isDark() const { return m_dark; }
    // "Dark" or "Light", asked anew.
    [[nodiscard]] QString effectiveAppearanceName();
    // Reads the appearance again and announces a switch (a notice that
    // changes nothing announces nothing).
    void appearanceMayHaveChanged();

    // The application delegate that hears of switches first.
    void setDelegate(AppearanceObserver* delegate) { m_delegate = delegate; }

signals:
    void darkChanged(bool dark);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private slots:
    // "SettingChanged" (namespace, key, value) of the portal.
    void portalSettingChanged(const QDBusMessage& message);

private:
    // Asks the portal for its colour scheme (0 no preference, 1 dark, 2
    // light) without waiting; the answer is taken like a change.
    void requestPortalColorScheme();
    void announce();

    QDBusConnection m_bus;
    uint m_portalScheme = 0;
    bool m_dark = false;
    AppearanceObserver* m_delegate = nullptr;
};

// The dark palette set while the appearance is dark and the desktop's palette
// is light: Fusion's accents over dark greys, disabled text dimmed.
[[nodiscard]] QPalette darkFusionPalette();

// --- questions -----------------------------------------------------------------

// The dark flag, from the shared monitor (made on the first question).
[[nodiscard]] bool isDarkAquaInterfaceStyle();
// Dark, and the current painter draws to the screen (or there is none).
[[nodiscard]] bool isCurrentContextDrawingDarkAquaInterfaceStyle();
// Dark, and `painter` draws to the screen.
[[nodiscard]] bool isDrawingDarkAquaInterfaceStyle(const QPainter& painter);
// Sends AppleInterfaceStyleDidChange to `widget` and every widget below it
// that implements AppearanceObserver, depth first in child order.
void sendAppleInterfaceStyleDidChange(QWidget* widget, const QVariant& notification);

// --- text colours between light and dark ------------------------------------------
// Grey receivers (device RGB levels within 5 of each other) are inverted or
// mapped to role colours; coloured ones are halved or doubled in brightness.
//   darkTextBackgroundColor(deviceWhite(1))        => controlBackgroundColor()
//   darkTextBackgroundColor(deviceRGB(0.2,0.2,0.2)) => deviceRGB(0.8, 0.8, 0.8)
//   darkTextBackgroundColor(deviceRGB(1, 0, 0))    => deviceRGB(0.5, 0, 0)
//   lightTextBackgroundColor(deviceRGB(0.6, 0.2, 0)) => deviceRGB(1.2, 0.4, 0)
//   darkTextForegroundColor(red)                   => null (keep the colour)
[[nodiscard]] Color darkTextBackgroundColor(const Color& color);
[[nodiscard]] Color darkTextForegroundColor(const Color& color);
[[nodiscard]] Color lightTextBackgroundColor(const Color& color);
[[nodiscard]] Color lightTextForegroundColor(const Color& color);

// --- images for the appearance ------------------------------------------------------
// A copy painted in calibrated white `white` over the receiver's shape
// (source atop); the template flag is ignored for the tint and kept.
[[nodiscard]] Image imageTintedWithCalibratedWhite(const Image& image, double white);
[[nodiscard]] Image imageTintedForDarkAppearance(const Image& image); // white 0.8
[[nodiscard]] Image imageTintedForDarkToolbar(const Image& image);    // white 1.0
// The dark tint when dark, else the image itself. A picture with coloured
// pixels (an application's icon) is never tinted: it stays as it is.
[[nodiscard]] Image AppleInterfaceImage(const Image& image);
[[nodiscard]] Image contextAppleInterfaceImage(const Image& image);
// Symbol images unchanged; the toolbar tint when dark; else marked template.
[[nodiscard]] Image AppleToolbarImage(Image image);
// Template icons: a glyph's shape drawn in the application palette's button
// text colour, looked up at every draw so that the icon follows appearance
// switches; disabled in the disabled button text colour (the enabled one
// partly transparent where that would not read as dimmed on the button),
// selected in the highlighted text colour.
[[nodiscard]] QColor templateIconColor(QIcon::Mode mode);
// Null for a null glyph.
[[nodiscard]] QIcon templateIcon(const QIcon& glyph);
// Whether the icon at `size` is a glyph: visible pixels, all of them grey (a
// picture with coloured pixels, such as an application's icon, is not).
[[nodiscard]] bool isGlyphIcon(const QIcon& icon, QSize size);
// Named images of the cache (images.h) passed through AppleInterfaceImage.
[[nodiscard]] Image cachedAppleInterfaceImageNamed(const QString& name);
[[nodiscard]] Image cachedAppleInterfaceImageNamed(const QString& name, QSizeF size);
[[nodiscard]] Image cachedAppleInterfaceImageNamed(const QString& name, const ImageBundle& bundle);

} // namespace sorvant
