#pragma once
// AttributedString: a text with attribute runs. Every UTF-16 unit carries
// one attribute dictionary (a QVariantMap keyed by attribute name); units in
// a row with equal dictionaries form a run. Runs are kept merged, so the
// effective range of an index is always its longest effective range.
//
// Attribute values are QVariants: colours are foundation's Color, numbers
// (underline, strikethrough) are ints, and fonts, paragraph styles, shadows
// and attachments are whatever value types the interface layer stores. This
// layer only compares them (QVariant equality).
//
//   AttributedString s("hello", {{"Font", bold}});
//   s.addAttribute("ForegroundColor", red, {1, 3});
//   s.attributesAtIndex(2, &r)  => {Font: bold, ForegroundColor: red}, r = {1, 3}
//   s.attributesAtIndex(9, &r)  => {}, r = kMissingRange (out of range)
//
// Ranges given to mutators are clipped to the text (clippedRange of
// foundation/range.h): nothing here fails on a bad index.
//
// Replacing characters follows what text editing expects: the new
// characters take the attributes of the first replaced character; when
// nothing is replaced, of the character before the place, else of the one
// after it (inserting at the front of "ab" takes the attributes of "a").

#include "foundation/range.h"

#include <QList>
#include <QMetaType>
#include <QString>
#include <QStringList>
#include <QVariant>
#include <QVariantMap>

#include <algorithm>
#include <functional>
#include <iterator>

namespace sorvant {

// --- attribute names ----------------------------------------------------------
// One spelling for the whole code base; the search engine's highlight
// dictionaries use the same two colour names.
namespace attribute {
inline constexpr char kFont[] = "Font";
inline constexpr char kForegroundColor[] = "ForegroundColor";
inline constexpr char kBackgroundColor[] = "BackgroundColor";
inline constexpr char kUnderlineStyle[] = "UnderlineStyle";
inline constexpr char kStrikethroughStyle[] = "StrikethroughStyle";
inline constexpr char kLink[] = "Link";
inline constexpr char kParagraphStyle[] = "ParagraphStyle";
inline constexpr char kAttachment[] = "Attachment";
inline constexpr char kShadow[] = "Shadow";
inline constexpr char kKern[] = "Kern";
inline constexpr char kBaselineOffset[] = "BaselineOffset";
inline constexpr char kSuperscript[] = "Superscript";
inline constexpr char kToolTip[] = "ToolTip";
inline constexpr char kCursor[] = "Cursor";
} // namespace attribute

// The object replacement character that stands for an attachment in a text.
inline constexpr char16_t kAttachmentCharacter = u'\uFFFC';

struct AttributedReplacement;

class AttributedString
{
public:
    // One run: a range of the text and the attributes all its units carry.
    struct Run
    {
        Range range;
        QVariantMap attributes;
        friend bool operator==(const Run&, const Run&) = default;
    };

    // The runs in text order, kept in one list with a gap of empty runs at
    // the place of the last change. A change inserts and removes runs at
    // the gap, so changes that go through the text in either direction
    // move only the runs between one change and the next, never the rest
    // of the list. The runs after the gap keep the locations they had when
    // they went past it, and one shift for all of them says how far the
    // changes before have moved them: a change renumbers no run. Reading
    // is by index or by walking (begin/end); each gives a run by value,
    // its location shifted.
    class RunList
    {
    public:
        class const_iterator
        {
        public:
            using iterator_category = std::input_iterator_tag;
            using iterator_concept = std::forward_iterator_tag;
            using value_type = Run;
            using difference_type = qsizetype;
            using reference = Run;

            // What operator-> points into: the run it gives by value.
            struct Arrow
            {
                Run run;
                const Run* operator->() const { return &run; }
            };

            const_iterator() = default;
            Run operator*() const { return m_list->at(m_index); }
            Arrow operator->() const { return Arrow{m_list->at(m_index)}; }
            const_iterator& operator++()
            {
                ++m_index;
                return *this;
            }
            const_iterator operator++(int)
            {
                const const_iterator before = *this;
                ++m_index;
                return before;
            }
            friend bool operator==(const const_iterator& a, const const_iterator& b)
            {
                return a.m_index == b.m_index;
            }

        private:
            friend class RunList;
            const_iterator(const RunList* list, qsizetype index) : m_list(list), m_index(index) {}
            const RunList* m_list = nullptr;
            qsizetype m_index = 0;
        };

        [[nodiscard]] qsizetype size() const { return m_slots.size() - m_gapSize; }
        [[nodiscard]] bool isEmpty() const { return size() == 0; }
        [[nodiscard]] Run at(qsizetype index) const
        {
            Run run = slot(index);
            run.range.location = locationAt(index);
            return run;
        }
        [[nodiscard]] Run first() const { return at(0); }
        [[nodiscard]] Run last() const { return at(size() - 1); }
        [[nodiscard]] const_iterator begin() const { return const_iterator(this, 0); }
        [[nodiscard]] const_iterator end() const { return const_iterator(this, size()); }
        [[nodiscard]] const_iterator cbegin() const { return begin(); }
        [[nodiscard]] const_iterator cend() const { return end(); }

