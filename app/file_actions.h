#pragma once
// FileActions: what a search window does with its selected results: open
// them, open them with an application, show them in the file manager or
// their properties, hand them to Quirrel, move them to the Trash, delete
// them, copy them. The window's commands of these names are sent here by
// the action router (search_window_commands.h) and validated by the window.
//
// Every launch and every call to another process (the session bus, an
// application's start) runs on the thread pool and reports back through a
// watcher this object owns; a launch that starts nothing is said in the
// failure sheet (failure_messages.h). Moving to the Trash and deleting are
// the user's own work, on threads of their own that quitting waits for
// (user_file_work.h), never on the readers' pool. While such work runs, the
// rows of the items it has taken off the disk leave about ten times a
// second, the window's status line shows its progress (progressText), and
// its items are not offered to Trash or Delete again (their rows are marked
// under way, ResultsTableModel::setUnderWay).
//
// Threads: main thread only; launches on the pool, Trash and Delete on
// UserFileWork's threads (trashItems and removeItemsOf below), which make
// the items' paths from the chosen results and hand the items gone over
// through a lock. The interface thread makes no path of a Trash.
//
// Not here: which commands there are and when they are enabled
// (search_window_commands.h), the rows (results_view.h).

#include "app/failure_messages.h"
#include "interface/responder_hooks.h"

#include <QObject>
#include <QPointer>
#include <QTimer>

#include <functional>
#include <memory>
#include <optional>

class QWidget;

namespace sorvant {

struct FileError;
struct RemovalProgress;
class FileOperation;
class ResultsView;
class SearchController;

// --- the work of a Trash and of a Delete, on its operation's thread --------------

// What a removal left: whether an item failed, and the selected items
// still there, each with why its own removal failed (error 0 for one that
// is there though its removal did not fail).
struct Removal
{
    bool failed = false;
    QList<ItemLeft> remaining;
};
// Hears each item the work took off the disk, on the work's thread.
using GoneItem = std::function<void(const QString& path)>;

// Moves one item to the Trash: YES when it is there or was gone already;
// else NO with `error` saying why (moveItemToTrash's form, trash.h).
using TrashItem = std::function<bool(const QString& path, FileError* error)>;
// Moves `paths` to the Trash one by one with `trash` until `operation` is
// stopped; answers the refused ones in their order, each counted failed and
// each with its own errno (0 when unknown).
//   {"/a" (taken), "/b" (refused, EPERM)} => {{"/b", EPERM}}, gone "/a"   stopped => {}
[[nodiscard]] QList<ItemLeft> trashItems(const QStringList& paths, FileOperation& operation, const TrashItem& trash,
                                         const GoneItem& gone);
// removePath's form (file_operations.h), which tests stand in for.
using RemoveItem = std::function<bool(const QString& path, FileError* error, const RemovalProgress& progress)>;
// Removes `toRemove` with `remove` until `operation` is stopped, then reads
// which of `paths` are still there, each with its own failure. A folder's
// items count one by one: they are counted first (countRemovalItems,
// stoppable), and each removed one is counted done; what a failed item
// leaves is counted failed. Stopped while counting, an item not counted yet
// counts one.
[[nodiscard]] Removal removeItemsOf(const QStringList& paths, const QStringList& toRemove, FileOperation& operation,
                                    const RemoveItem& remove, const GoneItem& gone);

class FileActions : public QObject, public MenuItemValidation
{
    Q_OBJECT
public:
    // Acts on `results`' selection; sheets show on `window` (the parent),
    // which also validates the commands.
    FileActions(ResultsView& results, SearchController& search, QWidget* window, MenuItemValidation& validation);

    // The answer of a warning: YES for the alternate (destructive) button.
    using AlertHandler = std::function<bool(const QString& title, const QString& message,
                                            const QString& defaultButton, const QString& alternateButton)>;
    // Replaces the modal warnings (tests answer them); null restores them.
    void setAlertHandler(AlertHandler handler) { m_alertHandler = std::move(handler); }
    // Replaces how one item goes to the Trash and how one is removed
    // (tests gate or refuse them); null restores moveItemToTrash (an item
    // already gone counts as taken) and removePath.
    void setItemWork(TrashItem trash, RemoveItem remove);
    // The alert or failure sheet open on the window; null when none.
    [[nodiscard]] QWidget* openSheet() const { return m_sheet; }

    bool validateMenuItem(QAction* item) override { return m_validation.validateMenuItem(item); }

    // --- the Trash and Delete under way ------------------------------------------------------
    // What the running Trash and Delete have done ("Deleting 828 of 150,000
    // items…"); null when none runs.
    [[nodiscard]] QString progressText() const;

