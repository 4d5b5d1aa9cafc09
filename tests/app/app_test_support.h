#pragma once
// Shared pieces of the application's tests: a temporary tree with its own
// defaults file, and waiting for a window's search to end.

#include "app/search_window.h"
#include "platform/user_defaults.h"
#include "tests/support/temp_tree.h"

#include <QSignalSpy>

#include <gtest/gtest.h>

#include <memory>

namespace sorvant::test {

class AppFixture : public ::testing::Test
{
protected:
    [[nodiscard]] QString defaultsPath() const { return tree.filePath(QStringLiteral("defaults.plist")); }
    // The defaults as another process would read them from the file.
    [[nodiscard]] QVariant stored(const QString& key) const
    {
        UserDefaults reread(defaultsPath());
        return reread.objectForKey(key);
    }
    std::unique_ptr<SearchWindow> makeWindow(quint64 index = 1)
    {
        return std::make_unique<SearchWindow>(index, defaults, nullptr);
    }
    // Starts a search of `phrase` in `folder` and waits for the window to
    // be restored; NO when it did not start or did not end in time.
    static bool searchAndWait(SearchWindow& window, const QString& phrase, const QString& folder)
    {
        window.setInput(phrase);
        window.setDestination(folder);
        QSignalSpy ended(&window, &SearchWindow::searchDidEnd);
        window.search();
        // A short search may be over before its end is delivered: a search
        // that never started sends no end at all.
        if (!window.isSearching() && ended.isEmpty())
            return ended.wait(500);
        return !ended.isEmpty() || ended.wait(10000);
    }

    TempTree tree;
    UserDefaults defaults{defaultsPath()};
};

} // namespace sorvant::test
