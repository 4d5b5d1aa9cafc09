#pragma once
// What a property-list reader, or a save's check, leaves out of a tree: how
// many dictionary entries, each path to a shared value counted, and the
// first few named with the reason. Walks of a tree that shares its values
// judge a shared value once and, at every other place they meet it, add
// what it left out without walking it again (PropertyListTrail): a list
// whose shared values millions of paths reach costs what it holds to walk
// and one short line to report. Paths are PropertyListPath values: taking
// one costs a step, and only a line asked for makes their (bounded) text.

#include "platform/property_list_path.h"

#include <QList>
#include <QString>
#include <QStringList>

#include <algorithm>
#include <utility>

namespace sorvant {

class PropertyListOmissions
{
public:
    // Entries named at most; the others are only counted.
    static constexpr qsizetype kNamed = 5;
    // A named path longer than this, as text, is cut in its middle.
    static constexpr qsizetype kLongestPath = PropertyListPath::kLongestText;

    // One entry left out: the path to it from the root, the path to what
    // was refused when that lies deeper (an array holding it is left out
    // whole; empty, or no deeper, when it is the entry itself), and why.
    struct Entry
    {
        PropertyListPath path;
        PropertyListPath at;
        QString reason;
    };

    // --- observers ---
    // NO once an entry is left out.
    [[nodiscard]] bool isEmpty() const { return m_count == 0; }
    // How many entries were left out, up to the largest qint64.
    [[nodiscard]] qint64 count() const { return m_count; }
    // Whether the next entry left out is named (so a caller may spare
    // building its path when it is not).
    [[nodiscard]] bool isNaming() const { return m_entries.size() < kNamed; }
    // The entries named, each "'path': reason", or "'path': at 'deeper':
    // reason" when what was refused lies deeper; each path's text is cut
    // (PropertyListPath::text()).
    //   {"b": "x\0"}          => {"'b': The text holds a NUL character"}
    //   {"R": [true, "x\0"]}  => {"'R': at 'R/1': The text holds a NUL character"}
    [[nodiscard]] QStringList named() const;
    // All in one line: the count when more than one, then the named.
    //   nothing      => ""
    //   one entry    => "'b': The text holds a NUL character"
    //   7 entries    => "7 entries, the first 5: 'a': …; 'b': …; …"
    [[nodiscard]] QString summary() const;

    // --- mutators ---
    // Counts one entry left out, and names it while fewer than kNamed are.
    void leaveOut(Entry entry);
    // Counts `count` entries left out without naming them.
    void count(qint64 count);

private:
    friend class PropertyListTrail;
    qint64 m_count = 0;
    QList<Entry> m_entries;
};

// The way a walk of a tree took to the value it is at, and what it leaves
// out into a PropertyListOmissions: a walk that keeps what a shared value
// gave at one place marks where its walk began (mark()), takes what it left
// out from there (below()), and adds that again wherever the value is met
// once more (meetAgain()), its paths continued from there.
class PropertyListTrail
{
public:
    // What a value's walk left out, its paths from the value.
    struct Below
    {
        qint64 count = 0;
        QList<PropertyListOmissions::Entry> entries;
    };
    // What was left out when a value's walk began.
    struct Mark
    {
        qint64 count = 0;
        qsizetype named = 0;
        qsizetype depth = 0;
    };

    // Leaving out into `omissions`; with null nothing is left out, and the
    // trail only names where a value is refused.
    explicit PropertyListTrail(PropertyListOmissions* omissions) : m_omissions(omissions) {}

    // --- observers ---
    [[nodiscard]] bool isLeavingOut() const { return m_omissions && m_leavingOut; }
    [[nodiscard]] bool isNaming() const { return isLeavingOut() && m_omissions->isNaming(); }
    [[nodiscard]] qsizetype depth() const { return m_levels.size(); }
    // The path from the root to here. Each step is made into a path once,
    // when a path through it is first asked for, so that taking the path
    // of the place a walk is at costs about a step, however deep it is.
    //   (at "Window", then index 2) => ("Window", 2)
    [[nodiscard]] PropertyListPath path() const;
    // `path`, from the root, as from here (the steps to here dropped), and back.
    [[nodiscard]] PropertyListPath fromHere(const PropertyListPath& path) const { return path.after(depth()); }
    [[nodiscard]] PropertyListPath fromRoot(const PropertyListPath& path) const { return this->path() + path; }
    [[nodiscard]] Mark mark() const;
    // What was left out since `mark`, the walk back at the mark's place.
    [[nodiscard]] Below below(const Mark& mark) const;

    // --- mutators ---
    void enterKey(const QString& key) { m_levels.append(Level{PropertyListPath::Step::ofKey(key), {}}); }
    void enterIndex(qsizetype index) { m_levels.append(Level{PropertyListPath::Step::ofIndex(index), {}}); }
    void leave()
    {
        m_levels.removeLast();
        m_built = std::min(m_built, m_levels.size());
    }
    // Whether entries are left out from here (a walk that refuses the
    // arrays holding what it cannot take turns it off inside them);
    // answers what it was.
    bool setLeavingOut(bool leavingOut) { return std::exchange(m_leavingOut, leavingOut); }
    // Leaves out the entry the walk is at, refused for `reason` found at
    // `at` (from the root; empty, or the entry's own: the entry).
    void leaveOut(const QString& reason, const PropertyListPath& at);
    // Adds what a value met again here left out.
    void meetAgain(const Below& below);

private:
    // A step of the way, and the path to it once one was asked for.
    struct Level
    {
        PropertyListPath::Step step;
        PropertyListPath path;
    };

    PropertyListOmissions* const m_omissions;
    bool m_leavingOut = true;
    // The levels from the root, of which the first m_built have their path.
    mutable QList<Level> m_levels;
    mutable qsizetype m_built = 0;
};

} // namespace sorvant
