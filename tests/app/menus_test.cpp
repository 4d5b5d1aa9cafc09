// The main menu and its Help menu, Quirrel, Open With, the preview items'
// titles, the toolbar's items and modes, the destination mark and the
// critical alerts of the file actions.

#include "app/alert_panels.h"
#include "app/application_delegate.h"
#include "app/file_actions.h"
#include "app/preferences_panel.h"
#include "app/results_table_model.h"
#include "app/search_window_commands.h"
#include "interface/action_router.h"
#include "interface/alerts.h"
#include "interface/application.h"
#include "interface/help_actions.h"
#include "interface/images.h"
#include "interface/localization.h"
#include "interface/quick_look.h"
#include "interface/strings_file.h"
#include "interface/toolbar_items.h"
#include "interface/window_extensions.h"
#include "search/search_params.h"
#include "system/bundle.h"
#include "system/trash.h"
#include "tests/app/app_test_support.h"
#include "tests/support/pinned_locale.h"
#include "tests/interface/widget_helpers.h"
#include "tests/system/alert_recorder.h"
#include "tests/system/desktop_test_support.h"
#include "tests/system/loopback_http_server.h"

#include <QAbstractButton>
#include <QAction>
#include <QDir>
#include <QMenu>
#include <QFileInfo>
#include <QHeaderView>
#include <QMenuBar>
#include <QMessageBox>
#include <QDeadlineTimer>
#include <QThread>
#include <QPointer>
#include <QPushButton>

#include <atomic>
#include <chrono>
#include <stdexcept>
#include <thread>
#include <tuple>

