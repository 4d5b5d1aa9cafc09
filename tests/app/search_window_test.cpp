// The search window's settings, option dependencies, defaults written at
// the right moments, and a search run through the window.

#include "app/destination_menu.h"
#include "app/results_table_model.h"
#include "interface/badge.h"
#include "interface/localization.h"
#include "interface/strings_file.h"
#include "interface/toolbar_customization.h"
#include "interface/toolbar_items.h"
#include "platform/file_system_representation.h"
#include "tests/app/app_test_support.h"
#include "tests/support/temp_tree.h"

#include <QAbstractButton>
#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTableView>
#include <QTest>

#include <set>

namespace sorvant::test {
namespace {

using SearchWindowTest = AppFixture;

std::set<QString> shownPaths(SearchWindow& window)
{
    std::set<QString> paths;
    for (const ResultPointer& result : window.searchController().engine().dataSource().results())
        paths.insert(result->fullPath());
    return paths;
}

// The toolbar starts with the default set; a customized set is validated at
// once, saved, and the next window opens with it.
TEST_F(SearchWindowTest, ToolbarCustomizationIsValidatedSavedAndRestored)
{
    tree.writeFile(QStringLiteral("t/alpha-1"));
    auto window = makeWindow(1);
    SymbolToolbar* toolbar = window->toolbar();
    EXPECT_EQ(toolbar->itemIdentifiers(), window->toolbarDefaultItemIdentifiers());
    ASSERT_TRUE(searchAndWait(*window, QStringLiteral("alpha"), tree.filePath(QStringLiteral("t"))));
    window->resultsTable()->selectRows({});

    auto* dialog = qobject_cast<ToolbarCustomizationDialog*>(window->runToolbarCustomizationPalette());
    ASSERT_NE(dialog, nullptr);
    dialog->useDefaultSet();
    dialog->currentList()->setCurrentRow(0); // settings
    dialog->removeSelected();
    dialog->accept();
    const QStringList chosen = toolbar->itemIdentifiers();
    EXPECT_FALSE(chosen.contains(QStringLiteral("settings")));
    ASSERT_TRUE(chosen.contains(QStringLiteral("open")));
    // The new items follow the (empty) selection, not their enabled start.
    for (const char* identifier : {"open", "reveal", "delete", "info", "share"}) {
        SCOPED_TRACE(identifier);
        ToolbarItem* item = toolbar->itemWithIdentifier(QString::fromLatin1(identifier));
        ASSERT_NE(item, nullptr);
        EXPECT_FALSE(item->isEnabled());
    }
    window->resultsTable()->selectRows({0});
    EXPECT_TRUE(toolbar->itemWithIdentifier(QStringLiteral("open"))->isEnabled());

    auto next = makeWindow(2);
    EXPECT_EQ(next->toolbar()->itemIdentifiers(), chosen);
}

TEST_F(SearchWindowTest, EmptyDefaultsShowTheFirstUseSettings)
{
    auto window = makeWindow();
    EXPECT_EQ(window->options()->what(), std::uint64_t(kSearchNames));
    EXPECT_EQ(window->options()->comparison(), 1U);
    EXPECT_EQ(window->options()->mode(), int(kSearchPhrase));
    EXPECT_EQ(window->options()->type(), int(kSearchFilesAndFolders));
    EXPECT_FALSE(window->options()->checkBox("searchInvisibles")->isChecked());
    EXPECT_FALSE(window->options()->checkBox("searchPackages")->isChecked());
    for (int list = 1; list <= 6; ++list) {
        SCOPED_TRACE(list);
        EXPECT_EQ(window->settingsDrawer()->listBox(list)->isChecked(), list <= 3);
        EXPECT_FALSE(window->settingsDrawer()->listField(list)->text().isEmpty());
    }
    EXPECT_FALSE(window->findChild<QCheckBox*>(QStringLiteral("scanAll"))->isChecked());
    EXPECT_EQ(window->destinations()->storedDestination(), QDir::homePath());
    EXPECT_EQ(window->searchController().engine().dataSource().sorting(), std::uint64_t(kSortByName));
    EXPECT_FALSE(window->searchController().engine().dataSource().isReverseSorting());
}

// Stored values as the window shows them once its dependencies applied.
TEST_F(SearchWindowTest, StoredSettingsAreLoadedThroughTheDependencies)
{
    struct Case
    {
        qint64 what, comparison, mode, type;
        std::uint64_t shownWhat, shownComparison;
    };
    const Case cases[] = {
        {0, 1, 2, 3, kSearchNames, 1},                       // no bit at all means names
        {15, 7, 4, 3, 15, 7},                                // query terms keep fuzzy and diacritics
        {15, 7, 2, 3, 15, 1},                                // phrase mode clears them
        {2 | 8, 1, 0, 2, 8, 1},                              // folders only clear contents
        {qint64(0x100000001LL), 1, 0, 3, kSearchNames, 1},   // cut to 32 bits
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        defaults.setInteger(c.what, QStringLiteral("SearchWhat"));
        defaults.setInteger(c.comparison, QStringLiteral("SearchComparison"));
        defaults.setInteger(c.mode, QStringLiteral("SearchOperator"));
        defaults.setInteger(c.type, QStringLiteral("SearchType"));
        auto window = makeWindow();
        EXPECT_EQ(window->options()->what(), c.shownWhat);
        EXPECT_EQ(window->options()->comparison(), c.shownComparison);
        EXPECT_EQ(window->options()->mode(), int(c.mode));
        EXPECT_EQ(window->options()->type(), int(c.type));
    }
}

TEST_F(SearchWindowTest, ControlDependencies)
{
    auto window = makeWindow();
    QCheckBox* fuzzy = window->options()->checkBox("searchFuzzy");
    QCheckBox* diacritics = window->options()->checkBox("searchNoUmlauts");
    QCheckBox* contents = window->options()->checkBox("searchContent");

    window->options()->modeButton(kSearchQueryTerms)->click();
    EXPECT_TRUE(fuzzy->isEnabled());
    fuzzy->setChecked(true);
    diacritics->setChecked(true);
    window->options()->modeButton(kSearchPhrase)->click();
    EXPECT_FALSE(fuzzy->isEnabled() || fuzzy->isChecked() || diacritics->isEnabled() || diacritics->isChecked());
    window->options()->modeButton(kSearchQueryTerms)->click();
    EXPECT_TRUE(fuzzy->isEnabled() && diacritics->isEnabled());
    EXPECT_FALSE(fuzzy->isChecked() || diacritics->isChecked());

    contents->setChecked(true);
    window->options()->typeButton(kSearchFolders)->click();
    EXPECT_FALSE(contents->isEnabled() || contents->isChecked());
    window->options()->typeButton(kSearchFiles)->click();
    EXPECT_TRUE(contents->isEnabled());

    window->settingsDrawer()->listField(4)->setText(QStringLiteral("sh, zsh"));
    window->findChild<QCheckBox*>(QStringLiteral("scanAll"))->click();
    for (int list = 1; list <= 6; ++list) {
        SCOPED_TRACE(list);
        EXPECT_FALSE(window->settingsDrawer()->listBox(list)->isEnabled() || window->settingsDrawer()->listField(list)->isEnabled());
    }
    EXPECT_EQ(window->settingsDrawer()->listField(4)->text(), QStringLiteral("sh, zsh"));
    window->findChild<QCheckBox*>(QStringLiteral("scanAll"))->click();
    EXPECT_TRUE(window->settingsDrawer()->listBox(6)->isEnabled() && window->settingsDrawer()->listField(6)->isEnabled());
}

TEST_F(SearchWindowTest, SearchFindsWhatTheEngineFindsAndSavesTheOptionsAtItsStart)
{
    tree.writeFile(QStringLiteral("t/alpha.txt"));
    tree.writeFile(QStringLiteral("t/sub/ALPHA two.c"));
    tree.writeFile(QStringLiteral("t/beta.txt"));
    tree.makeDir(QStringLiteral("t/alphabet"));
    auto window = makeWindow();
    window->options()->checkBox("searchTags")->setChecked(true);
    window->settingsDrawer()->listField(5)->setText(QStringLiteral("xml, json"));
    EXPECT_FALSE(stored(QStringLiteral("SearchWhat")).isValid());

    ASSERT_TRUE(searchAndWait(*window, QStringLiteral("alpha"), tree.filePath(QStringLiteral("t"))));
    const std::set<QString> expected = {tree.filePath(QStringLiteral("t/alpha.txt")),
                                        tree.filePath(QStringLiteral("t/sub/ALPHA two.c")),
                                        tree.filePath(QStringLiteral("t/alphabet"))};
    EXPECT_EQ(shownPaths(*window), expected);
    EXPECT_EQ(window->resultsTable()->model()->rowCount(), 3);
    EXPECT_EQ(window->statusText().left(7), QStringLiteral("3 found"));
    EXPECT_EQ(window->windowTitle(), QStringLiteral("alpha"));
    EXPECT_TRUE(window->searchField()->isEnabled());

    EXPECT_EQ(makeWindow(2)->input(), QStringLiteral("alpha")) << "a new window starts with the last phrase";
    EXPECT_EQ(stored(QStringLiteral("SearchWhat")).toLongLong(), qint64(kSearchNames | kSearchTags));
    EXPECT_EQ(stored(QStringLiteral("SearchOperator")).toLongLong(), qint64(kSearchPhrase));
    EXPECT_EQ(stored(QStringLiteral("fileExt5")).toString(), QStringLiteral("xml, json"));
    EXPECT_TRUE(stored(QStringLiteral("fileExtOn1")).toBool());
    // The destination and the sorting wait for the window to close.
    EXPECT_FALSE(stored(QStringLiteral("SearchLocation")).isValid());
    EXPECT_FALSE(stored(QStringLiteral("SearchSorting-1")).isValid());
}

TEST_F(SearchWindowTest, NothingToSearchBeepsAndStartsNothing)
{
    tree.makeDir(QStringLiteral("d"));
    const QString file = tree.writeFile(QStringLiteral("f.txt"));
    struct Case
    {
        const char* phrase;
        QString destination;
    };
    const Case cases[] = {{" \t ", tree.filePath(QStringLiteral("d"))},
                          {"x", file},
                          {"x", tree.filePath(QStringLiteral("missing"))}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.phrase);
        auto window = makeWindow();
        window->setInput(QString::fromLatin1(c.phrase));
        window->setDestination(c.destination);
        ASSERT_TRUE(answerSearch(*window));
        EXPECT_FALSE(window->isSearching());
        EXPECT_FALSE(stored(QStringLiteral("SearchWhat")).isValid());
    }
}

TEST_F(SearchWindowTest, TheDestinationIsTestedAfterSearchReturns)
{
    // The folder test runs off the interface thread: search() returns
    // before it is answered, and the answer then does what it did before.
    tree.writeFile(QStringLiteral("t/alpha-1"));
    tree.writeFile(QStringLiteral("t/alpha-2"));
    // The missing folder first: the found one saves the settings.
    const QString folders[] = {tree.filePath(QStringLiteral("missing")), tree.filePath(QStringLiteral("t"))};
    for (const QString& folder : folders) {
        SCOPED_TRACE(folder.toStdString());
        auto window = makeWindow();
        window->setInput(QStringLiteral("alpha"));
        window->setDestination(folder);
        QSignalSpy answered(window.get(), &SearchWindow::searchAnswered);
        QSignalSpy ended(window.get(), &SearchWindow::searchDidEnd);
        window->search();
        window->search(); // a second Return while the test runs is the same request
        EXPECT_TRUE(answered.isEmpty());
        EXPECT_FALSE(window->searchController().engine().isSearching());
        EXPECT_FALSE(stored(QStringLiteral("SearchWhat")).isValid()) << "nothing is saved before the answer";
        ASSERT_TRUE(answered.wait(10000));
        const bool found = folder == folders[1];
        if (found) {
            ASSERT_TRUE(!ended.isEmpty() || ended.wait(10000));
        }
        QCoreApplication::processEvents();
        EXPECT_EQ(answered.size(), 1);
        EXPECT_EQ(ended.size(), found ? 1 : 0);
        EXPECT_EQ(window->resultsTable()->model()->rowCount(), found ? 2 : 0);
        EXPECT_EQ(stored(QStringLiteral("SearchWhat")).isValid(), found);
        EXPECT_FALSE(window->isSearching());
    }
}

// The controller was the window's first child and so went first, before
// the table and the file actions built on it.
TEST_F(SearchWindowTest, TheControllerGoesAfterThePartsThatShowIt)
{
    auto window = makeWindow();
    QStringList gone;
    QObject::connect(&window->searchController(), &QObject::destroyed, [&gone] { gone << QStringLiteral("controller"); });
    QObject::connect(window->resultsTable(), &QObject::destroyed, [&gone] { gone << QStringLiteral("table"); });
    QObject::connect(&window->fileActions(), &QObject::destroyed, [&gone] { gone << QStringLiteral("file actions"); });
    window.reset();
    ASSERT_EQ(gone.size(), 3);
    EXPECT_EQ(gone.constLast(), QStringLiteral("controller"));
}

TEST_F(SearchWindowTest, StoppingKeepsTheResultsAndRestoresTheWindow)
{
    for (int i = 0; i < 300; ++i)
        tree.writeFile(QStringLiteral("s/d%1/match%2.txt").arg(i % 30).arg(i));
    auto window = makeWindow();
    QSignalSpy ended(window.get(), &SearchWindow::searchDidEnd);
    window->setInput(QStringLiteral("match"));
    window->setDestination(tree.filePath(QStringLiteral("s")));
    // Held before it walks: a walk of 300 files may otherwise end before
    // the window is looked at.
    HeldSearches held(window->searchController().engine());
    ASSERT_TRUE(answerSearch(*window));
    ASSERT_TRUE(window->isSearching());
    EXPECT_EQ(window->searchButton()->text(), QStringLiteral("Stop"));
    EXPECT_FALSE(window->searchField()->isEnabled());
    window->cancelOperation();
    EXPECT_TRUE(window->searchController().engine().params().stop.load());
    held.release();
    ASSERT_TRUE(ended.wait(10000));
    EXPECT_FALSE(window->isSearching());
    EXPECT_TRUE(window->searchField()->isEnabled());
    EXPECT_EQ(window->searchButton()->text(), QStringLiteral("Search"));
    EXPECT_EQ(window->resultsTable()->model()->rowCount(), int(window->searchController().engine().dataSource().count()));
    // Regression: a stopped search said "3 found/61 done" like a finished one.
    const QString stopped = window->findChild<QLabel*>(QStringLiteral("searchInfo"))->text();
    EXPECT_TRUE(stopped.startsWith(QStringLiteral("Stopped: "))) << stopped.toStdString();
    EXPECT_EQ(stopped, window->statusText());
    // A search that runs to its end says only what it found.
    ASSERT_TRUE(searchAndWait(*window, QStringLiteral("match"), tree.filePath(QStringLiteral("s"))));
    EXPECT_TRUE(window->statusText().startsWith(QStringLiteral("300 found"))) << window->statusText().toStdString();
}

TEST_F(SearchWindowTest, ClosingDuringASearchStopsItAndTakesOnlyItsResultsOffTheBadge)
{
    tree.writeFile(QStringLiteral("b/alpha-1"));
    tree.writeFile(QStringLiteral("b/alpha-2"));
    for (int i = 0; i < 300; ++i)
        tree.writeFile(QStringLiteral("c/d%1/match%2.txt").arg(i % 30).arg(i));
    resetBadgeLabel();
    auto finished = makeWindow(1);
    ASSERT_TRUE(searchAndWait(*finished, QStringLiteral("alpha"), tree.filePath(QStringLiteral("b"))));
    EXPECT_EQ(badgeCounter(), 2U);

    auto running = makeWindow(2);
    running->setInput(QStringLiteral("match"));
    running->setDestination(tree.filePath(QStringLiteral("c")));
    HeldSearches held(running->searchController().engine());
    ASSERT_TRUE(answerSearch(*running));
    ASSERT_TRUE(running->isSearching());
    held.release();
    running->close();
    EXPECT_FALSE(running->isSearching()) << "closing waits for the worker";
    EXPECT_EQ(badgeCounter(), 2U) << "the closed window's results are off the badge";
    EXPECT_EQ(stored(QStringLiteral("SearchLocation")).toString(), tree.filePath(QStringLiteral("c")));
    finished->close();
    EXPECT_EQ(badgeCounter(), 0U);
}

TEST_F(SearchWindowTest, KeysTheWindowConsumes)
{
    auto window = makeWindow();
    QKeyEvent stop(QEvent::KeyPress, Qt::Key_Period, Qt::ControlModifier);
    EXPECT_FALSE(window->checkKeyWindowEvent(&stop)) << "Ctrl+. while idle";
    window->cancelOperation();
    EXPECT_FALSE(window->searchController().engine().params().stop.load()) << "Escape while idle";

    window->show();
    window->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(window.get()));
    window->searchField()->setFocus();
    ASSERT_EQ(QApplication::focusWidget(), window->searchField());
    QKeyEvent down(QEvent::ShortcutOverride, Qt::Key_Down, Qt::NoModifier);
    EXPECT_TRUE(window->checkKeyWindowEvent(&down));
    EXPECT_EQ(QApplication::focusWidget(), window->resultsTable());
    EXPECT_FALSE(window->checkKeyWindowEvent(&down)) << "the table keeps its own arrows";
    QKeyEvent plain(QEvent::KeyPress, Qt::Key_A, Qt::NoModifier);
    EXPECT_FALSE(window->checkKeyWindowEvent(&plain));
}

