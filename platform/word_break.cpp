#include "platform/word_break.h"

#include <unicode/ubrk.h>
#include <unicode/uchar.h>
#include <unicode/uloc.h>
#include <unicode/utf16.h>

#include <string>

namespace sorvant {

namespace {

const std::string& currentLocale()
{
    static const std::string locale = uloc_getDefault();
    return locale;
}

// Opening a word iterator loads its rules and dictionaries; it is done once
// and every tokenizer clones the prototype, which ICU allows from any thread
// as long as the prototype itself is never used.
const UBreakIterator* prototype()
{
    static const UBreakIterator* const iterator = [] {
        UErrorCode status = U_ZERO_ERROR;
        UBreakIterator* made = ubrk_open(UBRK_WORD, currentLocale().c_str(), nullptr, 0, &status);
        return U_SUCCESS(status) ? made : nullptr;
    }();
    return iterator;
}

bool hasNonLetters(const unichar* units, int32_t length)
{
    for (int32_t i = 0; i < length;) {
        UChar32 c;
        U16_NEXT(units, i, length, c);
        if ((U_GET_GC_MASK(c) & (U_GC_L_MASK | U_GC_M_MASK)) == 0)
            return true;
    }
    return false;
}

} // namespace

QString wordBreakLocale()
{
    return QString::fromLatin1(currentLocale().c_str());
}

WordTokenizer::WordTokenizer()
{
    if (const UBreakIterator* source = prototype()) {
        UErrorCode status = U_ZERO_ERROR;
        m_iterator = ubrk_clone(source, &status);
        if (U_FAILURE(status))
            m_iterator = nullptr;
    }
}

WordTokenizer::~WordTokenizer()
{
    if (m_iterator)
        ubrk_close(m_iterator);
}

bool WordTokenizer::setText(const unichar* units, qsizetype location, qsizetype length)
{
    m_hasText = false;
    if (!m_iterator || !units || location < 0 || length <= 0 || length > INT32_MAX)
        return false;
    UErrorCode status = U_ZERO_ERROR;
    ubrk_setText(m_iterator, reinterpret_cast<const UChar*>(units + location), static_cast<int32_t>(length),
                 &status);
    if (U_FAILURE(status))
        return false;
    m_units = units;
    m_offset = location;
    m_hasText = true;
    return true;
}

bool WordTokenizer::advanceToNextToken(WordToken* token)
{
    if (!m_hasText)
        return false;
    const int32_t start = ubrk_current(m_iterator);
    const int32_t end = ubrk_next(m_iterator);
    if (end == UBRK_DONE) {
        m_hasText = false;
        return false;
    }
    token->location = m_offset + start;
    token->length = end - start;
    token->hasNonLetters = hasNonLetters(m_units + m_offset + start, end - start);
    return true;
}

} // namespace sorvant
