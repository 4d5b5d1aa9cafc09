#pragma once
// Named actions delivered along a responder chain.
//
// An action keeps its selector name ("openFile:", "performClose:") and is
// delivered to the first object of the chain that answers it. An object
// answers a selector when it has a public slot or Q_INVOKABLE method of that
// name (without the colon) taking a QObject* (the sender) or nothing:
//   "openFile:" => openFile(QObject*) or openFile()
//
// The chain, for an action without an explicit target:
//   the key window's focus widget, its ancestors, the key window, the key
//   window's controller; then the same for the main window when it is
//   another window; then the application object and its delegate.
//
// Validation: a QAction bound with bindAction() is enabled when some object
// answers its selector and, when that object implements MenuItemValidation
// (menus and shortcuts) or ToolbarItemValidation (toolbars), when it agrees.
// Menus validate when about to show, shortcuts just before they fire (see
// VelmorApplication), toolbars through validateToolbarActions().
//   nothing answers "openFile:"      => the item is disabled
//   a window answers, validates NO   => disabled
//   a window answers, no validation  => enabled
//
// Not here: the optional hooks (responder_hooks.h); key and main windows
// (application.h).

#include <QByteArray>
#include <QList>

class QAction;
class QMenu;
class QObject;
class QToolBar;
class QWidget;

namespace sorvant {

// --- answering ---------------------------------------------------------------------

// YES when `object` has a slot or invokable method for `selector`.
//   (window with openFile(QObject*), "openFile:") => YES   (nullptr, …) => NO
[[nodiscard]] bool respondsToSelector(const QObject* object, const QByteArray& selector);
// Calls it with `sender`; NO when the object does not answer the selector.
bool performSelector(QObject* object, const QByteArray& selector, QObject* sender);

// --- the chain -----------------------------------------------------------------------

// The objects an action would visit, in order, starting at `window`'s focus
// widget (or the key and main windows' chains when `window` is null).
[[nodiscard]] QList<QObject*> responderChain(QWidget* window = nullptr);

// The object that would receive `selector`: `target` itself when it answers;
// otherwise, for a null target, the first answering object of the chain;
// null when none answers (a target that does not answer gives null too).
[[nodiscard]] QObject* targetForAction(const QByteArray& selector, QObject* target = nullptr,
                                       QObject* sender = nullptr);

// Delivers `selector` to targetForAction; YES when some object received it.
bool sendAction(const QByteArray& selector, QObject* target = nullptr, QObject* sender = nullptr);

// --- bound actions ----------------------------------------------------------------------

// Makes `action` send `selector` (to `target`, or along the chain when
// null) when triggered.
void bindAction(QAction* action, const QByteArray& selector, QObject* target = nullptr);
// The selector bound to an action; empty when none.
[[nodiscard]] QByteArray actionSelector(const QAction* action);
// The explicit target of a bound action; null for the responder chain or
// when the target is gone.
[[nodiscard]] QObject* actionTarget(const QAction* action);

enum class ValidationContext { Menu, Toolbar };

// Sets the enabled state of a bound action from the chain; an unbound action
// is left alone. Answers the state.
bool validateAction(QAction* action, ValidationContext context = ValidationContext::Menu);
// Validates every bound action of a menu (and its submenus when shown later:
// the menus call this themselves once installed).
void validateMenuActions(QMenu* menu);
void validateToolbarActions(QToolBar* toolbar);
// Has `menu` validate its actions whenever it is about to show.
void installMenuValidation(QMenu* menu);

} // namespace sorvant
