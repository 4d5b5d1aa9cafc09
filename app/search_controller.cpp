#include "app/search_controller.h"

#include "app/results_table_model.h"
#include "foundation/number_formatting.h"
#include "interface/badge.h"
#include "platform/background_work.h"

#include <QApplication>
#include <QSaveFile>
#include <QTimer>
#include <QWidget>

#include <memory>
#include <utility>

namespace sorvant {

namespace {

// The refresh timer's period.
constexpr int kRefreshMilliseconds = 250;
// The status line changes between flushes once per this many examined items.
constexpr std::uint64_t kDoneStep = 1001;
// Prepared rows merged at once: one linear pass over the shown rows each.
constexpr qsizetype kMergeRows = 8192;

} // namespace

SearchController::SearchController(UserDefaults& defaults, QWidget* window)
    : QObject(window),
      m_window(window),
      m_engine(std::make_unique<SearchEngine>(static_cast<SearchEngineOwner&>(*this), defaults)),
      m_model(m_engine->dataSource())
{
    m_timer = new QTimer(this);
    connect(m_timer, &QTimer::timeout, this, &SearchController::refresh);
    m_timer->start(kRefreshMilliseconds);
    m_feeder = new QTimer(this);
    m_feeder->setSingleShot(true);
    m_feeder->setInterval(0);
    connect(m_feeder, &QTimer::timeout, this, &SearchController::feed);
}

SearchController::~SearchController()
{
    // The worker must end before the model it reports to goes.
    m_engine->stopSearch();
    if (m_found > 0)
        decreaseBadgeLabel(m_found);
}

bool SearchController::start(const SearchRequest& request)
{
    // A search under way is only asked to stop: its worker reads the record.
    if (m_engine->isSearching())
        return m_engine->search(request.phrase, request.path);
    applySearchRequest(m_engine->params(), request);
    // A pattern that does not compile is refused by the engine with the
    // results on screen left as they are.
    if (m_engine->invalidPatternMessage(request.phrase).isNull())
        clearResults();
    const bool started = m_engine->search(request.phrase, request.path);
    if (started) {
        m_countsShown = true;
        m_stopped = false;
    }
    return started;
}

void SearchController::requestStop()
{
    if (m_engine->isSearching())
        m_stopped = true;
    m_engine->requestStop();
}

void SearchController::clearResults()
{
    m_sortPending = false;
    m_merging = false;
    ++m_sortRequest;
    m_preparing.reset();
    m_ready.reset();
    m_readyFrom = 0;
    ++m_generation;
    m_waiting.clear();
    m_waitingFrom = 0;
    m_endPending = false;
    m_feeder->stop();
    m_done = m_shownDone = 0;
    m_countsShown = false;
    m_stopped = false;
    // A new search is the one time the table is reset.
    m_model.removeAllResults();
    updateBadge();
    runAfterMerge();
}

void SearchController::finish()
{
    m_engine->stopSearch();
    m_timer->stop();
}

void SearchController::refresh()
{
    ResultsBatch batch = m_engine->takeResults();
    if (m_countsShown)
        m_done = batch.done;
    if (batch.handedOver) {
        if (m_waiting.isEmpty()) {
            m_waiting = std::move(batch.results);
            m_waitingFrom = 0;
        } else {
            m_waiting.append(batch.results);
        }
        m_endPending = m_endPending || batch.ended;
        feed();
    } else if (m_done - m_shownDone >= kDoneStep) {
        emit statusTextChanged(statusText());
        m_shownDone = m_done;
    }
}

void SearchController::feed()
{
    if (m_sortPending || m_merging)
        return; // fed again once the re-sort or the merge is in place
    if (m_ready) {
        const ResultsDataSource& shown = m_engine->dataSource();
        if (shown.results().size() >= kMergeElsewhereRows && shown.isSorted())
            mergeElsewhere();
        else
            mergeReadySlice();
        return;
    }
    // The batch under preparation feeds again when it is ready.
    if (m_preparing)
        return;
    const ResultsDataSource& results = m_engine->dataSource();
    if (m_waitingFrom < m_waiting.size()) {
        // Keys and order of the whole batch on the thread pool; here only
        // the merge, one per hand-off.
        m_preparing = m_waiting.mid(m_waitingFrom);
        m_waiting.clear();
        m_waitingFrom = 0;
        const quint64 generation = m_generation;
        const auto prepare = [batch = *m_preparing, sorting = results.sorting(), reverse = results.isReverseSorting()] {
            return ResultsDataSource::prepareResults(batch, sorting, reverse);
        };
        whenReady(runInBackground(prepare), this, [this, generation](ResultsDataSource::PreparedResults prepared) {
            // Dropped when the table was emptied or took the batch itself.
            if (generation != m_generation)
                return;
            m_preparing.reset();
            m_ready = std::move(prepared);
            m_readyFrom = 0;
            // The first slice on the next turn, not in this one.
            m_feeder->start();
        });
        return;
    }
    updateBadge();
    m_waiting.clear();
    m_waitingFrom = 0;
    showStatus(m_done);
    if (m_endPending)
        endSearch();
}

void SearchController::mergeReadySlice()
{
    // A slice of the sorted batch per turn: each merge is one linear pass
    // over the shown rows, so the turns stay short however large the batch.
    const qsizetype count = std::min(kMergeRows, m_ready->results.size() - m_readyFrom);
    ResultsDataSource::PreparedResults slice;
    slice.sorting = m_ready->sorting;
    slice.reverse = m_ready->reverse;
    slice.results = m_ready->results.mid(m_readyFrom, count);
    const auto keys = m_ready->keys.begin() + m_readyFrom;
    slice.keys.assign(std::make_move_iterator(keys), std::make_move_iterator(keys + count));
    m_model.insertPrepared(std::move(slice));
    m_readyFrom += count;
    updateBadge();
    if (m_readyFrom < m_ready->results.size()) {
        m_feeder->start();
        return;
    }
    m_ready.reset();
    m_readyFrom = 0;
    feed();
}

void SearchController::mergeElsewhere()
{
    ResultsDataSource::PreparedResults rest;
    rest.sorting = m_ready->sorting;
    rest.reverse = m_ready->reverse;
    rest.results = m_ready->results.mid(m_readyFrom);
    rest.keys.assign(std::make_move_iterator(m_ready->keys.begin() + m_readyFrom),
                     std::make_move_iterator(m_ready->keys.end()));
    m_ready.reset();
    m_readyFrom = 0;
    m_merging = true;
    auto work = std::make_shared<ResultsDataSource::MergeWork>(m_engine->dataSource().takeMergeWork(std::move(rest)));
    const quint64 generation = m_generation;
    whenReady(runInBackground([work] {
                  ResultsDataSource::prepareMerge(*work);
                  return true;
              }),
              this, [this, work, generation](bool) {
                  // What the rows were and the work's copies of their keys
                  // are freed on the pool: 140,000 of them take longer than
                  // a turn of this thread's loop.
                  const auto freeElsewhere = [work] {
                      auto leftovers = std::make_shared<ResultsDataSource::MergeWork>(std::move(*work));
                      (void)runInBackground([leftovers]() mutable { leftovers.reset(); });
                  };
                  // Dropped when the table was emptied or took the batch itself.
                  if (generation != m_generation) {
                      freeElsewhere();
                      return;
                  }
                  m_merging = false;
                  if (!m_model.applyMerge(*work)) {
                      // Rows were removed meanwhile: the batch is merged
                      // again into the rows as they are now.
                      m_waiting = work->batch.results + m_waiting.mid(m_waitingFrom);
                      m_waitingFrom = 0;
                  }
                  freeElsewhere();
                  updateBadge();
                  runAfterMerge();
                  feed();
              });
}

void SearchController::runAfterMerge()
{
    const std::vector<std::function<void()>> waiting = std::exchange(m_afterMerge, {});
    for (const std::function<void()>& step : waiting)
        step();
}

void SearchController::endSearch()
{
    m_endPending = false;
    dumpResultsIfAsked();
    emit searchDidEnd();
}

void SearchController::showPendingResults()
{
    if (m_sortPending || m_merging) {
        // The rows keep no keys while a re-sort or a merge is on the pool:
        // the results join them once it is in place.
        m_waiting.append(m_engine->takePendingResults());
        return;
    }
    if (m_ready) {
        m_waiting = m_ready->results.mid(m_readyFrom) + m_waiting.mid(m_waitingFrom);
        m_waitingFrom = 0;
        m_ready.reset();
        m_readyFrom = 0;
    }
    if (m_preparing) {
        m_waiting = *m_preparing + m_waiting.mid(m_waitingFrom);
        m_waitingFrom = 0;
        m_preparing.reset();
        ++m_generation;
    }
    m_waiting.append(m_engine->takePendingResults());
    m_feeder->stop();
    m_model.insertResults(m_waiting.mid(m_waitingFrom));
    m_waiting.clear();
    m_waitingFrom = 0;
    updateBadge();
    showStatus(m_engine->params().nDone.load());
    if (m_endPending)
        endSearch();
}

void SearchController::sort(std::uint64_t key, bool reverse)
{
    if (m_merging) {
        // The rows' keys are on the pool with the merge: the re-sort
        // follows it (resultsSorted says when it is in place).
        m_afterMerge.push_back([this, key, reverse] { sort(key, reverse); });
        return;
    }
    showPendingResults();
    ResultsDataSource& results = m_engine->dataSource();
    // Comments are read from the disk for their keys: never here.
    if (results.results().size() < kSortElsewhereRows && key != kSortByComment && !m_sortPending) {
        m_model.sort(key, reverse);
        emit resultsSorted();
        return;
    }
    // Making 140,000 keys and sorting them takes a few hundred ms: on the
    // pool, with the rows left as they are until the order is ready.
    auto work = std::make_shared<ResultsDataSource::SortWork>(results.takeSortWork(key, reverse));
    m_sortPending = true;
    const quint64 request = ++m_sortRequest;
    whenReady(runInBackground([work] {
                  ResultsDataSource::prepareSort(*work);
                  return true;
              }),
              this, [this, work, request, key, reverse](bool) {
                  if (request != m_sortRequest)
                      return; // a later re-sort or a new search replaced it
                  m_sortPending = false;
                  // Rows removed meanwhile: sorted again as they are now.
                  if (!m_model.applySort(std::move(*work))) {
                      sort(key, reverse);
                      return;
                  }
                  emit resultsSorted();
                  feed();
              });
}

void SearchController::restoreSorting(std::uint64_t key, bool reverse)
{
    m_engine->dataSource().setSorting(key, reverse);
    m_model.reload();
}

std::uint64_t SearchController::sorting() const
{
    return m_engine->dataSource().sorting();
}

bool SearchController::isReverseSorting() const
{
    return m_engine->dataSource().isReverseSorting();
}

void SearchController::removeGoneResults(std::function<void()> done)
{
    if (m_merging) {
        m_afterMerge.push_back([this, done = std::move(done)] { removeGoneResults(done); });
        return;
    }
    showPendingResults();
    // Rows are matched by identity when the answer comes: rows inserted,
    // moved or emptied meanwhile need no generation check.
    const auto test = [shown = m_engine->dataSource().results()] { return ResultsDataSource::goneResults(shown); };
    whenReady(runInBackground(test), this, [this, done = std::move(done)](const QList<ResultPointer>& gone) {
        if (!gone.isEmpty()) {
            m_model.removeResults(gone);
            updateBadge();
            showStatus(m_engine->params().nDone.load());
            emit rowsChanged();
        }
        if (done)
            done();
    });
}

void SearchController::updateBadge()
{
    const quint64 count = m_engine->dataSource().count();
    if (count > m_found)
        increaseBadgeLabel(count - m_found);
    else if (count < m_found)
        decreaseBadgeLabel(m_found - count);
    m_found = count;
}

void SearchController::showStatus(std::uint64_t done)
{
    m_done = m_countsShown ? done : 0;
    m_shownDone = m_done;
    emit statusTextChanged(statusText());
}

QString SearchController::statusText() const
{
    const std::uint64_t count = m_engine->dataSource().count();
    const QString counts =
        count >= m_done ? tr("%1 found").arg(stringForInteger(qint64(count)))
                        : tr("%1 found/%2 done").arg(stringForInteger(qint64(count)), stringForInteger(qint64(m_done)));
    return m_stopped ? tr("Stopped: %1").arg(counts) : counts;
}

// A test harness (and anyone scripting the window) may ask, through
// SORVANT_RESULTS_FILE, for the full paths of the shown results, one a
// line as their bytes on disk, written when each search ends. The list
// takes the file's place whole, so a reader never sees part of it.
void SearchController::dumpResultsIfAsked() const
{
    const QString target = qEnvironmentVariable("SORVANT_RESULTS_FILE");
    if (target.isEmpty())
        return;
    QSaveFile file(target);
    if (!file.open(QIODevice::WriteOnly))
        return;
    for (const ResultPointer& result : m_engine->dataSource().results())
        file.write(result->fileSystemPath() + '\n');
    (void)file.commit();
}

// --- SearchEngineOwner ---------------------------------------------------------------

void SearchController::beep()
{
    QApplication::beep();
}

void SearchController::requestAttentionWhenInactive()
{
    if (m_window && !m_window->isActiveWindow())
        QApplication::alert(m_window);
}

QStringList SearchController::localVolumePaths()
{
    return mountedLocalVolumePaths();
}

QStringList SearchController::removableMedia()
{
    return mountedRemovableMediaPaths();
}

void SearchController::didUpdateResultInfo(const ResultPointer& result)
{
    m_model.resultDidChange(result.get());
}

} // namespace sorvant
