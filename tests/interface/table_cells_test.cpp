#include "interface/table_cells.h"

#include "foundation/attributed_string.h"
#include "foundation/dates.h"
#include "interface/cell_drawing.h"
#include "interface/colors.h"
#include "interface/fonts.h"
#include "tests/interface/support.h"
#include "system/icon_theme.h"
#include "system/workspace_icons.h"
#include "tests/interface/widget_helpers.h"
#include "tests/support/temp_tree.h"

#include <QFontMetrics>
#include <QFile>
#include <QPainter>
#include <QSignalSpy>
#include <QTest>
#include <QThreadPool>
#include <QPicture>
#include <QStandardItemModel>
#include <QTableView>
#include <QTimeZone>

#include <gtest/gtest.h>

#include <memory>

namespace sorvant {
namespace {

QDateTime at(int year, int month, int day, int hour, int minute)
{
    return dateWithYear(year, month, day, hour, minute, 0);
}

TEST(DateCell, LevelIsTheMostDetailedThatFitsStrictly)
{
    DateCell cell;
    cell.setMeasuredWidths({200, 150, 120, 90, 60}, {50, 90, 40, 80});
    const struct
    {
        double width;
        int level;
        int todayLevel;
    } cases[] = {{201, 0, 3}, {200, 1, 3}, {121, 2, 3}, {91, 3, 3}, {85, 4, 0}, {61, 4, 0}, {50, 4, 4}, {10, 4, 4}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.width);
        cell.updateDetailLevel(c.width);
        EXPECT_EQ(cell.dateDetailLevel(), c.level);
        EXPECT_EQ(cell.todayAndYesterdayLevel(), c.todayLevel);
    }
}

// Regression: a right-aligned date touched the column line at its right,
// a left-aligned one the line before it. Dates keep the text cells' inset
// from both edges, in English and German, at every width the cell takes.
TEST(DateCell, DatesStayClearOfTheColumnLinesRegression)
{
    QStandardItemModel model(1, 1);
    model.setData(model.index(0, 0), QDateTime(QDate(2026, 9, 30), QTime(23, 58, 59), QTimeZone::utc()));
    QTableView view;
    view.setModel(&model);
    const QFont font(QStringLiteral("DejaVu Sans"), 9);
    for (const Qt::Alignment alignment : {Qt::AlignRight, Qt::AlignLeft}) {
        for (const int width : {60, 90, 120, 150, 220}) {
            SCOPED_TRACE(testing::Message() << (alignment == Qt::AlignRight ? "right " : "left ") << width);
            std::unique_ptr<DateCell> cell(DateCell::dateCellWithFont(font, alignment));
            QStyleOptionViewItem option;
            option.widget = &view;
            option.rect = QRect(10, 0, width, 20);
            QImage canvas = test::blankImage(width + 20, 20, Qt::white);
            QPainter painter(&canvas);
            cell->paint(&painter, option, model.index(0, 0));
            painter.end();
            EXPECT_GT(test::inkPixels(canvas, option.rect, Qt::white), 20) << "a date is drawn";
            EXPECT_EQ(test::inkPixels(canvas, QRect(10, 0, 2, 20), Qt::white), 0) << "clear of the line before";
            EXPECT_EQ(test::inkPixels(canvas, QRect(width + 8, 0, 2, 20), Qt::white), 0) << "clear of the line after";
        }
    }
}

TEST(DateCell, TodayAndYesterdayFormsNeedTheSameYearAndRoom)
{
    DateCell cell;
    cell.setMeasuredWidths({400, 300, 200, 150, 60}, {50, 90, 40, 80});
    const QDateTime now = at(2024, 6, 15, 12, 0);
    cell.updateDetailLevel(100);
    EXPECT_TRUE(cell.dateStringToDraw(at(2024, 6, 15, 10, 5), now).startsWith(QStringLiteral("Today, ")));
    EXPECT_TRUE(cell.dateStringToDraw(at(2024, 6, 14, 10, 5), now).startsWith(QStringLiteral("Yesterday, ")));
    cell.updateDetailLevel(60); // room for the words alone
    EXPECT_EQ(cell.dateStringToDraw(at(2024, 6, 15, 10, 5), now), QStringLiteral("Today"));
    EXPECT_EQ(cell.dateStringToDraw(at(2024, 6, 14, 10, 5), now), QStringLiteral("Yesterday"));
    // 31 December seen on 1 January is another year; today a year ago is not today.
    EXPECT_EQ(cell.dateStringToDraw(at(2023, 12, 31, 10, 5), at(2024, 1, 1, 9, 0)), QStringLiteral("12/31/23"));
    EXPECT_EQ(cell.dateStringToDraw(at(2023, 6, 15, 10, 5), now), QStringLiteral("6/15/23"));
}

TEST(DateCell, CreatedShows1970WithoutBirthTimeRegression)
{
    // No birth time, or the zero time a file system gives for none: the
    // cell shows nothing, neither "Jan 1, 1970" nor "---".
    DateCell cell;
    cell.setMeasuredWidths({400, 300, 200, 150, 60}, {50, 90, 40, 80});
    for (const QDateTime& none : {QDateTime(), QDateTime::fromMSecsSinceEpoch(0, Qt::UTC)}) {
        const QVariant value = DateCell::creationDateValue(none);
        EXPECT_EQ(value.typeId(), QMetaType::QString);
        EXPECT_EQ(cell.textForValue(value, 100), QString());
    }
    const QString born = cell.textForValue(DateCell::creationDateValue(at(2024, 6, 14, 10, 5)), 100);
    EXPECT_TRUE(born.contains(QStringLiteral("24"))) << born.toStdString();
}

TEST(DateCell, RememberedTextsFollowValueWidthAndFont)
{
    // The cell keeps the texts it drew; another date, column width or font
    // draws anew.
    DateCell cell;
    const QDateTime monday = at(2006, 1, 2, 9, 30);
    const QDateTime tuesday = at(2006, 1, 3, 9, 30);
    const double full = cell.widthOfLongestDateStringWithLevel(0) + 1;
    EXPECT_EQ(cell.textForValue(monday, full), DateCell::formatForDetailLevel(monday, 0));
    EXPECT_EQ(cell.textForValue(monday, full), DateCell::formatForDetailLevel(monday, 0));
    EXPECT_EQ(cell.textForValue(tuesday, full), DateCell::formatForDetailLevel(tuesday, 0));
    EXPECT_EQ(cell.textForValue(monday.addSecs(60), full), DateCell::formatForDetailLevel(monday.addSecs(60), 0));
    EXPECT_EQ(cell.textForValue(monday, 5), DateCell::formatForDetailLevel(monday, 4));
    EXPECT_EQ(cell.textForValue(monday, full), DateCell::formatForDetailLevel(monday, 0));
    // A larger font: the same width no longer holds the full form.
    QFont larger = cell.font();
    larger.setPointSizeF(cell.font().pointSizeF() * 2);
    cell.setFont(larger);
    EXPECT_NE(cell.textForValue(monday, full), DateCell::formatForDetailLevel(monday, 0));
    EXPECT_GT(cell.widthOfLongestDateStringWithLevel(0), full);
    // Today reads as such, kept or not.
    const QDateTime now = QDateTime::currentDateTime();
    EXPECT_TRUE(cell.textForValue(now, 1000).startsWith(DateCell::todayString()));
    EXPECT_TRUE(cell.textForValue(now, 1000).startsWith(DateCell::todayString()));
    const QDateTime dayBefore = now.addDays(-1);
    if (dayBefore.date().year() == now.date().year()) {
        EXPECT_TRUE(cell.textForValue(dayBefore, 1000).startsWith(DateCell::yesterdayString()));
    }
    const QDateTime twoDaysBefore = now.addDays(-2);
    EXPECT_EQ(cell.textForValue(twoDaysBefore, 1000), DateCell::formatForDetailLevel(twoDaysBefore, 0));
}

TEST(DateCell, MeasuredLevelsStepDownWithTheColumn)
{
    DateCell cell;
    const QDateTime monday = at(2006, 1, 2, 9, 30);
    const QString wide = cell.textForValue(monday, 1000);
    EXPECT_TRUE(wide.contains(QStringLiteral("Monday"))) << wide.toStdString();
    double previous = 1e9;
    for (int level = 0; level < DateCell::kLevels; ++level) {
        SCOPED_TRACE(level);
        const double width = cell.widthOfLongestDateStringWithLevel(level);
        EXPECT_LT(width, previous);
        previous = width;
        EXPECT_EQ(cell.textForValue(monday, width + 1), DateCell::formatForDetailLevel(monday, level));
    }
    EXPECT_EQ(cell.textForValue(monday, 5), QStringLiteral("1/2/06")); // too narrow: the short date, clipped
    EXPECT_EQ(cell.textForValue(QVariant(), 100), QStringLiteral("---"));
    EXPECT_EQ(cell.textForValue(QStringLiteral("as is"), 100), QStringLiteral("as is"));
}

class CellColors : public ::testing::Test
{
protected:
    void SetUp() override
    {
        view.resize(100, 60);
        test::activate(view);
        view.setFocus();
    }

