// The search window with its preview open beside it, as a user sees them,
// in the light and the dark appearance, for each kind of preview: the
// preview's background follows the window's and its text stands out from
// it. The pictures are kept in the build's screenshots/.

#include "app/results_table_model.h"
#include "interface/controls.h"
#include "interface/localization.h"
#include "interface/preview_window.h"
#include "interface/quick_look.h"
#include "interface/strings_file.h"
#include "platform/string_encoding.h"
#include "tests/app/app_test_support.h"
#include "tests/interface/support.h"

#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QLabel>
#include <QLayout>
#include <QFileInfo>
#include <QPainter>
#include <QPdfWriter>
#include <QTableView>

#include <algorithm>

#include <sys/xattr.h>

namespace sorvant::test {
namespace {

class PreviewRenderTest : public AppFixture
{
protected:
    void TearDown() override
    {
        if (QuickLookController* preview = QuickLookController::currentController())
            preview->closePanel();
    }
    // Selects the result named `name` in the window's table; NO when none is.
    static bool selectResult(SearchWindow& window, const QString& name)
    {
        QTableView* table = window.resultsTable();
        for (int row = 0; row < table->model()->rowCount(); ++row) {
            if (table->model()->index(row, ResultsTableModel::kFileColumn).data().toString() == name) {
                table->selectRow(row);
                return true;
            }
        }
        return false;
    }
    // The preview of the result named `name`, opened from the window's table
    // as Space opens it and drawn; null when there is no such result or it
    // is not drawn within 10 s.
    static PreviewWindow* quickLookAt(SearchWindow& window, const QString& name)
    {
        if (!selectResult(window, name))
            return nullptr;
        window.resultsTable()->setFocus();
        QuickLookController& controller = QuickLookController::sharedController();
        controller.openQuickLook();
        PreviewWindow* panel = controller.sharedPanel();
        return QTest::qWaitFor([panel] { return panel->showsCurrentItem(); }, 10000) ? panel : nullptr;
    }
};

// The window and the preview side by side, as one picture.
QImage sideBySide(QWidget& window, QWidget& preview)
{
    const QImage left = window.grab().toImage();
    const QImage right = preview.grab().toImage();
    QImage both(left.width() + 8 + right.width(), std::max(left.height(), right.height()),
                QImage::Format_ARGB32_Premultiplied);
    both.fill(Qt::gray);
    QPainter painter(&both);
    painter.drawImage(0, 0, left);
    painter.drawImage(left.width() + 8, 0, right);
    return both;
}

TEST_F(PreviewRenderTest, EachPreviewInLightAndDark)
{
    tree.writeFile(QStringLiteral("w/needle notes.txt"),
                   "Quarterly notes\n\tindented with a tab\nThe needle is in this line.\n");
    tree.writeFile(QStringLiteral("w/needle readme.md"), "# Needle\n\nSome *markup* and `code`.\n");
    QImage picture(320, 200, QImage::Format_RGB32);
    picture.fill(QColor(200, 60, 40));
    ASSERT_TRUE(picture.save(tree.filePath(QStringLiteral("w/needle picture.png"))));
    {
        QPdfWriter writer(tree.filePath(QStringLiteral("w/needle page.pdf")));
        QPainter painter(&writer);
        painter.setFont(QFont(QStringLiteral("DejaVu Sans"), 24));
        painter.drawText(painter.viewport().adjusted(600, 600, 0, 0), QStringLiteral("A needle in a PDF"));
    }
    tree.writeFile(QStringLiteral("w/needle blob.qqz"), QByteArray("\x00\x01\x02\xff", 4));

    const QString folder = QStringLiteral(SORVANT_SCREENSHOT_DIR);
    QDir().mkpath(folder);
    for (const bool dark : {false, true}) {
        SCOPED_TRACE(dark ? "dark" : "light");
        AppearanceScope appearance(dark);
        auto window = shownWindowAfterSearch(QStringLiteral("needle"), tree.filePath(QStringLiteral("w")));
        ASSERT_TRUE(window);
        window->resize(820, 560);
        QTableView* table = window->resultsTable();
        table->setFocus();
        QuickLookController& controller = QuickLookController::sharedController();
        PreviewWindow* panel = controller.sharedPanel();
        for (const char* name : {"needle notes.txt", "needle readme.md", "needle picture.png", "needle page.pdf",
                                 "needle blob.qqz", ""}) {
            SCOPED_TRACE(name);
            if (*name) {
                ASSERT_TRUE(selectResult(*window, QString::fromUtf8(name)));
            } else {
                table->clearSelection();
            }
            if (!controller.isOpen())
                controller.openQuickLook();
            ASSERT_TRUE(controller.isOpen());
            if (*name) {
                ASSERT_TRUE(QTest::qWaitFor([panel] { return panel->showsCurrentItem(); }, 10000));
            }
            QCoreApplication::processEvents();
            const QString shot = *name ? QFileInfo(QString::fromUtf8(name)).suffix() : QStringLiteral("none");
            sideBySide(*window, *panel)
                .save(folder + QStringLiteral("/preview-%1-%2.png").arg(shot, dark ? u"dark" : u"light"));

            // The preview is as light or dark as the window beside it, and
            // what it shows (a picture aside) stands out from its background.
            const QImage preview = panel->grab().toImage();
            const QColor background = preview.pixelColor(preview.width() - 3, preview.height() - 3);
            const QColor windowBackground = window->grab().toImage().pixelColor(2, window->height() - 2);
            EXPECT_EQ(background.lightnessF() < 0.5, windowBackground.lightnessF() < 0.5)
                << background.name().toStdString() << " beside " << windowBackground.name().toStdString();
            if (shot != u"png") {
                EXPECT_GT(strongestContrast(preview, preview.rect(), background), 0.4);
            }
        }
        controller.closePanel();
    }
}

// Quick Look of a Shift_JIS file with one byte the set leaves out, as a
// user sees it beside the results: its Japanese text and one U+FFFD, drawn
// as the same text from a UTF-8 file is (it was drawn as Latin-1, a box and
// an O for each 前). Screenshot: preview-shift-jis-stray-byte.png.
TEST_F(PreviewRenderTest, AShiftJisFileWithAStrayByteShowsItsJapaneseText)
{
    const QString zen = QString::fromUtf8("\u524d"); // 前, "\x91\x4f" in Shift_JIS
    // Thirty of them on two lines, so that the U+FFFD shows in the window.
    const QString text = zen.repeated(15) + u'\n' + zen.repeated(15) + QChar(QChar::ReplacementCharacter) + u'\n';
    const QByteArray pairs = QByteArray("\x91\x4f").repeated(15);
    const QString declared = tree.writeFile(QStringLiteral("w/needle shift-jis.txt"), pairs + "\n" + pairs + "\x80\n");
    if (::setxattr(QFile::encodeName(declared).constData(), kCharsetAttribute, "Shift_JIS", 9, 0) != 0)
        GTEST_SKIP() << "the temporary file system has no user extended attributes";
    const QString twin = tree.writeFile(QStringLiteral("twin/utf-8.txt"), text.toUtf8());
    auto window = shownWindowAfterSearch(QStringLiteral("needle"), tree.filePath(QStringLiteral("w")));
    ASSERT_TRUE(window);
    window->resize(820, 560);
    PreviewWindow* panel = quickLookAt(*window, QStringLiteral("needle shift-jis.txt"));
    ASSERT_TRUE(panel);
    QCoreApplication::processEvents();
    const QString folder = QStringLiteral(SORVANT_SCREENSHOT_DIR);
    QDir().mkpath(folder);
    sideBySide(*window, *panel).save(folder + QStringLiteral("/preview-shift-jis-stray-byte.png"));

    EXPECT_EQ(decodePreview(declared, panel->size()).text, text);
    const QImage shown = panel->grab().toImage().convertToFormat(QImage::Format_RGB32);
    const QImage expected = renderPreview(twin, panel->size(), panel->palette()).convertToFormat(QImage::Format_RGB32);
    EXPECT_GT(inkPixels(expected, expected.rect(), expected.pixelColor(expected.width() - 3, expected.height() - 3)),
              100);
    EXPECT_EQ(shown, expected);
}

// The status line in English and German, light and dark, as a user reads
// it: a long path cut in its middle beside the count, with the preview of a
// damaged PDF beyond the read bound saying its page is not shown; "nothing
// to search in"; a stopped search. Screenshots: status-*-<en|de>-<light|dark>.png.
TEST_F(PreviewRenderTest, StatusTextsAndTheBoundLineInEachLanguageAndAppearance)
{
    const QString deep = QStringLiteral("w/") + QString(30, QLatin1Char('a')) + QStringLiteral("/")
                         + QString(30, QLatin1Char('b')) + QStringLiteral("/") + QString(30, QLatin1Char('c'));
    const QString damaged = tree.writeFile(deep + QStringLiteral("/needle damaged.pdf"), "%PDF-1.4\n");
    ASSERT_TRUE(QFile(damaged).resize(qint64(6) << 30));
    tree.writeFile(QStringLiteral("w/needle notes.txt"), "notes\n");
    const struct
    {
        const char* language;
        const char* bound;
        const char* nothing;
        const char* stopped;
    } languages[] = {
        {"en", "First page not shown", "Nothing to search in: tick a box under “Search in”.", "Stopped: "},
        {"de", "Erste Seite nicht angezeigt", "Nichts zu durchsuchen: Kreuzen Sie unter „Suchen in“ ein Feld an.",
         "Angehalten: "},
    };
    installStringsTables();
    StringsTableTranslator translator;
    QCoreApplication::installTranslator(&translator);
    const QString folder = QStringLiteral(SORVANT_SCREENSHOT_DIR);
    QDir().mkpath(folder);
    for (const auto& language : languages) {
        setPreferredLanguages({QString::fromLatin1(language.language)});
        for (const bool dark : {false, true}) {
            const QString suffix = QStringLiteral("%1-%2").arg(QLatin1String(language.language),
                                                             dark ? QStringLiteral("dark") : QStringLiteral("light"));
            SCOPED_TRACE(suffix.toStdString());
            AppearanceScope appearance(dark);
            auto window = shownWindowAfterSearch(QStringLiteral("needle"), tree.filePath(QStringLiteral("w")));
            ASSERT_TRUE(window);
            window->resize(820, 560);
            PreviewWindow* panel = quickLookAt(*window, QStringLiteral("needle damaged.pdf"));
            ASSERT_TRUE(panel);
            QuickLookController& controller = QuickLookController::sharedController();
            const QString path = window->pathControl()->shownText();
            EXPECT_TRUE(path.contains(QChar(0x2026))) << path.toStdString();
            EXPECT_TRUE(path.endsWith(QStringLiteral("needle damaged.pdf"))) << path.toStdString();
            const DecodedPreview decoded = decodePreview(damaged, panel->size());
            EXPECT_TRUE(previewCardDetails(decoded, panel->font(), panel->width())
                            .endsWith(QString::fromUtf8(language.bound)));
            sideBySide(*window, *panel).save(folder + QStringLiteral("/status-path-and-bound-%1.png").arg(suffix));
            controller.closePanel();

            const auto status = [&window] { return window->findChild<QLabel*>(QStringLiteral("searchInfo"))->text(); };
            for (const char* box : {"searchName", "searchContent", "searchTags", "searchComments"})
                window->options()->checkBox(box)->setChecked(false);
            ASSERT_TRUE(answerSearch(*window));
            EXPECT_EQ(status(), QString::fromUtf8(language.nothing));
            EXPECT_TRUE(window->pathControl()->path().isNull()) << "no path of a row gone";
            // Not cut once laid out: the line is as wide as its text needs.
            const auto* label = window->findChild<QLabel*>(QStringLiteral("searchInfo"));
            EXPECT_TRUE(QTest::qWaitFor(
                [&] { return label->width() >= label->fontMetrics().horizontalAdvance(status()); }, 10000))
                << label->width() << " for " << label->fontMetrics().horizontalAdvance(status());
            window->grab().save(folder + QStringLiteral("/status-nothing-to-search-%1.png").arg(suffix));

            window->options()->checkBox("searchName")->setChecked(true);
            QSignalSpy ended(window.get(), &SearchWindow::searchDidEnd);
            {
                HeldSearches held(window->searchController().engine());
                ASSERT_TRUE(answerSearch(*window));
                window->cancelOperation();
            }
            ASSERT_TRUE(!ended.isEmpty() || ended.wait(10000));
            EXPECT_TRUE(status().startsWith(QString::fromUtf8(language.stopped))) << status().toStdString();
            // Laid out without the search's progress bar, as it is drawn next.
            window->centralWidget()->layout()->activate();
            window->grab().save(folder + QStringLiteral("/status-stopped-%1.png").arg(suffix));
        }
    }
    setPreferredLanguages({});
    QCoreApplication::removeTranslator(&translator);
}

} // namespace
} // namespace sorvant::test
