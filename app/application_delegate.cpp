#include "app/application_delegate.h"

#include "app/destination_menu.h"
#include "app/failure_messages.h"
#include "app/file_actions.h"
#include "app/preferences_panel.h"
#include "app/quit_question.h"
#include "app/search_window.h"
#include "app/search_window_commands.h"
#include "app/user_file_work.h"
#include "foundation/user_defaults_getters.h"
#include "interface/action_router.h"
#include "interface/application.h"
#include "interface/help_actions.h"
#include "interface/localization.h"
#include "interface/menus.h"
#include "interface/quick_look.h"
#include "interface/window_controller.h"
#include "interface/window_extensions.h"
#include "platform/background_work.h"
#include "platform/path_semantics.h"
#include "platform/user_defaults.h"
#include "system/bundle.h"
#include "system/desktop_entries.h"
#include "system/mime_applications.h"
#include "system/file_tests.h"
#include "system/open_with.h"
#include "system/update_check.h"
#include "system/workspace_monitors.h"

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QPointer>
#include <QHash>
#include <QImage>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QTimer>
#include <QUrl>

#include <memory>

namespace sorvant {

ApplicationDelegate::ApplicationDelegate(UserDefaults* defaults, QObject* parent)
    : QObject(parent), m_defaults(defaults ? *defaults : UserDefaults::standardUserDefaults())
{
}

ApplicationDelegate::~ApplicationDelegate()
{
    // Controllers own their windows; each window's engine joins its worker.
    qDeleteAll(m_windowControllers);
}

QList<SearchWindow*> ApplicationDelegate::windows() const
{
    QList<SearchWindow*> windows;
    for (WindowController* controller : m_windowControllers) {
        if (auto* window = qobject_cast<SearchWindow*>(controller->window()))
            windows.append(window);
    }
    return windows;
}

WindowController* ApplicationDelegate::createController()
{
    // The controller counts before its window is made: the first window
    // has index 1.
    const quint64 index = quint64(m_windowControllers.size()) + 1;
    auto* window = new SearchWindow(index, m_defaults);
    auto* controller = new WindowController(window, &m_defaults);
    m_windowControllers.append(controller);
    setFrameAutosaveName(window, QStringLiteral("SearchWindowFrame4-%1").arg(index), m_defaults);
    connect(window, &SearchWindow::windowDidClose, this, [this, controller] { removeWindowController(controller); });
    window->installEventFilter(this);
    addMainMenu(window);
    return controller;
}

void ApplicationDelegate::makeApplicationCommands()
{
    // Made once, titled in English and localized where each window's menu
    // bar is (an untranslated title keeps its text, so that is idempotent).
    // An application shortcut acts while any window holding the action is
    // shown and not behind a modal dialog, whichever window is active.
    const struct
    {
        const char* selector;
        const char* title;
        QKeySequence keys;
    } rows[] = {
        {"newWindow", "New Window", QKeySequence::New},
        {"orderFrontPrefsPanel", "Preferences...", QKeySequence(Qt::CTRL | Qt::Key_Comma)},
        // Ctrl+Q itself: some platforms give the standard Quit no key.
        {"terminate", "Quit", QKeySequence(Qt::CTRL | Qt::Key_Q)},
        {"checkForUpdate", "Check for Updates...", {}},
        {"website", "Sorvant Website", {}},
    };
    for (const auto& row : rows) {
        auto* action = new QAction(QString::fromLatin1(row.title), this);
        action->setObjectName(QString::fromLatin1(row.selector));
        action->setShortcut(row.keys);
        action->setShortcutContext(Qt::ApplicationShortcut);
        bindAction(action, QByteArray(row.selector) + ':', this);
        m_commands.append(action);
    }
    QuickLookController::setApplicationActions(m_commands);
}

const QList<QAction*>& ApplicationDelegate::applicationCommands()
{
    if (m_commands.isEmpty())
        makeApplicationCommands();
    return m_commands;
}

QAction* ApplicationDelegate::applicationCommand(const QByteArray& selector)
{
    for (QAction* action : applicationCommands()) {
        if (action->objectName() == QLatin1String(selector))
            return action;
    }
    return nullptr;
}

void ApplicationDelegate::addMainMenu(SearchWindow* window)
{
    // Built with the English texts as keys, then localized once, the way a
    // menu loaded from an interface file is. Every item is a command sent
    // through the action router and validated by it when its menu opens:
    // the window's own (Close, Find, Search In, Help) and the application's,
    // one action each whatever the number of windows.
    QMenuBar* bar = window->menuBar();
    const SearchWindowCommands& commands = window->commands();
    QMenu* file = bar->addMenu(QStringLiteral("&File"));
    file->setObjectName(QStringLiteral("fileMenu"));
    file->addAction(applicationCommand("newWindow"));
    file->addAction(commands.command("performClose"));
    file->addSeparator();
    file->addAction(applicationCommand("orderFrontPrefsPanel"));
    file->addSeparator();
    file->addAction(applicationCommand("terminate"));
    window->commands().addItemsMenu(bar);
    QMenu* search = bar->addMenu(QStringLiteral("&Search"));
    search->setObjectName(QStringLiteral("searchMenu"));
    search->addAction(commands.command("focusSearchField"));
    search->addAction(commands.command("showDestinationMenu"));
    search->addAction(commands.command("toggleSettings"));
    window->commands().addViewMenu(bar);
    QMenu* help = bar->addMenu(QStringLiteral("&Help"));
    help->setObjectName(QStringLiteral("helpMenu"));
    help->addAction(commands.command("showHelp"));
    help->addSeparator();
    help->addAction(applicationCommand("checkForUpdate"));
    help->addAction(applicationCommand("website"));
    for (QMenu* menu : {file, search, help})
        installMenuValidation(menu);
    localize(bar);
}

void ApplicationDelegate::newWindow()
{
    // The window it came from: the active one, else the newest.
    auto* from = qobject_cast<SearchWindow*>(QApplication::activeWindow());
    if (!from && !windows().isEmpty())
        from = windows().constLast();
    const QString destination = from ? from->destinations()->storedDestination() : QString();
    SearchWindow* window = findWindow();
    if (!destination.isEmpty())
        window->setDestination(destination);
}

QuitQuestion* ApplicationDelegate::quitQuestion() const
{
    return m_quitQuestion.data();
}

void ApplicationDelegate::terminate()
{
    askToQuit(QApplication::activeWindow());
}

bool ApplicationDelegate::eventFilter(QObject* watched, QEvent* event)
{
    // Closing the last window quits (with "QuitOnClose"): while the user's
    // work runs, the window stays open for the question, so Cancel keeps
    // it and the application goes on with a window to show. Not when the
    // application is quitting already (its quit closes the windows, the
    // question too): after SIGTERM (the work stopping) nothing asks, and
    // while the question is up or Quit When Done was answered it is there.
    const UserFileWork& work = UserFileWork::shared();
    if (event->type() == QEvent::Close && m_windowControllers.size() == 1 && watched->isWidgetType()
        && m_windowControllers.constFirst()->window() == watched && !m_terminating && !work.quitPending()
        && work.isRunning() && boolForKey(m_defaults, QStringLiteral("QuitOnClose"), false)) {
        event->ignore();
        askToQuit(static_cast<QWidget*>(watched));
        return true;
    }
    return QObject::eventFilter(watched, event);
}

void ApplicationDelegate::terminateWithoutAsking()
{
    m_terminating = true;
    UserFileWork::shared().setQuitPending(true);
    UserFileWork::shared().stop();
    emit shouldTerminate();
}

void ApplicationDelegate::askToQuit(QWidget* window)
{
    if (!UserFileWork::shared().isRunning()) {
        emit shouldTerminate();
        return;
    }
    if (!m_quitQuestion) {
        m_quitQuestion = new QuitQuestion(UserFileWork::shared(), window);
        connect(m_quitQuestion, &QuitQuestion::quitNow, this, &ApplicationDelegate::shouldTerminate);
    }
    m_quitQuestion->show();
    m_quitQuestion->raise();
    m_quitQuestion->activateWindow();
}

void ApplicationDelegate::website()
{
    showMakersWebsite(QApplication::activeWindow(), this, [this] { emit websiteAnswered(); });
}

void ApplicationDelegate::removeWindowController(WindowController* controller)
{
    if (!m_windowControllers.removeOne(controller))
        return;
    controller->deleteLater();
    if (m_windowControllers.isEmpty() && boolForKey(m_defaults, QStringLiteral("QuitOnClose"), false))
        QTimer::singleShot(100, this, &ApplicationDelegate::terminate);
}

void ApplicationDelegate::applicationWillFinishLaunching()
{
    // Settings changes wait in memory and go to disk on the defaults' own
    // thread, once per user action (the keys of one Return or one column
    // drag together) and at most about once a second: each write replaces
    // the whole file, however large it has grown. Before any window, so that
    // one opened on a folder from the command line writes the same way.
    m_defaults.setCoalescedWrites(std::chrono::milliseconds(150), std::chrono::seconds(1));
}

void ApplicationDelegate::applicationDidFinishLaunching()
{
    applicationWillFinishLaunching();
    QDir().mkpath(applicationSupportPath(QStringLiteral("Sorvant")));
    // Watches the mount table, so windows hear of volumes coming and going.
    (void)MountedVolumesMonitor::sharedMonitor();
    applicationOpenUntitledFile();
}

void ApplicationDelegate::applicationWillTerminate()
{
    if (QuickLookController* preview = QuickLookController::currentController())
        preview->closePanel();
    if (PreferencesPanel* panel = PreferencesPanel::sharedPreferencesPanel())
        panel->close();
    const QList<SearchWindow*> open = windows();
    for (auto it = open.crbegin(); it != open.crend(); ++it)
        (*it)->synchronizeDefaults();
    // At once on quit: nothing waits for the writer's next turn.
    m_defaults.flush();
}

bool ApplicationDelegate::applicationOpenUntitledFile()
{
    if (!m_windowControllers.isEmpty())
        return false;
    findWindow();
    return true;
}

SearchWindow* ApplicationDelegate::findWindow()
{
    WindowController* controller = createController();
    auto* window = qobject_cast<SearchWindow*>(controller->window());
    window->show();
    window->activateWindow();
    // What is typed first replaces the phrase it starts with.
    window->focusSearchField();
    return window;
}

void ApplicationDelegate::search(const QString& phrase, const QString& path)
{
    WindowController* controller = m_windowControllers.isEmpty() ? createController() : m_windowControllers.last();
    auto* window = qobject_cast<SearchWindow*>(controller->window());
    if (!phrase.isNull())
        window->setInput(phrase);
    if (!path.isNull()) {
        // A file gives its folder; the item is asked by its bytes, off this
        // thread (another instance's open comes while windows are in use).
        // A later path replaces what an earlier test would bring.
        const quint64 request = ++m_pathRequest;
        const auto folderOf = [path] {
            const bool file = isDocumentAtPath(path) && !isDirectoryAtPath(path);
            return file ? stringByDeletingLastPathComponent(path) : path;
        };
        whenReady(runInBackground(folderOf), window, [this, window, request](const QString& folder) {
            if (request == m_pathRequest)
                window->setDestination(folder);
        });
    }
    window->show();
    window->raise();
    window->activateWindow();
}

void ApplicationDelegate::orderFrontPrefsPanel()
{
    PreferencesPanel* panel = PreferencesPanel::orderFront(m_defaults);
    // Its keys act there too, with no search window shown.
    panel->addActions(applicationCommands());
}

void ApplicationDelegate::checkForUpdate()
{
    // The answer is shown when it comes; the interface never waits for it.
    fetchUpdateStatus({}, this, [](const UpdateCheckResult& result) { presentUpdateStatus(result); });
}

namespace {

// An Open With list's applications with their names and icons, all read
// off the interface thread (desktop entries, MIME types by contents,
// icon files).
class OpenWithChoices : public ApplicationDescriptions
{
public:
    explicit OpenWithChoices(const QStringList& paths)
        : defaultApplication(defaultApplicationForPaths(paths)), applications(applicationsForPaths(paths))
    {
        const ApplicationDescriptions& desktop = desktopApplicationDescriptions();
        QStringList described = applications;
        described.append(defaultApplication);
        for (const QString& application : std::as_const(described)) {
            m_names.insert(application, desktop.displayName(application));
            m_icons.insert(application, desktop.icon(application));
        }
    }
    [[nodiscard]] QString displayName(const QString& application) const override { return m_names.value(application); }
    [[nodiscard]] QImage icon(const QString& application) const override { return m_icons.value(application); }

