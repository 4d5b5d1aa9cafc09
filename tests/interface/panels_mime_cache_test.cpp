// A file dialog with the user's MIME cache cut short, the user's folder
// named first in the data folders too: with FileTypeIconProvider its model
// types and draws every item (files too, which a folder chooser's model
// reads before it hides them) without Qt's MIME database, which maps the
// caches without bounds checks. In a process of its own, so that no cache
// read earlier hides a fault.

#include "interface/file_type_icon_provider.h"
#include "interface/panels.h"
#include "platform/mime_database.h"

#include "tests/support/cut_mime_cache.h"
#include "tests/support/temp_tree.h"

#include <QApplication>
#include <QDeadlineTimer>
#include <QFile>
#include <QFileInfo>
#include <QFileSystemModel>
#include <QThread>

#include <gtest/gtest.h>

#include <memory>

#include <unistd.h>

namespace sorvant {
namespace {

TEST(FileTypeIconProvider, TypesAreTheMimeDatabasesAndFoldersAreFolders)
{
    test::TempTree tree;
    const FileTypeIconProvider provider;
    const QString text = tree.writeFile("a.txt", "words\n");
    const QString folder = tree.makeDir("inner.txt");
    EXPECT_EQ(provider.type(QFileInfo(text)), mimeTypeComment("text/plain"));
    EXPECT_EQ(provider.type(QFileInfo(folder)), mimeTypeComment("inode/directory"));
    EXPECT_NE(provider.type(QFileInfo(text)), provider.type(QFileInfo(folder)));
}

TEST(FileTypeIconProvider, AFolderChooserShowsAFolderWhileTheUsersMimeCacheIsCutShort)
{
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    const QByteArray half = test::halfOfTheSystemMimeCache();
    if (half.isEmpty())
        GTEST_SKIP() << "no system MIME cache to cut";
    test::TempTree tree;
    tree.writeFile("share/mime/mime.cache", half);
    const QByteArray dataDirs = qgetenv("XDG_DATA_DIRS");
    qputenv("XDG_DATA_HOME", QFile::encodeName(tree.filePath("share")));
    qputenv("XDG_DATA_DIRS", QFile::encodeName(tree.filePath("share")) + ':'
                                 + (dataDirs.isEmpty() ? QByteArray("/usr/local/share:/usr/share") : dataDirs));
    for (const char* name : {"folder/a.txt", "folder/b.pdf", "folder/c.png", "folder/inner/d.txt"})
        tree.writeFile(name, "words\n");
    const QString folder = tree.filePath("folder");
    // The dialog as the application opens it: its own provider in place.
    EXPECT_EXIT(
        {
            std::unique_ptr<QFileDialog> panel(openPanel(OpenPanelChoice::OneFolder));
            panel->setDirectory(folder);
            panel->show();
            auto* model = panel->findChild<QFileSystemModel*>();
            const QDeadlineTimer deadline(std::chrono::seconds(20));
            bool shown = false;
            while (!shown && !deadline.hasExpired()) {
                QApplication::processEvents();
                const QModelIndex parent = model ? model->index(folder) : QModelIndex();
                // The folder's rows, each with its icon and type drawn.
                for (int row = 0; parent.isValid() && row < model->rowCount(parent); ++row) {
                    const QModelIndex index = model->index(row, 0, parent);
                    shown = !model->data(index, Qt::DecorationRole).isNull()
                            && !model->data(model->index(row, 2, parent)).toString().isEmpty();
                }
                QThread::msleep(10);
            }
            const QModelIndex inner = model ? model->index(folder + "/inner") : QModelIndex();
            const bool typed =
                inner.isValid() && model->type(inner) == FileTypeIconProvider().type(QFileInfo(folder + "/inner"));
            // Without exit handlers: the leak check would count what the
            // dialog still holds.
            ::_exit(shown && typed ? 0 : 3);
        },
        testing::ExitedWithCode(0), "");
}

} // namespace
} // namespace sorvant
