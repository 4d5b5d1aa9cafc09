#include "app/results_roles_resolver.h"

#include "app/results_table_model.h"
#include "platform/background_work.h"
#include "system/workspace_icons.h"

#include <QElapsedTimer>

#include <algorithm>
#include <climits>

namespace sorvant {

namespace {

// The longest a pass looks for unknown values on the interface thread: a
// look costs a lock, so 140,000 known rows are passed over in a few turns.
constexpr qint64 kPassMilliseconds = 4;

} // namespace

ResultsRolesResolver::ResultsRolesResolver(ResultsTableModel& model) : QObject(&model), m_model(model)
{
    m_scheduled.setSingleShot(true);
    m_scheduled.setInterval(0);
    connect(&m_scheduled, &QTimer::timeout, this, &ResultsRolesResolver::pass);
    connect(&model, &QAbstractItemModel::rowsInserted, this,
            [this](const QModelIndex&, int first, int) { rowsChanged(first); });
    connect(&model, &QAbstractItemModel::rowsRemoved, this,
            [this](const QModelIndex&, int first, int) { rowsChanged(first); });
    connect(&model, &QAbstractItemModel::layoutChanged, this, [this] { rowsChanged(); });
    connect(&model, &QAbstractItemModel::modelReset, this, [this] { rowsChanged(); });
    // A type's icon became ready: the rows in view are drawn again.
    connect(&TypeIconLoading::shared(), &TypeIconLoading::typeIconsDidLoad, this, [this] {
        const int last = std::min(m_lastVisible, m_model.rowCount() - 1);
        if (m_firstVisible <= last)
            m_model.rowsDidChange(m_firstVisible, last, ResultsTableModel::kFileColumn, ResultsTableModel::kFileColumn);
    });
}

void ResultsRolesResolver::setRoles(unsigned roles)
{
    if (roles == m_roles)
        return;
    m_roles = roles;
    schedule();
}

void ResultsRolesResolver::setVisibleRows(int first, int last)
{
    if (first == m_firstVisible && last == m_lastVisible)
        return;
    m_firstVisible = std::max(first, 0);
    m_lastVisible = last;
    m_scheduled.start();
}

void ResultsRolesResolver::resolve(Result& result, unsigned roles)
{
    if (roles & kKindRole)
        (void)result.kind();
    if (roles & kTagsRole)
        (void)result.tags();
    if (roles & kCommentRole)
        (void)result.comment();
    if (roles & kInfoRole)
        result.resolveInfo();
}

bool ResultsRolesResolver::isResolved(const Result& result, unsigned roles)
{
    // The information text of a type that has none stays null: it counts
    // as known once its computation started.
    return (!(roles & kKindRole) || !result.knownKind().isNull())
           && (!(roles & kTagsRole) || result.knownTags().has_value())
           && (!(roles & kCommentRole) || !result.knownComment().isNull())
           && (!(roles & kInfoRole) || result.isInfoSettled());
}

void ResultsRolesResolver::schedule(int fromRow)
{
    m_cursor = std::min(m_cursor, std::max(fromRow, 0));
    m_scheduled.start();
}

void ResultsRolesResolver::rowsChanged(int fromRow)
{
    ++m_rowsGeneration;
    schedule(fromRow);
}

void ResultsRolesResolver::pass()
{
    const int rows = m_model.rowCount();
    if (m_running >= kMaxRunning)
        return; // passed again as a batch ends
    if (m_roles == 0 || rows == 0) {
        if (m_running == 0)
            emit idle();
        return;
    }
    // The rows in view first.
    QList<ResultPointer> batch;
    int first = INT_MAX;
    int last = -1;
    const auto take = [&](int row) {
        const ResultPointer result = m_model.resultAtRow(row);
        if (!result || m_inFlight.contains(result.get()) || isResolved(*result, m_roles))
            return false;
        batch.append(result);
        first = std::min(first, row);
        last = std::max(last, row);
        return true;
    };
    for (int row = m_firstVisible; row <= std::min(m_lastVisible, rows - 1) && batch.size() < kVisibleBatch; ++row)
        (void)take(row);
    if (!batch.isEmpty()) {
        start(std::move(batch), first, last);
        m_scheduled.start();
        return;
    }
    // Then the rest, from where the last pass stopped.
    QElapsedTimer clock;
    clock.start();
    while (m_cursor < rows && batch.size() < kBackgroundBatch) {
        if (!take(m_cursor) && clock.hasExpired(kPassMilliseconds))
            break;
        ++m_cursor;
    }
    if (!batch.isEmpty() || m_cursor < rows) {
        if (!batch.isEmpty())
            start(std::move(batch), first, last);
        m_scheduled.start(); // the next batch, or the rest of the rows to look at
    } else if (m_running == 0) {
        emit idle();
    }
}

void ResultsRolesResolver::start(QList<ResultPointer> batch, int first, int last)
{
    ++m_running;
    for (const ResultPointer& result : std::as_const(batch))
        m_inFlight.insert(result.get());
    const unsigned roles = m_roles;
    // The answer holds the batch too: an address stays its result's while
    // it is in m_inFlight (the pool drops its copy before the answer comes,
    // and rows removed meanwhile would free their results).
    whenReady(runInBackground([batch, roles] {
                  for (const ResultPointer& result : batch)
                      resolve(*result, roles);
                  return true;
              }),
              this, [this, first, last, batch, roles, generation = m_rowsGeneration](bool) {
                  --m_running;
                  for (const ResultPointer& result : batch)
                      m_inFlight.remove(result.get());
                  announce(batch, first, last, generation, roles);
                  m_scheduled.start();
              });
}

void ResultsRolesResolver::announce(const QList<ResultPointer>& batch, int first, int last, quint64 rowsGeneration,
                                    unsigned roles)
{
    // The columns that show `roles`.
    const struct
    {
        unsigned role;
        int column;
    } shown[] = {{kKindRole, ResultsTableModel::kKindColumn},
                 {kTagsRole, ResultsTableModel::kTagsColumn},
                 {kCommentRole, ResultsTableModel::kCommentColumn},
                 {kInfoRole, ResultsTableModel::kInfoColumn}};
    int firstColumn = INT_MAX;
    int lastColumn = -1;
    for (const auto& [role, column] : shown) {
        if (roles & role) {
            firstColumn = std::min(firstColumn, column);
            lastColumn = std::max(lastColumn, column);
        }
    }
    const int rows = m_model.rowCount();
    if (rowsGeneration != m_rowsGeneration) {
        // The rows moved: those in view that hold the batch's results.
        QSet<const Result*> read;
        read.reserve(batch.size());
        for (const ResultPointer& result : batch)
            read.insert(result.get());
        first = INT_MAX;
        last = -1;
        for (int row = m_firstVisible; row <= std::min(m_lastVisible, rows - 1); ++row) {
            if (read.contains(m_model.resultAtRow(row).get())) {
                first = std::min(first, row);
                last = row;
            }
        }
    }
    last = std::min(last, rows - 1);
    if (first <= last && firstColumn <= lastColumn)
        m_model.rowsDidChange(first, last, firstColumn, lastColumn);
}

} // namespace sorvant
