#pragma once
// The arithmetic of tables, as pure functions: fitting column widths to the
// visible width, row-aligned page breaks for printing and the range of rows
// in a visible rectangle. Widths and heights are in points.

#include "foundation/range.h"

#include <QList>

#include <optional>

namespace sorvant {

// A column's width and its limits.
struct ColumnSize
{
    double width = 0;
    double minWidth = 0;
    double maxWidth = 1e6;
};

// The widths after fitting columns into `visibleWidth` (rounded to a whole
// number) with `spacing` between columns: the remainder is shared out from
// the first column on, each share rint(R / columns left) and the last
// column taking what is left, every width clamped to its limits, and what a
// clamped column does not take passed on. With `onlyGrow` nothing happens
// unless the visible width exceeds what the columns need; otherwise unless
// it differs. Nothing (nullopt) when nothing changes.
//   one column 100 [50-300], visible 200, grow      => {200}
//   one column 100 [50-150], visible 200, grow      => {150}
//   {100, 100} spacing 3, visible 303, grow         => nullopt
//   {100 [100-100], 100}, spacing 0, visible 260    => {100, 160}
[[nodiscard]] std::optional<QList<double>> fittedColumnWidths(const QList<ColumnSize>& columns, double visibleWidth,
                                                              double spacing, bool onlyGrow);

// The width that brings the columns' total down to `visibleWidth` by
// narrowing the last column, not below its minimum: widths saved from a
// wider window (a stretched last column) fitted into a narrower one.
// Nothing when they fit, when there are no columns, or when the last column
// cannot narrow.
//   {100, 500 [50-1000]}, visible 400   => 300
//   {100, 500 [450-1000]}, visible 400  => 450
//   {100, 200}, visible 400             => nullopt
[[nodiscard]] std::optional<double> fittedLastColumnWidth(const QList<ColumnSize>& columns, double visibleWidth);

// The bottom of a printed page that cuts no row: top + a whole number of row
// steps, the step (row height + spacing) scaled by frame width / printable
// width when the table is narrower than the paper's printable width.
//   top 0, proposed 100, row 17 + 3, page 500, frame 500 => 100
//   top 0, proposed 110, row 17 + 3, page 500, frame 500 => 100
//   top 0, proposed 115, row 20 + 0, page 1000, frame 500 => 110 (step 20 x 0.5)
[[nodiscard]] double pageBreakBottom(double top, double proposedBottom, double rowHeight, double rowSpacing,
                                     double printableWidth, double frameWidth);

// The rows shown by a visible rectangle starting at `visibleY` of
// `visibleHeight` with rows every trunc(rowHeight + spacing) points.
//   y 0, height 100, step 20  => (0, 5)
//   y 10, height 100, step 20 => (0, 6)
[[nodiscard]] Range visibleRowRange(double visibleY, double visibleHeight, double rowHeight, double rowSpacing);

} // namespace sorvant
