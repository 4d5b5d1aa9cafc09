// Renders a sample results table (file icons, a highlighted name, middle
// truncated paths with a count badge, dates in a wide and a narrow column,
// stripes and a selected row) into table-light.png and table-dark.png in the
// test's working folder (build/<config>/tests), for a person to look at.
#include "foundation/attributed_string.h"
#include "foundation/dates.h"
#include "interface/cell_drawing.h"
#include "interface/colors.h"
#include "interface/fonts.h"
#include "interface/table_cells.h"
#include "interface/table_view.h"
#include "system/workspace_icons.h"
#include "tests/interface/support.h"
#include "tests/interface/widget_helpers.h"

#include <QDir>
#include <QStandardItemModel>

#include <gtest/gtest.h>

namespace sorvant {
namespace {

void fillModel(QStandardItemModel& model)
{
    const QStringList paths{QStringLiteral("/home/someone/Documents/projects/search/highlighted-name.txt"),
                            QStringLiteral("/home/someone/Pictures/holidays/2025/beach.png"),
                            QDir::tempPath(),
                            QStringLiteral("/usr/share/doc/very/deeply/nested/folder/structure/readme.md"),
                            QStringLiteral("/home/someone/notes.pdf")};
    const QDateTime now = QDateTime::currentDateTime();
    const QList<QDateTime> dates{now, dateByAddingDays(now, -1), dateWithYear(2024, 3, 5, 14, 7, 0),
                                 dateWithYear(2019, 11, 30, 8, 15, 0), dateWithYear(2006, 1, 2, 9, 30, 0)};
    for (int row = 0; row < paths.size(); ++row) {
        const QString path = paths[row];
        const QString name = path.section(QLatin1Char('/'), -1);
        model.setData(model.index(row, 0), name);
        model.setData(model.index(row, 0), path, cell_role::kFullPath);
        model.setData(model.index(row, 0), fileTypeForPath(path), cell_role::kFileType);
        if (row == 0) {
            AttributedString highlighted(name);
            highlighted.addAttributes({{attribute::kBackgroundColor, QVariant::fromValue(Color::yellowColor())},
                                       {attribute::kForegroundColor, QVariant::fromValue(Color::blackColor())}},
                                      {name.indexOf(QStringLiteral("name")), 4});
            model.setData(model.index(row, 0), QVariant::fromValue(highlighted), cell_role::kHighlighted);
        }
        model.setData(model.index(row, 1), dates[row]);
        model.setData(model.index(row, 2), dates[row]);
        model.setData(model.index(row, 3), path.section(QLatin1Char('/'), 0, -2));
        model.setData(model.index(row, 3), row == 3 ? 12u : 0u, cell_role::kBadgeCount);
    }
}

QImage renderTable()
{
    QStandardItemModel model(5, 4);
    fillModel(model);
    StripeTableView table;
    table.setModel(&model);
    auto file = TableColumn::tableColumnWithIdentifier(QStringLiteral("file"), QStringLiteral("Name"), 190, 60, 400, true, false);
    file.cell = FileCell::fileCell();
    auto wide = TableColumn::tableColumnWithIdentifier(QStringLiteral("created"), QStringLiteral("Created"), true, false);
    wide.setDateCellWithFont(smallSystemFont(), Qt::AlignRight);
    wide.width = 230;
    auto narrow = TableColumn::tableColumnWithIdentifier(QStringLiteral("modified"), QStringLiteral("Modified"), true, false);
    narrow.setDateCellWithFont(smallSystemFont(), Qt::AlignRight);
    narrow.width = 80;
    auto path = TableColumn::tableColumnWithIdentifier(QStringLiteral("path"), QStringLiteral("Path"), 180, 40, 1000, true, false);
    path.cell = new TextFieldCell(LineBreakMode::ByTruncatingMiddle, smallSystemFont(), false, 0);
    table.setTableColumns({file, wide, narrow, path});
    table.highlightColumnWithIdentifier(QStringLiteral("modified"), true);
    table.resize(700, 150);
    table.selectRowIndex(1);
    test::activate(table);
    table.setFocus();
    const QImage image = table.grab().toImage();
    return image;
}

// A desktop's palette generated from its button colour, so that headers and
// stripes look as they would on a real desktop.
QImage renderTableWithPalette(const QColor& button)
{
    const QPalette previous = QApplication::palette();
    QApplication::setPalette(QPalette(button));
    AppleInterfaceStyleMonitor::shared().appearanceMayHaveChanged();
    const QImage image = renderTable();
    QApplication::setPalette(previous);
    AppleInterfaceStyleMonitor::shared().appearanceMayHaveChanged();
    return image;
}

TEST(TableRender, SampleTableInLightAndDark)
{
    const QImage light = renderTableWithPalette(QColor(240, 240, 240));
    const QImage dark = renderTableWithPalette(QColor(45, 45, 45));
    ASSERT_FALSE(isDarkAquaInterfaceStyle());
    ASSERT_TRUE(light.save(QDir::current().filePath(QStringLiteral("table-light.png"))));
    ASSERT_TRUE(dark.save(QDir::current().filePath(QStringLiteral("table-dark.png"))));
    // The highlighted run keeps its colour in both appearances.
    for (const QImage* image : {&light, static_cast<const QImage*>(&dark)}) {
        int yellow = 0;
        for (int y = 0; y < image->height(); ++y)
            for (int x = 0; x < 200; ++x)
                yellow += image->pixelColor(x, y) == QColor(Qt::yellow);
        EXPECT_GT(yellow, 10);
    }
    EXPECT_NE(light.pixelColor(650, 140), dark.pixelColor(650, 140));
}

} // namespace
} // namespace sorvant
