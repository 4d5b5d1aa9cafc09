#pragma once
// SearchWindow: the window of one search. Its controls are the live
// settings (the options box, the destination, the drawer's content lists).
// It hands a search to its SearchController as one SearchRequest
// (search_controller.h), which runs the engine and brings what it finds
// into the table; the window shows the status line the controller gives and
// restores itself when the search has ended. What is left here is the
// window's layout and the commands that are the window's own.
//
// User defaults: the option keys are saved at each search start
// (with the drawer's lists) and, with the destination and the
// window's sort keys, once at close or quit (synchronizeDefaults). The
// drawer's keys are also saved when the drawer closes.
//
// Threads: everything here runs on the main thread; it never takes the
// engine's lock nor writes its counters.
//
// Not here: the results table's model (results_table_model.h) and its
// view (results_view.h: columns, sorting, the selection, drags), the
// options box (search_options.h), the destination menu
// (destination_menu.h), what is done with the selected items
// (file_actions.h), the settings drawer's content lists
// (settings_drawer.h), the commands that menus, toolbar, shortcuts and
// clicks share and their enablement (search_window_commands.h), the
// delegate that owns the windows (application_delegate.h).

#include "interface/responder_hooks.h"
#include "interface/symbol_toolbar.h"
#include "app/results_view.h"
#include "app/search_controller.h"

#include <QMainWindow>
#include <QPointer>

class QLabel;
class QLineEdit;
class QMenu;
class QProgressBar;
class QPushButton;
class QDialog;
class QDragEnterEvent;
class QDragMoveEvent;
class QDropEvent;
class QMimeData;
class QAction;
class QWidget;

