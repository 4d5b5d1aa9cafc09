#include "web/toolkit/attributed_reformatting.h"

#include "foundation/ligatures.h"
#include "foundation/lines.h"
#include "foundation/mutable_string_edits.h"
#include "foundation/trimming.h"
#include "web/toolkit/attributed_lines.h"
#include "web/toolkit/paragraph_style.h"

#include <QFont>

#include <unicode/unorm2.h>
#include <unicode/utf16.h>

#include <algorithm>
#include <vector>

namespace sorvant {

namespace {

// --- edits as replacements ------------------------------------------------------------

// `length` units at `location` of the text become `text`. An edit is a list
// of these in increasing order, none overlapping another. `sources`, when
// not empty, names for each unit of `text` the unit of the text whose
// attributes it takes.
struct Replacement
{
    Replacement(qsizetype at, qsizetype count, QString units, QList<qsizetype> from = {})
        : location(at), length(count), text(std::move(units)), sources(std::move(from))
    {
    }
    qsizetype location = 0;
    qsizetype length = 0;
    QString text;
    QList<qsizetype> sources;
};

// The runs of a text read front to back: each index asked is at or after
// the one before, so the whole walk is linear.
class RunCursor
{
public:
    explicit RunCursor(const AttributedString& text) : m_runs(text.runs())
    {
        if (!m_runs.isEmpty())
            m_current = m_runs.at(0);
    }