// Regression: Find only focused the field, and a new window starts with the
// last phrase, so what was typed was appended to it. Ctrl+F selects the
// phrase, and typing replaces it.
TEST_F(SearchWindowTest, FindSelectsThePhraseSoTypingReplacesIt)
{
    auto window = makeWindow();
    window->show();
    window->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(window.get()));
    window->searchField()->setText(QStringLiteral("old phrase"));
    window->resultsTable()->setFocus();
    QTest::keyClick(window.get(), Qt::Key_F, Qt::ControlModifier);
    EXPECT_EQ(QApplication::focusWidget(), window->searchField());
    EXPECT_EQ(window->searchField()->selectedText(), QStringLiteral("old phrase"));
    QTest::keyClicks(window->searchField(), QStringLiteral("new"));
    EXPECT_EQ(window->searchField()->text(), QStringLiteral("new"));
}

// The folder's name was written through UTF-8 as "bad??name": the next
// launch showed that name and found nothing.
TEST_F(SearchWindowTest, ARelaunchSearchesAFolderNamedInBytesThatAreNotUTF8)
{
    const QByteArray bytes = QFile::encodeName(tree.path()) + "/bad\xFF\xFEname";
    makeDirBytes(bytes);
    writeFileBytes(bytes + "/alpha-1");
    const QString folder = stringWithFileSystemRepresentation(bytes);
    {
        auto window = makeWindow();
        ASSERT_TRUE(searchAndWait(*window, QStringLiteral("alpha"), folder));
        EXPECT_EQ(shownPaths(*window), std::set<QString>{folder + QStringLiteral("/alpha-1")});
        window->close();
    }
    EXPECT_TRUE(readFileBytes(QFile::encodeName(defaultsPath())).contains("/bad%FF%FEname</string>"));
    // A relaunch: the defaults read from the file again.
    UserDefaults relaunched(defaultsPath());
    SearchWindow window(1, relaunched, nullptr);
    EXPECT_EQ(window.destinations()->storedDestination(), folder);
    ASSERT_TRUE(searchAndWait(window, QStringLiteral("alpha"), window.destinations()->storedDestination()));
    EXPECT_EQ(shownPaths(window), std::set<QString>{folder + QStringLiteral("/alpha-1")});
}

