#include "interface/appearance.h"

#include "interface/colors.h"
#include "interface/graphics_context.h"
#include "interface/image_loading.h"
#include "interface/images.h"
#include "platform/log.h"
#include "platform/notification_center.h"

#include <QApplication>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusVariant>
#include <QEvent>
#include <QGuiApplication>
#include <QIconEngine>
#include <QPainter>
#include <QPixmap>
#include <QPalette>
#include <QStyle>
#include <QStyleFactory>
#include <QWidget>

#include <algorithm>
#include <cmath>
#include <exception>
#include <memory>
#include <optional>

namespace sorvant {

namespace {

const QString kPortalService = QStringLiteral("org.freedesktop.portal.Desktop");
const QString kPortalPath = QStringLiteral("/org/freedesktop/portal/desktop");
const QString kPortalInterface = QStringLiteral("org.freedesktop.portal.Settings");
const QString kAppearanceNamespace = QStringLiteral("org.freedesktop.appearance");
const QString kColorSchemeKey = QStringLiteral("color-scheme");

// The portal wraps the value in one or two variants depending on its version.
uint unwrapScheme(QVariant value)
{
    while (value.metaType() == QMetaType::fromType<QDBusVariant>())
        value = value.value<QDBusVariant>().variant();
    bool ok = false;
    const uint scheme = value.toUInt(&ok);
    return ok && scheme <= 2 ? scheme : 0;
}

bool paletteLooksDark()
{
    if (!qobject_cast<QGuiApplication*>(QCoreApplication::instance()))
        return false;
    return QGuiApplication::palette().color(QPalette::Active, QPalette::Window).lightness() < 128;
}

// The palette the dark appearance replaced, while our dark palette stands in
// for it. One per process, like the application palette itself.
std::optional<QPalette>& replacedPalette()
{
    static std::optional<QPalette> replaced;
    return replaced;
}

// Whether the desktop's own palette is dark: ours, set in place of a light
// one, does not count.
bool desktopPaletteLooksDark()
{
    return !replacedPalette() && paletteLooksDark();
}

// Makes the application palette agree with the appearance: a light palette
// gives way to the dark one while the appearance is dark and comes back when
// it turns light. A palette the desktop theme made dark is left alone.
void followAppearanceWithPalette(bool dark)
{
    if (!qobject_cast<QApplication*>(QCoreApplication::instance()))
        return;
    std::optional<QPalette>& replaced = replacedPalette();
    if (dark && !replaced && !paletteLooksDark()) {
        replaced = QApplication::palette();
        QApplication::setPalette(darkFusionPalette());
    } else if (!dark && replaced) {
        const QPalette light = *replaced;
        replaced.reset();
        QApplication::setPalette(light);
    }
}

} // namespace

QPalette darkFusionPalette()
{
    // Fusion's own accents (selection, bright text) over Fusion's greys
    // turned dark: the window a dark grey, fields darker, text near white,
    // and disabled text half-way so it reads as dimmed on every background.
    std::unique_ptr<QStyle> fusion(QStyleFactory::create(QStringLiteral("Fusion")));
    QPalette palette = fusion ? fusion->standardPalette() : QPalette();
    const QColor window(50, 50, 50);
    const QColor base(36, 36, 36);
    const QColor text(240, 240, 240);
    const QColor disabledText(127, 127, 127);
    const QColor highlight = palette.color(QPalette::Active, QPalette::Highlight);
    for (const QPalette::ColorGroup group : {QPalette::Active, QPalette::Inactive, QPalette::Disabled}) {
        const bool disabled = group == QPalette::Disabled;
        palette.setColor(group, QPalette::Window, window);
        palette.setColor(group, QPalette::Button, window);
        palette.setColor(group, QPalette::Base, disabled ? window : base);
        palette.setColor(group, QPalette::AlternateBase, QColor(44, 44, 44));
        palette.setColor(group, QPalette::ToolTipBase, QColor(60, 60, 60));
        palette.setColor(group, QPalette::ToolTipText, text);
        for (const QPalette::ColorRole role : {QPalette::WindowText, QPalette::Text, QPalette::ButtonText})
            palette.setColor(group, role, disabled ? disabledText : text);
        QColor placeholder = disabled ? disabledText : text;
        placeholder.setAlpha(128);
        palette.setColor(group, QPalette::PlaceholderText, placeholder);
        palette.setColor(group, QPalette::Light, window.lighter(150));
        palette.setColor(group, QPalette::Midlight, window.lighter(125));
        palette.setColor(group, QPalette::Mid, window.darker(130));
        palette.setColor(group, QPalette::Dark, window.darker(150));
        palette.setColor(group, QPalette::Shadow, QColor(20, 20, 20));
        palette.setColor(group, QPalette::Highlight, disabled ? QColor(80, 80, 80) : highlight);
        palette.setColor(group, QPalette::HighlightedText, disabled ? disabledText : QColor(Qt::white));
        palette.setColor(group, QPalette::Link, highlight.lighter(140));
        palette.setColor(group, QPalette::LinkVisited, highlight.lighter(110));
    }
    return palette;
}

AppearanceObserver::~AppearanceObserver() = default;

bool isDarkAppearanceName(const QString& name)
{
    return name.contains(QLatin1String("dark"), Qt::CaseInsensitive);
}

AppleInterfaceStyleMonitor::AppleInterfaceStyleMonitor(const QDBusConnection& bus, QObject* parent)
    : QObject(parent)
    , m_bus(bus)
{
    if (m_bus.isConnected()) {
        m_bus.connect(kPortalService, kPortalPath, kPortalInterface, QStringLiteral("SettingChanged"), this,
                      SLOT(portalSettingChanged(QDBusMessage)));
        requestPortalColorScheme();
    }
    if (QCoreApplication* app = QCoreApplication::instance())
        app->installEventFilter(this);
    m_dark = isDarkAppearanceName(effectiveAppearanceName());
}

AppleInterfaceStyleMonitor::~AppleInterfaceStyleMonitor()
{
    // A dark palette this monitor set would otherwise outlive its reason.
    if (m_dark)
        followAppearanceWithPalette(false);
    if (m_bus.isConnected())
        m_bus.disconnect(kPortalService, kPortalPath, kPortalInterface, QStringLiteral("SettingChanged"), this,
                         SLOT(portalSettingChanged(QDBusMessage)));
}

AppleInterfaceStyleMonitor& AppleInterfaceStyleMonitor::shared()
{
    // Made once and kept for the life of the process.
    static AppleInterfaceStyleMonitor* monitor = new AppleInterfaceStyleMonitor(QDBusConnection::sessionBus());
    return *monitor;
}

void AppleInterfaceStyleMonitor::requestPortalColorScheme()
{
    QDBusMessage call = QDBusMessage::createMethodCall(kPortalService, kPortalPath, kPortalInterface,
                                                       QStringLiteral("Read"));
    call << kAppearanceNamespace << kColorSchemeKey;
    // Asked without waiting: the monitor is often made by the first widget
    // that paints, and any wait that lets events through would paint again
    // inside that paint. The palette decides until the answer comes.
    auto* watcher = new QDBusPendingCallWatcher(m_bus.asyncCall(call, 1000), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this, [this](QDBusPendingCallWatcher* answered) {
        answered->deleteLater();
        const QDBusMessage reply = answered->reply();
        if (reply.type() != QDBusMessage::ReplyMessage || reply.arguments().isEmpty())
            return;
        m_portalScheme = unwrapScheme(reply.arguments().first());
        appearanceMayHaveChanged();
    });
}

QString AppleInterfaceStyleMonitor::effectiveAppearanceName()
{
    const bool dark = m_portalScheme == 1 || (m_portalScheme == 0 && desktopPaletteLooksDark());
    return dark ? QStringLiteral("Dark") : QStringLiteral("Light");
}

void AppleInterfaceStyleMonitor::portalSettingChanged(const QDBusMessage& message)
{
    const QList<QVariant> arguments = message.arguments();
    if (arguments.size() != 3 || arguments.at(0).toString() != kAppearanceNamespace
        || arguments.at(1).toString() != kColorSchemeKey)
        return;
    m_portalScheme = unwrapScheme(arguments.at(2));
    appearanceMayHaveChanged();
}

bool AppleInterfaceStyleMonitor::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == QCoreApplication::instance() && event->type() == QEvent::ApplicationPaletteChange)
        appearanceMayHaveChanged();
    return QObject::eventFilter(watched, event);
}

