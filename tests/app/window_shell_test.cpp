// The search window's settings drawer, folders dropped on the window, and
// the window and preferences localized as they are made.

#include "app/preferences_panel.h"
#include "interface/application.h"
#include "interface/drawers.h"
#include "interface/localization.h"
#include "interface/window_extensions.h"
#include "interface/strings_file.h"
#include "interface/pasteboard_types.h"
#include "platform/path_semantics.h"
#include "platform/property_list.h"
#include "tests/app/app_test_support.h"
#include "tests/interface/support.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QDropEvent>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QMenu>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMimeData>
#include <QUrl>

#include <cmath>
#include <functional>
#include <memory>

namespace sorvant::test {
namespace {

using WindowShellTest = AppFixture;

// --- the drawer -------------------------------------------------------------------------

TEST_F(WindowShellTest, DrawerOpensBesideTheWindowAndTheToolbarItemFollows)
{
    const QString sizeKey = drawerSizeKey(QStringLiteral("SettingsDrawer4-2"));
    UserDefaults::standardUserDefaults().setString(QStringLiteral("{360, 240}"), sizeKey);
    auto window = makeWindow(2);
    NSDrawerExtended* drawer = window->settingsDrawer();
    ASSERT_NE(drawer, nullptr);
    EXPECT_EQ(drawer->autosaveName(), sizeKey);
    EXPECT_EQ(drawer->contentSize().width, 360) << "the stored size of this window index";
    window->show();
    window->activateWindow();
    auto* item = window->findChild<QAction*>(QStringLiteral("settings"));
    ASSERT_NE(item, nullptr);
    QWidget* panel = drawer->panel();
    ASSERT_NE(panel, nullptr);

    // Lists changed in the defaults while it was closed show when it opens.
    defaults.setBool(true, QStringLiteral("fileExtOn5"));
    // The results' right edge in the window.
    const auto resultsRight = [&] {
        QWidget* table = window->resultsTable();
        return table->mapTo(window.get(), QPoint(table->width(), 0)).x();
    };
    window->toggleSettings();
    EXPECT_TRUE(window->isDrawerVisible());
    EXPECT_TRUE(item->isChecked());
    EXPECT_TRUE(window->listBox(5)->isChecked());
    // The drawer takes the window's right 360 pixels; the results stay
    // beside it, not under it.
    EXPECT_EQ(window->width(), qRound(NSDrawerExtended::windowFrame(window.get()).size.width) + 360);
    EXPECT_EQ(panel->geometry(), QRect(window->width() - 360, 0, 360, window->height()));
    EXPECT_LE(resultsRight(), window->width() - 360);
    EXPECT_TRUE(window->listField(1)->isVisible());

    window->listBox(1)->setChecked(false);
    window->toggleSettings();
    EXPECT_FALSE(window->isDrawerVisible() || item->isChecked());
    EXPECT_FALSE(panel->isVisible());
    EXPECT_GT(resultsRight(), window->width() - 30) << "the results take the room back";
    EXPECT_FALSE(stored(QStringLiteral("fileExtOn1")).toBool());

    // Closed by the toolkit (not the action), the item still follows.
    window->toggleSettings();
    ASSERT_TRUE(item->isChecked());
    drawer->close();
    EXPECT_FALSE(item->isChecked());
    UserDefaults::standardUserDefaults().removeObjectForKey(sizeKey);
}

// The window's saved frame is the window without its drawer: a window
// saved with the drawer open comes back as wide as before, not wider.
TEST_F(WindowShellTest, SavedFrameLeavesTheOpenDrawerOut)
{
    auto window = makeWindow();
    const QString name = QStringLiteral("SearchWindowFrame4-1");
    setFrameAutosaveName(window.get(), name, defaults);
    window->show();
    window->toggleSettings();
    ASSERT_TRUE(window->isDrawerVisible());
    saveFrameUsingName(window.get(), name, defaults);
    const Rect saved = savedFrameWithName(name, defaults);
    EXPECT_EQ(saved, NSDrawerExtended::windowFrame(window.get()));
    EXPECT_EQ(qRound(saved.size.width), window->width() - qRound(window->settingsDrawer()->contentSize().width));
}

// How far the lightest or darkest pixel of `area` is from `background`.
double contrastIn(const QImage& image, const QRect& area, double background)
{
    double most = 0;
    for (int y = area.top(); y <= area.bottom(); ++y)
        for (int x = area.left(); x <= area.right(); ++x)
            most = std::max(most, std::abs(image.pixelColor(x, y).lightnessF() - background));
    return most;
}

TEST_F(WindowShellTest, OpenDrawerIsReadableAndUnclippedInLightAndDark)
{
    for (const bool dark : {false, true}) {
        SCOPED_TRACE(dark ? "dark" : "light");
        AppearanceScope appearance(dark);
        auto window = makeWindow();
        window->resize(900, 560);
        window->show();
        window->activateWindow();
        window->toggleSettings();
        ASSERT_TRUE(window->isDrawerVisible());
        const QImage image = window->grab().toImage();
        const QString folder = QStringLiteral(SORVANT_SCREENSHOT_DIR);
        QDir().mkpath(folder);
        image.save(folder + QStringLiteral("/drawer-%1.png").arg(dark ? QStringLiteral("dark") : QStringLiteral("light")));

        QWidget* panel = window->settingsDrawer()->panel();
        ASSERT_NE(panel, nullptr);
        const QRect panelRect(panel->mapTo(window.get(), QPoint(0, 0)), panel->size());
        EXPECT_TRUE(window->rect().contains(panelRect));
        const double background = image.pixelColor(panelRect.right() - 2, panelRect.bottom() - 2).lightnessF();
        EXPECT_EQ(background < 0.5, dark);
        // Every control lies whole inside the panel; texts stand out from
        // its background, the boxes' marks at least clearly.
        QList<QWidget*> texts{window->checkBox("scanAll")};
        QList<QWidget*> boxes;
        for (int list = 1; list <= 6; ++list) {
            texts << window->listField(list);
            boxes << window->listBox(list);
        }
        for (QWidget* control : texts + boxes) {
            SCOPED_TRACE(control->objectName().toStdString());
            const QRect rect(control->mapTo(window.get(), QPoint(0, 0)), control->size());
            EXPECT_TRUE(panelRect.contains(rect));
            EXPECT_GT(contrastIn(image, rect, background), texts.contains(control) ? 0.4 : 0.15);
        }
        window->toggleSettings();
    }
}

// --- drops ------------------------------------------------------------------------------

struct DropCase
{
    const char* name;
    // Builds the drag's data in the tree; empty data is refused.
    std::function<std::unique_ptr<QMimeData>(TempTree&)> data;
    // The destination afterwards, relative to the tree; null: refused.
    const char* destination;
};

std::unique_ptr<QMimeData> urls(const QList<QUrl>& list)
{
    auto data = std::make_unique<QMimeData>();
    data->setUrls(list);
    return data;
}

std::unique_ptr<QMimeData> fileNames(const QStringList& paths)
{
    auto data = std::make_unique<QMimeData>();
    data->setData(NSFilenamesPboardType, xmlDataFromPropertyList(QVariant(paths)));
    return data;
}

QUrl file(TempTree& tree, const char* relative)
{
    return QUrl::fromLocalFile(tree.filePath(QString::fromLatin1(relative)));
}

class WindowDrops : public AppFixture, public ::testing::WithParamInterface<DropCase>
{
};

TEST_P(WindowDrops, OneFolderOrLinkBecomesTheDestination)
{
    tree.makeDir(QStringLiteral("a"));
    tree.makeDir(QStringLiteral("b"));
    tree.writeFile(QStringLiteral("note.txt"), "x");
    ASSERT_TRUE(QFile::link(tree.filePath(QStringLiteral("b")), tree.filePath(QStringLiteral("link"))));
    auto window = makeWindow();
    window->setDestination(tree.path());
    const std::unique_ptr<QMimeData> data = GetParam().data(tree);
    const bool taken = window->performDragOperation(data.get());
    if (!GetParam().destination) {
        EXPECT_FALSE(taken);
        EXPECT_EQ(window->storedDestination(), tree.path());
        return;
    }
    EXPECT_TRUE(taken);
    const QString dropped = tree.filePath(QString::fromLatin1(GetParam().destination));
    EXPECT_EQ(window->storedDestination(), dropped);
    // A link is searched as the folder it leads to.
    EXPECT_EQ(window->destination(), QFileInfo(dropped).canonicalFilePath());
}

INSTANTIATE_TEST_SUITE_P(
    Kinds, WindowDrops,
    ::testing::Values(
        DropCase{"OneFolder", [](TempTree& dir) { return urls({file(dir, "a")}); }, "a"},
        DropCase{"TwoFolders", [](TempTree& dir) { return urls({file(dir, "a"), file(dir, "b")}); }, nullptr},
        DropCase{"AFile", [](TempTree& dir) { return urls({file(dir, "note.txt")}); }, nullptr},
        DropCase{"AMissingPath", [](TempTree& dir) { return urls({file(dir, "gone")}); }, nullptr},
        DropCase{"LinkToAFolder", [](TempTree& dir) { return urls({file(dir, "link")}); }, "link"},
        DropCase{"WebAddress", [](TempTree&) { return urls({QUrl(QStringLiteral("https://example.org/a"))}); },
                 nullptr},
        DropCase{"FolderPathAsText",
                 [](TempTree& dir) {
                     auto data = std::make_unique<QMimeData>();
                     data->setText(dir.filePath(QStringLiteral("a")));
                     return data;
                 },
                 nullptr},
        DropCase{"OneFileName", [](TempTree& dir) { return fileNames({dir.filePath(QStringLiteral("b"))}); }, "b"},
        DropCase{"TwoFileNames",
                 [](TempTree& dir) { return fileNames({dir.filePath(QStringLiteral("a")), dir.filePath(QStringLiteral("b"))}); },
                 nullptr},
        DropCase{"Nothing", [](TempTree&) { return std::make_unique<QMimeData>(); }, nullptr}),
    [](const ::testing::TestParamInfo<DropCase>& param) { return std::string(param.param.name); });

TEST_F(WindowShellTest, ResultsDraggedFromAnyWindowAreRefused)
{
    auto first = makeWindow(1);
    auto second = makeWindow(2);
    QWidget elsewhere;
    for (SearchWindow* target : {first.get(), second.get()}) {
        SCOPED_TRACE(target->windowIndex());
        for (SearchWindow* from : {first.get(), second.get()}) {
            EXPECT_EQ(target->draggingEntered(from->resultsTable()), Qt::IgnoreAction);
            EXPECT_EQ(target->draggingEntered(from->resultsTable()->viewport()), Qt::IgnoreAction);
        }
        EXPECT_EQ(target->draggingEntered(nullptr), Qt::CopyAction) << "another application's drag";
        EXPECT_EQ(target->draggingEntered(target->searchField()), Qt::CopyAction);
        EXPECT_EQ(target->draggingEntered(&elsewhere), Qt::CopyAction);
    }

    // A drop on the results (which take none themselves) reaches the window.
    tree.makeDir(QStringLiteral("d"));
    QMimeData data;
    data.setUrls({QUrl::fromLocalFile(tree.filePath(QStringLiteral("d")))});
    first->show();
    QWidget* table = first->resultsTable()->viewport();
    QDragEnterEvent enter(QPoint(10, 10), Qt::CopyAction | Qt::MoveAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(table, &enter);
    EXPECT_TRUE(enter.isAccepted());
    QDropEvent drop(QPointF(10, 10), Qt::CopyAction | Qt::MoveAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(table, &drop);
    EXPECT_TRUE(drop.isAccepted());
    EXPECT_EQ(drop.dropAction(), Qt::CopyAction);
    EXPECT_EQ(first->destination(), tree.filePath(QStringLiteral("d")));
}

// --- choosing a folder --------------------------------------------------------------------

TEST_F(WindowShellTest, SelectOpensAFolderPanelOnTheWindow)
{
    tree.makeDir(QStringLiteral("pick/.hidden"));
    auto window = makeWindow();
    window->show();
    window->setDestination(tree.path());
    for (const bool invisibles : {false, true}) {
        SCOPED_TRACE(invisibles ? "invisibles" : "visible only");
        window->checkBox("searchInvisibles")->setChecked(invisibles);
        auto* select = window->destinationMenu()->findChild<QAction*>(QStringLiteral("selectDestination"));
        ASSERT_NE(select, nullptr);
        select->trigger();
        auto* panel = window->findChild<QFileDialog*>();
        ASSERT_NE(panel, nullptr);
        EXPECT_TRUE(panel->isVisible());
        EXPECT_EQ(panel->windowModality(), Qt::WindowModal);
        EXPECT_EQ(panel->fileMode(), QFileDialog::Directory);
        EXPECT_EQ(panel->filter().testFlag(QDir::Hidden), invisibles);
        if (!invisibles) {
            // Cancel keeps the destination.
            panel->reject();
            QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
            EXPECT_EQ(window->storedDestination(), tree.path());
            continue;
        }
        panel->setDirectory(tree.path());
        panel->selectFile(tree.filePath(QStringLiteral("pick")));
        static_cast<QDialog*>(panel)->accept();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        EXPECT_EQ(window->storedDestination(), tree.filePath(QStringLiteral("pick")));
    }
    EXPECT_EQ(window->findChild<QFileDialog*>(), nullptr) << "each panel goes when answered";
}

TEST_F(WindowShellTest, DestinationMenuOffersTheSupportFolders)
{
    const QString support = applicationSupportPath(QStringLiteral("Sorvant"));
    ASSERT_TRUE(QDir().mkpath(support + QStringLiteral("/Saved places")));
    ASSERT_TRUE(QDir().mkpath(support + QStringLiteral("/.cache")));
    auto window = makeWindow();
    QStringList offered;
    for (QAction* item : window->destinationMenu()->actions())
        offered << stringByExpandingTildeInPath(item->data().toString());
    QDir(support).removeRecursively();
    EXPECT_TRUE(offered.contains(support + QStringLiteral("/Saved places")));
    EXPECT_FALSE(offered.contains(support + QStringLiteral("/.cache")));
}

// --- localized as made ------------------------------------------------------------------

// Every text a user reads in `root` and below: titles, labels, buttons,
// placeholders, tool tips, and the actions of its toolbar and menus.
QStringList visibleTexts(QWidget* root)
{
    QStringList texts{root->windowTitle()};
    QList<QWidget*> widgets = root->findChildren<QWidget*>();
    for (QWidget* widget : widgets) {
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
    texts.removeAll(QString());
    texts.removeDuplicates();
    return texts;
}

class GermanTables : public AppFixture
{
protected:
    void SetUp() override
    {
        installStringsTables();
        QCoreApplication::installTranslator(&m_translator);
        setPreferredLanguages({QStringLiteral("de")});
    }
    void TearDown() override
    {
        setPreferredLanguages({});
        QCoreApplication::removeTranslator(&m_translator);
    }
    // Texts still in English although the German table has them.
    static QStringList untranslated(QWidget* root)
    {
        QStringList english;
        for (const QString& text : visibleTexts(root)) {
            const QString german = TranslationSource{}.lookup(QString(text).remove(u'&'));
            if (!german.isNull() && german != QString(text).remove(u'&'))
                english << text;
        }
        return english;
    }
    StringsTableTranslator m_translator;
};

TEST_F(GermanTables, WindowDrawerAndToolbarAreGerman)
{
    auto window = makeWindow();
    window->toggleSettings();
    EXPECT_EQ(untranslated(window.get()), QStringList());
    const QStringList texts = visibleTexts(window.get());
    for (const char* english : {"Ignore case", "Contents of these files", "Search the contents of all files",
                                "Search for", "Files and folders"}) {
        SCOPED_TRACE(english);
        const QString german = TranslationSource{}.lookup(QString::fromLatin1(english));
        ASSERT_FALSE(german.isNull()) << "the German table lacks it";
        EXPECT_NE(german, QString::fromLatin1(english));
        EXPECT_TRUE(texts.contains(german));
    }
    // Folder names are never looked up: a destination named like a key
    // keeps its name.
    tree.makeDir(QStringLiteral("Search"));
    window->setDestination(tree.filePath(QStringLiteral("Search")));
    EXPECT_EQ(window->destinationTitle(), QStringLiteral("Search"));
}

TEST_F(GermanTables, PreferencesAreGerman)
{
    PreferencesPanel panel(defaults);
    EXPECT_EQ(untranslated(&panel), QStringList());
    EXPECT_EQ(panel.windowTitle(), TranslationSource{}.lookup(QStringLiteral("Preferences")));
    EXPECT_NE(panel.windowTitle(), QStringLiteral("Preferences"));
}

} // namespace
} // namespace sorvant::test
