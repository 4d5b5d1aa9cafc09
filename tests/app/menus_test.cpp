// The main menu and its Help menu (help book, update check, web site), the
// sibling product Quirrel, the preview items' titles, sharing, and the
// critical alerts of the file actions.

#include "app/alert_panels.h"
#include "app/application_delegate.h"
#include "app/resource_check.h"
#include "app/results_table_model.h"
#include "search/search_params.h"
#include "interface/alerts.h"
#include "interface/help_actions.h"
#include "interface/images.h"
#include "interface/localization.h"
#include "interface/quick_look.h"
#include "interface/strings_file.h"
#include "interface/toolbar_items.h"
#include "interface/window_extensions.h"
#include "system/bundle.h"
#include "system/trash.h"
#include "tests/app/app_test_support.h"
#include "tests/interface/widget_helpers.h"
#include "tests/support/log_capture.h"
#include "tests/system/alert_recorder.h"
#include "tests/system/desktop_test_support.h"
#include "tests/system/loopback_http_server.h"

#include <QAbstractButton>
#include <QAction>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QPushButton>
#include <QRegularExpression>
#include <QTest>

#include <stdexcept>

namespace sorvant::test {
namespace {

// The interface in one language for the length of a scope.
class LanguageScope
{
public:
    explicit LanguageScope(const QString& language)
    {
        installStringsTables();
        QCoreApplication::installTranslator(&m_translator);
        setPreferredLanguages({language});
    }
    ~LanguageScope()
    {
        setPreferredLanguages({});
        QCoreApplication::removeTranslator(&m_translator);
    }
    LanguageScope(const LanguageScope&) = delete;
    LanguageScope& operator=(const LanguageScope&) = delete;

private:
    StringsTableTranslator m_translator;
};

QAction* itemNamed(const QMenuBar* bar, const QString& name)
{
    for (QAction* action : bar->findChildren<QAction*>()) {
        if (action->objectName() == name)
            return action;
    }
    for (QMenu* menu : bar->findChildren<QMenu*>()) {
        for (QAction* action : menu->actions()) {
            if (action->objectName() == name)
                return action;
        }
    }
    return nullptr;
}

QStringList titles(const QList<QAction*>& actions)
{
    QStringList texts;
    for (const QAction* action : actions) {
        if (!action->isSeparator())
            texts.append(action->text());
    }
    return texts;
}

// --- the main menu and the Help menu ---------------------------------------------------

class MainMenuTest : public AppFixture
{
protected:
    void TearDown() override
    {
        qunsetenv("SORVANT_HELP_DIR");
        qApp->setProperty("CFBundleHelpBookName", QVariant());
    }
    ApplicationDelegate delegate{&defaults};
};

TEST_F(MainMenuTest, TheMenuIsLocalizedOnceWhenBuilt)
{
    struct Case
    {
        const char* language;
        QStringList menus;
        QStringList help;
    };
    const Case cases[] = {
        {"en", {"&File", "&Items", "&Search", "&Help"}, {"Sorvant Help", "Check for Updates...", "Sorvant Website"}},
        {"de", {"&Datei", "&Objekte", "&Suche", "&Hilfe"}, {"Sorvant-Hilfe", "Nach Updates suchen …", "Sorvant-Website"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.language);
        const LanguageScope language(QString::fromLatin1(c.language));
        SearchWindow* window = delegate.findWindow();
        const QList<QAction*> menus = window->menuBar()->actions();
        EXPECT_EQ(titles(menus), c.menus);
        ASSERT_EQ(menus.size(), 4);
        EXPECT_EQ(titles(menus.at(3)->menu()->actions()), c.help);
        // Every item of the Items menu comes with the window's actions.
        const QStringList items = titles(menus.at(1)->menu()->actions());
        EXPECT_TRUE(items.contains(window->fileAction(QStringLiteral("addToQX"))->text()));
        EXPECT_EQ(items.size(), titles(window->contextMenu()->actions()).size() + 2) << items.join(u'|').toStdString();
        window->close();
    }
}

TEST_F(MainMenuTest, HelpOpensTheUsagePageOfTheUsersLanguage)
{
    QList<QUrl> opened;
    const URLOpener previous = setHelpURLOpener([&](const QUrl& url) {
        opened.append(url);
        return true;
    });
    for (const char* language : {"en", "de"}) {
        SCOPED_TRACE(language);
        const LanguageScope scope(QString::fromLatin1(language));
        qunsetenv("SORVANT_HELP_DIR");
        useBundledHelpBook();
        SearchWindow* window = delegate.findWindow();
        QAction* help = itemNamed(window->menuBar(), QStringLiteral("showHelp"));
        ASSERT_NE(help, nullptr);
        help->trigger();
        window->close();
    }
    setHelpURLOpener(previous);
    ASSERT_EQ(opened.size(), 2);
    const QString books = Bundle::mainBundle().resourcePath() + QStringLiteral("/help/");
    EXPECT_EQ(opened.at(0).toLocalFile(), books + QStringLiteral("SorvantHelp/usage-options.html"));
    EXPECT_EQ(opened.at(1).toLocalFile(), books + QStringLiteral("SorvantHilfe/usage-options.html"));
    EXPECT_EQ(opened.at(0).fragment(), QStringLiteral("usage-options.html"));
}

TEST_F(MainMenuTest, BothHelpBooksCoverTheSameSections)
{
    // A section left out of one translation would leave its readers
    // without it: both books list the same ids in the same order.
    const QString books = Bundle::mainBundle().resourcePath() + QStringLiteral("/help/");
    const auto ids = [](const QString& page) {
        QFile file(page);
        EXPECT_TRUE(file.open(QIODevice::ReadOnly)) << page.toStdString();
        QStringList found;
        const QRegularExpression id(QStringLiteral("id=\"([^\"]+)\""));
        for (const QRegularExpressionMatch& match : id.globalMatch(QString::fromUtf8(file.readAll())))
            found.append(match.captured(1));
        return found;
    };
    const QStringList english = ids(books + QStringLiteral("SorvantHelp/usage-options.html"));
    EXPECT_GE(english.size(), 6);
    EXPECT_EQ(ids(books + QStringLiteral("SorvantHilfe/usage-options.html")), english);
}

TEST_F(MainMenuTest, TheResourceCheckFindsWhatTheProgramReads)
{
    qunsetenv("SORVANT_HELP_DIR");
    useBundledHelpBook();
    QStringList checked;
    for (const ResourceCheckLine& line : checkResources(Bundle::mainBundle())) {
        checked.append(line.what);
        EXPECT_FALSE(line.path.isNull()) << line.what.toStdString();
    }
    EXPECT_EQ(checked, (QStringList{"resources", "strings de", "help de", "strings en", "help en", "mail script"}));
    // A bundle with strings but no help book or mail script says so.
    tree.writeFile(QStringLiteral("res/en.lproj/Localizable.strings"), "\"a\" = \"b\";\n");
    tree.writeFile(QStringLiteral("res/en.lproj/InfoPlist.strings"), "\"CFBundleHelpBookName\" = \"NoBook\";\n");
    const QString resources = tree.filePath(QStringLiteral("res"));
    EXPECT_EQ(resourceCheckReport(checkResources(Bundle(resources, {}))),
              QStringLiteral("resources: %1\nstrings en: %1/en.lproj/Localizable.strings\nhelp en: MISSING\n"
                             "mail script: MISSING\n")
                  .arg(resources));
}

TEST_F(MainMenuTest, TheWebsiteItemOpensTheMakersSite)
{
    QList<QUrl> opened;
    const LaunchURLOpener previous = setLaunchURLOpener([&](const QUrl& url) {
        opened.append(url);
        return true;
    });
    SearchWindow* window = delegate.findWindow();
    QAction* website = itemNamed(window->menuBar(), QStringLiteral("website"));
    ASSERT_NE(website, nullptr);
    website->trigger();
    setLaunchURLOpener(previous);
    EXPECT_EQ(opened, QList<QUrl>{QUrl(QStringLiteral("https://www.tarrenbeck.org/"))});
}

QByteArray updateList(const QString& version)
{
    return "<?xml version=\"1.0\"?><plist version=\"1.0\"><dict><key>"
           + Bundle::mainBundle().localizedBundleName().toUtf8() + "</key><string>" + version.toUtf8()
           + "</string><key>Download</key><string>http://127.0.0.1:1/get</string></dict></plist>";
}

TEST_F(MainMenuTest, CheckForUpdatesTellsTheAnswer)
{
    LoopbackServer server;
    UserDefaults& standard = UserDefaults::standardUserDefaults();
    standard.setObject(server.address(), QStringLiteral("UpdateServerURL"));
    struct Case
    {
        const char* language;
        QByteArray status;
        QString version;
        QString message;
    };
    const QString running = Bundle::mainBundle().bundleVersion();
    const Case cases[] = {
        {"en", "200 OK", running, "Your software is up-to-date"},
        {"en", "200 OK", "999.0", "A New Version is Available"},
        {"en", "404 Not Found", running, "Cannot Check for Updates"},
        {"de", "200 OK", running, "Ihre Software ist auf dem neuesten Stand"},
    };
    AlertRecorder alerts;
    alerts.answer = 0; // never the Download button
    SearchWindow* window = delegate.findWindow();
    QAction* check = itemNamed(window->menuBar(), QStringLiteral("checkForUpdate"));
    ASSERT_NE(check, nullptr);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.message.toStdString());
        const LanguageScope language(QString::fromLatin1(c.language));
        server.status = c.status;
        server.body = updateList(c.version);
        alerts.alerts.clear();
        check->trigger();
        ASSERT_EQ(alerts.alerts.size(), 1);
        EXPECT_EQ(alerts.alerts.at(0).messageText, c.message);
    }
    EXPECT_EQ(server.requests.size(), 4);
    standard.removeObjectForKey(QStringLiteral("UpdateServerURL"));
}

// --- the file actions of a window with results -------------------------------------------

class MenuActionsTest : public AppFixture
{
protected:
    void SetUp() override
    {
        tree.writeFile(QStringLiteral("r/item-a.txt"), "xyz");
        tree.writeFile(QStringLiteral("r/item-b.txt"), "x");
        tree.writeFile(QStringLiteral("r/item-c.txt"), "xy");
        window = makeWindow();
        ASSERT_TRUE(searchAndWait(*window, QStringLiteral("item"), tree.filePath(QStringLiteral("r"))));
        ASSERT_EQ(window->resultsTable()->model()->rowCount(), 3);
    }
    void TearDown() override
    {
        if (QuickLookController* preview = QuickLookController::currentController())
            preview->closePanel();
    }
    [[nodiscard]] QAction* action(const char* name) const { return window->fileAction(QString::fromLatin1(name)); }
    [[nodiscard]] QMessageBox* sheet() const { return window->findChild<QMessageBox*>(QStringLiteral("alert")); }
    [[nodiscard]] QAbstractButton* sheetButton(const QString& text) const
    {
        for (QAbstractButton* button : sheet()->buttons()) {
            if (button->text() == text)
                return button;
        }
        return nullptr;
    }