    QString defaultApplication;
    QStringList applications;

private:
    QHash<QString, QString> m_names;
    QHash<QString, QImage> m_icons;
};

constexpr char kOpenWithFill[] = "sorvantOpenWithFill";

} // namespace

void ApplicationDelegate::menuNeedsUpdate(QMenu* menu, QWidget* window)
{
    auto* searchWindow = qobject_cast<SearchWindow*>(window);
    const QStringList paths = searchWindow ? searchWindow->resultsTable()->selectedPaths() : QStringList();
    const QPointer<QObject> target = searchWindow ? &searchWindow->fileActions() : nullptr;
    menu->clear();
    // A newer opening of the menu replaces what an older one would add.
    const int fill = menu->property(kOpenWithFill).toInt() + 1;
    menu->setProperty(kOpenWithFill, fill);
    whenReady(runInBackground([paths] { return std::make_shared<const OpenWithChoices>(paths); }), menu,
              [menu, fill, target](const std::shared_ptr<const OpenWithChoices>& choices) {
                  if (menu->property(kOpenWithFill).toInt() != fill)
                      return;
                  addItemsForDefaultApplication(menu, choices->defaultApplication, choices->applications,
                                                "openWith:", target.data(), *choices);
              });
}

QString makersWebsiteURL()
{
    return QStringLiteral("https://%1/").arg(makerAddresses().websiteHost);
}

void showMakersWebsite(QWidget* window, QObject* context, std::function<void()> answered)
{
    // Finding a browser reads the desktop's entries, and starting it may
    // wait: both off the interface thread.
    const QPointer<QWidget> sheetWindow = window;
    const QString url = makersWebsiteURL();
    // Only an application that shows the scheme's pages itself counts; the
    // desktop's opener would start whether or not one could, and fail unseen.
    const auto show = [url] {
        return launchFirstDesktopEntry(
            defaultApplicationsForMimeTypeOnly(QStringLiteral("x-scheme-handler/") + QUrl(url).scheme()), {url});
    };
    whenReady(runInBackground(show), context,
              [sheetWindow, url, answered = std::move(answered)](bool shown) {
                  if (!shown)
                      showFailureSheet(noWebsiteBrowserFailure(url), sheetWindow);
                  if (answered)
                      answered();
              });
}

void useBundledHelpBook()
{
    const QString book =
        Bundle::mainBundle().objectForInfoDictionaryKey(QStringLiteral("CFBundleHelpBookName")).toString();
    if (QCoreApplication::instance())
        QCoreApplication::instance()->setProperty("CFBundleHelpBookName", book);
    const QString resources = Bundle::mainBundle().resourcePath();
    const QString books = resources + QStringLiteral("/help");
    // Called once at start-up, before the event loop runs and any window
    // shows: the folder test holds nobody up.
    if (!resources.isEmpty() && qEnvironmentVariableIsEmpty("SORVANT_HELP_DIR") && QFileInfo(books).isDir())
        qputenv("SORVANT_HELP_DIR", QFile::encodeName(books));
}

} // namespace sorvant
