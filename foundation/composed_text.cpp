#include "foundation/composed_text.h"

#include "platform/unicode.h"

#include <algorithm>

namespace sorvant {

ComposedText::ComposedText(const QString& original)
    : m_text(original)
    , m_originalLength(original.size())
{
    if (unicode::isNormalized(original, unicode::NormalizationForm::NFC))
        return;
    // Composition stays inside a character (a base and its marks), so each
    // is composed alone and its units point back to it.
    QString composed;
    composed.reserve(original.size());
    for (qsizetype start = 0, end = 0; start < original.size(); start = end) {
        end = unicode::characterBoundary(original, start + 1, true);
        const QString character = unicode::normalizedString(original.mid(start, end - start),
                                                            unicode::NormalizationForm::NFC);
        composed += character;
        for (qsizetype i = 0; i < character.size(); ++i) {
            m_starts.append(start);
            m_ends.append(end);
        }
    }
    m_text = composed;
}

Range ComposedText::originalRange(Range range) const
{
    const qsizetype length = m_text.size();
    const qsizetype first = std::clamp<qsizetype>(range.location, 0, length);
    const qsizetype last = std::clamp<qsizetype>(range.location + range.length, first, length);
    if (isIdentity())
        return {first, last - first};
    if (first == last) {
        const qsizetype at = first < length ? m_starts[first] : m_originalLength;
        return {at, 0};
    }
    const qsizetype begin = m_starts[first];
    return {begin, m_ends[last - 1] - begin};
}

} // namespace sorvant
