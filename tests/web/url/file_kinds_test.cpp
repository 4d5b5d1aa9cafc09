#include "web/url/file_kinds.h"

#include <gtest/gtest.h>

namespace sorvant {
namespace {

TEST(FileKinds, ExtensionMembershipIgnoresCaseAndLength)
{
    const struct {
        const char* extension;
        bool multimedia, archive, image, office, binary;
    } cases[] = {
        {"MP3", true, false, false, false, true},      {"mpeg4", false, false, false, false, false},
        {"m", false, false, false, false, false},      {"SparseImage", false, true, false, false, true},
        {"tar.gz", false, false, false, false, false}, {"smi", true, true, false, false, true},
        {"JPG", false, false, true, false, true},      {"docx", false, false, false, true, true},
        {"Ai", false, false, false, true, true},       {"torrent", false, true, false, false, true},
        {"dat", false, false, false, false, true},     {"txt", false, false, false, false, false},
        {"", false, false, false, false, false},
    };
    for (const auto& row : cases) {
        SCOPED_TRACE(row.extension);
        const QString extension = QString::fromLatin1(row.extension);
        EXPECT_EQ(isMultimediaType(extension), row.multimedia);
        EXPECT_EQ(isArchiveType(extension), row.archive);
        EXPECT_EQ(isImageType(extension), row.image);
        EXPECT_EQ(isOfficeType(extension), row.office);
        EXPECT_EQ(isBinaryFileType(extension), row.binary);
    }
    EXPECT_FALSE(isMultimediaType(QString()));
    EXPECT_FALSE(isArchiveType(QString()));
    EXPECT_TRUE(isMarkupType(QStringLiteral("XMLOutline")));
    EXPECT_TRUE(isRichTextType(QStringLiteral("RTFD")));
    EXPECT_TRUE(isExecutableType(QStringLiteral("exe")));
    EXPECT_TRUE(isEmailExtension(QStringLiteral("EMLX")));
    EXPECT_FALSE(isEmailExtension(QString()));
}

TEST(FileKinds, MediaKindsByFlag)
{
    const struct {
        const char* extension;
        bool audio, video, embedded, expected;
    } cases[] = {
        {"swf", false, false, true, true},  {"swf", true, true, false, false}, {"movie", true, false, false, false},
        {"movie", false, true, false, true}, {"mp3", true, false, false, true}, {"mp3", false, true, true, false},
        {"WEBM", false, true, false, true},  {"x", true, true, true, false},     {"abcdef", true, true, true, false},
    };
    for (const auto& row : cases) {
        SCOPED_TRACE(row.extension);
        EXPECT_EQ(isMultimediaType(QString::fromLatin1(row.extension), row.audio, row.video, row.embedded),
                  row.expected);
    }
}

TEST(FileKinds, ListsKeepTheirOrderAndCounts)
{
    EXPECT_EQ(multimediaTypes().size(), 91);
    EXPECT_EQ(multimediaTypes().first(), QStringLiteral("ra"));
    EXPECT_EQ(multimediaTypes().last(), QStringLiteral("movie"));
    EXPECT_EQ(archiveTypes().last(), QStringLiteral("sparseimage"));
    EXPECT_EQ(imageTypes().size(), 21);
    EXPECT_EQ(markupTypes().size(), 25);
    const QStringList office = officeTypesIncludingMSWord(false, false, false, false, true, false);
    EXPECT_EQ(office.size(), 12);
    EXPECT_EQ(office.last(), QStringLiteral("pdf"));
    const QStringList binary = binaryFileTypesIncludingRichText(false, true, true, true, true, true, true);
    EXPECT_FALSE(binary.contains(QStringLiteral("rtf")));
    EXPECT_FALSE(binary.contains(QStringLiteral("rtfd")));
    EXPECT_EQ(binary.last(), QStringLiteral("dat"));
    EXPECT_TRUE(binaryFileTypes().contains(QStringLiteral("rtfd")));
}

TEST(FileKinds, MIMETypePredicates)
{
    using Predicate = bool (*)(const QString&);
    const struct {
        Predicate predicate;
        const char* name;
        const char* type;
        bool expected;
    } cases[] = {
        {isHTMLMIMEType, "html", "text/plain", true},
        {isHTMLMIMEType, "html", "text/css", false},
        {isHTMLMIMEType, "html", "application/xhtml+xml", true},
        {isXMLMIMEType, "xml", "application/xml", true},
        {isXMLMIMEType, "xml", "text/xml; charset=utf-8", false},
        {isXMLMIMEType, "xml", "application/rss+xml", true},
        {isMarkupMIMEType, "markup", "application/RSS", false},
        {isMarkupMIMEType, "markup", "application/rss", true},
        {isMarkupMIMEType, "markup", "application/atom+xml", true},
        {isMarkupMIMEType, "markup", "application/pdf", false},
        {isMSOfficeMIMEType, "office", "application/vnd.ms-excel", true},
        {isMSOfficeMIMEType, "office", "application/msword", true},
        {isMSOfficeMIMEType, "office", "application/x-ppt", true},
        {isMSOfficeMIMEType, "office", "application/pdf", false},
        {isJSONMIMEType, "json", "application/x-json", true},
        {isJavaScriptMIMEType, "js", "text/javascript", true},
        {isWebArchiveMIMEType, "webarchive", "Application/X-WebArchive", true},
        {isPlainTextMIMEType, "plain", "text/plain; charset=x", false},
        {isStylesheetOrScriptMIMEType, "style", "text/CSS", true},
        {isRTFMIMEType, "rtf", "text/richtext", true},
        {isRTFMIMEType, "rtf", "text/RichText", false},
        {isPDFMIMEType, "pdf", "application/x-pdf", true},
        {isPostScriptMIMEType, "ps", "application/postscript", true},
        {isOpenOfficeMIMEType, "odt", "application/vnd.oasis.opendocument.text", true},
        {isStarOfficeMIMEType, "sxw", "application/vnd.sun.xml.writer", true},
        {isMultimediaMIMEType, "media", "video/mp4", true},
        {isMultimediaMIMEType, "media", "application/x-msmetafile", true},
        {isMultimediaMIMEType, "media", "image/png", false},
        {isImageMIMEType, "image", "IMAGE/png", true},
    };
    for (const auto& row : cases) {
        SCOPED_TRACE(std::string(row.name) + " " + row.type);
        EXPECT_EQ(row.predicate(QString::fromLatin1(row.type)), row.expected);
        EXPECT_FALSE(row.predicate(QString()));
    }
}

} // namespace
} // namespace sorvant
