#include "interface/action_router.h"

#include "interface/application.h"
#include "interface/responder_hooks.h"
#include "interface/window_controller.h"

#include <QAction>
#include <QApplication>
#include <QMenu>
#include <QMetaMethod>
#include <QToolBar>
#include <QWidget>

namespace sorvant {

namespace {

constexpr char kSelectorProperty[] = "sorvantActionSelector";
constexpr char kTargetProperty[] = "sorvantActionTarget";
constexpr char kHasTargetProperty[] = "sorvantActionHasTarget";

// The method of `object` for `selector`: name(QObject*) first, then name().
QMetaMethod methodForSelector(const QObject* object, const QByteArray& selector)
{
    if (!object || selector.isEmpty())
        return QMetaMethod();
    QByteArray name = selector;
    if (name.endsWith(':'))
        name.chop(1);
    if (name.isEmpty() || name.contains(':'))
        return QMetaMethod();
    const QMetaObject* meta = object->metaObject();
    for (const QByteArray& signature : {name + "(QObject*)", name + "()"}) {
        const int index = meta->indexOfMethod(signature.constData());
        if (index < 0)
            continue;
        const QMetaMethod method = meta->method(index);
        // Signals are announcements, not answers; only public methods are
        // part of an object's vocabulary.
        if (method.methodType() != QMetaMethod::Signal && method.access() == QMetaMethod::Public)
            return method;
    }
    return QMetaMethod();
}

void appendWindowChain(QList<QObject*>& chain, QWidget* window)
{
    if (!window)
        return;
    QWidget* focus = window->focusWidget();
    for (QWidget* widget = focus; widget && widget != window; widget = widget->parentWidget()) {
        if (!chain.contains(widget))
            chain.append(widget);
    }
    if (!chain.contains(window))
        chain.append(window);
    if (WindowController* controller = windowController(window); controller && !chain.contains(controller))
        chain.append(controller);
}

} // namespace

bool respondsToSelector(const QObject* object, const QByteArray& selector)
{
    return methodForSelector(object, selector).isValid();
}

bool performSelector(QObject* object, const QByteArray& selector, QObject* sender)
{
    const QMetaMethod method = methodForSelector(object, selector);
    if (!method.isValid())
        return false;
    if (method.parameterCount() == 1)
        return method.invoke(object, Qt::DirectConnection, Q_ARG(QObject*, sender));
    return method.invoke(object, Qt::DirectConnection);
}

QList<QObject*> responderChain(QWidget* window)
{
    QList<QObject*> chain;
    if (window) {
        appendWindowChain(chain, window);
    } else {
        appendWindowChain(chain, keyWindow());
        appendWindowChain(chain, mainWindow());
    }
    if (QCoreApplication* app = QCoreApplication::instance())
        chain.append(app);
    if (QObject* delegate = applicationDelegate(); delegate && !chain.contains(delegate))
        chain.append(delegate);
    return chain;
}

QObject* targetForAction(const QByteArray& selector, QObject* target, QObject*)
{
    if (target)
        return respondsToSelector(target, selector) ? target : nullptr;
    for (QObject* responder : responderChain()) {
        if (respondsToSelector(responder, selector))
            return responder;
    }
    return nullptr;
}

bool sendAction(const QByteArray& selector, QObject* target, QObject* sender)
{
    QObject* receiver = targetForAction(selector, target, sender);
    return receiver && performSelector(receiver, selector, sender);
}

void bindAction(QAction* action, const QByteArray& selector, QObject* target)
{
    if (!action)
        return;
    action->setProperty(kSelectorProperty, selector);
    action->setProperty(kTargetProperty, QVariant::fromValue(QPointer<QObject>(target)));
    action->setProperty(kHasTargetProperty, target != nullptr);
    if (action->property("sorvantActionConnected").toBool())
        return;
    action->setProperty("sorvantActionConnected", true);
    QObject::connect(action, &QAction::triggered, action, [action] {
        const QPointer<QObject> boundTarget = action->property(kTargetProperty).value<QPointer<QObject>>();
        if (action->property(kHasTargetProperty).toBool() && !boundTarget)
            return;
        sendAction(actionSelector(action), boundTarget.data(), action);
    });
}

QObject* actionTarget(const QAction* action)
{
    return action ? action->property(kTargetProperty).value<QPointer<QObject>>().data() : nullptr;
}

QByteArray actionSelector(const QAction* action)
{
    return action ? action->property(kSelectorProperty).toByteArray() : QByteArray();
}

bool validateAction(QAction* action, ValidationContext context)
{
    const QByteArray selector = actionSelector(action);
    if (selector.isEmpty())
        return action && action->isEnabled();
    const QPointer<QObject> explicitTarget = action->property(kTargetProperty).value<QPointer<QObject>>();
    // A target that has gone away leaves the action with nobody to answer.
    const bool targetGone = action->property(kHasTargetProperty).toBool() && !explicitTarget;
    QObject* receiver = targetGone ? nullptr : targetForAction(selector, explicitTarget.data(), action);
    bool enabled = receiver != nullptr;
    if (enabled && context == ValidationContext::Menu) {
        if (auto* validation = dynamic_cast<MenuItemValidation*>(receiver))
            enabled = validation->validateMenuItem(action);
    } else if (enabled && context == ValidationContext::Toolbar) {
        if (auto* validation = dynamic_cast<ToolbarItemValidation*>(receiver))
            enabled = validation->validateToolbarItem(action);
    }
    action->setEnabled(enabled);
    return enabled;
}

void validateMenuActions(QMenu* menu)
{
    if (!menu)
        return;
    for (QAction* action : menu->actions())
        validateAction(action, ValidationContext::Menu);
}

void validateToolbarActions(QToolBar* toolbar)
{
    if (!toolbar)
        return;
    for (QAction* action : toolbar->actions())
        validateAction(action, ValidationContext::Toolbar);
}

void installMenuValidation(QMenu* menu)
{
    if (!menu || menu->property("sorvantMenuValidation").toBool())
        return;
    menu->setProperty("sorvantMenuValidation", true);
    QObject::connect(menu, &QMenu::aboutToShow, menu, [menu] { validateMenuActions(menu); });
}

} // namespace sorvant
