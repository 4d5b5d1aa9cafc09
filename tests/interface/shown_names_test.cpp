// Names as the table and the status line show them: layout characters
// written out, right-to-left names isolated, and a name that holds a
// right-to-left override drawn in the order it is stored.

#include "interface/shown_names.h"

#include "foundation/attributed_string.h"
#include "interface/cell_drawing.h"
#include "interface/colors.h"
#include "interface/controls.h"
#include "interface/table_cells.h"
#include "tests/interface/support.h"

#include <QPainter>
#include <QStandardItemModel>
#include <QTableView>
#include <QWindow>

#include <gtest/gtest.h>

namespace sorvant {
namespace {

TEST(ShownNames, LayoutCharactersAreWrittenOutAndRightToLeftNamesIsolated)
{
    const struct {
        const char* what;
        QString name;
        QString shown;
    } cases[] = {
        {"right-to-left override", QStringLiteral("zz invoice\u202Etxt.exe"),
         QStringLiteral("\u2068zz invoice\u21C4txt.exe\u2069")},
        {"isolates", QStringLiteral("a\u2067b\u2069c"), QStringLiteral("\u2068a\u21C4b\u21C4c\u2069")},
        {"marks", QStringLiteral("\u200Ea\u200F\u061C"), QStringLiteral("\u2068\u21C4a\u21C4\u21C4\u2069")},
        {"line separator", QStringLiteral("one\u2028two"), QStringLiteral("one\u21B5two")},
        {"paragraph separator", QStringLiteral("one\u2029two"), QStringLiteral("one\u21B5two")},
        {"next line", QStringLiteral("one\u0085two"), QStringLiteral("one\u21B5two")},
        {"Hebrew stays readable", QStringLiteral("\u05E9\u05DC\u05D5\u05DD.txt"),
         QStringLiteral("\u2068\u05E9\u05DC\u05D5\u05DD.txt\u2069")},
        {"Arabic stays readable", QStringLiteral("\u0645\u0644\u0641 1.pdf"),
         QStringLiteral("\u2068\u0645\u0644\u0641 1.pdf\u2069")},
        {"C0 marked one for one", QStringLiteral("a\nb\tc"), QStringLiteral("a\u21B5b\u2192c")},
        {"other C1 controls written out", QStringLiteral("a\u0080b"), QStringLiteral("a<U+0080>b")},
        {"plain", QStringLiteral("report.pdf"), QStringLiteral("report.pdf")},
        {"empty", QStringLiteral(""), QStringLiteral("")},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(isolatedVisibleName(c.name), c.shown);
    }
    EXPECT_TRUE(isolatedVisibleName(QString()).isNull());
    EXPECT_TRUE(visibleLayoutCharacters(QString()).isNull());
    EXPECT_EQ(visibleLayoutPositions(QStringLiteral("a\u0080b")), (QList<qsizetype>{0, 1, 9, 10}));
    EXPECT_EQ(visibleLayoutPositions(QStringLiteral("a\u202Eb")), (QList<qsizetype>{0, 1, 2, 3}));
    EXPECT_EQ(visibleLayoutPositions(QString()), QList<qsizetype>{0});
}

// The first row of `model` drawn by a FileCell (the Name column) 300
// points wide on a white canvas.
QImage paintedName(QStandardItemModel& model)
{
    QTableView view;
    view.setModel(&model);
    FileCell cell;
    QStyleOptionViewItem option;
    option.widget = &view;
    option.rect = QRect(0, 0, 300, 20);
    QImage canvas = test::blankImage(300, 20, Qt::white);
    QPainter painter(&canvas);
    cell.paint(&painter, option, model.index(0, 0));
    painter.end();
    return canvas;
}

// `name` in a one-row model, with a yellow highlight over `highlight`
// (none when its length is 0).
QImage paintedName(const QString& name, Range highlight)
{
    QStandardItemModel model(1, 1);
    model.setData(model.index(0, 0), name);
    if (highlight.length > 0) {
        AttributedString highlighted(name);
        highlighted.addAttributes({{attribute::kBackgroundColor, QVariant::fromValue(Color::yellowColor())}},
                                  highlight);
        model.setData(model.index(0, 0), QVariant::fromValue(highlighted), cell_role::kHighlighted);
    }
    return paintedName(model);
}

// Regression: `zz invoice<U+202E>txt.exe` read "zz invoiceexe.txt" in the
// Name column and the status line, as if it were a text file. It is drawn
// exactly as the name with the override marked, its highlight over
// the same letters.
TEST(ShownNames, AnOverrideInANameReordersNothingRegression)
{
    const QString name = QStringLiteral("zz invoice\u202Etxt.exe");
    const QString written = QStringLiteral("zz invoice\u21C4txt.exe");
    EXPECT_EQ(paintedName(name, {}), paintedName(written, {}));
    // "txt" highlighted: after the override in the name, after its mark as
    // shown.
    const QImage highlighted = paintedName(name, {11, 3});
    EXPECT_EQ(highlighted, paintedName(written, {11, 3}));
    EXPECT_NE(highlighted, paintedName(written, {}));

    PathControl path;
    path.setPath(QStringLiteral("/tmp/") + name);
    PathControl shown;
    shown.setPath(QStringLiteral("/tmp/") + written);
    path.resize(400, 24);
    shown.resize(400, 24);
    EXPECT_EQ(path.grab().toImage(), shown.grab().toImage());
    EXPECT_EQ(path.path(), QStringLiteral("/tmp/") + name) << "the path opened keeps its bytes";
    EXPECT_EQ(path.sizeHint().height(), shown.sizeHint().height());
}

// Texts reach widgets that read more than their characters (a tool tip's
// markup, a title's mnemonic, a window title's modified mark) in a form they
// draw as written, spaces and all.
TEST(ShownNames, ToolTipsTitlesAndWindowTitlesDrawTextsAsWritten)
{
    const QString texts[] = {
        QStringLiteral("<b>bold-name.txt"),      QStringLiteral("&lt;amp-name.txt"),
        QStringLiteral("<img src=x>.txt"),       QStringLiteral("<a href=\"x\">link.txt"),
        QStringLiteral("  two  spaces <i>.txt "), QStringLiteral("Tom & Jerry [*] && more.txt"),
        QStringLiteral("a<b.txt"),               QStringLiteral("plain.txt"),
    };
    for (const QString& text : texts) {
        SCOPED_TRACE(text.toStdString());
        EXPECT_EQ(test::drawnToolTip(plainToolTip(text)), text);
        EXPECT_EQ(test::drawnTitle(withoutMnemonics(text)), text.trimmed());
        QWidget window;
        window.setWindowTitle(literalWindowTitle(text));
        window.winId();
        ASSERT_NE(window.windowHandle(), nullptr);
        EXPECT_EQ(window.windowHandle()->title(), text);
    }
    EXPECT_EQ(test::drawnToolTip(nameToolTip(QStringLiteral("<b>evil\u202Etxt.exe"))),
              QStringLiteral("\u2068<b>evil\u21C4txt.exe\u2069"));
    EXPECT_EQ(test::drawnToolTip(pathToolTip(QStringLiteral("/d/<b>\nx/evil\u202Etxt.exe"))),
              QStringLiteral("/d/<b>\u21B5x/\u2068evil\u21C4txt.exe\u2069"));
    for (const auto& transform : {plainToolTip, nameToolTip, pathToolTip, withoutMnemonics, literalWindowTitle}) {
        EXPECT_TRUE(transform(QString()).isNull());
        EXPECT_EQ(transform(QStringLiteral("")), QStringLiteral(""));
    }
}

// A right-to-left folder name in the status line's path stays between its
// slashes: the path reads from "/" to the file's name, left to right.
TEST(ShownNames, ARightToLeftFolderKeepsThePathInOrder)
{
    PathControl path;
    path.setPath(QStringLiteral("/tmp/\u05E9\u05DC\u05D5\u05DD/1 notes.txt"));
    EXPECT_EQ(path.text(), QStringLiteral("/tmp/\u2068\u05E9\u05DC\u05D5\u05DD\u2069/1 notes.txt"));
}

} // namespace
} // namespace sorvant
