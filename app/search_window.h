#pragma once
// SearchWindow: the window of one search. Its controls are the live
// settings (what, comparison, mode, type, invisibles, packages, the drawer's
// content lists). Its SearchController runs the engine and brings what it
// finds into the table (search_controller.h); the window shows the status
// line the controller gives and restores itself when the search has ended.
//
// User defaults: the option keys are saved at each search start
// (getSettings, getDrawerSettings) and, with the destination and the
// window's sort keys, once at close or quit (synchronizeDefaults). The
// drawer's keys are also saved when the drawer closes.
//
// Threads: everything here runs on the main thread; it never takes the
// engine's lock nor writes its counters.
//
// Not here: the results table's model (results_table_model.h), the
// commands that menus, toolbar and shortcuts share and their enablement
// (search_window_commands.h), the destination menu's folder rules
// (destinations.h), the delegate that owns the windows
// (application_delegate.h).

#include "interface/responder_hooks.h"
#include "interface/symbol_toolbar.h"
#include "app/search_controller.h"
#include "interface/table_view.h"
#include "search/search_engine.h"

#include <QFuture>
#include <QMainWindow>
#include <QPointer>

#include <array>
#include <functional>
#include <memory>

class QAbstractButton;
class QButtonGroup;
class QCheckBox;
class QLabel;
class QLineEdit;
class QMenu;
class QMenuBar;
class QProgressBar;
class QPushButton;
class QTimer;
class QDialog;
class QDragEnterEvent;
class QDragMoveEvent;
class QDropEvent;
class QMimeData;
class QAction;
class QToolButton;
class QWidget;

namespace sorvant {

class NSDrawerExtended;
class PathControl;
struct Failure;
class ResultsTableModel;
class SearchWindowCommands;
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
    [[nodiscard]] SearchEngine& engine() { return m_search->engine(); }
    [[nodiscard]] SearchController& searchController() { return *m_search; }
    [[nodiscard]] bool isSearching() const { return m_search->isSearching(); }

    // --- running and stopping ------------------------------------------------
    // Starts a search, or stops the running one.
    void search();
    // Escape: closes an open preview (while searching only from the
    // results), else stops a running search; nothing else while idle.
    void cancelOperation();
    bool checkKeyWindowEvent(QEvent* event) override;
    // One tick of the refresh timer.
    void updateHandler() { m_search->refresh(); }
    [[nodiscard]] QString statusText() const { return m_search->statusText(); }

    // --- settings ----------------------------------------------------------
    void setSettings();
    void getSettings();
    void setDrawerSettings();
    void getDrawerSettings();
    [[nodiscard]] std::uint64_t searchWhat() const;
    [[nodiscard]] std::uint64_t searchComparison() const;
    [[nodiscard]] int searchMode() const;
    [[nodiscard]] int searchType() const;
    Q_INVOKABLE void toggleSettings();
    [[nodiscard]] bool isDrawerVisible() const;
    // Stops the search (waiting for it) and saves the settings once.
    void synchronizeDefaults();
    void didChangeScanAll();
    void didChangeType();
    void didChangeMode();

    // --- destinations --------------------------------------------------------
    void initDestination();
    // Stores the destination (a path, possibly with "~", or a
    // pseudo-destination) and titles the menu; null leaves both unchanged.
    void setDestination(const QString& path);
    // The folder or pseudo-destination to search; null when the stored one
    // is missing, not a folder, or a package.
    [[nodiscard]] QString destination() const;
    [[nodiscard]] QString storedDestination() const { return m_path; }
    [[nodiscard]] QMenu* destinationMenu() const;
    [[nodiscard]] QString destinationTitle() const;
    // Pops the destination menu up under its button (menu and keyboard).
    void showDestinationMenu();
    void setInput(const QString& phrase);
    [[nodiscard]] QString input() const;

    // --- the controls, for the tests and the delegate ----------------------------
    [[nodiscard]] QCheckBox* checkBox(const char* name) const;
    [[nodiscard]] QAbstractButton* modeButton(int mode) const;
    [[nodiscard]] QAbstractButton* typeButton(int type) const;
    [[nodiscard]] QPushButton* searchButton() const { return m_searchButton; }
    [[nodiscard]] QLineEdit* searchField() const { return m_searchInput; }
    [[nodiscard]] StripeTableView* resultsTable() const { return m_results; }
    [[nodiscard]] QLineEdit* listField(int list) const { return m_fileExt.at(size_t(list - 1)); }
    [[nodiscard]] QCheckBox* listBox(int list) const { return m_fileExtOn.at(size_t(list - 1)); }

