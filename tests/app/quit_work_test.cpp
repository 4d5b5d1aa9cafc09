// Quitting and the user's own file work: a stop ends an operation after the
// item at hand, the end of the process waits for that work but not for a
// reader stuck on a pool, and Quit asks while such work runs.

#include "app/application_delegate.h"
#include "app/quit_question.h"
#include "app/user_file_work.h"
#include "foundation/number_formatting.h"
#include "interface/localization.h"
#include "interface/strings_file.h"
#include "platform/background_work.h"
#include "platform/log.h"
#include "tests/app/app_test_support.h"
#include "tests/interface/support.h"

#include <QDir>
#include <QLabel>
#include <QPushButton>

#include <chrono>
#include <future>
#include <semaphore>
#include <system_error>
#include <thread>

namespace sorvant::test {
namespace {

using namespace std::chrono_literals;

// An operation of `total` items, each of which waits for the test to let it
// through; counts the items begun. Its state outlives it with the work, and
// going it lets every item through: a test that fails early leaves no
// thread waiting on a gate that is gone, and its binary ends.
struct GatedItems
{
    struct State
    {
        std::atomic<qsizetype> begun{0};
        std::counting_semaphore<> gate{0};
    };

    explicit GatedItems(qsizetype count) : total(count) {}
    ~GatedItems() { state->gate.release(total); }
    GatedItems(const GatedItems&) = delete;
    GatedItems& operator=(const GatedItems&) = delete;

    QFuture<qsizetype> start(UserFileWork& work)
    {
        return work.start(FileOperation::Kind::Delete, total, [total = total, state = state](FileOperation& operation) {
            qsizetype done = 0;
            for (qsizetype i = 0; i < total && !operation.shouldStop(); ++i) {
                state->begun.fetch_add(1);
                state->gate.acquire();
                operation.itemDone();
                ++done;
            }
            return done;
        });
    }
    // Waits (bounded) until `count` items have begun.
    [[nodiscard]] bool waitForBegun(qsizetype count) const
    {
        const auto until = std::chrono::steady_clock::now() + 30s;
        while (state->begun.load() < count && std::chrono::steady_clock::now() < until)
            std::this_thread::sleep_for(1ms);
        return state->begun.load() >= count;
    }
    void release(qsizetype count) { state->gate.release(count); }
    [[nodiscard]] qsizetype begun() const { return state->begun.load(); }

