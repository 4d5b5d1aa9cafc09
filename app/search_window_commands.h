#pragma once
// SearchWindowCommands: the search window's commands, one QAction each,
// made once and shown by every place that offers the command: the Items
// and View menus, the results' context menu, the header's column menu and
// the toolbar's items (which follow a command, ToolbarItem::setCommand).
//
// Each command keeps its selector name ("moveToTrash:", also its object
// name without the colon) and is sent through the action router
// (action_router.h) to its window's file actions (file_actions.h: open,
// reveal, trash …) or to the window (the rest), which answer it with a
// public slot. Menus, shortcuts, the toolbar, double-click, Space and
// header clicks all send the same commands (perform()).
//
// Enablement, titles and check marks are decided in one place, validate(),
// from the window's state; update() applies it to every command. The
// window calls update() when its selection, its rows or its search change;
// menus and shortcuts reach validate() through the router's validation
// (SearchWindow::validateMenuItem).
//   a file command ("openFile:", "copy:" …)     enabled with a selection
//   "moveToTrash:" / "destroy:"                with a selected item that no
//                                              running Trash or Delete holds
//   "toggleQuickLookAction:"                   also while a preview is open
//   "shareAction:"                             never (no sharing service)
//   "setSorting:" / "setReverseSorting:"       checked: the current key,
//                                              the current direction
//   "toggleColumn:"                            checked: the column is shown
//   "toggleSettings:"                          checked: the drawer is open
//
// Not here: what the commands do (the window's slots), the toolbar's item
// table (search_window_toolbar.cpp).

#include <QByteArray>
#include <QList>
#include <QObject>

class QAction;
class QMenu;
class QMenuBar;
class QWidget;

namespace sorvant {

class SearchWindow;

class SearchWindowCommands : public QObject
{
    Q_OBJECT
public:
    // Makes every command for `window` (their owner); the window's own
    // shortcuts are among them.
    explicit SearchWindowCommands(SearchWindow* window);

    // --- observers ------------------------------------------------------------------------
    // The command of a selector, with or without its colon ("copy:", "copy");
    // for the sort keys, directions and columns the first one. Null when none.
    //   "moveToTrash" => the Move to Trash command   "" => null
    [[nodiscard]] QAction* command(const QByteArray& selector) const;
    // The command of a selector and tag (sort key 0-7, direction 0/1, column
    // of ResultsView::kToggleColumns); null when none.
    [[nodiscard]] QAction* command(const QByteArray& selector, int tag) const;
    [[nodiscard]] const QList<QAction*>& commands() const { return m_commands; }
    // The results' context menu: the file commands and Open With.
    [[nodiscard]] QMenu* contextMenu() const { return m_contextMenu; }

    // --- validation ---------------------------------------------------------------------
    // Sets the enabled state, the title and the check mark of `action` from
    // the window's state and answers the enabled state; YES for an action
    // that is none of these commands (the Open With list).
    bool validate(QAction* action);
    // validate() for every command.
    void update();
    // Sends the command of `selector` (and `tag`, when not negative) as its
    // menu item would, validated the same way first: what double-click,
    // Space and header clicks do. NO when it is disabled or there is none.
    //   "openFile:" with a selection => sent, YES   without => NO
    bool perform(const QByteArray& selector, int tag = -1);

    // --- menus --------------------------------------------------------------------------
    // Adds "Items": the context menu's commands, then Quick Look and
    // Slideshow. (The delegate's Search menu shows "toggleSettings:".)
    void addItemsMenu(QMenuBar* menuBar);
    // Adds "View": "Sort By" (the eight keys, then Ascending and
    // Descending) and "Columns".
    void addViewMenu(QMenuBar* menuBar);
    // A new menu of the column commands in the table's default order (what
    // a right click on the header offers too).
    [[nodiscard]] QMenu* makeColumnsMenu(QWidget* parent);

private:
    // A command sent to `target` (null: the window).
    QAction* add(const char* selector, const QString& title, int tag = 0, QObject* target = nullptr);

    SearchWindow* m_window;
    QList<QAction*> m_commands;
    QMenu* m_contextMenu = nullptr;
};

} // namespace sorvant