    // The attributes of unit `index` and the end of its run; the reference
    // holds until the next call.
    const QVariantMap& attributesAt(qsizetype index, qsizetype* runEnd)
    {
        while (m_run + 1 < m_runs.size() && m_current.range.maxRange() <= index)
            m_current = m_runs.at(++m_run);
        *runEnd = m_current.range.maxRange();
        return m_current.attributes;
    }

private:
    const AttributedString::RunList& m_runs;
    qsizetype m_run = 0;
    AttributedString::Run m_current;
};

// What replaces the units of `replacement`, with its attributes: by the
// sources when given; else replacing units take those of the units they
// replace, the n-th the n-th's, the ones past the last replaced unit the
// last one's; inserted units those of the unit before (the first unit at
// the start).
AttributedString replacingText(const AttributedString& text, RunCursor& cursor, const Replacement& replacement)
{
    const qsizetype count = replacement.text.size();
    if (count == 0 || text.isEmpty())
        return AttributedString(replacement.text);
    AttributedString result;
    if (!replacement.sources.isEmpty()) {
        for (qsizetype i = 0; i < count; ++i) {
            result.appendAttributedString(
                AttributedString(replacement.text.mid(i, 1), text.attributesAtIndex(replacement.sources.at(i))));
        }
        return result;
    }
    qsizetype runEnd = 0;
    if (replacement.length == 0) {
        const qsizetype before = std::max<qsizetype>(replacement.location - 1, 0);
        return AttributedString(replacement.text, cursor.attributesAt(before, &runEnd));
    }
    const qsizetype last = replacement.location + replacement.length - 1;
    for (qsizetype i = 0; i < count;) {
        const QVariantMap& attributes = cursor.attributesAt(std::min(replacement.location + i, last), &runEnd);
        const qsizetype end = runEnd > last ? count : runEnd - replacement.location;
        result.appendAttributedString(AttributedString(replacement.text.mid(i, end - i), attributes));
        i = end;
    }
    return result;
}

// Applies the replacements in one pass (AttributedString's own one-pass
// edit); kept units keep their attributes, the new ones take those
// replacingText gives them.
void applyReplacements(AttributedString& text, const QList<Replacement>& replacements)
{
    if (replacements.isEmpty())
        return;
    RunCursor cursor(text);
    QList<AttributedReplacement> edits;
    edits.reserve(replacements.size());
    for (const Replacement& replacement : replacements)
        edits.append({Range{replacement.location, replacement.length}, replacingText(text, cursor, replacement)});
    text.beginEditing();
    text.replaceCharactersInRanges(edits);
    text.endEditing();
}

// A replacement of `length` units at `location` by `text`, without the
// units the two share at either end; nothing when they are equal.
void appendChange(QList<Replacement>& replacements, const QString& source, qsizetype location, qsizetype length,
                  const QString& text)
{
    const QStringView old = QStringView(source).mid(location, length);
    if (old == text)
        return;
    qsizetype prefix = 0;
    while (prefix < old.size() && prefix < text.size() && old.at(prefix) == text.at(prefix))
        ++prefix;
    qsizetype suffix = 0;
    while (suffix < old.size() - prefix && suffix < text.size() - prefix
           && old.at(old.size() - 1 - suffix) == text.at(text.size() - 1 - suffix))
        ++suffix;
    replacements.append({location + prefix, length - prefix - suffix, text.mid(prefix, text.size() - prefix - suffix)});
}

// The replacements that turn `before` into `after`: the deleted stretches
// when `after` is `before` with units taken out (the earliest match kept),
// otherwise the stretch between the common start and end.
QList<Replacement> differences(const QString& before, const QString& after)
{
    QList<Replacement> replacements;
    qsizetype j = 0;
    for (qsizetype i = 0; i < before.size(); ++i) {
        if (j < after.size() && before.at(i) == after.at(j)) {
            ++j;
        } else if (!replacements.isEmpty() && replacements.last().location + replacements.last().length == i) {
            ++replacements.last().length;
        } else {
            replacements.append({i, 1, {}});
        }
    }
    if (j == after.size())
        return replacements;
    replacements.clear();
    appendChange(replacements, before, 0, before.size(), after);
    return replacements;
}

const UNormalizer2* icuNormalizer(unicode::NormalizationForm form)
{
    UErrorCode status = U_ZERO_ERROR;
    const UNormalizer2* normalizer = nullptr;
    switch (form) {
    case unicode::NormalizationForm::NFC:
        normalizer = unorm2_getNFCInstance(&status);
        break;
    case unicode::NormalizationForm::NFD:
        normalizer = unorm2_getNFDInstance(&status);
        break;
    case unicode::NormalizationForm::NFKC:
        normalizer = unorm2_getNFKCInstance(&status);
        break;
    case unicode::NormalizationForm::NFKD:
        normalizer = unorm2_getNFKDInstance(&status);
        break;
    }
    return U_SUCCESS(status) ? normalizer : nullptr;
}

// One character of a segment being normalized: the code point, its
// canonical combining class and the text unit whose attributes it takes.
struct NormalizedPoint
{
    UChar32 c = 0;
    uint8_t combiningClass = 0;
    qsizetype source = 0;
};

// Canonical composition: each character joins the last starter before it
// when nothing between blocks it and the pair has a composite, which keeps
// the starter's source.
std::vector<NormalizedPoint> composed(const std::vector<NormalizedPoint>& points, const UNormalizer2* composer)
{
    std::vector<NormalizedPoint> out;
    out.reserve(points.size());
    qsizetype starter = -1;
    uint8_t lastClass = 0;
    for (const NormalizedPoint& point : points) {
        if (starter >= 0) {
            const bool adjacent = qsizetype(out.size()) - 1 == starter;
            if (adjacent || (lastClass != 0 && lastClass < point.combiningClass)) {
                const UChar32 composite = unorm2_composePair(composer, out[size_t(starter)].c, point.c);
                if (composite >= 0) {
                    out[size_t(starter)].c = composite;
                    continue;
                }
            }
        }
        if (point.combiningClass == 0)
            starter = qsizetype(out.size());
        lastClass = point.combiningClass;
        out.push_back(point);
    }
    return out;
}

// The units of `segment` (at `location` of the text) normalized one
// character at a time, with the text unit each takes its attributes from:
// a character decomposes into units that take its own, marks sorted into
// canonical order carry theirs with them, and characters that compose take
// the first one's. Empty when that is not `normalized`, ICU's form of the
// whole segment (which should not happen); the units then pair by position.
QList<qsizetype> normalizedSources(QStringView segment, qsizetype location, unicode::NormalizationForm form,
                                   const QString& normalized)
{
    using unicode::NormalizationForm;
    const bool compatibility = form == NormalizationForm::NFKC || form == NormalizationForm::NFKD;
    UErrorCode status = U_ZERO_ERROR;
    const UNormalizer2* decomposer = compatibility ? unorm2_getNFKDInstance(&status) : unorm2_getNFDInstance(&status);
    const UNormalizer2* composer = icuNormalizer(form);
    if (U_FAILURE(status) || decomposer == nullptr || composer == nullptr)
        return {};
    std::vector<NormalizedPoint> points;
    const auto* units = reinterpret_cast<const UChar*>(segment.utf16());
    const auto length = static_cast<int32_t>(segment.size());
    const auto add = [&](UChar32 c, qsizetype source) {
        points.push_back({c, unorm2_getCombiningClass(decomposer, c), source});
    };
    for (int32_t at = 0; at < length;) {
        const qsizetype source = location + at;
        UChar32 c = 0;
        U16_NEXT(units, at, length, c);
        // No decomposition is longer than 18 units (U+FDFA in the
        // compatibility forms).
        UChar mapping[32];
        status = U_ZERO_ERROR;
        const int32_t produced = unorm2_getDecomposition(decomposer, c, mapping, 32, &status);
        if (U_FAILURE(status))
            return {};
        if (produced < 0) {
            add(c, source);
            continue;
        }
        for (int32_t i = 0; i < produced;) {
            UChar32 part = 0;
            U16_NEXT(mapping, i, produced, part);
            add(part, source);
        }
    }
    for (size_t from = 0; from < points.size();) {
        size_t to = from;
        while (to < points.size() && points[to].combiningClass != 0)
            ++to;
        std::stable_sort(points.begin() + qsizetype(from), points.begin() + qsizetype(to),
                         [](const NormalizedPoint& a, const NormalizedPoint& b) {
                             return a.combiningClass < b.combiningClass;
                         });
        from = to + 1;
    }
    if (form == NormalizationForm::NFC || form == NormalizationForm::NFKC)
        points = composed(points, composer);
    QString result;
    QList<qsizetype> sources;
    for (const NormalizedPoint& point : points) {
        const char32_t c = char32_t(point.c);
        result.append(QChar::fromUcs4(c));
        sources.append(point.source);
        if (QChar::requiresSurrogates(c))
            sources.append(point.source);
    }
    if (result != normalized)
        return {};
    return sources;
}

// A replacement of `length` units at `location` by `text`, whose units take
// the attributes of `sources`, without the units at either end that stay
// where they are.
void appendMappedChange(QList<Replacement>& replacements, const QString& source, qsizetype location,
                        qsizetype length, const QString& text, const QList<qsizetype>& sources)
{
    const auto stays = [&](qsizetype unit, qsizetype at) {
        return text.at(unit) == source.at(at) && sources.at(unit) == at;
    };
    qsizetype prefix = 0;
    while (prefix < length && prefix < text.size() && stays(prefix, location + prefix))
        ++prefix;
    qsizetype suffix = 0;
    while (suffix < length - prefix && suffix < text.size() - prefix
           && stays(text.size() - 1 - suffix, location + length - 1 - suffix))
        ++suffix;
    if (prefix == length && prefix == text.size())
        return;
    const qsizetype count = text.size() - prefix - suffix;
    replacements.append({location + prefix, length - prefix - suffix, text.mid(prefix, count),
                         count > 0 ? sources.mid(prefix, count) : QList<qsizetype>()});
}

// Normalization segment by segment: a segment starts at each character
// that nothing before it can combine with, so normalizing the segments
// one by one gives the normalized text, and each change stays as small as
// the characters that interact.
QList<Replacement> normalizationChanges(const QString& source, unicode::NormalizationForm form)
{
    QList<Replacement> replacements;
    const UNormalizer2* normalizer = icuNormalizer(form);
    if (!normalizer || unicode::isNormalized(source, form))
        return replacements;
    const auto* units = reinterpret_cast<const UChar*>(source.utf16());
    const auto length = static_cast<int32_t>(source.size());
    int32_t start = 0;
    for (int32_t at = 0; at <= length;) {
        int32_t next = at;
        UChar32 c = 0;
        if (at < length)
            U16_NEXT(units, next, length, c);
        if (at == length || (at > start && unorm2_hasBoundaryBefore(normalizer, c))) {
            const QStringView old = QStringView(source).mid(start, at - start);
            QString segment = old.toString();
            sorvant::normalizeString(segment, form);
            if (segment != old) {
                const QList<qsizetype> sources = normalizedSources(old, start, form, segment);
                if (sources.isEmpty())
                    appendChange(replacements, source, start, at - start, segment);
                else
                    appendMappedChange(replacements, source, start, at - start, segment, sources);
            }
            start = at;
        }
        if (at == length)
            break;
        at = next;
    }
    return replacements;
}

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

// Replaces every run of units matching `inClass` by `replacement`, which
// takes the attributes of the run's first unit; a run already equal to the
// replacement is left alone.
void collapseRuns(AttributedString& text, const std::function<bool(unichar)>& inClass, const QString& replacement)
{
    const QString& source = text.string();
    QList<Replacement> runs;
    for (qsizetype start = 0; start < source.size();) {
        if (!inClass(source.at(start).unicode())) {
            ++start;
            continue;
        }
        qsizetype end = start + 1;
        while (end < source.size() && inClass(source.at(end).unicode()))
            ++end;
        if (QStringView(source).mid(start, end - start) != replacement)
            runs.append({start, end - start, replacement});
        start = end;
    }
    applyReplacements(text, runs);
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
    QString after = text.string();
    edit(after);
    if (after != text.string())
        applyReplacements(text, differences(text.string(), after));
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

// The occurrences are those the string edit deletes: from the start, one
// after the other without overlapping.
qsizetype deleteString(AttributedString& text, const QString& target)
{
    QList<Replacement> occurrences;
    if (!target.isEmpty()) {
        const QString& source = text.string();
        for (qsizetype at = source.indexOf(target); at >= 0; at = source.indexOf(target, at + target.size()))
            occurrences.append({at, target.size(), {}});
    }
    applyReplacements(text, occurrences);
    return occurrences.size();
}

void removeCharacterAtIndex(AttributedString& text, qsizetype index)
{
    if (index >= 0 && index < text.length())
        applyReplacements(text, {{index, 1, {}}});
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

// The place is known: the new unit follows the one before it, whatever
// the units around it are.
void insertCharacter(AttributedString& text, unichar c, qsizetype index)
{
    if (index >= 0 && index <= text.length())
        applyReplacements(text, {{index, 0, QString(QChar(c)), {}}});
}

// The columns as the string edit counts them, each tab replaced on its own.
void decodeTabs(AttributedString& text, qsizetype width)
{
    if (width < 1)
        return;
    QList<Replacement> tabs;
    qsizetype column = 0;
    for (qsizetype i = 0; i < text.length(); ++i) {
        const unichar c = text.string().at(i).unicode();
        if (c == u'\t') {
            const qsizetype spaces = width - column % width;
            tabs.append({i, 1, QString(spaces, QLatin1Char(' '))});
            column += spaces;
        } else {
            column = isFeedCharacter(c) ? 0 : column + 1;
        }
    }
    applyReplacements(text, tabs);
}

// Each run of blanks that reaches a tab stop becomes one tab, as the string
// edit does; that tab takes the attributes of the run's first blank.
void encodeTabs(AttributedString& text, qsizetype width)
{
    if (width < 1)
        return;
    const CharacterSetBitmap* spaces = getSpacesBitmap();
    const QString& source = text.string();
    QList<Replacement> runs;
    qsizetype column = 0;
    qsizetype runStart = -1;
    for (qsizetype i = 0; i < source.size(); ++i) {
        const unichar c = source.at(i).unicode();
        if (isFeedCharacter(c)) {
            column = 0;
            runStart = -1;
        } else if (bitmapContains(spaces, c)) {
            if (runStart < 0)
                runStart = i;
            column += c == u'\t' ? width - column % width : 1;
            if (column % width == 0) {
                appendChange(runs, source, runStart, i + 1 - runStart, QStringLiteral("\t"));
                runStart = -1;
            }
        } else {
            runStart = -1;
            ++column;
        }
    }
    applyReplacements(text, runs);
}

qsizetype replaceCharacter(AttributedString& text, unichar target, unichar replacement, bool caseSensitive)
{
    // One character for another keeps every position: each changed unit is
    // replaced on its own.
    QString changed = text.string();
    const qsizetype count = replaceCharacter(changed, target, replacement, caseSensitive);
    QList<Replacement> units;
    for (qsizetype i = 0; i < changed.size(); ++i) {
        if (changed.at(i) != text.string().at(i))
            units.append({i, 1, changed.mid(i, 1)});
    }
    applyReplacements(text, units);
    return count;
}

void normalizeString(AttributedString& text)
{
    normalizeString(text, unicode::NormalizationForm::NFC);
}

void normalizeString(AttributedString& text, unicode::NormalizationForm form)
{
    applyReplacements(text, normalizationChanges(text.string(), form));
}

void removeAttachments(AttributedString& text)
{
    if (!text.containsAttachments())
        return;
    const QString& string = text.string();
    QList<AttributedReplacement> deletions;
    text.enumerateAttribute(QString::fromLatin1(attribute::kAttachment), Range{0, text.length()},
                            [&](const QVariant& value, Range range, bool*) {
                                if (!value.isValid())
                                    return;
                                for (qsizetype i = range.location; i < range.maxRange(); ++i) {
                                    if (string.at(i) != QChar(kAttachmentCharacter))
                                        continue;
                                    if (!deletions.isEmpty() && deletions.last().range.maxRange() == i)
                                        ++deletions.last().range.length;
                                    else
                                        deletions.append({Range{i, 1}, AttributedString()});
                                }
                            });
    text.beginEditing();
    text.replaceCharactersInRanges(deletions);
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
