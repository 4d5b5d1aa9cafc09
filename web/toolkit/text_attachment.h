#pragma once
// TextAttachment: the value an attributed text keeps under the "Attachment"
// attribute on its U+FFFC character: a file's preferred name and contents,
// and the path it came from when it was read from disk.

#include <QByteArray>
#include <QMetaType>
#include <QString>

namespace sorvant {

struct TextAttachment
{
    QString preferredFilename;
    QByteArray contents;
    QString path;   // empty for attachments made from data

    // Whether it holds an address-book card with an e-mail address: a
    // "vcf" or "vcard" file, or contents starting "BEGIN:VCARD", that has an
    // "EMAIL" property.
    [[nodiscard]] bool isEmailContactCard() const;

    friend bool operator==(const TextAttachment&, const TextAttachment&) = default;
};

} // namespace sorvant

Q_DECLARE_METATYPE(sorvant::TextAttachment)
