#include "system/image_file_types.h"

#include "foundation/no_case_comparison.h"
#include "foundation/range.h"
#include "platform/file_system_representation.h"
#include "platform/regular_files.h"
#include "platform/path_semantics.h"
#include "platform/unicode.h"
#include "system/file_tests.h"
#include "system/folder_listings.h"
#include "system/image_file_info.h"

#include <QHash>
#include <QLocale>
#include <QMimeData>
#include <QSet>
#include <QUrl>

#include <algorithm>
#include <sys/stat.h>

namespace sorvant {

namespace {

bool equalsOneNoCase(const QString& text, const QStringList& names)
{
    return typedValueForKeys(text, names) != NSNotFound;
}

constexpr QLatin1String kPDFType("'PDF '");

// A regular file, or a link to one.
bool isRegularFile(const QString& path)
{
    return isRegularFileAtPath(fileSystemRepresentation(path).constData());
}

// The items directly inside `folder` whose extension is `extension` in any
// case and that `keep` accepts, sorted by name so that "first" means the
// same on every file system. Names are kept byte-exact.
template<typename Keep>
QStringList itemsWithExtension(const QString& folder, const QString& extension, Keep keep)
{
    QStringList found = pathsAtPathMatchingExtension(folder, extension);
    found.removeIf([&](const QString& path) { return !keep(path); });
    std::sort(found.begin(), found.end());
    return found;
}

QStringList filesWithExtension(const QString& folder, const QString& extension)
{
    return itemsWithExtension(folder, extension, isRegularFile);
}

QString pdfInSkimBundle(const QString& bundle)
{
    const QString named = stringByAppendingPathComponent(
        bundle, stringByDeletingPathExtension(lastPathComponent(bundle)) + QStringLiteral(".pdf"));
    if (isRegularFile(named))
        return named;
    const QStringList pdfs = filesWithExtension(bundle, QStringLiteral("pdf"));
    return pdfs.isEmpty() ? bundle : pdfs.first();
}

QString pdfInLocalizedBundle(const QString& bundle)
{
    QString resources = stringByAppendingPathComponent(bundle, QStringLiteral("Contents/Resources"));
    if (!isDirectoryAtPath(resources))
        resources = bundle;
    QStringList localizations;
    const auto isFolder = [](const QString& path) { return isDirectoryAtPath(path); };
    for (const QString& folder : itemsWithExtension(resources, QStringLiteral("lproj"), isFolder))
        localizations.append(stringByDeletingPathExtension(lastPathComponent(folder)));
    const QString localization = preferredLocalization(localizations, QLocale::system().uiLanguages());
    if (localization.isNull())
        return QString();
    const QStringList pdfs = filesWithExtension(
        stringByAppendingPathComponent(resources, localization + QStringLiteral(".lproj")), QStringLiteral("pdf"));
    return pdfs.isEmpty() ? QString() : pdfs.first();
}

// Whether a URI list names exactly one file whose extension is an image's.
bool isOneImageFile(const QList<QUrl>& urls)
{
    return urls.size() == 1 && urls.first().isLocalFile() && isImageFile(pathOfFileURL(urls.first()));
}

} // namespace

const QStringList& ImageFileTypes()
{
    static const QStringList types = [] {
        QStringList list;
        for (const QByteArray& format : imageReaderFormats())
            list.append(QString::fromLatin1(format));
        for (const char* extra : {"jpe", "JPE", "ps", "PS", "eps", "EPS", "ai", "AI"})
            list.append(QLatin1String(extra));
        return list;
    }();
    return types;
}

QStringList PDFFileTypes()
{
    return {QString(kPDFType), QStringLiteral("pdf"), QStringLiteral("PDF"), QStringLiteral("ps"), QStringLiteral("PS"),
            QStringLiteral("eps"), QStringLiteral("EPS"), QStringLiteral("ai"),  QStringLiteral("AI")};
}

QStringList PDFBundleTypes()
{
    return {QStringLiteral("pdfd"), QStringLiteral("PDFD"), QStringLiteral("lpdf"), QStringLiteral("LPDF")};
}

bool isImageExtension(const QString& extension, const QString& type)
{
    // The list folded once, so that a test folds only the extension; equal
    // lengths are required as isEqualToStringNoCase requires them.
    struct Lookup
    {
        QHash<QString, qsizetype> foldedLengths;
        QSet<QString> exact;
    };
    static const Lookup lookup = [] {
        Lookup built;
        for (const QString& entry : ImageFileTypes()) {
            built.foldedLengths.insert(unicode::caseFoldedString(entry), entry.size());
            built.exact.insert(entry);
        }
        return built;
    }();
    if (!extension.isEmpty()) {
        const auto found = lookup.foldedLengths.constFind(unicode::caseFoldedString(extension));
        if (found != lookup.foldedLengths.cend() && found.value() == extension.size())
            return true;
    }
    return !type.isEmpty() && lookup.exact.contains(type);
}

bool isImageFile(const QString& path)
{
    return isImageExtension(pathExtension(path), QString());
}

bool isWebImageExtension(const QString& extension)
{
    return equalsOneNoCase(extension, {QStringLiteral("jpg"), QStringLiteral("jpe"), QStringLiteral("jp2"), QStringLiteral("gif"), QStringLiteral("png"), QStringLiteral("jpeg")});
}

bool isPostScriptExtension(const QString& extension)
{
    return equalsOneNoCase(extension, {QStringLiteral("ps"), QStringLiteral("eps"), QStringLiteral("ai")});
}

bool isPostScriptFile(const QString& path)
{
    return isPostScriptExtension(pathExtension(path));
}

bool isRealPDFExtension(const QString& extension, const QString& type)
{
    return type == kPDFType || isEqualToStringNoCase(extension, QStringLiteral("pdf"));
}

bool isRealPDFFile(const QString& path)
{
    return isRealPDFExtension(pathExtension(path), QString());
}

bool isPDFExtension(const QString& extension, const QString& type)
{
    return isRealPDFExtension(extension, type) || isPostScriptExtension(extension);
}

bool isPDFFile(const QString& path)
{
    return isPDFExtension(pathExtension(path), QString());
}

bool isPDFBundleExtension(const QString& extension)
{
    return equalsOneNoCase(extension, {QStringLiteral("pdfd"), QStringLiteral("lpdf")});
}

bool isSkimPDFBundle(const QString& path)
{
    return hasSuffixNoCase(path, QStringLiteral(".pdfd"));
}

bool isLocalizedPDFBundle(const QString& path)
{
    return hasSuffixNoCase(path, QStringLiteral(".lpdf"));
}

bool isPDFBundle(const QString& path)
{
    return isSkimPDFBundle(path) || isLocalizedPDFBundle(path);
}

QString pathToPDF(const QString& path)
{
    if (isSkimPDFBundle(path))
        return pdfInSkimBundle(path);
    if (isLocalizedPDFBundle(path))
        return pdfInLocalizedBundle(path);
    return path;
}

QString preferredLocalization(const QStringList& localizations, const QStringList& languages)
{
    if (localizations.isEmpty())
        return QString();
    const auto find = [&](const QString& wanted) -> QString {
        for (const QString& localization : localizations) {
            if (!wanted.isEmpty() && isEqualToStringNoCase(localization, wanted))
                return localization;
        }
        return QString();
    };
    for (const QString& language : languages) {
        QString posix = language;
        posix.replace(QLatin1Char('-'), QLatin1Char('_'));
        const QString code = posix.section(QLatin1Char('_'), 0, 0);
        for (const QString& wanted :
             {language, posix, code, QLocale::languageToString(QLocale(code).language())}) {
            const QString found = find(wanted);
            if (!found.isNull())
                return found;
        }
    }
    for (const char* fallback : {"en", "English"}) {
        const QString found = find(QLatin1String(fallback));
        if (!found.isNull())
            return found;
    }
    QStringList sorted = localizations;
    sorted.sort();
    return sorted.first();
}

bool canProbablyInitWithPasteboard(const QMimeData* pasteboard)
{
    if (!pasteboard)
        return false;
    // Linux counterparts of the image flavours, in the order they are tried.
    for (const char* format : {"image/jp2", "image/jpeg", "image/png", "application/x-qt-image", "image/tiff",
                               "application/pdf", "application/postscript", "image/x-eps", "image/x-icns"}) {
        if (pasteboard->hasFormat(QLatin1String(format)))
            return true;
    }
    if (pasteboard->hasUrls())
        return isOneImageFile(pasteboard->urls());
    return false;
}

} // namespace sorvant
