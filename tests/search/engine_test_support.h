#pragma once
// Shared by the walk, engine and integration tests: moving a results model's
// pending results into its shown list and reading them back as sorted
// paths relative to a root.

#include "search/results_data_source.h"

#include <QString>
#include <QStringList>

#include <algorithm>

namespace sorvant::test {

// Flushes the pending results and answers every shown path, relative to
// `root` (with no leading "/"), sorted.
inline QStringList shownRelativePaths(ResultsDataSource& results, const QString& root)
{
    results.lock();
    results.flushResults();
    results.unlock();
    QStringList paths;
    for (const ResultPointer& result : results.results()) {
        const QString& path = result->fullPath();
        paths.append(path.startsWith(root + u'/') ? path.mid(root.size() + 1) : path);
    }
    std::sort(paths.begin(), paths.end());
    return paths;
}

} // namespace sorvant::test
