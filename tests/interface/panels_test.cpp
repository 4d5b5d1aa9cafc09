#include "interface/panels.h"

#include "interface/file_type_icon_provider.h"

#include "platform/file_system_representation.h"
#include "platform/user_defaults.h"
#include "system/standard_folders.h"
#include "tests/support/temp_tree.h"

#include <QFileInfo>
#include <QFileSystemModel>
#include <QIcon>
#include <QTest>
#include <QTimer>
#include <QUrl>

#include <gtest/gtest.h>

#include <memory>

namespace sorvant {
namespace {

class PanelsTest : public ::testing::Test
{
protected:
    QString folder(const QString& name) { return QDir(m_tree.makeDir(name)).canonicalPath(); }

    test::TempTree m_tree;
    UserDefaults m_defaults{m_tree.filePath("defaults.plist")};
};

TEST_F(PanelsTest, SettingsTheCallerGivesAreKept)
{
    std::unique_ptr<QFileDialog> destination(openPanelForChoosingDestinationDirectory("Pick", "Use"));
    EXPECT_EQ(destination->windowTitle(), "Pick");
    EXPECT_EQ(destination->labelText(QFileDialog::Accept), "Use");
    EXPECT_FALSE(destination->testOption(QFileDialog::ReadOnly)); // folders can be made

    std::unique_ptr<QFileDialog> save(savePanelWithTitle({}, "Export", "pdf", OverwriteCheck::DontAsk));
    EXPECT_EQ(save->defaultSuffix(), "pdf");
    EXPECT_TRUE(save->testOption(QFileDialog::DontConfirmOverwrite));
    setShowsHiddenFiles(save.get(), true);
    EXPECT_TRUE(save->filter().testFlag(QDir::Hidden));
    setShowsHiddenFiles(save.get(), false);
    EXPECT_FALSE(save->filter().testFlag(QDir::Hidden));
}

TEST_F(PanelsTest, StartingFolderFallsBackFromKeyToDefaultToDocuments)
{
    std::unique_ptr<QFileDialog> panel(openPanel(OpenPanelChoice::OneFolder));
    QDir().mkpath(userDocumentsFolder());
    setPanelDirectory(panel.get(), {"Last", {}, {}, {}}, m_defaults);
    EXPECT_EQ(panel->directory().absolutePath(), QDir(userDocumentsFolder()).absolutePath());

    const QString fallback = folder("fallback");
    setPanelDirectory(panel.get(), {"Last", fallback, {}, {}}, m_defaults);
    EXPECT_EQ(panel->directory().absolutePath(), fallback);

    const QString stored = folder("stored");
    m_defaults.setString(stored, "Last");
    setPanelDirectory(panel.get(), {"Last", fallback, {}, {}}, m_defaults);
    EXPECT_EQ(panel->directory().absolutePath(), stored);

    // A folder the caller refuses gives way to the home folder.
    setPanelDirectory(panel.get(),
                      {"Last", fallback, {}, [&](const QString& f) { return f != stored; }}, m_defaults);
    EXPECT_EQ(panel->directory().absolutePath(), QDir(userHomeDirectory()).absolutePath());

    // A folder kept as a file URL (storedStringOfPath: a name that is not
    // UTF-8) is read by its bytes.
    const QString escaped = folder(QString::fromUtf8("caf\xc3\xa9"));
    m_defaults.setString(fileURLWithRepresentation(escaped).toString(QUrl::FullyEncoded), "Last");
    setPanelDirectory(panel.get(), {"Last", fallback, {}, {}}, m_defaults);
    EXPECT_EQ(panel->directory().absolutePath(), escaped);
}

TEST_F(PanelsTest, ModalOkStoresTheFolderShownAndCancelStoresNothing)
{
    const QString start = folder("start");
    const QString moved = folder("moved");
    const PanelPlace place{"Last", start, {}, {}};
    std::unique_ptr<QFileDialog> panel(openPanel(OpenPanelChoice::OneFile));

    QTimer::singleShot(0, panel.get(), [&] { panel->reject(); });
    EXPECT_EQ(runPanelModal(panel.get(), place, m_defaults), kPanelCancelButton);
    EXPECT_FALSE(m_defaults.objectForKey("Last").isValid());

    QTimer::singleShot(0, panel.get(), [&] {
        panel->setDirectory(moved);
        panel->QDialog::accept();
    });
    EXPECT_EQ(runPanelModal(panel.get(), place, m_defaults), kPanelOKButton);
    EXPECT_EQ(m_defaults.objectForKey("Last").toString(), moved);
}

TEST_F(PanelsTest, SheetAnswersThroughHandlerAndRemembersUnderItsKey)
{
    QWidget window;
    window.show();
    const QString start = folder("sheet");
    std::unique_ptr<QFileDialog> panel(openPanel(OpenPanelChoice::OneFolder));
    int response = -1;
    beginPanel(panel.get(), &window, {"Sheet", start, {}, {}}, m_defaults, [&](int r) { response = r; });
    EXPECT_EQ(panel->windowModality(), Qt::WindowModal);
    EXPECT_TRUE(panel->isVisible());
    panel->QDialog::accept();
    EXPECT_EQ(response, kPanelOKButton);
    EXPECT_FALSE(panel->isVisible());
    EXPECT_EQ(m_defaults.objectForKey("Sheet").toString(), start);
    panel->setParent(nullptr);
}

// Qt's warnings while it lives.
class QtWarnings
{
public:
    QtWarnings() { m_previous = qInstallMessageHandler(&QtWarnings::record); }
    ~QtWarnings()
    {
        qInstallMessageHandler(m_previous);
        lines().clear();
    }
    static QStringList& lines()
    {
        static QStringList seen;
        return seen;
    }

private:
    static void record(QtMsgType, const QMessageLogContext&, const QString& message) { lines().append(message); }
    QtMessageHandler m_previous;
};

// Regression: the folder chooser showed no folder icons and warned twice
// "QPixmap::scaleWidth: Pixmap is a null pixmap" as it opened: its folder
// icon was the icon theme's, which the desktop may lack. A folder and a
// file show the results table's pictures, never none.
TEST_F(PanelsTest, TheFolderChooserDrawsFolderIconsWithoutNullPixmapsRegression)
{
    const QString root = folder("chooser");
    m_tree.makeDir("chooser/inner");
    m_tree.writeFile("chooser/a.txt", "x");
    const FileTypeIconProvider provider;
    const QIcon icons[] = {provider.icon(QFileInfo(root + "/inner")), provider.icon(QAbstractFileIconProvider::Folder),
                           provider.icon(QAbstractFileIconProvider::File)};
    for (const QIcon& icon : icons) {
        EXPECT_FALSE(icon.isNull());
        const QImage normal = icon.pixmap(16, 16).toImage();
        EXPECT_FALSE(normal.isNull());
        EXPECT_NE(icon.pixmap(QSize(16, 16), QIcon::Disabled).toImage(), normal) << "a disabled item looks disabled";
    }
    const QtWarnings warnings;
    std::unique_ptr<QFileDialog> panel(openPanel(OpenPanelChoice::OneFolder));
    panel->setDirectory(root);
    panel->show();
    auto* model = panel->findChild<QFileSystemModel*>();
    ASSERT_NE(model, nullptr);
    QIcon shown;
    const auto innerShown = [&] {
        const QModelIndex inner = model->index(root + "/inner");
        shown = inner.isValid() ? model->data(inner, Qt::DecorationRole).value<QIcon>() : QIcon();
        return !shown.isNull();
    };
    ASSERT_TRUE(QTest::qWaitFor(innerShown, 10000));
    EXPECT_FALSE(shown.pixmap(16, 16).isNull());
    (void)panel->grab();
    EXPECT_TRUE(QtWarnings::lines().filter(QStringLiteral("null pixmap")).isEmpty())
        << QtWarnings::lines().join(u'\n').toStdString();
}

TEST(PanelPaths, UrlsBecomeLocalPathsInOrder)
{
    EXPECT_TRUE(pathsForURLs({}).isEmpty());
    EXPECT_EQ(pathsForURLs({QUrl::fromLocalFile("/b c"), QUrl::fromLocalFile("/a")}), QStringList({"/b c", "/a"}));
}

} // namespace
} // namespace sorvant
