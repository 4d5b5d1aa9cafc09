#include "interface/quick_look.h"

#include "interface/application.h"
#include "interface/preview_window.h"
#include "interface/responder_hooks.h"
#include "interface/window_controller.h"
#include "interface/window_extensions.h"
#include "platform/user_defaults.h"

#include <QAbstractItemView>
#include <QAction>
#include <QApplication>
#include <QItemSelectionModel>
#include <QKeyEvent>
#include <QTimer>

namespace sorvant {

namespace {

QuickLookController* g_controller = nullptr;
// The application's commands, owned by the application.
QList<QPointer<QAction>> g_applicationActions;

void addApplicationActions(QWidget* window)
{
    for (const QPointer<QAction>& action : std::as_const(g_applicationActions)) {
        if (action)
            window->addAction(action);
    }
}

QList<QUrl> urlsOf(QObject* object, bool* answered)
{
    if (auto* source = dynamic_cast<DocumentURLs*>(object)) {
        *answered = true;
        return source->documentURLs();
    }
    *answered = false;
    return {};
}

} // namespace

QuickLookController& QuickLookController::sharedController()
{
    if (!g_controller) {
        UserDefaults::standardUserDefaults().setBool(true, QStringLiteral("QLEnableTextSelection"));
        g_controller = new QuickLookController;
    }
    return *g_controller;
}

QuickLookController* QuickLookController::currentController()
{
    return g_controller;
}

QuickLookController::QuickLookController() : QObject(qApp)
{
    qApp->installEventFilter(this);
    m_lastMain = mainWindow();
}

QuickLookController::~QuickLookController()
{
    if (qApp)
        qApp->removeEventFilter(this);
    for (auto& [view, connections] : m_observed)
        for (const QMetaObject::Connection& connection : connections)
            disconnect(connection);
    delete m_panel.data();
    if (g_controller == this)
        g_controller = nullptr;
}

void QuickLookController::selectionDidChangeInWindow(QWidget* window)
{
    if (!isOpen())
        return;
    if (isDrawer(window) || isPopover(window))
        window = mainWindow();
    if (window && window == mainWindow())
        setDocumentURLsForWindow(window);
}

void QuickLookController::mainWindowDidChange(QWidget* window, bool becameMain)
{
    if (!isOpen())
        return;
    QWidget* main = becameMain ? window : mainWindow();
    setDocumentURLsForWindow(main);
    if (main)
        sharedPanel()->keepAbove(main);
}

void QuickLookController::addObserverForView(QAbstractItemView* view)
{
    if (!view || !view->selectionModel() || m_observed.count(view))
        return;
    const auto follow = [this, view] { selectionDidChangeInWindow(view->window()); };
    std::vector<QMetaObject::Connection>& connections = m_observed[view];
    connections.push_back(connect(view->selectionModel(), &QItemSelectionModel::selectionChanged, this, follow));
    // A reset or a removal takes rows away without a selection change (a
    // reset says none): the previewed file may have left the rows. What is
    // asked for after it is done is what the view then shows. A view that
    // holds its selection through the removal sends the change itself once
    // its selection is back.
    if (QAbstractItemModel* model = view->model()) {
        connections.push_back(connect(model, &QAbstractItemModel::modelReset, this, follow));
        const auto* holder = dynamic_cast<const SelectionThroughRemoval*>(view);
        connections.push_back(connect(model, &QAbstractItemModel::rowsRemoved, this, [follow, holder] {
            if (!holder || !holder->holdsSelectionThroughRemoval())
                follow();
        }));
    }
    // The connections to a model that outlives the view go with the view.
    connect(view, &QObject::destroyed, this, [this, view] { removeObserverForView(view); });
}

void QuickLookController::removeObserverForView(QAbstractItemView* view)
{
    const auto it = m_observed.find(view);
    if (it == m_observed.end())
        return;
    for (const QMetaObject::Connection& connection : it->second)
        disconnect(connection);
    m_observed.erase(it);
}

PreviewWindow* QuickLookController::sharedPanel()
{
    if (PreviewWindow* existing = m_panel.data())
        return existing;
    auto* panel = new PreviewWindow;
    panel->setKeyForwarder([this](QKeyEvent* event) { return previewPanelHandleEvent(event); });
    addCloseWindowAction(panel);
    addApplicationActions(panel);
    m_panel = panel;
    return panel;
}

void QuickLookController::setApplicationActions(const QList<QAction*>& actions)
{
    g_applicationActions.clear();
    for (QAction* action : actions)
        g_applicationActions.append(action);
    if (g_controller && g_controller->m_panel)
        addApplicationActions(g_controller->m_panel);
}

bool QuickLookController::isOpen() const
{
    const PreviewWindow* panel = m_panel.data();
    return panel && panel->isOpen();
}

bool QuickLookController::closePanel()
{
    if (!isOpen())
        return false;
    sharedPanel()->close();
    return true;
}

QList<QUrl> QuickLookController::documentURLsForWindow(QWidget* window)
{
    if (!window)
        return {};
    bool answered = false;
    // The nearest item view around the focus, when it offers files.
    for (QWidget* widget = window->focusWidget(); widget && widget != window; widget = widget->parentWidget()) {
        if (!qobject_cast<QAbstractItemView*>(widget))
            continue;
        const QList<QUrl> urls = urlsOf(widget, &answered);
        if (!urls.isEmpty())
            return urls;
        break;
    }
    QList<QUrl> urls = urlsOf(window, &answered);
    if (!answered)
        urls = urlsOf(windowController(window), &answered);
    return urls;
}

void QuickLookController::setDocumentURLsForWindow(QWidget* window)
{
    setDocumentURLs(documentURLsForWindow(window));
}

void QuickLookController::setDocumentURLs(const QList<QUrl>& urls)
{
    if (urls == m_urls)
        return;
    m_urls = urls;
    if (isOpen())
        sharedPanel()->setItems(m_urls);
}

bool QuickLookController::previewPanelHandleEvent(QKeyEvent* event)
{
    QWidget* main = mainWindow();
    QWidget* responder = main ? main->focusWidget() : nullptr;
    if (!responder || event->type() != QEvent::KeyPress)
        return false;
    QKeyEvent copy(event->type(), event->key(), event->modifiers(), event->text(), event->isAutoRepeat(),
                   static_cast<ushort>(event->count()));
    QApplication::sendEvent(responder, &copy);
    return true;
}

void QuickLookController::openQuickLook(QObject*)
{
    if (isOpen())
        return;
    setDocumentURLsForWindow(mainWindow());
    PreviewWindow* panel = sharedPanel();
    panel->setItems(m_urls);
    panel->orderFront();
}

void QuickLookController::closeQuickLook(QObject*)
{
    if (isOpen())
        sharedPanel()->close();
}

void QuickLookController::toggleQuickLook(QObject* sender)
{
    if (isOpen())
        closeQuickLook(sender);
    else
        openQuickLook(sender);
}

void QuickLookController::toggleSlideshow(QObject* sender)
{
    if (isOpen()) {
        closeQuickLook(sender);
        return;
    }
    setDocumentURLsForWindow(mainWindow());
    PreviewWindow* panel = sharedPanel();
    panel->setItems(m_urls);
    panel->enterFullScreenSlideShow();
}

void QuickLookController::checkMainWindow()
{
    QWidget* main = mainWindow();
    if (main == m_lastMain)
        return;
    m_lastMain = main;
    mainWindowDidChange(main, main != nullptr);
}

bool QuickLookController::eventFilter(QObject* watched, QEvent* event)
{
    switch (event->type()) {
    case QEvent::WindowActivate:
    case QEvent::Hide:
    case QEvent::Close:
        if (watched->isWidgetType() && static_cast<QWidget*>(watched)->isWindow())
            QTimer::singleShot(0, this, &QuickLookController::checkMainWindow);
        break;
    default: break;
    }
    return QObject::eventFilter(watched, event);
}

bool handleQuickLookKeyDown(QWidget*, QKeyEvent* event)
{
    if (!event || event->type() != QEvent::KeyPress)
        return false;
    QuickLookController* current = QuickLookController::currentController();
    const bool open = current && current->isOpen();
    switch (event->key()) {
    case Qt::Key_Home:
    case Qt::Key_End:
    case Qt::Key_PageUp:
    case Qt::Key_PageDown:
        // With Shift the key stays the view's: it extends the selection.
        return open && current->sharedPanel()->navigate(event);
    case Qt::Key_Escape:
        if (!open)
            return false;
        current->closeQuickLook();
        return true;
    case Qt::Key_Space:
        if (event->modifiers() & Qt::AltModifier)
            QuickLookController::sharedController().toggleSlideshow();
        else
            QuickLookController::sharedController().toggleQuickLook();
        return true;
    default: return false;
    }
}

} // namespace sorvant
