#pragma once
// The application object: VelmorApplication, a QApplication that knows the
// key window and the main window, records the event being dispatched, offers
// key presses to the windows before any shortcut or widget sees them, and
// logs and survives exceptions thrown while an event is handled.
//
// Key and main windows: the key window is the active window (the one that
// receives keys). The main window is the last activated window that may
// become main; a panel (Qt::Tool, Qt::Dialog, popups, or a window whose
// WindowRole says NO) can be key while a search window stays main. Qt has no
// z-order query, so windows are ordered by our own most-recently-activated
// list. Offscreen and on X servers without a window manager windows become
// active only when activated explicitly (QWidget::activateWindow).
//
// Key routing, for every key press (at Qt's shortcut-override step, so
// before QAction shortcuts, and again for the press itself when no override
// came first): the first of the key window's KeyWindowEventCheck, the main
// window's MainWindowEventCheck and the delegate's KeyEventCheck that
// answers YES consumes it. Bound actions whose shortcut matches a press that
// is not consumed are validated first, so their enabled state is current
// when Qt decides whether they fire.
//
// The application's appearance monitor (appearance.h) is made with it, so
// the palette follows the desktop's light or dark preference from launch.
//
// The functions after the class are the application's window and folder
// queries; they also work under a plain QApplication, without key routing
// and with activation order unknown.
//
// Not here: the badge (badge.h); action delivery (action_router.h).

#include <QApplication>
#include <QList>
#include <QMetaObject>
#include <QPointer>
#include <QString>

#include <vector>

class QKeyEvent;
class QTranslator;

namespace sorvant {

class VelmorApplication : public QApplication
{
    Q_OBJECT
public:
    VelmorApplication(int& argc, char** argv);
    ~VelmorApplication() override;

    // The running application object when it is a VelmorApplication.
    [[nodiscard]] static VelmorApplication* shared();

    bool notify(QObject* receiver, QEvent* event) override;

    // --- windows ----------------------------------------------------------------
    [[nodiscard]] QWidget* keyWindow() const;
    [[nodiscard]] QWidget* mainWindow() const;
    // Windows, most recently activated first (visible ones only).
    [[nodiscard]] QList<QWidget*> orderedWindows() const;

    // --- the event being dispatched ---------------------------------------------
    // Valid only while the event is dispatched; null between events.
    [[nodiscard]] QEvent* currentEvent() const;
    // The window of the widget receiving the current event; null when none.
    [[nodiscard]] QWidget* currentEventWindow() const;

    // --- delegate ---------------------------------------------------------------
    void setDelegate(QObject* delegate) { m_delegate = delegate; }
    [[nodiscard]] QObject* delegate() const { return m_delegate; }

    // --- attention and activation ------------------------------------------------
    void lockUserAttentions();
    void unlockUserAttentions();
    // 0 while attention requests are locked; otherwise asks the desktop to
    // draw attention to the main window and answers the request's number.
    qint64 requestUserAttention();
    void skipNextActivation() { m_skipNextActivation = true; }
    [[nodiscard]] bool willSkipNextActivation() const { return m_skipNextActivation; }
    // With YES activates the main window 0.01 s later (a second request
    // within that time replaces the first), unless the next activation is
    // to be skipped; without the deferral (the older branch of the version
    // gates) a skipped activation returns at once.
    void activateIgnoringOtherApps(bool flag);
    // Shows the application's minimized windows again 0.01 s later, without
    // activating them, unless the next activation is to be skipped.
    void unhideWithoutActivation();

public slots:
    void _activateIgnoringOtherApps(QObject* sender = nullptr);
    void _unhideWithoutActivation(QObject* sender = nullptr);
    // The Help menu's actions (help_actions.h).
    void website(QObject* sender = nullptr);
    void support(QObject* sender = nullptr);
    void forum(QObject* sender = nullptr);
    void downloads(QObject* sender = nullptr);
    void feedback(QObject* sender = nullptr);
    void releaseNotes(QObject* sender = nullptr);
    void bugreport(QObject* sender = nullptr);

private:
    struct Dispatch {
        QObject* receiver;
        QEvent* event;
    };
    bool routeKeyPress(QObject* receiver, QEvent* event);
    bool offerKeyPress(QEvent* event);
    void validateShortcutsFor(const QKeyEvent* event);
    void windowActivated(QWidget* window);
    void windowHidden(QWidget* window);

    std::vector<Dispatch> m_dispatching;
    QList<QPointer<QWidget>> m_activationOrder;
    QPointer<QWidget> m_mainWindow;
    QPointer<QObject> m_delegate;
    // The decision taken for a press at its shortcut-override step, applied
    // to the press itself when it follows.
    struct PendingPress {
        int key = 0;
        int modifiers = 0;
        bool consumed = false;
        bool valid = false;
    } m_pendingPress;
    quint64 m_attentionLocks = 0;
    qint64 m_attentionRequests = 0;
    bool m_skipNextActivation = false;
};

// --- window queries ---------------------------------------------------------------------

// YES when `window` may become the main window.
[[nodiscard]] bool canBecomeMainWindow(const QWidget* window);

// The key window, or null.
[[nodiscard]] QWidget* keyWindow();
// The main window, or null.
[[nodiscard]] QWidget* mainWindow();

// The application's visible windows, front to back; empty when none.
[[nodiscard]] QList<QWidget*> allOrderedWindows();
// The windows of `allOrderedWindows` whose class is `kind` or inherits it.
[[nodiscard]] QList<QWidget*> windowsOfKind(const QMetaObject& kind);
[[nodiscard]] int numberOfWindowsOfKind(const QMetaObject& kind);
// The first of them; null when none.
[[nodiscard]] QWidget* frontMostWindowOfKind(const QMetaObject& kind);
// The key window, unless there is none or it is a menu; then the main window.
[[nodiscard]] QWidget* firstResponderWindow();

// The application's own object when it is a VelmorApplication, else null.
[[nodiscard]] QObject* applicationDelegate();

// --- the toolkit's own texts ----------------------------------------------------------------

// The language the interface is shown in: the main bundle's localization
// that best matches the preferred languages ("de"); "en" when there is none.
[[nodiscard]] QString interfaceLanguage();
// Installs Qt's own translations for the interface's language (its dialogs'
// texts and the key names of menus and shortcuts: "Strg+N") from Qt's
// translations folder (Debian: qt6-translations-l10n); the translator, owned
// by `application`, or null for English and when no catalogue is there.
// Translators installed later are asked first.
QTranslator* installToolkitTranslations(QCoreApplication* application);

// --- support folders ------------------------------------------------------------------------

// The Application Support folder ($XDG_DATA_HOME) plus `name`, with the
// links along the path resolved.
//   "Sorvant" => "/home/me/.local/share/Sorvant"
[[nodiscard]] QString applicationSupportPath(const QString& name);
// The support folder inside a sandbox container of `bundleIdentifier`:
// Library + "Containers/<id>/Data/Library/Application Support/<name>".
[[nodiscard]] QString applicationSupportPath(const QString& name, const QString& bundleIdentifier);
// The same for the application's own identifier.
[[nodiscard]] QString containerApplicationSupportPath(const QString& name);

} // namespace sorvant
