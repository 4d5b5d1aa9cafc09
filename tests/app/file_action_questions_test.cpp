// The questions a search window asks before Trash and Delete go further, as
// the user sees them: the names of the items exactly as written, whatever
// they hold, and why the Trash refused each item.

#include "app/failure_messages.h"
#include "app/file_actions.h"
#include "app/search_window.h"
#include "interface/alerts.h"
#include "interface/strings_file.h"
#include "platform/file_error.h"
#include "tests/app/app_test_support.h"

#include <QLabel>
#include <QMessageBox>
#include <QTextBlock>
#include <QTextDocument>

#include <cerrno>

namespace sorvant::test {
namespace {

// The text `label` draws: its document's characters, the joiners the
// layout added left out.
QString drawnText(const QLabel& label)
{
    const QTextDocument* document = label.findChild<QTextDocument*>();
    if (!document)
        return label.text();
    QString drawn;
    for (int at = 0; at < document->characterCount() - 1; ++at) {
        if (!isAddedJoiner(document, at))
            drawn += document->characterAt(at);
    }
    return drawn;
}

class FileActionQuestionsTest : public AppFixture
{
protected:
    void SetUp() override
    {
        installStringsTables();
        m_previous = setAlertRunner(nullptr);
    }
    void TearDown() override
    {
        setAlertRunner(m_previous);
        setPreferredLanguages({});
    }

    AlertRunner m_previous;
};

// Regression: Shift+Delete of a file named "<b>bold-name.txt" asked "Do you
// really want to delete “bold-name.txt”?" with the rest in bold, and one
// named "&lt;amp-name.txt" was asked about as "<amp-name.txt". The question
// names each as written, in English and in German; Cancel keeps the file.
// Pictures: delete-question-<name>-<language>.png.
TEST_F(FileActionQuestionsTest, ShiftDeleteAsksAboutTheNameAsWrittenRegression)
{
    const struct
    {
        const char* shot;
        QString name;
    } names[] = {{"bold-tag", "<b>bold-name.txt"}, {"entity", "&lt;amp-name.txt"}};
    const struct
    {
        const char* language;
        QString question; // %1: the name
    } languages[] = {
        {"en", "Do you really want to delete “%1”? This can't be undone."},
        {"de", "Möchten Sie „%1“ wirklich löschen? Dies kann nicht widerrufen werden."},
    };
    for (const auto& name : names)
        tree.writeFile(QStringLiteral("w/") + name.name, "x");
    auto window = shownWindowAfterSearch(QStringLiteral("name"), tree.filePath(QStringLiteral("w")));
    ASSERT_TRUE(window);
    ASSERT_EQ(window->resultsTable()->model()->rowCount(), 2);
    for (const auto& language : languages) {
        setPreferredLanguages({QString::fromLatin1(language.language)});
        for (const auto& name : names) {
            SCOPED_TRACE(language.language + (": " + name.name.toStdString()));
            const QString question = language.question.arg(name.name);
            int asked = 0;
            setAlertRunner([&](QMessageBox* alert) {
                ++asked;
                alert->show();
                EXPECT_TRUE(QTest::qWaitForWindowExposed(alert));
                const QLabel* shown = nullptr;
                for (const QLabel* label : alert->findChildren<QLabel*>()) {
                    if (label->text() == question)
                        shown = label;
                }
                EXPECT_NE(shown, nullptr) << "no text says " << question.toStdString();
                EXPECT_EQ(shown ? drawnText(*shown) : QString(), question);
                expectWholeAndSave(*alert, QStringLiteral(SORVANT_SCREENSHOT_DIR "/delete-question-%1-%2.png")
                                               .arg(QLatin1String(name.shot), QLatin1String(language.language)));
                alert->hide();
                return kAlertDefaultReturn; // Cancel
            });
            const QString path = tree.filePath(QStringLiteral("w/") + name.name);
            window->resultsTable()->selectRows(window->searchController().model()->rowsOfPaths({path}));
            // The key reaches the window's shortcuts once it is active again
            // after the last question.
            window->activateWindow();
            ASSERT_TRUE(QTest::qWaitForWindowActive(window.get()));
            QTest::keyClick(window->resultsTable(), Qt::Key_Delete, Qt::ShiftModifier);
            // The question ran inside the key press, so the simulated Shift
            // stays down for the application; later tests get it released.
            QTest::keyRelease(window->resultsTable(), Qt::Key_Shift);
            EXPECT_EQ(QGuiApplication::keyboardModifiers(), Qt::NoModifier);
            EXPECT_EQ(asked, 1);
            EXPECT_TRUE(QFile::exists(path));
        }
    }
}

// Regression: a Trash that refused items for several reasons asked about
// all of them with the first one's ("3 items can't be moved to the Trash
// (Operation not permitted)", though one was refused as a cross-device
// link). The question says each item's own reason; declined, all stay.
TEST_F(FileActionQuestionsTest, ATrashRefusedForTwoReasonsSaysEachRegression)
{
    for (int i = 0; i < 3; ++i)
        tree.writeFile(QStringLiteral("w/item-%1.txt").arg(i), "x");
    auto window = makeWindow();
    ASSERT_TRUE(searchAndWait(*window, QStringLiteral("item"), tree.filePath(QStringLiteral("w"))));
    QStringList paths;
    for (int i = 0; i < 3; ++i)
        paths.append(tree.filePath(QStringLiteral("w/item-%1.txt").arg(i)));
    window->fileActions().setItemWork(
        [&paths](const QString& path, FileError* error) {
            error->code = path == paths.at(1) ? EXDEV : EPERM;
            return false;
        },
        {});
    QString question;
    window->fileActions().setAlertHandler([&](const QString&, const QString& message, const QString&,
                                              const QString&) {
        question = message;
        return false;
    });
    setPreferredLanguages({QStringLiteral("en")});
    window->resultsTable()->selectRows(window->searchController().model()->rowsOfPaths(paths));
    ASSERT_TRUE(deleteAndWait(*window, [&window] { window->fileActions().moveToTrash(); }));
    EXPECT_EQ(question, "“item-0.txt” and 1 more can't be moved to the Trash: " + localizedErrorMessage(EPERM)
                            + ". “item-1.txt” can't be moved to the Trash: " + localizedErrorMessage(EXDEV)
                            + ". Do you want to delete these 3 items immediately? This can't be undone.");
    for (const QString& path : paths)
        EXPECT_TRUE(QFile::exists(path)) << path.toStdString();
}

} // namespace
} // namespace sorvant::test
