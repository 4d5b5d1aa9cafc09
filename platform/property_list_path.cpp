#include "platform/property_list_path.h"

#include "platform/scan_work.h"
#include "platform/unicode.h"

#include <QVarLengthArray>

#include <algorithm>
#include <vector>

namespace sorvant {

// A path is its parent's steps, then either one step, or the steps of
// `below` after its first `skip`. A node never changes once made, so paths
// share them; each adds at least one step to its parent's.
struct PropertyListPath::Node
{
    std::shared_ptr<Node> parent;
    std::shared_ptr<Node> below;
    Step step;
    qsizetype skip = 0;
    qsizetype size = 0;

    Node(std::shared_ptr<Node> parentPath, std::shared_ptr<Node> belowPath, Step lastStep, qsizetype skipped,
         qsizetype steps)
        : parent(std::move(parentPath)), below(std::move(belowPath)), step(std::move(lastStep)), skip(skipped),
          size(steps)
    {
    }
    Node(const Node&) = delete;
    Node& operator=(const Node&) = delete;

    // Frees the nodes only this one held without recursion: paths continued
    // by paths below them may nest deeper than a stack frame a node affords.
    ~Node()
    {
        QVarLengthArray<std::shared_ptr<Node>, 16> pending;
        const auto take = [&pending](std::shared_ptr<Node>& node) {
            if (node && node.use_count() == 1)
                pending.append(std::move(node));
        };
        take(parent);
        take(below);
        while (!pending.isEmpty()) {
            std::shared_ptr<Node> node = std::move(pending.last());
            pending.removeLast();
            take(node->parent);
            take(node->below);
        }
    }
};

namespace {

// Characters the tail is made with before its cut, so that the cut sees
// the letter a mark after it belongs to.
constexpr qsizetype kTailContext = 32;

// Appends at most `room` characters of the text of `step` from its start;
// `escapes` gets where each "\\0" starts.
void appendStepText(QString& out, const PropertyListPath::Step& step, qsizetype room, QList<qsizetype>& escapes)
{
    if (step.isIndex()) {
        out += QString::number(step.index).left(room);
        return;
    }
    const qsizetype end = out.size() + room;
    for (qsizetype i = 0; i < step.key.size() && out.size() < end; ++i) {
        if (step.key.at(i).isNull()) {
            escapes.append(out.size());
            out += QLatin1Char('\\');
            if (out.size() < end)
                out += QLatin1Char('0');
        } else {
            out += step.key.at(i);
        }
    }
}

// Appends at most `room` characters of the text of `step` from its end,
// last first; `escapes` gets where the backslash of each "\\0" stands.
void appendStepTextBackwards(QString& out, const PropertyListPath::Step& step, qsizetype room,
                             QList<qsizetype>& escapes)
{
    if (step.isIndex()) {
        QString digits = QString::number(step.index);
        std::reverse(digits.begin(), digits.end());
        out += digits.left(room);
        return;
    }
    const qsizetype end = out.size() + room;
    for (qsizetype i = step.key.size() - 1; i >= 0 && out.size() < end; --i) {
        if (step.key.at(i).isNull()) {
            out += QLatin1Char('0');
            if (out.size() < end) {
                escapes.append(out.size());
                out += QLatin1Char('\\');
            }
        } else {
            out += step.key.at(i);
        }
    }
}

// The cut nearest `at` in `text`, at or before it (or, `after`, at or after
// it), between whole characters (a letter and its marks, a surrogate pair)
// and never inside an escape "\\0" starting at one of `escapes`.
qsizetype wholeCharacterCut(const QString& text, qsizetype at, bool after, const QList<qsizetype>& escapes)
{
    for (;;) {
        at = unicode::characterBoundary(text, at, after);
        if (at <= 0 || at >= text.size() || !escapes.contains(at - 1))
            return at;
        at += after ? 1 : -1;
    }
}

} // namespace

qsizetype PropertyListPath::size() const
{
    return m_node ? m_node->size : 0;
}

QList<PropertyListPath::Step> PropertyListPath::steps() const
{
    QList<Step> steps;
    steps.reserve(size());
    // What is left to append, last first: the steps of a node after its
    // first `skip`, or only those it adds to its parent's.
    struct Work
    {
        const Node* node;
        qsizetype skip;
        bool own;
    };
    std::vector<Work> work{{m_node.get(), 0, false}};
    while (!work.empty()) {
        const Work at = work.back();
        work.pop_back();
        if (!at.node || at.skip >= at.node->size)
            continue;
        const qsizetype parentSize = at.node->parent ? at.node->parent->size : 0;
        if (!at.own) {
            work.push_back({at.node, std::max<qsizetype>(0, at.skip - parentSize), true});
            work.push_back({at.node->parent.get(), at.skip, false});
        } else if (at.node->below) {
            work.push_back({at.node->below.get(), at.node->skip + at.skip, false});
        } else {
            steps.append(at.node->step);
        }
    }
    return steps;
}

QString PropertyListPath::text() const
{
    constexpr qsizetype kHalf = kLongestText / 2;
    const QList<Step> all = steps();
    // From the front up to one character past the longest: a path that
    // fits is then whole.
    QString head;
    QList<qsizetype> headEscapes;
    for (qsizetype i = 0; i < all.size() && head.size() <= kLongestText; ++i) {
        if (i > 0)
            head += QLatin1Char('/');
        appendStepText(head, all.at(i), kLongestText + 1 - head.size(), headEscapes);
    }
    countScanWork(all.size() + head.size());
    if (head.size() <= kLongestText)
        return head;
    // The last kHalf characters and some before them, the cut falling
    // between whole characters at or after the kHalf-th from the end.
    constexpr qsizetype kTail = kHalf + kTailContext;
    QString tail;
    QList<qsizetype> backwardEscapes;
    for (qsizetype i = all.size() - 1; i >= 0 && tail.size() < kTail; --i) {
        appendStepTextBackwards(tail, all.at(i), kTail - tail.size(), backwardEscapes);
        if (i > 0 && tail.size() < kTail)
            tail += QLatin1Char('/');
    }
    countScanWork(tail.size());
    std::reverse(tail.begin(), tail.end());
    QList<qsizetype> tailEscapes;
    for (const qsizetype at : backwardEscapes)
        tailEscapes.append(tail.size() - 1 - at);
    return head.left(wholeCharacterCut(head, kHalf, false, headEscapes)) + QStringLiteral("…")
           + tail.mid(wholeCharacterCut(tail, std::max<qsizetype>(0, tail.size() - kHalf), true, tailEscapes));
}

PropertyListPath PropertyListPath::appended(const Step& step) const
{
    return PropertyListPath(std::make_shared<Node>(m_node, nullptr, step, 0, size() + 1));
}

PropertyListPath PropertyListPath::after(qsizetype count) const
{
    if (count <= 0)
        return *this;
    if (count >= size())
        return {};
    return PropertyListPath(std::make_shared<Node>(nullptr, m_node, Step(), count, size() - count));
}

PropertyListPath PropertyListPath::operator+(const PropertyListPath& below) const
{
    if (below.isEmpty())
        return *this;
    if (isEmpty())
        return below;
    return PropertyListPath(std::make_shared<Node>(m_node, below.m_node, Step(), 0, size() + below.size()));
}

} // namespace sorvant
