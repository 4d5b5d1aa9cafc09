#pragma once
// A text in normalization form C that remembers where each of its units
// came from, so that what is found in the composed text (a highlighted
// match) maps back onto the text as it is stored: a name kept decomposed
// ("cafe\u0301") is searched composed ("café") and highlighted as stored.
//
//   ComposedText("cafe\u0301s").text                 => "cafés"
//   ComposedText("cafe\u0301s").originalRange({3, 1}) => {3, 2}
//   ComposedText("").text => ""       ComposedText(null).text => null
//
// Not here: normalized copies without a mapping (normalized_forms.h).

#include "foundation/range.h"

#include <QList>
#include <QString>

namespace sorvant {

class ComposedText
{
public:
    explicit ComposedText(const QString& original);

    // The text in form C (the original itself when it already is).
    [[nodiscard]] const QString& text() const { return m_text; }
    // Whether composing changed nothing: ranges map to themselves.
    [[nodiscard]] bool isIdentity() const { return m_starts.isEmpty(); }
    // The range of the original that `range` of the composed text covers:
    // from the start of the character its first unit came from to the end
    // of the one its last unit came from. Clamped to the text.
    [[nodiscard]] Range originalRange(Range range) const;

private:
    QString m_text;
    qsizetype m_originalLength = 0;
    // For each unit of m_text, the index of the original character (a
    // grapheme cluster) it came from, then that character's end; empty for
    // the identity.
    QList<qsizetype> m_starts;
    QList<qsizetype> m_ends;
};

} // namespace sorvant
