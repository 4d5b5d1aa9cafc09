// The search window drawn as a user sees it, in the light and the dark
// appearance: the status line and the highlighted names must stand out
// from their background. The pictures are kept in the build's screenshots/.

#include "app/results_table_model.h"
#include "app/search_window_commands.h"
#include "interface/action_router.h"
#include "interface/colors.h"
#include "interface/controls.h"
#include "interface/localization.h"
#include "interface/preview_window.h"
#include "interface/quick_look.h"
#include "interface/strings_file.h"
#include "search/highlighting.h"
#include "tests/app/app_test_support.h"
#include "tests/interface/support.h"

#include <algorithm>
#include <cmath>

#include <QApplication>
#include <QDir>
#include <QPalette>
#include <QCheckBox>
#include <QLabel>
#include <QMenu>
#include <QToolButton>
#include <QRadioButton>
#include <QTableView>

namespace sorvant::test {
namespace {

using WindowRenderTest = AppFixture;

// A complete dark palette, as a dark desktop theme gives one.
void useDesktopDarkPalette()
{
    QPalette palette(Qt::white, QColor(40, 40, 40));
    palette.setColor(QPalette::Base, QColor(30, 30, 30));
    palette.setColor(QPalette::AlternateBase, QColor(45, 45, 45));
    palette.setColor(QPalette::Text, Qt::white);
    palette.setColor(QPalette::Button, QColor(55, 55, 55));
    palette.setColor(QPalette::ButtonText, Qt::white);
    palette.setColor(QPalette::Highlight, QColor(42, 110, 200));
    palette.setColor(QPalette::HighlightedText, Qt::white);
    palette.setColor(QPalette::PlaceholderText, QColor(150, 150, 150));
    for (const auto role : {QPalette::WindowText, QPalette::Text, QPalette::ButtonText})
        palette.setColor(QPalette::Disabled, role, QColor(120, 120, 120));
    QApplication::setPalette(palette);
}

double lightness(QColor color)
{
    return color.lightnessF();
}

TEST_F(WindowRenderTest, ReadableInLightAndDark)
{
    tree.writeFile(QStringLiteral("w/needle one.txt"));
    tree.writeFile(QStringLiteral("w/needle two.txt"));
    for (const bool dark : {false, true}) {
        SCOPED_TRACE(dark ? "dark" : "light");
        AppearanceScope appearance(dark);
        if (dark)
            useDesktopDarkPalette();
        auto window = makeWindow();
        window->resize(1040, 640);
        ASSERT_TRUE(searchAndWait(*window, QStringLiteral("needle"), tree.filePath(QStringLiteral("w"))));
        window->show();
        // As a user sees it: once the events of showing it have run.
        QCoreApplication::processEvents();
        const QImage image = window->grab().toImage();
        const QString folder = QStringLiteral(SORVANT_SCREENSHOT_DIR);
        QDir().mkpath(folder);
        image.save(folder + QStringLiteral("/window-%1.png").arg(dark ? QStringLiteral("dark") : QStringLiteral("light")));

        // The window's own background follows the appearance.
        const QColor background = image.pixelColor(2, image.height() - 2);
        EXPECT_EQ(lightness(background) < 0.5, dark);

        // The status line's text stands out from it.
        auto* status = window->findChild<QLabel*>(QStringLiteral("searchInfo"));
        ASSERT_NE(status, nullptr);
        EXPECT_EQ(status->text().left(7), QStringLiteral("2 found"));
        const QRect statusRect(status->mapTo(window.get(), QPoint(0, 0)), status->size());
        double extreme = lightness(background);
        for (int y = statusRect.top(); y <= statusRect.bottom(); ++y)
            for (int x = statusRect.left(); x <= statusRect.right(); ++x) {
                const double value = lightness(image.pixelColor(x, y));
                extreme = dark ? std::max(extreme, value) : std::min(extreme, value);
            }
        EXPECT_GT(std::abs(extreme - lightness(background)), 0.4);

        // Unchecked check boxes and radio buttons stand out from the window:
        // some pixels of their indicator (at the left, square) differ
        // clearly, at least 3:1.
        const auto indicatorInk = [&](QWidget* button) {
            const int side = button->height();
            const QPoint origin = button->mapTo(window.get(), QPoint(0, 0));
            int ink = 0;
            double contrast = 1.0;
            for (int y = origin.y(); y < origin.y() + side; ++y)
                for (int x = origin.x(); x < origin.x() + side; ++x) {
                    ink += std::abs(lightness(image.pixelColor(x, y)) - lightness(background)) > 0.15;
                    contrast = std::max(contrast, contrastRatio(image.pixelColor(x, y), background));
                }
            EXPECT_GE(contrast, 3.0);
            return ink;
        };
        int checkedButtons = 0;
        for (QAbstractButton* button : window->findChildren<QAbstractButton*>()) {
            if (!(qobject_cast<QCheckBox*>(button) || qobject_cast<QRadioButton*>(button)) || button->isChecked() ||
                !button->isEnabled() || !button->isVisible())
                continue;
            SCOPED_TRACE(button->text().toStdString());
            EXPECT_GT(indicatorInk(button), 20);
            ++checkedButtons;
        }
        EXPECT_GE(checkedButtons, 4);

        // The matched part of the first name is drawn on the highlight colour.
        QTableView* table = window->resultsTable();
        const QRect cell = table->visualRect(table->model()->index(0, ResultsTableModel::kFileColumn));
        const QRect inWindow(table->viewport()->mapTo(window.get(), cell.topLeft()), cell.size());
        const QColor highlight = QColor::fromRgba(primaryBackgroundHighlightingColor().argb());
        int highlighted = 0;
        for (int y = inWindow.top(); y <= inWindow.bottom(); ++y)
            for (int x = inWindow.left(); x <= inWindow.right(); ++x)
                highlighted += image.pixelColor(x, y) == highlight;
        EXPECT_GT(highlighted, 50);
    }
}

// The window's small faults as a user meets them, in English and German,
// light and dark: a name holding a right-to-left override in the table and
// the status line, a destination whose name ends in a newline, the columns
// shown from View > Columns, right-aligned dates, the empty search's hint
// and the Columns menu's boxes. The pictures are kept in the build's
// screenshots/ (window-shown-*.png, window-columns-menu-*.png).
TEST_F(WindowRenderTest, NamesColumnsAndHintsAsAUserSeesThem)
{
    installStringsTables();
    const QString odd = QStringLiteral("zz invoice\u202Etxt.exe");
    tree.writeFile(QStringLiteral("Belege\n/") + odd);
    tree.writeFile(QStringLiteral("Belege\n/zz invoice plain.pdf"));
    const QString folder = tree.filePath(QStringLiteral("Belege\n"));
    const QString shots = QStringLiteral(SORVANT_SCREENSHOT_DIR);
    QDir().mkpath(shots);
    for (const char* language : {"en", "de"}) {
        for (const bool dark : {false, true}) {
            const QString name = QStringLiteral("%1-%2").arg(QLatin1String(language),
                                                             dark ? QStringLiteral("dark") : QStringLiteral("light"));
            SCOPED_TRACE(name.toStdString());
            StringsTableTranslator translator;
            QCoreApplication::installTranslator(&translator);
            setPreferredLanguages({QString::fromLatin1(language)});
            AppearanceScope appearance(dark);
            if (dark)
                useDesktopDarkPalette();
            auto window = makeWindow();
            window->resize(1040, 640);
            window->show();
            ASSERT_TRUE(searchAndWait(*window, QStringLiteral("zz invoice"), folder));
            for (const char* column : {"info", "comment"}) {
                const auto& tags = ResultsView::kToggleColumns;
                // The window before kept its columns for this window index.
                if (window->resultsTable()->isHiddenColumn(QString::fromLatin1(column))) {
                    EXPECT_TRUE(window->resultsTable()->toggleColumn(
                        int(std::find(tags.begin(), tags.end(), QString::fromLatin1(column)) - tags.begin())));
                }
                EXPECT_FALSE(window->resultsTable()->isHiddenColumn(QString::fromLatin1(column)));
            }
            const auto* rows = qobject_cast<ResultsTableModel*>(window->resultsTable()->model());
            ASSERT_NE(rows, nullptr);
            const QStringList paths = rows->pathsOfRows({0, 1});
            const int oddRow = int(paths.indexOf(folder + u'/' + odd));
            ASSERT_GE(oddRow, 0);
            window->resultsTable()->selectRows({oddRow});
            window->resultsTable()->setFocus();
            QuickLookController& preview = QuickLookController::sharedController();
            preview.openQuickLook();
            QCoreApplication::processEvents();
            // Return with an empty field: the hint in the status line.
            window->setInput(QString());
            ASSERT_TRUE(answerSearch(*window));
            QCoreApplication::processEvents();
            window->grab().toImage().save(shots + QStringLiteral("/window-shown-%1.png").arg(name));

            const auto* status = window->findChild<QLabel*>(QStringLiteral("searchInfo"));
            ASSERT_NE(status, nullptr);
            EXPECT_FALSE(status->text().isEmpty());
            EXPECT_FALSE(window->pathControl()->text().contains(QChar(char16_t(0x202E))));
            EXPECT_TRUE(window->pathControl()->text().contains(QStringLiteral("\u21C4txt.exe")));
            EXPECT_FALSE(window->destinations()->text().contains(u'\n'));

            // Another destination: its rows go, and the preview lets go of
            // the file it showed.
            ASSERT_EQ(preview.numberOfPreviewItems(), 1);
            preview.sharedPanel()->grab().toImage().save(shots + QStringLiteral("/window-preview-%1.png").arg(name));
            window->setDestination(tree.makeDir(QStringLiteral("elsewhere")));
            EXPECT_EQ(preview.numberOfPreviewItems(), 0);
            QCoreApplication::processEvents();
            preview.sharedPanel()->grab().toImage().save(shots + QStringLiteral("/window-preview-after-%1.png").arg(name));
            window->grab().toImage().save(shots + QStringLiteral("/window-elsewhere-%1.png").arg(name));
            preview.closePanel();

            QMenu* columns = window->commands().makeColumnsMenu(window.get());
            validateMenuActions(columns);
            columns->adjustSize();
            columns->grab().toImage().save(shots + QStringLiteral("/window-columns-menu-%1.png").arg(name));
            delete columns;
            window->close();
            setPreferredLanguages({});
            QCoreApplication::removeTranslator(&translator);
        }
    }
}

} // namespace
} // namespace sorvant::test
