#include "platform/capitalization.h"

#include <unicode/uchar.h>
#include <unicode/ucasemap.h>
#include <unicode/utf16.h>

#include <memory>

namespace sorvant::unicode {

namespace {

bool isWordDelimiter(UChar32 c)
{
    if ((c >= 0x09 && c <= 0x0D) || c == 0x85)
        return true;
    const auto type = static_cast<UCharCategory>(u_charType(c));
    return type == U_SPACE_SEPARATOR || type == U_LINE_SEPARATOR || type == U_PARAGRAPH_SEPARATOR;
}

struct CaseMapCloser
{
    void operator()(UCaseMap* map) const { ucasemap_close(map); }
};

// Appends `word` title-cased as one unit: first character title case, the
// rest lower case. Falls back to the word unchanged if ICU fails.
void appendTitleCased(UCaseMap* map, const UChar* word, int32_t length, QString& out)
{
    UErrorCode status = U_ZERO_ERROR;
    QString buffer(length + 8, Qt::Uninitialized);
    int32_t produced = ucasemap_toTitle(map, reinterpret_cast<UChar*>(buffer.data()),
                                        static_cast<int32_t>(buffer.size()), word, length, &status);
    if (status == U_BUFFER_OVERFLOW_ERROR) {
        status = U_ZERO_ERROR;
        buffer = QString(produced, Qt::Uninitialized);
        produced = ucasemap_toTitle(map, reinterpret_cast<UChar*>(buffer.data()), produced, word, length, &status);
    }
    if (U_FAILURE(status)) {
        out.append(reinterpret_cast<const QChar*>(word), length);
        return;
    }
    buffer.truncate(produced);
    out += buffer;
}

} // namespace

QString capitalizedString(const QString& string)
{
    if (string.isEmpty())
        return string;
    UErrorCode status = U_ZERO_ERROR;
    // One map per call: ucasemap_toTitle keeps state in the map, so a shared
    // one would not be safe across threads.
    const std::unique_ptr<UCaseMap, CaseMapCloser> map(
        ucasemap_open("", U_TITLECASE_WHOLE_STRING | U_TITLECASE_NO_BREAK_ADJUSTMENT, &status));
    if (U_FAILURE(status))
        return string;
    const auto* units = reinterpret_cast<const UChar*>(QStringView(string).utf16());
    const auto length = static_cast<int32_t>(string.size());
    QString result;
    result.reserve(string.size());
    int32_t i = 0;
    while (i < length) {
        const int32_t start = i;
        UChar32 c = 0;
        U16_NEXT(units, i, length, c);
        const bool delimiter = isWordDelimiter(c);
        int32_t end = i;
        while (end < length) {
            int32_t next = end;
            U16_NEXT(units, next, length, c);
            if (isWordDelimiter(c) != delimiter)
                break;
            end = next;
        }
        if (delimiter)
            result.append(reinterpret_cast<const QChar*>(units + start), end - start);
        else
            appendTitleCased(map.get(), units + start, end - start, result);
        i = end;
    }
    return result;
}

} // namespace sorvant::unicode
