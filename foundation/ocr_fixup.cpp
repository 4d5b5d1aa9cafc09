#include "foundation/ocr_fixup.h"

#include "foundation/chars_table.h"

namespace sorvant {

namespace {

unichar digitForLetter(unichar c)
{
    switch (c) {
    case u'I':
    case u'l':
        return u'1';
    case u'O':
        return u'0';
    case u'S':
        return u'5';
    default:
        return c;
    }
}

constexpr bool isSeparator(unichar c)
{
    return c == u',' || c == u'.';
}

// Whether the space at `at` is one recognition put around a separator. The
// written units are out[0..written); the receiver's units are still intact
// from `at` on because writing never passes reading.
bool isSpuriousSpace(const unichar* in, qsizetype length, qsizetype at, const unichar* out, qsizetype written)
{
    const CharacterSetBitmap* digits = getDigitsBitmap();
    if (written > 0 && isSeparator(out[written - 1]))
        return true;
    if (at + 1 >= length)
        return false;
    const unichar next = in[at + 1];
    if (isSeparator(next))
        return true;
    // "1,5 0": the group after a decimal separator split by a space before
    // its last digit.
    return written >= 2 && isSeparator(out[written - 2]) && bitmapContains(digits, out[written - 1])
        && bitmapContains(digits, next)
        && (at + 2 == length || bitmapContains(getWhiteSpacesBitmap(), in[at + 2]));
}

} // namespace

QString stringByFixingOCRIssues(const QString& string, OCRFixScope scope)
{
    const qsizetype length = string.size();
    if (length == 0 || (scope == OCRFixScope::ShortCode && length != 2 && length != 4))
        return string;
    QString result(string.constData(), length);
    auto* units = reinterpret_cast<unichar*>(result.data());
    if (scope == OCRFixScope::ShortCode) {
        for (qsizetype i = 0; i < length; ++i)
            units[i] = digitForLetter(units[i]);
        return result;
    }
    qsizetype written = 0;
    for (qsizetype read = 0; read < length; ++read) {
        const unichar c = units[read];
        if (c == u' ' && isSpuriousSpace(units, length, read, units, written))
            continue;
        units[written++] = digitForLetter(c);
    }
    result.truncate(written);
    return result;
}

} // namespace sorvant
