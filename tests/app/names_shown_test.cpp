// Names and paths as the search window's tool tips, buttons and titles show
// them: as written, never read as markup, their control characters marked
// and a name that could reorder the text around it isolated, in English and
// German. The tool tips are also drawn into the build's screenshots/
// (tooltips-*.png).

#include "app/results_table_model.h"
#include "app/search_window_commands.h"
#include "interface/controls.h"
#include "interface/strings_file.h"
#include "tests/app/app_test_support.h"
#include "tests/interface/support.h"

#include <QAction>
#include <QApplication>
#include <QPainter>
#include <QTableView>
#include <QToolButton>
#include <QToolTip>
#include <QWindow>

namespace sorvant::test {
namespace {

// Sets the tool tips' palette for a scope and puts the one before back.
class ToolTipPaletteScope
{
public:
    explicit ToolTipPaletteScope(const QPalette& palette) { QToolTip::setPalette(palette); }
    ~ToolTipPaletteScope() { QToolTip::setPalette(m_before); }
    ToolTipPaletteScope(const ToolTipPaletteScope&) = delete;
    ToolTipPaletteScope& operator=(const ToolTipPaletteScope&) = delete;

private:
    QPalette m_before = QToolTip::palette();
};

// The names a tester found drawn as markup or reordered, and how each is
// shown.
const struct
{
    const char* what;
    QString name;
    QString shown;
} kNames[] = {
    {"a bold tag", QStringLiteral("<b>bold-name.txt"), QStringLiteral("<b>bold-name.txt")},
    {"an entity", QStringLiteral("&lt;amp-name.txt"), QStringLiteral("&lt;amp-name.txt")},
    {"an image", QStringLiteral("<img src=x>.txt"), QStringLiteral("<img src=x>.txt")},
    {"a link", QStringLiteral("<a href=\"x\">link.txt"), QStringLiteral("<a href=\"x\">link.txt")},
    {"a right-to-left override", QStringLiteral("evil\u202Etxt.exe"), QStringLiteral("\u2068evil\u21C4txt.exe\u2069")},
};

class NamesShownTest : public AppFixture
{
protected:
    void SetUp() override
    {
        installStringsTables();
        for (const auto& c : kNames)
            tree.writeFile(QStringLiteral("names/") + c.name);
        m_folder = tree.filePath(QStringLiteral("names"));
    }
    void TearDown() override
    {
        QToolTip::hideText();
        setPreferredLanguages({});
    }

    // The tool tip the results table shows over the cell at `row`, `column`.
    static QString hoveredToolTip(SearchWindow& window, int row, int column)
    {
        QTableView* table = window.resultsTable();
        QToolTip::hideText();
        const QPoint at = table->visualRect(table->model()->index(row, column)).center();
        QHelpEvent help(QEvent::ToolTip, at, table->viewport()->mapToGlobal(at));
        QApplication::sendEvent(table->viewport(), &help);
        return QToolTip::isVisible() ? QToolTip::text() : QString();
    }

    // The row showing `name`; -1 when none does.
    static int rowOf(const SearchWindow& window, const QString& name)
    {
        const auto* rows = qobject_cast<const ResultsTableModel*>(window.resultsTable()->model());
        for (int row = 0; rows && row < rows->rowCount(); ++row) {
            if (rows->resultAtRow(row)->name() == name)
                return row;
        }
        return -1;
    }