    std::unique_ptr<SearchWindow> window;
};

TEST_F(MenuActionsTest, PreviewTitlesFollowTheSelection)
{
    struct Case
    {
        const char* language;
        QList<int> rows;
        QString quickLook;
        QString slideshow;
    };
    const Case cases[] = {
        {"en", {}, "Quick Look", "Slideshow"},
        {"en", {1}, "Quick Look \"item-b.txt\"", "Slideshow \"item-b.txt\""},
        {"en", {0, 2}, "Quick Look 2 items", "Slideshow 2 items"},
        {"de", {1}, "Übersicht von „item-b.txt“", "Diashow von „item-b.txt“"},
        {"de", {0, 1, 2}, "Übersicht von 3 Objekten", "Diashow von 3 Objekten"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.language << " " << c.rows.size());
        const LanguageScope language(QString::fromLatin1(c.language));
        window->selectRows(c.rows);
        window->validateFileActions();
        EXPECT_EQ(action("toggleQuickLookAction")->text(), c.quickLook);
        EXPECT_EQ(action("toggleSlideshowAction")->text(), c.slideshow);
        for (const char* name : {"toggleQuickLookAction", "toggleSlideshowAction", "addToQX"})
            EXPECT_EQ(action(name)->isEnabled(), !c.rows.isEmpty()) << name;
    }
}

TEST_F(MenuActionsTest, ValidatingDuringAReloadTakesNoSecondLock)
{
    // A reload re-validates the menus while it holds the results' lock.
    window->selectRows({2});
    window->engine().dataSource().lock();
    window->validateFileActions();
    window->engine().dataSource().unlock();
    EXPECT_EQ(action("toggleQuickLookAction")->text(), QStringLiteral("Quick Look \"item-c.txt\""));
    EXPECT_EQ(window->selectedResultName(true), QStringLiteral("item-c.txt"));
    window->selectRows({});
    EXPECT_TRUE(window->selectedResultName(true).isNull());
}

TEST_F(MenuActionsTest, AnOpenPreviewOffersToCloseAndTheSlideshowShowsTheSelection)
{
    activate(*window);
    window->selectRows({0, 2});
    action("toggleSlideshowAction")->trigger();
    QuickLookController* preview = QuickLookController::currentController();
    ASSERT_NE(preview, nullptr);
    ASSERT_TRUE(preview->isOpen());
    EXPECT_EQ(preview->numberOfPreviewItems(), 2);
    window->selectRows({});
    window->validateFileActions();
    EXPECT_EQ(action("toggleQuickLookAction")->text(), QStringLiteral("Close Quick Look"));
    EXPECT_TRUE(action("toggleQuickLookAction")->isEnabled());
    action("toggleQuickLookAction")->trigger();
    EXPECT_FALSE(preview->isOpen());
    window->validateFileActions();
    EXPECT_EQ(action("toggleQuickLookAction")->text(), QStringLiteral("Quick Look"));
}

TEST_F(MenuActionsTest, QuirrelMissingOffersTheMakersSite)
{
    QList<QUrl> opened;
    const LaunchURLOpener previous = setLaunchURLOpener([&](const QUrl& url) {
        opened.append(url);
        return true;
    });
    activate(*window);
    for (const bool website : {false, true}) {
        SCOPED_TRACE(website);
        window->selectRows({0});
        LogCapture log;
        action("addToQX")->trigger();
        EXPECT_TRUE(log.lines().contains(QStringLiteral("NSPerformService 'Add To Quirrel' failed.")));
        ASSERT_NE(sheet(), nullptr);
        EXPECT_EQ(sheet()->text(), QStringLiteral("Warning"));
        EXPECT_EQ(sheet()->informativeText(), QStringLiteral("Quirrel is not installed."));
        EXPECT_EQ(sheet()->icon(), QMessageBox::Critical);
        QAbstractButton* ok = sheetButton(QStringLiteral("OK"));
        ASSERT_NE(ok, nullptr);
        EXPECT_EQ(static_cast<QAbstractButton*>(sheet()->defaultButton()), ok);
        QAbstractButton* site = sheetButton(QStringLiteral("Website"));
        ASSERT_NE(site, nullptr);
        QTest::mouseClick(website ? site : ok, Qt::LeftButton);
        QTest::qWait(1);
        EXPECT_EQ(sheet(), nullptr);
    }
    setLaunchURLOpener(previous);
    EXPECT_EQ(opened, QList<QUrl>{QUrl(QStringLiteral("https://www.tarrenbeck.org/"))});
}

TEST_F(MenuActionsTest, OpenWithOffersTheDefaultApplicationFirstAndOpensWithTheChosenOne)
{
    DesktopHome desktop;
    const QString viewer =
        desktop.writeApplication(QStringLiteral("viewer.desktop"), QStringLiteral("Text Viewer"),
                                 QStringLiteral("true %f"), QStringLiteral("MimeType=text/plain;\n"));
    const QString editor =
        desktop.writeApplication(QStringLiteral("editor.desktop"), QStringLiteral("Alpha Editor"),
                                 QStringLiteral("true %f"), QStringLiteral("MimeType=text/plain;\n"));
    desktop.home.tree.writeFile(QStringLiteral("home/.config/mimeapps.list"),
                                "[Default Applications]\ntext/plain=viewer.desktop;\n");
    RecordingOpener opener;
    ItemOpener* previous = setItemOpener(&opener);
    auto* menu = window->contextMenu()->findChild<QMenu*>(QStringLiteral("openWith"));
    ASSERT_NE(menu, nullptr);
    window->selectRows({0});
    const QStringList selected = window->selectedPaths();
    emit menu->aboutToShow();
    EXPECT_EQ(titles(menu->actions()), (QStringList{"Text Viewer (default)", "Alpha Editor"}));
    ASSERT_EQ(menu->actions().size(), 3) << "a separator after the default";
    EXPECT_EQ(menu->actions().at(0)->data().toString(), viewer);
    menu->actions().at(2)->trigger();
    // Nothing selected: nothing to open with.
    window->selectRows({});
    emit menu->aboutToShow();
    EXPECT_EQ(titles(menu->actions()), QStringList{"<None>"});
    setItemOpener(previous);
    EXPECT_EQ(opener.calls, QStringList{editor + " <- " + selected.join(" | ")});
}

TEST_F(MenuActionsTest, TheDestinationMenuMarksTheCurrentDestination)
{
    const auto marked = [this] {
        emit window->destinationMenu()->aboutToShow();
        QStringList values;
        for (const QAction* item : window->destinationMenu()->actions()) {
            if (item->isChecked())
                values.append(item->data().toString());
        }
        return values;
    };
    const QString allVolumes = QString::fromUtf16(kAllVolumesDestination);
    const struct
    {
        QString destination;
        QStringList marked;
    } cases[] = {
        {QDir::homePath(), {QStringLiteral("~")}},
        {QStringLiteral("~"), {QStringLiteral("~")}},
        {allVolumes, {allVolumes}},
        {tree.filePath(QStringLiteral("r")), {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.destination.toStdString());
        window->setDestination(c.destination);
        EXPECT_EQ(marked(), c.marked);
    }
}

TEST_F(MenuActionsTest, AnInstalledQuirrelReceivesTheSelectedPaths)
{
    DesktopHome desktop;
    const QString output = desktop.home.tree.filePath(QStringLiteral("handed.txt"));
    desktop.writeApplication(QStringLiteral("com.velmor-works.quirrel3.desktop"), QStringLiteral("Quirrel"),
                             desktop.writeArgumentRecorder(output) + QStringLiteral(" %F"));
    window->selectRows({0, 2});
    const QStringList paths = window->selectedPaths();
    action("addToQX")->trigger();
    EXPECT_EQ(waitForFile(output), ("arg:" + paths.join("\narg:") + "\nEND\n").toUtf8());
    EXPECT_EQ(sheet(), nullptr) << "no warning when it took them";
}

TEST_F(MenuActionsTest, QuirrelIsAnAllowedToolbarItemWithItsOwnPicture)
{
    EXPECT_EQ(window->toolbarAllowedItemIdentifiers(),
              (QStringList{"quicklook", "share", "open", "reveal", "quirrel", "delete", "info", "settings",
                           kToolbarSeparatorIdentifier, kToolbarSpaceIdentifier}));
    EXPECT_FALSE(window->toolbarDefaultItemIdentifiers().contains(QStringLiteral("quirrel")));
    std::unique_ptr<ToolbarItem> item(window->toolbarItem(QStringLiteral("quirrel")));
    ASSERT_NE(item, nullptr);
    EXPECT_EQ(item->label(), QStringLiteral("Quirrel"));
    EXPECT_FALSE(item->icon().pixmap(24, 24).isNull()) << "the application's picture \"Quirrel 3\"";
    EXPECT_EQ(window->toolbarItem(QStringLiteral("Quirrel")), nullptr);
    // Put on the toolbar, it follows the selection.
    window->toolbar()->setItemIdentifiers({QStringLiteral("quirrel"), QStringLiteral("share")});
    window->selectRows({1});
    EXPECT_TRUE(window->toolbar()->itemWithIdentifier(QStringLiteral("quirrel"))->isEnabled());
    window->selectRows({});
    EXPECT_FALSE(window->toolbar()->itemWithIdentifier(QStringLiteral("quirrel"))->isEnabled());
    // Sharing has no service on the desktop: shown, never enabled.
    EXPECT_FALSE(window->toolbar()->itemWithIdentifier(QStringLiteral("share"))->isEnabled());
    QAction* share = action("shareAction");
    ASSERT_NE(share, nullptr);
    window->validateFileActions();
    EXPECT_TRUE(window->contextMenu()->actions().contains(share));
    EXPECT_FALSE(share->isEnabled());
}

TEST_F(MenuActionsTest, IconOnlyModeRemakesTheSymbolImagesOnly)
{
    SymbolToolbar* toolbar = window->toolbar();
    toolbar->setItemIdentifiers({QStringLiteral("settings"), QStringLiteral("open"), QStringLiteral("quirrel")});
    const auto image = [toolbar](const char* identifier) {
        return toolbar->itemWithIdentifier(QString::fromLatin1(identifier))->image();
    };
    ASSERT_TRUE(isSymbolImage(image("settings")));
    // A symbol the desktop lacks gives way to the picture; Quirrel always
    // shows its picture.
    EXPECT_FALSE(isSymbolImage(image("open")));
    EXPECT_TRUE(image("open").isSameImage(cachedImageNamed(QStringLiteral("Open Doc"))));
    EXPECT_FALSE(isSymbolImage(image("quirrel")));
    EXPECT_TRUE(image("quirrel").isSameImage(cachedImageNamed(QStringLiteral("Quirrel 3"))));

    struct Step
    {
        SymbolToolbar::DisplayMode mode;
        bool remade;
    };
    const Step steps[] = {
        {SymbolToolbar::LabelOnlyMode, false},   {SymbolToolbar::IconAndLabelMode, false},
        {SymbolToolbar::IconOnlyMode, true},     {SymbolToolbar::IconOnlyMode, false},
        {SymbolToolbar::LabelOnlyMode, true},    {SymbolToolbar::IconAndLabelMode, false},
    };
    for (const Step& step : steps) {
        SCOPED_TRACE(testing::Message() << int(step.mode));
        const Image settings = image("settings");
        const Image open = image("open");
        const Image quirrel = image("quirrel");
        toolbar->setDisplayMode(step.mode);
        EXPECT_EQ(!image("settings").isSameImage(settings), step.remade);
        EXPECT_TRUE(isSymbolImage(image("settings")));
        EXPECT_TRUE(image("open").isSameImage(open));
        EXPECT_TRUE(image("quirrel").isSameImage(quirrel));
    }
}

// --- the critical alerts ------------------------------------------------------------------

class AlertPanelsTest : public MenuActionsTest
{
protected:
    void TearDown() override
    {
        setAlertRunner({});
        MenuActionsTest::TearDown();
    }
};

TEST_F(AlertPanelsTest, ButtonsAnswerOneZeroAndFailuresMinusTwo)
{
    struct Case
    {
        const char* choice; // "default", "alternate", "throw"
        int expected;
    };
    for (const Case c : {Case{"default", 1}, Case{"alternate", 0}, Case{"throw", -2}}) {
        SCOPED_TRACE(c.choice);
        QStringList seen;
        setAlertRunner([&](QMessageBox* alert) -> int {
            seen << alert->text() << alert->informativeText();
            EXPECT_EQ(alert->icon(), QMessageBox::Critical);
            // Escape must never pick the destructive alternate button.
            EXPECT_EQ(alertTag(alert->escapeButton()), 1);
            if (QLatin1String(c.choice) == QLatin1String("throw"))
                throw std::runtime_error("no display");
            for (QAbstractButton* button : alert->buttons()) {
                if (button->text() == (QLatin1String(c.choice) == QLatin1String("default") ? "Keep" : "Drop"))
                    return alertTag(button);
            }
            return kAlertNotShown;
        });
        LogCapture log;
        EXPECT_EQ(runAlertPanel(QStringLiteral("Warning"), QStringLiteral("%d items of %@"), QStringLiteral("Keep"),
                                QStringLiteral("Drop"), {3, QStringLiteral("r")}),
                  c.expected);
        EXPECT_EQ(seen, (QStringList{"Warning", "3 items of r"}));
        EXPECT_EQ(log.lines().join(u'\n').startsWith(QStringLiteral("runAlertPanel: ")),
                  QLatin1String(c.choice) == QLatin1String("throw"));
    }
    std::unique_ptr<QMessageBox> alert(
        makeCriticalAlert(QStringLiteral("Warning"), QStringLiteral("OK"), QStringLiteral("Website"),
                          QStringLiteral("Quirrel is not installed.")));
    ASSERT_NE(alert, nullptr);
    EXPECT_EQ(alert->buttons().size(), 2);
    EXPECT_EQ(makeCriticalAlert({}, QStringLiteral("OK"), {}, QStringLiteral("x")), nullptr);
}

TEST_F(AlertPanelsTest, AnAlertThatCannotBeShownCountsAsCancel)
{
    int asked = 0;
    setAlertRunner([&](QMessageBox*) -> int {
        ++asked;
        throw std::runtime_error("no display");
    });
    // Deleting for good: nothing goes.
    window->selectRows({0});
    window->destroy();
    EXPECT_EQ(asked, 1);
    EXPECT_TRUE(QFile::exists(tree.filePath(QStringLiteral("r/item-a.txt"))));

    // A Trash that cannot take the items: the question fails, so the items
    // stay where they are instead of being deleted.
    const QString trash = trashFolderForPath(tree.filePath(QStringLiteral("r")));
    const QString saved = trash + QStringLiteral(".saved");
    const bool hadTrash = QFileInfo::exists(trash);
    if (hadTrash) {
        ASSERT_TRUE(QDir().rename(trash, saved));
    }
    QDir().mkpath(QFileInfo(trash).path());
    ASSERT_TRUE(QFile(trash).open(QIODevice::WriteOnly));
    window->selectRows({0, 1});
    window->moveToTrash();
    QFile::remove(trash);
    if (hadTrash)
        QDir().rename(saved, trash);
    EXPECT_EQ(asked, 2) << "asked once for both items";
    EXPECT_TRUE(QFile::exists(tree.filePath(QStringLiteral("r/item-a.txt"))));
    EXPECT_TRUE(QFile::exists(tree.filePath(QStringLiteral("r/item-b.txt"))));
    EXPECT_EQ(window->resultsTable()->model()->rowCount(), 3);
}

} // namespace
} // namespace sorvant::test
