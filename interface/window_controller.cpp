#include "interface/window_controller.h"

#include "interface/responder_hooks.h"
#include "interface/window_extensions.h"
#include "interface/frame_clamp.h"
#include "platform/user_defaults.h"

#include <QEvent>

namespace sorvant {

namespace {

constexpr char kControllerProperty[] = "sorvantWindowController";
// Long enough to take a drag's events together, short enough that a quit
// right after a resize still finds it saved (hiding saves at once anyway).
constexpr int kFrameSaveDelayMs = 250;

void tellWindow(QWidget* window)
{
    if (auto* observer = dynamic_cast<WindowFrameChange*>(window))
        observer->windowDidChangeFrame();
}

} // namespace

WindowController::WindowController(QWidget* window, UserDefaults* defaults, QObject* parent)
    : QObject(parent)
    , m_window(window)
    , m_defaults(defaults)
{
    m_saveTimer.setSingleShot(true);
    m_saveTimer.setInterval(kFrameSaveDelayMs);
    connect(&m_saveTimer, &QTimer::timeout, this, &WindowController::saveFrameNow);
    if (m_window) {
        m_window->setProperty(kControllerProperty, QVariant::fromValue(static_cast<QObject*>(this)));
        m_window->installEventFilter(this);
    }
}

WindowController::~WindowController()
{
    if (m_window) {
        saveFrameNow();
        m_window->removeEventFilter(this);
        m_window->setProperty(kControllerProperty, QVariant());
        delete m_window.data();
    }
}

UserDefaults& WindowController::defaults() const
{
    return m_defaults ? *m_defaults : UserDefaults::standardUserDefaults();
}

void WindowController::windowDidLoad()
{
    if (!m_window)
        return;
    const QString name = frameAutosaveName(m_window);
    if (!name.isEmpty())
        setFrameUsingName(m_window, name, defaults());
}

void WindowController::windowDidMove()
{
    if (!m_window)
        return;
    scheduleFrameSave();
    tellWindow(m_window);
}

void WindowController::windowDidResize()
{
    windowDidMove();
}

void WindowController::scheduleFrameSave()
{
    if (frameAutosaveName(m_window).isEmpty())
        return;
    m_savePending = true;
    m_saveTimer.start();
}

void WindowController::saveFrameNow()
{
    if (!m_savePending)
        return;
    // The window manager is still placing a restored frame: what it does
    // meanwhile is saved once it is done, if the window still shows.
    if (const QWidget* window = m_window.data(); window && isFrameBeingClamped(window)) {
        if (window->isVisible())
            m_saveTimer.start();
        return;
    }
    m_savePending = false;
    m_saveTimer.stop();
    if (!m_window)
        return;
    // The frame of a maximized window is the screen's, not the user's.
    if (m_window->windowState() & (Qt::WindowMaximized | Qt::WindowFullScreen | Qt::WindowMinimized))
        return;
    const QString name = frameAutosaveName(m_window);
    if (!name.isEmpty())
        saveFrameUsingName(m_window, name, defaults());
}

bool WindowController::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == m_window) {
        if (event->type() == QEvent::Move)
            windowDidMove();
        else if (event->type() == QEvent::Resize)
            windowDidResize();
        else if (event->type() == QEvent::Hide)
            saveFrameNow();
    }
    return QObject::eventFilter(watched, event);
}

WindowController* windowController(const QWidget* window)
{
    if (!window)
        return nullptr;
    return qobject_cast<WindowController*>(window->property(kControllerProperty).value<QObject*>());
}

} // namespace sorvant
