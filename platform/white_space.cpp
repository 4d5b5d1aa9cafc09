#include "platform/white_space.h"

#include <unicode/uchar.h>

namespace sorvant::unicode {

bool isWhiteSpace(char32_t c)
{
    return u_isUWhiteSpace(static_cast<UChar32>(c)) != 0;
}

QStringView trimmedWhiteSpace(QStringView text)
{
    // Every White_Space code point lies in the Basic Multilingual Plane, so
    // the ends can be scanned unit by unit; a surrogate is never white.
    qsizetype first = 0;
    qsizetype end = text.size();
    while (first < end && isWhiteSpace(text[first].unicode()))
        ++first;
    while (end > first && isWhiteSpace(text[end - 1].unicode()))
        --end;
    return text.mid(first, end - first);
}

} // namespace sorvant::unicode
