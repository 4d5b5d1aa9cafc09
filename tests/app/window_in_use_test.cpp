// The window as a person meets it in use: what an invalid pattern leaves on
// screen, counts in the status line, where the folder chooser opens, how
// wide its sheets are.

#include "app/destination_menu.h"
#include "app/file_actions.h"
#include "app/results_view.h"
#include "app/search_controller.h"
#include "app/search_options.h"
#include "interface/alerts.h"
#include "interface/strings_file.h"
#include "system/deletion_questions.h"
#include "system/file_tests.h"
#include "tests/app/app_test_support.h"

#include <QAbstractButton>
#include <QFileDialog>
#include <QFontMetrics>
#include <QMessageBox>

namespace sorvant::test {
namespace {

using WindowInUseTest = AppFixture;

TEST_F(WindowInUseTest, InvalidPatternEmptiesTheTableRegression)
{
    // The sheet says nothing was searched: the results and the status line
    // on screen stay as they were.
    for (const char* name : {"t/alpha-1", "t/alpha-2", "t/alpha-3"})
        tree.writeFile(QString::fromLatin1(name));
    auto window = makeWindow();
    ASSERT_TRUE(searchAndWait(*window, QStringLiteral("alpha"), tree.filePath(QStringLiteral("t"))));
    ASSERT_EQ(window->resultsTable()->model()->rowCount(), 3);
    const QString status = window->statusText();

    window->options()->modeButton(kSearchRegularExpression)->click();
    window->setInput(QStringLiteral("inv(["));
    ASSERT_TRUE(answerSearch(*window));
    auto* sheet = window->findChild<QMessageBox*>(QStringLiteral("failure"));
    ASSERT_NE(sheet, nullptr);
    EXPECT_EQ(window->resultsTable()->model()->rowCount(), 3);
    EXPECT_EQ(window->statusText(), status);
    EXPECT_EQ(window->searchController().engine().dataSource().count(), 3);
    sheet->close();
}

TEST_F(WindowInUseTest, CountsAreNotGroupedRegression)
{
    // "1200 found" reads badly; the user's locale (here en_US) groups it.
    for (int i = 0; i < 1200; ++i)
        tree.writeFile(QStringLiteral("many/item-%1").arg(i));
    auto window = makeWindow();
    ASSERT_TRUE(searchAndWait(*window, QStringLiteral("item"), tree.filePath(QStringLiteral("many"))));
    EXPECT_EQ(window->statusText(), QStringLiteral("1,200 found"));
}

TEST_F(WindowInUseTest, FolderChooserOpensAtHomeRegression)
{
    // The chooser starts at the folder being searched, not at the home
    // folder; a destination that is no folder leaves it at home.
    const QString folder = tree.makeDir(QStringLiteral("searched/here"));
    auto window = makeWindow();
    window->show();
    window->setDestination(folder);
    window->destinations()->menu()->findChild<QAction*>(QStringLiteral("selectDestination"))->trigger();
    auto* panel = window->findChild<QFileDialog*>();
    ASSERT_NE(panel, nullptr);
    ASSERT_TRUE(QTest::qWaitFor([panel] { return panel->isVisible(); }, 10000));
    EXPECT_EQ(panel->directory().absolutePath(), folder);
    panel->reject();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

TEST_F(WindowInUseTest, SheetsAreASliverRegression)
{
    // Qt sizes a message box by its shortest text: a short title made a
    // sheet some 230 pixels wide, its title cut by the window manager and
    // its text wrapped every three or four words.
    tree.writeFile(QStringLiteral("t/alpha-1"));
    auto window = makeWindow();
    window->resize(1000, 700);
    window->show();
    window->options()->modeButton(kSearchRegularExpression)->click();
    window->setInput(QStringLiteral("inv(["));
    window->setDestination(tree.filePath(QStringLiteral("t")));
    ASSERT_TRUE(answerSearch(*window));
    auto* sheet = window->findChild<QMessageBox*>(QStringLiteral("failure"));
    ASSERT_NE(sheet, nullptr);
    ASSERT_TRUE(QTest::qWaitForWindowExposed(sheet));
    QFont bold = sheet->font();
    bold.setBold(true);
    const int readable = sheet->fontMetrics().averageCharWidth() * kReadableLineCharacters;
    EXPECT_GE(sheet->width(), readable);
    EXPECT_GE(sheet->width(), QFontMetrics(bold).horizontalAdvance(sheet->windowTitle()) + 100);
    sheet->close();
}

TEST_F(WindowInUseTest, KeptItemUnselectedAfterCancelRegression)
{
    // The Trash takes two of three items and refuses one; Cancel keeps it,
    // and it stays selected, so the next command acts on it.
    for (const char* name : {"r/item-a.txt", "r/item-b.txt", "r/item-c.txt"})
        tree.writeFile(QString::fromLatin1(name));
    const QString locked = tree.filePath(QStringLiteral("r/item-b.txt"));
    if (!setFileImmutable(true, locked))
        GTEST_SKIP() << "the immutable flag needs privilege and file-system support";
    auto window = makeWindow();
    const bool searched = searchAndWait(*window, QStringLiteral("item"), tree.filePath(QStringLiteral("r")));
    window->fileActions().setAlertHandler(
        [](const QString&, const QString&, const QString&, const QString&) { return false; });
    bool ended = false;
    if (searched) {
        window->resultsTable()->selectRows({0, 1, 2});
        ended = deleteAndWait(*window, [&window] { window->fileActions().moveToTrash(); });
    }
    setFileImmutable(false, locked);
    ASSERT_TRUE(searched);
    ASSERT_TRUE(ended);
    ASSERT_EQ(window->resultsTable()->model()->rowCount(), 1);
    EXPECT_EQ(window->resultsTable()->selectedPaths(), QStringList{locked});
}

TEST(WindowTexts, DeleteQuestionQuotesInEnglishStyleInGermanRegression)
{
    // One quoting style per language: German sheets and menus quote „so“,
    // and the delete question did “so”.
    installStringsTables();
    setPreferredLanguages({QStringLiteral("de")});
    const QString german = deleteItemsQuestion({QStringLiteral("/d/x"), QStringLiteral("/d/y")});
    setPreferredLanguages({QStringLiteral("en")});
    const QString english = deleteItemsQuestion({QStringLiteral("/d/x")});
    setPreferredLanguages({});
    EXPECT_TRUE(german.contains(QStringLiteral("„x“, „y“"))) << german.toStdString();
    EXPECT_TRUE(english.contains(QStringLiteral("“x”"))) << english.toStdString();
}

} // namespace
} // namespace sorvant::test
