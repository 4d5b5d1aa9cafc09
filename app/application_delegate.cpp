#include "app/application_delegate.h"

#include "app/preferences_panel.h"
#include "app/search_window.h"
#include "app/search_window_commands.h"
#include "foundation/user_defaults_getters.h"
#include "interface/application.h"
#include "interface/help_actions.h"
#include "interface/localization.h"
#include "interface/menus.h"
#include "interface/quick_look.h"
#include "interface/window_controller.h"
#include "interface/window_extensions.h"
#include "platform/path_semantics.h"
#include "platform/user_defaults.h"
#include "system/bundle.h"
#include "system/file_tests.h"
#include "system/open_with.h"
#include "system/update_check.h"
#include "system/workspace_monitors.h"

#include <QAction>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QTimer>

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
    addMainMenu(window);
    return controller;
}

void ApplicationDelegate::addMainMenu(SearchWindow* window)
{
    // Built with the English texts as keys, then localized once, the way a
    // menu loaded from an interface file is.
    QMenuBar* bar = window->menuBar();
    QMenu* file = bar->addMenu(QStringLiteral("&File"));
    file->addAction(QStringLiteral("New Window"), QKeySequence::New, this, [this] { findWindow(); });
    file->addAction(QStringLiteral("Close Window"), QKeySequence(Qt::CTRL | Qt::Key_W), window, &QWidget::close);
    file->addSeparator();
    file->addAction(QStringLiteral("Preferences..."), QKeySequence(Qt::CTRL | Qt::Key_Comma), this,
                    &ApplicationDelegate::orderFrontPrefsPanel);
    file->addSeparator();
    file->addAction(QStringLiteral("Quit"), QKeySequence::Quit, this, [this] { emit shouldTerminate(); });
    window->commands().addItemsMenu(bar);
    QMenu* edit = bar->addMenu(QStringLiteral("&Search"));
    edit->addAction(QStringLiteral("Find"), QKeySequence::Find, window, [window] { window->searchField()->setFocus(); });
    edit->addAction(QStringLiteral("Search In..."), QKeySequence(Qt::CTRL | Qt::Key_D), window,
                    &SearchWindow::showDestinationMenu);
    edit->addAction(window->commands().command("toggleSettings"));
    window->commands().addViewMenu(bar);
    QMenu* help = bar->addMenu(QStringLiteral("&Help"));
    help->setObjectName(QStringLiteral("helpMenu"));
    help->addAction(QStringLiteral("Sorvant Help"), QKeySequence::HelpContents, window, &SearchWindow::showHelp)
        ->setObjectName(QStringLiteral("showHelp"));
    help->addSeparator();
    m_checkForUpdateItem = help->addAction(QStringLiteral("Check for Updates..."), this,
                                           &ApplicationDelegate::checkForUpdate);
    m_checkForUpdateItem->setObjectName(QStringLiteral("checkForUpdate"));
    help->addAction(QStringLiteral("Sorvant Website"), this, &openMakersWebsite)
        ->setObjectName(QStringLiteral("website"));
    localize(bar);
}

void ApplicationDelegate::removeWindowController(WindowController* controller)
{
    if (!m_windowControllers.removeOne(controller))
        return;
    controller->deleteLater();
    if (m_windowControllers.isEmpty() && boolForKey(m_defaults, QStringLiteral("QuitOnClose"), false))
        QTimer::singleShot(100, this, [this] { emit shouldTerminate(); });
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
    controller->window()->show();
    controller->window()->activateWindow();
    return qobject_cast<SearchWindow*>(controller->window());
}

void ApplicationDelegate::search(const QString& phrase, const QString& path)
{
    WindowController* controller = m_windowControllers.isEmpty() ? createController() : m_windowControllers.last();
    auto* window = qobject_cast<SearchWindow*>(controller->window());
    if (!phrase.isNull())
        window->setInput(phrase);
    if (!path.isNull()) {
        // A file gives its folder; the item is asked by its bytes.
        const bool file = isDocumentAtPath(path) && !isDirectoryAtPath(path);
        window->setDestination(file ? stringByDeletingLastPathComponent(path) : path);
    }
    window->show();
    window->raise();
    window->activateWindow();
}

void ApplicationDelegate::orderFrontPrefsPanel()
{
    PreferencesPanel::orderFront(m_defaults);
}

void ApplicationDelegate::checkForUpdate()
{
    // The answer is shown when it comes; the interface never waits for it.
    fetchUpdateStatus({}, this, [](const UpdateCheckResult& result) { presentUpdateStatus(result); });
}

void ApplicationDelegate::menuNeedsUpdate(QMenu* menu, QWidget* window)
{
    auto* searchWindow = qobject_cast<SearchWindow*>(window);
    const QStringList paths = searchWindow ? searchWindow->selectedPaths() : QStringList();
    menu->clear();
    addItemsForDefaultApplication(menu, defaultApplicationForPaths(paths), applicationsForPaths(paths), "openWith:",
                                  searchWindow);
}

void openMakersWebsite()
{
    if (VelmorApplication* application = VelmorApplication::shared())
        application->website();
    else
        openWebsite();
}

void useBundledHelpBook()
{
    const QString book =
        Bundle::mainBundle().objectForInfoDictionaryKey(QStringLiteral("CFBundleHelpBookName")).toString();
    if (QCoreApplication::instance())
        QCoreApplication::instance()->setProperty("CFBundleHelpBookName", book);
    const QString resources = Bundle::mainBundle().resourcePath();
    const QString books = resources + QStringLiteral("/help");
    if (!resources.isEmpty() && qEnvironmentVariableIsEmpty("SORVANT_HELP_DIR") && QFileInfo(books).isDir())
        qputenv("SORVANT_HELP_DIR", QFile::encodeName(books));
}

} // namespace sorvant