void AppleInterfaceStyleMonitor::appearanceMayHaveChanged()
{
    const bool dark = isDarkAppearanceName(effectiveAppearanceName());
    if (dark == m_dark)
        return;
    // The flag first: the palette change below comes back here as an event.
    m_dark = dark;
    followAppearanceWithPalette(dark);
    announce();
}

void AppleInterfaceStyleMonitor::announce()
{
    const QVariant notification = QString::fromLatin1(kAppleInterfaceStyleDidChangeNotification);
    try {
        if (m_delegate)
            m_delegate->AppleInterfaceStyleDidChange(notification);
        if (qobject_cast<QApplication*>(QCoreApplication::instance())) {
            for (QWidget* window : QApplication::topLevelWidgets())
                sendAppleInterfaceStyleDidChange(window, notification);
        }
        emit darkChanged(m_dark);
        NotificationCenter::defaultCenter().post(QString::fromLatin1(kAppleInterfaceStyleDidChangeNotification));
    } catch (const std::exception& error) {
        // Delivery stops at the failing receiver; the flag keeps its new value.
        logException(QStringLiteral("observeValueForKeyPath:ofObject:change:context:"),
                     QStringLiteral("AppleInterfaceStyleMonitor"), error);
    }
}

void sendAppleInterfaceStyleDidChange(QWidget* widget, const QVariant& notification)
{
    if (!widget)
        return;
    if (auto* observer = dynamic_cast<AppearanceObserver*>(widget))
        observer->AppleInterfaceStyleDidChange(notification);
    for (QObject* child : widget->children()) {
        if (auto* childWidget = qobject_cast<QWidget*>(child); childWidget && !childWidget->isWindow())
            sendAppleInterfaceStyleDidChange(childWidget, notification);
    }
}