        // The same runs in the same order, wherever the gaps are.
        friend bool operator==(const RunList& a, const RunList& b)
        {
            return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin());
        }

    private:
        friend class AttributedString;
        RunList() = default;
        explicit RunList(QList<Run> runs) : m_slots(std::move(runs)), m_gapAt(m_slots.size()) {}

        // The stored run: its attributes and length hold, its location only
        // before the gap.
        [[nodiscard]] const Run& slot(qsizetype index) const
        {
            return m_slots.at(index < m_gapAt ? index : index + m_gapSize);
        }
        Run& slot(qsizetype index) { return m_slots[index < m_gapAt ? index : index + m_gapSize]; }
        [[nodiscard]] qsizetype locationAt(qsizetype index) const
        {
            return index < m_gapAt ? m_slots.at(index).range.location
                                   : m_slots.at(index + m_gapSize).range.location + m_tailShift;
        }
        [[nodiscard]] qsizetype endAt(qsizetype index) const { return locationAt(index) + slot(index).range.length; }
        [[nodiscard]] const QVariantMap& attributesAt(qsizetype index) const { return slot(index).attributes; }
        // Puts the gap before the run at `index`, moving the runs between.
        void moveGapTo(qsizetype index);
        // Inserts before the run at `index`, `run.range.location` being
        // where it starts in the text.
        void insert(qsizetype index, Run run);
        void append(Run run) { insert(size(), std::move(run)); }
        // Removes `count` runs from `index` on.
        void remove(qsizetype index, qsizetype count);
        // Sets where the run at `index` starts in the text.
        void setLocation(qsizetype index, qsizetype location);
        // Moves every run from `index` on by `delta` units.
        void shiftFrom(qsizetype index, qsizetype delta)
        {
            moveGapTo(index);
            m_tailShift += delta;
        }

        QList<Run> m_slots;      // the runs, with m_gapSize empty ones at m_gapAt
        qsizetype m_gapAt = 0;
        qsizetype m_gapSize = 0;
        qsizetype m_tailShift = 0; // added to the stored location of each run after the gap
    };

    // --- making -------------------------------------------------------------
    AttributedString() = default;
    // The whole text with one dictionary (possibly empty). A null string
    // gives the empty text (string() is then the empty, not the null, string).
    explicit AttributedString(const QString& string, const QVariantMap& attributes = {});

    // --- observers ----------------------------------------------------------
    [[nodiscard]] const QString& string() const { return m_string; }
    [[nodiscard]] qsizetype length() const { return m_string.size(); }
    [[nodiscard]] bool isEmpty() const { return m_string.isEmpty(); }

    // The attributes at `index` and, when `effectiveRange` is given, the
    // whole run around it. Out of range (index < 0 or >= length): the empty
    // dictionary and kMissingRange.
    [[nodiscard]] QVariantMap attributesAtIndex(qsizetype index, Range* effectiveRange = nullptr) const;
    // The same with the run cut to `rangeLimit` (itself clipped to the text).
    //   "aaBBBcc" with one run over "BBB": (3, &r, {0, 4}) => r = {2, 2}
    [[nodiscard]] QVariantMap attributesAtIndex(qsizetype index, Range* longestEffectiveRange,
                                                Range rangeLimit) const;
    // One attribute at `index`; the effective range is the longest range
    // around the index over which that attribute alone keeps its value
    // (missing counts as a value), cut to `rangeLimit` when given.
    [[nodiscard]] QVariant attributeAtIndex(const QString& name, qsizetype index,
                                            Range* effectiveRange = nullptr) const;
    [[nodiscard]] QVariant attributeAtIndex(const QString& name, qsizetype index, Range* longestEffectiveRange,
                                            Range rangeLimit) const;

    // The runs in order; one run per text of a single dictionary, none for
    // the empty text.
    [[nodiscard]] const RunList& runs() const { return m_runs; }
    // Whether any unit carries `name`.
    [[nodiscard]] bool containsAttribute(const QString& name) const;
    [[nodiscard]] bool containsAttachments() const { return containsAttribute(attribute::kAttachment); }

    // Calls `visit` for each run part inside `range` (clipped) in order;
    // `visit` sets *stop to end the walk.
    void enumerateAttributesInRange(Range range,
                                    const std::function<void(const QVariantMap&, Range, bool* stop)>& visit) const;
    // The same for one attribute: each maximal part of `range` over which
    // the attribute keeps its value (an invalid QVariant where missing).
    void enumerateAttribute(const QString& name, Range range,
                            const std::function<void(const QVariant&, Range, bool* stop)>& visit) const;

    // The characters and runs of `range` (clipped).
    //   "hello" with bold "ell": ({1, 3}) => "ell", one bold run
    [[nodiscard]] AttributedString attributedSubstringFromRange(Range range) const;

