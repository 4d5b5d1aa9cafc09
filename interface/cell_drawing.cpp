#include "interface/cell_drawing.h"

#include "foundation/attributed_string.h"
#include "interface/appearance.h"
#include "interface/bezier_path.h"
#include "interface/colors.h"
#include "interface/graphics_context.h"
#include "interface/string_drawing.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QLinearGradient>
#include <QPainter>
#include <QStyle>
#include <QStyleOptionFocusRect>

#include <algorithm>
#include <cmath>

namespace sorvant {
namespace {

// A view printed into a paper painter paints through painters of its own
// (Qt may draw through a pixmap): the paper painter is made current for the
// whole drawing, so either one not drawing to the screen decides.
bool drawsToScreen(const QPainter& painter)
{
    return isDrawingToScreen(painter) && currentContextDrawingToScreen();
}

bool isSelected(const QStyleOptionViewItem& option)
{
    return option.state.testFlag(QStyle::State_Selected);
}

} // namespace

Color alternateSelectedControlTextColor()
{
    return Color::named(QStringLiteral("System"), QStringLiteral("alternateSelectedControlTextColor"),
                        colorFromQColor(QApplication::palette().color(QPalette::Active, QPalette::HighlightedText)));
}

Color selectedControlTextColor()
{
    return Color::named(QStringLiteral("System"), QStringLiteral("selectedControlTextColor"),
                        colorFromQColor(QApplication::palette().color(QPalette::Inactive, QPalette::HighlightedText)));
}

bool isCellViewFocused(const QStyleOptionViewItem& option)
{
    const QWidget* view = option.widget;
    return view && view->hasFocus() && view->window()->isActiveWindow();
}

InteriorTextStyle interiorTextStyle(const Color& color, const QStyleOptionViewItem& option, const QPainter& painter)
{
    if (!option.widget || !isSelected(option) || !drawsToScreen(painter))
        return InteriorTextStyle::Plain;
    if (isCellViewFocused(option))
        return InteriorTextStyle::Emphasized;
    return color.isNull() ? InteriorTextStyle::Unfocused : InteriorTextStyle::Plain;
}

Color cellTextColor(const Color& color, const QStyleOptionViewItem& option, const QPainter& painter)
{
    switch (interiorTextStyle(color, option, painter)) {
    case InteriorTextStyle::Emphasized:
        return alternateSelectedControlTextColor();
    case InteriorTextStyle::Unfocused:
        return selectedControlTextColor();
    case InteriorTextStyle::Plain:
        break;
    }
    const bool isControlText = color == controlTextColor();
    if (!color.isNull() && !isControlText && color != Color::blackColor())
        return color;
    if (!drawsToScreen(painter))
        return Color::blackColor();
    if (!isDarkAquaInterfaceStyle())
        return color.isNull() ? Color::blackColor() : color;
    return isControlText ? Color::calibratedWhite(0.88) : Color::whiteColor();
}

Color cellInfoColor(const QStyleOptionViewItem& option, const QPainter& painter)
{
    return cellTextColor(contextInfoTextColor(), option, painter);
}

Color cellLinkColor(const QStyleOptionViewItem& option, const QPainter& painter)
{
    return cellTextColor(infoLinkColor(), option, painter);
}

QVariantMap textAttributes(const std::optional<QFont>& font, const Color& color, LineBreakMode mode,
                           TextAlignment alignment)
{
    QVariantMap attributes{
        {QString::fromLatin1(attribute::kParagraphStyle), QVariant::fromValue(truncatingParagraphStyle(mode, alignment))}};
    if (font)
        attributes.insert(QString::fromLatin1(attribute::kFont), *font);
    if (!color.isNull())
        attributes.insert(QString::fromLatin1(attribute::kForegroundColor), QVariant::fromValue(color));
    return attributes;
}

QVariantMap textAttributesInView(const QStyleOptionViewItem& option, const QPainter& painter,
                                 const std::optional<QFont>& font, const Color& color, LineBreakMode mode,
                                 TextAlignment alignment)
{
    return textAttributes(font, option.widget ? cellTextColor(color, option, painter) : Color(), mode, alignment);
}

bool shouldDrawFocusRing(const QStyleOptionViewItem& option, const QModelIndex& index)
{
    return option.state.testFlag(QStyle::State_HasFocus) && index.flags().testFlag(Qt::ItemIsEditable);
}

void drawFocusRing(QPainter& painter, const QStyleOptionViewItem& option, const QModelIndex& index, QRectF rect)
{
    // A ring says where the keys go: paper has no keys.
    if (!shouldDrawFocusRing(option, index) || !drawsToScreen(painter))
        return;
    QStyleOptionFocusRect ring;
    ring.QStyleOption::operator=(option);
    ring.rect = rect.adjusted(-1, -1, 1, 1).toAlignedRect();
    // A cell's ring shows whatever moved the focus, as styles otherwise
    // draw one only after a key did.
    ring.state |= QStyle::State_KeyboardFocusChange | QStyle::State_HasFocus;
    ring.backgroundColor = option.palette.color(QPalette::Base);
    const QStyle* style = option.widget ? option.widget->style() : QApplication::style();
    painter.save();
    style->drawPrimitive(QStyle::PE_FrameFocusRect, &ring, &painter, option.widget);
    painter.restore();
}

QStyleOptionViewItem optionForDevice(const QStyleOptionViewItem& option, const QPainter& painter)
{
    QStyleOptionViewItem result(option);
    if (!drawsToScreen(painter))
        result.state &= ~QStyle::State_Selected;
    return result;
}

void drawCellBackground(QPainter& painter, const QStyleOptionViewItem& option)
{
    const QStyleOptionViewItem drawn = optionForDevice(option, painter);
    if (isSelected(drawn) && drawn.widget && drawn.widget->property("sorvantSourceListHighlight").toBool()) {
        // The source-list highlight: a vertical gradient, brighter when focused.
        const bool focused = isCellViewFocused(drawn);
        const Color top = focused ? Color::calibratedRGB(0.333, 0.565, 0.848) : Color::calibratedRGB(0.683, 0.721, 0.807);
        const Color bottom =
            focused ? Color::calibratedRGB(0.197, 0.384, 0.713) : Color::calibratedRGB(0.514, 0.556, 0.673);
        QLinearGradient gradient(drawn.rect.topLeft(), drawn.rect.bottomLeft());
        gradient.setColorAt(0, toQColor(top));
        gradient.setColorAt(1, toQColor(bottom));
        painter.fillRect(drawn.rect, gradient);
        return;
    }
    const QStyle* style = drawn.widget ? drawn.widget->style() : QApplication::style();
    style->drawPrimitive(QStyle::PE_PanelItemViewItem, &drawn, &painter, drawn.widget);
}

QSizeF infoSizeWithString(const QString& string, const QFont& font, double offsetLeft, double offsetRight)
{
    // QSizeF() would be -1 x -1: an empty string takes no room.
    if (string.isEmpty())
        return {0, 0};
    const QSizeF size = sizeWithFont(string, font);
    return {offsetLeft + offsetRight + std::ceil(size.width()), std::ceil(size.height())};
}

QRectF drawInfoWithString(QPainter& painter, const QStyleOptionViewItem& option, const QString& string,
                          const QFont& font, bool centered, QRectF frame, double offsetLeft, double offsetRight)
{
    if (string.isEmpty())
        return frame;
    const double width = std::ceil(sizeWithFont(string, font).width());
    if (frame.width() <= offsetLeft + width + offsetRight)
        return frame;
    Color color;
    if (isSelected(option) && drawsToScreen(painter))
        color = isCellViewFocused(option) ? alternateSelectedControlTextColor() : selectedControlTextColor();
    else
        color = cellTextColor(Color::grayColor(), option, painter);
    drawInRect(painter, string, QRectF(frame.right() - (width + offsetRight), frame.y(), width, frame.height()),
               LineBreakMode::ByWordWrapping, centered, font, color, false);
    frame.setWidth(frame.width() - (offsetLeft + width + offsetRight));
    return frame;
}

void drawIndicator(QPainter& painter, QRectF rect, double value, bool shaded)
{
    if (!(value >= 0 && value < 1))
        return;
    const double width = std::max(value, 0.05) * rect.width();
    if (!shaded) {
        painter.fillRect(QRectF(rect.x(), rect.y(), width, rect.height()),
                         toQColor(Color::calibratedRGB(0.167, 0.403, 0.959)));
        return;
    }
    const int height = static_cast<int>(rect.height());
    if (width < 1 || height <= 0)
        return;
    // Lighter at the edges, deepest in the middle line.
    const double half = (height - 1) / 2.0;
    for (int i = 0; i < height; ++i) {
        const double distance = std::min(i, height - 1 - i);
        const double t = half > 0 ? distance / half : 0;
        const QColor line = toQColor(Color::deviceRGB(200 / 255.0 - 72 / 255.0 * t, 200 / 255.0 - 13 / 255.0 * t, 1));
        painter.fillRect(QRectF(rect.x(), rect.y() + i, width, 1), line);
    }
}

QFont badgeFont(const QFont& font)
{
    QFont bold(font);
    bold.setBold(true);
    return bold;
}

QSizeF badgeSizeWithCount(unsigned count, bool bezeled, const QFont& font)
{
    if (count == 0)
        return {0, 0};
    const QString text = QString::number(static_cast<qint32>(count));
    if (!bezeled)
        return infoSizeWithString(text, font, 4, 4);
    const QSizeF size = sizeWithFont(text, badgeFont(font));
    return {std::max(20.0, std::max(size.height(), size.width() + 10)) + 3, size.height()};
}

Color badgeBackgroundColor(bool selected, bool dark)
{
    if (dark)
        return Color::calibratedWhite(selected ? 0.75 : 0.6);
    return Color::calibratedWhite(selected ? 0.35 : 0.4);
}

QRectF drawBadgeWithFrame(QPainter& painter, const QStyleOptionViewItem& option, QRectF frame, unsigned count,
                          bool bezeled, const QFont& font)
{
    if (count == 0)
        return frame;
    const QString text = QString::number(static_cast<qint32>(count));
    if (!bezeled)
        return drawInfoWithString(painter, option, text, font, true, frame, 4, 4);
    const QFont bold = badgeFont(font);
    const QSizeF size = sizeWithFont(text, bold);
    const double w = std::ceil(size.width());
    const double h = std::ceil(size.height());
    const double b = std::max(20.0, std::max(h, w + 10));
    if (frame.width() <= b)
        return frame;
    if (option.widget) {
        const QRectF badge(frame.right() - b, frame.y() + (frame.height() - h) / 2, b, h);
        const bool selected = isSelected(optionForDevice(option, painter));
        const Color fill = badgeBackgroundColor(selected, isDarkAquaInterfaceStyle() && drawsToScreen(painter));
        painter.save();
        painter.setRenderHint(QPainter::Antialiasing);
        painter.setPen(Qt::NoPen);
        painter.setBrush(toQColor(fill));
        painter.drawRoundedRect(badge, h / 2, h / 2);
        painter.restore();
        // Paper keeps the light appearance, where the control background is white.
        const Color textColor = drawsToScreen(painter) ? controlBackgroundColor() : Color::whiteColor();
        drawInRect(painter, text, badge, true, true, bold, textColor, false);
    }
    frame.setWidth(frame.width() - (b + 3));
    return frame;
}

} // namespace sorvant
