// The search window's settings drawer, its folder panel, folders dropped on
// it, and the window and preferences localized as they are made.

#include "app/application_delegate.h"
#include "app/destinations.h"
#include "app/preferences_panel.h"
#include "interface/drawers.h"
#include "interface/localization.h"
#include "interface/pasteboard_types.h"
#include "interface/strings_file.h"
#include "interface/window_extensions.h"
#include "platform/path_semantics.h"
#include "platform/property_list.h"
#include "platform/xdg_folders.h"
#include "tests/app/app_test_support.h"
#include "tests/interface/support.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QDropEvent>
#include <QFileDialog>
#include <QFileInfo>
#include <QGroupBox>
#include <QLabel>
#include <QMenu>
#include <QMimeData>

#include <cmath>

namespace sorvant::test {
namespace {

using WindowShellTest = AppFixture;

TEST_F(WindowShellTest, DrawerOpensBesideTheResultsAndIsSavedWithoutThem)
{
    const QString sizeKey = drawerSizeKey(QStringLiteral("SettingsDrawer4-2"));
    UserDefaults::standardUserDefaults().setString(QStringLiteral("{360, 240}"), sizeKey);
    auto window = makeWindow(2);
    NSDrawerExtended* drawer = window->settingsDrawer();
    QWidget* panel = drawer->panel();
    auto* item = window->findChild<QAction*>(QStringLiteral("settings"));
    ASSERT_TRUE(panel && item);
    setFrameAutosaveName(window.get(), QStringLiteral("Frame"), defaults);
    window->show();
    QWidget* results = window->resultsTable();

    defaults.setBool(true, QStringLiteral("fileExtOn5"));
    window->toggleSettings();
    EXPECT_TRUE(window->isDrawerVisible() && item->isChecked());
    EXPECT_TRUE(window->settingsDrawer()->listBox(5)->isChecked()) << "the lists are loaded as it opens";
    // The stored size of this index; the results stay beside it, and the
    // saved frame is the window without it.
    EXPECT_EQ(panel->geometry(), QRect(window->width() - 360, 0, 360, window->height()));
    EXPECT_LE(results->mapTo(window.get(), QPoint(results->width(), 0)).x(), window->width() - 360);
    saveFrameUsingName(window.get(), QStringLiteral("Frame"), defaults);
    EXPECT_EQ(savedFrameWithName(QStringLiteral("Frame"), defaults), NSDrawerExtended::windowFrame(window.get()));
    EXPECT_EQ(qRound(NSDrawerExtended::windowFrame(window.get()).size.width), window->width() - 360);

    window->settingsDrawer()->listBox(1)->setChecked(false);
    window->toggleSettings();
    EXPECT_FALSE(window->isDrawerVisible() || item->isChecked() || panel->isVisible());
    EXPECT_FALSE(stored(QStringLiteral("fileExtOn1")).toBool());
    EXPECT_GT(results->mapTo(window.get(), QPoint(results->width(), 0)).x(), window->width() - 30);
    window->toggleSettings();
    drawer->close(); // closed by the toolkit, not the action
    EXPECT_FALSE(item->isChecked());
    UserDefaults::standardUserDefaults().removeObjectForKey(sizeKey);
}

TEST_F(WindowShellTest, OpenDrawerIsReadableAndUnclippedInLightAndDark)
{
    for (const bool dark : {false, true}) {
        SCOPED_TRACE(dark ? "dark" : "light");
        AppearanceScope appearance(dark);
        auto window = makeWindow();
        window->show();
        window->toggleSettings();
        const QImage image = window->grab().toImage();
        QDir().mkpath(QStringLiteral(SORVANT_SCREENSHOT_DIR));
        image.save(QStringLiteral(SORVANT_SCREENSHOT_DIR "/drawer-%1.png").arg(dark ? "dark" : "light"));
        QWidget* panel = window->settingsDrawer()->panel();
        ASSERT_NE(panel, nullptr);
        const QRect panelRect(panel->mapTo(window.get(), QPoint(0, 0)), panel->size());
        const double background = image.pixelColor(panelRect.right() - 2, panelRect.bottom() - 2).lightnessF();
        EXPECT_EQ(background < 0.5, dark);
        // Every control whole inside the panel; texts stand out from it, the
        // boxes' marks at least clearly.
        QList<QWidget*> controls{window->findChild<QCheckBox*>(QStringLiteral("scanAll"))};
        for (int list = 1; list <= 6; ++list)
            controls << window->settingsDrawer()->listField(list) << window->settingsDrawer()->listBox(list);
        for (QWidget* control : controls) {
            SCOPED_TRACE(control->objectName().toStdString());
            const QRect rect(control->mapTo(window.get(), QPoint(0, 0)), control->size());
            EXPECT_TRUE(panelRect.contains(rect));
            double contrast = 0;
            for (int y = rect.top(); y <= rect.bottom(); ++y)
                for (int x = rect.left(); x <= rect.right(); ++x)
                    contrast = std::max(contrast, std::abs(image.pixelColor(x, y).lightnessF() - background));
            EXPECT_GT(contrast, qobject_cast<QLineEdit*>(control) ? 0.4 : 0.15);
        }
    }
}

// --- folders from a panel or a drop ------------------------------------------------------

TEST_F(WindowShellTest, DropsTakeOneFolderOrLinkButNoResults)
{
    tree.makeDir(QStringLiteral("a"));
    tree.makeDir(QStringLiteral("b"));
    tree.writeFile(QStringLiteral("note.txt"), "x");
    tree.writeFile(QStringLiteral("a/inner.txt"), "x");
    ASSERT_TRUE(QFile::link(tree.filePath(QStringLiteral("b")), tree.filePath(QStringLiteral("link"))));
    enum Kind { Urls, FileNames, Text };
    struct Case
    {
        const char* name;
        Kind kind;
        QStringList items; // relative to the tree, or a web address
        bool onePath;      // the drop names one path, whose test follows
        const char* taken; // null: refused
    };
    const Case cases[] = {
        {"one folder", Urls, {"a"}, true, "a"},
        {"two folders", Urls, {"a", "b"}, false, nullptr},
        {"a file gives its folder", Urls, {"a/inner.txt"}, true, "a"},
        {"a missing path", Urls, {"gone"}, true, nullptr},
        {"link to a folder", Urls, {"link"}, true, "link"},
        {"web address", Urls, {"https://example.org/a"}, false, nullptr},
        {"folder path as text", Text, {"a"}, false, nullptr},
        {"one file name", FileNames, {"b"}, true, "b"},
        {"two file names", FileNames, {"a", "b"}, false, nullptr},
        {"nothing", Text, {}, false, nullptr},
    };
    auto window = makeWindow();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        window->setDestination(tree.path());
        QStringList paths;
        QList<QUrl> urls;
        for (const QString& item : c.items) {
            paths << tree.filePath(item);
            urls << (item.startsWith(u"https:") ? QUrl(item) : QUrl::fromLocalFile(paths.last()));
        }
        QMimeData data;
        if (c.kind == Urls)
            data.setUrls(urls);
        else if (c.kind == FileNames)
            data.setData(NSFilenamesPboardType, xmlDataFromPropertyList(QVariant(paths)));
        else if (!paths.isEmpty())
            data.setText(paths.constFirst());
        const QString expected = c.taken ? tree.filePath(QString::fromLatin1(c.taken)) : tree.path();
        // The path's test runs off the interface thread: the destination
        // changes when it is answered.
        QSignalSpy answered(window.get(), &SearchWindow::dropAnswered);
        ASSERT_EQ(window->performDragOperation(&data), c.onePath);
        if (c.onePath) {
            ASSERT_TRUE(answered.wait(10000));
            EXPECT_EQ(answered.constFirst().constFirst().toBool(), c.taken != nullptr);
        }
        EXPECT_EQ(window->destinations()->storedDestination(), expected);
        // A link is searched as the folder it leads to.
        EXPECT_EQ(validatedDestination(window->destinations()->storedDestination()),
                  QFileInfo(expected).canonicalFilePath());
    }