bool isDarkAquaInterfaceStyle()
{
    return AppleInterfaceStyleMonitor::shared().isDark();
}

bool isCurrentContextDrawingDarkAquaInterfaceStyle()
{
    return isDarkAquaInterfaceStyle() && currentContextDrawingToScreen();
}

bool isDrawingDarkAquaInterfaceStyle(const QPainter& painter)
{
    return isDarkAquaInterfaceStyle() && isDrawingToScreen(painter);
}

// --- text colours --------------------------------------------------------------------

namespace {

struct Levels
{
    int r, g, b;
    [[nodiscard]] bool isGrey() const { return std::abs(r - g) <= 5 && std::abs(b - g) <= 5; }
};

Levels levelsOf(const Color& color, bool controlTextIsBlack)
{
    if (controlTextIsBlack && color == controlTextColor())
        return {0, 0, 0};
    const Color rgb = color.colorUsingColorSpace(Color::ColorSpace::DeviceRGB);
    auto level = [](double c) { return int(std::nearbyint(c * 255.0)); };
    return {level(rgb.redComponent()), level(rgb.greenComponent()), level(rgb.blueComponent())};
}

Color invertedLevels(const Levels& l)
{
    return Color::deviceRGB(1.0 - l.r / 255.0, 1.0 - l.g / 255.0, 1.0 - l.b / 255.0, 1.0);
}

Color scaledLevels(const Levels& l, double factor)
{
    return Color::deviceRGB(factor * l.r / 255.0, factor * l.g / 255.0, factor * l.b / 255.0, 1.0);
}

} // namespace

Color darkTextBackgroundColor(const Color& color)
{
    if (color.isNull())
        return Color();
    const Levels l = levelsOf(color, true);
    if (!l.isGrey())
        return scaledLevels(l, 0.5);
    return l.r >= 250 ? controlBackgroundColor() : invertedLevels(l);
}

