#include "web/toolkit/pasteboard_rich_text.h"

#include "interface/pasteboard.h"
#include "web/toolkit/rtf_reader.h"
#include "web/toolkit/rtf_writer.h"

namespace sorvant {

std::optional<AttributedString> attributedStringFromPasteboard(const Pasteboard* pasteboard)
{
    if (!pasteboard)
        return std::nullopt;
    const QString type = pasteboard->availableTypeFromArray(richTextPboardTypes());
    if (type != NSPasteboardTypeRTF)
        return std::nullopt;
    const QByteArray data = pasteboard->dataForType(type);
    if (data.isEmpty())
        return std::nullopt;
    return attributedStringWithRTF(data);
}

bool copyToPasteboard(const AttributedString& string, Pasteboard& pasteboard)
{
    const QByteArray rtf = RTFFromAttributedString(string);
    if (rtf.isEmpty())
        return false;
    Pasteboard::ChangeBatch batch(pasteboard);
    pasteboard.declareTypes({NSPasteboardTypeRTF});
    pasteboard.setData(rtf, NSPasteboardTypeRTF);
    return true;
}

} // namespace sorvant
