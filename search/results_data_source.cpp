#include "search/results_data_source.h"

#include "platform/collation.h"
#include "platform/scan_work.h"

#include <QSet>

#include <sys/stat.h>

#include <cerrno>

#include <algorithm>
#include <iterator>
#include <memory>
#include <new>
#include <numeric>
#include <utility>
#include <vector>

namespace sorvant {

namespace {

int compareBytes(const QByteArray& a, const QByteArray& b)
{
    const int order = a.compare(b);
    return order < 0 ? -1 : (order > 0 ? 1 : 0);
}

// Later dates after earlier ones; a missing date before a present one.
int compareDates(const QDateTime& a, const QDateTime& b)
{
    if (!a.isValid() || !b.isValid())
        return a.isValid() == b.isValid() ? 0 : (a.isValid() ? 1 : -1);
    return a < b ? -1 : (b < a ? 1 : 0);
}

int compareRows(const ResultsDataSource::SortKeys& a, const ResultsDataSource::SortKeys& b, std::uint64_t key)
{
    int order = 0;
    switch (key) {
    case kSortByModified:
    case kSortByCreated:
        order = compareDates(a.date, b.date);
        break;
    case kSortBySize:
        order = a.size < b.size ? -1 : (a.size > b.size ? 1 : 0);
        break;
    case kSortByPath:
        order = compareBytes(a.path, b.path);
        return order ? order : compareBytes(a.name, b.name);
    case kSortByKind:
    case kSortByInfo:
    case kSortByComment:
        order = compareBytes(a.primary, b.primary);
        break;
    default:
        break;
    }
    if (order)
        return order;
    order = compareBytes(a.name, b.name);
    return order ? order : compareBytes(a.path, b.path);
}

std::uint64_t effectiveKey(std::uint64_t key)
{
    return key <= kSortByComment ? key : kSortByName;
}

} // namespace

// One hand-over of pending results, in their order, followed in the same
// allocation by the results themselves; the stack links the newest first.
struct ResultsDataSource::PendingNode
{
    PendingNode* next = nullptr;
    std::size_t count = 0;

    [[nodiscard]] ResultPointer* results() { return reinterpret_cast<ResultPointer*>(this + 1); }

