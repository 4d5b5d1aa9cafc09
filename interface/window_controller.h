#pragma once
// WindowController: the controller of one window. It owns its window (the
// window is deleted with the controller), is the window's place in the
// responder chain after the window itself, restores the window's saved
// frame when the window is loaded, saves it after moves and resizes (one
// write for a burst of them, and at once when the window hides) and tells a
// window that implements WindowFrameChange when it moved or was resized.
// A maximized, full-screen or minimized window saves nothing: its next
// launch comes back in its normal frame.
//
// Not here: the saved-frame functions themselves (window_extensions.h).

#include <QObject>
#include <QPointer>
#include <QTimer>
#include <QWidget>

namespace sorvant {

class UserDefaults;

class WindowController : public QObject
{
    Q_OBJECT
public:
    // Takes ownership of `window`; the defaults hold the saved frames (the
    // standard defaults when null).
    explicit WindowController(QWidget* window, UserDefaults* defaults = nullptr, QObject* parent = nullptr);
    ~WindowController() override;

    [[nodiscard]] QWidget* window() const { return m_window; }
    [[nodiscard]] UserDefaults& defaults() const;

    // Whether windows opened by this controller cascade from the last one.
    void setShouldCascadeWindows(bool flag) { m_shouldCascade = flag; }
    [[nodiscard]] bool shouldCascadeWindows() const { return m_shouldCascade; }

    // Restores the saved frame of a window with an autosave name. Called
    // once, when the window's contents are built.
    virtual void windowDidLoad();
    // Both tell the window and schedule a save of its frame (when it has an
    // autosave name).
    virtual void windowDidMove();
    virtual void windowDidResize();
    // Saves a scheduled frame now; nothing when none is pending.
    void saveFrameNow();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void scheduleFrameSave();

    QPointer<QWidget> m_window;
    UserDefaults* m_defaults;
    // Each save writes the defaults file: a drag's many moves make one.
    QTimer m_saveTimer;
    bool m_savePending = false;
    bool m_shouldCascade = true;
};

// The controller of a window; null when it has none.
[[nodiscard]] WindowController* windowController(const QWidget* window);

} // namespace sorvant