TEST_F(SearchWindowTest, ClosingSavesOnceWithTheDestinationAndSorting)
{
    const QString folder = tree.makeDir(QStringLiteral("where"));
    auto window = makeWindow(3);
    window->setDestination(folder);
    window->options()->checkBox("searchInvisibles")->setChecked(true);
    auto* model = qobject_cast<ResultsTableModel*>(window->resultsTable()->model());
    model->sortByColumn(ResultsTableModel::kSizeColumn);
    model->sortByColumn(ResultsTableModel::kSizeColumn);
    window->close();
    EXPECT_EQ(stored(QStringLiteral("SearchLocation")).toString(), folder);
    EXPECT_EQ(stored(QStringLiteral("SearchSorting-3")).toLongLong(), qint64(kSortBySize));
    EXPECT_TRUE(stored(QStringLiteral("SearchReverse-3")).toBool());
    EXPECT_TRUE(stored(QStringLiteral("SearchInvisibles")).toBool());

    // A second close (or quit after close) saves nothing more.
    window->options()->checkBox("searchInvisibles")->setChecked(false);
    window->setDestination(tree.path());
    window->synchronizeDefaults();
    window->close();
    EXPECT_TRUE(stored(QStringLiteral("SearchInvisibles")).toBool());
    EXPECT_EQ(stored(QStringLiteral("SearchLocation")).toString(), folder);

    // The sorting comes back for a window of the same index only.
    EXPECT_EQ(makeWindow(3)->searchController().engine().dataSource().sorting(), std::uint64_t(kSortBySize));
    EXPECT_EQ(makeWindow(1)->searchController().engine().dataSource().sorting(), std::uint64_t(kSortByName));
}