Color darkTextForegroundColor(const Color& color)
{
    if (color.isNull())
        return Color();
    const Levels l = levelsOf(color, true);
    if (!l.isGrey())
        return Color();
    return color == systemTextColor() ? Color::whiteColor() : invertedLevels(l);
}

Color lightTextBackgroundColor(const Color& color)
{
    if (color.isNull())
        return Color();
    const Levels l = levelsOf(color, false);
    if (!l.isGrey())
        return scaledLevels(l, 2.0);
    return l.r <= 5 ? controlBackgroundColor() : invertedLevels(l);
}

Color lightTextForegroundColor(const Color& color)
{
    if (color.isNull())
        return Color();
    const Levels l = levelsOf(color, false);
    if (!l.isGrey())
        return Color();
    return color == Color::whiteColor() ? systemTextColor() : invertedLevels(l);
}

// --- images ------------------------------------------------------------------------------

Image imageTintedWithCalibratedWhite(const Image& image, double white)
{
    if (!image)
        return Image();
    Image receiver = image;
    const bool wasTemplate = receiver.isTemplate();
    receiver.setTemplate(false);
    Image tinted = tintedImageWithColor(receiver, Color::calibratedWhite(white, 1.0), CompositingOperation::SourceAtop);
    receiver.setTemplate(wasTemplate);
    return tinted;
}

Image imageTintedForDarkAppearance(const Image& image)
{
    return imageTintedWithCalibratedWhite(image, 0.8);
}

Image imageTintedForDarkToolbar(const Image& image)
{
    return imageTintedWithCalibratedWhite(image, 1.0);
}

namespace {

struct PixelSorts
{
    bool visible = false;
    bool coloured = false;
};

// Whether any pixel is visible and whether a visible one carries colour (its
// channels differ by more than a tenth). Glyphs drawn in greys are tinted for
// the dark appearance; a full-colour picture such as an application's icon
// would become a flat grey silhouette, so it keeps its colours.
PixelSorts pixelSorts(const QImage& image)
{
    PixelSorts sorts;
    const QImage pixels = image.convertToFormat(QImage::Format_ARGB32);
    for (int y = 0; y < pixels.height(); ++y) {
        const auto* line = reinterpret_cast<const QRgb*>(pixels.constScanLine(y));
        for (int x = 0; x < pixels.width(); ++x) {
            const QRgb p = line[x];
            if (qAlpha(p) < 16)
                continue;
            sorts.visible = true;
            const int high = std::max({qRed(p), qGreen(p), qBlue(p)});
            const int low = std::min({qRed(p), qGreen(p), qBlue(p)});
            if (high - low > 25) {
                sorts.coloured = true;
                return sorts;
            }
        }
    }
    return sorts;
}

bool hasColouredPixels(const Image& image)
{
    const Image bitmap = bitmapImage(image);
    const ImageRep* rep = bitmap ? bitmapImageRep(bitmap) : nullptr;
    return rep && pixelSorts(rep->pixels()).coloured;
}

Image darkInterfaceImage(const Image& image)
{
    return hasColouredPixels(image) ? image : imageTintedForDarkAppearance(image);
}

} // namespace

// --- template icons ------------------------------------------------------------------

namespace {

// Draws the glyph's shape in the palette's colour for the mode, asked at
// every draw: an appearance switch changes the palette, and the next paint
// shows the new colour without anyone making the icon again.
class TemplateIconEngine : public QIconEngine
{
public:
    explicit TemplateIconEngine(QIcon glyph) : m_glyph(std::move(glyph)) {}