    // Results dragged from any window's table are refused; anything else is
    // offered to the window, also when dropped on the results.
    auto second = makeWindow(2);
    for (SearchWindow* from : {window.get(), second.get()}) {
        EXPECT_EQ(window->draggingEntered(from->resultsTable()), Qt::IgnoreAction);
        EXPECT_EQ(window->draggingEntered(from->resultsTable()->viewport()), Qt::IgnoreAction);
    }
    EXPECT_EQ(window->draggingEntered(nullptr), Qt::CopyAction) << "another application's drag";
    EXPECT_EQ(window->draggingEntered(window->searchField()), Qt::CopyAction);
    QMimeData data;
    data.setUrls({QUrl::fromLocalFile(tree.filePath(QStringLiteral("a")))});
    window->show();
    QWidget* table = window->resultsTable()->viewport();
    QDragEnterEvent enter(QPoint(10, 10), Qt::CopyAction | Qt::MoveAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(table, &enter);
    QDropEvent drop(QPointF(10, 10), Qt::CopyAction | Qt::MoveAction, &data, Qt::LeftButton, Qt::NoModifier);
    QSignalSpy answered(window.get(), &SearchWindow::dropAnswered);
    QApplication::sendEvent(table, &drop);
    EXPECT_TRUE(enter.isAccepted() && drop.isAccepted() && drop.dropAction() == Qt::CopyAction);
    ASSERT_TRUE(answered.wait(10000));
    EXPECT_EQ(validatedDestination(window->destinations()->storedDestination()), tree.filePath(QStringLiteral("a")));
}

// Regression: a folder dropped on the search field became "file://…" text
// in the phrase and the destination stayed. Text dropped there is still
// the field's.
TEST_F(WindowShellTest, AFolderDroppedOnTheSearchFieldIsTheDestination)
{
    tree.makeDir(QStringLiteral("here"));
    auto window = makeWindow();
    window->setDestination(tree.path());
    window->show();
    QLineEdit* field = window->searchField();
    field->setText(QStringLiteral("phrase"));
    const QPoint inside = field->rect().center();
    // As a file manager drags it: the URL list and its text.
    QMimeData folder;
    const QUrl here = QUrl::fromLocalFile(tree.filePath(QStringLiteral("here")));
    folder.setUrls({here});
    folder.setText(here.toString());
    QDragEnterEvent enter(inside, Qt::CopyAction | Qt::MoveAction, &folder, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(field, &enter);
    QDropEvent drop(QPointF(inside), Qt::CopyAction | Qt::MoveAction, &folder, Qt::LeftButton, Qt::NoModifier);
    QSignalSpy answered(window.get(), &SearchWindow::dropAnswered);
    QApplication::sendEvent(field, &drop);
    EXPECT_TRUE(enter.isAccepted() && drop.isAccepted());
    ASSERT_TRUE(answered.wait(10000));
    EXPECT_EQ(window->destinations()->storedDestination(), tree.filePath(QStringLiteral("here")));
    EXPECT_EQ(field->text(), QStringLiteral("phrase"));

    QMimeData text;
    text.setText(QStringLiteral(" more"));
    QDragEnterEvent textEnter(inside, Qt::CopyAction, &text, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(field, &textEnter);
    QDropEvent textDrop(QPointF(inside), Qt::CopyAction, &text, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(field, &textDrop);
    EXPECT_TRUE(field->text().contains(QStringLiteral("more")));
    EXPECT_EQ(answered.size(), 1);
}

TEST_F(WindowShellTest, SelectOpensAFolderPanelOnTheWindowListingHiddenFoldersWhenAsked)
{
    tree.makeDir(QStringLiteral("pick"));
    auto window = makeWindow();
    window->show();
    window->options()->checkBox("searchInvisibles")->setChecked(true);
    window->destinations()->menu()->findChild<QAction*>(QStringLiteral("selectDestination"))->trigger();
    auto* panel = window->findChild<QFileDialog*>();
    ASSERT_NE(panel, nullptr);
    // It opens when the destination's test is answered, off this thread.
    ASSERT_TRUE(QTest::qWaitFor([panel] { return panel->isVisible(); }, 10000));
    EXPECT_EQ(panel->windowModality(), Qt::WindowModal);
    EXPECT_TRUE(panel->fileMode() == QFileDialog::Directory && panel->filter().testFlag(QDir::Hidden));
    // The user goes into the folder and confirms it.
    panel->setDirectory(tree.filePath(QStringLiteral("pick")));
    static_cast<QDialog*>(panel)->accept();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_EQ(window->destinations()->storedDestination(), tree.filePath(QStringLiteral("pick")));
    EXPECT_EQ(window->findChild<QFileDialog*>(), nullptr) << "the panel goes when answered";
}

TEST_F(WindowShellTest, DestinationMenuOffersTheBookmarkedFolders)
{
    const QString marked = tree.makeDir(QStringLiteral("marked place"));
    const QString bookmarks = xdgBaseFolder(XdgBaseFolder::Config) + QStringLiteral("/gtk-3.0/bookmarks");
    QDir().mkpath(QFileInfo(bookmarks).path());
    QFile file(bookmarks);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(QUrl::fromLocalFile(marked).toEncoded() + " Marked\nsftp://host/x\n"
               + QUrl::fromLocalFile(tree.filePath(QStringLiteral("gone"))).toEncoded() + "\n");
    file.close();
    auto window = makeWindow();
    ASSERT_TRUE(waitForDestinations(*window));
    QFile::remove(bookmarks);
    QStringList offered;
    for (QAction* item : window->destinations()->menu()->actions())
        offered << stringByExpandingTildeInPath(item->data().toString());
    EXPECT_EQ(offered.count(marked), 1);
    EXPECT_FALSE(offered.contains(tree.filePath(QStringLiteral("gone"))));
}

// --- localized as made ------------------------------------------------------------------

// Texts of `root` still in English although the German table has them.
QStringList untranslated(QWidget* root)
{
    QStringList texts{root->windowTitle()};
    for (QWidget* widget : root->findChildren<QWidget*>()) {
        texts << widget->toolTip();
        if (auto* button = qobject_cast<QAbstractButton*>(widget))
            texts << button->text();
        else if (auto* label = qobject_cast<QLabel*>(widget))
            texts << label->text();
        else if (auto* box = qobject_cast<QGroupBox*>(widget))
            texts << box->title();
        else if (auto* field = qobject_cast<QLineEdit*>(widget))
            texts << field->placeholderText();
        for (QAction* action : widget->actions())
            texts << action->text() << action->iconText();
    }
    QStringList english;
    for (const QString& text : texts) {
        const QString german = TranslationSource{}.lookup(text);
        if (!text.isEmpty() && !german.isNull() && german != text)
            english << text;
    }
    return english;
}

TEST_F(WindowShellTest, WindowDrawerToolbarAndPreferencesAreGerman)
{
    installStringsTables();
    StringsTableTranslator translator;
    QCoreApplication::installTranslator(&translator);
    setPreferredLanguages({QStringLiteral("de")});
    auto window = makeWindow();
    window->toggleSettings();
    PreferencesPanel preferences(defaults);
    const QStringList left = untranslated(window.get()) + untranslated(&preferences);
    const QString drawerTitle = window->settingsDrawer()->contentView()->findChild<QLabel*>()->text();
    const QString german = TranslationSource{}.lookup(QStringLiteral("Contents of these files"));
    // Folder names are never looked up: a destination named like a key
    // keeps its name.
    tree.makeDir(QStringLiteral("Search"));
    window->setDestination(tree.filePath(QStringLiteral("Search")));
    setPreferredLanguages({});
    QCoreApplication::removeTranslator(&translator);
    EXPECT_EQ(left, QStringList());
    EXPECT_EQ(drawerTitle, german);
    EXPECT_NE(german, QStringLiteral("Contents of these files"));
    EXPECT_EQ(window->destinations()->text(), QStringLiteral("Search"));
}

// Regression: New Window started with the last phrase unselected, so what
// was typed was added to it ("invoice scan bigyy"), and in the destination
// saved at the last quit instead of the current window's.
TEST_F(WindowShellTest, ANewWindowStartsInTheWindowsDestinationWithItsPhraseSelected)
{
    const QString first = tree.makeDir(QStringLiteral("first"));
    const QString second = tree.makeDir(QStringLiteral("second"));
    ApplicationDelegate delegate(&defaults);
    SearchWindow* from = delegate.findWindow();
    ASSERT_TRUE(searchAndWait(*from, QStringLiteral("invoice scan"), first));
    ASSERT_TRUE(QTest::qWaitForWindowActive(from));
    for (const QString& destination : {second, first}) {
        SCOPED_TRACE(destination.toStdString());
        from->setDestination(destination);
        delegate.newWindow();
        SearchWindow* window = delegate.windows().constLast();
        ASSERT_NE(window, from);
        EXPECT_EQ(window->destinations()->storedDestination(), destination);
        ASSERT_TRUE(QTest::qWaitForWindowActive(window));
        EXPECT_EQ(window->input(), QStringLiteral("invoice scan"));
        EXPECT_EQ(window->searchField()->selectedText(), window->input());
        QTest::keyClicks(window->searchField(), QStringLiteral("bigyy"));
        EXPECT_EQ(window->input(), QStringLiteral("bigyy"));
        // The next one comes from this window, now the active one.
        from = window;
    }
}

} // namespace
} // namespace sorvant::test
