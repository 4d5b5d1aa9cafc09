#include "web/toolkit/text_attachment.h"

#include "platform/string_compare.h"

#include <QByteArrayList>

namespace sorvant {

bool TextAttachment::isEmailContactCard() const
{
    const QString extension = preferredFilename.section(QLatin1Char('.'), -1);
    const bool card = (preferredFilename.contains(QLatin1Char('.'))
                       && (compareStrings(extension, u"vcf", 1) == 0
                           || compareStrings(extension, u"vcard", 1) == 0))
                      || contents.trimmed().startsWith("BEGIN:VCARD");
    if (!card)
        return false;
    // A property line "EMAIL;TYPE=work:..." or "item1.EMAIL:...".
    for (const QByteArray& line : contents.split('\n')) {
        const QByteArray name = line.left(line.indexOf(':')).toUpper();
        if (name.startsWith("EMAIL") || name.contains(".EMAIL"))
            return true;
    }
    return false;
}

} // namespace sorvant