namespace sorvant {

class DestinationMenu;
struct TestedDestination;
class FileActions;
class PathControl;
class ResultsTableModel;
class SearchOptions;
class SearchWindowCommands;
class SettingsDrawer;
class UserDefaults;

class SearchWindow : public QMainWindow,
                     public KeyWindowEventCheck,
                     public WindowIndex,
                     public DocumentURLs,
                     public ToolbarDelegate,
                     public MenuItemValidation
{
    Q_OBJECT
public:
    // Builds the window and loads its settings; `index` names its
    // per-window keys ("SearchSorting-%d", frame and column names).
    SearchWindow(quint64 index, UserDefaults& defaults, QWidget* parent = nullptr);
    ~SearchWindow() override;

    [[nodiscard]] quint64 windowIndex() const override { return m_index; }
    [[nodiscard]] SearchController& searchController() { return *m_search; }
    [[nodiscard]] bool isSearching() const { return m_search->isSearching(); }

    // --- running and stopping ------------------------------------------------
    // Starts a search, or stops the running one. The destination is tested
    // off the interface thread, so a search starts (or a missing folder
    // beeps) after this returns: searchAnswered() says when.
    void search();
    // Escape: closes an open preview (while searching only from the
    // results), else stops a running search; nothing else while idle.
    void cancelOperation();
    bool checkKeyWindowEvent(QEvent* event) override;
    [[nodiscard]] QString statusText() const { return m_search->statusText(); }

    // --- the window's parts ----------------------------------------------------------
    // The options box (search_options.h), the destination button and menu
    // (destination_menu.h), the file commands (file_actions.h), the
    // settings drawer (settings_drawer.h), the results table (results_view.h).
    [[nodiscard]] SearchOptions* options() const { return m_options; }
    [[nodiscard]] DestinationMenu* destinations() const { return m_destinations; }
    [[nodiscard]] FileActions& fileActions() const { return *m_fileActions; }
    [[nodiscard]] SettingsDrawer* settingsDrawer() const { return m_settingsDrawer; }
    [[nodiscard]] ResultsView* resultsTable() const { return m_results; }
    [[nodiscard]] QPushButton* searchButton() const { return m_searchButton; }
    [[nodiscard]] QLineEdit* searchField() const { return m_searchInput; }
    [[nodiscard]] PathControl* pathControl() const { return m_pathControl; }

    // --- settings ----------------------------------------------------------
    // Opens the settings drawer with its lists loaded, or closes it saving them.
    Q_INVOKABLE void toggleSettings();
    [[nodiscard]] bool isDrawerVisible() const;
    // Stops the search (waiting for it) and saves the settings once.
    void synchronizeDefaults();
    // The phrase and the destination; null leaves them unchanged.
    void setInput(const QString& phrase);
    [[nodiscard]] QString input() const;
    void setDestination(const QString& path);

    // --- the commands (search_window_commands.h): menus, toolbar, shortcuts,
    //     double-click, Space and the header show them; the router sends
    //     each to the public slot of its name, here or on fileActions() ---
    [[nodiscard]] SearchWindowCommands& commands() const { return *m_commands; }
    // Validates a command through SearchWindowCommands::validate.
    bool validateMenuItem(QAction* item) override;
    // Find: the search field takes the focus with its text selected.
    Q_INVOKABLE void focusSearchField();
    // Search In: pops the destination menu up under its button.
    Q_INVOKABLE void showDestinationMenu();
    // Close Window.
    Q_INVOKABLE void performClose();
    // Opens the help book's page of the search options and query language,
    // off the interface thread; says when no browser shows it.
    Q_INVOKABLE void showHelp();
    // Opens or closes the preview or the slide show of the selected results.
    Q_INVOKABLE void toggleQuickLookAction();
    Q_INVOKABLE void toggleSlideshowAction();
    // The desktop offers no sharing service: the item stays disabled and
    // this does nothing.
    Q_INVOKABLE void shareAction();
    // The sender's tag says what: the sort key 0-7 (setSorting:), the
    // direction, 0 ascending and anything else descending
    // (setReverseSorting:), the column of ResultsView::kToggleColumns
    // (toggleColumn:). Sorting keeps the selection; an unknown key or
    // column beeps.
    Q_INVOKABLE void setSorting(QObject* sender);
    Q_INVOKABLE void setReverseSorting(QObject* sender);
    Q_INVOKABLE void toggleColumn(QObject* sender);

    // File URLs of the selected results, for the preview.
    [[nodiscard]] QList<QUrl> documentURLs() const override;

    // --- the toolbar (search_window_toolbar.cpp) ---
    // A new item of the toolbar's table; null for an unknown identifier
    // (compared exactly).
    [[nodiscard]] ToolbarItem* toolbarItem(const QString& identifier);
    [[nodiscard]] SymbolToolbar* toolbar() const { return m_toolbar; }
    // The toolbar's items: every item once, separators and spaces.
    [[nodiscard]] QStringList toolbarAllowedItemIdentifiers() const override;
    [[nodiscard]] QStringList toolbarDefaultItemIdentifiers() const override;
    [[nodiscard]] ToolbarItem* toolbarItemForItemIdentifier(const QString& identifier) override;
    // Opens the toolbar's customize dialog (also from the toolbar's menu).
    QDialog* runToolbarCustomizationPalette();

    // --- the folder panel and drops (search_window_drops.cpp) ---
    // Asks for a folder in an open panel on the window (hidden folders listed
    // when invisible items are searched); the chosen one becomes the
    // destination.
    void selectDestination();
    // What a drag over the window may do: nothing for results dragged from a
    // search window's table, copy otherwise.
    [[nodiscard]] Qt::DropAction draggingEntered(const QObject* source) const;
    // Takes the one dropped folder, alias file or symbolic link as the
    // destination, and a file's folder for a file; NO (destination
    // unchanged) for several items, text or anything else. A missing item
    // is answered not taken.
    bool performDragOperation(const QMimeData* dragged);

signals:
    // The window has closed and saved; its controller may go.
    void windowDidClose(sorvant::SearchWindow* window);
    // A search ended and the window was restored.
    void searchDidEnd();
    // A search() other than a stop has been answered: the search started,
    // or the beep or failure sheet came.
    void searchAnswered();
    // A dropped path has been tested; `taken` when it became the destination.
    void dropAnswered(bool taken);
    // The help's answer has come back (a failure, if any, is on screen).
    void helpAnswered();

protected:
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    // A drag of one item over the search field is the window's (its folder
    // becomes the destination), not text for the phrase: YES when taken.
    bool searchFieldDragEvent(QEvent* event);
    void changeEvent(QEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    void buildInterface();
    QWidget* makePathControl(QWidget* parent);
    void setSearching(bool searching);
    // Starts the search of `phrase` in the tested destination, or says why
    // there is none and clears the results.
    void startSearch(const QString& phrase, const TestedDestination& destination);
    // Another destination was chosen: the results of the old one leave
    // (kept while a search runs).
    void destinationChanged();
    // The controller's search has ended: the window is restored.
    void searchEnded();
    // The commands and the path control follow the selection.
    void selectionChanged();
    // The status line: a running Trash or Delete's progress, else the
    // search's status.
    void showStatus();
    // The context menus, double-click, Space and header clicks.
    void connectCommands();
    void buildToolbar();

    // The controller's model and engine outlive every part that shows them:
    // the parts are children of the window, and the controller is moved
    // behind them once they are made (children go in their order).
    quint64 m_index;
    UserDefaults& m_defaults;
    SearchController* m_search = nullptr;

    QLineEdit* m_searchInput = nullptr;
    QPushButton* m_searchButton = nullptr;
    QLabel* m_searchInfo = nullptr;
    QProgressBar* m_searchIndicator = nullptr;
    SearchOptions* m_options = nullptr;
    DestinationMenu* m_destinations = nullptr;
    ResultsView* m_results = nullptr;
    FileActions* m_fileActions = nullptr;
    SettingsDrawer* m_settingsDrawer = nullptr;
    PathControl* m_pathControl = nullptr;
    SearchWindowCommands* m_commands = nullptr;
    SymbolToolbar* m_toolbar = nullptr;

    bool m_saved = false; // the settings were saved at close or quit
    bool m_closed = false;
    bool m_testingDestination = false; // search() waits for the folder test
    QPointer<QWidget> m_sheet;
};

} // namespace sorvant
