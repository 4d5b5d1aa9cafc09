#include "interface/window_controller.h"

#include "interface/responder_hooks.h"
#include "interface/window_extensions.h"
#include "platform/user_defaults.h"

#include <QEvent>

namespace sorvant {

namespace {

constexpr char kControllerProperty[] = "sorvantWindowController";

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
    if (m_window) {
        m_window->setProperty(kControllerProperty, QVariant::fromValue(static_cast<QObject*>(this)));
        m_window->installEventFilter(this);
    }
}

WindowController::~WindowController()
{
    if (m_window) {
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
    const QString name = frameAutosaveName(m_window);
    if (!name.isEmpty())
        saveFrameUsingName(m_window, name, defaults());
    tellWindow(m_window);
}

void WindowController::windowDidResize()
{
    if (m_window)
        tellWindow(m_window);
}

bool WindowController::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == m_window) {
        if (event->type() == QEvent::Move)
            windowDidMove();
        else if (event->type() == QEvent::Resize)
            windowDidResize();
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
