#include "interface/string_drawing.h"

#include "foundation/ellipsizing.h"
#include "interface/colors.h"
#include "interface/fonts.h"

#include <QPainter>
#include <QTextLayout>

#include <algorithm>
#include <cmath>
#include <unordered_map>

namespace sorvant {

namespace {

bool g_infoLinkUnderlined = true;

QFont defaultTextFont()
{
    return systemFontOfSize(12.0);
}

QColor colorValue(const QVariant& value)
{
    if (value.metaType() == QMetaType::fromType<Color>())
        return toQColor(value.value<Color>());
    if (value.metaType() == QMetaType::fromType<QColor>())
        return value.value<QColor>();
    // The search engine's highlight colours: 0xAARRGGBB numbers.
    if (value.metaType() == QMetaType::fromType<quint32>())
        return QColor::fromRgba(value.value<quint32>());
    return QColor();
}

QVariantMap drawingAttributes(const std::optional<QFont>& font, const Color& color, bool underlined, bool stroke)
{
    QVariantMap attributes{{attribute::kUnderlineStyle, underlined ? 1 : 0},
                           {attribute::kStrikethroughStyle, stroke ? 1 : 0}};
    if (font)
        attributes.insert(attribute::kFont, *font);
    if (!color.isNull())
        attributes.insert(attribute::kForegroundColor, QVariant::fromValue(color));
    return attributes;
}

QTextCharFormat formatOf(const QVariantMap& attributes)
{
    QTextCharFormat format;
    const QVariant font = attributes.value(attribute::kFont);
    format.setFont(font.metaType() == QMetaType::fromType<QFont>() ? font.value<QFont>() : defaultTextFont());
    if (const QColor foreground = colorValue(attributes.value(attribute::kForegroundColor)); foreground.isValid())
        format.setForeground(foreground);
    if (const QColor background = colorValue(attributes.value(attribute::kBackgroundColor)); background.isValid())
        format.setBackground(background);
    format.setFontUnderline(attributes.value(attribute::kUnderlineStyle).toInt() != 0);
    format.setFontStrikeOut(attributes.value(attribute::kStrikethroughStyle).toInt() != 0);
    return format;
}

ParagraphStyle paragraphStyleOf(const AttributedString& string)
{
    const QVariant style = string.attributeAtIndex(attribute::kParagraphStyle, 0);
    return style.metaType() == QMetaType::fromType<ParagraphStyle>() ? style.value<ParagraphStyle>()
                                                                     : ParagraphStyle::defaultParagraphStyle();
}

Qt::Alignment qtAlignment(TextAlignment alignment)
{
    switch (alignment) {
    case TextAlignment::Center: return Qt::AlignHCenter;
    case TextAlignment::Right: return Qt::AlignRight;
    case TextAlignment::Justified: return Qt::AlignJustify;
    case TextAlignment::Left:
    case TextAlignment::Natural: return Qt::AlignLeft;
    }
    return Qt::AlignLeft;
}

// Sets up `layout` with the text and runs of `string`. Line ends become line
// separators, which lay out as breaks without changing the length.
void prepareLayout(QTextLayout& layout, const AttributedString& string, QTextOption::WrapMode wrap,
                   Qt::Alignment alignment)
{
    QString text = string.string();
    for (QChar& ch : text) {
        if (ch == u'\n' || ch == u'\r')
            ch = QChar::LineSeparator;
    }
    layout.setText(text);
    const QVariant first = string.attributeAtIndex(attribute::kFont, 0);
    layout.setFont(first.metaType() == QMetaType::fromType<QFont>() ? first.value<QFont>() : defaultTextFont());
    QList<QTextLayout::FormatRange> formats;
    for (const AttributedString::Run& run : string.runs())
        formats.append({int(run.range.location), int(run.range.length), formatOf(run.attributes)});
    layout.setFormats(formats);
    QTextOption option(alignment);
    option.setWrapMode(wrap);
    layout.setTextOption(option);
}

// Lays out lines of `width` (unbounded when negative) and answers the size.
QSizeF layoutLines(QTextLayout& layout, double width)
{
    layout.beginLayout();
    double y = 0, widest = 0;
    while (true) {
        QTextLine line = layout.createLine();
        if (!line.isValid())
            break;
        // Unbounded lines (measuring) still need a width to lay out.
        line.setLineWidth(width >= 0 ? width : 1e7);
        line.setPosition(QPointF(0, y));
        y += line.height();
        widest = std::max(widest, line.naturalTextWidth());
    }
    layout.endLayout();
    return QSizeF(widest, y);
}

QTextOption::WrapMode wrapModeOf(LineBreakMode mode)
{
    switch (mode) {
    case LineBreakMode::ByWordWrapping: return QTextOption::WrapAtWordBoundaryOrAnywhere;
    case LineBreakMode::ByCharWrapping: return QTextOption::WrapAnywhere;
    default: return QTextOption::NoWrap;
    }
}

// The kept length `kept` of `string` shortened by `mode`.
AttributedString shortened(const AttributedString& string, qsizetype kept, LineBreakMode mode)
{
    const qsizetype n = string.length();
    const QString ellipsis(QChar(0x2026));
    qsizetype head = 0, tail = 0;
    switch (mode) {
    case LineBreakMode::ByTruncatingHead: tail = kept; break;
    case LineBreakMode::ByTruncatingTail: head = kept; break;
    default: head = (kept + 1) / 2, tail = kept / 2; break;
    }
    // Cuts fall between characters: never inside a surrogate pair, never
    // between a letter and its combining marks (names stored decomposed).
    head = clusterBoundaryAtOrBefore(string.string(), head);
    const qsizetype tailStart = std::max(head, clusterBoundaryAtOrAfter(string.string(), n - tail));
    AttributedString result = string;
    // The ellipsis takes the attributes of the first character it replaces.
    const Range removed{head, tailStart - head};
    result.replaceCharactersInRange(removed, ellipsis);
    return result;
}

// What a line's width depends on: the characters and the font of each run
// (colours, lines and backgrounds take no room).
QString measuringKey(const AttributedString& string)
{
    QString key = string.string();
    key.append(QChar(0));
    for (const AttributedString::Run& run : string.runs()) {
        const QVariant font = run.attributes.value(attribute::kFont);
        key += QString::number(run.range.location) + QLatin1Char(',') + QString::number(run.range.length)
            + QLatin1Char(',')
            + (font.metaType() == QMetaType::fromType<QFont>() ? font.value<QFont>().key() : QStringLiteral("-"))
            + QLatin1Char(';');
    }
    return key;
}

// Measurements repeat with every paint of the same rows: one line's size and
// the characters a truncation keeps are remembered by what they depend on.
// Per thread, as the layouts are; emptied whole when full.
template <typename Value>
class MeasuringCache
{
public:
    template <typename Compute>
    Value value(const QString& key, Compute compute)
    {
        if (const auto found = m_values.find(key); found != m_values.end())
            return found->second;
        if (m_values.size() >= kCapacity)
            m_values.clear();
        const Value computed = compute();
        m_values.emplace(key, computed);
        return computed;
    }

private:
    static constexpr size_t kCapacity = 16384;
    std::unordered_map<QString, Value> m_values;
};

QSizeF measuredLineSize(const AttributedString& string)
{
    QTextLayout layout;
    prepareLayout(layout, string, QTextOption::NoWrap, Qt::AlignLeft);
    return layoutLines(layout, -1);
}

// measuredLineSize, remembered by `key` (measuringKey of `string`).
QSizeF lineSize(const AttributedString& string, const QString& key)
{
    thread_local MeasuringCache<QSizeF> sizes;
    return sizes.value(key, [&] { return measuredLineSize(string); });
}

QSizeF lineSize(const AttributedString& string)
{
    return lineSize(string, measuringKey(string));
}

// Draws `string` in `rect`: wrapped (or one line) from the rect's top, the
// last line that fits truncated when asked.
void drawLaidOut(QPainter& painter, const AttributedString& string, QRectF rect, bool multiline,
                 bool truncateLastLine)
{
    if (string.isEmpty())
        return;
    const ParagraphStyle style = paragraphStyleOf(string);
    const bool truncating = isTruncatingLineBreakMode(style.lineBreakMode);
    AttributedString text = string;
    if (truncating || !multiline)
        text = truncating ? truncatedAttributedString(string, rect.width(), style.lineBreakMode) : string;
    QTextLayout layout;
    prepareLayout(layout, text, multiline && !truncating ? wrapModeOf(style.lineBreakMode) : QTextOption::NoWrap,
                  qtAlignment(style.alignment));
    layoutLines(layout, rect.width());
    if (multiline && truncateLastLine && layout.lineCount() > 1) {
        // Find the last line that fits; when text follows it, draw the lines
        // before it and the rest truncated at its end.
        int fitting = 0;
        while (fitting < layout.lineCount()
               && layout.lineAt(fitting).y() + layout.lineAt(fitting).height() <= rect.height() + 0.5)
            ++fitting;
        if (fitting >= 1 && fitting < layout.lineCount()) {
            const QTextLine last = layout.lineAt(fitting - 1);
            painter.save();
            painter.setClipRect(QRectF(rect.x(), rect.y(), rect.width(), last.y()), Qt::IntersectClip);
            layout.draw(&painter, rect.topLeft());
            painter.restore();
            const AttributedString rest =
                text.attributedSubstringFromRange({last.textStart(), text.length() - last.textStart()});
            QTextLayout tailLayout;
            prepareLayout(tailLayout, truncatedAttributedString(rest, rect.width(), LineBreakMode::ByTruncatingTail),
                          QTextOption::NoWrap, qtAlignment(style.alignment));
            layoutLines(tailLayout, rect.width());
            tailLayout.draw(&painter, QPointF(rect.x(), rect.y() + last.y()));
            return;
        }
    }
    painter.save();
    if (multiline)
        painter.setClipRect(rect, Qt::IntersectClip);
    layout.draw(&painter, rect.topLeft());
    painter.restore();
}

} // namespace

bool infoLinkUnderlined()
{
    return g_infoLinkUnderlined;
}

void setInfoLinkUnderlined(bool underlined)
{
    g_infoLinkUnderlined = underlined;
}

LineBreakMode infoLinkLineBreakMode()
{
    return LineBreakMode::ByTruncatingMiddle;
}

ParagraphStyle truncatingParagraphStyle(LineBreakMode mode, TextAlignment alignment)
{
    ParagraphStyle style;
    style.lineBreakMode = mode;
    style.alignment = alignment;
    style.allowsDefaultTighteningForTruncation = false;
    return style;
}

AttributedString asAttributedStringWithFont(const QString& string, const std::optional<QFont>& font,
                                            const Color& color, bool underlined)
{
    QVariantMap attributes{{attribute::kUnderlineStyle, underlined ? 1 : 0}};
    if (font)
        attributes.insert(attribute::kFont, *font);
    if (!color.isNull())
        attributes.insert(attribute::kForegroundColor, QVariant::fromValue(color));
    return AttributedString(string, attributes);
}

AttributedString attributedStringByTruncatingTo(const QString& string, LineBreakMode mode,
                                                const std::optional<QFont>& font, const Color& color, bool underlined,
                                                bool stroke)
{
    QVariantMap attributes = drawingAttributes(font, color, underlined, stroke);
    attributes.insert(attribute::kParagraphStyle, QVariant::fromValue(truncatingParagraphStyle(mode)));
    return AttributedString(string, attributes);
}

AttributedString asAttributedLink(const QString& string, const QVariant& link, const Color& background)
{
    QVariantMap attributes{{attribute::kFont, smallSystemFont()},
                           {attribute::kForegroundColor, QVariant::fromValue(screenLinkColor())},
                           {attribute::kUnderlineStyle, 1}};
    if (link.isValid()) {
        attributes.insert(attribute::kLink, link);
        if (!background.isNull())
            attributes.insert(attribute::kBackgroundColor, QVariant::fromValue(background));
    }
    return AttributedString(string, attributes);
}

AttributedString asAttributedLinkWithBackgroundColor(const QString& string, const Color& background)
{
    return asAttributedLink(string, string, background);
}

QSizeF sizeWithFont(const QString& string, const std::optional<QFont>& font)
{
    if (string.isEmpty() || !font)
        return QSizeF(0, 0);
    return sizeWithAttributes(string, {{attribute::kFont, *font}});
}

QSizeF sizeWithAttributes(const QString& string, const QVariantMap& attributes)
{
    return attributedStringSize(AttributedString(string, attributes));
}

QSizeF attributedStringSize(const AttributedString& string)
{
    if (string.isEmpty())
        return QSizeF(0, 0);
    return lineSize(string);
}

QRectF boundingRectWithSize(const AttributedString& string, QSizeF size, int options)
{
    if (string.isEmpty())
        return QRectF();
    const ParagraphStyle style = paragraphStyleOf(string);
    const bool multiline = options & kStringDrawingUsesLineFragmentOrigin;
    QTextLayout layout;
    const bool wraps = multiline && !isTruncatingLineBreakMode(style.lineBreakMode);
    prepareLayout(layout, string, wraps ? wrapModeOf(style.lineBreakMode) : QTextOption::NoWrap, Qt::AlignLeft);
    QSizeF laid = layoutLines(layout, wraps && size.width() > 0 ? size.width() : -1);
    if (!wraps && size.width() > 0 && isTruncatingLineBreakMode(style.lineBreakMode))
        laid.setWidth(std::min(laid.width(), size.width()));
    if ((options & kStringDrawingTruncatesLastVisibleLine) && size.height() > 0 && laid.height() > size.height()) {
        double fitted = 0;
        for (int index = 0; index < layout.lineCount(); ++index) {
            const QTextLine line = layout.lineAt(index);
            if (line.y() + line.height() > size.height() + 0.5)
                break;
            fitted = line.y() + line.height();
        }
        laid.setHeight(std::max(fitted, layout.lineCount() ? layout.lineAt(0).height() : 0.0));
    }
    return QRectF(QPointF(0, 0), laid);
}

QRectF boundingRectWithSize(const QString& string, QSizeF size, int options, const std::optional<QFont>& font,
                            LineBreakMode mode)
{
    if (string.isEmpty() || !font)
        return QRectF();
    return boundingRectWithSize(AttributedString(string, {{attribute::kFont, *font},
                                                          {attribute::kParagraphStyle,
                                                           QVariant::fromValue(truncatingParagraphStyle(mode))}}),
                                size, options);
}

QRectF boundingRectWithSize(const QString& string, QSizeF size, const std::optional<QFont>& font)
{
    return boundingRectWithSize(string, size, kDefaultStringDrawingOptions, font, LineBreakMode::ByWordWrapping);
}

QRectF boundingRectWithSize(const QString& string, QSizeF size, const QVariantMap& attributes)
{
    return boundingRectWithSize(AttributedString(string, attributes), size, kDefaultStringDrawingOptions);
}

AttributedString truncatedAttributedString(const AttributedString& string, double width, LineBreakMode mode)
{
    if (!isTruncatingLineBreakMode(mode) || string.isEmpty())
        return string;
    const QString measuring = measuringKey(string);
    if (lineSize(string, measuring).width() <= width)
        return string;
    thread_local MeasuringCache<qsizetype> keptCounts;
    const QString key = measuring + QChar(0) + QString::number(width, 'g', 17) + QLatin1Char(',')
        + QString::number(int(mode));
    const qsizetype kept = keptCounts.value(key, [&] {
        // The most characters that still fit with the ellipsis; widths grow
        // with the count, so a binary search finds it. The shortened
        // strings tried are measured, not remembered: only the count is.
        qsizetype low = 0, high = string.length() - 1;
        while (low < high) {
            const qsizetype middle = (low + high + 1) / 2;
            if (measuredLineSize(shortened(string, middle, mode)).width() <= width)
                low = middle;
            else
                high = middle - 1;
        }
        return low;
    });
    return shortened(string, kept, mode);
}

void drawWithRect(QPainter& painter, const AttributedString& string, QRectF rect, int options)
{
    drawLaidOut(painter, string, rect, options & kStringDrawingUsesLineFragmentOrigin,
                options & kStringDrawingTruncatesLastVisibleLine);
}

void drawWithRect(QPainter& painter, const QString& string, QRectF rect, int options,
                  const std::optional<QFont>& font, const Color& color, LineBreakMode mode, TextAlignment alignment)
{
    if (string.isEmpty() || !font)
        return;
    QVariantMap attributes{{attribute::kFont, *font},
                           {attribute::kParagraphStyle, QVariant::fromValue(truncatingParagraphStyle(mode, alignment))}};
    if (!color.isNull())
        attributes.insert(attribute::kForegroundColor, QVariant::fromValue(color));
    drawWithRect(painter, AttributedString(string, attributes), rect, options);
}

void drawWithRect(QPainter& painter, const QString& string, QRectF rect, const std::optional<QFont>& font,
                  const Color& color)
{
    drawWithRect(painter, string, rect, kDefaultStringDrawingOptions, font, color, LineBreakMode::ByWordWrapping);
}

void drawWithRect(QPainter& painter, const QString& string, QRectF rect, const QVariantMap& attributes)
{
    drawWithRect(painter, AttributedString(string, attributes), rect, kDefaultStringDrawingOptions);
}

void drawInRect(QPainter& painter, const AttributedString& string, QRectF rect)
{
    drawLaidOut(painter, string, rect, true, false);
}

QRectF placeTextInRect(QRectF rect, QSizeF size, TextAlignment alignment, bool centered, bool fits,
                       std::optional<double> scale)
{
    const double w = size.width(), h = size.height();
    if (centered) {
        if (scale) {
            rect.moveTop(rect.y() + (rect.height() - h) * 0.5);
            rect.setHeight(h);
        } else {
            rect.moveTop(rect.y() + std::nearbyint((rect.height() - h) * 0.5));
            rect.setHeight(std::ceil(h));
        }
    }
    if (fits && (alignment == TextAlignment::Right || alignment == TextAlignment::Center)) {
        double offset = alignment == TextAlignment::Right ? rect.width() - w : (rect.width() - w) * 0.5;
        if (!scale)
            offset = std::nearbyint(offset);
        rect.moveLeft(rect.x() + offset);
        rect.setWidth(scale ? w : std::ceil(w));
    }
    if (scale && *scale > 0) {
        const double s = *scale;
        rect = QRectF(std::nearbyint(rect.x() * s) / s, std::nearbyint(rect.y() * s) / s, std::ceil(rect.width()),
                      std::ceil(rect.height()));
    }
    return rect;
}

namespace {

QSizeF drawInRectCore(QPainter& painter, const QString& string, QRectF rect, std::optional<LineBreakMode> mode,
                      TextAlignment alignment, bool centered, const std::optional<QFont>& font, const Color& color,
                      bool underlined, bool stroke, std::optional<double> scale)
{
    if (!(rect.width() > 0) || !(rect.height() > 0))
        return QSizeF(0, 0);
    QVariantMap attributes = drawingAttributes(font, color, underlined, stroke);
    const QSizeF size = sizeWithAttributes(string, attributes);
    const bool tooWide = mode && size.height() > 0 && size.width() > std::floor(rect.width());
    const QRectF place = placeTextInRect(rect, size, alignment, centered, !tooWide, scale);
    if (tooWide) {
        attributes.insert(attribute::kParagraphStyle, QVariant::fromValue(truncatingParagraphStyle(*mode)));
        drawLaidOut(painter, AttributedString(string, attributes), place, false, false);
    } else {
        drawLaidOut(painter, AttributedString(string, attributes), place, true, false);
    }
    return size;
}

} // namespace

QSizeF drawInRect(QPainter& painter, const QString& string, QRectF rect, LineBreakMode mode, TextAlignment alignment,
                  bool centered, const std::optional<QFont>& font, const Color& color, bool underlined, bool stroke,
                  std::optional<double> scale)
{
    return drawInRectCore(painter, string, rect, mode, alignment, centered, font, color, underlined, stroke, scale);
}

QSizeF drawInRect(QPainter& painter, const QString& string, QRectF rect, TextAlignment alignment, bool centered,
                  const std::optional<QFont>& font, const Color& color, bool underlined, bool stroke,
                  std::optional<double> scale)
{
    return drawInRectCore(painter, string, rect, std::nullopt, alignment, centered, font, color, underlined, stroke,
                          scale);
}

QSizeF drawInRect(QPainter& painter, const QString& string, QRectF rect, LineBreakMode mode,
                  bool centeredHorizontally, bool centeredVertically, const std::optional<QFont>& font,
                  const Color& color, bool underlined)
{
    return drawInRect(painter, string, rect, mode, centeredHorizontally ? TextAlignment::Center : TextAlignment::Left,
                      centeredVertically, font, color, underlined, false, std::nullopt);
}

QSizeF drawInRect(QPainter& painter, const QString& string, QRectF rect, LineBreakMode mode, bool centered,
                  const std::optional<QFont>& font, const Color& color, bool underlined)
{
    return drawInRect(painter, string, rect, mode, false, centered, font, color, underlined);
}

QSizeF drawInRect(QPainter& painter, const QString& string, QRectF rect, bool centeredHorizontally,
                  bool centeredVertically, const std::optional<QFont>& font, const Color& color, bool underlined)
{
    return drawInRect(painter, string, rect, centeredHorizontally ? TextAlignment::Center : TextAlignment::Left,
                      centeredVertically, font, color, underlined, false, std::nullopt);
}

QSizeF drawInRect(QPainter& painter, const QString& string, QRectF rect, bool centered,
                  const std::optional<QFont>& font, const Color& color, bool underlined)
{
    return drawInRect(painter, string, rect, false, centered, font, color, underlined);
}

} // namespace sorvant
