#include "interface/menu_items.h"

#include "foundation/attributed_string.h"
#include "interface/action_router.h"
#include "interface/appearance.h"
#include "interface/colors.h"
#include "interface/controls.h"
#include "interface/key_equivalents.h"
#include "system/bundle.h"

#include <QApplication>
#include <QMenu>
#include <QPainter>
#include <QPalette>
#include <QProxyStyle>
#include <QStyleOptionMenuItem>
#include <QtMath>

#include <cmath>
#include <functional>

namespace sorvant {

namespace {

constexpr char kTagProperty[] = "sorvantTag";
constexpr char kTitleAttributesProperty[] = "sorvantTitleAttributes";

// The foreground colour of an item's title attributes; invalid when none.
QColor titleColor(const QAction* item)
{
    const QVariant value = titleAttributes(item).value(QString::fromLatin1(attribute::kForegroundColor));
    if (value.canConvert<Color>() && !value.value<Color>().isNull())
        return toQColor(value.value<Color>());
    return value.metaType() == QMetaType::fromType<QColor>() ? value.value<QColor>() : QColor();
}

// Qt's menus take an item's font but have no colour per item: this style,
// set on a menu that holds such items, draws each of them with its colour
// in the palette and leaves everything else to the application's style.
class TitleAttributesStyle : public QProxyStyle
{
public:
    void drawControl(ControlElement element, const QStyleOption* option, QPainter* painter,
                     const QWidget* widget) const override
    {
        const auto* menu = qobject_cast<const QMenu*>(widget);
        const auto* itemOption = qstyleoption_cast<const QStyleOptionMenuItem*>(option);
        // The option names no item; the item is the one at the row it draws.
        const QColor color = element == CE_MenuItem && menu && itemOption
            ? titleColor(menu->actionAt(itemOption->rect.center()))
            : QColor();
        if (!color.isValid()) {
            QProxyStyle::drawControl(element, option, painter, widget);
            return;
        }
        QStyleOptionMenuItem colored(*itemOption);
        for (const QPalette::ColorGroup group : {QPalette::Active, QPalette::Inactive})
            for (const QPalette::ColorRole role : {QPalette::Text, QPalette::ButtonText, QPalette::WindowText})
                colored.palette.setColor(group, role, color);
        QProxyStyle::drawControl(element, &colored, painter, widget);
    }
    // The items' check boxes read on a dark menu, as the application
    // style's do (this style's base is a plain copy of it).
    void drawPrimitive(PrimitiveElement element, const QStyleOption* option, QPainter* painter,
                       const QWidget* widget) const override
    {
        if (element == PE_IndicatorCheckBox && option && painter && qobject_cast<const QMenu*>(widget)) {
            drawReadableIndicator(false, *option, *painter);
            return;
        }
        QProxyStyle::drawPrimitive(element, option, painter, widget);
    }
};

void showTitleColorsIn(QMenu* menu)
{
    if (!menu || dynamic_cast<TitleAttributesStyle*>(menu->style()))
        return;
    auto* style = new TitleAttributesStyle;
    menu->setStyle(style);
    // A widget uses its style until its own destructor has finished, after
    // its children are gone: the style goes when the menu is destroyed.
    QObject::connect(menu, &QObject::destroyed, [style] { delete style; });
}

// Pixels of a picture drawn at its size in points.
QImage renderImage(const Image& image, QSizeF size)
{
    QImage pixels(qMax(1, qCeil(size.width())), qMax(1, qCeil(size.height())), QImage::Format_ARGB32_Premultiplied);
    pixels.fill(Qt::transparent);
    QPainter painter(&pixels);
    painter.setRenderHint(QPainter::Antialiasing);
    if (image)
        image.drawInRect(painter, QRectF(QPointF(0, 0), image.size()), {}, CompositingOperation::SourceOver, 1.0);
    return pixels;
}

Image imageFromPainting(QSizeF size, const std::function<void(QPainter&)>& paint)
{
    QImage pixels(qCeil(size.width()), qCeil(size.height()), QImage::Format_ARGB32_Premultiplied);
    pixels.fill(Qt::transparent);
    {
        QPainter painter(&pixels);
        painter.setRenderHint(QPainter::Antialiasing);
        paint(painter);
    }
    Image image = Image::withBitmap(pixels);
    image.setSize(size);
    return image;
}

QPainterPath starPath(QRectF box)
{
    QPainterPath path;
    const QPointF centre = box.center();
    const double outer = box.width() / 2.0;
    const double inner = outer * 0.45;
    for (int i = 0; i < 10; ++i) {
        const double radius = (i % 2) ? inner : outer;
        const double angle = -M_PI / 2.0 + i * M_PI / 5.0;
        const QPointF point(centre.x() + radius * std::cos(angle), centre.y() + radius * std::sin(angle));
        i == 0 ? path.moveTo(point) : path.lineTo(point);
    }
    path.closeSubpath();
    return path;
}

} // namespace

// --- titles ---------------------------------------------------------------------------------

void setTitleAttributes(QAction* item, const QVariantMap& attributes)
{
    if (!item)
        return;
    item->setProperty(kTitleAttributesProperty, attributes.isEmpty() ? QVariant() : QVariant(attributes));
    const QVariant font = attributes.value(QString::fromLatin1(attribute::kFont));
    // A default font sets nothing: the item takes the menu's.
    item->setFont(font.metaType() == QMetaType::fromType<QFont>() ? font.value<QFont>() : QFont());
    if (!titleColor(item).isValid())
        return;
    for (QObject* holder : item->associatedObjects())
        showTitleColorsIn(qobject_cast<QMenu*>(holder));
    showTitleColorsIn(qobject_cast<QMenu*>(item->parent()));
}

QVariantMap titleAttributes(const QAction* item)
{
    return item ? item->property(kTitleAttributesProperty).toMap() : QVariantMap();
}

void setTitleFont(QAction* item, const QFont& font)
{
    setTitleAttributes(item, {{QString::fromLatin1(attribute::kFont), font}});
}

int itemTag(const QAction* item)
{
    return item ? item->property(kTagProperty).toInt() : 0;
}

void setItemTag(QAction* item, int tag)
{
    if (item)
        item->setProperty(kTagProperty, tag);
}

void setUpItem(QAction* item, const QByteArray& selector, QObject* target, int tag, const QString& keyEquivalent)
{
    if (!item)
        return;
    if (!selector.isEmpty())
        bindAction(item, selector, target);
    if (tag != 0)
        setItemTag(item, tag);
    if (!keyEquivalent.isEmpty()) {
        quint32 mask = 0;
        const QString key = keyEquivalentAndModifierMask(keyEquivalent, &mask);
        item->setShortcut(keySequenceForKeyEquivalent(key, mask));
    }
}

Image paddedMenuImage(const Image& image)
{
    if (!image || image.size().width() >= kMenuImageWidth)
        return image;
    const QSizeF size = image.size();
    return imageFromPainting({kMenuImageWidth, size.height()}, [&](QPainter& painter) {
        image.drawInRect(painter, QRectF(QPointF((kMenuImageWidth - size.width()) / 2.0, 0), size), {},
                         CompositingOperation::SourceOver, 1.0);
    });
}

QIcon iconForImage(const Image& image)
{
    return image ? QIcon(QPixmap::fromImage(renderImage(image, image.size()))) : QIcon();
}

Image colorImage(const std::optional<Color>& color, int shape)
{
    switch (shape) {
    case 0: {
        Path path;
        path.moveToPoint({0, 0});
        path.lineToPoint({20, 0});
        path.lineToPoint({20, 10});
        path.lineToPoint({0, 10});
        path.closePath();
        return colorImage(color, path);
    }
    case 1: return colorImage(color, bezierPathWithRoundedRect(QRectF(1, 1, 24, 11), 6.0));
    case 2: {
        Path path;
        path.appendBezierPathWithArcWithCenter({6.5, 6.5}, 5.5, 0, 360, false);
        path.closePath();
        return colorImage(color, path);
    }
    default: return {};
    }
}

Image colorImage(const std::optional<Color>& color, const Path& path)
{
    const QPainterPath painterPath = path.toPainterPath();
    if (painterPath.isEmpty())
        return {};
    const QRectF bounds = painterPath.boundingRect();
    const QSizeF size(2 * bounds.x() + bounds.width(), 2 * bounds.y() + bounds.height());
    const QColor fill = color ? toQColor(*color) : QApplication::palette().color(QPalette::Window);
    return imageFromPainting(size, [&](QPainter& painter) {
        painter.fillPath(painterPath, fill);
        painter.strokePath(painterPath, QPen(QColor(128, 128, 128), 1.0));
    });
}

void setColorImage(QAction* item, const std::optional<Color>& color, int shape)
{
    if (item)
        item->setIcon(iconForImage(colorImage(color, shape)));
}

Image ratingImage(int rating, int controlSize)
{
    const double star = controlSize == 0 ? 13.0 : 10.0;
    const int filled = qBound(0, rating, 5);
    const QColor ink = QApplication::palette().color(QPalette::Text);
    return imageFromPainting({star * 5, star}, [&](QPainter& painter) {
        for (int i = 0; i < 5; ++i) {
            const QRectF box(i * star, 0, star, star);
            if (i < filled) {
                painter.fillPath(starPath(box.adjusted(0.5, 0.5, -0.5, -0.5)), ink);
            } else {
                // An empty place is a dot, as rating controls show it.
                QPainterPath dot;
                dot.addEllipse(box.center(), star / 10.0, star / 10.0);
                painter.fillPath(dot, ink);
            }
        }
    });
}

QString ratingToolTip(int rating)
{
    const Bundle& bundle = VelmorAppKitBundle();
    const QString table = QStringLiteral("Velmor");
    if (rating == 0)
        return bundle.localizedStringForKey(QStringLiteral("No star"), QStringLiteral(""), table);
    if (rating == 1)
        return bundle.localizedStringForKey(QStringLiteral("One star"), QStringLiteral(""), table);
    return bundle.localizedStringForKey(QStringLiteral("%d stars"), QStringLiteral(""), table)
        .replace(QLatin1String("%d"), QString::number(rating));
}

void setRatingImage(QAction* item, int rating)
{
    if (!item)
        return;
    item->setIcon(iconForImage(ratingImage(rating)));
    const QString tip = ratingToolTip(rating);
    if (tip.isNull())
        return;
    item->setToolTip(tip);
    item->setStatusTip(tip);
}

void AppleInterfaceMenuItem::setImage(const Image& image)
{
    m_image = paddedMenuImage(image);
    // The icon is drawn for one appearance: draw it again on every switch.
    connect(&AppleInterfaceStyleMonitor::shared(), &AppleInterfaceStyleMonitor::darkChanged, this,
            &AppleInterfaceMenuItem::showImage, Qt::UniqueConnection);
    showImage();
}

void AppleInterfaceMenuItem::showImage()
{
    setIcon(iconForImage(AppleInterfaceImage(m_image)));
}

Image AppleInterfaceMenuItem::image() const
{
    return m_image ? AppleInterfaceImage(m_image) : Image();
}

SeparatorMenuItem::SeparatorMenuItem(const QString& title, QObject* parent) : QAction(title, parent)
{
    setEnabled(false);
    // setEnabled is not virtual: whoever enables the heading, it turns
    // itself off again at once.
    connect(this, &QAction::changed, this, [this] {
        if (isEnabled())
            setEnabled(false);
    });
    connect(this, &QAction::enabledChanged, this, [this](bool enabled) {
        if (enabled)
            setEnabled(false);
    });
}

QAction* addAppleInterfaceItem(QMenu* menu, const QString& title, const QByteArray& selector, QObject* target,
                               int tag, const QString& keyEquivalent)
{
    if (!menu)
        return nullptr;
    auto* item = new AppleInterfaceMenuItem(title, menu);
    setUpItem(item, selector, target, tag, keyEquivalent);
    menu->addAction(item);
    return item;
}

} // namespace sorvant
