#include "web/toolkit/attributed_reformatting.h"

#include "foundation/ligatures.h"
#include "foundation/mutable_string_edits.h"
#include "foundation/trimming.h"
#include "web/toolkit/attributed_lines.h"
#include "web/toolkit/paragraph_style.h"

#include <QFont>

namespace sorvant {

namespace {

const QString& paragraphStyleName()
{
    static const QString name = QString::fromLatin1(attribute::kParagraphStyle);
    return name;
}

bool isSpace(unichar c)
{
    return bitmapContains(getSpacesBitmap(), c);
}

bool isWhite(unichar c)
{
    return bitmapContains(getWhiteSpacesBitmap(), c);
}

bool isLineEnd(unichar c)
{
    switch (c) {
    case 0x0003: case 0x000A: case 0x000C: case 0x000D: case 0x2028: case 0x2029: case 0xFEFF:
        return true;
    default:
        return false;
    }
}

// Replaces every run of units matching `inClass` by `replacement`, from the
// end so that earlier positions stay valid; a run already equal to the
// replacement is left alone.
void collapseRuns(AttributedString& text, const std::function<bool(unichar)>& inClass, const QString& replacement)
{
    qsizetype end = text.length();
    while (end > 0) {
        if (!inClass(text.string().at(end - 1).unicode())) {
            --end;
            continue;
        }
        qsizetype start = end - 1;
        while (start > 0 && inClass(text.string().at(start - 1).unicode()))
            --start;
        if (QStringView(text.string()).mid(start, end - start) != replacement)
            text.replaceCharactersInRange(Range{start, end - start}, replacement);
        end = start;
    }
}

void trimWhere(AttributedString& text, const std::function<bool(unichar)>& trimmed)
{
    const Range kept = trimmedRange(text.string(), Range{0, text.length()}, trimmed, TrimEnds::Both);
    text.deleteCharactersInRange(Range{kept.maxRange(), text.length() - kept.maxRange()});
    text.deleteCharactersInRange(Range{0, kept.location});
}

ParagraphStyle paragraphStyleAt(const AttributedString& text, qsizetype index)
{
    const QVariant value = text.attributeAtIndex(paragraphStyleName(), index);
    return value.metaType() == QMetaType::fromType<ParagraphStyle>() ? value.value<ParagraphStyle>() : ParagraphStyle();
}

void setLineHeight(AttributedString& text, double height, double ParagraphStyle::*field)
{
    if (text.isEmpty())
        return;
    ParagraphStyle style = paragraphStyleAt(text, 0);
    style.*field = height;
    text.addAttribute(paragraphStyleName(), QVariant::fromValue(style), Range{0, text.length()});
}

} // namespace

ParagraphStyle defaultParagraphStyleWithWordWrapping()
{
    return ParagraphStyle();
}

ParagraphStyle defaultParagraphStyleWithTabStopInterval(double interval, int count)
{
    ParagraphStyle style;
    style.tabStops.clear();
    for (int i = 1; i <= count; ++i)
        style.tabStops.append(interval * i);
    return style;
}

void applyStringEdit(AttributedString& text, const std::function<void(QString&)>& edit)
{
    const QString before = text.string();
    QString after = before;
    edit(after);
    if (after == before)
        return;
    // Deletions only: the result is a subsequence of the text.
    QList<qsizetype> deleted;
    qsizetype j = 0;
    for (qsizetype i = 0; i < before.size(); ++i) {
        if (j < after.size() && before.at(i) == after.at(j))
            ++j;
        else
            deleted.append(i);
    }
    text.beginEditing();
    if (j == after.size()) {
        for (qsizetype k = deleted.size() - 1; k >= 0;) {
            qsizetype first = k;
            while (first > 0 && deleted[first - 1] == deleted[first] - 1)
                --first;
            text.deleteCharactersInRange(Range{deleted[first], deleted[k] - deleted[first] + 1});
            k = first - 1;
        }
    } else {
        qsizetype prefix = 0;
        while (prefix < before.size() && prefix < after.size() && before.at(prefix) == after.at(prefix))
            ++prefix;
        qsizetype suffix = 0;
        while (suffix < before.size() - prefix && suffix < after.size() - prefix
               && before.at(before.size() - 1 - suffix) == after.at(after.size() - 1 - suffix))
            ++suffix;
        text.replaceCharactersInRange(Range{prefix, before.size() - prefix - suffix},
                                      after.mid(prefix, after.size() - prefix - suffix));
    }
    text.endEditing();
}

void appendSubstring(AttributedString& text, const QString& source, Range range)
{
    applyStringEdit(text, [&](QString& s) { appendSubstring(s, source, range); });
}

void appendUnichars(AttributedString& text, const unichar* units, qsizetype length)
{
    applyStringEdit(text, [&](QString& s) { appendUnichars(s, units, length); });
}

void appendUnichar(AttributedString& text, unichar c)
{
    applyStringEdit(text, [&](QString& s) { appendUnichar(s, c); });
}

void appendTrimmedString(AttributedString& text, const QString& string)
{
    applyStringEdit(text, [&](QString& s) { appendTrimmedString(s, string); });
}

qsizetype deleteString(AttributedString& text, const QString& target)
{
    qsizetype count = 0;
    applyStringEdit(text, [&](QString& s) { count = deleteString(s, target); });
    return count;
}

void removeCharacterAtIndex(AttributedString& text, qsizetype index)
{
    applyStringEdit(text, [&](QString& s) { removeCharacterAtIndex(s, index); });
}

void removeCharacters(AttributedString& text, unichar c)
{
    applyStringEdit(text, [&](QString& s) { removeCharacters(s, c); });
}

void removeCharactersOfString(AttributedString& text, const QString& characters)
{
    applyStringEdit(text, [&](QString& s) { removeCharactersOfString(s, characters); });
}

void removeFeeds(AttributedString& text)
{
    applyStringEdit(text, [](QString& s) { removeFeeds(s); });
}

void removeTabs(AttributedString& text)
{
    applyStringEdit(text, [](QString& s) { removeTabs(s); });
}

void removeSpaces(AttributedString& text)
{
    applyStringEdit(text, [](QString& s) { removeSpaces(s); });
}

void removeWhiteSpaces(AttributedString& text)
{
    applyStringEdit(text, [](QString& s) { removeWhiteSpaces(s); });
}

void trimCharacter(AttributedString& text, unichar c)
{
    applyStringEdit(text, [&](QString& s) { trimCharacter(s, c); });
}

void trimPrefixCharacter(AttributedString& text, unichar c)
{
    applyStringEdit(text, [&](QString& s) { trimPrefixCharacter(s, c); });
}

void trimSuffixCharacter(AttributedString& text, unichar c)
{
    applyStringEdit(text, [&](QString& s) { trimSuffixCharacter(s, c); });
}

void trimFeeds(AttributedString& text)
{
    applyStringEdit(text, [](QString& s) { trimFeeds(s); });
}

void insertCharacter(AttributedString& text, unichar c, qsizetype index)
{
    applyStringEdit(text, [&](QString& s) { insertCharacter(s, c, index); });
}

void decodeTabs(AttributedString& text, qsizetype width)
{
    applyStringEdit(text, [&](QString& s) { decodeTabs(s, width); });
}

void encodeTabs(AttributedString& text, qsizetype width)
{
    applyStringEdit(text, [&](QString& s) { encodeTabs(s, width); });
}

qsizetype replaceCharacter(AttributedString& text, unichar target, unichar replacement, bool caseSensitive)
{
    // One character for another keeps every position: set them one by one.
    qsizetype count = 0;
    QString changed = text.string();
    count = replaceCharacter(changed, target, replacement, caseSensitive);
    if (count == 0)
        return 0;
    text.beginEditing();
    for (qsizetype i = 0; i < changed.size(); ++i) {
        if (changed.at(i) != text.string().at(i))
            text.replaceCharactersInRange(Range{i, 1}, changed.mid(i, 1));
    }
    text.endEditing();
    return count;
}

void normalizeString(AttributedString& text)
{
    normalizeString(text, unicode::NormalizationForm::NFC);
}

void normalizeString(AttributedString& text, unicode::NormalizationForm form)
{
    applyStringEdit(text, [form](QString& s) { sorvant::normalizeString(s, form); });
}

void removeAttachments(AttributedString& text)
{
    if (!text.containsAttachments())
        return;
    text.beginEditing();
    QList<Range> attached;
    text.enumerateAttribute(QString::fromLatin1(attribute::kAttachment), Range{0, text.length()},
                            [&](const QVariant& value, Range range, bool*) {
                                if (value.isValid())
                                    attached.append(range);
                            });
    for (qsizetype r = attached.size() - 1; r >= 0; --r) {
        for (qsizetype i = attached[r].maxRange() - 1; i >= attached[r].location; --i) {
            if (text.string().at(i) == QChar(kAttachmentCharacter))
                text.deleteCharactersInRange(Range{i, 1});
        }
    }
    text.endEditing();
}

void removeLinks(AttributedString& text)
{
    text.beginEditing();
    QList<Range> links;
    text.enumerateAttribute(QString::fromLatin1(attribute::kLink), Range{0, text.length()},
                            [&](const QVariant& value, Range range, bool*) {
                                if (value.isValid())
                                    links.append(range);
                            });
    for (const Range range : links) {
        for (const char* name : {attribute::kLink, attribute::kUnderlineStyle, attribute::kForegroundColor})
            text.removeAttribute(QString::fromLatin1(name), range);
    }
    text.endEditing();
}

void removeAttribute(AttributedString& text, const QString& name)
{
    if (name.isNull())
        return;
    text.beginEditing();
    text.removeAttribute(name, Range{0, text.length()});
    text.endEditing();
}

void _changeCase(AttributedString& text, int mode)
{
    if (mode < 0 || mode > 2)
        return;
    // The changed text is built run after run and put in once: replacing
    // run by run would move every later run each time.
    AttributedString changed;
    bool anyChange = false;
    for (const AttributedString::Run& run : text.runs()) {
        QString part = text.string().mid(run.range.location, run.range.length);
        const QString original = part;
        if (mode == 0)
            uppercase(part);
        else if (mode == 1)
            lowercase(part);
        else
            capitalize(part);
        anyChange = anyChange || part != original;
        changed.appendAttributedString(AttributedString(part, run.attributes));
    }
    if (!anyChange)
        return;
    text.beginEditing();
    text.replaceCharactersInRange(Range{0, text.length()}, changed);
    text.endEditing();
}

void uppercase(AttributedString& text)
{
    _changeCase(text, 0);
}

void lowercase(AttributedString& text)
{
    _changeCase(text, 1);
}

void capitalize(AttributedString& text)
{
    _changeCase(text, 2);
}

void removeMultipleSpaces(AttributedString& text)
{
    collapseRuns(text, isSpace, QStringLiteral(" "));
}

void removeMultipleWhiteSpaces(AttributedString& text)
{
    // Attachment characters are part of the white-spaces class but are
    // content here: collapsing them would lose the attachments.
    collapseRuns(text, [](unichar c) { return isWhite(c) && c != kAttachmentCharacter; }, QStringLiteral(" "));
}

void removeMultipleFeeds(AttributedString& text)
{
    collapseRuns(text, isLineEnd, QStringLiteral("\n"));
}

void trimWhiteSpacesAndAttachments(AttributedString& text, bool attachments)
{
    trimWhere(text, [&](unichar c) { return isWhite(c) && (attachments || c != kAttachmentCharacter); });
}

void trimWhiteSpaces(AttributedString& text)
{
    trimWhiteSpacesAndAttachments(text, true);
}

bool trimForReformatting(AttributedString& text)
{
    collapseRuns(text, [](unichar c) { return isSpace(c) || c == kAttachmentCharacter; }, QStringLiteral(" "));
    for (const QChar c : text.string()) {
        if (!isWhite(c.unicode()) && c != QChar(kAttachmentCharacter))
            return true;
    }
    return false;
}

// Reflow: lines that end in white space only are dropped and start a new
// paragraph; a line joins the one before with a space unless its font size
// or boldness differs (then "\n", or "\n\n" when it is 2 points or more
// larger) or the line before asked for a new paragraph (paragraph spacing
// above 1, or 121 characters or more not ending in a line separator).
AttributedString reformattedAttributedStringByRemovingCharactersOfString(const AttributedString& text,
                                                                         const QString& characters)
{
    AttributedString result;
    result.beginEditing();
    bool newParagraph = false;
    bool first = true;
    double previousSize = 0;
    bool previousBold = false;
    for (AttributedString line : lines(text)) {
        if (!characters.isEmpty())
            removeCharactersOfString(line, characters);
        if (!trimForReformatting(line)) {
            newParagraph = !first;
            continue;
        }
        const QVariant fontValue = line.attributeAtIndex(QString::fromLatin1(attribute::kFont), 0);
        const QFont font = fontValue.metaType() == QMetaType::fromType<QFont>() ? fontValue.value<QFont>() : QFont();
        const double size = fontValue.isValid() ? font.pointSizeF() : 12.0;
        const bool bold = fontValue.isValid() && font.bold();
        ParagraphStyle style = paragraphStyleAt(line, 0);
        const double spacing = style.paragraphSpacing;
        style.paragraphSpacing = 0;
        style.paragraphSpacingBefore = 0;
        line.addAttribute(paragraphStyleName(), QVariant::fromValue(style), Range{0, line.length()});
        if (!first) {
            QString separator = QStringLiteral(" ");
            if (newParagraph)
                separator = QStringLiteral("\n\n");
            else if (size != previousSize || bold != previousBold)
                separator = size < previousSize + 2.0 ? QStringLiteral("\n") : QStringLiteral("\n\n");
            result.appendString(separator);
        }
        newParagraph = spacing > 1.0 || (line.length() >= 121 && line.string().back() != QChar(0x2028));
        trimWhiteSpacesAndAttachments(line, true);
        result.appendAttributedString(line);
        first = false;
        previousSize = size;
        previousBold = bold;
    }
    result.endEditing();
    return result;
}

void setMinimumLineHeight(AttributedString& text, double height)
{
    setLineHeight(text, height, &ParagraphStyle::minimumLineHeight);
}

void setMaximumLineHeight(AttributedString& text, double height)
{
    setLineHeight(text, height, &ParagraphStyle::maximumLineHeight);
}

} // namespace sorvant