TEST_F(SearchWindowTest, DrawerSavesEveryListWhenItClosesAndAtASearch)
{
    tree.writeFile(QStringLiteral("t/alpha.txt"));
    auto window = makeWindow();
    window->toggleSettings();
    ASSERT_TRUE(window->isDrawerVisible());
    SettingsDrawer& drawer = *window->settingsDrawer();
    // Each list gets its own text and the other state of its box, so a list
    // left out of the save shows.
    const auto change = [&drawer](const QString& suffix) {
        for (int list = 1; list <= 6; ++list) {
            drawer.listBox(list)->setChecked(!drawer.listBox(list)->isChecked());
            drawer.listField(list)->setText(QStringLiteral("e%1%2").arg(list).arg(suffix));
        }
    };
    const auto expectStored = [&](const QString& suffix, const char* when) {
        for (int list = 1; list <= 6; ++list) {
            SCOPED_TRACE(testing::Message() << when << ", list " << list);
            EXPECT_EQ(stored(QStringLiteral("fileExt%1").arg(list)).toString(),
                      QStringLiteral("e%1%2").arg(list).arg(suffix));
            EXPECT_EQ(stored(QStringLiteral("fileExtOn%1").arg(list)).toBool(), drawer.listBox(list)->isChecked());
        }
    };
    change(QStringLiteral("a"));
    EXPECT_FALSE(stored(QStringLiteral("fileExtOn6")).isValid());
    window->toggleSettings();
    EXPECT_FALSE(window->isDrawerVisible());
    expectStored(QStringLiteral("a"), "closed");

    window->toggleSettings();
    change(QStringLiteral("b"));
    ASSERT_TRUE(searchAndWait(*window, QStringLiteral("alpha"), tree.filePath(QStringLiteral("t"))));
    expectStored(QStringLiteral("b"), "searched");
}