    // --- the commands ----------------------------------------------------------------------
    // Opens each selected item (links resolved) with its default
    // application; the first that none opens is said.
    Q_INVOKABLE void openFile();
    // Opens each selected item with the application of a desktop entry.
    void openWith(const QString& applicationPath);
    // The action of the Open With items: the sender's data names the entry.
    Q_INVOKABLE void openWith(QObject* sender);
    // Shows each selected item in the file manager.
    Q_INVOKABLE void revealFileInFinder();
    // The file manager's properties of each selected item.
    Q_INVOKABLE void showInfo();
    // Hands the selected items to Quirrel; when it takes none (it is not
    // installed), a warning sheet offers the maker's web site.
    Q_INVOKABLE void addToQX();
    // Moves the selected items to the Trash off the interface thread, item
    // by item; what the Trash refuses is asked about once, by name, and
    // deleted when the answer is Delete (not asked while quitting waits for
    // the work). Selected items a running Trash or Delete holds are left to
    // it, and the status line says so while this one runs.
    Q_INVOKABLE void moveToTrash();
    // Asks first, then deletes the selected items for good. The selection
    // is read once: the answer acts on the items the question named,
    // whatever the selection has become meanwhile. Items a running Trash or
    // Delete holds are left out, and the question says how many.
    Q_INVOKABLE void destroy();
    // Copies the selected items as file URLs and as paths.
    Q_INVOKABLE void copy();

signals:
    // A launch's answer has come back to this thread (and a failure, if
    // any, is on screen): once per command. A command that asks first
    // (Quirrel missing: OK or Website) answers when the question is
    // answered and what it chose has answered.
    void launchAnswered();
    // A deletion has ended: its rows are gone and a failure is on screen.
    void deletionFinished();
    // The progress of a running Trash or Delete changed, or it ended.
    void progressChanged();
    // A Trash or Delete started or ended: its rows' marks changed.
    void underWayChanged();

private:
    // The selected items' paths; none once the table is gone.
    [[nodiscard]] QStringList selectedPaths() const;
    // The selected items as a Trash or Delete reads them, once: the results
    // to act on, and how many others a running one holds.
    struct Chosen;
    [[nodiscard]] Chosen chosenItems() const;
    // Trashes (YES) or removes (NO) `chosen` off the interface thread, item
    // by item. Then drops the gone results, keeps a single row's place
    // while the selection is still the deletion's, says what stayed and
    // emits deletionFinished.
    void deleteItems(bool trash, const Chosen& chosen);
    // Runs `launch` (answering the first path it could not open, null when
    // all opened) and `failure` of that path on the pool, then says it.
    void launchInBackground(std::function<QString()> launch, std::function<Failure(const QString&)> failure);
    struct Deletion;
    // Removes the items the Trash refused (`refused`), or every item of the
    // deletion (nullopt), on its own thread, then ends the deletion here;
    // `declined`: the user kept `refused`, which stays selected.
    void removeItems(const std::shared_ptr<Deletion>& deletion, const std::optional<QStringList>& refused,
                     bool declined);
    // The most rows one turn of the event loop removes: a turn's work stays
    // bounded however many items went at once (all of them, for a fast
    // Trash), and the rest leave on the turns after.
    static constexpr qsizetype kRowsPerSlice = 2000;
    // The rows of the items gone since the last look leave, up to
    // kRowsPerSlice, the rest on the next turn; progressChanged. Then what
    // waited for a deletion's rows goes on.
    void dropGoneRows();
    // Runs `then` once every row `deletion` has heard of is gone: now, or
    // on the turn that removes the last.
    void afterGoneRows(const std::shared_ptr<Deletion>& deletion, std::function<void()> then);
    void endDeletion(const std::shared_ptr<Deletion>& deletion);
    // Whether every selected row is one of `deletion`'s items (none selected
    // counts): only then may its end move the selection.
    [[nodiscard]] bool isSelectionOf(const Deletion& deletion) const;
    bool askAlert(const QString& title, const QString& message, const QString& defaultButton,
                  const QString& alternateButton);
    void showFailure(const Failure& failure);

    // The window's other parts, which its destruction may take first.
    QPointer<ResultsView> m_results;
    QPointer<SearchController> m_search;
    MenuItemValidation& m_validation; // the window, this object's parent
    QPointer<QWidget> m_window;
    AlertHandler m_alertHandler;
    TrashItem m_trash;
    RemoveItem m_remove;
    QPointer<QWidget> m_sheet;
    QList<std::shared_ptr<Deletion>> m_deletions; // running, oldest first
    QList<std::pair<std::shared_ptr<Deletion>, std::function<void()>>> m_afterRows;
    QTimer m_progress;
    QTimer m_slice; // the next slice of rows, after a turn of the event loop
};

} // namespace sorvant
