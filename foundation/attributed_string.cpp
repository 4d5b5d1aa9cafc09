#include "foundation/attributed_string.h"

#include "foundation/color.h"
#include "platform/scan_work.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <new>

namespace sorvant {

namespace {

// `range` cut to `limit`; both are inside the text.
Range intersection(Range range, Range limit)
{
    const qsizetype start = std::max(range.location, limit.location);
    const qsizetype end = std::min(range.maxRange(), limit.maxRange());
    return end > start ? Range{start, end - start} : Range{start, 0};
}

// Sets every entry of `entries` in `attributes`; an invalid value removes
// that name.
void overrideEntries(QVariantMap& attributes, const QVariantMap& entries)
{
    for (auto entry = entries.cbegin(); entry != entries.cend(); ++entry) {
        if (entry.value().isValid())
            attributes.insert(entry.key(), entry.value());
        else
            attributes.remove(entry.key());
    }
}

QString describeValue(const QVariant& value)
{
    if (!value.isValid())
        return QStringLiteral("nil");
    if (value.metaType() == QMetaType::fromType<Color>())
        return value.value<Color>().description();
    if (value.canConvert<QString>())
        return value.toString();
    return QString::fromLatin1(value.typeName());
}

} // namespace

AttributedString::AttributedString(const QString& string, const QVariantMap& attributes)
    : m_string(string.isNull() ? QStringLiteral("") : string)
{
    if (!m_string.isEmpty())
        m_runs.append(Run{{0, m_string.size()}, attributes});
}

void AttributedString::RunList::moveGapTo(qsizetype index)
{
    // A run is relocatable (see Q_DECLARE_TYPEINFO below), so the runs
    // between the gap and `index` cross it as bytes, in one move; the places
    // they leave become empty runs again without being destroyed. A run
    // that crosses takes or gives up the shift of the runs after the gap.
    const qsizetype count = std::abs(index - m_gapAt);
    if (count == 0)
        return;
    countScanWork(count);
    Run* places = m_slots.data();
    Run* moved = nullptr;
    qsizetype shift = m_tailShift;
    if (index < m_gapAt) {
        moved = places + index + m_gapSize;
        std::memmove(static_cast<void*>(moved), static_cast<const void*>(places + index), sizeof(Run) * size_t(count));
        shift = -shift;
    } else {
        moved = places + m_gapAt;
        std::memmove(static_cast<void*>(moved), static_cast<const void*>(places + m_gapAt + m_gapSize),
                     sizeof(Run) * size_t(count));
    }
    // Attribute changes leave the shift at 0, and cost only the move.
    if (shift != 0) {
        for (Run* run = moved; run < moved + count; ++run)
            run->range.location += shift;
    }
    // Of the new gap, only the places the moved runs left (at its start
    // when it moved down, at its end when it moved up) hold stale bytes.
    const qsizetype stale = std::min(count, m_gapSize);
    const qsizetype from = index < m_gapAt ? index : index + m_gapSize - stale;
    m_gapAt = index;
    for (qsizetype at = from; at < from + stale; ++at)
        new (places + at) Run();
    if (m_gapAt + m_gapSize == m_slots.size())
        m_tailShift = 0;
}

void AttributedString::RunList::insert(qsizetype index, Run run)
{
    if (m_gapSize == 0) {
        // A new gap in proportion to the list, so the list is moved to make
        // one only once per so many insertions; a text of one run keeps
        // one place.
        const qsizetype grown = std::max<qsizetype>(1, size() / 2);
        countScanWork(size() - m_gapAt + grown);
        m_slots.insert(m_gapAt, grown, Run());
        m_gapSize = grown;
    }
    moveGapTo(index);
    m_slots[m_gapAt++] = std::move(run);
    --m_gapSize;
}

void AttributedString::RunList::remove(qsizetype index, qsizetype count)
{
    if (count <= 0)
        return;
    moveGapTo(index);
    for (qsizetype at = 0; at < count; ++at)
        m_slots[m_gapAt + m_gapSize + at] = Run();
    m_gapSize += count;
    if (m_gapAt + m_gapSize == m_slots.size())
        m_tailShift = 0;
}

void AttributedString::RunList::setLocation(qsizetype index, qsizetype location)
{
    slot(index).range.location = index < m_gapAt ? location : location - m_tailShift;
}

qsizetype AttributedString::runIndexAt(qsizetype index) const
{
    // The last run that starts at or before `index`.
    qsizetype low = 0;
    qsizetype high = m_runs.size();
    while (low < high) {
        const qsizetype middle = low + (high - low) / 2;
        if (m_runs.locationAt(middle) <= index)
            low = middle + 1;
        else
            high = middle;
    }
    return low - 1;
}

QVariantMap AttributedString::attributesAtIndex(qsizetype index, Range* effectiveRange) const
{
    return attributesAtIndex(index, effectiveRange, Range{0, length()});
}

QVariantMap AttributedString::attributesAtIndex(qsizetype index, Range* longestEffectiveRange,
                                                Range rangeLimit) const
{
    if (index < 0 || index >= length()) {
        if (longestEffectiveRange)
            *longestEffectiveRange = kMissingRange;
        return {};
    }
    const qsizetype at = runIndexAt(index);
    if (longestEffectiveRange) {
        const Range run{m_runs.locationAt(at), m_runs.slot(at).range.length};
        const Range limit = clippedRange(rangeLimit, length());
        // An index outside the limit still answers its own run, as a
        // limit that does not hold the index cannot cut anything sensible.
        *longestEffectiveRange = limit.contains(index) ? intersection(run, limit) : run;
    }
    return m_runs.attributesAt(at);
}

QVariant AttributedString::attributeAtIndex(const QString& name, qsizetype index, Range* effectiveRange) const
{
    return attributeAtIndex(name, index, effectiveRange, Range{0, length()});
}

QVariant AttributedString::attributeAtIndex(const QString& name, qsizetype index, Range* longestEffectiveRange,
                                            Range rangeLimit) const
{
    if (index < 0 || index >= length()) {
        if (longestEffectiveRange)
            *longestEffectiveRange = kMissingRange;
        return {};
    }
    const qsizetype at = runIndexAt(index);
    const QVariant value = m_runs.attributesAt(at).value(name);
    if (longestEffectiveRange) {
        // Neighbouring runs differ, but maybe not in this attribute.
        qsizetype first = at, last = at;
        while (first > 0 && m_runs.attributesAt(first - 1).value(name) == value)
            --first;
        while (last + 1 < m_runs.size() && m_runs.attributesAt(last + 1).value(name) == value)
            ++last;
        const Range whole{m_runs.locationAt(first), m_runs.endAt(last) - m_runs.locationAt(first)};
        const Range limit = clippedRange(rangeLimit, length());
        *longestEffectiveRange = limit.contains(index) ? intersection(whole, limit) : whole;
    }
    return value;
}

bool AttributedString::containsAttribute(const QString& name) const
{
    for (qsizetype at = 0; at < m_runs.size(); ++at) {
        if (m_runs.attributesAt(at).contains(name))
            return true;
    }
    return false;
}

void AttributedString::enumerateAttributesInRange(
    Range range, const std::function<void(const QVariantMap&, Range, bool* stop)>& visit) const
{
    const Range limit = clippedRange(range, length());
    if (limit.length == 0)
        return;
    bool stop = false;
    for (qsizetype at = runIndexAt(limit.location); at < m_runs.size() && !stop; ++at) {
        const Range part = intersection(Range{m_runs.locationAt(at), m_runs.slot(at).range.length}, limit);
        if (part.length == 0)
            break;
        visit(m_runs.attributesAt(at), part, &stop);
    }
}

void AttributedString::enumerateAttribute(const QString& name, Range range,
                                          const std::function<void(const QVariant&, Range, bool* stop)>& visit) const
{
    const Range limit = clippedRange(range, length());
    bool stop = false;
    for (qsizetype at = limit.location; at < limit.maxRange() && !stop;) {
        Range part;
        const QVariant value = attributeAtIndex(name, at, &part, limit);
        visit(value, part, &stop);
        at = part.maxRange();
    }
}

AttributedString AttributedString::attributedSubstringFromRange(Range range) const
{
    const Range limit = clippedRange(range, length());
    AttributedString result;
    result.m_string = m_string.mid(limit.location, limit.length);
    enumerateAttributesInRange(limit, [&](const QVariantMap& attributes, Range part, bool*) {
        result.m_runs.append(Run{{part.location - limit.location, part.length}, attributes});
    });
    return result;
}

qsizetype AttributedString::splitAt(qsizetype at)
{
    if (at >= length())
        return m_runs.size();
    const qsizetype index = runIndexAt(at);
    const qsizetype location = m_runs.locationAt(index);
    if (location == at)
        return index;
    Run& run = m_runs.slot(index);
    Run tail{{at, location + run.range.length - at}, run.attributes};
    run.range.length = at - location;
    countScanWork(1);
    m_runs.insert(index + 1, std::move(tail));
    return index + 1;
}

void AttributedString::changeAttributes(Range range, const std::function<void(QVariantMap&)>& change)
{
    const Range limit = clippedRange(range, length());
    if (limit.length == 0)
        return;
    const qsizetype first = splitAt(limit.location);
    const qsizetype end = splitAt(limit.maxRange());
    for (qsizetype at = first; at < end; ++at)
        change(m_runs.slot(at).attributes);
    // Lengths are unchanged, so only the changed runs and their two
    // neighbours can have become equal to the run beside them. They are
    // merged in one compacting pass, the rest of the list moved once.
    const qsizetype from = std::max<qsizetype>(first, 1);
    const qsizetype last = std::min<qsizetype>(end, m_runs.size() - 1);
    if (from > last)
        return;
    countScanWork(last - from + 1);
    qsizetype kept = from - 1;
    for (qsizetype at = from; at <= last; ++at) {
        if (m_runs.attributesAt(kept) == m_runs.attributesAt(at)) {
            m_runs.slot(kept).range.length += m_runs.slot(at).range.length;
        } else if (++kept != at) {
            // Field by field: the two places may lie on either side of the
            // gap, where locations are kept differently.
            Run& moved = m_runs.slot(at);
            Run& into = m_runs.slot(kept);
            into.attributes = std::move(moved.attributes);
            into.range.length = moved.range.length;
            m_runs.setLocation(kept, m_runs.endAt(kept - 1));
        }
    }
    m_runs.remove(kept + 1, last - kept);
}

void AttributedString::changeAttributesInRanges(QList<Range> ranges, const std::function<void(QVariantMap&)>& change)
{
    // Clipped, in text order, overlapping and touching ranges joined: the
    // change is the same everywhere and applying it twice changes nothing
    // more, so this is the union of the ranges.
    for (Range& range : ranges)
        range = clippedRange(range, length());
    ranges.removeIf([](Range range) { return range.length == 0; });
    if (ranges.isEmpty())
        return;
    std::sort(ranges.begin(), ranges.end(),
              [](Range a, Range b) { return a.location < b.location; });
    qsizetype joined = 0;
    for (qsizetype at = 1; at < ranges.size(); ++at) {
        Range& last = ranges[joined];
        if (ranges.at(at).location <= last.maxRange())
            last.length = std::max(last.maxRange(), ranges.at(at).maxRange()) - last.location;
        else
            ranges[++joined] = ranges.at(at);
    }
    ranges.resize(joined + 1);
    if (ranges.size() == 1) {
        changeAttributes(ranges.first(), change);
        return;
    }
    // One walk over the runs and the ranges builds the new list, merging
    // each piece into the one before it when their dictionaries are equal.
    QList<Run> runs;
    runs.reserve(m_runs.size() + 2 * ranges.size());
    auto append = [&runs](qsizetype location, qsizetype length, QVariantMap attributes) {
        if (!runs.isEmpty() && runs.last().attributes == attributes)
            runs.last().range.length += length;
        else
            runs.append(Run{{location, length}, std::move(attributes)});
    };
    countScanWork(m_runs.size() + ranges.size());
    // Runs that share one dictionary get one changed dictionary, shared
    // in turn: a plain text with many ranges keeps two maps, not one a
    // range.
    QVariantMap lastSource;
    QVariantMap lastChanged;
    bool haveChanged = false;
    qsizetype next = 0;
    for (const Run& run : std::as_const(m_runs)) {
        qsizetype at = run.range.location;
        const qsizetype end = run.range.maxRange();
        while (at < end) {
            while (next < ranges.size() && ranges.at(next).maxRange() <= at)
                ++next;
            if (next == ranges.size() || ranges.at(next).location >= end) {
                append(at, end - at, run.attributes);
                break;
            }
            const Range inside = ranges.at(next);
            if (inside.location > at) {
                append(at, inside.location - at, run.attributes);
                at = inside.location;
            }
            const qsizetype stop = std::min(end, inside.maxRange());
            if (!haveChanged || !run.attributes.isSharedWith(lastSource)) {
                lastSource = run.attributes;
                lastChanged = run.attributes;
                change(lastChanged);
                haveChanged = true;
            }
            append(at, stop - at, lastChanged);
            at = stop;
        }
    }
    m_runs = RunList(std::move(runs));
}

void AttributedString::setAttributes(const QVariantMap& attributes, Range range)
{
    changeAttributes(range, [&](QVariantMap& existing) { existing = attributes; });
}

void AttributedString::addAttribute(const QString& name, const QVariant& value, Range range)
{
    changeAttributes(range, [&](QVariantMap& existing) {
        if (value.isValid())
            existing.insert(name, value);
        else
            existing.remove(name);
    });
}

void AttributedString::addAttributes(const QVariantMap& attributes, Range range)
{
    if (attributes.isEmpty())
        return;
    changeAttributes(range, [&](QVariantMap& existing) { overrideEntries(existing, attributes); });
}

void AttributedString::addAttributesInRanges(const QVariantMap& attributes, const QList<Range>& ranges)
{
    if (attributes.isEmpty())
        return;
    changeAttributesInRanges(ranges, [&](QVariantMap& existing) { overrideEntries(existing, attributes); });
}

void AttributedString::removeAttribute(const QString& name, Range range)
{
    changeAttributes(range, [&](QVariantMap& existing) { existing.remove(name); });
}

void AttributedString::removeAttributesExcept(const QStringList& names, Range range)
{
    changeAttributes(range, [&](QVariantMap& existing) {
        for (auto entry = existing.begin(); entry != existing.end();) {
            if (names.contains(entry.key()))
                ++entry;
            else
                entry = existing.erase(entry);
        }
    });
}

void AttributedString::replaceCharactersInRange(Range range, const QString& string)
{
    const Range limit = clippedRange(range, length());
    QVariantMap inherited;
    if (limit.length > 0)
        inherited = m_runs.attributesAt(runIndexAt(limit.location));
    else if (limit.location > 0)
        inherited = m_runs.attributesAt(runIndexAt(limit.location - 1));
    else if (!isEmpty())
        inherited = m_runs.attributesAt(0);
    replaceCharactersInRange(limit, AttributedString(string, inherited));
}

void AttributedString::replaceCharactersInRange(Range range, const AttributedString& string)
{
    const Range limit = clippedRange(range, length());
    if (limit.length == 0 && string.isEmpty())
        return;
    // Copy first: `string` may be this very object.
    const AttributedString inserted = string;
    const qsizetype first = splitAt(limit.location);
    const qsizetype end = splitAt(limit.maxRange());
    m_runs.remove(first, end - first);
    // The runs after the edit move by its change in length all at once;
    // the new ones go in before them, at the gap.
    m_runs.shiftFrom(first, inserted.length() - limit.length);
    countScanWork(inserted.m_runs.size() + 1);
    qsizetype location = limit.location;
    for (qsizetype at = 0; at < inserted.m_runs.size(); ++at) {
        const Run& run = inserted.m_runs.slot(at);
        m_runs.insert(first + at, Run{{location, run.range.length}, run.attributes});
        location += run.range.length;
    }
    // An insertion or a deletion moves the units after it in place, where
    // a replacement of another length builds the string anew.
    if (limit.length == 0)
        m_string.insert(limit.location, inserted.m_string);
    else if (inserted.isEmpty())
        m_string.remove(limit.location, limit.length);
    else
        m_string.replace(limit.location, limit.length, inserted.m_string);
    // Both sides were merged runs already: only the two seams can join.
    const qsizetype after = first + inserted.m_runs.size();
    for (const qsizetype seam : {after, first}) {
        if (seam > 0 && seam < m_runs.size() && m_runs.attributesAt(seam - 1) == m_runs.attributesAt(seam)) {
            m_runs.slot(seam - 1).range.length += m_runs.slot(seam).range.length;
            m_runs.remove(seam, 1);
        }
    }
}

void AttributedString::replaceCharactersInRanges(const QList<AttributedReplacement>& replacements)
{
    if (replacements.isEmpty())
        return;
    // The new text and runs are built in one walk; each piece joins the run
    // before it when their dictionaries are equal.
    QString text;
    text.reserve(length());
    QList<Run> runs;
    const auto append = [&runs](qsizetype length, const QVariantMap& attributes) {
        if (length == 0)
            return;
        if (!runs.isEmpty() && runs.last().attributes == attributes)
            runs.last().range.length += length;
        else
            runs.append(Run{{runs.isEmpty() ? 0 : runs.last().range.maxRange(), length}, attributes});
    };
    qsizetype kept = 0; // units of this text copied or replaced so far
    qsizetype run = 0;  // a run at or before the one holding unit `kept`
    const auto keep = [&](qsizetype to) {
        if (to <= kept)
            return;
        text.append(QStringView(m_string).mid(kept, to - kept));
        while (kept < to) {
            while (m_runs.endAt(run) <= kept)
                ++run;
            const qsizetype stop = std::min(to, m_runs.endAt(run));
            append(stop - kept, m_runs.attributesAt(run));
            kept = stop;
        }
    };
    qsizetype work = m_runs.size() + 1;
    for (const AttributedReplacement& replacement : replacements) {
        const Range range = clippedRange(replacement.range, length());
        if (range.location < kept)
            continue;
        keep(range.location);
        const AttributedString& string = replacement.string;
        text.append(string.m_string);
        for (qsizetype at = 0; at < string.m_runs.size(); ++at)
            append(string.m_runs.slot(at).range.length, string.m_runs.attributesAt(at));
        work += string.m_runs.size() + 1;
        kept = range.maxRange();
    }
    keep(length());
    countScanWork(work);
    m_string = text.isNull() ? QStringLiteral("") : std::move(text);
    m_runs = RunList(std::move(runs));
}

void AttributedString::fixAttributesInRange(Range range)
{
    const QString name = QString::fromLatin1(attribute::kAttachment);
    if (!containsAttribute(name))
        return;
    const Range limit = clippedRange(range, length());
    QList<Range> stray;
    qsizetype start = -1;
    countScanWork(limit.length + 1);
    for (qsizetype at = limit.location; at <= limit.maxRange(); ++at) {
        const bool other = at < limit.maxRange() && m_string.at(at) != kAttachmentCharacter;
        if (other && start < 0)
            start = at;
        if (!other && start >= 0) {
            stray.append(Range{start, at - start});
            start = -1;
        }
    }
    changeAttributesInRanges(stray, [&](QVariantMap& existing) { existing.remove(name); });
}

QString describeAttributedString(const AttributedString& string)
{
    QString text;
    for (const AttributedString::Run& run : string.runs()) {
        text += string.string().mid(run.range.location, run.range.length);
        QStringList entries;
        for (auto entry = run.attributes.cbegin(); entry != run.attributes.cend(); ++entry)
            entries << entry.key() + QStringLiteral(": ") + describeValue(entry.value());
        text += u'{' + entries.join(QStringLiteral(", ")) + u'}';
    }
    return text;
}

} // namespace sorvant
