#include "web/url/file_kinds.h"

#include "foundation/string_membership.h"

#include <array>
#include <initializer_list>

namespace sorvant {

namespace {

using Words = std::initializer_list<const char*>;

QStringList listOf(Words words)
{
    QStringList list;
    list.reserve(static_cast<qsizetype>(words.size()));
    for (const char* word : words)
        list.append(QString::fromLatin1(word));
    return list;
}

// Lists of equal-length extensions, indexed by length. Membership compares
// in ASCII lower case, which is what every entry is written in.
struct LengthBuckets {
    std::array<QStringList, 12> byLength;

    bool contains(const QString& extension) const
    {
        const qsizetype length = extension.size();
        if (length <= 0 || length >= static_cast<qsizetype>(byLength.size()))
            return false;
        const QStringList& list = byLength[static_cast<size_t>(length)];
        if (list.isEmpty())
            return false;
        return list.contains(extension.toLower());
    }

    QStringList all() const
    {
        QStringList out;
        for (const QStringList& list : byLength)
            out += list;
        return out;
    }
};

// Every extension lower-cased once and compared in full.
const LengthBuckets& multimediaBuckets()
{
    static const LengthBuckets buckets = [] {
        LengthBuckets b;
        b.byLength[2] = listOf({"ra", "rm", "qt", "au", "dv", "ts"});
        b.byLength[3] = listOf({"avi", "vfw", "swf", "swa", "viv", "ram", "wmv", "wma", "asf", "asx", "wvx",
                                "mov", "mqv", "mpe", "mpm", "mpa", "mpv", "m1v", "m1a", "m1s", "m15", "m2v",
                                "m2a", "m3u", "m75", "mpg", "mp2", "mp3", "m4a", "m4b", "m4v", "mp4", "m4p",
                                "aif", "wav", "snd", "mid", "rmi", "3gp", "3g2", "flc", "bwf", "pls", "cel",
                                "gsm", "dvd", "qht", "amr", "aac", "sdp", "atr", "dif", "sdv", "sd2", "smf",
                                "smi", "caf", "kar", "amc", "qtz", "flv", "fid", "f4v"});
        b.byLength[4] = listOf({"moov", "mpeg", "mpv2", "mpga", "divx", "aiff", "aifc", "midi", "3gpp", "3gp2",
                                "qtpf", "adts", "skin", "smil", "rtsp", "cdda", "qhtm", "rmvb", "webm", "m3u8",
                                "mjpg"});
        b.byLength[5] = listOf({"movie"});
        return b;
    }();
    return buckets;
}

const LengthBuckets& archiveBuckets()
{
    static const LengthBuckets buckets = [] {
        LengthBuckets b;
        b.byLength[2] = listOf({"gz", "bz", "7z"});
        b.byLength[3] = listOf({"tgz", "tar", "tbz", "bz2", "bin", "hqx", "sit", "zip", "jar", "dmg", "smi",
                                "img", "lha", "lzh", "iso", "rar", "arj"});
        b.byLength[4] = listOf({"sitx", "gzip", "bzip"});
        b.byLength[5] = listOf({"bzip2", "bzip5"});
        b.byLength[7] = listOf({"torrent"});
        b.byLength[11] = listOf({"sparseimage"});
        return b;
    }();
    return buckets;
}

struct MediaKinds {
    LengthBuckets audio, video, embedded;
};

const MediaKinds& mediaKinds()
{
    static const MediaKinds kinds = [] {
        MediaKinds k;
        k.audio.byLength[2] = listOf({"ra", "au"});
        k.audio.byLength[3] = listOf({"ram", "wma", "mp3", "m3u", "m4a", "mpa", "m4p", "aif", "m2a", "wav", "snd",
                                      "mid", "rmi"});
        k.audio.byLength[4] = listOf({"aifc", "aiff", "mpga", "midi"});
        k.video.byLength[2] = listOf({"rm", "qt", "ts"});
        k.video.byLength[3] = listOf({"mp2", "mpe", "wmv", "asf", "asx", "mov", "avi", "m1v", "mp4", "m2v", "mpg",
                                      "3g2", "flc", "wvx", "flv", "m4v", "f4v", "fid"});
        k.video.byLength[4] = listOf({"mpeg", "divx", "moov", "mpv2", "rmvb", "webm", "3gpp", "3gp2", "m3u8"});
        k.video.byLength[5] = listOf({"movie"});
        k.embedded.byLength[3] = listOf({"swf", "viv"});
        return k;
    }();
    return kinds;
}

bool startsWith(const QString& type, const char* prefix)
{
    return type.startsWith(QLatin1String(prefix), Qt::CaseInsensitive);
}

bool endsWith(const QString& type, Words suffixes)
{
    for (const char* suffix : suffixes) {
        if (type.endsWith(QLatin1String(suffix), Qt::CaseInsensitive))
            return true;
    }
    return false;
}

bool containsAny(const QString& type, Words parts, Qt::CaseSensitivity cs = Qt::CaseInsensitive)
{
    for (const char* part : parts) {
        if (type.contains(QLatin1String(part), cs))
            return true;
    }
    return false;
}

} // namespace

// --- extension lists ------------------------------------------------------------------

QStringList officeTypesIncludingMSWord(bool msWord, bool openOffice, bool starOffice, bool wordPerfect, bool pdf,
                                       bool postScript)
{
    QStringList list = listOf({"xls", "xlsx", "xla", "xlc", "xlm", "xlt", "xlw", "pps", "pot", "ppt", "pptx"});
    if (msWord)
        list += listOf({"word", "doc", "docm", "docx", "dot", "dotm", "dotx"});
    if (openOffice)
        list += listOf({"odt", "ott"});
    if (starOffice)
        list += listOf({"stw", "sxw"});
    if (wordPerfect)
        list += listOf({"wpd"});
    if (pdf)
        list += listOf({"pdf"});
    if (postScript)
        list += listOf({"postscript", "ps", "eps", "ai"});
    return list;
}

const QStringList& officeTypes()
{
    static const QStringList list = officeTypesIncludingMSWord(true, true, true, true, true, true);
    return list;
}

bool isOfficeType(const QString& extension)
{
    return containsStringNoCase(officeTypes(), extension);
}

const QStringList& imageTypes()
{
    static const QStringList list = listOf({"jpeg", "jpe", "jpg", "jfif", "ief", "gif", "png", "bmp", "tiff", "tif",
                                            "ras", "cmx", "ico", "pnm", "pbm", "pgm", "ppm", "rgb", "xbm", "xwd",
                                            "cod"});
    return list;
}

bool isImageType(const QString& extension)
{
    return containsStringNoCase(imageTypes(), extension);
}

QStringList multimediaTypes()
{
    return multimediaBuckets().all();
}

bool isMultimediaType(const QString& extension)
{
    return extension.size() >= 2 && extension.size() <= 5 && multimediaBuckets().contains(extension);
}

bool isMultimediaType(const QString& extension, bool audio, bool video, bool embedded)
{
    if (extension.size() < 2 || extension.size() > 5)
        return false;
    const MediaKinds& kinds = mediaKinds();
    return (audio && kinds.audio.contains(extension)) || (video && kinds.video.contains(extension)) ||
           (embedded && kinds.embedded.contains(extension));
}

const QStringList& markupTypes()
{
    static const QStringList list =
        listOf({"sgm", "sgml", "dtd", "xml", "xsl", "xslt", "xbl", "ent", "wml", "opml", "plist", "sdef", "idata",
                "xmloutline", "rss", "rdf", "rsd", "tbx", "qfilter", "xsd", "wsdl", "dita", "ditamap", "ditaval",
                "opf"});
    return list;
}

bool isMarkupType(const QString& extension)
{
    return containsStringNoCase(markupTypes(), extension);
}

const QStringList& richTextTypes()
{
    static const QStringList list = listOf({"rtf", "rtfd"});
    return list;
}

bool isRichTextType(const QString& extension)
{
    return containsStringNoCase(richTextTypes(), extension);
}

QStringList archiveTypes()
{
    return archiveBuckets().all();
}

bool isArchiveType(const QString& extension)
{
    return archiveBuckets().contains(extension);
}

const QStringList& executableTypes()
{
    static const QStringList list = listOf({"class", "exe"});
    return list;
}

bool isExecutableType(const QString& extension)
{
    return containsStringNoCase(executableTypes(), extension);
}

QStringList binaryFileTypesIncludingRichText(bool richText, bool msWord, bool openOffice, bool starOffice,
                                             bool wordPerfect, bool pdf, bool postScript)
{
    QStringList list = imageTypes();
    list += multimediaTypes();
    list += archiveTypes();
    list += executableTypes();
    list += officeTypesIncludingMSWord(msWord, openOffice, starOffice, wordPerfect, pdf, postScript);
    if (richText)
        list += richTextTypes();
    list.append(QStringLiteral("dat"));
    return list;
}

const QStringList& binaryFileTypes()
{
    static const QStringList list = binaryFileTypesIncludingRichText(true, true, true, true, true, true, true);
    return list;
}

bool isBinaryFileType(const QString& extension)
{
    return containsStringNoCase(binaryFileTypes(), extension);
}

bool isEmailExtension(const QString& extension)
{
    return extension.compare(QLatin1String("eml"), Qt::CaseInsensitive) == 0 ||
           extension.compare(QLatin1String("emlx"), Qt::CaseInsensitive) == 0;
}

// --- MIME types ---------------------------------------------------------------------------

bool isMarkupMIMEType(const QString& type)
{
    if (startsWith(type, "text/"))
        return true;
    return startsWith(type, "application/") &&
           (containsAny(type, {"htm", "sgml", "xml", "rsd", "atom"}) ||
            containsAny(type, {"rdf", "rss"}, Qt::CaseSensitive));
}

bool isHTMLMIMEType(const QString& type)
{
    if (startsWith(type, "text/") && !startsWith(type, "text/css") && !startsWith(type, "text/javascript"))
        return true;
    return containsAny(type, {"htm"});
}

bool isXMLMIMEType(const QString& type) { return endsWith(type, {"/xml", "/rss+xml"}); }
bool isJSONMIMEType(const QString& type) { return endsWith(type, {"/json", "/x-json"}); }
bool isJavaScriptMIMEType(const QString& type) { return endsWith(type, {"/javascript", "/x-javascript"}); }

bool isWebArchiveMIMEType(const QString& type)
{
    return type.compare(QLatin1String("application/x-webarchive"), Qt::CaseInsensitive) == 0;
}

bool isImageMIMEType(const QString& type) { return startsWith(type, "image/"); }
bool isTextMIMEType(const QString& type) { return startsWith(type, "text/"); }

bool isPlainTextMIMEType(const QString& type)
{
    return type.compare(QLatin1String("text/plain"), Qt::CaseInsensitive) == 0;
}

bool isStylesheetOrScriptMIMEType(const QString& type) { return containsAny(type, {"css", "javascript", "pointplus"}); }

bool isRTFMIMEType(const QString& type)
{
    return endsWith(type, {"/rtf", "/x-rtf"}) || type.contains(QLatin1String("richtext"));
}

bool isPDFMIMEType(const QString& type) { return endsWith(type, {"/pdf", "/x-pdf"}); }
bool isPostScriptMIMEType(const QString& type) { return endsWith(type, {"/postscript", "/x-postscript"}); }

bool isMSWordMIMEType(const QString& type)
{
    return containsAny(type, {"msword"}) || endsWith(type, {"/doc", "/docx", "/x-doc", "/x-docx", "/dot", "/x-dot"});
}

bool isMSPowerPointMIMEType(const QString& type) { return containsAny(type, {"powerpoint", "/ppt", "/x-ppt"}); }
bool isMSExcelMIMEType(const QString& type) { return containsAny(type, {"excel", "/xls", "/x-xls"}); }

bool isMSOfficeMIMEType(const QString& type)
{
    return isMSWordMIMEType(type) || isMSPowerPointMIMEType(type) || isMSExcelMIMEType(type);
}

bool isOpenOfficeMIMEType(const QString& type) { return containsAny(type, {"/vnd.oasis.opendocument.text"}); }
bool isStarOfficeMIMEType(const QString& type) { return containsAny(type, {"/vnd.sun.xml.writer"}); }

bool isMultimediaMIMEType(const QString& type)
{
    return startsWith(type, "audio/") || startsWith(type, "video/") ||
           containsAny(type, {"/wmf", "/x-wmf", "/asf", "/x-asf", "/asx", "/x-asx", "msmetafile"});
}

} // namespace sorvant