namespace sorvant::test {
namespace {

// The interface in one language for the length of a scope.
class LanguageScope
{
public:
    explicit LanguageScope(const char* language)
    {
        installStringsTables();
        QCoreApplication::installTranslator(&m_translator);
        setPreferredLanguages({QString::fromLatin1(language)});
    }
    ~LanguageScope()
    {
        setPreferredLanguages({});
        QCoreApplication::removeTranslator(&m_translator);
    }

private:
    StringsTableTranslator m_translator;
};

QStringList titles(const QList<QAction*>& actions)
{
    QStringList texts;
    for (const QAction* action : actions)
        if (!action->isSeparator())
            texts.append(action->text());
    return texts;
}

using MainMenuTest = AppFixture;

TEST_F(MainMenuTest, LocalizedWhenBuiltWithHelpInTheLanguageAndTheUpdateCheckAnswered)
{
    ApplicationDelegate delegate(&defaults);
    QList<QUrl> opened;
    const URLOpener previousOpener = setHelpURLOpener([&](const QUrl& url) { return opened.append(url), true; });
    LoopbackServer server;
    UserDefaults::standardUserDefaults().setObject(server.address(), QStringLiteral("UpdateServerURL"));
    AlertRecorder alerts; // answers 0: never the Download button
    const struct
    {
        const char* language;
        QStringList help;
        const char* book;
        QString listed; // the version the server lists; null: it answers 404
        QString answer;
    } cases[] = {
        {"en", {"Sorvant Help", "Check for Updates...", "Sorvant Website"}, "SorvantHelp",
         Bundle::mainBundle().bundleVersion(), "Your software is up-to-date"},
        {"en", {"Sorvant Help", "Check for Updates...", "Sorvant Website"}, "SorvantHelp", "999.0",
         "A New Version is Available"},
        {"de", {"Sorvant-Hilfe", "Nach Updates suchen …", "Sorvant-Website"}, "SorvantHilfe", {},
         "Nach Updates suchen nicht möglich"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.answer.toStdString());
        const LanguageScope language(c.language);
        qunsetenv("SORVANT_HELP_DIR");
        useBundledHelpBook();
        SearchWindow* window = delegate.findWindow();
        EXPECT_EQ(titles(window->menuBar()->findChild<QMenu*>(QStringLiteral("helpMenu"))->actions()), c.help);
        QSignalSpy helpAnswered(window, &SearchWindow::helpAnswered);
        window->findChild<QAction*>(QStringLiteral("showHelp"))->trigger();
        ASSERT_TRUE(helpAnswered.wait(10000)) << "the page is found and opened off the interface thread";
        QUrl page = QUrl::fromLocalFile(Bundle::mainBundle().resourcePath() + "/help/" + c.book + "/usage-options.html");
        page.setFragment(QStringLiteral("usage-options.html"));
        EXPECT_EQ(opened.value(opened.size() - 1), page);
        server.body = "<plist version=\"1.0\"><dict><key>" + Bundle::mainBundle().localizedBundleName().toUtf8()
                      + "</key><string>" + c.listed.toUtf8() + "</string><key>Download</key><string>x</string>"
                      + "</dict></plist>";
        server.status = c.listed.isNull() ? "404 Not Found" : "200 OK";
        alerts.alerts.clear();
        menuBarItem(window, QStringLiteral("checkForUpdate"))->trigger();
        EXPECT_TRUE(alerts.alerts.isEmpty()) << "the check waits for nothing: the answer comes later";
        for (int i = 0; i < 500 && alerts.alerts.isEmpty(); ++i)
            QTest::qWait(10);
        ASSERT_EQ(alerts.alerts.size(), 1);
        EXPECT_EQ(alerts.alerts.at(0).messageText, c.answer);
        window->close();
    }
    setHelpURLOpener(previousOpener);
    UserDefaults::standardUserDefaults().removeObjectForKey(QStringLiteral("UpdateServerURL"));
    qunsetenv("SORVANT_HELP_DIR");
}

// Regression: Ctrl+Q and Ctrl+W did nothing while the preferences were the
// active window: the menus, and with them their keys, were the search
// window's. The application's commands are one action each, in every
// window's menus and in the preferences, which Ctrl+W closes.
TEST_F(MainMenuTest, ApplicationKeysActFromThePreferencesWithOrWithoutASearchWindow)
{
    ApplicationDelegate delegate(&defaults);
    const QPointer<SearchWindow> first = delegate.findWindow();
    const QPointer<SearchWindow> second = delegate.findWindow();
    for (const char* name : {"newWindow", "orderFrontPrefsPanel", "terminate", "checkForUpdate", "website"}) {
        SCOPED_TRACE(name);
        ASSERT_NE(delegate.applicationCommand(name), nullptr);
        EXPECT_EQ(menuBarItem(first, QString::fromLatin1(name)), delegate.applicationCommand(name));
        EXPECT_EQ(menuBarItem(second, QString::fromLatin1(name)), delegate.applicationCommand(name));
    }
    QSignalSpy terminating(&delegate, &ApplicationDelegate::shouldTerminate);
    for (const bool alone : {false, true}) {
        SCOPED_TRACE(alone ? "no search window" : "beside search windows");
        if (alone) {
            first->close();
            second->close();
        }
        delegate.orderFrontPrefsPanel();
        PreferencesPanel* panel = PreferencesPanel::sharedPreferencesPanel();
        ASSERT_NE(panel, nullptr);
        activate(*panel);
        ASSERT_EQ(QApplication::activeWindow(), panel);
        QTest::keyClick(panel, Qt::Key_Q, Qt::ControlModifier);
        EXPECT_EQ(terminating.size(), 1);
        terminating.clear();
        QTest::keyClick(panel, Qt::Key_W, Qt::ControlModifier);
        EXPECT_FALSE(panel->isVisible());
        const SearchWindow* shown = first.data();
        EXPECT_EQ(shown != nullptr && shown->isVisible(), !alone) << "Ctrl+W closes only the window that has it";
    }
    delete PreferencesPanel::sharedPreferencesPanel();
}

TEST(ApplicationEvents, AnotherThreadsEventIsNotTakenForTheApplicationsOwn)
{
    // The update check's network thread delivers its own events; recording
    // them beside the main thread's corrupted the application's record.
    // Standard atomics, not Qt's semaphore: the sanitizer sees their order.
    struct Receiver : QObject
    {
        std::atomic<QEvent*> seen{nullptr};
        std::atomic<bool> handled{false};
        bool event(QEvent* event) override
        {
            if (event->type() != QEvent::User)
                return QObject::event(event);
            seen.store(VelmorApplication::shared()->currentEvent());
            handled.store(true);
            return true;
        }
    };
    QThread thread;
    Receiver receiver;
    receiver.moveToThread(&thread);
    thread.start();
    QCoreApplication::postEvent(&receiver, new QEvent(QEvent::User));
    QDeadlineTimer deadline(5000);
    while (!receiver.handled.load() && !deadline.hasExpired())
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    thread.quit();
    thread.wait();
    ASSERT_TRUE(receiver.handled.load());
    EXPECT_EQ(receiver.seen.load(), nullptr);
}

// A window showing three results, "item-a.txt" to "item-c.txt".
class MenuActionsTest : public AppFixture
{
protected:
    void SetUp() override
    {
        for (const char* name : {"r/item-a.txt", "r/item-b.txt", "r/item-c.txt"})
            tree.writeFile(QString::fromLatin1(name), "x");
        window = makeWindow();
        ASSERT_TRUE(searchAndWait(*window, QStringLiteral("item"), tree.filePath(QStringLiteral("r"))));
    }
    void TearDown() override
    {
        setAlertRunner({});
        if (QuickLookController* preview = QuickLookController::currentController())
            preview->closePanel();
    }
    [[nodiscard]] QAction* action(const char* name) const { return window->commands().command(name); }
    [[nodiscard]] QMessageBox* sheet() const { return window->findChild<QMessageBox*>(QStringLiteral("alert")); }
    [[nodiscard]] Image image(const char* identifier) const
    {
        return window->toolbar()->itemWithIdentifier(QString::fromLatin1(identifier))->image();
    }
    std::unique_ptr<SearchWindow> window;
};

TEST_F(MenuActionsTest, PreviewTitlesFollowTheSelectionAndAnOpenPreview)
{
    const std::tuple<const char*, QList<int>, QString, QString> cases[] = {
        {"en", {}, "Quick Look", "Slideshow"},
        {"en", {1}, "Quick Look \"item-b.txt\"", "Slideshow \"item-b.txt\""},
        {"en", {0, 2}, "Quick Look 2 items", "Slideshow 2 items"},
        {"de", {1}, "Übersicht von „item-b.txt“", "Diashow von „item-b.txt“"},
        {"de", {0, 1, 2}, "Übersicht von 3 Objekten", "Diashow von 3 Objekten"},
    };
    for (const auto& [language, rows, quickLook, slideshow] : cases) {
        SCOPED_TRACE(quickLook.toStdString());
        const LanguageScope scope(language);
        window->resultsTable()->selectRows(rows);
        // A reload validates while it holds the results' lock: no second lock.
        window->searchController().engine().dataSource().lock();
        window->commands().update();
        window->searchController().engine().dataSource().unlock();
        EXPECT_EQ(action("toggleQuickLookAction")->text(), quickLook);
        EXPECT_EQ(action("toggleSlideshowAction")->text(), slideshow);
        for (const char* name : {"toggleQuickLookAction", "toggleSlideshowAction", "addToQX"})
            EXPECT_EQ(action(name)->isEnabled(), !rows.isEmpty()) << name;
    }
    activate(*window);
    action("toggleSlideshowAction")->trigger();
    QuickLookController* preview = QuickLookController::currentController();
    ASSERT_TRUE(preview && preview->isOpen());
    EXPECT_EQ(preview->numberOfPreviewItems(), 3);
    window->resultsTable()->selectRows({});
    window->commands().update();
    EXPECT_EQ(action("toggleQuickLookAction")->text(), QStringLiteral("Close Quick Look"));
    EXPECT_TRUE(action("toggleQuickLookAction")->isEnabled());
}

// Regression: the titles counted thousands without grouping them ("Quick
// Look 147548 items") where the status line and the questions group them.
TEST_F(MenuActionsTest, PreviewTitlesGroupTheCountAsTheLanguageDoes)
{
    auto many = windowOfRows(1234);
    many->resultsTable()->selectAll();
    const std::tuple<const char*, const char*, QString, QString> cases[] = {
        {"en", "en_US", "Quick Look 1,234 items", "Slideshow 1,234 items"},
        {"de", "de_DE", "Übersicht von 1.234 Objekten", "Diashow von 1.234 Objekten"},
    };
    for (const auto& [language, locale, quickLook, slideshow] : cases) {
        SCOPED_TRACE(locale);
        const LanguageScope scope(language);
        const PinnedLocale pinned(QString::fromLatin1(locale), QStringLiteral("UTC"));
        many->commands().update();
        EXPECT_EQ(many->commands().command("toggleQuickLookAction")->text(), quickLook);
        EXPECT_EQ(many->commands().command("toggleSlideshowAction")->text(), slideshow);
        // The Items menu as it shows them (a screenshot to look at).
        QMenu items;
        items.addActions(many->commands().contextMenu()->actions());
        items.addSeparator();
        items.addAction(many->commands().command("toggleQuickLookAction"));
        items.addAction(many->commands().command("toggleSlideshowAction"));
        items.adjustSize();
        const QString folder = QStringLiteral(SORVANT_SCREENSHOT_DIR);
        QDir().mkpath(folder);
        EXPECT_TRUE(items.grab().save(folder + QStringLiteral("/items-menu-many-%1.png").arg(QLatin1String(language))));
    }
}

TEST_F(MenuActionsTest, QuirrelMissingOffersTheMakersSiteInstalledTakesTheSelection)
{
    DesktopHome desktop;
    const InstalledPrograms programs(desktop.home.tree, {QStringLiteral("browse")});
    const QString browsed = InstalledPrograms::outputOf(desktop.home.tree, QStringLiteral("browse"));
    activate(*window);
    QSignalSpy answered(&window->fileActions(), &FileActions::launchAnswered);
    const auto failure = [this] { return window->findChild<QMessageBox*>(QStringLiteral("failure")); };
    // The launch runs off the interface thread; its answer comes back.
    const auto arrived = [&answered] { return !answered.isEmpty() || answered.wait(10000); };
    // The command answers once, when the warning is answered and what it
    // chose has answered.
    const auto offer = [&](const char* choice) {
        window->resultsTable()->selectRows({0});
        answered.clear();
        action("addToQX")->trigger();
        ASSERT_TRUE(QTest::qWaitFor([&] { return sheet() != nullptr; }, 10000)) << choice;
        EXPECT_TRUE(answered.isEmpty()) << "not answered while it asks";
        EXPECT_EQ(sheet()->informativeText(), QStringLiteral("Quirrel is not installed."));
        EXPECT_EQ(sheet()->defaultButton()->text(), QStringLiteral("OK"));
        for (QAbstractButton* button : sheet()->buttons())
            if (button->text() == QLatin1String(choice))
                QTest::mouseClick(button, Qt::LeftButton);
        QTest::qWait(1);
        EXPECT_EQ(sheet(), nullptr) << choice;
    };
    offer("OK");
    EXPECT_EQ(answered.size(), 1);
    // Without a web browser nothing is opened, and that is said.
    offer("Website");
    ASSERT_TRUE(arrived());
    ASSERT_NE(failure(), nullptr);
    EXPECT_EQ(failure()->text(), QStringLiteral("Cannot Show the Website"));
    failure()->close();
    QTest::qWait(1);
    // An editor that takes web pages as text is no browser for the site.
    desktop.writeApplication(QStringLiteral("edit.desktop"), QStringLiteral("Edit"), QStringLiteral("browse %f"),
                             QStringLiteral("MimeType=text/plain;\n"));
    desktop.writeApplication(QStringLiteral("browser.desktop"), QStringLiteral("Browser"), QStringLiteral("browse %u"),
                             QStringLiteral("MimeType=text/html;x-scheme-handler/https;\n"));
    offer("Website");
    ASSERT_TRUE(arrived());
    EXPECT_EQ(waitForFile(browsed), "arg:https://www.tarrenbeck.org/\nEND\n");
    EXPECT_EQ(answered.size(), 1);
    EXPECT_EQ(failure(), nullptr);

    const QString handed = desktop.home.tree.filePath(QStringLiteral("handed.txt"));
    desktop.writeApplication(QStringLiteral("com.velmor-works.quirrel3.desktop"), QStringLiteral("Quirrel"),
                             desktop.writeArgumentRecorder(handed) + QStringLiteral(" %F"));
    window->resultsTable()->selectRows({0, 2});
    answered.clear();
    action("addToQX")->trigger();
    EXPECT_EQ(waitForFile(handed), ("arg:" + window->resultsTable()->selectedPaths().join("\narg:") + "\nEND\n").toUtf8());
    ASSERT_TRUE(arrived());
    EXPECT_EQ(sheet(), nullptr);
}

// Double-click, Space, header clicks and the application's menus send the
// same commands as the window's menus, validated by the router in one place.
TEST_F(MenuActionsTest, EveryWayInSendsTheSharedCommand)
{
    activate(*window);
    RecordingOpener opener;
    ItemOpener* previous = setItemOpener(&opener);
    ResultsView* table = window->resultsTable();
    const auto triggers = [](QAction* command) { return std::make_unique<QSignalSpy>(command, &QAction::triggered); };

    // Double-click: Open.
    const auto open = triggers(action("openFile"));
    table->selectRows({});
    const QRect first = table->visualRect(table->model()->index(0, ResultsTableModel::kFileColumn));
    // As a mouse gives it: a press, then the second press as a double-click.
    QTest::mouseClick(table->viewport(), Qt::LeftButton, {}, first.center());
    QTest::mouseDClick(table->viewport(), Qt::LeftButton, {}, first.center());
    EXPECT_EQ(open->size(), 1);
    QSignalSpy answered(&window->fileActions(), &FileActions::launchAnswered);
    ASSERT_TRUE(!answered.isEmpty() || answered.wait(10000));
    setItemOpener(previous);

    // Space: Quick Look, not when nothing is selected (the command is off).
    const auto quickLook = triggers(action("toggleQuickLookAction"));
    table->setFocus();
    table->selectRows({});
    QTest::keyClick(table, Qt::Key_Space);
    EXPECT_EQ(quickLook->size(), 0);
    table->selectRows({1});
    QTest::keyClick(table, Qt::Key_Space);
    EXPECT_EQ(quickLook->size(), 1);
    QuickLookController* preview = QuickLookController::currentController();
    EXPECT_TRUE(preview && preview->isOpen());

    // Header clicks: a new key is "setSorting:", the current one reverses.
    QHeaderView* header = table->horizontalHeader();
    const auto clickHeader = [header](int column) {
        const int x = header->sectionViewportPosition(column) + header->sectionSize(column) / 2;
        QTest::mouseClick(header->viewport(), Qt::LeftButton, {}, QPoint(x, header->height() / 2));
    };
    const auto bySize = triggers(window->commands().command("setSorting:", kSortBySize));
    const auto descending = triggers(window->commands().command("setReverseSorting:", 1));
    clickHeader(ResultsTableModel::kSizeColumn);
    EXPECT_EQ(bySize->size(), 1);
    EXPECT_EQ(window->searchController().sorting(), std::uint64_t(kSortBySize));
    const bool reversed = window->searchController().isReverseSorting();
    clickHeader(ResultsTableModel::kSizeColumn);
    EXPECT_EQ(window->searchController().isReverseSorting(), !reversed);
    EXPECT_EQ(descending->size(), reversed ? 0 : 1);

    // The application's menus: every item is a command the router answers.
    ApplicationDelegate delegate(&defaults);
    SearchWindow* shell = delegate.findWindow();
    for (const char* name : {"fileMenu", "searchMenu", "helpMenu"}) {
        const auto* menu = shell->menuBar()->findChild<QMenu*>(QString::fromLatin1(name));
        ASSERT_NE(menu, nullptr) << name;
        for (QAction* item : menu->actions()) {
            if (item->isSeparator())
                continue;
            SCOPED_TRACE(item->text().toStdString());
            EXPECT_FALSE(actionSelector(item).isEmpty());
            EXPECT_TRUE(validateAction(item));
        }
    }
    shell->close();
}

TEST_F(MenuActionsTest, OpenWithOffersTheDefaultApplicationFirst)
{
    DesktopHome desktop;
    const QString viewer = desktop.writeApplication(QStringLiteral("viewer.desktop"), QStringLiteral("Text Viewer"),
                                                    QStringLiteral("true %f"), QStringLiteral("MimeType=text/plain;\n"));
    const QString editor = desktop.writeApplication(QStringLiteral("editor.desktop"), QStringLiteral("Alpha Editor"),
                                                    QStringLiteral("true %f"), QStringLiteral("MimeType=text/plain;\n"));
    desktop.home.tree.writeFile(QStringLiteral("home/.config/mimeapps.list"),
                                "[Default Applications]\ntext/plain=viewer.desktop;\n");
    RecordingOpener opener;
    ItemOpener* previous = setItemOpener(&opener);
    auto* menu = window->commands().contextMenu()->findChild<QMenu*>(QStringLiteral("openWith"));
    window->resultsTable()->selectRows({0});
    emit menu->aboutToShow();
    // The applications are looked up off the interface thread.
    for (int i = 0; i < 500 && menu->actions().isEmpty(); ++i)
        QTest::qWait(10);
    EXPECT_EQ(titles(menu->actions()), (QStringList{"Text Viewer (default)", "Alpha Editor"}));
    EXPECT_EQ(menu->actions().constFirst()->data().toString(), viewer);
    QSignalSpy answered(&window->fileActions(), &FileActions::launchAnswered);
    menu->actions().constLast()->trigger();
    ASSERT_TRUE(answered.wait(10000));
    setItemOpener(previous);
    EXPECT_EQ(opener.calls, QStringList{editor + " <- " + window->resultsTable()->selectedPaths().constFirst()});
}

TEST_F(MenuActionsTest, ToolbarOffersQuirrelSharesNothingAndResizesSymbolsForIconOnly)
{
    EXPECT_EQ(window->toolbarAllowedItemIdentifiers(),
              (QStringList{"quicklook", "share", "open", "reveal", "quirrel", "delete", "info", "settings",
                           kToolbarSeparatorIdentifier, kToolbarSpaceIdentifier}));
    // A new window has nothing selected to act on.
    const auto fresh = makeWindow(2);
    EXPECT_FALSE(fresh->toolbar()->itemWithIdentifier(QStringLiteral("open"))->isEnabled());
    EXPECT_TRUE(fresh->toolbar()->itemWithIdentifier(QStringLiteral("settings"))->isEnabled());
    EXPECT_FALSE(fresh->commands().command("moveToTrash")->isEnabled());
    SymbolToolbar* toolbar = window->toolbar();
    toolbar->setItemIdentifiers({QStringLiteral("settings"), QStringLiteral("open"), QStringLiteral("quirrel"),
                                 QStringLiteral("share")});
    window->resultsTable()->selectRows({1});
    EXPECT_TRUE(toolbar->itemWithIdentifier(QStringLiteral("quirrel"))->isEnabled());
    EXPECT_FALSE(toolbar->itemWithIdentifier(QStringLiteral("share"))->isEnabled());
    EXPECT_FALSE(action("shareAction")->isEnabled());
    window->resultsTable()->selectRows({});
    EXPECT_FALSE(toolbar->itemWithIdentifier(QStringLiteral("quirrel"))->isEnabled());

    // A symbol the desktop lacks gives way to the picture; Quirrel always
    // shows its picture.
    ASSERT_TRUE(isSymbolImage(image("settings")));
    EXPECT_TRUE(image("open").isSameImage(cachedImageNamed(QStringLiteral("Open Doc"))));
    EXPECT_TRUE(image("quirrel").isSameImage(cachedImageNamed(QStringLiteral("Quirrel 3"))));
    using Mode = SymbolToolbar::DisplayMode;
    for (const auto& [mode, remade] : {std::pair{Mode::LabelOnlyMode, false}, {Mode::IconAndLabelMode, false},
                                       {Mode::IconOnlyMode, true}, {Mode::IconOnlyMode, false},
                                       {Mode::LabelOnlyMode, true}}) {
        const Image settings = image("settings");
        const Image quirrel = image("quirrel");
        toolbar->setDisplayMode(mode);
        EXPECT_EQ(!image("settings").isSameImage(settings), remade) << int(mode);
        EXPECT_TRUE(image("quirrel").isSameImage(quirrel)) << int(mode);
    }
}

TEST_F(MenuActionsTest, TheDestinationMenuMarksTheCurrentDestination)
{
    const QString allVolumes = QString::fromUtf16(kAllVolumesDestination);
    ASSERT_TRUE(waitForDestinations(*window));
    for (const auto& [destination, expected] : {std::pair{QDir::homePath(), QStringList{"~"}},
                                                {QStringLiteral("~"), QStringList{"~"}},
                                                {allVolumes, QStringList{allVolumes}},
                                                {tree.filePath(QStringLiteral("r")), QStringList{}}}) {
        window->setDestination(destination);
        emit window->destinations()->menu()->aboutToShow();
        QStringList marked;
        for (const QAction* item : window->destinations()->menu()->actions())
            if (item->isChecked())
                marked.append(item->data().toString());
        EXPECT_EQ(marked, expected) << destination.toStdString();
    }
}

TEST_F(MenuActionsTest, CriticalAlertsAnswerOneZeroOrMinusTwoWhichCountsAsCancel)
{
    for (const auto& [choice, expected] : {std::pair{"Keep", 1}, {"Drop", 0}, {"throw", -2}}) {
        setAlertRunner([&, choice = QString::fromLatin1(choice)](QMessageBox* alert) -> int {
            EXPECT_EQ(alert->informativeText(), QStringLiteral("3 items of r"));
            EXPECT_EQ(alert->icon(), QMessageBox::Critical);
            EXPECT_EQ(alertTag(alert->escapeButton()), 1) << "Escape never picks the alternate button";
            if (choice == u"throw")
                throw std::runtime_error("no display");
            for (QAbstractButton* button : alert->buttons())
                if (button->text() == choice)
                    return alertTag(button);
            return kAlertNotShown;
        });
        EXPECT_EQ(runAlertPanel(QStringLiteral("Warning"), QStringLiteral("%d items of %@"), QStringLiteral("Keep"),
                                QStringLiteral("Drop"), {3, QStringLiteral("r")}),
                  expected)
            << choice;
    }
    // An alert that cannot be shown keeps every item: deleting for good, and
    // a Trash that cannot take them (asked once for both).
    int asked = 0;
    setAlertRunner([&](QMessageBox*) -> int { return ++asked, kAlertNotShown; });
    window->resultsTable()->selectRows({0});
    window->fileActions().destroy();
    const QString trash = trashFolderForPath(tree.filePath(QStringLiteral("r")));
    const bool hadTrash = QFileInfo::exists(trash);
    ASSERT_TRUE(!hadTrash || QDir().rename(trash, trash + QStringLiteral(".saved")));
    QDir().mkpath(QFileInfo(trash).path());
    ASSERT_TRUE(QFile(trash).open(QIODevice::WriteOnly)) << "a file where the Trash would be";
    window->resultsTable()->selectRows({0, 1});
    const bool ended = deleteAndWait(*window, [this] { window->fileActions().moveToTrash(); });
    QFile::remove(trash);
    if (hadTrash)
        QDir().rename(trash + QStringLiteral(".saved"), trash);
    EXPECT_TRUE(ended);
    EXPECT_EQ(asked, 2);
    EXPECT_EQ(window->resultsTable()->model()->rowCount(), 3);
    EXPECT_TRUE(QFile::exists(tree.filePath(QStringLiteral("r/item-a.txt"))));
}

} // namespace
} // namespace sorvant::test
