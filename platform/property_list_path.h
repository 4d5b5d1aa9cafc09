#pragma once
// The place of a value in a property-list tree, as the readers and a
// save's check name where they refused or left out a value: the steps from
// the root, dictionary keys and array indices. It does not walk trees;
// property_list_omissions.h keeps the way a walk takes.
//
// A path holds its keys as the tree holds them (shared, never copied or
// joined) and is shared itself: a path one step longer than another, the
// rest of a path below some depth, and one path continued by another each
// cost one step to make, whatever their depth and the length of their keys.
// Its text is made only when asked for, and cut as it is made: the text of
// 500 steps over one 4 MB key costs those steps and about 240 characters
// of theirs, not 2 GB.

#include <QList>
#include <QString>

#include <memory>

namespace sorvant {

class PropertyListPath
{
public:
    // The text of a path longer than this is cut in its middle.
    static constexpr qsizetype kLongestText = 160;

    // One step: a dictionary's key, or an array's index (`key` null and
    // unused then).
    struct Step
    {
        QString key;
        qsizetype index = -1;

        [[nodiscard]] bool isIndex() const { return index >= 0; }
        [[nodiscard]] static Step ofKey(const QString& key) { return Step{key, -1}; }
        [[nodiscard]] static Step ofIndex(qsizetype index) { return Step{QString(), index}; }
        friend bool operator==(const Step&, const Step&) = default;
    };

    // The root: no steps.
    PropertyListPath() = default;

    // --- observers ---
    [[nodiscard]] bool isEmpty() const { return size() == 0; }
    // How many steps.
    [[nodiscard]] qsizetype size() const;
    // The steps joined by '/', keys as they are with a NUL spelt "\0",
    // indices in decimal. Past kLongestText characters at most the first and
    // the last kLongestText / 2 are kept, around "…", each cut between
    // whole characters (a letter keeps its marks, a surrogate pair stays
    // whole) and never inside a "\0": it costs the steps and a few hundred
    // characters of their text, however long the keys are.
    //   root                          => ""
    //   ("Window", 2, "Title")        => "Window/2/Title"
    //   ("a\0b")                      => "a\\0b"
    //   ("", "")                      => "/"
    //   (K, K, K), K of 1 MB of 'K'   => 80 × "K" + "…" + 80 × "K"
    //   (79 × "x" + NUL + 200 × "y")   => 79 × "x" + "…" + 80 × "y"
    [[nodiscard]] QString text() const;
    // The steps from the root, each key shared with the tree.
    [[nodiscard]] QList<Step> steps() const;

    // --- transforms ---
    // This path, then `step`.
    //   ("a").appended(Step::ofIndex(2)) => ("a", 2)
    [[nodiscard]] PropertyListPath appended(const Step& step) const;
    // The steps after the first `count`: the path from a value `count`
    // steps deep to the place this path leads to.
    //   ("a", "b", 2).after(1) => ("b", 2)      ("a").after(1), ("a").after(5) => root
    //   ("a", "b").after(0)    => ("a", "b")
    [[nodiscard]] PropertyListPath after(qsizetype count) const;
    // This path, then the steps of `below`.
    //   ("a") + ("b", 2) => ("a", "b", 2)      root + ("b") => ("b")
    [[nodiscard]] PropertyListPath operator+(const PropertyListPath& below) const;

private:
    struct Node;
    explicit PropertyListPath(std::shared_ptr<Node> node) : m_node(std::move(node)) {}

    // Null at the root. Nodes are never changed once made.
    std::shared_ptr<Node> m_node;
};

} // namespace sorvant
