#include "interface/application.h"

#include "foundation/run_loop.h"
#include "interface/action_router.h"
#include "interface/appearance.h"
#include "interface/responder_hooks.h"
#include "interface/scroller_style.h"
#include "interface/version_gates.h"
#include "platform/log.h"
#include "interface/strings_file.h"
#include "system/bundle.h"
#include "system/link_resolution.h"
#include "system/standard_folders.h"

#include <QAction>
#include <QFileInfo>
#include <QKeyEvent>
#include <QKeySequence>
#include <QLibraryInfo>
#include <QLocale>
#include <QMenu>
#include <QThread>
#include <QTranslator>
#include <QWidget>

#include <exception>

namespace sorvant {

namespace {

// The delay of deferred activation and unhiding: long enough for the event
// that asked for it to finish, short enough to go unnoticed.
constexpr double kActivationDelay = 0.01;

bool isPressEvent(const QEvent* event)
{
    return event->type() == QEvent::ShortcutOverride || event->type() == QEvent::KeyPress;
}

QString classNameOf(const QObject* object)
{
    return object ? QString::fromLatin1(object->metaObject()->className()) : QStringLiteral("nil");
}

// Delivers an event; an exception thrown while it is handled is logged and
// the event is lost, the application goes on.
bool deliverEvent(QApplication* application, QObject* receiver, QEvent* event)
{
    try {
        return application->QApplication::notify(receiver, event);
    } catch (const std::exception& error) {
        logException(QStringLiteral("sendEvent:"), classNameOf(application), error);
        return false;
    }
}

} // namespace

VelmorApplication::VelmorApplication(int& argc, char** argv) : QApplication(argc, argv)
{
    // The appearance follows the desktop from the first window on: the
    // monitor asks the portal now (without waiting) and sets the palette the
    // answer needs, instead of when the first cell asks for the appearance.
    (void)AppleInterfaceStyleMonitor::shared();
    installScrollerStyle();
}

VelmorApplication::~VelmorApplication() = default;

VelmorApplication* VelmorApplication::shared()
{
    return qobject_cast<VelmorApplication*>(QCoreApplication::instance());
}

bool VelmorApplication::notify(QObject* receiver, QEvent* event)
{
    // Objects living on other threads (the network's, workers') get their
    // events there: only the main thread's events are recorded and routed,
    // the others just delivered.
    if (QThread::currentThread() != thread())
        return deliverEvent(this, receiver, event);
    m_dispatching.push_back({receiver, event});
    struct PopDispatch {
        std::vector<Dispatch>& stack;
        ~PopDispatch() { stack.pop_back(); }
    } pop{m_dispatching};

    if (receiver && receiver->isWidgetType()) {
        auto* widget = static_cast<QWidget*>(receiver);
        if (event->type() == QEvent::WindowActivate && widget->isWindow())
            windowActivated(widget);
        else if (event->type() == QEvent::Hide && widget->isWindow())
            windowHidden(widget);
        else if (isPressEvent(event) && routeKeyPress(receiver, event))
            return true;
    }
    return deliverEvent(this, receiver, event);
}

bool VelmorApplication::routeKeyPress(QObject*, QEvent* event)
{
    auto* key = static_cast<QKeyEvent*>(event);
    const int modifiers = static_cast<int>(key->modifiers());
    if (event->type() == QEvent::KeyPress && m_pendingPress.valid && m_pendingPress.key == key->key()
        && m_pendingPress.modifiers == modifiers) {
        m_pendingPress.valid = false;
        return m_pendingPress.consumed;
    }
    const bool consumed = offerKeyPress(event);
    if (event->type() == QEvent::ShortcutOverride) {
        m_pendingPress = {key->key(), modifiers, consumed, true};
        if (consumed) {
            // Accepting the override keeps every shortcut from firing; the
            // press that follows is swallowed through m_pendingPress.
            event->accept();
        } else {
            validateShortcutsFor(key);
        }
    } else {
        m_pendingPress.valid = false;
    }
    return consumed;
}

bool VelmorApplication::offerKeyPress(QEvent* event)
{
    if (auto* check = dynamic_cast<KeyWindowEventCheck*>(keyWindow()); check && check->checkKeyWindowEvent(event))
        return true;
    if (auto* check = dynamic_cast<MainWindowEventCheck*>(mainWindow());
        check && check->checkMainWindowEvent(event))
        return true;
    if (auto* check = dynamic_cast<KeyEventCheck*>(m_delegate.data()); check && check->checkKeyEvent(event))
        return true;
    return false;
}

void VelmorApplication::validateShortcutsFor(const QKeyEvent* event)
{
    QWidget* window = keyWindow();
    if (!window)
        return;
    const QKeySequence pressed(event->keyCombination());
    QList<QAction*> actions = window->findChildren<QAction*>();
    actions += window->actions();
    for (QAction* action : std::as_const(actions)) {
        if (actionSelector(action).isEmpty())
            continue;
        for (const QKeySequence& shortcut : action->shortcuts()) {
            if (shortcut.matches(pressed) == QKeySequence::ExactMatch) {
                validateAction(action, ValidationContext::Menu);
                break;
            }
        }
    }
}

void VelmorApplication::windowActivated(QWidget* window)
{
    m_activationOrder.removeAll(window);
    m_activationOrder.removeAll(nullptr);
    m_activationOrder.prepend(window);
    if (canBecomeMainWindow(window))
        m_mainWindow = window;
}

void VelmorApplication::windowHidden(QWidget* window)
{
    if (m_mainWindow != window)
        return;
    // The main role passes to the most recent other window that may have it.
    m_mainWindow = nullptr;
    for (const QPointer<QWidget>& entry : std::as_const(m_activationOrder)) {
        QWidget* candidate = entry.data();
        if (candidate && candidate != window && candidate->isVisible() && canBecomeMainWindow(candidate)) {
            m_mainWindow = candidate;
            break;
        }
    }
}

QWidget* VelmorApplication::keyWindow() const
{
    return QApplication::activeWindow();
}

QWidget* VelmorApplication::mainWindow() const
{
    QWidget* window = m_mainWindow.data();
    return window && window->isVisible() ? window : nullptr;
}

QList<QWidget*> VelmorApplication::orderedWindows() const
{
    QList<QWidget*> windows;
    for (const QPointer<QWidget>& entry : m_activationOrder) {
        QWidget* window = entry.data();
        if (window && window->isVisible())
            windows.append(window);
    }
    // Windows shown but never activated come after, in creation order.
    for (QWidget* window : QApplication::topLevelWidgets()) {
        if (window->isVisible() && !windows.contains(window) && window->windowType() != Qt::Popup
            && window->windowType() != Qt::ToolTip)
            windows.append(window);
    }
    return windows;
}

QEvent* VelmorApplication::currentEvent() const
{
    return m_dispatching.empty() ? nullptr : m_dispatching.back().event;
}

QWidget* VelmorApplication::currentEventWindow() const
{
    if (m_dispatching.empty())
        return nullptr;
    QObject* receiver = m_dispatching.back().receiver;
    return receiver && receiver->isWidgetType() ? static_cast<QWidget*>(receiver)->window() : nullptr;
}

void VelmorApplication::lockUserAttentions()
{
    ++m_attentionLocks;
}

void VelmorApplication::unlockUserAttentions()
{
    if (m_attentionLocks > 0)
        --m_attentionLocks;
}

qint64 VelmorApplication::requestUserAttention()
{
    if (m_attentionLocks > 0)
        return 0;
    if (QWidget* window = mainWindow() ? mainWindow() : keyWindow())
        QApplication::alert(window);
    return ++m_attentionRequests;
}

void VelmorApplication::activateIgnoringOtherApps(bool flag)
{
    if (flag && foundationVersionAbove(1299)) {
        cancelPreviousPerformRequestsAndPerformSelector(this, "_activateIgnoringOtherApps", QVariant(),
                                                        kActivationDelay);
        return;
    }
    if (flag && m_skipNextActivation) {
        m_skipNextActivation = false;
        return;
    }
    if (QWidget* window = mainWindow()) {
        window->raise();
        window->activateWindow();
    }
    m_skipNextActivation = false;
}

void VelmorApplication::_activateIgnoringOtherApps(QObject*)
{
    if (!m_skipNextActivation) {
        QWidget* window = mainWindow();
        if (!window && !m_activationOrder.isEmpty())
            window = m_activationOrder.first();
        if (window) {
            window->raise();
            window->activateWindow();
        }
    }
    m_skipNextActivation = false;
}

void VelmorApplication::unhideWithoutActivation()
{
    cancelPreviousPerformRequestsAndPerformSelector(this, "_unhideWithoutActivation", QVariant(),
                                                    kActivationDelay);
}

void VelmorApplication::_unhideWithoutActivation(QObject*)
{
    if (m_skipNextActivation)
        return;
    for (QWidget* window : QApplication::topLevelWidgets()) {
        if (window->isMinimized())
            window->setWindowState(window->windowState() & ~Qt::WindowMinimized);
    }
}

// --- window queries ------------------------------------------------------------------------

bool canBecomeMainWindow(const QWidget* window)
{
    if (!window || !window->isWindow())
        return false;
    if (const auto* role = dynamic_cast<const WindowRole*>(window))
        return role->canBecomeMainWindow();
    return window->windowType() == Qt::Window;
}

QWidget* keyWindow()
{
    return QApplication::activeWindow();
}

QWidget* mainWindow()
{
    if (const VelmorApplication* app = VelmorApplication::shared())
        return app->mainWindow();
    QWidget* active = QApplication::activeWindow();
    return canBecomeMainWindow(active) ? active : nullptr;
}

QList<QWidget*> allOrderedWindows()
{
    if (const VelmorApplication* app = VelmorApplication::shared())
        return app->orderedWindows();
    QList<QWidget*> windows;
    for (QWidget* window : QApplication::topLevelWidgets()) {
        if (window->isVisible())
            windows.append(window);
    }
    return windows;
}

QList<QWidget*> windowsOfKind(const QMetaObject& kind)
{
    QList<QWidget*> windows;
    for (QWidget* window : allOrderedWindows()) {
        if (window->metaObject()->inherits(&kind))
            windows.append(window);
    }
    return windows;
}

int numberOfWindowsOfKind(const QMetaObject& kind)
{
    return static_cast<int>(windowsOfKind(kind).size());
}

QWidget* frontMostWindowOfKind(const QMetaObject& kind)
{
    const QList<QWidget*> windows = windowsOfKind(kind);
    return windows.isEmpty() ? nullptr : windows.first();
}

QWidget* firstResponderWindow()
{
    QWidget* key = keyWindow();
    if (!key || qobject_cast<QMenu*>(key) || key->windowType() == Qt::Popup)
        return mainWindow();
    return key;
}

QObject* applicationDelegate()
{
    const VelmorApplication* app = VelmorApplication::shared();
    return app ? app->delegate() : nullptr;
}

// --- the toolkit's own texts ----------------------------------------------------------------

QString interfaceLanguage()
{
    const QString folder = localizationFolder(Bundle::mainBundle());
    return folder.isEmpty() ? QStringLiteral("en") : QFileInfo(folder).completeBaseName();
}

QTranslator* installToolkitTranslations(QCoreApplication* application)
{
    const QString language = interfaceLanguage();
    if (!application || language == u"en")
        return nullptr;
    auto* translator = new QTranslator(application);
    // "qt_<language>" gathers the catalogues of Qt's modules (qtbase_de...).
    if (!translator->load(QLocale(language), QStringLiteral("qt"), QStringLiteral("_"),
                          QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
        delete translator;
        return nullptr;
    }
    application->installTranslator(translator);
    return translator;
}

// --- support folders ------------------------------------------------------------------------

QString applicationSupportPath(const QString& name)
{
    return stringByResolvingLinksInPath(pathInApplicationSupportDirectory(name));
}

QString applicationSupportPath(const QString& name, const QString& bundleIdentifier)
{
    const QString library = userLibraryDirectory();
    if (library.isEmpty())
        return QString();
    QStringList parts{library, QStringLiteral("Containers"), bundleIdentifier,
                      QStringLiteral("Data/Library/Application Support"), name};
    parts.removeAll(QString());
    return parts.join(QLatin1Char('/'));
}

QString containerApplicationSupportPath(const QString& name)
{
    return applicationSupportPath(name, QCoreApplication::organizationDomain().isEmpty()
                                            ? QStringLiteral("org.tarrenbeck.Sorvant")
                                            : QCoreApplication::organizationDomain());
}

} // namespace sorvant