// The status line says how many were examined only when more were
// examined than found: "2 found" when the two are equal.
TEST_F(SearchWindowTest, StatusNamesTheExaminedOnlyWhenMoreThanFound)
{
    tree.writeFile(QStringLiteral("s/one.txt"));
    tree.writeFile(QStringLiteral("s/two.txt"));
    auto window = makeWindow();
    SearchEngine& engine = window->searchController().engine();
    for (const char* name : {"one.txt", "two.txt"})
        engine.dataSource().addResult(Result::create(tree.filePath(QStringLiteral("s/") + QLatin1String(name)),
                                                     tree.filePath(QStringLiteral("s")), QLatin1String(name),
                                                     std::nullopt, QString(), false, false));
    const auto* label = window->findChild<QLabel*>(QStringLiteral("searchInfo"));
    ASSERT_NE(label, nullptr);
    engine.params().nDone = 2;
    window->searchController().showPendingResults();
    EXPECT_EQ(window->statusText(), QStringLiteral("2 found"));
    EXPECT_EQ(label->text(), QStringLiteral("2 found"));
    engine.params().nDone = 3;
    window->searchController().showPendingResults();
    EXPECT_EQ(window->statusText(), QStringLiteral("2 found/3 done"));
    EXPECT_EQ(label->text(), QStringLiteral("2 found/3 done"));
}