    // --- the commands (search_window_commands.h): menus, toolbar and shortcuts
    //     show them; the router sends each to the public slot of its name ---
    [[nodiscard]] SearchWindowCommands& commands() const { return *m_commands; }
    // Validates a command through SearchWindowCommands::validate.
    bool validateMenuItem(QAction* item) override;

    // --- file actions on the selected results (search_window_actions.cpp) --------
    // The answer of a warning: YES for the alternate (destructive) button.
    using AlertHandler = std::function<bool(const QString& title, const QString& message,
                                            const QString& defaultButton, const QString& alternateButton)>;
    // Replaces the modal warnings (tests answer them); null restores them.
    void setAlertHandler(AlertHandler handler) { m_alertHandler = std::move(handler); }
    // Says what failed as a sheet on the window (a QMessageBox named
    // "failure"); nothing for a null failure.
    void showFailure(const Failure& failure);
    // Selected rows in order, and their full paths.
    [[nodiscard]] QList<int> selectedRows() const;
    [[nodiscard]] QStringList selectedPaths() const;
    void selectRows(const QList<int>& rows);
    // Opens each selected item (links resolved) with its default application.
    Q_INVOKABLE void openFile();
    // Opens each selected item with the application of a desktop entry,
    // off the interface thread.
    void openWith(const QString& applicationPath);
    // The latest Open With launch, for waiting on it.
    [[nodiscard]] QFuture<void> lastLaunch() const { return m_lastLaunch; }
    // Shows each selected item in the file manager.
    Q_INVOKABLE void revealFileInFinder();
    Q_INVOKABLE void moveToTrash();
    // Shows the file manager's properties of each selected item.
    Q_INVOKABLE void showInfo();
    // Asks first, then deletes the selected items for good.
    Q_INVOKABLE void destroy();
    // Trashes (YES) or removes (NO) the selected items; a trash failure
    // asks once whether to delete instead. Drops the gone results, keeps a
    // single selected row's place and beeps when anything stayed.
    void deleteItems(bool trash);
    // Copies the selected items as file URLs and as paths.
    Q_INVOKABLE void copy();
    // File URLs of the selected results, for the preview.
    [[nodiscard]] QList<QUrl> documentURLs() const override;
    // Opens or closes the preview of the selected results.
    Q_INVOKABLE void toggleQuickLookAction();
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

    // --- the settings drawer, the folder panel and drops (search_window_drawer.cpp) ---
    [[nodiscard]] NSDrawerExtended* settingsDrawer() const { return m_settingsDrawer; }
    // Asks for a folder in an open panel on the window (hidden folders listed
    // when invisible items are searched); the chosen one becomes the
    // destination.
    void selectDestination();
    // What a drag over the window may do: nothing for results dragged from a
    // search window's table, copy otherwise.
    [[nodiscard]] Qt::DropAction draggingEntered(const QObject* source) const;
    // Takes the one dropped folder, alias file or symbolic link as the
    // destination; NO (destination unchanged) for several items, a file,
    // text or anything else.
    bool performDragOperation(const QMimeData* dragged);

protected:
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    NSDrawerExtended* m_settingsDrawer = nullptr;

public:
    // --- help, the sibling product, previews and sharing (search_window_menus.cpp) ---
    // Opens the help book's page of the search options and query language.
    void showHelp();
    // Hands the selected items to Quirrel; when it takes none (it is not
    // installed), a warning sheet offers the maker's web site.
    Q_INVOKABLE void addToQX();
    Q_INVOKABLE void toggleSlideshowAction();
    // The desktop offers no sharing service: the item stays disabled and
    // this does nothing.
    Q_INVOKABLE void shareAction();
    // The name of the selected result (the current row when several are
    // selected); null without a selection.
    [[nodiscard]] QString selectedResultName() const;
    // Marks the destination menu's item of the stored destination (both
    // compared with "~" expanded); no mark without a destination.
    void validateDestinationItems();
    // The action of the Open With items: opens the selection with the
    // application that is the sender's data.
    Q_INVOKABLE void openWith(QObject* sender);