    // A node holding `count` null results.
    static PendingNode* make(std::size_t count)
    {
        static_assert(alignof(ResultPointer) <= alignof(PendingNode));
        void* memory = ::operator new(sizeof(PendingNode) + count * sizeof(ResultPointer));
        auto* node = new (memory) PendingNode{nullptr, count};
        std::uninitialized_value_construct_n(node->results(), count);
        return node;
    }
    static void destroy(PendingNode* node)
    {
        std::destroy_n(node->results(), node->count);
        node->~PendingNode();
        ::operator delete(node);
    }
};

ResultsDataSource::~ResultsDataSource()
{
    (void)takePending(Clock::now());
}

void ResultsDataSource::addResult(ResultPointer result)
{
    if (!result)
        return;
    PendingNode* node = PendingNode::make(1);
    node->results()[0] = std::move(result);
    pushPending(node);
}

void ResultsDataSource::addResults(std::vector<ResultPointer>& results)
{
    // One node at the exact size of the batch, pushed in one step.
    const auto count = std::size_t(std::count_if(results.begin(), results.end(),
                                                 [](const ResultPointer& result) { return result != nullptr; }));
    if (count != 0) {
        PendingNode* node = PendingNode::make(count);
        ResultPointer* next = node->results();
        for (ResultPointer& result : results) {
            if (result)
                *next++ = std::move(result);
        }
        pushPending(node);
    }
    results.clear();
}

void ResultsDataSource::pushPending(PendingNode* node)
{
    // Once pushed, the node is the owner's, who may free it at once.
    const std::size_t count = node->count;
    node->next = m_pending.load(std::memory_order_relaxed);
    // Release: the results' fields are complete before the owner can see them.
    while (!m_pending.compare_exchange_weak(node->next, node, std::memory_order_release,
                                            std::memory_order_relaxed)) {
    }
    m_addedCount.fetch_add(count, std::memory_order_relaxed);
}

bool ResultsDataSource::shouldFlush(Clock::time_point now) const
{
    if (m_addedCount.load(std::memory_order_relaxed) == 0)
        return false;
    return !m_flush || now - *m_flush > kFlushInterval;
}

QList<ResultPointer> ResultsDataSource::takePending(Clock::time_point now)
{
    // The stack gives the newest first: its links are turned around, and
    // the list is made at its exact size, each result moved once.
    PendingNode* node = m_pending.exchange(nullptr, std::memory_order_acquire);
    PendingNode* oldest = nullptr;
    std::size_t count = 0;
    while (node) {
        PendingNode* next = node->next;
        node->next = oldest;
        oldest = node;
        count += node->count;
        node = next;
    }
    QList<ResultPointer> taken;
    if (count == 0)
        return taken;
    taken.reserve(qsizetype(count));
    for (node = oldest; node;) {
        std::move(node->results(), node->results() + node->count, std::back_inserter(taken));
        PendingNode* next = node->next;
        PendingNode::destroy(node);
        node = next;
    }
    m_addedCount.fetch_sub(count, std::memory_order_relaxed);
    m_flush = now;
    return taken;
}

bool ResultsDataSource::flushResults(Clock::time_point now)
{
    QList<ResultPointer> taken = takePending(now);
    if (taken.isEmpty())
        return false;
    m_sorted = false;
    if (m_results.isEmpty())
        m_results = std::move(taken);
    else
        m_results.append(std::move(taken));
    m_count = std::uint64_t(m_results.size());
    return true;
}

ResultsDataSource::ShownResults ResultsDataSource::takeAllResults()
{
    (void)takePending(Clock::now());
    ShownResults shown{std::exchange(m_results, {}), std::exchange(m_keys, {})};
    m_flush.reset();
    m_sorted = true;
    m_count = 0;
    return shown;
}

bool ResultsDataSource::updateResults(ShownResultsObserver* observer)
{
    return removeResults(goneResults(m_results), observer) > 0;
}

QList<ResultPointer> ResultsDataSource::goneResults(const QList<ResultPointer>& results)
{
    QList<ResultPointer> gone;
    for (const ResultPointer& result : results) {
        // By the bytes the file system gave: a name that is not UTF-8 names
        // another, missing file once it goes through UTF-8.
        const QByteArray path = result ? result->fileSystemPath() : QByteArray();
        struct stat status{};
        if (path.isEmpty() || ::lstat(path.constData(), &status) == 0)
            continue;
        if (errno == ENOENT || errno == ENOTDIR)
            gone.append(result);
    }
    countScanWork(results.size());
    return gone;
}

qsizetype ResultsDataSource::removeResults(const QList<ResultPointer>& gone, ShownResultsObserver* observer)
{
    if (gone.isEmpty() || m_results.isEmpty())
        return 0;
    QSet<const Result*> goneSet;
    goneSet.reserve(gone.size());
    for (const ResultPointer& result : gone)
        goneSet.insert(result.get());
    const qsizetype total = m_results.size();
    std::vector<bool> isGone(size_t(total), false);
    qsizetype runs = 0;
    qsizetype removed = 0;
    for (qsizetype row = 0; row < total; ++row) {
        isGone[size_t(row)] = goneSet.contains(m_results.at(row).get());
        if (isGone[size_t(row)]) {
            ++removed;
            runs += row == 0 || !isGone[size_t(row) - 1] ? 1 : 0;
        }
    }
    countScanWork(total);
    if (removed == 0)
        return 0;
    // Each removal costs a view a pass over the rows below it, as an insert
    // does: many runs move to the end in one reorder and leave as one range.
    if (runs <= kMaxInsertedRanges || runs * total <= kMaxMovedRows)
        removeRuns(isGone, observer);
    else
        removeAsOneRange(isGone, observer);
    return removed;
}

void ResultsDataSource::removeRuns(const std::vector<bool>& isGone, ShownResultsObserver* observer)
{
    // One pass from the top: the kept rows move down over the removed ones
    // as the pass goes, so each row moves at most once. While an observer
    // is told of a run, the rows after the gap answer through it
    // (resultAtIndex), so the list is whole as the observer sees it.
    const qsizetype total = m_results.size();
    const size_t keyed = m_keys.size();
    qsizetype kept = 0;     // rows in place at the top
    size_t keptKeys = 0;
    qsizetype next = 0;     // the first row not yet looked at
    const auto keep = [&](qsizetype end) {
        countScanWork(end - next);
        for (; next < end; ++next, ++kept) {
            const bool hasKey = size_t(next) < keyed;
            if (kept != next) {
                m_results[kept] = std::move(m_results[next]);
                if (hasKey)
                    m_keys[size_t(kept)] = std::move(m_keys[size_t(next)]);
            }
            keptKeys += hasKey ? 1 : 0;
        }
    };
    while (next < total) {
        qsizetype first = next;
        while (first < total && !isGone[size_t(first)])
            ++first;
        if (first == total)
            break;
        qsizetype end = first + 1;
        while (end < total && isGone[size_t(end)])
            ++end;
        keep(first);
        m_gapAt = kept;
        m_gapSize = first - kept;
        if (observer)
            observer->shownResultsWillRemove(kept, end - first);
        m_gapSize = end - kept;
        m_count = std::uint64_t(total - m_gapSize);
        if (observer)
            observer->shownResultsDidRemove();
        countScanWork(end - first);
        next = end;
    }
    keep(total);
    m_gapAt = m_gapSize = 0;
    m_results.resize(kept);
    m_keys.resize(keptKeys);
    m_count = std::uint64_t(kept);
}

void ResultsDataSource::removeAsOneRange(const std::vector<bool>& isGone, ShownResultsObserver* observer)
{
    // The kept rows first, in their order, then the gone ones. The keys
    // cover a prefix of the rows, and still do: the kept rows that have
    // keys come first, and the gone rows' keys are dropped.
    const qsizetype total = m_results.size();
    const size_t keyed = m_keys.size();
    if (observer)
        observer->shownResultsWillReorder();
    QList<ResultPointer> results;
    results.reserve(total);
    std::vector<SortKeys> keys;
    keys.reserve(keyed);
    std::vector<qsizetype> rowOf(static_cast<size_t>(total));
    for (const bool gonePass : {false, true}) {
        for (qsizetype row = 0; row < total; ++row) {
            if (isGone[size_t(row)] != gonePass)
                continue;
            rowOf[size_t(row)] = results.size();
            if (!gonePass && size_t(row) < keyed)
                keys.push_back(std::move(m_keys[size_t(row)]));
            results.append(std::move(m_results[row]));
        }
    }
    countScanWork(2 * total);
    const qsizetype kept = total - std::count(isGone.begin(), isGone.end(), true);
    m_results = std::move(results);
    m_keys = std::move(keys);
    if (observer)
        observer->shownResultsDidReorder(rowOf);
    if (observer)
        observer->shownResultsWillRemove(kept, total - kept);
    m_results.resize(kept);
    m_count = std::uint64_t(kept);
    if (observer)
        observer->shownResultsDidRemove();
}

std::uint64_t ResultsDataSource::numberOfRowsInTableView()
{
    if (!m_sorted)
        sortResults(nullptr);
    return m_count;
}

ResultPointer ResultsDataSource::resultAtIndex(qsizetype index) const
{
    if (m_announcing)
        return announcedResultAt(index);
    if (index < 0 || index >= m_results.size() - m_gapSize)
        return nullptr;
    return m_results.at(index < m_gapAt ? index : index + m_gapSize);
}

qsizetype ResultsDataSource::indexOfResult(const Result* result) const
{
    if (!result)
        return -1;
    for (qsizetype i = 0; i < m_results.size(); ++i)
        if (m_results.at(i).get() == result)
            return i;
    return -1;
}

void ResultsDataSource::setSorting(std::uint64_t key, bool reverse)
{
    if (effectiveKey(key) != effectiveKey(m_sorting))
        m_keysStale = true;
    m_sorting = key;
    m_reverse = reverse;
    m_sorted = false;
}

void ResultsDataSource::setKeyValues(SortKeys& keys, Result& result, const Collator& collator, std::uint64_t sorting)
{
    const std::uint64_t key = effectiveKey(sorting);
    keys.primary.clear();
    keys.date = QDateTime();
    if (key == kSortByModified)
        keys.date = result.modified();
    else if (key == kSortByCreated)
        keys.date = result.created();
    else if (key == kSortByKind)
        keys.primary = collator.sortKey(result.type());
    else if (key == kSortByInfo)
        keys.primary = collator.sortKey(result.info()); // null until known: sorts as ""
    else if (key == kSortByComment)
        keys.primary = collator.sortKey(result.comment());
}

ResultsDataSource::SortKeys ResultsDataSource::makeKeys(Result& result, const Collator& collator,
                                                        std::uint64_t sorting)
{
    SortKeys keys;
    keys.name = collator.sortKey(result.name());
    keys.path = collator.sortKey(result.displayPath());
    keys.size = result.signedFileSize();
    setKeyValues(keys, result, collator, sorting);
    return keys;
}

void ResultsDataSource::completeKeys()
{
    completeKeys(m_results, m_keys, m_keysStale, m_sorting);
}

void ResultsDataSource::completeKeys(const QList<ResultPointer>& results, std::vector<SortKeys>& keys,
                                     bool& keysStale, std::uint64_t sorting)
{
    // One collator and one key per string, instead of a collation per
    // comparison.
    const Collator collator(kCollationStandard);
    if (keysStale) {
        for (size_t row = 0; row < keys.size(); ++row)
            setKeyValues(keys[row], *results.at(qsizetype(row)), collator, sorting);
        keysStale = false;
    }
    keys.reserve(size_t(results.size()));
    for (qsizetype row = qsizetype(keys.size()); row < results.size(); ++row)
        keys.push_back(makeKeys(*results.at(row), collator, sorting));
}

std::vector<qsizetype> ResultsDataSource::sortedOrder(const std::vector<SortKeys>& keys, std::uint64_t sorting,
                                                      bool reverse)
{
    std::vector<qsizetype> order(keys.size());
    std::iota(order.begin(), order.end(), 0);
    std::stable_sort(order.begin(), order.end(), [&](qsizetype a, qsizetype b) {
        return isBefore(keys[size_t(a)], keys[size_t(b)], sorting, reverse);
    });
    return order;
}

bool ResultsDataSource::isBefore(const SortKeys& a, const SortKeys& b, std::uint64_t sorting, bool reverse)
{
    const int order = compareRows(a, b, effectiveKey(sorting));
    return (reverse ? -order : order) < 0;
}

bool ResultsDataSource::isBefore(const SortKeys& a, const SortKeys& b) const
{
    return isBefore(a, b, m_sorting, m_reverse);
}

ResultsDataSource::PreparedResults ResultsDataSource::prepareResults(QList<ResultPointer> batch,
                                                                     std::uint64_t sorting, bool reverse)
{
    batch.removeAll(nullptr);
    PreparedResults prepared;
    prepared.sorting = sorting;
    prepared.reverse = reverse;
    const Collator collator(kCollationStandard);
    std::vector<SortKeys> keys;
    keys.reserve(size_t(batch.size()));
    for (const ResultPointer& result : std::as_const(batch))
        keys.push_back(makeKeys(*result, collator, sorting));
    const std::vector<qsizetype> order = sortedOrder(keys, sorting, reverse);
    prepared.results.reserve(batch.size());
    prepared.keys.reserve(keys.size());
    for (const qsizetype i : order) {
        prepared.results.append(std::move(batch[i]));
        prepared.keys.push_back(std::move(keys[size_t(i)]));
    }
    return prepared;
}

std::vector<qsizetype> ResultsDataSource::applyOrder(const std::vector<qsizetype>& order)
{
    QList<ResultPointer> results;
    results.reserve(m_results.size());
    std::vector<SortKeys> keys;
    keys.reserve(order.size());
    std::vector<qsizetype> rowOf(order.size());
    for (size_t row = 0; row < order.size(); ++row) {
        const auto old = order[row];
        results.append(std::move(m_results[old]));
        keys.push_back(std::move(m_keys[size_t(old)]));
        rowOf[size_t(old)] = qsizetype(row);
    }
    m_results = std::move(results);
    m_keys = std::move(keys);
    return rowOf;
}

void ResultsDataSource::sortResults(ShownResultsObserver* observer)
{
    completeKeys();
    m_sorted = true;
    reorder(sortedOrder(m_keys, m_sorting, m_reverse), observer);
}

void ResultsDataSource::reorder(const std::vector<qsizetype>& order, ShownResultsObserver* observer)
{
    if (std::is_sorted(order.begin(), order.end()))
        return;
    if (observer)
        observer->shownResultsWillReorder();
    const std::vector<qsizetype> rowOf = applyOrder(order);
    if (observer)
        observer->shownResultsDidReorder(rowOf);
}

ResultsDataSource::SortWork ResultsDataSource::takeSortWork(std::uint64_t key, bool reverse)
{
    SortWork work;
    work.keysStale = m_keysStale || effectiveKey(key) != effectiveKey(m_sorting);
    work.results = m_results;
    work.keys = std::exchange(m_keys, {});
    work.sorting = key;
    work.reverse = reverse;
    m_keysStale = false;
    m_sorting = key;
    m_reverse = reverse;
    m_sorted = false;
    return work;
}

void ResultsDataSource::prepareSort(SortWork& work)
{
    completeKeys(work.results, work.keys, work.keysStale, work.sorting);
    work.order = sortedOrder(work.keys, work.sorting, work.reverse);
    // The rows are put in order here too: applySort only swaps them in.
    work.sorted.reserve(work.results.size());
    work.sortedKeys.reserve(work.keys.size());
    work.rowOf.resize(work.order.size());
    for (size_t row = 0; row < work.order.size(); ++row) {
        const qsizetype old = work.order[row];
        work.sorted.append(work.results.at(old));
        work.sortedKeys.push_back(std::move(work.keys[size_t(old)]));
        work.rowOf[size_t(old)] = qsizetype(row);
    }
    work.keys.clear();
}

bool ResultsDataSource::applySort(SortWork work, ShownResultsObserver* observer)
{
    // The list is the one taken when it still shares its data with the
    // work's copy: any change since would have detached it.
    if (work.results.constData() != m_results.constData() || work.results.size() != m_results.size()
        || work.order.size() != size_t(m_results.size()) || work.sorting != m_sorting || work.reverse != m_reverse)
        return false;
    m_sorted = true;
    if (std::is_sorted(work.order.begin(), work.order.end())) {
        m_keys = std::move(work.sortedKeys);
        return true;
    }
    if (observer)
        observer->shownResultsWillReorder();
    m_results.swap(work.sorted);
    m_keys = std::move(work.sortedKeys);
    if (observer)
        observer->shownResultsDidReorder(work.rowOf);
    return true;
}

void ResultsDataSource::insertResults(QList<ResultPointer> batch, ShownResultsObserver* observer)
{
    insertPrepared(prepareResults(std::move(batch), m_sorting, m_reverse), observer);
}

void ResultsDataSource::insertPrepared(PreparedResults prepared, ShownResultsObserver* observer)
{
    if (prepared.results.isEmpty())
        return;
    // Made for another order (the user re-sorted meanwhile): again.
    if (effectiveKey(prepared.sorting) != effectiveKey(m_sorting) || prepared.reverse != m_reverse)
        prepared = prepareResults(std::move(prepared.results), m_sorting, m_reverse);
    if (!m_sorted)
        sortResults(observer);
    completeKeys();
    const QList<ResultPointer>& batch = prepared.results;
    std::vector<SortKeys>& keys = prepared.keys;
    // The batch is sorted: its rows go in as they stand.
    const size_t batchSize = keys.size();
    qsizetype ranges = 0;
    const std::vector<qsizetype> places = placesOf(m_keys, keys, m_sorting, m_reverse, &ranges);
    // Each ranged insert moves the rows below it, up to the final count.
    if (ranges <= kMaxInsertedRanges || ranges * (m_results.size() + batch.size()) <= kMaxMovedRows) {
        // Range by range from the top; each range's row counts the ones
        // already inserted above it.
        qsizetype inserted = 0;
        for (size_t first = 0; first < batchSize;) {
            size_t last = first;
            while (last + 1 < batchSize && places[last + 1] == places[first])
                ++last;
            const qsizetype row = places[first] + inserted;
            const qsizetype count = qsizetype(last - first + 1);
            if (observer)
                observer->shownResultsWillInsert(row, count);
            QList<ResultPointer> run;
            run.reserve(count);
            std::vector<SortKeys> runKeys;
            runKeys.reserve(size_t(count));
            for (size_t i = first; i <= last; ++i) {
                run.append(batch.at(qsizetype(i)));
                runKeys.push_back(std::move(keys[i]));
            }
            m_results.insert(row, count, nullptr);
            std::move(run.begin(), run.end(), m_results.begin() + row);
            m_keys.insert(m_keys.begin() + row, std::make_move_iterator(runKeys.begin()),
                          std::make_move_iterator(runKeys.end()));
            m_count = std::uint64_t(m_results.size());
            if (observer)
                observer->shownResultsDidInsert();
            inserted += count;
            first = last + 1;
        }
        return;
    }
    // Many ranges: the sorted batch goes after the shown rows as one range,
    // then one merge moves every row to its place. The places found above
    // are the merge: no key is compared again, and the rows move in place
    // from the back (the batch's own keys are the second list; the copies
    // shown at the end meanwhile are overwritten).
    const qsizetype shown = m_results.size();
    const qsizetype added = qsizetype(batchSize);
    if (observer)
        observer->shownResultsWillInsert(shown, added);
    for (qsizetype i = 0; i < added; ++i) {
        m_results.append(batch.at(i));
        m_keys.push_back(keys[size_t(i)]);
    }
    m_count = std::uint64_t(m_results.size());
    if (observer)
        observer->shownResultsDidInsert();
    if (observer)
        observer->shownResultsWillReorder();
    std::vector<qsizetype> rowOf(size_t(shown + added));
    qsizetype before = 0; // new rows placed before shown row `row`
    for (qsizetype row = 0; row < shown; ++row) {
        while (before < added && places[size_t(before)] <= row)
            ++before;
        rowOf[size_t(row)] = row + before;
    }
    for (qsizetype j = 0; j < added; ++j)
        rowOf[size_t(shown + j)] = places[size_t(j)] + j;
    qsizetype from = shown; // the shown rows not yet moved: 0 ..< from
    for (qsizetype j = added - 1; j >= 0; --j) {
        for (; from > places[size_t(j)]; --from) {
            m_results[from + j] = std::move(m_results[from - 1]);
            m_keys[size_t(from + j)] = std::move(m_keys[size_t(from - 1)]);
        }
        m_results[from + j] = batch.at(j);
        m_keys[size_t(from + j)] = std::move(keys[size_t(j)]);
    }
    countScanWork(shown + added);
    if (observer)
        observer->shownResultsDidReorder(rowOf);
}

std::vector<qsizetype> ResultsDataSource::placesOf(const std::vector<SortKeys>& keys,
                                                   const std::vector<SortKeys>& batch, std::uint64_t sorting,
                                                   bool reverse, qsizetype* runs)
{
    // The batch is in order, so each place is at or after the one before:
    // a search galloping from there costs the log of the distance, not of
    // the shown rows (a batch that goes in one place costs one look each).
    const auto before = [sorting, reverse](const SortKeys& a, const SortKeys& b) {
        return isBefore(a, b, sorting, reverse);
    };
    std::vector<qsizetype> places(batch.size());
    *runs = 0;
    const qsizetype shownRows = qsizetype(keys.size());
    for (size_t i = 0; i < batch.size(); ++i) {
        const SortKeys& key = batch[i];
        qsizetype low = i == 0 ? 0 : places[i - 1]; // no row before low comes after the key
        qsizetype step = 1;
        while (low + step <= shownRows && !before(key, keys[size_t(low + step - 1)])) {
            low += step;
            step *= 2;
        }
        const qsizetype high = std::min(shownRows, low + step);
        places[i] = std::upper_bound(keys.begin() + low, keys.begin() + high, key, before) - keys.begin();
        if (i == 0 || places[i] != places[i - 1])
            ++*runs;
    }
    return places;
}

ResultsDataSource::MergeWork ResultsDataSource::takeMergeWork(PreparedResults batch)
{
    MergeWork work;
    work.shown = m_results;
    work.shownKeys = std::exchange(m_keys, {});
    work.keysStale = m_keysStale;
    work.sorting = m_sorting;
    work.reverse = m_reverse;
    work.batch = std::move(batch);
    work.batch.results.removeAll(nullptr);
    m_keysStale = false;
    return work;
}

void ResultsDataSource::prepareMerge(MergeWork& work)
{
    completeKeys(work.shown, work.shownKeys, work.keysStale, work.sorting);
    PreparedResults& batch = work.batch;
    if (effectiveKey(batch.sorting) != effectiveKey(work.sorting) || batch.reverse != work.reverse
        || batch.keys.size() != size_t(batch.results.size()))
        batch = prepareResults(std::move(batch.results), work.sorting, work.reverse);
    qsizetype runs = 0;
    const std::vector<qsizetype> places = placesOf(work.shownKeys, batch.keys, work.sorting, work.reverse, &runs);
    // The shown keys are copied, not moved: the rows get them back if
    // the merge is not applied.
    const qsizetype shownRows = work.shown.size();
    const qsizetype added = batch.results.size();
    work.merged.reserve(shownRows + added);
    work.mergedKeys.reserve(size_t(shownRows + added));
    qsizetype from = 0;
    for (qsizetype j = 0; j <= added; ++j) {
        const qsizetype to = j < added ? places[size_t(j)] : shownRows;
        for (qsizetype row = from; row < to; ++row)
            work.merged.append(work.shown.at(row));
        work.mergedKeys.insert(work.mergedKeys.end(), work.shownKeys.begin() + from, work.shownKeys.begin() + to);
        from = to;
        if (j < added) {
            work.merged.append(batch.results.at(j));
            work.mergedKeys.push_back(std::move(batch.keys[size_t(j)]));
        }
    }
    countScanWork(shownRows + added);
    // Told as insertPrepared tells it: runs while they move few rows.
    work.ranges.clear();
    work.rowOf.clear();
    if (runs <= kMaxInsertedRanges || runs * (shownRows + added) <= kMaxMovedRows) {
        for (qsizetype j = 0; j < added;) {
            qsizetype last = j;
            while (last + 1 < added && places[size_t(last + 1)] == places[size_t(j)])
                ++last;
            work.ranges.emplace_back(places[size_t(j)] + j, last - j + 1);
            j = last + 1;
        }
    } else {
        work.rowOf.resize(size_t(shownRows + added));
        qsizetype before = 0; // new rows placed before shown row `row`
        for (qsizetype row = 0; row < shownRows; ++row) {
            while (before < added && places[size_t(before)] <= row)
                ++before;
            work.rowOf[size_t(row)] = row + before;
        }
        for (qsizetype j = 0; j < added; ++j)
            work.rowOf[size_t(shownRows + j)] = places[size_t(j)] + j;
    }
    work.prepared = true;
}

bool ResultsDataSource::applyMerge(MergeWork& work, ShownResultsObserver* observer)
{
    // The list is the one taken when it still shares its data with the
    // work's copy: a removal since would have detached it.
    const bool unchanged = work.prepared && m_sorted && work.sorting == m_sorting && work.reverse == m_reverse
                           && work.shown.size() == m_results.size()
                           && (work.shown.constData() == m_results.constData()
                               || std::equal(work.shown.begin(), work.shown.end(), m_results.begin()));
    if (!unchanged) {
        // The rows left are the taken ones less the removed ones, in their
        // order: each gets back its key while they match.
        if (work.prepared && m_keys.empty()) {
            qsizetype row = 0;
            for (size_t i = 0; i < work.shownKeys.size() && row < m_results.size(); ++i) {
                if (work.shown.at(qsizetype(i)) == m_results.at(row)) {
                    m_keys.push_back(std::move(work.shownKeys[i]));
                    ++row;
                }
            }
            if (effectiveKey(work.sorting) != effectiveKey(m_sorting))
                m_keysStale = true;
        }
        return false;
    }
    const qsizetype shown = m_results.size();
    m_keys = std::move(work.mergedKeys);
    m_keysStale = false;
    m_sorted = true;
    m_announcing = true;
    if (work.rowOf.empty()) {
        // Range by range from the top: the merged list is in place, with
        // the runs not yet told hidden from the observer.
        m_hiddenRuns = std::move(work.ranges);
        m_hiddenFrom = 0;
        m_results.swap(work.merged);
        while (m_hiddenFrom < m_hiddenRuns.size()) {
            const auto [row, count] = m_hiddenRuns[m_hiddenFrom];
            if (observer)
                observer->shownResultsWillInsert(row, count);
            ++m_hiddenFrom;
            m_count += std::uint64_t(count);
            if (observer)
                observer->shownResultsDidInsert();
        }
        m_hiddenRuns.clear();
        m_hiddenFrom = 0;
    } else {
        // The batch after the shown rows, then one reorder into the
        // merged list.
        m_appended = work.batch.results;
        if (observer)
            observer->shownResultsWillInsert(shown, m_appended.size());
        m_count = std::uint64_t(shown + m_appended.size());
        if (observer)
            observer->shownResultsDidInsert();
        if (observer)
            observer->shownResultsWillReorder();
        m_results.swap(work.merged);
        m_appended = {};
        if (observer)
            observer->shownResultsDidReorder(work.rowOf);
    }
    m_announcing = false;
    m_count = std::uint64_t(m_results.size());
    // What the caller frees: the rows as they were (work.merged after the
    // swap) and the work's copies of their keys.
    return true;
}

ResultPointer ResultsDataSource::announcedResultAt(qsizetype index) const
{
    if (index < 0 || index >= qsizetype(m_count))
        return nullptr;
    if (!m_appended.isEmpty() && index >= m_results.size())
        return m_appended.at(index - m_results.size());
    // Each run not yet told lies at its row of the merged list.
    qsizetype at = index;
    for (size_t run = m_hiddenFrom; run < m_hiddenRuns.size() && at >= m_hiddenRuns[run].first; ++run)
        at += m_hiddenRuns[run].second;
    return at < m_results.size() ? m_results.at(at) : nullptr;
}

void ResultsDataSource::setStrings(const QStringList& strings, std::uint64_t what, std::uint64_t comparison,
                                   bool wildcards)
{
    const std::lock_guard<std::mutex> guard(m_highlightLock);
    m_regex = HighlightExpression();
    m_strings = strings;
    m_what = what;
    m_comparison = comparison;
    m_wildcards = wildcards;
    m_highlightGeneration.fetch_add(1, std::memory_order_release);
}

void ResultsDataSource::setRegularExpression(const HighlightExpression& expression, std::uint64_t what,
                                             std::uint64_t comparison)
{
    const std::lock_guard<std::mutex> guard(m_highlightLock);
    m_strings.clear();
    m_regex = expression;
    m_wildcards = false;
    m_what = what;
    m_comparison = comparison;
    m_highlightGeneration.fetch_add(1, std::memory_order_release);
}

QStringList ResultsDataSource::strings() const
{
    const std::lock_guard<std::mutex> guard(m_highlightLock);
    return m_strings;
}

HighlightExpression ResultsDataSource::regularExpression() const
{
    const std::lock_guard<std::mutex> guard(m_highlightLock);
    return m_regex;
}

std::uint64_t ResultsDataSource::what() const
{
    const std::lock_guard<std::mutex> guard(m_highlightLock);
    return m_what;
}

std::uint64_t ResultsDataSource::comparison() const
{
    const std::lock_guard<std::mutex> guard(m_highlightLock);
    return m_comparison;
}

bool ResultsDataSource::wildcards() const
{
    const std::lock_guard<std::mutex> guard(m_highlightLock);
    return m_wildcards;
}

} // namespace sorvant
