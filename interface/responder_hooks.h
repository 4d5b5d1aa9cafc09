#pragma once
// Small interfaces that objects along the responder chain implement to
// answer the toolkit's optional questions. The toolkit finds them with
// dynamic_cast; an object that does not implement one simply is not asked.
//
// Not here: the chain and action delivery (action_router.h).

#include <QList>
#include <QUrl>

class QAction;
class QObject;
class QEvent;
class QMenu;

namespace sorvant {

// Validation of a menu item (or shortcut) whose action this object would
// receive; NO disables the item.
class MenuItemValidation
{
public:
    virtual ~MenuItemValidation() = default;
    virtual bool validateMenuItem(QAction* item) = 0;
};

// The same for a toolbar item.
class ToolbarItemValidation
{
public:
    virtual ~ToolbarItemValidation() = default;
    virtual bool validateToolbarItem(QAction* item) = 0;
};

// Key presses offered before any shortcut or widget sees them; YES consumes
// the press. Asked of the key window, the main window and the application
// delegate, in that order.
class KeyWindowEventCheck
{
public:
    virtual ~KeyWindowEventCheck() = default;
    virtual bool checkKeyWindowEvent(QEvent* event) = 0;
};

class MainWindowEventCheck
{
public:
    virtual ~MainWindowEventCheck() = default;
    virtual bool checkMainWindowEvent(QEvent* event) = 0;
};

class KeyEventCheck
{
public:
    virtual ~KeyEventCheck() = default;
    virtual bool checkKeyEvent(QEvent* event) = 0;
};

// A window's own decision whether it may become the main window (panels
// may not) and whether it may become key.
class WindowRole
{
public:
    virtual ~WindowRole() = default;
    virtual bool canBecomeMainWindow() const = 0;
};

// The index of a window among the windows of its kind.
class WindowIndex
{
public:
    virtual ~WindowIndex() = default;
    virtual quint64 windowIndex() const = 0;
};

// Told when its window moved or was resized.
class WindowFrameChange
{
public:
    virtual ~WindowFrameChange() = default;
    virtual void windowDidChangeFrame() = 0;
};

// The files a window shows, for previews.
class DocumentURLs
{
public:
    virtual ~DocumentURLs() = default;
    virtual QList<QUrl> documentURLs() const = 0;
};

// A table that edits its selected row when asked (double click, Return).
class EditSelection
{
public:
    virtual ~EditSelection() = default;
    virtual void editSelection(QObject* sender) = 0;
};

// A view that builds its own context menu (the results table does).
class ContextualMenuProvider
{
public:
    virtual ~ContextualMenuProvider() = default;
    virtual QMenu* contextualMenu() = 0;
};

// Told just before its context menu opens.
class ContextMenuWillPopUp
{
public:
    virtual ~ContextMenuWillPopUp() = default;
    virtual void willPopUpContextMenu(QMenu* menu) = 0;
};

} // namespace sorvant
