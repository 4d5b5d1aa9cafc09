// Readers of files whose paths come from elsewhere (another process's
// environment, search results): a pipe would block the open for ever and a
// device would be read without end, so neither is ever read.
#include "foundation/string_construction.h"
#include "platform/property_list.h"
#include "system/address_book_person.h"
#include "system/desktop_entry.h"
#include "system/image_file_info.h"
#include "system/media_files.h"
#include "system/movie_frames.h"
#include "system/pdf_documents.h"
#include "tests/support/temp_tree.h"

#include <gtest/gtest.h>

namespace sorvant {
namespace {

TEST(SpecialFiles, PipesAndDevicesAreNeverRead)
{
    test::TempTree tree;
    for (const QString& path : tree.makeSpecialFiles(QStringLiteral("card"))) {
        SCOPED_TRACE(path.toStdString());
        EXPECT_TRUE(DesktopEntry::fromFile(path).isNull());
        EXPECT_FALSE(ABPerson::initWithContentsOfFile(path));
    }
    // A regular file still reads.
    const QString entry = tree.writeFile(QStringLiteral("a.desktop"), "[Desktop Entry]\nType=Application\nName=A\n");
    EXPECT_EQ(DesktopEntry::fromFile(entry).name(), QStringLiteral("A"));
}

// Named like documents, pipes, sockets and devices answer at once as no
// document: each of these calls used to wait for ever on a FIFO.
TEST(SpecialFiles, DocumentReadersAnswerAtOnceWhateverTheName)
{
    test::TempTree tree;
    for (const char* suffix : {".png", ".pdf", ".mp4", ".plist", ".txt"}) {
        for (const QString& path : tree.makeSpecialFiles(QStringLiteral("clip"), QString::fromLatin1(suffix))) {
            SCOPED_TRACE(path.toStdString());
            EXPECT_FALSE(pixelSizeOfImageFile(path).isValid());
            EXPECT_EQ(pageCountOfPDFFile(path), -1);
            EXPECT_FALSE(isValidPDFFile(path));
            EXPECT_EQ(PdfDocument::fromFile(path), nullptr);
            EXPECT_FALSE(MovieAsset(path).isValid());
            QSizeF size(1, 1);
            double duration = 1;
            (void)getSize(&size, &duration, path);
            EXPECT_EQ(size, QSizeF(0, 0));
            EXPECT_EQ(duration, 0);
            EXPECT_TRUE(PlayerItem::thumbnailImageForItemWithFile(path, &size, &duration).isNull());
            EXPECT_FALSE(readPropertyListFile(path).isValid());
            EXPECT_TRUE(stringWithContentsOfFile(path, 0).isNull());
        }
    }
}

} // namespace
} // namespace sorvant
