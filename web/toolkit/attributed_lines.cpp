#include "web/toolkit/attributed_lines.h"

#include "foundation/color.h"
#include "platform/atomic_file.h"
#include "web/toolkit/attributed_editing.h"
#include "web/toolkit/text_attachment.h"

#include <QFileInfo>
#include <QFont>
#include <QPainter>
#include <QTextCursor>
#include <QTextDocument>

#include <cmath>

namespace sorvant {

namespace {

// The largest file taken in as an attachment.
constexpr qint64 kMaximumAttachmentSize = qint64(256) << 20;

bool isLineEnd(QChar c)
{
    switch (c.unicode()) {
    case 0x0003: case 0x000A: case 0x000C: case 0x000D: case 0x2028: case 0x2029: case 0xFEFF:
        return true;
    default:
        return false;
    }
}

AttributedString attachmentText(const TextAttachment& attachment)
{
    return AttributedString(QString(QChar(kAttachmentCharacter)),
                            {{QString::fromLatin1(attribute::kAttachment), QVariant::fromValue(attachment)}});
}

QColor qColor(const QVariant& value)
{
    const Color color = value.value<Color>().colorUsingColorSpace(Color::ColorSpace::DeviceRGB);
    if (color.isNull())
        return QColor();
    return QColor::fromRgbF(float(color.redComponent()), float(color.greenComponent()), float(color.blueComponent()),
                            float(color.alphaComponent()));
}

// The text as a document without margins, one character format per run.
void fillDocument(QTextDocument& document, const AttributedString& text)
{
    document.setDocumentMargin(0);
    QTextCursor cursor(&document);
    for (const AttributedString::Run& run : text.runs()) {
        QTextCharFormat format;
        const QVariantMap& attributes = run.attributes;
        const QVariant font = attributes.value(QString::fromLatin1(attribute::kFont));
        if (font.metaType() == QMetaType::fromType<QFont>())
            format.setFont(font.value<QFont>());
        const QColor foreground = qColor(attributes.value(QString::fromLatin1(attribute::kForegroundColor)));
        if (foreground.isValid())
            format.setForeground(foreground);
        const QColor background = qColor(attributes.value(QString::fromLatin1(attribute::kBackgroundColor)));
        if (background.isValid())
            format.setBackground(background);
        if (attributes.value(QString::fromLatin1(attribute::kUnderlineStyle)).toInt() != 0)
            format.setFontUnderline(true);
        cursor.insertText(text.string().mid(run.range.location, run.range.length), format);
    }
}

} // namespace

std::optional<AttributedString> attributedStringWithLink(const QVariant& link, const QString& description,
                                                         const QVariant& font)
{
    if (!link.isValid())
        return std::nullopt;
    QVariantMap attributes = linkAttributes(link);
    if (font.isValid())
        attributes.insert(QString::fromLatin1(attribute::kFont), font);
    return AttributedString(textOfLink(description, link), attributes);
}

std::optional<AttributedString> attributedStringWithAttachmentAtPath(const QString& path)
{
    if (path.isEmpty())
        return std::nullopt;
    // Only a regular file is read (a FIFO or device would block or never
    // end), and only up to a size an attachment can sensibly hold.
    QByteArray contents;
    if (readRegularFile(path, kMaximumAttachmentSize, &contents) != FileReadStatus::Read)
        return std::nullopt;
    return attachmentText(TextAttachment{QFileInfo(path).fileName(), contents, path});
}

std::optional<AttributedString> attributedStringWithAttachmentContents(const QByteArray& contents,
                                                                       const QString& filename)
{
    if (contents.isEmpty() || filename.isEmpty())
        return std::nullopt;
    return attachmentText(TextAttachment{filename, contents, QString()});
}

qsizetype numberOfAttachments(const AttributedString& text)
{
    qsizetype count = 0;
    // Each attachment character holds one attachment, even where equal
    // neighbours share a run.
    text.enumerateAttribute(QString::fromLatin1(attribute::kAttachment), Range{0, text.length()},
                            [&](const QVariant& value, Range range, bool*) {
                                if (!value.isValid())
                                    return;
                                if (value.value<TextAttachment>().isEmailContactCard())
                                    return;
                                count += QStringView(text.string()).mid(range.location, range.length)
                                             .count(QChar(kAttachmentCharacter));
                            });
    return count;
}

QVariant attributeAtIndexLongestEffectiveRange(const AttributedString& text, const QString& name, qsizetype index,
                                               Range* longestEffectiveRange)
{
    return text.attributeAtIndex(name, index, longestEffectiveRange, Range{0, text.length()});
}

bool containsSubstring(const AttributedString& text, const QString& string)
{
    return !string.isEmpty() && text.string().contains(string);
}

QList<AttributedString> lines(const AttributedString& text)
{
    QList<AttributedString> result;
    const QString& units = text.string();
    qsizetype start = 0;
    for (qsizetype i = 0; i < units.size(); ++i) {
        if (!isLineEnd(units.at(i)))
            continue;
        if (units.at(i) == QLatin1Char('\r') && i + 1 < units.size() && units.at(i + 1) == QLatin1Char('\n'))
            ++i;
        result.append(text.attributedSubstringFromRange(Range{start, i + 1 - start}));
        start = i + 1;
    }
    if (start < units.size())
        result.append(text.attributedSubstringFromRange(Range{start, units.size() - start}));
    return result;
}

std::optional<AttributedString> firstLine(const AttributedString& text)
{
    const QString& units = text.string();
    for (qsizetype i = 0; i < units.size(); ++i) {
        if (isLineEnd(units.at(i)))
            return i == 0 ? std::nullopt : std::optional(text.attributedSubstringFromRange(Range{0, i}));
    }
    return units.isEmpty() ? std::nullopt : std::optional(text);
}

std::optional<AttributedString> feedOfLine(const AttributedString& text)
{
    qsizetype start = text.length();
    while (start > 0 && isLineEnd(text.string().at(start - 1)))
        --start;
    if (start == text.length())
        return std::nullopt;
    return text.attributedSubstringFromRange(Range{start, text.length() - start});
}

bool hasFeedOfLine(const AttributedString& text)
{
    return !text.isEmpty() && isLineEnd(text.string().back());
}

QRectF centeredDrawingRect(const QRectF& rect, const QSizeF& textSize, bool horizontally, bool vertically)
{
    if (!(rect.width() > 0 && rect.height() > 0))
        return QRectF();
    QRectF target = rect;
    if (vertically) {
        target.moveTop(rect.y() + std::round((rect.height() - textSize.height()) / 2));
        target.setHeight(std::ceil(textSize.height()));
    }
    if (horizontally && textSize.width() <= std::floor(rect.width())) {
        target.moveLeft(rect.x() + std::round((rect.width() - textSize.width()) / 2));
        target.setWidth(std::ceil(textSize.width()));
    }
    return target;
}

QSizeF sizeOfAttributedString(const AttributedString& text)
{
    QTextDocument document;
    fillDocument(document, text);
    return QSizeF(document.idealWidth(), document.size().height());
}

QSizeF drawInRect(const AttributedString& text, QPainter& painter, const QRectF& rect, bool centeredHorizontally,
                  bool centeredVertically)
{
    if (!(rect.width() > 0 && rect.height() > 0))
        return QSizeF(0, 0);
    QTextDocument document;
    fillDocument(document, text);
    const QSizeF size(document.idealWidth(), document.size().height());
    const QRectF target = centeredDrawingRect(rect, size, centeredHorizontally, centeredVertically);
    document.setTextWidth(target.width());
    painter.save();
    painter.translate(target.topLeft());
    document.drawContents(&painter, QRectF(QPointF(0, 0), target.size()));
    painter.restore();
    return size;
}

QSizeF drawInRect(const AttributedString& text, QPainter& painter, const QRectF& rect, bool centered)
{
    return drawInRect(text, painter, rect, false, centered);
}

} // namespace sorvant