    QString m_folder;
};

// Regression: the Name tool tip, the destination's and the path control's
// went through Qt's guess of rich text: "<b>bold-name.txt" showed bold,
// "&lt;amp-name.txt" as "<amp-name.txt", and a name holding U+202E read
// "evilexe.txt". Each shows as written and marked, in both languages; the
// destination's button and the Quick Look item show a name's "&".
TEST_F(NamesShownTest, ToolTipsShowNamesAsWrittenRegression)
{
    for (const char* language : {"en", "de"}) {
        SCOPED_TRACE(language);
        setPreferredLanguages({QString::fromLatin1(language)});
        auto window = makeWindow();
        window->resize(1040, 640);
        window->show();
        ASSERT_TRUE(searchAndWait(*window, QStringLiteral("txt"), m_folder));
        for (const auto& c : kNames) {
            SCOPED_TRACE(c.what);
            const QString shownPath = m_folder + u'/' + c.shown;
            const int row = rowOf(*window, c.name);
            ASSERT_GE(row, 0);
            EXPECT_EQ(drawnToolTip(hoveredToolTip(*window, row, ResultsTableModel::kFileColumn)), c.shown);
            EXPECT_EQ(drawnToolTip(hoveredToolTip(*window, row, ResultsTableModel::kPathColumn)), shownPath);

            window->resultsTable()->selectRows({row});
            QCoreApplication::processEvents();
            EXPECT_EQ(drawnToolTip(window->pathControl()->toolTip()), shownPath);
            const QAction* quickLook = window->commands().command("toggleQuickLookAction");
            ASSERT_NE(quickLook, nullptr);
            EXPECT_TRUE(drawnTitle(quickLook->text()).contains(c.shown)) << quickLook->text().toStdString();
            EXPECT_TRUE(drawnToolTip(quickLook->toolTip()).contains(c.shown)) << quickLook->toolTip().toStdString();
        }
        // Another destination takes the results away: the table's are read.
        for (const auto& c : kNames) {
            SCOPED_TRACE(c.what);
            DestinationMenu* destination = window->destinations();
            destination->setDestination(m_folder + u'/' + c.name);
            EXPECT_EQ(drawnToolTip(destination->toolTip()), m_folder + u'/' + c.shown);
            EXPECT_EQ(drawnTitle(destination->text()), c.shown);
        }
        window->close();
    }
}

// The search phrase titles the window as it was typed: a right-to-left
// override marked and isolated, "[*]" no modified mark.
TEST_F(NamesShownTest, ThePhraseTitlesTheWindowAsWritten)
{
    const struct
    {
        QString phrase;
        QString title;
    } cases[] = {
        {QStringLiteral("evil\u202Etxt"), QStringLiteral("\u2068evil\u21C4txt\u2069")},
        {QStringLiteral("txt [*]"), QStringLiteral("txt [*]")},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.title.toStdString());
        auto window = makeWindow();
        window->show();
        ASSERT_TRUE(searchAndWait(*window, c.phrase, m_folder));
        ASSERT_NE(window->windowHandle(), nullptr);
        EXPECT_EQ(window->windowHandle()->title(), c.title);
        window->close();
    }
}

// The names' tool tips as the table shows them, one under the other, in
// English and German, light and dark; none is cut.
TEST_F(NamesShownTest, ToolTipsAsAUserSeesThem)
{
    const QString shots = QStringLiteral(SORVANT_SCREENSHOT_DIR);
    QDir().mkpath(shots);
    const struct
    {
        const char* language;
        bool dark;
    } looks[] = {{"en", false}, {"en", true}, {"de", false}, {"de", true}};
    for (const auto& [language, dark] : looks) {
        const QString look = QString::fromLatin1(language) + (dark ? "-dark" : "-light");
        SCOPED_TRACE(look.toStdString());
        setPreferredLanguages({QString::fromLatin1(language)});
        AppearanceScope appearance(dark);
        // Tool tips keep a palette of their own: the dark one's, as a
        // dark desktop gives them.
        const ToolTipPaletteScope tipPalette(dark ? darkFusionPalette() : QToolTip::palette());
        auto window = makeWindow();
        window->resize(1040, 640);
        window->show();
        ASSERT_TRUE(searchAndWait(*window, QStringLiteral("txt"), m_folder));
        QList<QImage> tips;
        for (const auto& c : kNames) {
            SCOPED_TRACE(c.what);
            const int row = rowOf(*window, c.name);
            ASSERT_GE(row, 0);
            for (const int column : {ResultsTableModel::kFileColumn, ResultsTableModel::kPathColumn}) {
                ASSERT_FALSE(hoveredToolTip(*window, row, column).isEmpty());
                QWidget* label = nullptr;
                for (QWidget* widget : QApplication::topLevelWidgets()) {
                    if (widget->objectName() == QLatin1String("qtooltip_label") && widget->isVisible())
                        label = widget;
                }
                ASSERT_NE(label, nullptr);
                EXPECT_GE(label->width(), label->sizeHint().width()) << "cut at its side";
                EXPECT_GE(label->height(), label->sizeHint().height()) << "cut at its foot";
                tips.append(label->grab().toImage());
            }
        }
        int width = 0;
        int height = 0;
        for (const QImage& tip : std::as_const(tips)) {
            width = std::max(width, tip.width());
            height += tip.height() + 4;
        }
        QImage sheet(width + 8, height + 4, QImage::Format_ARGB32_Premultiplied);
        sheet.fill(window->palette().color(QPalette::Window));
        QPainter painter(&sheet);
        int y = 4;
        for (const QImage& tip : std::as_const(tips)) {
            painter.drawImage(4, y, tip);
            y += tip.height() + 4;
        }
        painter.end();
        EXPECT_TRUE(sheet.save(shots + QStringLiteral("/tooltips-%1.png").arg(look)));
        window->close();
    }
}

} // namespace
} // namespace sorvant::test