    QStyleOptionViewItem option(bool selected)
    {
        QStyleOptionViewItem result;
        result.widget = &view;
        result.rect = QRect(0, 0, 100, 20);
        if (selected)
            result.state |= QStyle::State_Selected;
        return result;
    }

    QTableView view;
    QImage image = test::blankImage(10, 10);
    QPicture picture;
};

TEST_F(CellColors, FollowSelectionFocusAppearanceAndDevice)
{
    QPainter screen(&image);
    QPainter paper(&picture);
    const Color red = Color::redColor();
    EXPECT_EQ(cellTextColor(controlTextColor(), option(false), screen), controlTextColor());
    EXPECT_EQ(cellTextColor(controlTextColor(), option(false), paper), Color::blackColor());
    EXPECT_EQ(cellTextColor(red, option(false), paper), red);
    EXPECT_EQ(cellTextColor(controlTextColor(), option(true), paper), Color::blackColor());
    EXPECT_EQ(cellTextColor(controlTextColor(), option(true), screen), alternateSelectedControlTextColor());
    view.clearFocus();
    EXPECT_EQ(cellTextColor(Color(), option(true), screen), selectedControlTextColor());
    EXPECT_EQ(cellTextColor(red, option(true), screen), red);
    {
        test::AppearanceScope dark(true);
        EXPECT_EQ(cellTextColor(controlTextColor(), option(false), screen), Color::calibratedWhite(0.88));
        EXPECT_EQ(cellTextColor(Color::blackColor(), option(false), screen), Color::whiteColor());
        EXPECT_EQ(cellTextColor(controlTextColor(), option(false), paper), Color::blackColor());
    }
}

TEST_F(CellColors, BadgesAndInformationTextTakeTheirRoomOrNone)
{
    const QFont font = smallSystemFont();
    // Zero sizes are 0 x 0, not Qt's invalid -1 x -1.
    EXPECT_EQ(badgeSizeWithCount(0, true, font), QSizeF(0, 0));
    EXPECT_EQ(badgeSizeWithCount(0, false, font), QSizeF(0, 0));
    EXPECT_EQ(infoSizeWithString(QString(), font, 4, 4), QSizeF(0, 0));
    EXPECT_EQ(infoSizeWithString(QStringLiteral(""), font, 4, 4), QSizeF(0, 0));
    EXPECT_GE(badgeSizeWithCount(7, true, font).width(), 23);
    EXPECT_GT(badgeSizeWithCount(12345, true, font).width(), badgeSizeWithCount(7, true, font).width());

    QImage canvas = test::blankImage(200, 20, Qt::white);
    QPainter painter(&canvas);
    const QRectF narrow(0, 0, 20, 20);
    EXPECT_EQ(drawBadgeWithFrame(painter, option(false), narrow, 5, true, font), narrow);
    const QRectF frame(0, 0, 200, 20);
    const QRectF rest = drawBadgeWithFrame(painter, option(false), frame, 5, true, font);
    // The size is measured unrounded; drawing rounds the text up.
    EXPECT_NEAR(rest.width(), 200 - badgeSizeWithCount(5, true, font).width(), 1.0);
    EXPECT_EQ(drawBadgeWithFrame(painter, option(false), frame, 0, true, font), frame);
    // The info text is dropped, not truncated, when it does not fit.
    EXPECT_EQ(drawInfoWithString(painter, option(false), QStringLiteral("1234 KB"), font, true, QRectF(0, 0, 30, 20), 4, 4),
              QRectF(0, 0, 30, 20));
    painter.end();
    EXPECT_GT(test::inkPixels(canvas, QRect(170, 0, 30, 20), Qt::white), 20);
    EXPECT_EQ(test::inkPixels(canvas, QRect(0, 0, 150, 20), Qt::white), 0);
}

TEST(CellIndicator, DrawsOnlyFractionsBelowOne)
{
    QImage canvas = test::blankImage(200, 10, Qt::white);
    QPainter painter(&canvas);
    drawIndicator(painter, QRectF(0, 0, 200, 10), 1.0, false);
    drawIndicator(painter, QRectF(0, 0, 200, 10), -0.5, true);
    EXPECT_EQ(test::inkPixels(canvas, canvas.rect(), Qt::white), 0);
    drawIndicator(painter, QRectF(0, 0, 200, 10), 0.01, false);
    painter.end();
    EXPECT_EQ(test::inkPixels(canvas, canvas.rect(), Qt::white), 10 * 10); // 5 % of 200
}

TEST(FileCell, FileTypeAndIconFollowPathOrURL)
{
    test::TempTree tree;
    FileCell cell;
    EXPECT_EQ(cell.font(), smallBoldSystemFont());
    cell.setPath(QStringLiteral("notes.txt")); // not a path: no type, no icon
    EXPECT_TRUE(cell.fileType().isNull());
    EXPECT_TRUE(cell.icon().isNull());
    cell.setPath(QString(), QStringLiteral("txt")); // an empty path still shows its type
    EXPECT_TRUE(cell.path().isNull());
    EXPECT_FALSE(cell.icon().isNull());
    cell.setPath(tree.path());
    EXPECT_EQ(cell.fileType(), QStringLiteral("'fldr'"));
    cell.setURL(QUrl::fromLocalFile(tree.path()));
    EXPECT_TRUE(cell.path().isNull());
    EXPECT_EQ(cell.fileType(), QStringLiteral("'fldr'"));
    cell.setPath(QStringLiteral("/x/report.pdf"));
    EXPECT_TRUE(cell.URL().isEmpty());
    EXPECT_EQ(cell.fileType(), QStringLiteral("pdf"));

    const QFont font = smallBoldSystemFont();
    const QRectF bounds(0, 0, 1000, 100);
    const QSizeF withIcon = FileCell::cellSizeForBounds(bounds, font, QStringLiteral("/x/report.pdf"));
    const QSizeF plain = FileCell::cellSizeForBounds(bounds, font, QStringLiteral("x/report.pdf"));
    EXPECT_GE(withIcon.height(), 20);
    EXPECT_GT(withIcon.width(), plain.width() + 15);
    EXPECT_EQ(FileCell::cellSizeForBounds(bounds, font, QString()), QSizeF(0, 0));
}

// The first paint of each new file type looked its icon up in the icon
// theme on the interface thread (hundreds of ms on a fresh profile): the
// cell shows its kind's generic icon while the pool looks it up.
TEST(FileCell, ANewTypeShowsTheGenericIconUntilItsOwnIsReady)
{
    // A theme whose folder and generic file icons are plain colours.
    test::TempTree tree;
    const QString folder = tree.makeDir(QStringLiteral("icons/plain/16x16/places"));
    QFile index(tree.filePath(QStringLiteral("icons/plain/index.theme")));
    ASSERT_TRUE(index.open(QIODevice::WriteOnly));
    index.write("[Icon Theme]\nName=plain\nDirectories=16x16/places\n\n[16x16/places]\nSize=16\nType=Fixed\n");
    index.close();
    for (const auto& [name, colour] : {std::pair{"folder", Qt::red}, std::pair{"application-x-generic", Qt::blue}}) {
        QImage picture(16, 16, QImage::Format_ARGB32);
        picture.fill(colour);
        ASSERT_TRUE(picture.save(folder + u'/' + QLatin1String(name) + QStringLiteral(".png")));
    }
    // Look-ups other tests started end first, under the theme they had.
    QThreadPool::globalInstance()->waitForDone();
    QCoreApplication::processEvents();
    const QStringList searchPaths = iconThemeSearchPaths();
    setIconThemeSearchPaths({tree.filePath(QStringLiteral("icons"))});
    setIconThemeName(QStringLiteral("plain"));
    clearIconCaches();
    const QSize pixels(16, 16);
    for (const QString& type : {QStringLiteral("bench-only-type"), kFolderType}) {
        SCOPED_TRACE(type.toStdString());
        QSignalSpy loaded(&TypeIconLoading::shared(), &TypeIconLoading::typeIconsDidLoad);
        FileCell cell;
        cell.setPath(QStringLiteral("/x/item"), type);
        const QImage placeholder = placeholderIconForFileType(type, pixels);
        ASSERT_FALSE(placeholder.isNull());
        EXPECT_EQ(cell.icon().pixmap(pixels).toImage().convertToFormat(QImage::Format_ARGB32),
                  placeholder.convertToFormat(QImage::Format_ARGB32));
        QImage own;
        ASSERT_TRUE(QTest::qWaitFor([&] { return !(own = readyIconForFileType(type, pixels)).isNull(); }, 10000));
        EXPECT_TRUE(!loaded.isEmpty() || loaded.wait(10000));
        cell.setPath(QStringLiteral("/x/item"), type); // the next paint of the same row
        EXPECT_EQ(cell.icon().pixmap(pixels).toImage().convertToFormat(QImage::Format_ARGB32),
                  own.convertToFormat(QImage::Format_ARGB32));
        EXPECT_EQ(own.pixelColor(8, 8), QColor(type == kFolderType ? Qt::red : Qt::blue));
    }
    setIconThemeSearchPaths(searchPaths);
    setIconThemeName(QString());
    clearIconCaches();
    EXPECT_NE(placeholderIconForFileType(kFolderType, pixels), placeholderIconForFileType(QStringLiteral("txt"), pixels));
    EXPECT_TRUE(placeholderIconForFileType(QString(), pixels).isNull());
    EXPECT_TRUE(readyIconForFileType(QString(), pixels).isNull());
}

// The first row of `model` drawn by a FileCell `width` points wide on a
// white canvas `canvasWidth` wide and 20 high.
QImage paintedFileCell(QStandardItemModel& model, int width, int canvasWidth)
{
    QTableView view;
    view.setModel(&model);
    FileCell cell;
    QStyleOptionViewItem option;
    option.widget = &view;
    option.rect = QRect(0, 0, width, 20);
    QImage canvas = test::blankImage(canvasWidth, 20, Qt::white);
    QPainter painter(&canvas);
    cell.paint(&painter, option, model.index(0, 0));
    painter.end();
    return canvas;
}

TEST(FileCell, MiddleTruncationKeepsTheHighlightedRun)
{
    QStandardItemModel model(1, 1);
    const QString name = QStringLiteral("a-rather-long-file-name-with-the-match-at-the-end.txt");
    AttributedString highlighted(name);
    highlighted.addAttributes({{attribute::kBackgroundColor, QVariant::fromValue(Color::yellowColor())}},
                              {name.indexOf(QStringLiteral("end")), 3});
    model.setData(model.index(0, 0), name);
    model.setData(model.index(0, 0), QVariant::fromValue(highlighted), cell_role::kHighlighted);
    const QImage canvas = paintedFileCell(model, 140, 160);
    int yellow = 0;
    for (int y = 0; y < 20; ++y)
        for (int x = 0; x < 140; ++x)
            yellow += canvas.pixelColor(x, y) == QColor(Qt::yellow);
    EXPECT_GT(yellow, 10);
    EXPECT_EQ(test::inkPixels(canvas, QRect(141, 0, 19, 20), Qt::white), 0); // nothing beyond the cell
}

TEST(FileCell, NameWithNewlineShowsOnlyFirstLineRegression)
{
    // "a" and a newline before a long run of letters: the whole name shows
    // on one line, the newline as a visible mark, highlighted or not.
    EXPECT_EQ(visibleControlCharacters(QStringLiteral("a\nb\x7f\t\r\x1b")),
              QStringLiteral("a\u21B5b\u2421\u2192\u21B5\u241B"));
    EXPECT_TRUE(visibleControlCharacters(QString()).isNull());
    // The marks of the control characters names hold are in the text font
    // (U+2424 and U+240A are in none of the desktop's usual fonts: a box).
    const QFontMetrics metrics(QFont(QStringLiteral("DejaVu Sans"), 10));
    for (const QChar mark : visibleControlCharacters(QStringLiteral("\n\r\t"))) {
        SCOPED_TRACE(int(mark.unicode()));
        EXPECT_TRUE(metrics.inFontUcs4(mark.unicode()));
    }
    const QString name = QStringLiteral("a\nbbbbbbbbbbbbbbbbbbbb");
    for (bool highlight : {false, true}) {
        SCOPED_TRACE(highlight);
        QStandardItemModel model(1, 1);
        model.setData(model.index(0, 0), name);
        if (highlight) {
            AttributedString highlighted(name);
            highlighted.addAttributes({{attribute::kBackgroundColor, QVariant::fromValue(Color::yellowColor())}}, {0, 1});
            model.setData(model.index(0, 0), QVariant::fromValue(highlighted), cell_role::kHighlighted);
        }
        const QImage canvas = paintedFileCell(model, 300, 300);
        EXPECT_GT(test::inkPixels(canvas, QRect(60, 0, 240, 20), Qt::white), 20);
    }
}

} // namespace
} // namespace sorvant
