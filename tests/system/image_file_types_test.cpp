#include "system/image_file_types.h"

#include "platform/file_system_representation.h"

#include "tests/support/temp_tree.h"

#include <QMimeData>
#include <QUrl>

#include <gtest/gtest.h>

namespace sorvant {
namespace {

TEST(ImageFileTypes, ExtensionsIgnoreCaseTypesDoNot)
{
    EXPECT_TRUE(isImageExtension(QStringLiteral("PNG"), QString()));
    EXPECT_TRUE(isImageExtension(QStringLiteral("jpeg"), QString()));
    EXPECT_TRUE(isImageExtension(QStringLiteral("JPE"), QString()));
    EXPECT_TRUE(isImageExtension(QStringLiteral("Ai"), QString()));
    EXPECT_FALSE(isImageExtension(QStringLiteral("txt"), QString()));
    EXPECT_FALSE(isImageExtension(QString(), QStringLiteral("'PDF '")));
    EXPECT_TRUE(isImageExtension(QString(), QStringLiteral("png")));
    EXPECT_FALSE(isImageExtension(QString(), QStringLiteral("PNG"))) << "types compare case-sensitively";
    EXPECT_FALSE(isImageExtension(QStringLiteral(""), QStringLiteral("")));
    EXPECT_TRUE(isImageFile(QStringLiteral("/a/b.Jpg")));
    EXPECT_FALSE(isImageFile(QStringLiteral("/a.png/b")));
    EXPECT_FALSE(isImageFile(QString()));
}

TEST(ImageFileTypes, ListsEndWithTheAddedEntries)
{
    const QStringList& types = ImageFileTypes();
    ASSERT_GE(types.size(), 8);
    EXPECT_EQ(types.mid(types.size() - 8),
              (QStringList{"jpe", "JPE", "ps", "PS", "eps", "EPS", "ai", "AI"}));
    EXPECT_EQ(PDFFileTypes().first(), QStringLiteral("'PDF '"));
    EXPECT_EQ(PDFFileTypes().size(), 9);
    EXPECT_EQ(PDFBundleTypes(), (QStringList{"pdfd", "PDFD", "lpdf", "LPDF"}));
}

TEST(ImageFileTypes, PostScriptCountsAsPDFButNotAsRealPDF)
{
    const struct
    {
        const char* extension;
        const char* type;
        bool pdf;
        bool realPDF;
    } cases[] = {
        {"pdf", nullptr, true, true},   {"PDF", nullptr, true, true},  {"eps", nullptr, true, false},
        {"AI", nullptr, true, false},   {"ps", nullptr, true, false},  {nullptr, "'PDF '", true, true},
        {nullptr, "'pdf '", false, false}, {"png", nullptr, false, false}, {"", "", false, false},
    };
    for (const auto& row : cases) {
        SCOPED_TRACE(std::string(row.extension ? row.extension : "(null)") + " " + (row.type ? row.type : "(null)"));
        const QString extension = row.extension ? QString::fromLatin1(row.extension) : QString();
        const QString type = row.type ? QString::fromLatin1(row.type) : QString();
        EXPECT_EQ(isPDFExtension(extension, type), row.pdf);
        EXPECT_EQ(isRealPDFExtension(extension, type), row.realPDF);
    }
    EXPECT_TRUE(isPDFFile(QStringLiteral("/x/y.EPS")));
    EXPECT_FALSE(isRealPDFFile(QStringLiteral("/x/y.EPS")));
    EXPECT_TRUE(isPostScriptFile(QStringLiteral("/x/y.ps")));
    EXPECT_TRUE(isWebImageExtension(QStringLiteral("GIF")));
    EXPECT_FALSE(isWebImageExtension(QStringLiteral("tiff")));
    EXPECT_FALSE(isWebImageExtension(QString()));
}

TEST(ImageFileTypes, PDFBundlesBySuffix)
{
    EXPECT_TRUE(isSkimPDFBundle(QStringLiteral("/a/x.PDFD")));
    EXPECT_FALSE(isSkimPDFBundle(QStringLiteral("/a/x.pdf")));
    EXPECT_TRUE(isLocalizedPDFBundle(QStringLiteral("/a/x.lpdf")));
    EXPECT_TRUE(isPDFBundle(QStringLiteral("/a/x.lpdf")));
    EXPECT_FALSE(isPDFBundle(QString()));
    EXPECT_TRUE(isPDFBundleExtension(QStringLiteral("LPDF")));
    EXPECT_FALSE(isPDFBundleExtension(QStringLiteral("pdf")));
}

class PathToPDF : public testing::Test
{
protected:
    test::TempTree m_tree;
};

TEST_F(PathToPDF, OtherPathsAreUnchanged)
{
    EXPECT_EQ(pathToPDF(QStringLiteral("/a/b.pdf")), QStringLiteral("/a/b.pdf"));
    EXPECT_TRUE(pathToPDF(QString()).isNull());
}

TEST_F(PathToPDF, SkimBundlePrefersTheFileNamedLikeTheBundle)
{
    m_tree.writeFile(QStringLiteral("Notes.pdfd/a.pdf"));
    const QString named = m_tree.writeFile(QStringLiteral("Notes.pdfd/Notes.pdf"));
    EXPECT_EQ(pathToPDF(m_tree.filePath(QStringLiteral("Notes.pdfd"))), named);
}

TEST_F(PathToPDF, SkimBundleFallsBackToAnyPDFThenToItself)
{
    m_tree.writeFile(QStringLiteral("One.pdfd/notes.skim"));
    const QString other = m_tree.writeFile(QStringLiteral("One.pdfd/Other.PDF"));
    EXPECT_EQ(pathToPDF(m_tree.filePath(QStringLiteral("One.pdfd"))), other);
    const QString empty = m_tree.makeDir(QStringLiteral("Empty.pdfd"));
    EXPECT_EQ(pathToPDF(empty), empty);
}

TEST_F(PathToPDF, LocalizedBundleTakesThePreferredLocalization)
{
    const QString english = m_tree.writeFile(QStringLiteral("Doc.lpdf/Contents/Resources/en.lproj/Doc.pdf"));
    m_tree.writeFile(QStringLiteral("Doc.lpdf/Contents/Resources/xx.lproj/Doc.pdf"));
    EXPECT_EQ(pathToPDF(m_tree.filePath(QStringLiteral("Doc.lpdf"))), english);
    m_tree.makeDir(QStringLiteral("None.lpdf/Contents/Resources/en.lproj"));
    EXPECT_TRUE(pathToPDF(m_tree.filePath(QStringLiteral("None.lpdf"))).isNull());
    const QString flat = m_tree.writeFile(QStringLiteral("Flat.lpdf/en.lproj/x.pdf"));
    EXPECT_EQ(pathToPDF(m_tree.filePath(QStringLiteral("Flat.lpdf"))), flat);
}

TEST_F(PathToPDF, BundlesInFoldersNamedWithBytesThatAreNotUtf8)
{
    const QByteArray folder = fileSystemRepresentation(m_tree.path()) + "/in\xFF";
    test::makeDirBytes(folder);
    test::makeDirBytes(folder + "/N\xFF.pdfd");
    test::writeFileBytes(folder + "/N\xFF.pdfd/other\xFE.pdf");
    EXPECT_EQ(pathToPDF(stringWithFileSystemRepresentation(folder + "/N\xFF.pdfd")),
              stringWithFileSystemRepresentation(folder + "/N\xFF.pdfd/other\xFE.pdf"));
    test::writeFileBytes(folder + "/N\xFF.pdfd/N\xFF.pdf");
    EXPECT_EQ(pathToPDF(stringWithFileSystemRepresentation(folder + "/N\xFF.pdfd")),
              stringWithFileSystemRepresentation(folder + "/N\xFF.pdfd/N\xFF.pdf"));
    for (const QByteArray& part : {QByteArray("/L\xFF.lpdf"), QByteArray("/L\xFF.lpdf/en.lproj")})
        test::makeDirBytes(folder + part);
    test::writeFileBytes(folder + "/L\xFF.lpdf/en.lproj/d\xFF.pdf");
    EXPECT_EQ(pathToPDF(stringWithFileSystemRepresentation(folder + "/L\xFF.lpdf")),
              stringWithFileSystemRepresentation(folder + "/L\xFF.lpdf/en.lproj/d\xFF.pdf"));
}

TEST(PreferredLocalization, MatchesExactThenLanguageThenEnglishName)
{
    const QStringList bundle{"English", "German", "fr", "pt_BR"};
    EXPECT_EQ(preferredLocalization(bundle, {"fr-CA"}), QStringLiteral("fr"));
    EXPECT_EQ(preferredLocalization(bundle, {"pt-BR"}), QStringLiteral("pt_BR"));
    EXPECT_EQ(preferredLocalization(bundle, {"de-AT", "fr"}), QStringLiteral("German"));
    EXPECT_EQ(preferredLocalization(bundle, {"ja"}), QStringLiteral("English"));
    EXPECT_EQ(preferredLocalization({"zz", "yy"}, {"ja"}), QStringLiteral("yy"));
    EXPECT_TRUE(preferredLocalization({}, {"en"}).isNull());
}

TEST(CanProbablyInitWithPasteboard, FirstImageTypeDecides)
{
    EXPECT_FALSE(canProbablyInitWithPasteboard(nullptr));
    QMimeData empty;
    EXPECT_FALSE(canProbablyInitWithPasteboard(&empty));
    QMimeData png;
    png.setData(QStringLiteral("image/png"), "x");
    EXPECT_TRUE(canProbablyInitWithPasteboard(&png));
    QMimeData text;
    text.setText(QStringLiteral("/a/b.png"));
    EXPECT_FALSE(canProbablyInitWithPasteboard(&text));
}

TEST(CanProbablyInitWithPasteboard, FileListsNeedExactlyOneImageFile)
{
    const auto withURLs = [](const QList<QUrl>& urls) {
        QMimeData data;
        data.setUrls(urls);
        return canProbablyInitWithPasteboard(&data);
    };
    EXPECT_TRUE(withURLs({QUrl::fromLocalFile(QStringLiteral("/a/b.png"))}));
    EXPECT_FALSE(withURLs({QUrl::fromLocalFile(QStringLiteral("/a/b.txt"))}));
    EXPECT_FALSE(withURLs({QUrl::fromLocalFile(QStringLiteral("/a/b.png")), QUrl::fromLocalFile(QStringLiteral("/a/c.png"))}));
    EXPECT_FALSE(withURLs({QUrl(QStringLiteral("http://h/b.png"))}));
    QMimeData both;
    both.setUrls({QUrl::fromLocalFile(QStringLiteral("/a/b.txt"))});
    both.setData(QStringLiteral("image/tiff"), "x");
    EXPECT_TRUE(canProbablyInitWithPasteboard(&both)) << "an image flavour comes before the file list";
}

} // namespace
} // namespace sorvant
