#include "web/toolkit/attributed_editing.h"

#include "foundation/string_format.h"
#include "platform/url.h"
#include "platform/string_compare.h"

#include <QUrl>

namespace sorvant {

namespace {

constexpr unsigned kIgnoreCase = 1;

Range wholeText(const AttributedString& text)
{
    return Range{0, text.length()};
}

// Replaces every occurrence of `target` in one pass; `replacing` gives what
// goes over each found range. The edits never change the text that a later
// search reads (it resumes after the inserted text, that is after the
// found range), so all are found first in the text as it stands.
qsizetype replaceOccurrences(AttributedString& text, const QString& target, bool caseSensitive,
                             const std::function<AttributedString(Range)>& replacing)
{
    if (target.isEmpty())
        return 0;
    QList<AttributedReplacement> edits;
    const QString& source = text.string();
    for (qsizetype from = 0; from <= source.size();) {
        const Range hit = findString(source, target, Range{from, source.size() - from},
                                     caseSensitive ? 0 : kIgnoreCase);
        if (hit.isMissing() || hit.length == 0)
            break;
        edits.append({hit, replacing(hit)});
        from = hit.maxRange();
    }
    text.beginEditing();
    text.replaceCharactersInRanges(edits);
    text.endEditing();
    return edits.size();
}

} // namespace

QString textOfLink(const QString& description, const QVariant& link)
{
    if (!description.isEmpty())
        return description;
    if (link.metaType() == QMetaType::fromType<QUrl>())
        return link.toUrl().toString(QUrl::FullyEncoded);
    if (link.metaType() == QMetaType::fromType<URL>())
        return link.value<URL>().absoluteString();
    if (link.metaType() == QMetaType::fromType<QString>())
        return link.toString();
    return link.isValid() ? describeFormatArgument(link) : QString();
}

QVariantMap linkAttributes(const QVariant& link)
{
    return QVariantMap{{QString::fromLatin1(attribute::kForegroundColor), QVariant::fromValue(screenLinkColor())},
                       {QString::fromLatin1(attribute::kUnderlineStyle), 1},
                       {QString::fromLatin1(attribute::kLink), link}};
}

void insertString(AttributedString& text, const QString& string, qsizetype index)
{
    text.insertString(string, index);
}

void insertString(AttributedString& text, const AttributedString& string, qsizetype index)
{
    text.insertAttributedString(string, index);
}

void insertString(AttributedString& text, const QVariant& value, qsizetype index)
{
    if (value.metaType() == QMetaType::fromType<AttributedString>())
        text.insertAttributedString(value.value<AttributedString>(), index);
    else if (value.metaType() == QMetaType::fromType<QString>())
        text.insertString(value.toString(), index);
    else
        text.insertString(describeFormatArgument(value), index);
}

void appendString(AttributedString& text, const QString& string)
{
    if (!string.isNull())
        text.appendString(string);
}

void appendString(AttributedString& text, const AttributedString& string)
{
    text.appendAttributedString(string);
}

void setString(AttributedString& text, const QString& string)
{
    text.setString(string);
}

void setString(AttributedString& text, const AttributedString& string)
{
    text.setAttributedString(string);
}

void appendFormat(AttributedString& text, const QString& format, const QVariantList& arguments)
{
    if (!format.isNull())
        text.appendString(stringWithFormat(format, arguments));
}

void insertString(AttributedString& text, const QString& string, qsizetype index, const QVariantMap& attributes)
{
    text.insertAttributedString(AttributedString(string, attributes), index);
}

void setString(AttributedString& text, const QString& string, const QVariantMap& attributes)
{
    text.setAttributedString(AttributedString(string, attributes));
}

void appendString(AttributedString& text, const QString& string, const QVariantMap& attributes)
{
    if (string.isEmpty())
        return;
    text.beginEditing();
    const qsizetype start = text.length();
    text.appendString(string);
    text.setAttributes(attributes, Range{start, string.size()});
    text.endEditing();
}

void attributesAppendFormat(AttributedString& text, const QVariantMap& attributes, const QString& format,
                            const QVariantList& arguments)
{
    if (!format.isNull())
        appendString(text, stringWithFormat(format, arguments), attributes);
}

void insertStringAsLink(AttributedString& text, const QString& string, qsizetype index)
{
    insertString(text, string, index, linkAttributes(string));
}

void appendStringAsLink(AttributedString& text, const QString& string, const Color& backgroundColor)
{
    QVariantMap attributes = linkAttributes(string);
    if (!backgroundColor.isNull())
        attributes.insert(QString::fromLatin1(attribute::kBackgroundColor), QVariant::fromValue(backgroundColor));
    appendString(text, string, attributes);
}

namespace {

QVariantMap explicitLinkAttributes(const QVariant& link, const QVariant& font, const Color& color, bool underlined,
                                   const Color& backgroundColor)
{
    QVariantMap attributes;
    if (!link.isValid())
        return attributes;
    attributes.insert(QString::fromLatin1(attribute::kLink), link);
    attributes.insert(QString::fromLatin1(attribute::kUnderlineStyle), underlined ? 1 : 0);
    if (!font.isValid())
        return attributes;
    attributes.insert(QString::fromLatin1(attribute::kFont), font);
    if (color.isNull())
        return attributes;
    attributes.insert(QString::fromLatin1(attribute::kForegroundColor), QVariant::fromValue(color));
    if (!backgroundColor.isNull())
        attributes.insert(QString::fromLatin1(attribute::kBackgroundColor), QVariant::fromValue(backgroundColor));
    return attributes;
}

} // namespace

void insertStringWithLink(AttributedString& text, const QString& string, const QVariant& link, const QVariant& font,
                          const Color& color, bool underlined, const Color& backgroundColor, qsizetype index)
{
    insertString(text, string, index, explicitLinkAttributes(link, font, color, underlined, backgroundColor));
}

void appendStringWithLink(AttributedString& text, const QString& string, const QVariant& link, const QVariant& font,
                          const Color& color, bool underlined, const Color& backgroundColor)
{
    appendString(text, string, explicitLinkAttributes(link, font, color, underlined, backgroundColor));
}

void setAttribute(AttributedString& text, const QVariant& value, const QString& name, Range range)
{
    if (name.isNull())
        return;
    text.addAttribute(name, value, clippedRange(range, text.length()));
}

void overrideAttributes(AttributedString& text, const QVariantMap& attributes, Range range)
{
    if (attributes.isEmpty())
        return;
    text.addAttributes(attributes, clippedRange(range, text.length()));
}

void overrideAttributes(AttributedString& text, const QVariantMap& attributes)
{
    overrideAttributes(text, attributes, wholeText(text));
}

void removeAllAttributesExcept(AttributedString& text, const QStringList& names, Range range)
{
    range = clippedRange(range, text.length());
    if (names.isEmpty())
        text.setAttributes(QVariantMap(), range);
    else
        text.removeAttributesExcept(names, range);
}

void removeAllAttributesExcept(AttributedString& text, const QStringList& names)
{
    removeAllAttributesExcept(text, names, wholeText(text));
}

// Each replacement takes the attributes of the first unit it replaces, as
// a plain string put over a range does.
qsizetype replaceString(AttributedString& text, const QString& target, const QString& replacement, bool caseSensitive)
{
    return replaceOccurrences(text, target, caseSensitive, [&](Range hit) {
        return AttributedString(replacement, text.attributesAtIndex(hit.location));
    });
}

qsizetype replaceStringWithLink(AttributedString& text, const QString& target, const QVariant& link,
                                const QString& description, bool caseSensitive)
{
    if (!link.isValid())
        return 0;
    const QString shown = textOfLink(description, link);
    const QString name = QString::fromLatin1(attribute::kLink);
    return replaceOccurrences(text, target, caseSensitive, [&](Range hit) {
        QVariantMap attributes = text.attributesAtIndex(hit.location);
        attributes.insert(name, link);
        return AttributedString(shown, attributes);
    });
}

qsizetype replaceStringWithAttributedString(AttributedString& text, const QString& target,
                                            const AttributedString& replacement, bool caseSensitive)
{
    const QString paragraphStyle = QString::fromLatin1(attribute::kParagraphStyle);
    return replaceOccurrences(text, target, caseSensitive, [&](Range hit) {
        AttributedString styled = replacement;
        styled.addAttribute(paragraphStyle, text.attributeAtIndex(paragraphStyle, hit.location),
                            Range{0, styled.length()});
        return styled;
    });
}

} // namespace sorvant