    const qsizetype total;
    std::shared_ptr<State> state = std::make_shared<State>();
};

// The end of the process: the user's work is waited for whole, or after a
// signal up to its item at hand (and what it left is logged); a reader stuck
// on its pool is left behind at the deadline either way.
TEST(QuitWork, TheEndWaitsForTheUsersWorkButNotForAStuckReader)
{
    // Quit, stop() on the interface thread after a signal, and the flag a
    // signal handler sets.
    for (const int way : {0, 1, 2}) {
        const bool signalled = way > 0;
        SCOPED_TRACE(way == 0 ? "after Quit" : way == 1 ? "after a signal" : "from a signal handler");
        QStringList logged;
        const LogSink previous = setLogSink([&logged](const QString& line) { logged.append(line); });
        QuitBoundedPool readers("Test readers");
        std::counting_semaphore<> readerGate{0};
        std::atomic<bool> readerDone{false};
        readers.threads().start([&] {
            readerGate.acquire();
            readerDone.store(true);
        });
        UserFileWork work;
        GatedItems items(5);
        const QFuture<qsizetype> removed = items.start(work);
        ASSERT_TRUE(items.waitForBegun(1));
        if (way == 1)
            work.stop();
        else if (way == 2)
            work.stopFromSignal();
        auto finished = std::async(std::launch::async, [&] {
            return finishWorkAtQuit(work, [&](QDeadlineTimer deadline) { return readers.drain(deadline); });
        });
        // Left alone, the end would come at the readers' deadline: it waits
        // for the user's item at hand instead, well past that.
        EXPECT_EQ(finished.wait_for(QuitBoundedPool::kQuitWait * 3), std::future_status::timeout);
        items.release(items.total);
        ASSERT_EQ(finished.wait_for(60s), std::future_status::ready);
        EXPECT_FALSE(finished.get()) << "the stuck reader is not waited for";
        EXPECT_FALSE(readerDone.load());
        EXPECT_EQ(removed.result(), signalled ? 1 : items.total);
        EXPECT_EQ(items.begun(), signalled ? 1 : items.total) << "no item begun after the stop";
        const QStringList expected = signalled ? QStringList{QStringLiteral("WARNING: Deleting 5 items stopped: 4 left.")}
                                               : QStringList{};
        EXPECT_EQ(logged, expected);
        setLogSink(previous);
        readerGate.release();
        EXPECT_TRUE(readers.drain(QDeadlineTimer(60s)));
    }
}

// After a signal nothing more is taken off the disk: work that starts then
// (a Delete the Trash's refusal led to) stops before its first item, and
// what it left is logged with the rest.
TEST(QuitWork, WorkStartedAfterASignalStopsBeforeItsFirstItem)
{
    QStringList logged;
    const LogSink previous = setLogSink([&logged](const QString& line) { logged.append(line); });
    UserFileWork work;
    work.stopFromSignal();
    GatedItems items(3);
    const QFuture<qsizetype> removed = items.start(work);
    items.release(items.total);
    ASSERT_TRUE(finishWorkAtQuit(work, [](QDeadlineTimer) { return true; }));
    EXPECT_EQ(removed.result(), 0);
    EXPECT_EQ(items.begun(), 0);
    EXPECT_EQ(logged, QStringList{QStringLiteral("WARNING: Deleting 3 items stopped: 3 left.")});
    setLogSink(previous);
}

TEST(QuitWork, RunningShowsEachOperationsProgressUntilItEnds)
{
    UserFileWork work;
    GatedItems first(3);
    GatedItems second(2);
    (void)first.start(work);
    (void)second.start(work);
    ASSERT_TRUE(first.waitForBegun(1));
    first.release(1);
    ASSERT_TRUE(first.waitForBegun(2));
    const QList<UserFileWork::Progress> running = work.running();
    ASSERT_EQ(running.size(), 2);
    EXPECT_EQ(running.at(0).total, 3);
    EXPECT_EQ(running.at(0).done, 1);
    EXPECT_EQ(running.at(1).total, 2);
    EXPECT_EQ(running.at(1).done, 0);
    EXPECT_FALSE(work.waitForDone(QDeadlineTimer(50ms))) << "a deadline does not wait for the work";
    first.release(2);
    second.release(2);
    EXPECT_TRUE(work.waitForDone(QDeadlineTimer(60s)));
    EXPECT_FALSE(work.isRunning());
    EXPECT_TRUE(work.takeStopped().isEmpty()) << "work that ended whole was not stopped";
}

TEST(QuitWork, OperationsSayWhatTheyDo)
{
    const struct
    {
        FileOperation::Kind kind;
        qsizetype count;
        const char* said;
    } cases[] = {
        {FileOperation::Kind::Delete, 150000, "Deleting 150,000 items…"},
        {FileOperation::Kind::Delete, 1, "Deleting 1 item…"},
        {FileOperation::Kind::Trash, 100000, "Moving 100,000 items to the Trash…"},
        {FileOperation::Kind::Trash, 1, "Moving 1 item to the Trash…"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(fileOperationDescription(c.kind, c.count), QString::fromUtf8(c.said));
}

using QuitQuestionTest = AppFixture;

// Regression: Quit ended the process while a deletion ran, leaving most
// of the items and saying nothing.
TEST_F(QuitQuestionTest, QuitAsksWhileTheUsersWorkRunsAndQuitsWhenItIsDone)
{
    for (const bool quitWhenDone : {true, false}) {
        SCOPED_TRACE(quitWhenDone ? "Quit When Done" : "Cancel");
        ApplicationDelegate delegate(&defaults);
        QSignalSpy terminated(&delegate, &ApplicationDelegate::shouldTerminate);
        GatedItems items(4);
        const QFuture<qsizetype> removed = items.start(UserFileWork::shared());
        ASSERT_TRUE(items.waitForBegun(1));

        delegate.terminate();
        QuitQuestion* question = delegate.quitQuestion();
        ASSERT_NE(question, nullptr);
        EXPECT_TRUE(question->isVisible());
        const auto* title = question->findChild<QLabel*>(QStringLiteral("quitQuestionTitle"));
        ASSERT_NE(title, nullptr);
        EXPECT_EQ(title->text(), QStringLiteral("Deleting 4 items…"));
        // The question polls the work ten times a second: well past that,
        // nothing has quit.
        EXPECT_FALSE(terminated.wait(1000));
        delegate.terminate();
        EXPECT_EQ(delegate.quitQuestion(), question) << "a second Quit shows the same question";

        if (quitWhenDone) {
            question->quitWhenDoneButton()->click();
            EXPECT_FALSE(terminated.wait(1000)) << "waits for the work";
            EXPECT_TRUE(question->isVisible()) << "and shows its progress meanwhile";
            items.release(items.total);
            EXPECT_TRUE(terminated.wait(30000));
            EXPECT_EQ(terminated.size(), 1);
        } else {
            question->cancelButton()->click();
            EXPECT_TRUE(QTest::qWaitFor([&] { return delegate.quitQuestion() == nullptr; }, 10000));
            EXPECT_FALSE(UserFileWork::shared().quitPending());
            items.release(items.total);
        }
        EXPECT_TRUE(UserFileWork::shared().waitForDone(QDeadlineTimer(60s)));
        EXPECT_EQ(removed.result(), items.total) << "quitting cut nothing";
        if (!quitWhenDone) {
            EXPECT_FALSE(terminated.wait(1000)) << "Cancel does not quit once the work is done";
        }
        UserFileWork::shared().setQuitPending(false);
    }
}

// Closing the last window quits (with "QuitOnClose") the way Quit does: it
// asks while the user's work runs, on that window, which stays open.
// Regression: the window went before the question, so Cancel left a
// process running with nothing on screen.
TEST_F(QuitQuestionTest, ClosingTheLastWindowAsksOnItAndCancelKeepsIt)
{
    defaults.setBool(true, QStringLiteral("QuitOnClose"));
    for (const bool quitWhenDone : {true, false}) {
        SCOPED_TRACE(quitWhenDone ? "Quit When Done" : "Cancel");
        ApplicationDelegate delegate(&defaults);
        QSignalSpy terminated(&delegate, &ApplicationDelegate::shouldTerminate);
        SearchWindow* window = delegate.findWindow();
        window->show();
        GatedItems items(3);
        const QFuture<qsizetype> removed = items.start(UserFileWork::shared());
        ASSERT_TRUE(items.waitForBegun(1));
        EXPECT_FALSE(window->close());
        ASSERT_TRUE(QTest::qWaitFor([&] { return delegate.quitQuestion() != nullptr; }, 10000));
        QuitQuestion* question = delegate.quitQuestion();
        EXPECT_TRUE(question->isVisible());
        EXPECT_EQ(question->parentWidget(), window) << "asked on the window that closed";
        EXPECT_TRUE(window->isVisible());
        EXPECT_EQ(delegate.windows(), QList<SearchWindow*>{window});
        EXPECT_TRUE(terminated.isEmpty());
        if (quitWhenDone) {
            question->quitWhenDoneButton()->click();
            items.release(items.total);
            EXPECT_TRUE(terminated.wait(30000));
        } else {
            question->cancelButton()->click();
            EXPECT_TRUE(QTest::qWaitFor([&] { return delegate.quitQuestion() == nullptr; }, 10000));
            EXPECT_TRUE(window->isVisible()) << "Cancel keeps the window";
            EXPECT_EQ(delegate.windows(), QList<SearchWindow*>{window});
            items.release(items.total);
        }
        EXPECT_TRUE(UserFileWork::shared().waitForDone(QDeadlineTimer(60s)));
        EXPECT_EQ(removed.result(), items.total);
        if (!quitWhenDone) {
            EXPECT_TRUE(terminated.isEmpty());
            // With the work done, closing the window closes it and quits.
            EXPECT_TRUE(window->close());
            EXPECT_TRUE(terminated.wait(10000));
        }
        UserFileWork::shared().setQuitPending(false);
    }
}

// A quit under way (after SIGTERM) closes the last window without asking,
// even while the stopped work still ends its item at hand: the quit is not
// held up by a question nobody is to answer.
TEST_F(QuitQuestionTest, AQuitUnderWayClosesTheLastWindowWithoutAsking)
{
    defaults.setBool(true, QStringLiteral("QuitOnClose"));
    ApplicationDelegate delegate(&defaults);
    SearchWindow* window = delegate.findWindow();
    window->show();
    GatedItems items(3);
    (void)items.start(UserFileWork::shared());
    ASSERT_TRUE(items.waitForBegun(1));
    // SIGTERM's way: the work stops and the quit closes the windows; a
    // quit question up then closes first, and its close ends the pending
    // quit, which must not make the window ask again.
    QSignalSpy terminated(&delegate, &ApplicationDelegate::shouldTerminate);
    delegate.terminateWithoutAsking();
    EXPECT_EQ(terminated.size(), 1);
    UserFileWork::shared().setQuitPending(false);
    EXPECT_TRUE(window->close());
    EXPECT_EQ(delegate.quitQuestion(), nullptr);
    items.release(items.total);
    EXPECT_TRUE(UserFileWork::shared().waitForDone(QDeadlineTimer(60s)));
    EXPECT_FALSE(UserFileWork::shared().takeStopped().isEmpty()) << "the work was stopped";
    UserFileWork::shared().setQuitPending(false);
}

// What a stopped operation left, as the log says it: every item not
// removed, failed ones included, in English whatever the interface's
// language.
TEST(QuitWork, TheLeftLineCountsFailedItemsInEnglish)
{
    using Kind = FileOperation::Kind;
    const struct
    {
        UserFileWork::Progress progress;
        const char* line;
    } cases[] = {
        {{Kind::Delete, 5, 1, 0}, "Deleting 5 items stopped: 4 left."},
        {{Kind::Delete, 100000, 44000, 10005}, "Deleting 100,000 items stopped: 66,005 left, 10,005 of them failed."},
        {{Kind::Trash, 18903, 4972, 0}, "Moving 18,903 items to the Trash stopped: 13,931 left."},
        {{Kind::Trash, 1, 1, 1}, "Moving 1 item to the Trash stopped: 1 left, 1 of them failed."},
    };
    installStringsTables();
    StringsTableTranslator translator;
    QCoreApplication::installTranslator(&translator);
    for (const char* language : {"en", "de"}) {
        setPreferredLanguages({QString::fromLatin1(language)});
        for (const auto& c : cases) {
            SCOPED_TRACE(std::string(language) + " " + c.line);
            EXPECT_EQ(fileOperationLeftLine(c.progress), QString::fromUtf8(c.line));
        }
    }
    setPreferredLanguages({});
    QCoreApplication::removeTranslator(&translator);
}

// Regression: an operation whose failed items counted as done logged fewer
// items left than stayed; one that ended whole with failures while quitting
// logged nothing.
TEST(QuitWork, TheEndLogsFailedItemsAsLeft)
{
    QStringList logged;
    const LogSink previous = setLogSink([&logged](const QString& line) { logged.append(line); });
    UserFileWork work;
    // Four items, the second fails; stopped after the third.
    (void)work.start(FileOperation::Kind::Delete, 4, [](FileOperation& operation) {
        for (int i = 0; i < 4 && !operation.shouldStop(); ++i) {
            if (i == 1)
                operation.itemsFailed();
            else
                operation.itemDone();
            if (i == 2)
                operation.stop();
        }
        return 0;
    });
    EXPECT_TRUE(finishWorkAtQuit(work, [](QDeadlineTimer) { return true; }));
    // Ended whole while quitting was pending, with one item failed.
    work.setQuitPending(true);
    (void)work.start(FileOperation::Kind::Trash, 2, [](FileOperation& operation) {
        operation.itemDone();
        operation.itemsFailed();
        return 0;
    });
    EXPECT_TRUE(finishWorkAtQuit(work, [](QDeadlineTimer) { return true; }));
    setLogSink(previous);
    EXPECT_EQ(logged, (QStringList{QStringLiteral("WARNING: Deleting 4 items stopped: 2 left, 1 of them failed."),
                                   QStringLiteral("WARNING: Moving 2 items to the Trash stopped: 1 left, 1 of them failed.")}));
}

// Regression: when no thread could be made for an operation, its entry never
// ended and the end of the process waited for it for ever.
TEST(QuitWork, AnOperationWithoutAThreadEndsStoppedAtOnce)
{
    QStringList logged;
    const LogSink previous = setLogSink([&logged](const QString& line) { logged.append(line); });
    UserFileWork work([](const std::function<void()>&) -> std::thread {
        throw std::system_error(std::make_error_code(std::errc::resource_unavailable_try_again));
    });
    int items = 0;
    const QFuture<int> result = work.start(FileOperation::Kind::Delete, 3, [&items](FileOperation& operation) {
        while (items < 3 && !operation.shouldStop())
            ++items;
        return items;
    });
    ASSERT_TRUE(result.isFinished());
    EXPECT_EQ(result.result(), 0) << "stopped before its first item";
    EXPECT_FALSE(work.isRunning());
    EXPECT_TRUE(work.waitForDone(QDeadlineTimer(0)));
    const QList<UserFileWork::Progress> stopped = work.takeStopped();
    ASSERT_EQ(stopped.size(), 1);
    EXPECT_EQ(stopped.at(0).left(), 3);
    setLogSink(previous);
    ASSERT_EQ(logged.size(), 1);
    EXPECT_TRUE(logged.at(0).startsWith(QStringLiteral("ERROR: "))) << logged.at(0).toStdString();
}

TEST_F(QuitQuestionTest, QuitWithoutTheUsersWorkAsksNothing)
{
    ApplicationDelegate delegate(&defaults);
    QSignalSpy terminated(&delegate, &ApplicationDelegate::shouldTerminate);
    delegate.terminate();
    EXPECT_EQ(terminated.size(), 1);
    EXPECT_EQ(delegate.quitQuestion(), nullptr);
}

// The question as a user sees it, in English and German, light and dark:
// its texts are the language's and none is cut. The pictures are kept in
// the build's screenshots/.
TEST(QuitQuestionPicture, ReadableInEnglishAndGermanLightAndDark)
{
    installStringsTables();
    StringsTableTranslator translator;
    QCoreApplication::installTranslator(&translator);
    const struct
    {
        const char* language;
        const char* title;
        const char* quitWhenDone;
    } languages[] = {
        {"en", "Deleting 150,000 items…", "Quit When Done"},
        {"de", "150,000 Objekte werden gelöscht …", "Beenden, wenn fertig"},
    };
    UserFileWork work;
    GatedItems items(150000);
    (void)items.start(work);
    ASSERT_TRUE(items.waitForBegun(1));
    for (const auto& language : languages) {
        setPreferredLanguages({QString::fromLatin1(language.language)});
        for (const bool dark : {false, true}) {
            SCOPED_TRACE(std::string(language.language) + (dark ? " dark" : " light"));
            AppearanceScope appearance(dark);
            QuitQuestion question(work);
            question.setAttribute(Qt::WA_DeleteOnClose, false);
            question.show();
            ASSERT_TRUE(QTest::qWaitForWindowExposed(&question));
            const auto* title = question.findChild<QLabel*>(QStringLiteral("quitQuestionTitle"));
            const auto* detail = question.findChild<QLabel*>(QStringLiteral("quitQuestionDetail"));
            ASSERT_TRUE(title && detail);
            // The number is grouped as the locale groups it.
            QString expected = QString::fromUtf8(language.title);
            expected.replace(QStringLiteral("150,000"), stringForInteger(150000));
            EXPECT_EQ(title->text(), expected);
            EXPECT_EQ(question.quitWhenDoneButton()->text(), QString::fromUtf8(language.quitWhenDone));
            EXPECT_LE(title->sizeHint().width(), title->width()) << "the title is cut";
            EXPECT_LE(detail->heightForWidth(detail->width()), detail->height()) << "the detail is cut";
            for (const QPushButton* button : {question.quitWhenDoneButton(), question.cancelButton()})
                EXPECT_LE(button->sizeHint().width(), button->width()) << button->text().toStdString();
            const QImage image = question.grab().toImage();
            const QString folder = QStringLiteral(SORVANT_SCREENSHOT_DIR);
            QDir().mkpath(folder);
            image.save(folder + QStringLiteral("/quit-question-%1-%2.png")
                                    .arg(QString::fromLatin1(language.language),
                                         dark ? QStringLiteral("dark") : QStringLiteral("light")));
            const QColor background = image.pixelColor(image.width() - 2, image.height() - 2);
            EXPECT_EQ(background.lightnessF() < 0.5, dark);
            // The title's text stands out from the background.
            const QRect titleRect(title->mapTo(&question, QPoint(0, 0)), title->size());
            EXPECT_GT(inkPixels(image, titleRect, background), 50);
        }
    }
    setPreferredLanguages({});
    QCoreApplication::removeTranslator(&translator);
    work.stop();
    items.release(1);
    EXPECT_TRUE(work.waitForDone(QDeadlineTimer(60s)));
}

} // namespace
} // namespace sorvant::test
