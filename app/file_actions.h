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
// (user_file_work.h), never on the readers' pool; the rows leave here.
//
// Threads: main thread only; launches on the pool, Trash and Delete on
// UserFileWork's threads.
//
// Not here: which commands there are and when they are enabled
// (search_window_commands.h), the rows (results_view.h).

#include "interface/responder_hooks.h"

#include <QObject>
#include <QPointer>

#include <functional>

class QWidget;

namespace sorvant {

struct Failure;
class ResultsView;
class SearchController;

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
    // The alert or failure sheet open on the window; null when none.
    [[nodiscard]] QWidget* openSheet() const { return m_sheet; }

    bool validateMenuItem(QAction* item) override { return m_validation.validateMenuItem(item); }

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
    Q_INVOKABLE void moveToTrash();
    // Asks first, then deletes the selected items for good.
    Q_INVOKABLE void destroy();
    // Trashes (YES) or removes (NO) the selected items off the interface
    // thread, item by item; a trash failure asks once whether to delete
    // instead (not while quitting waits for the work). Then
    // drops the gone results, keeps a single selected row's place, says what
    // stayed and emits deletionFinished.
    void deleteItems(bool trash);
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

private:
    // The selected items' paths; none once the table is gone.
    [[nodiscard]] QStringList selectedPaths() const;
    // Runs `launch` (answering the first path it could not open, null when
    // all opened) and `failure` of that path on the pool, then says it.
    void launchInBackground(std::function<QString()> launch, std::function<Failure(const QString&)> failure);
    // Removes `toRemove` (of the selected `paths`) on the pool, then ends
    // the deletion here; `declined`: the user kept `toRemove` (what the
    // Trash refused), which stays selected.
    void removeItems(const QStringList& paths, const QStringList& toRemove, bool declined, int remembered);
    bool askAlert(const QString& title, const QString& message, const QString& defaultButton,
                  const QString& alternateButton);
    void showFailure(const Failure& failure);

    // The window's other parts, which its destruction may take first.
    QPointer<ResultsView> m_results;
    QPointer<SearchController> m_search;
    MenuItemValidation& m_validation; // the window, this object's parent
    QPointer<QWidget> m_window;
    AlertHandler m_alertHandler;
    QPointer<QWidget> m_sheet;
};

} // namespace sorvant
