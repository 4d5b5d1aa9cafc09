#include "interface/table_geometry.h"

#include <algorithm>
#include <cmath>

namespace sorvant {
namespace {

double clampWidth(double width, const ColumnSize& column)
{
    if (column.minWidth > width)
        return column.minWidth;
    if (width > column.maxWidth)
        return column.maxWidth;
    return width;
}

} // namespace

std::optional<double> fittedLastColumnWidth(const QList<ColumnSize>& columns, double visibleWidth)
{
    if (columns.isEmpty())
        return std::nullopt;
    double total = 0;
    for (const ColumnSize& column : columns)
        total += column.width;
    const double visible = std::nearbyint(visibleWidth);
    const ColumnSize& last = columns.constLast();
    const double width = std::max(last.minWidth, last.width - (total - visible));
    if (total <= visible || width >= last.width)
        return std::nullopt;
    return width;
}

std::optional<QList<double>> fittedColumnWidths(const QList<ColumnSize>& columns, double visibleWidth, double spacing,
                                                bool onlyGrow)
{
    const double visible = std::nearbyint(visibleWidth);
    if (columns.isEmpty())
        return std::nullopt;
    double needed = 0;
    for (const ColumnSize& column : columns)
        needed += column.width;
    needed += std::nearbyint(spacing) * double(columns.size() - 1);
    if (onlyGrow ? !(visible > needed) : visible == needed)
        return std::nullopt;

    QList<double> widths;
    double remainder = visible - needed;
    for (qsizetype index = 0; index < columns.size(); ++index) {
        const qsizetype left = columns.size() - index;
        const double share = left >= 2 ? std::nearbyint(remainder / double(left)) : remainder;
        const double width = clampWidth(columns[index].width + share, columns[index]);
        remainder -= width - columns[index].width;
        widths.append(width);
    }
    return widths;
}

double pageBreakBottom(double top, double proposedBottom, double rowHeight, double rowSpacing, double printableWidth,
                       double frameWidth)
{
    const double scale = printableWidth > frameWidth ? frameWidth / printableWidth : 1.0;
    const double step = (rowSpacing + rowHeight) * scale;
    if (step <= 0)
        return proposedBottom;
    return top + std::floor((proposedBottom - top) / step) * step;
}

Range visibleRowRange(double visibleY, double visibleHeight, double rowHeight, double rowSpacing)
{
    const double step = std::trunc(rowHeight + rowSpacing);
    if (step <= 0)
        return {0, 0};
    const auto first = static_cast<qsizetype>(std::max(0.0, std::trunc(visibleY / step)));
    const auto last = static_cast<qsizetype>(std::max(0.0, std::trunc((visibleY + visibleHeight - 1) / step)));
    return {first, last >= first ? last - first + 1 : 0};
}

} // namespace sorvant
