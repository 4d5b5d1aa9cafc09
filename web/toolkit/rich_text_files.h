#pragma once
// Which files open as rich text or as plain text, by extension and by HFS
// type code (the quoted four-character form, "'TEXT'"), and the readers of
// compressed ".zrtf" files and text clippings. Extension tests ignore case;
// type tests are exact. Linux files carry no type codes, so the file tests
// decide by extension alone.

#include "foundation/attributed_string.h"
#include "platform/url.h"

#include <QString>
#include <QStringList>
#include <QVariantMap>

#include <optional>

namespace sorvant {

// --- type lists ----------------------------------------------------------------
// The 41 extensions and types that open as rich text.
[[nodiscard]] const QStringList& AttributedFileTypes();
// The 125 plain-text extensions (lower case; "tab" twice).
[[nodiscard]] const QStringList& plainTextExtensions();
// The user's extra plain-text extensions ("AdditionalPlainTextExtensions"),
// read once.
[[nodiscard]] const QStringList& CustomTextFileTypes();
// "'TERO'", "'TEXT'", "'ttro'", "'sEXT'", then each plain-text and custom
// extension followed by its upper-case form.
[[nodiscard]] QStringList TextFileTypes();
[[nodiscard]] const QStringList& OpenOfficeFileTypes();
[[nodiscard]] const QStringList& WordFileTypes();
[[nodiscard]] const QStringList& RTFFileTypes();
[[nodiscard]] const QStringList& TextClippingTypes();

// --- extension and type tests ----------------------------------------------------
//   ("TXT", "'ttro'") => true   ("txt", "'TEXT'") => false   ("ODT", "") => true
[[nodiscard]] bool isAttributedExtension(const QString& extension, const QString& type);
//   ("PY", "") => true   ("eps", "'TEXT'") => false   ("xyz", "'TEXT'") => true   ("xyz", "") => false
[[nodiscard]] bool isTextExtension(const QString& extension, const QString& type);
[[nodiscard]] bool isNisusWriterRTFExtension(const QString& extension);
[[nodiscard]] bool isOpenOfficeExtension(const QString& extension);
[[nodiscard]] bool isWordExtension(const QString& extension, const QString& type);
[[nodiscard]] bool isRTFExtension(const QString& extension, const QString& type);
[[nodiscard]] bool isTextClippingExtension(const QString& extension, const QString& type);

// --- file tests (by the path's extension) -----------------------------------------
[[nodiscard]] bool isAttributedFile(const QString& path);
[[nodiscard]] bool isTextFile(const QString& path);
[[nodiscard]] bool isNisusWriterRTFFile(const QString& path);
[[nodiscard]] bool isOpenOfficeFile(const QString& path);
[[nodiscard]] bool isWordFile(const QString& path);
[[nodiscard]] bool isRTFFile(const QString& path);
[[nodiscard]] bool isTextClippingFile(const QString& path);

// --- readers ---------------------------------------------------------------------------
// Decompresses a ".zrtf" file with gzip into `destination` (which should
// end in ".rtf") and removes its embedded image-data groups. False for a
// missing or misnamed source or when gzip fails.
bool decompressNisusWriterRTFFile(const QString& source, const QString& destination);

// The text of a clipping file: a property list whose "UTI-Data" dictionary
// holds "public.rtf" (RTF text) or "public.utf8-plain-text". Rich-text
// directory data ("com.apple.flat-rtfd") is not read. `documentAttributes`,
// when given, gets "DocumentType" ("NSRTF" or "NSPlainText"). Nil when the
// path is no clipping or nothing usable is in it.
[[nodiscard]] std::optional<AttributedString> attributedStringWithContentsOfTextClipping(
    const QString& path, QVariantMap* documentAttributes = nullptr);

// HTML as rich text (see HTMLDocument::attributedText): `data` in
// `encodingName` (null: as the document declares, else UTF-8), links made
// absolute against `baseURL` when it is not null. Nothing is loaded from
// the network, so there is no load to time out. `documentAttributes`, when
// given, gets "DocumentType" "NSHTML" and the "Title".
[[nodiscard]] AttributedString attributedStringWithHTML(const QByteArray& data, const QString& encodingName,
                                                        const URL& baseURL, QVariantMap* documentAttributes);

} // namespace sorvant
