#pragma once
// ApplicationDelegate: the shell of the application. It owns one
// WindowController per open search window, in creation order, opens new
// search windows, fills a window from a command-line path or phrase, and at
// quit has every window (last to first) stop its search and save its
// settings. When the last window closes and "QuitOnClose" is YES the
// application quits 0.1 s later; otherwise it stays running without windows.
// Either way of quitting asks first while the user's own file work (a move
// to the Trash, a deletion) runs, and quits when it is done; the last
// window then stays open while asked, and Cancel keeps it.
//
// Window indexes: a new window takes the number of controllers at its
// creation, itself included, so two open windows may share an index (and so
// their per-window settings) after one was closed.

#include <QList>
#include <QObject>
#include <QPointer>
#include <QString>

#include <functional>

class QAction;
class QMenu;
class QWidget;

namespace sorvant {

class QuitQuestion;
class SearchWindow;
class UserDefaults;
class WindowController;

class ApplicationDelegate : public QObject
{
    Q_OBJECT
public:
    // `defaults` hold the settings (the standard defaults when null).
    explicit ApplicationDelegate(UserDefaults* defaults = nullptr, QObject* parent = nullptr);
    ~ApplicationDelegate() override;

    [[nodiscard]] qsizetype numberOfWindowControllers() const { return m_windowControllers.size(); }
    [[nodiscard]] QList<SearchWindow*> windows() const;
    void removeWindowController(WindowController* controller);

    // Before the first window: settings writes coalesced (also done by
    // applicationDidFinishLaunching for a delegate that skips this step).
    void applicationWillFinishLaunching();
    // Launch: the support folder, then the first window unless one is open.
    void applicationDidFinishLaunching();
    // Quit: every window, last to first, stops and saves.
    void applicationWillTerminate();
    // Opens a window when none is open; YES when it did.
    bool applicationOpenUntitledFile();
    // Creates, shows and answers a new search window, its phrase selected.
    SearchWindow* findWindow();
    // Fills the last window (a new one when none is open) with a phrase
    // and/or a destination, and shows it; never starts a search. A path to
    // a file gives its enclosing folder; the destination is set when the
    // path's test, run off the interface thread, is answered.
    void search(const QString& phrase, const QString& path);
    // --- the application's commands (its File and Help menus) ---
    // New Window: in the destination of the window it came from (the
    // active one), its phrase selected.
    Q_INVOKABLE void newWindow();
    // Opens (or brings to the front) the preferences.
    Q_INVOKABLE void orderFrontPrefsPanel();
    // Quit: asks for the application's end (shouldTerminate), at once when
    // none of the user's file work runs; else asks first (QuitQuestion).
    Q_INVOKABLE void terminate();
    // The question Quit is asking; null when none.
    [[nodiscard]] QuitQuestion* quitQuestion() const;
    // Asks the update server for a newer version and tells the user the
    // answer (a newer version, up to date, or that it could not check).
    Q_INVOKABLE void checkForUpdate();
    // Shows the maker's web site in a web browser, off the interface
    // thread; says on the front window when no browser shows it.
    Q_INVOKABLE void website();
    // Refills an Open With menu for the selection of `window` (none when it
    // is no search window): its default application first, then the others;
    // each item opens the selection through the window's "openWith:". The
    // menu is emptied at once and filled when the applications, read off
    // the interface thread, are known.
    static void menuNeedsUpdate(QMenu* menu, QWidget* window);

    // SIGTERM's and SIGINT's quit: the user's work stops after its item at
    // hand, and nothing asks, not even the last window's close.
    void terminateWithoutAsking();

    // The application's commands, each one action made on first use and
    // shared by every window's menus: "newWindow", "orderFrontPrefsPanel",
    // "terminate", "checkForUpdate", "website". Their keys act from any of
    // the application's windows (the preferences and the preview too, which
    // hold them as well), so Ctrl+Q quits whichever is active.
    // applicationCommand is null for another selector.
    [[nodiscard]] const QList<QAction*>& applicationCommands();
    [[nodiscard]] QAction* applicationCommand(const QByteArray& selector);

signals:
    // Asked by Quit and when the last window closed with "QuitOnClose" YES.
    void shouldTerminate();
    // The website's answer has come back (a failure, if any, is on screen).
    void websiteAnswered();

protected:
    // The last window's close with "QuitOnClose" while the user's work runs.
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // Quits at once, or asks on `window` while the user's work runs.
    void askToQuit(QWidget* window);
    WindowController* createController();
    void addMainMenu(SearchWindow* window);
    void makeApplicationCommands();

    UserDefaults& m_defaults;
    QList<WindowController*> m_windowControllers;
    quint64 m_pathRequest = 0; // the newest path search() tests
    QPointer<QuitQuestion> m_quitQuestion;
    QList<QAction*> m_commands; // the application's commands, owned here
    bool m_terminating = false; // terminateWithoutAsking was called
};

// The maker's web site's address.
[[nodiscard]] QString makersWebsiteURL();
// Shows the maker's web site in a web browser (an application that shows
// https pages itself), off the interface thread; when none shows it, says
// so in a failure sheet on `window`. `answered` (may be
// empty) then runs on `context`'s thread, while `context` lives.
void showMakersWebsite(QWidget* window, QObject* context, std::function<void()> answered = {});

// Names the help book of the user's language ("CFBundleHelpBookName" of
// Info.plist, localized) on the application, and, when the resources hold
// the books ("<resources>/help") and $SORVANT_HELP_DIR is not set, points
// the help lookup there, so the program finds its help in the build tree as
// well as installed. Needs the strings tables installed first.
void useBundledHelpBook();

} // namespace sorvant
