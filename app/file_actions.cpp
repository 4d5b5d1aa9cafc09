#include "app/file_actions.h"

#include "app/alert_panels.h"
#include "app/application_delegate.h"
#include "app/failure_messages.h"
#include "app/results_table_model.h"
#include "app/results_view.h"
#include "app/search_controller.h"
#include "app/user_file_work.h"
#include "foundation/number_formatting.h"
#include "interface/alerts.h"
#include "interface/localization.h"
#include "platform/background_work.h"
#include "platform/file_error.h"
#include "platform/file_system_representation.h"
#include "platform/log.h"
#include "platform/url.h"
#include "search/result.h"
#include "system/bundle.h"
#include "system/deletion_questions.h"
#include "system/file_manager.h"
#include "system/file_operations.h"
#include "system/file_tests.h"
#include "system/link_resolution.h"
#include "system/opening.h"
#include "system/sibling_products.h"
#include "system/trash.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QCoreApplication>
#include <QHash>
#include <QMessageBox>
#include <QMimeData>
#include <QSet>

#include <algorithm>
#include <cerrno>
#include <memory>
#include <mutex>
#include <optional>
#include <utility>

#include <sys/stat.h>

namespace sorvant {

FileActions::FileActions(ResultsView& results, SearchController& search, QWidget* window,
                         MenuItemValidation& validation)
    : QObject(window), m_results(&results), m_search(&search), m_validation(validation), m_window(window)
{
    setObjectName(QStringLiteral("fileActions"));
    // About ten looks a second: the rows and the status keep up with the
    // disk, and the interface thread stays free between them.
    m_progress.setInterval(100);
    connect(&m_progress, &QTimer::timeout, this, [this] {
        // A slice due anyway takes the rows: one slice a turn.
        if (!m_slice.isActive())
            dropGoneRows();
    });
    // Rows beyond a slice leave after the event loop has turned.
    m_slice.setInterval(0);
    m_slice.setSingleShot(true);
    connect(&m_slice, &QTimer::timeout, this, &FileActions::dropGoneRows);
    setItemWork({}, {});
}

void FileActions::setItemWork(TrashItem trash, RemoveItem remove)
{
    // recycleFile without removal, keeping why the Trash refused an item.
    m_trash = trash ? std::move(trash) : [](const QString& path, FileError* error) {
        return recycleFile(path, false, error);
    };
    m_remove = remove ? std::move(remove) : [](const QString& path, FileError* error, const RemovalProgress& progress) {
        return removePath(path, error, progress);
    };
}

QStringList FileActions::selectedPaths() const
{
    return m_results ? m_results->selectedPaths() : QStringList();
}

void FileActions::showFailure(const Failure& failure)
{
    showFailureSheet(failure, m_window);
}

void FileActions::launchInBackground(std::function<QString()> launch, std::function<Failure(const QString&)> failure)
{
    // What failed is said as found out on the pool: saying why may read the
    // disk (an application set up that needs a terminal).
    const auto work = [launch = std::move(launch), failure = std::move(failure)] {
        const QString failed = launch();
        return failed.isNull() ? Failure{} : failure(failed);
    };
    whenReady(runInBackground(work), this, [this](const Failure& failed) {
        showFailure(failed);
        emit launchAnswered();
    });
}

// --- opening ------------------------------------------------------------------------------

void FileActions::openFile()
{
    // Resolving links, finding an application that can run and starting it
    // (which may wait for it on the session bus) all happen off this thread.
    launchInBackground(
        [paths = selectedPaths()] {
            // One start of an application with all the files it opens.
            QList<URL> targets;
            for (const QString& path : paths) {
                const QString target = stringByResolvingLinkOfPath(path);
                if (!hasApplicationForPath(target))
                    return path;
                targets.append(URL::fileURLWithPath(target));
            }
            const QList<qsizetype> unopened = openURLsWithDefaults(targets);
            return unopened.isEmpty() ? QString() : paths.at(unopened.constFirst());
        },
        noApplicationFailure);
}

void FileActions::openWith(const QString& applicationPath)
{
    launchInBackground(
        [paths = selectedPaths(), applicationPath] {
            QList<URL> targets;
            for (const QString& path : paths)
                targets.append(URL::fileURLWithPath(stringByResolvingLinkOfPath(path)));
            return paths.isEmpty() || openURLs(targets, applicationPath, false) ? QString() : paths.constFirst();
        },
        noApplicationFailure);
}

void FileActions::openWith(QObject* sender)
{
    if (const auto* item = qobject_cast<const QAction*>(sender); item && !item->data().toString().isEmpty())
        openWith(item->data().toString());
}

void FileActions::revealFileInFinder()
{
    launchInBackground(
        [paths = selectedPaths()] {
            const bool viewer = hasFileViewer();
            for (const QString& path : paths) {
                if (!viewer || !selectFileInFileViewer(path))
                    return path;
            }
            return QString();
        },
        noFileViewerFailure);
}

void FileActions::showInfo()
{
    // The bus answers later whether a file manager took each request; the
    // first one refused is said, once.
    auto said = std::make_shared<bool>(false);
    for (const QString& path : selectedPaths()) {
        (void)showInfoInFileViewerForPath(path, this, [this, path, said](bool taken) {
            if (!taken && !*said) {
                *said = true;
                showFailure(noFileManagerFailure(path));
            }
        });
    }
}

void FileActions::addToQX()
{
    const QStringList paths = selectedPaths();
    if (paths.isEmpty())
        return;
    whenReady(runInBackground([paths] { return addFilesToQuirrel(paths); }), this, [this](bool taken) {
        if (taken || !m_window) {
            emit launchAnswered();
            return;
        }
        // Answered once the warning is: at once for OK, for Website when
        // the site's launch has answered.
        QMessageBox* alert = makeCriticalAlert(QStringLiteral("Warning"), QStringLiteral("OK"),
                                               QStringLiteral("Website"), QStringLiteral("Quirrel is not installed."),
                                               {}, m_window);
        alert->setObjectName(QStringLiteral("alert"));
        m_sheet = alert;
        beginSheetModalForWindow(alert, m_window, [this](int tag) {
            if (tag == kAlertAlternateReturn)
                showMakersWebsite(m_window, this, [this] { emit launchAnswered(); });
            else
                emit launchAnswered();
        });
    });
}

// --- deleting and copying -----------------------------------------------------------------

// The selected items as a Trash or Delete reads them, once.
struct FileActions::Chosen
{
    QList<ResultPointer> results; // to act on, in row order
    qsizetype underWay = 0; // selected items a running Trash or Delete holds
};

FileActions::Chosen FileActions::chosenItems() const
{
    Chosen chosen;
    if (!m_results || !m_search)
        return chosen;
    // A look-up of the row's mark per row and no path: 150,000 rows take a
    // few milliseconds of this thread. Their paths are made by the work's
    // own thread.
    const ResultsTableModel* model = m_search->model();
    const QList<int> rows = m_results->selectedRows();
    chosen.results.reserve(rows.size());
    for (const int row : rows) {
        ResultPointer result = model->resultAtRow(row);
        if (!result)
            continue;
        if (model->isUnderWay(result.get()))
            ++chosen.underWay;
        else
            chosen.results.append(std::move(result));
    }
    return chosen;
}

namespace {

// The full paths of `results`, in their order.
QStringList pathsOf(const QList<ResultPointer>& results)
{
    QStringList paths;
    paths.reserve(results.size());
    for (const ResultPointer& result : results)
        paths.append(result->fullPath());
    return paths;
}

// What the status line and the Delete question add when some selected
// items were left to a Trash or Delete already running.
QString underWayNote(qsizetype count)
{
    if (count <= 0)
        return {};
    return count == 1 ? QCoreApplication::translate("FileActions",
                                                    "1 other selected item is already being moved or deleted.")
                      : QCoreApplication::translate("FileActions",
                                                    "%1 other selected items are already being moved or deleted.")
                            .arg(stringForInteger(count));
}

} // namespace

void FileActions::moveToTrash()
{
    deleteItems(true, chosenItems());
}

void FileActions::destroy()
{
    // The items asked about are the items deleted: the answer may come
    // after another deletion has ended and changed the selection.
    const Chosen chosen = chosenItems();
    if (chosen.results.isEmpty())
        return;
    QString question = deleteItemsQuestion(pathsOf(chosen.results));
    if (chosen.underWay > 0)
        question += u' ' + underWayNote(chosen.underWay);
    if (askAlert(QStringLiteral("Warning"), question, QStringLiteral("Cancel"), QStringLiteral("Delete")))
        deleteItems(false, chosen);
}

bool FileActions::askAlert(const QString& title, const QString& message, const QString& defaultButton,
                           const QString& alternateButton)
{
    if (m_alertHandler)
        return m_alertHandler(cachedLocalizedStringForKey(title), cachedLocalizedStringForKey(message),
                              cachedLocalizedStringForKey(defaultButton), cachedLocalizedStringForKey(alternateButton));
    // Only the alternate button acts: the default one and an alert that
    // could not be shown (-2) both count as Cancel. The message goes as an
    // argument, never as the format: a name it quotes may hold "%".
    return runAlertPanel(title, QStringLiteral("%@"), defaultButton, alternateButton,
                         {cachedLocalizedStringForKey(message)})
        == kAlertAlternateReturn;
}

// A Trash or Delete of the window's selection while it runs. Its thread
// adds the places (in `results`) of the items it took off the disk to
// `gone`; the interface thread takes them about ten times a second and
// drops their rows, at most kRowsPerSlice at a time, so the rows follow
// the disk without a turn of the event loop per item and no turn grows
// with the items that went at once.
//
// Threads: `results` is made before the work's thread starts and never
// changes; that thread reads it (and each Result, which does not change
// once made) to make the paths. Starting a std::thread orders what this
// thread wrote before it, which ThreadSanitizer sees.
struct FileActions::Deletion
{
    explicit Deletion(QList<ResultPointer> chosen) : results(std::move(chosen)) {}
    // The results its rows held are freed on the pool: freeing 150,000 of
    // them takes longer than a turn of the interface thread's event loop.
    ~Deletion()
    {
        if (!results.isEmpty())
            (void)runInBackground([held = std::move(results)]() mutable { held.clear(); });
    }
    Deletion(const Deletion&) = delete;
    Deletion& operator=(const Deletion&) = delete;