QString statusLine(const SearchWindow& window)
{
    const auto* label = window.findChild<QLabel*>(QStringLiteral("searchInfo"));
    return label ? label->text() : QStringLiteral("(no status line)");
}

// Regression: a destination refused after a search that examined
// thousands kept "0 found/1,100 done": the next tick of the refresh read
// the engine's count of the search before.
TEST_F(SearchWindowTest, ARefusedDestinationClearsTheCountRegression)
{
    for (int i = 0; i < 1100; ++i)
        tree.writeFile(QStringLiteral("many/d%1/f%2.txt").arg(i % 20).arg(i));
    const QString refused[] = {tree.filePath(QStringLiteral("missing")), QStringLiteral("/proc")};
    for (const QString& destination : refused) {
        SCOPED_TRACE(destination.toStdString());
        auto window = makeWindow();
        ASSERT_TRUE(searchAndWait(*window, QStringLiteral("nowhere-to-be-found"), tree.filePath(QStringLiteral("many"))));
        ASSERT_TRUE(statusLine(*window).contains(QStringLiteral("done"))) << statusLine(*window).toStdString();
        window->setDestination(destination);
        ASSERT_TRUE(answerSearch(*window));
        ASSERT_FALSE(window->isSearching());
        EXPECT_EQ(statusLine(*window), QString());
        // The refresh's ticks and a re-sort show no count of the search before.
        window->searchController().refresh();
        window->searchController().refresh();
        EXPECT_EQ(statusLine(*window), QString());
        window->searchController().showPendingResults();
        EXPECT_EQ(statusLine(*window), QStringLiteral("0 found"));
    }
}