    QPixmap pixmap(const QSize& size, QIcon::Mode mode, QIcon::State state) override
    {
        QImage shape = m_glyph.pixmap(size, QIcon::Normal, state).toImage();
        if (shape.isNull())
            return QPixmap();
        shape = shape.convertToFormat(QImage::Format_ARGB32_Premultiplied);
        QPainter painter(&shape);
        painter.setCompositionMode(QPainter::CompositionMode_SourceIn);
        painter.fillRect(shape.rect(), templateIconColor(mode));
        painter.end();
        return QPixmap::fromImage(shape);
    }
    QPixmap scaledPixmap(const QSize& size, QIcon::Mode mode, QIcon::State state, qreal scale) override
    {
        QPixmap pixels = pixmap(size, mode, state);
        pixels.setDevicePixelRatio(scale);
        return pixels;
    }
    void paint(QPainter* painter, const QRect& rect, QIcon::Mode mode, QIcon::State state) override
    {
        const qreal ratio = painter->device() ? painter->device()->devicePixelRatio() : 1.0;
        painter->drawPixmap(rect, pixmap((QSizeF(rect.size()) * ratio).toSize(), mode, state));
    }
    QSize actualSize(const QSize& size, QIcon::Mode, QIcon::State state) override
    {
        return m_glyph.actualSize(size, QIcon::Normal, state);
    }
    QList<QSize> availableSizes(QIcon::Mode, QIcon::State state) override
    {
        return m_glyph.availableSizes(QIcon::Normal, state);
    }
    QString key() const override { return QStringLiteral("sorvant-template"); }
    QIconEngine* clone() const override { return new TemplateIconEngine(m_glyph); }

private:
    QIcon m_glyph;
};

} // namespace

QColor templateIconColor(QIcon::Mode mode)
{
    const QPalette palette = qobject_cast<QGuiApplication*>(QCoreApplication::instance()) ? QGuiApplication::palette()
                                                                                         : QPalette();
    const QColor enabled = palette.color(QPalette::Active, QPalette::ButtonText);
    switch (mode) {
    case QIcon::Disabled: {
        // The palette's disabled colour when it lies between the button and
        // the enabled colour. A palette generated from one dark grey puts it
        // darker than the button, where a glyph all but vanishes: then the
        // enabled colour, partly transparent.
        const QColor disabled = palette.color(QPalette::Disabled, QPalette::ButtonText);
        const int button = palette.color(QPalette::Disabled, QPalette::Button).lightness();
        const int enabledContrast = std::abs(enabled.lightness() - button);
        const int disabledContrast = std::abs(disabled.lightness() - button);
        const bool between = (disabled.lightness() - button) * (enabled.lightness() - button) > 0;
        if (between && disabledContrast < enabledContrast && disabledContrast * 4 >= enabledContrast)
            return disabled;
        QColor dimmed = enabled;
        dimmed.setAlphaF(0.45f);
        return dimmed;
    }
    case QIcon::Selected: return palette.color(QPalette::Active, QPalette::HighlightedText);
    case QIcon::Normal:
    case QIcon::Active: break;
    }
    return enabled;
}

QIcon templateIcon(const QIcon& glyph)
{
    return glyph.isNull() ? QIcon() : QIcon(new TemplateIconEngine(glyph));
}

bool isGlyphIcon(const QIcon& icon, QSize size)
{
    if (icon.isNull() || size.isEmpty())
        return false;
    const PixelSorts sorts = pixelSorts(icon.pixmap(size).toImage());
    return sorts.visible && !sorts.coloured;
}

Image AppleInterfaceImage(const Image& image)
{
    return isDarkAquaInterfaceStyle() ? darkInterfaceImage(image) : image;
}

Image contextAppleInterfaceImage(const Image& image)
{
    return isCurrentContextDrawingDarkAquaInterfaceStyle() ? darkInterfaceImage(image) : image;
}

Image AppleToolbarImage(Image image)
{
    if (!image || isSymbolImage(image))
        return image;
    if (isDarkAquaInterfaceStyle())
        return imageTintedForDarkToolbar(image);
    image.setTemplate(true);
    return image;
}

Image cachedAppleInterfaceImageNamed(const QString& name)
{
    const Image image = cachedImageNamed(name);
    return image ? AppleInterfaceImage(image) : Image();
}

Image cachedAppleInterfaceImageNamed(const QString& name, QSizeF size)
{
    const Image image = cachedImageNamed(name, size);
    return image ? AppleInterfaceImage(image) : Image();
}

} // namespace sorvant

namespace sorvant {

Image cachedAppleInterfaceImageNamed(const QString& name, const ImageBundle& bundle)
{
    const Image image = cachedImageNamed(name, bundle);
    return image ? AppleInterfaceImage(image) : Image();
}

} // namespace sorvant
