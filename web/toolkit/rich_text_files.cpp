#include "web/toolkit/rich_text_files.h"

#include "platform/path_semantics.h"
#include "platform/property_list.h"
#include "platform/string_compare.h"
#include "platform/task.h"
#include "platform/unicode.h"
#include "platform/user_defaults.h"
#include "system/file_operations.h"
#include "system/path_collections.h"
#include "web/toolkit/html_document.h"
#include "web/toolkit/rtf_reader.h"

#include <QFile>
#include <QFileInfo>

namespace sorvant {

namespace {

constexpr unsigned kIgnoreCase = 1;

bool equalIgnoringCase(const QString& a, const QString& b)
{
    return compareStrings(a, b, kIgnoreCase) == 0;
}

bool containsIgnoringCase(const QStringList& list, const QString& value)
{
    for (const QString& entry : list) {
        if (equalIgnoringCase(entry, value))
            return true;
    }
    return false;
}

QString extensionOf(const QString& path)
{
    return QFileInfo(path).suffix();
}

const QStringList& stylesTextTypes()
{
    static const QStringList types{QStringLiteral("'TEXT'"), QStringLiteral("'ttro'"), QStringLiteral("'sEXT'"),
                                   QStringLiteral("'TERO'")};
    return types;
}

} // namespace

const QStringList& AttributedFileTypes()
{
    static const QStringList types = QStringLiteral(
        "'W8BN' XML 'sEXT' odt OTT DOT docm TXT DOC html HTM xml SXW DOCM docx ott dot 'W8TN' 'ttro' WEBARCHIVE HTML "
        "dotm txt doc STW DOCX htm RTF sxw 'TEXT' rtfd DOTM dotx stw webarchive ODT rtf RTFD DOTX zrtf ZRTF")
                                         .split(QLatin1Char(' '));
    return types;
}

const QStringList& plainTextExtensions()
{
    static const QStringList extensions = QStringLiteral(
        "tex bibtex f for f77 f90 fpp x v c cpp hpp cp m mm swift h nim java applescript pl py pm js lisp tcl text txt "
        "org csv tsv tdf tab vcf css seq log strings scriptsuite scriptterminology tamsettSet sdef sh rc hlp bib cls ml "
        "mli mly sty mll sql sqc cmd lst con tab bat err pp p pas inc command pir sw swiss gb genbank em embl fasta gff "
        "aln msf xchatlog conf cfg config template lpd wrl hs lhs ss scm mis ans rb ads adb erl hrl crash diag hang "
        "textile markdown mdtext mdown mark mkdown mmd mdwn md rmd json dot nb haml sass taskpaper ft xqy xq pgn "
        "entitlements lua srt mediawiki asciidoc rst fountain sml")
                                              .split(QLatin1Char(' '));
    return extensions;
}

const QStringList& CustomTextFileTypes()
{
    static const QStringList extensions =
        pathExtensionsForKey(UserDefaults::standardUserDefaults(), QStringLiteral("AdditionalPlainTextExtensions"));
    return extensions;
}

QStringList TextFileTypes()
{
    QStringList types{QStringLiteral("'TERO'"), QStringLiteral("'TEXT'"), QStringLiteral("'ttro'"),
                      QStringLiteral("'sEXT'")};
    for (const QStringList* list : {&plainTextExtensions(), &CustomTextFileTypes()}) {
        for (const QString& extension : *list)
            types << extension << unicode::uppercaseString(extension);
    }
    return types;
}

const QStringList& OpenOfficeFileTypes()
{
    static const QStringList types = QStringLiteral("odt ODT ott OTT stw STW sxw SXW").split(QLatin1Char(' '));
    return types;
}

const QStringList& WordFileTypes()
{
    static const QStringList types =
        QStringLiteral("doc DOC docm DOCM docx DOCX dot DOT dotm DOTM dotx DOTX 'W8TN' 'W8BN'").split(QLatin1Char(' '));
    return types;
}

const QStringList& RTFFileTypes()
{
    static const QStringList types{QStringLiteral("'ttro'"), QStringLiteral("'sEXT'"), QStringLiteral("rtf"),
                                   QStringLiteral("rtfd"),   QStringLiteral("RTF"),    QStringLiteral("RTFD"),
                                   QStringLiteral("'RTF '")};
    return types;
}

const QStringList& TextClippingTypes()
{
    static const QStringList types{QStringLiteral("textClipping"), QStringLiteral("clipping"), QStringLiteral("'clpt'")};
    return types;
}

bool isAttributedExtension(const QString& extension, const QString& type)
{
    if (equalIgnoringCase(extension, QStringLiteral("text")) || equalIgnoringCase(extension, QStringLiteral("txt")))
        return type == QLatin1String("'ttro'") || type == QLatin1String("'sEXT'");
    if (type == QLatin1String("'TEXT'"))
        return false;
    for (const QString& entry : AttributedFileTypes()) {
        if ((!extension.isEmpty() && equalIgnoringCase(entry, extension)) || (!type.isEmpty() && entry == type))
            return true;
    }
    return false;
}

bool isTextExtension(const QString& extension, const QString& type)
{
    if (!extension.isEmpty()
        && (containsIgnoringCase(plainTextExtensions(), extension) || containsIgnoringCase(CustomTextFileTypes(), extension)))
        return true;
    if (type.isEmpty() || !stylesTextTypes().contains(type))
        return false;
    static const QStringList kBinary = QStringLiteral("svg eps hqx bin sit zip skp exe hlp ps ai").split(QLatin1Char(' '));
    return !containsIgnoringCase(kBinary, extension);
}

bool isNisusWriterRTFExtension(const QString& extension)
{
    return equalIgnoringCase(extension, QStringLiteral("zrtf"));
}

bool isOpenOfficeExtension(const QString& extension)
{
    return containsIgnoringCase({QStringLiteral("odt"), QStringLiteral("ott"), QStringLiteral("stw"), QStringLiteral("sxw")},
                                extension);
}

bool isWordExtension(const QString& extension, const QString& type)
{
    static const QStringList kExtensions = QStringLiteral("DOC DOT DOCX DOTX DOCM DOTM").split(QLatin1Char(' '));
    return containsIgnoringCase(kExtensions, extension) || type == QLatin1String("'W8TN'")
           || type == QLatin1String("'W8BN'");
}

bool isRTFExtension(const QString& extension, const QString& type)
{
    return equalIgnoringCase(extension, QStringLiteral("RTF")) || equalIgnoringCase(extension, QStringLiteral("RTFD"))
           || type == QLatin1String("'RTF '") || type == QLatin1String("'ttro'") || type == QLatin1String("'sEXT'");
}

bool isTextClippingExtension(const QString& extension, const QString& type)
{
    return equalIgnoringCase(extension, QStringLiteral("textClipping"))
           || equalIgnoringCase(extension, QStringLiteral("clipping")) || type == QLatin1String("'clpt'");
}

bool isAttributedFile(const QString& path)
{
    return isAttributedExtension(extensionOf(path), QString());
}

bool isTextFile(const QString& path)
{
    return isTextExtension(extensionOf(path), QString());
}

bool isNisusWriterRTFFile(const QString& path)
{
    return isNisusWriterRTFExtension(extensionOf(path));
}

bool isOpenOfficeFile(const QString& path)
{
    return isOpenOfficeExtension(extensionOf(path));
}

bool isWordFile(const QString& path)
{
    return isWordExtension(extensionOf(path), QString());
}

bool isRTFFile(const QString& path)
{
    return isRTFExtension(extensionOf(path), QString());
}

bool isTextClippingFile(const QString& path)
{
    return isTextClippingExtension(extensionOf(path), QString());
}

bool decompressNisusWriterRTFFile(const QString& source, const QString& destination)
{
    if (source.isEmpty() || destination.isEmpty() || !isNisusWriterRTFExtension(extensionOf(source))
        || !QFileInfo::exists(source))
        return false;
    const QString suffix = extensionOf(destination);
    const QString stem = suffix.isEmpty() ? destination : destination.left(destination.size() - suffix.size() - 1);
    const QString compressed = stem + QStringLiteral(".rtf.gz");
    if (!copyPath(source, compressed))
        return false;
    Task gzip(QStringLiteral("/usr/bin/gzip"), {QStringLiteral("-d"), compressed});
    const bool ran = gzip.launchAndSleepUntilExit();
    QFile::remove(compressed);
    if (!ran || !QFileInfo::exists(destination))
        return false;
    QFile file(destination);
    if (!file.open(QIODevice::ReadOnly))
        return true;
    QByteArray bytes = file.readAll();
    file.close();
    static const QByteArray kOpener = "{\\*\\nisusimagedata";
    static const QByteArray kIdentifier = "\\nisusdataid";
    if (bytes.size() < kOpener.size())
        return true;
    bool changed = false;
    while (true) {
        const qsizetype open = bytes.indexOf(kOpener);
        const qsizetype id = open < 0 ? -1 : bytes.indexOf(kIdentifier, open + kOpener.size());
        const qsizetype close = id < 0 ? -1 : bytes.indexOf('}', id + kIdentifier.size());
        if (close < 0)
            break;
        bytes.remove(open, close - open + 1);
        changed = true;
    }
    if (changed && file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        file.write(bytes);
    return true;
}

std::optional<AttributedString> attributedStringWithContentsOfTextClipping(const QString& path,
                                                                             QVariantMap* documentAttributes)
{
    if (documentAttributes != nullptr)
        documentAttributes->clear();
    if (path.isEmpty() || !isTextClippingFile(path))
        return std::nullopt;
    const QVariantMap data = readPropertyListFile(path).toMap().value(QStringLiteral("UTI-Data")).toMap();
    auto answer = [&](const AttributedString& text, const char* type) {
        if (documentAttributes != nullptr)
            documentAttributes->insert(QStringLiteral("DocumentType"), QString::fromLatin1(type));
        return std::optional(text);
    };
    const QVariant rtf = data.value(QStringLiteral("public.rtf"));
    if (rtf.metaType() == QMetaType::fromType<QString>()) {
        if (const auto text = attributedStringWithRTF(rtf.toString().toLatin1()))
            return answer(*text, "NSRTF");
    }
    const QVariant plain = data.value(QStringLiteral("public.utf8-plain-text"));
    if (plain.metaType() == QMetaType::fromType<QString>())
        return answer(AttributedString(plain.toString()), "NSPlainText");
    return std::nullopt;
}

AttributedString attributedStringWithHTML(const QByteArray& data, const QString& encodingName, const URL& baseURL,
                                          QVariantMap* documentAttributes)
{
    const HTMLDocument document(data, encodingName);
    if (documentAttributes != nullptr) {
        QString title;
        document.forEachElement([&](const HTMLElement& element) {
            if (title.isNull() && element.isNamed("title"))
                title = element.textContent().simplified();
        });
        *documentAttributes = QVariantMap{{QStringLiteral("DocumentType"), QStringLiteral("NSHTML")}};
        if (!title.isNull())
            documentAttributes->insert(QStringLiteral("Title"), title);
    }
    URL base = baseURL;
    if (base.isNull())
        base = document.baseURL();
    return document.attributedText(base);
}

} // namespace sorvant
