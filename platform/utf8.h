#pragma once
// Reading UTF-8 one sequence at a time, by the rules of Unicode table 3-7:
// no overlong forms, no surrogates, nothing above U+10FFFF.

#include <QtGlobal>

namespace sorvant::utf8 {

inline bool isContinuation(unsigned char byte)
{
    return (byte & 0xC0) == 0x80;
}

// The length of the well-formed sequence at `p`, or 0 when the bytes there
// do not begin one. `left` bytes are readable.
inline int sequenceLength(const unsigned char* p, qsizetype left)
{
    const unsigned char lead = p[0];
    int length = 0;
    unsigned char low = 0x80;
    unsigned char high = 0xBF;
    if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3;
        if (lead == 0xE0)
            low = 0xA0;     // no overlong forms
        else if (lead == 0xED)
            high = 0x9F;    // no surrogates
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4;
        if (lead == 0xF0)
            low = 0x90;
        else if (lead == 0xF4)
            high = 0x8F;    // nothing above U+10FFFF
    } else {
        return 0;
    }
    if (left < length || p[1] < low || p[1] > high)
        return 0;
    for (int i = 2; i < length; ++i) {
        if (!isContinuation(p[i]))
            return 0;
    }
    return length;
}

// The code point of a well-formed sequence of 2 to 4 bytes.
inline char32_t decodeSequence(const unsigned char* p, int length)
{
    switch (length) {
    case 2:
        return char32_t(p[0] & 0x1F) << 6 | (p[1] & 0x3F);
    case 3:
        return char32_t(p[0] & 0x0F) << 12 | char32_t(p[1] & 0x3F) << 6 | (p[2] & 0x3F);
    default:
        return char32_t(p[0] & 0x07) << 18 | char32_t(p[1] & 0x3F) << 12 | char32_t(p[2] & 0x3F) << 6
               | (p[3] & 0x3F);
    }
}

} // namespace sorvant::utf8
