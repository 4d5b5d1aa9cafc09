#include "platform/property_list_text.h"

#include "platform/property_list_bounds.h"
#include "platform/scan_work.h"

#include <algorithm>

namespace sorvant {

namespace {

thread_local const PropertyListTextCut* t_textCut = nullptr;

// Whether UTF-8 decoded in two pieces cut before `at` reads as decoded
// whole: no sequence crosses the cut. A byte-order mark after the cut, which
// the decoding of the second piece drops, is put back by the caller. Looks
// at no more than the four bytes before `at`.
bool isCleanCut(const char* utf8, qsizetype at)
{
    const auto byte = [&](qsizetype i) { return static_cast<unsigned char>(utf8[i]); };
    if ((byte(at) & 0xC0) == 0x80)
        return false;
    qsizetype lead = at - 1;
    while (lead > at - 4 && lead > 0 && (byte(lead) & 0xC0) == 0x80)
        --lead;
    const unsigned char first = byte(lead);
    const qsizetype length = first < 0x80 ? 1 : first >= 0xF0 ? 4 : first >= 0xE0 ? 3 : first >= 0xC0 ? 2 : 1;
    return lead + length == at;
}

} // namespace

PropertyListTextCut::PropertyListTextCut(qsizetype longest) : m_longest(std::max<qsizetype>(longest, 0)), m_previous(t_textCut)
{
    t_textCut = this;
}

PropertyListTextCut::~PropertyListTextCut()
{
    t_textCut = m_previous;
}

qsizetype PropertyListTextCut::longest()
{
    return t_textCut ? t_textCut->m_longest : -1;
}

qsizetype PropertyListTextCut::keptBytes()
{
    // Every four bytes give at least one UTF-16 unit, damaged ones too (a
    // sequence, or what is replaced as one, is at most four bytes), so the
    // sequences wholly inside 4n + 4 bytes give the first n units, and the
    // one the end cuts, which decodes otherwise, comes after them.
    const qsizetype longest = PropertyListTextCut::longest();
    return longest < 0 ? -1 : 4 * longest + 4;
}

QString cutPropertyListText(QString text, qsizetype longest)
{
    if (longest < 0 || text.size() <= longest)
        return text;
    const bool splitsPair = longest > 0 && text.at(longest - 1).isHighSurrogate() && text.at(longest).isLowSurrogate();
    // A copy: the whole text is not held by what is kept.
    return QString(text.constData(), splitsPair ? longest - 1 : longest);
}

// A step ends at the first clean cut from its length on, found by looking
// at a few bytes per place (valid text has one within three bytes; only
// damaged bytes can hold the step longer, and the stop is looked at while
// it goes on).
std::optional<QString> decodedPropertyListText(QByteArrayView whole, PropertyListStopCheck& stop)
{
    constexpr qsizetype kStep = PropertyListStopCheck::kStep;
    const qsizetype keep = PropertyListTextCut::keptBytes();
    const QByteArrayView utf8 = keep < 0 || whole.size() <= keep ? whole : whole.first(keep);
    const char* const bytes = utf8.data();
    QString text;
    text.reserve(utf8.size());
    for (qsizetype at = 0; at < utf8.size();) {
        qsizetype end = std::min(utf8.size(), at + kStep);
        for (qsizetype looked = end; end < utf8.size() && !isCleanCut(bytes, end); ++end) {
            if (end - looked >= kStep) {
                if (!stop.mayGoOn(end - looked))
                    return std::nullopt;
                looked = end;
            }
        }
        // The decoding drops a mark at the start of what it decodes; in a
        // string it is text (the document's own mark was dropped before).
        const bool mark = QByteArrayView(bytes + at, end - at).startsWith("\xEF\xBB\xBF");
        if (mark)
            text += QChar(0xFEFF);
        text += QString::fromUtf8(bytes + at, end - at);
        countScanWork(end - at);
        if (!stop.mayGoOn(end - at))
            return std::nullopt;
        at = end;
    }
    return cutPropertyListText(std::move(text), PropertyListTextCut::longest());
}

} // namespace sorvant