    void beep();

signals:
    // The window has closed and saved; its controller may go.
    void windowDidClose(sorvant::SearchWindow* window);
    // The destination menu's folders, scanned off the interface thread, are in it.
    void destinationsScanned();
    // A search ended and the window was restored.
    void searchDidEnd();

protected:
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    void buildInterface();
    QWidget* buildOptions();
    // Check boxes and radio buttons fill their marks with the base colour
    // and outline them darker than the window: on a dark window both sink
    // into the background, so the options' base is lifted above it there.
    void applyOptionsPalette();
    QWidget* buildDrawer();
    void setSearching(bool searching);
    // The controller's search has ended: the window is restored.
    void searchEnded();
    // The actions and the path control follow the selection.
    void selectionChanged();
    void addDestinationItem(const QString& path, bool indent);
    bool askAlert(const QString& title, const QString& message, const QString& defaultButton,
                  const QString& alternateButton);
    // The context menus of the results and the destination menu's marks.
    void connectMenus();
    void buildToolbar();

    quint64 m_index;
    UserDefaults& m_defaults;
    SearchController* m_search = nullptr;
    ResultsTableModel* m_model = nullptr;

    QLineEdit* m_searchInput = nullptr;
    QPushButton* m_searchButton = nullptr;
    QLabel* m_searchInfo = nullptr;
    QProgressBar* m_searchIndicator = nullptr;
    QCheckBox* m_searchCaseInsensitive = nullptr;
    QCheckBox* m_searchNoUmlauts = nullptr;
    QCheckBox* m_searchFuzzy = nullptr;
    QCheckBox* m_searchInvisibles = nullptr;
    QCheckBox* m_searchPackages = nullptr;
    QCheckBox* m_searchName = nullptr;
    QCheckBox* m_searchContent = nullptr;
    QCheckBox* m_searchTags = nullptr;
    QCheckBox* m_searchComments = nullptr;
    QButtonGroup* m_searchType = nullptr;
    QButtonGroup* m_searchMode = nullptr;
    QWidget* m_options = nullptr;
    QToolButton* m_searchLocation = nullptr;
    StripeTableView* m_results = nullptr;
    QWidget* m_drawer = nullptr;
    std::array<QLineEdit*, 6> m_fileExt{};
    std::array<QCheckBox*, 6> m_fileExtOn{};
    QCheckBox* m_scanAll = nullptr;

    QString m_path;
    quint64 m_destinationScan = 0;
    QFuture<void> m_lastLaunch;
    bool m_saved = false; // the settings were saved at close or quit
    bool m_closed = false;
    AlertHandler m_alertHandler;
    QPointer<QWidget> m_sheet;
    SearchWindowCommands* m_commands = nullptr;
    SymbolToolbar* m_toolbar = nullptr;

    // --- the results table: columns, sorting, the path of the selection
    //     (search_window_table.cpp) --------------------------------------------------
public:
    // The column identifiers of toggleColumn:'s tags 0-8.
    static constexpr std::array<const char16_t*, 9> kToggleColumns = {
        u"file", u"created", u"modified", u"size", u"kind", u"info", u"comment", u"tags", u"path"};
    // The identifier of a tag of kToggleColumns; null outside 0-8.
    [[nodiscard]] static QString toggleColumnIdentifier(int tag);
    // Menu actions; the sender's tag says what: the sort key 0-7
    // (setSorting:), the direction, 0 ascending and anything else descending
    // (setReverseSorting:), the column of kToggleColumns (toggleColumn:).
    // Sorting keeps the selection; an unknown column beeps.
    Q_INVOKABLE void setSorting(QObject* sender);
    Q_INVOKABLE void setReverseSorting(QObject* sender);
    Q_INVOKABLE void toggleColumn(QObject* sender);
    // Sets the path control to the one selected result; empty otherwise.
    void selectionDidChange();
    [[nodiscard]] PathControl* pathControl() const { return m_pathControl; }

private:
    // The results table: vertical mouse motion selects, only sideways
    // motion drags the selected results out.
    static StripeTableView* makeResultsView(QWidget* parent);
    void setUpResultsTable();
    QWidget* makePathControl(QWidget* parent);
    // Sorts the shown results (pending ones first join them), keeping the
    // selection; marks the key's column.
    void sortResults(std::uint64_t key, bool reverse);
    void showSortIndicator();
    void updatePathColumnWidth();

    PathControl* m_pathControl = nullptr;
};

} // namespace sorvant