    // Same text and same attributes unit by unit.
    friend bool operator==(const AttributedString& a, const AttributedString& b)
    {
        return a.m_string == b.m_string && a.m_runs == b.m_runs;
    }

    // --- attribute mutators -----------------------------------------------------
    // Each works on `range` clipped to the text; an empty clipped range does
    // nothing.

    // Replaces the attributes of every unit of `range` by `attributes`.
    void setAttributes(const QVariantMap& attributes, Range range);
    // Sets one attribute over `range`, keeping the others. An invalid value
    // removes it.
    void addAttribute(const QString& name, const QVariant& value, Range range);
    // Sets every entry of `attributes` over `range`, keeping the others
    // (entries with invalid values remove that name).
    void addAttributes(const QVariantMap& attributes, Range range);
    // addAttributes over each of `ranges` (in any order, overlapping or
    // not) in one pass over the runs: the same result as one call per range.
    void addAttributesInRanges(const QVariantMap& attributes, const QList<Range>& ranges);
    void removeAttribute(const QString& name, Range range);
    // Keeps only the attributes whose names are in `names` over `range`.
    void removeAttributesExcept(const QStringList& names, Range range);

    // --- character mutators -----------------------------------------------------

    // Replaces the units of `range` (clipped) by `string`; the new units take
    // the attributes described at the top of this file.
    //   "abc" (a plain, b bold, c plain): ({1, 1}, "XY") => "aXYc", "XY" bold
    void replaceCharactersInRange(Range range, const QString& string);
    // Replaces by another attributed string, which keeps its own attributes.
    void replaceCharactersInRange(Range range, const AttributedString& string);
    void insertString(const QString& string, qsizetype index) { replaceCharactersInRange({index, 0}, string); }
    void insertAttributedString(const AttributedString& string, qsizetype index)
    {
        replaceCharactersInRange({index, 0}, string);
    }
    // Appends with the attributes of the last unit (none for an empty text).
    void appendString(const QString& string) { replaceCharactersInRange({length(), 0}, string); }
    void appendAttributedString(const AttributedString& string)
    {
        replaceCharactersInRange({length(), 0}, string);
    }
    void deleteCharactersInRange(Range range) { replaceCharactersInRange(range, QString()); }
    // Replaces the units of each range (clipped) by its string, which keeps
    // its own attributes, in one pass over the text and its runs: the result
    // of replacing them one at a time from the last to the first, in time
    // linear in the text, its runs and the replacements. The ranges come in
    // text order; one that starts inside the range before it is skipped.
    //   "a-b-c": {{1, 1}, "+"}, {{3, 1}, ""} => "a+bc"
    void replaceCharactersInRanges(const QList<AttributedReplacement>& replacements);
    // Replaces the whole text; a plain string takes the attributes of the
    // first unit (none when the text was empty).
    void setString(const QString& string) { replaceCharactersInRange({0, length()}, string); }
    void setAttributedString(const AttributedString& string) { *this = string; }

    // Repairs attributes after character edits: an attachment belongs only
    // on the attachment character, so kAttachment is removed from every
    // other unit of `range` (clipped).
    void fixAttributesInRange(Range range);

    // --- editing brackets ---------------------------------------------------------
    // Accepted for callers that group changes; runs are always kept merged,
    // so there is nothing to defer.
    void beginEditing() { ++m_editingDepth; }
    void endEditing()
    {
        if (m_editingDepth > 0)
            --m_editingDepth;
    }

private:
    // Index of the run holding `index` (which must be inside the text).
    [[nodiscard]] qsizetype runIndexAt(qsizetype index) const;
    // Splits runs so that `at` is a run boundary; answers the run starting there.
    qsizetype splitAt(qsizetype at);
    // Applies `change` to a copy of the attributes of every run part in `range`.
    void changeAttributes(Range range, const std::function<void(QVariantMap&)>& change);
    // The same over the union of `ranges` (clipped), building the run list
    // anew in one walk; `change` must give the same result applied twice.
    void changeAttributesInRanges(QList<Range> ranges, const std::function<void(QVariantMap&)>& change);

    QString m_string;
    RunList m_runs;
    int m_editingDepth = 0;
};

// One edit of AttributedString::replaceCharactersInRanges: the units of
// `range` become `string`.
struct AttributedReplacement
{
    Range range;
    AttributedString string;
};

// --- printing ---------------------------------------------------------------
// "hel{Font: bold}lo{}" - each run's text followed by its attribute names and
// values, for logs and test output.
[[nodiscard]] QString describeAttributedString(const AttributedString& string);

} // namespace sorvant

// A run moves as its bytes (a range and an implicitly shared map), so the
// run lists grow and remove with memmove.
Q_DECLARE_TYPEINFO(sorvant::AttributedString::Run, Q_RELOCATABLE_TYPE);
Q_DECLARE_METATYPE(sorvant::AttributedString)