// Regression: with no box under "Search in" ticked, Return showed "0 found"
// and nothing else.
TEST_F(SearchWindowTest, NoFieldToSearchInIsSaidRegression)
{
    tree.writeFile(QStringLiteral("f/alpha.txt"));
    auto window = makeWindow();
    ASSERT_TRUE(searchAndWait(*window, QStringLiteral("alpha"), tree.filePath(QStringLiteral("f"))));
    ASSERT_EQ(window->resultsTable()->model()->rowCount(), 1);
    for (const char* box : {"searchName", "searchContent", "searchTags", "searchComments"})
        window->options()->checkBox(box)->setChecked(false);
    ASSERT_TRUE(answerSearch(*window));
    EXPECT_FALSE(window->isSearching());
    EXPECT_EQ(statusLine(*window), QStringLiteral("Nothing to search in: tick a box under “Search in”."));
    EXPECT_EQ(window->resultsTable()->model()->rowCount(), 0) << "the rows of the search before are not its";
}

// Regression: Return with an empty field beeped and said nothing, and the
// rows of the folder searched before stayed under a newly chosen one.
TEST_F(SearchWindowTest, AnEmptySearchSaysWhatToTypeAndOldRowsLeaveANewDestinationRegression)
{
    tree.writeFile(QStringLiteral("f/alpha.txt"));
    tree.makeDir(QStringLiteral("g"));
    installStringsTables();
    struct Case
    {
        const char* language;
        QString said;
    };
    const Case cases[] = {{"en", QStringLiteral("Type a name or words to search for.")},
                          {"de", QStringLiteral("Geben Sie einen Namen oder Wörter ein, nach denen gesucht wird.")}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.language);
        StringsTableTranslator translator;
        QCoreApplication::installTranslator(&translator);
        setPreferredLanguages({QString::fromLatin1(c.language)});
        auto window = makeWindow();
        ASSERT_TRUE(searchAndWait(*window, QStringLiteral("alpha"), tree.filePath(QStringLiteral("f"))));
        ASSERT_EQ(window->resultsTable()->model()->rowCount(), 1);
        window->setInput(QStringLiteral("  "));
        ASSERT_TRUE(answerSearch(*window));
        EXPECT_FALSE(window->isSearching());
        EXPECT_EQ(statusLine(*window), c.said);
        EXPECT_EQ(window->resultsTable()->model()->rowCount(), 1) << "the same folder's rows stay";
        // The same folder chosen again keeps them; another one does not.
        window->setDestination(tree.filePath(QStringLiteral("f")));
        EXPECT_EQ(window->resultsTable()->model()->rowCount(), 1);
        window->setDestination(tree.filePath(QStringLiteral("g")));
        EXPECT_EQ(window->resultsTable()->model()->rowCount(), 0);
        EXPECT_EQ(statusLine(*window), QString());
        setPreferredLanguages({});
        QCoreApplication::removeTranslator(&translator);
    }
}

