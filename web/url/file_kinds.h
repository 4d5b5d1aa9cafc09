#pragma once
// What kind of file a path extension or a MIME type names: office documents,
// images, multimedia (audio, video, embedded players), markup, rich text,
// archives, executables and "binary" files, plus MIME-type predicates and the
// test for e-mail message files. Fixed vocabularies; extensions are kept in
// lower case without the dot and every test on an extension ignores case.
//
// A null or empty extension or MIME type answers false.

#include <QString>
#include <QStringList>

namespace sorvant {

// --- extension lists -------------------------------------------------------------

// "xls" … "pptx" always, then each flagged group in this order: Word,
// OpenOffice, StarOffice, WordPerfect, PDF, PostScript.
[[nodiscard]] QStringList officeTypesIncludingMSWord(bool msWord, bool openOffice, bool starOffice, bool wordPerfect,
                                                     bool pdf, bool postScript);
[[nodiscard]] const QStringList& officeTypes(); // every group
[[nodiscard]] bool isOfficeType(const QString& extension);

[[nodiscard]] const QStringList& imageTypes();
[[nodiscard]] bool isImageType(const QString& extension);

// The 2-, 3-, 4- and 5-character lists in that order.
[[nodiscard]] QStringList multimediaTypes();
//   "MP3" => true   "mpeg4" => false   "m" => false
[[nodiscard]] bool isMultimediaType(const QString& extension);
// Audio, video and embedded-player lists, each consulted only when its flag
// is set.   ("swf", false, false, true) => true   ("movie", true, false, false) => false
[[nodiscard]] bool isMultimediaType(const QString& extension, bool audio, bool video, bool embedded);

[[nodiscard]] const QStringList& markupTypes();
[[nodiscard]] bool isMarkupType(const QString& extension);

[[nodiscard]] const QStringList& richTextTypes();
[[nodiscard]] bool isRichTextType(const QString& extension);

// The 2-, 3-, 4-, 5- and 7-character lists, then "sparseimage".
[[nodiscard]] QStringList archiveTypes();
//   "SparseImage" => true   "tar.gz" => false   "smi" => true
[[nodiscard]] bool isArchiveType(const QString& extension);

[[nodiscard]] const QStringList& executableTypes();
[[nodiscard]] bool isExecutableType(const QString& extension);

// Images, multimedia, archives, executables, the office list with the six
// office flags, rich text when `richText`, and last "dat".
[[nodiscard]] QStringList binaryFileTypesIncludingRichText(bool richText, bool msWord, bool openOffice, bool starOffice,
                                                           bool wordPerfect, bool pdf, bool postScript);
[[nodiscard]] const QStringList& binaryFileTypes(); // every flag
[[nodiscard]] bool isBinaryFileType(const QString& extension);

// "eml" or "emlx", any case.
[[nodiscard]] bool isEmailExtension(const QString& extension);

// --- MIME-type predicates ---------------------------------------------------------
// Prefix, suffix and containment tests ignore case unless marked
// case-sensitive; parameters such as "; charset=" are not removed first.
//   isHTMLMIMEType("text/plain") => true   isHTMLMIMEType("text/css") => false
//   isXMLMIMEType("text/xml; charset=utf-8") => false
//   isMarkupMIMEType("application/RSS") => false ("rss" is case-sensitive)

[[nodiscard]] bool isMarkupMIMEType(const QString& type);
[[nodiscard]] bool isHTMLMIMEType(const QString& type);
[[nodiscard]] bool isXMLMIMEType(const QString& type);
[[nodiscard]] bool isJSONMIMEType(const QString& type);
[[nodiscard]] bool isJavaScriptMIMEType(const QString& type);
[[nodiscard]] bool isWebArchiveMIMEType(const QString& type);
[[nodiscard]] bool isImageMIMEType(const QString& type);
[[nodiscard]] bool isTextMIMEType(const QString& type);
[[nodiscard]] bool isPlainTextMIMEType(const QString& type);
[[nodiscard]] bool isStylesheetOrScriptMIMEType(const QString& type);
[[nodiscard]] bool isRTFMIMEType(const QString& type);
[[nodiscard]] bool isPDFMIMEType(const QString& type);
[[nodiscard]] bool isPostScriptMIMEType(const QString& type);
[[nodiscard]] bool isMSWordMIMEType(const QString& type);
[[nodiscard]] bool isMSPowerPointMIMEType(const QString& type);
[[nodiscard]] bool isMSExcelMIMEType(const QString& type);
[[nodiscard]] bool isMSOfficeMIMEType(const QString& type);
[[nodiscard]] bool isOpenOfficeMIMEType(const QString& type);
[[nodiscard]] bool isStarOfficeMIMEType(const QString& type);
[[nodiscard]] bool isMultimediaMIMEType(const QString& type);

} // namespace sorvant