    QList<ResultPointer> results; // the items chosen, in row order; never changes before the end
    // The row of a single item, whose place goes to the row then there; -1.
    int remembered = -1;
    qsizetype underWay = 0; // selected items left to other deletions
    std::shared_ptr<const FileOperation> operation; // the phase running; null between
    std::mutex mutex;
    QList<qsizetype> gone; // places in results; guarded by mutex
    qsizetype taken = 0;   // of gone, by the interface thread; guarded by mutex

    void noteGone(qsizetype at)
    {
        const std::lock_guard lock(mutex);
        gone.append(at);
    }
    // The oldest `most` places noted and not taken yet.
    [[nodiscard]] QList<qsizetype> takeGone(qsizetype most)
    {
        const std::lock_guard lock(mutex);
        const qsizetype count = std::min(most, gone.size() - taken);
        QList<qsizetype> places = gone.mid(taken, count);
        taken += count;
        if (taken == gone.size()) {
            gone.clear();
            taken = 0;
        }
        return places;
    }
    [[nodiscard]] bool hasGone()
    {
        const std::lock_guard lock(mutex);
        return taken < gone.size();
    }
};

namespace {

// Hears the items a phase of a deletion took off the disk, on the work's
// thread, and notes their places in `paths` (made of its results). Both
// loops go through their items in the order given, which keeps the order of
// `paths`: each item gone lies after the last one found, and the search
// passes over `paths` once in all.
//   paths {"/a", "/b", "/c"}: gone "/a", "/c" => places 0, 2
class GoneInOrder
{
public:
    GoneInOrder(std::function<void(qsizetype at)> note, const QStringList& paths)
        : m_note(std::move(note)), m_paths(paths)
    {
    }
    void operator()(const QString& path)
    {
        while (m_next < m_paths.size() && m_paths.at(m_next) != path)
            ++m_next;
        if (m_next < m_paths.size())
            m_note(m_next++);
    }

private:
    std::function<void(qsizetype at)> m_note;
    const QStringList& m_paths;
    qsizetype m_next = 0;
};

} // namespace

QList<ItemLeft> trashItems(const QStringList& paths, FileOperation& operation, const TrashItem& trash,
                           const GoneItem& gone)
{
    QList<ItemLeft> refused;
    for (const QString& path : paths) {
        if (operation.shouldStop())
            break;
        FileError error;
        if (trash(path, &error)) {
            operation.itemDone();
            gone(path);
            continue;
        }
        refused.append({path, error.code, {}});
        operation.itemsFailed();
    }
    return refused;
}

Removal removeItemsOf(const QStringList& paths, const QStringList& toRemove, FileOperation& operation,
                      const RemoveItem& remove, const GoneItem& gone)
{
    const std::function<bool()> shouldStop = [&operation] { return operation.shouldStop(); };
    // The total grows as each item is counted: an item not counted yet
    // counts one, so a stop while counting still leaves a total to say.
    QList<qint64> counts;
    qint64 total = toRemove.size();
    for (const QString& path : toRemove) {
        const qint64 count = countRemovalItems(path, shouldStop);
        if (count < 0 && operation.shouldStop())
            break;
        // Nothing there: nothing to remove, nothing left.
        counts.append(std::max<qint64>(count, 0));
        total += counts.constLast() - 1;
        operation.setTotal(total);
    }
    Removal removal;
    QHash<QString, ItemLeft> failures;
    for (qsizetype i = 0; i < counts.size() && !operation.shouldStop(); ++i) {
        const QString& path = toRemove.at(i);
        qint64 removed = 0;
        RemovalProgress progress;
        progress.shouldStop = shouldStop;
        progress.removed = [&operation, &removed](qint64 soFar) {
            operation.itemsDone(soFar - removed);
            removed = soFar;
        };
        FileError error;
        if (remove(path, &error, progress)) {
            // What vanished meanwhile was not removed here, and is gone.
            if (counts.at(i) > removed)
                operation.itemsDone(counts.at(i) - removed);
            gone(path);
        } else if (error.code == ECANCELED && operation.shouldStop()) {
            break;
        } else {
            // Each item keeps its own reason, and the mount point it names.
            failures.insert(path, {path, error.code, isMountPointLeft(error) ? error.path : QString()});
            removal.failed = true;
            operation.itemsFailed(std::max<qint64>(counts.at(i) - removed, 1));
        }
    }
    // Stopped, the process is quitting: nothing reads what stayed.
    if (operation.shouldStop())
        return removal;
    for (const QString& path : paths) {
        if (itemExistsAtPath(path))
            removal.remaining.append(failures.value(path, ItemLeft{path, 0, {}}));
    }
    return removal;
}

QString FileActions::progressText() const
{
    QStringList said;
    for (const std::shared_ptr<Deletion>& deletion : m_deletions) {
        if (!deletion->operation)
            continue;
        said.append(fileOperationProgress(UserFileWork::Progress::of(*deletion->operation)));
        if (deletion->underWay > 0)
            said.last() += u' ' + underWayNote(deletion->underWay);
    }
    return said.isEmpty() ? QString() : said.join(QStringLiteral("  "));
}

void FileActions::dropGoneRows()
{
    QList<ResultPointer> gone;
    bool more = false;
    // Each item is heard once: the Trash hears what it took, the removal
    // after it only what the Trash refused.
    for (const std::shared_ptr<Deletion>& deletion : m_deletions) {
        for (const qsizetype at : deletion->takeGone(kRowsPerSlice - gone.size()))
            gone.append(deletion->results.at(at));
        more = more || deletion->hasGone();
    }
    // One removal for all: each is a pass over the shown rows.
    if (!gone.isEmpty() && m_search) {
        m_search->model()->removeResults(gone);
        // Brings the badge and the found count up to the rows.
        m_search->showPendingResults();
    }
    if (more)
        m_slice.start();
    emit progressChanged();
    // What waited for a deletion's rows to leave goes on; it may end the
    // deletion (and so come back here), so the ready ones are taken first.
    QList<std::function<void()>> ready;
    for (auto it = m_afterRows.begin(); it != m_afterRows.end();) {
        if (it->first->hasGone()) {
            ++it;
            continue;
        }
        ready.append(std::move(it->second));
        it = m_afterRows.erase(it);
    }
    for (const std::function<void()>& then : ready)
        then();
}

void FileActions::afterGoneRows(const std::shared_ptr<Deletion>& deletion, std::function<void()> then)
{
    if (!deletion->hasGone()) {
        then();
        return;
    }
    m_afterRows.append({deletion, std::move(then)});
    m_slice.start();
}

void FileActions::deleteItems(bool trash, const Chosen& chosen)
{
    if (!m_results || !m_search)
        return;
    ResultsTableModel* model = m_search->model();
    // An item a deletion took while the question was up is left to it.
    QList<ResultPointer> results = chosen.results;
    if (model->hasUnderWay())
        results.removeIf([model](const ResultPointer& result) { return model->isUnderWay(result.get()); });
    if (results.isEmpty())
        return;
    auto deletion = std::make_shared<Deletion>(std::move(results));
    deletion->underWay = chosen.underWay;
    // The place of a single item, as it is now: rows may have left since
    // the selection was read.
    if (deletion->results.size() == 1)
        deletion->remembered = model->rowsOfPaths({deletion->results.constFirst()->fullPath()}).value(0, -1);
    m_deletions.append(deletion);
    model->setUnderWay(deletion->results, true);
    if (!m_progress.isActive())
        m_progress.start();
    emit underWayChanged();
    if (!trash) {
        removeItems(deletion, std::nullopt, false);
        return;
    }
    // What the Trash takes goes there, off this thread, as the user's own
    // work, which quitting waits for (user_file_work.h). An item is renamed
    // into the trash of its own volume, never copied; the Trash refuses an
    // item no trash there takes. Only the refused items are asked about, by
    // name and each with its own reason, and only they are deleted when the
    // answer is Delete.
    const auto moveToTrash = [deletion, trash = m_trash](FileOperation& operation) {
        const QStringList paths = pathsOf(deletion->results);
        GoneInOrder gone([&deletion](qsizetype at) { deletion->noteGone(at); }, paths);
        return trashItems(paths, operation, trash, gone);
    };
    const qsizetype total = deletion->results.size();
    whenReady(UserFileWork::shared().start(FileOperation::Kind::Trash, total, moveToTrash, &deletion->operation),
              this, [this, deletion](const QList<ItemLeft>& refused) {
                  // The Trash has ended: the status line says nothing of
                  // it while its rows leave and its question is up.
                  deletion->operation.reset();
                  afterGoneRows(deletion, [this, deletion, refused] {
                      // Quitting (the quit question is up) starts no
                      // deletion and asks nothing more: the refused items
                      // stay.
                      const bool remove = refused.isEmpty()
                          || (!UserFileWork::shared().quitPending()
                              && askAlert(QStringLiteral("Warning"), trashRefusalQuestion(refused),
                                          QStringLiteral("Cancel"), QStringLiteral("Delete")));
                      QStringList paths;
                      for (const ItemLeft& item : refused)
                          paths.append(item.path);
                      removeItems(deletion, paths, !remove);
                  });
              });
}

void FileActions::removeItems(const std::shared_ptr<Deletion>& deletion, const std::optional<QStringList>& refused,
                              bool declined)
{
    const QStringList toRemove = refused.value_or(QStringList());
    // Declined, the items asked about stay where they are, and selected.
    // The removal is the user's own work, which quitting waits for; the
    // items still there are then read to say what stayed.
    const auto finish = [this, deletion, toRemove, declined](const Removal& removal) {
        endDeletion(deletion);
        if (!m_results || !m_search)
            return;
        // A selection the user made since, or one a question is about,
        // stays as it is: only this deletion's own selection moves.
        const bool own = isSelectionOf(*deletion);
        if (own)
            m_results->clearSelection();
        m_search->removeGoneResults([this, toRemove, declined, own, remembered = deletion->remembered] {
            // The items the user chose to keep stay selected; otherwise a
            // single deleted row's place goes to the row now there.
            ResultsView* results = m_results.data();
            if (own && results && m_search && !results->selectionModel()->hasSelection()) {
                const QList<int> kept = declined ? m_search->model()->rowsOfPaths(toRemove) : QList<int>();
                const int count = results->model()->rowCount();
                if (!kept.isEmpty())
                    results->selectRows(kept);
                else if (remembered >= 0 && count > 0)
                    results->selectRows({std::min(remembered, count - 1)});
            }
            emit deletionFinished();
        });
        // What is still there and the user did not choose to keep is said.
        if (removal.failed)
            showFailure(deletionFailure(removal.remaining));
    };
    // Nothing to remove (declined, or all went to the Trash): no operation,
    // which quitting would wait for and log.
    const qsizetype total = refused ? refused->size() : deletion->results.size();
    if (declined || total == 0) {
        finish(Removal{});
        return;
    }
    // The paths are made on the work's thread, as for the Trash.
    const auto work = [refused, deletion, remove = m_remove](FileOperation& operation) {
        const QStringList paths = pathsOf(deletion->results);
        GoneInOrder gone([&deletion](qsizetype at) { deletion->noteGone(at); }, paths);
        return removeItemsOf(paths, refused.value_or(paths), operation, remove, gone);
    };
    whenReady(UserFileWork::shared().start(FileOperation::Kind::Delete, total, work, &deletion->operation), this,
              [this, deletion, finish](const Removal& removal) {
                  afterGoneRows(deletion, [finish, removal] { finish(removal); });
              });
}

bool FileActions::isSelectionOf(const Deletion& deletion) const
{
    if (!m_results || !m_search)
        return true;
    const QList<int> selected = m_results->selectedRows();
    if (selected.isEmpty())
        return true;
    // Read once, at the end, and only for a selection left.
    QSet<const Result*> items;
    items.reserve(deletion.results.size());
    for (const ResultPointer& result : deletion.results)
        items.insert(result.get());
    const ResultsTableModel* model = m_search->model();
    return std::all_of(selected.cbegin(), selected.cend(), [&items, model](int row) {
        const ResultPointer result = model->resultAtRow(row);
        return !result || items.contains(result.get());
    });
}

void FileActions::endDeletion(const std::shared_ptr<Deletion>& deletion)
{
    dropGoneRows();
    m_deletions.removeOne(deletion);
    if (m_search)
        m_search->model()->setUnderWay(deletion->results, false);
    if (m_deletions.isEmpty())
        m_progress.stop();
    emit progressChanged();
    emit underWayChanged();
}

void FileActions::copy()
{
    if (!m_results || !m_search)
        return;
    const QModelIndexList rows = m_results->selectionModel()->selectedRows();
    if (!rows.isEmpty())
        QApplication::clipboard()->setMimeData(m_search->model()->mimeData(rows));
}

} // namespace sorvant