// Regression: a destination whose name ends in a newline made the button
// two lines tall and pushed the options down.
TEST_F(SearchWindowTest, TheDestinationButtonShowsAnyNameOnOneLineRegression)
{
    auto window = makeWindow();
    window->setDestination(tree.makeDir(QStringLiteral("plain")));
    const QSize plain = window->destinations()->sizeHint();
    const QString names[] = {QStringLiteral("ends in a newline\n"), QStringLiteral("two\nlines"),
                             QStringLiteral("carriage\rreturn\n\n"), QStringLiteral("tab\there")};
    for (const QString& name : names) {
        SCOPED_TRACE(name.toStdString());
        window->setDestination(tree.makeDir(name));
        const QString shown = window->destinations()->text();
        EXPECT_FALSE(shown.contains(u'\n') || shown.contains(u'\r') || shown.contains(u'\t'));
        EXPECT_TRUE(shown.contains(QChar(char16_t(0x21B5))) || shown.contains(QChar(char16_t(0x2192))));
        EXPECT_EQ(window->destinations()->sizeHint().height(), plain.height());
    }
}

// Regression: in German "Einstellungen" named both the window's drawer
// (its toolbar item) and the Preferences window, and the quit question
// read "Sofort beendet, bliebe es halb erledigt.". Each German text is
// the one its English text means, and no two of these name one thing.
TEST_F(SearchWindowTest, GermanNamesTheDrawerAndThePreferencesApartRegression)
{
    installStringsTables();
    StringsTableTranslator translator;
    setPreferredLanguages({QStringLiteral("de")});
    const auto german = [&translator](const char* english) {
        return translator.translate("SearchWindow", english);
    };
    const QString drawer = german("Settings");
    const QString drawerCommand = german("Content Lists");
    const QString preferences = german("Preferences");
    const QString quitting = german("Quitting now would leave it half done.");
    setPreferredLanguages({});
    EXPECT_EQ(drawer, drawerCommand) << "the toolbar item names the drawer as its command does";
    EXPECT_NE(drawer, preferences);
    EXPECT_FALSE(drawer.contains(QStringLiteral("Einstellungen")));
    EXPECT_EQ(preferences, QStringLiteral("Einstellungen"));
    EXPECT_EQ(quitting, QStringLiteral("Wenn Sie jetzt beenden, bleibt der Vorgang halb erledigt."));
}

TEST_F(SearchWindowTest, GermanInterfaceFromTheStringsTables)
{
    installStringsTables();
    StringsTableTranslator translator;
    QCoreApplication::installTranslator(&translator);
    setPreferredLanguages({QStringLiteral("de")});
    auto window = makeWindow();
    const QString button = window->searchButton()->text();
    const QString box = window->options()->checkBox("searchCaseInsensitive")->text();
    const QString header =
        window->resultsTable()->model()->headerData(ResultsTableModel::kSizeColumn, Qt::Horizontal).toString();
    setPreferredLanguages({});
    QCoreApplication::removeTranslator(&translator);
    EXPECT_EQ(button, QStringLiteral("Suchen"));
    EXPECT_EQ(box, QStringLiteral("Groß-/Kleinschreibung ignorieren"));
    EXPECT_EQ(header, QStringLiteral("Größe"));
    EXPECT_EQ(makeWindow()->searchButton()->text(), QStringLiteral("Search")) << "English again";
}

} // namespace
} // namespace sorvant::test
