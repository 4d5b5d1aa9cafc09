#include "search/results_data_source.h"

#include "platform/collation.h"

#include <QFileInfo>

#include <algorithm>
#include <vector>

namespace sorvant {

namespace {

// One shown result with the values its sort reads, taken once before the
// sort so that no comparison calls out or sees a value change under it.
struct SortRow
{
    ResultPointer result;
    QByteArray primary;   // collation key of the first string key, if any
    QByteArray name;
    QByteArray path;
    QDateTime date;
    qint64 size = 0;
};

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

int compareRows(const SortRow& a, const SortRow& b, std::uint64_t key)
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

} // namespace

void ResultsDataSource::addResult(ResultPointer result)
{
    if (!result)
        return;
    const std::lock_guard<std::mutex> guard(m_lock);
    m_addedResults.append(std::move(result));
    m_addedCount.fetch_add(1, std::memory_order_relaxed);
}

void ResultsDataSource::addResults(std::vector<ResultPointer>& results)
{
    {
        const std::lock_guard<std::mutex> guard(m_lock);
        for (ResultPointer& result : results) {
            if (result) {
                m_addedResults.append(std::move(result));
                m_addedCount.fetch_add(1, std::memory_order_relaxed);
            }
        }
    }
    results.clear();
}

bool ResultsDataSource::shouldFlush(Clock::time_point now) const
{
    if (m_addedCount.load(std::memory_order_relaxed) == 0)
        return false;
    return !m_flush || now - *m_flush > kFlushInterval;
}

bool ResultsDataSource::flushResults(Clock::time_point now)
{
    if (m_addedResults.isEmpty())
        return false;
    m_sorted = false;
    m_results.append(m_addedResults);
    m_addedResults.clear();
    m_addedCount.store(0, std::memory_order_relaxed);
    m_flush = now;
    m_count = std::uint64_t(m_results.size());
    return true;
}

void ResultsDataSource::removeAllResults()
{
    m_results.clear();
    m_addedResults.clear();
    m_flush.reset();
    m_sorted = true;
    m_addedCount.store(0, std::memory_order_relaxed);
    m_count = 0;
}

bool ResultsDataSource::updateResults()
{
    bool removed = false;
    for (qsizetype i = qsizetype(m_count) - 1; i >= 0; --i) {
        // An item is gone when nothing is there, not even a dangling link.
        const QFileInfo info(m_results.at(i)->fullPath());
        if (info.exists() || info.isSymLink())
            continue;
        m_results.removeAt(i);
        --m_count;
        removed = true;
    }
    return removed;
}

std::uint64_t ResultsDataSource::numberOfRowsInTableView()
{
    if (!m_sorted)
        sortResults();
    return m_count;
}

ResultPointer ResultsDataSource::resultAtIndex(qsizetype index) const
{
    return index >= 0 && index < m_results.size() ? m_results.at(index) : nullptr;
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
    m_sorting = key;
    m_reverse = reverse;
    m_sorted = false;
}

void ResultsDataSource::sortResults()
{
    const std::uint64_t key = m_sorting <= kSortByComment ? m_sorting : kSortByName;
    // One collator and one key per string per sort, instead of a collation
    // per comparison.
    const Collator collator(kCollationStandard);
    std::vector<SortRow> rows;
    rows.reserve(size_t(m_results.size()));
    for (const ResultPointer& result : std::as_const(m_results)) {
        SortRow row;
        row.result = result;
        row.name = collator.sortKey(result->name());
        row.path = collator.sortKey(result->displayPath());
        row.size = result->signedFileSize();
        if (key == kSortByModified)
            row.date = result->modified();
        else if (key == kSortByCreated)
            row.date = result->created();
        else if (key == kSortByKind)
            row.primary = collator.sortKey(result->type());
        else if (key == kSortByInfo)
            row.primary = collator.sortKey(result->info()); // null until known: sorts as ""
        else if (key == kSortByComment)
            row.primary = collator.sortKey(result->comment());
        rows.push_back(std::move(row));
    }
    const int direction = m_reverse ? -1 : 1;
    std::stable_sort(rows.begin(), rows.end(), [key, direction](const SortRow& a, const SortRow& b) {
        return compareRows(a, b, key) * direction < 0;
    });
    for (qsizetype i = 0; i < m_results.size(); ++i)
        m_results[i] = std::move(rows[size_t(i)].result);
    m_sorted = true;
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
