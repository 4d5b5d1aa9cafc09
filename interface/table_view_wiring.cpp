// TableView's wiring to Qt's own mechanisms: the model and the default
// cell, the double action over doubleClicked, and column autoresizing over
// the header's resize modes. Kept apart from table_view.cpp, which holds
// the table's drawing and selection, and table_view_columns.cpp, which
// holds the columns and their persistence.

#include "interface/table_view.h"

#include "interface/table_geometry.h"

#include <algorithm>
#include <cmath>

namespace sorvant {

void TableView::setDataSourceAndDelegate(QAbstractItemModel* dataSource, QAbstractItemDelegate* delegate)
{
    setModel(dataSource);
    setItemDelegate(delegate ? delegate : m_textCell.data());
}

void TableView::setDoubleAction(const QByteArray& selector, QObject* target)
{
    m_doubleAction = selector;
    m_doubleTarget = target;
    m_hasDoubleTarget = target != nullptr;
}

void TableView::headerSectionCountChanged(int oldCount, int newCount)
{
    const int described = int(std::min<qsizetype>(newCount, m_columns.size()));
    if (oldCount < described) {
        m_restoring = true;
        for (int logical = oldCount; logical < described; ++logical)
            applyColumn(logical);
        m_restoring = false;
        if (m_autosaveColumns)
            restoreAutosavedColumns();
    }
    applyColumnAutoresizing();
}

void TableView::setColumnAutoresizing(ColumnAutoresizingStyle style)
{
    // The columns keep the widths they have: the style decides only which
    // ones follow the next change of the table's width.
    m_columnAutoresizing = style;
    applyColumnAutoresizing();
}

QList<int> TableView::autoresizedColumns() const
{
    // The described columns that are shown, as logical indexes in display order.
    const QHeaderView* header = horizontalHeader();
    QList<int> shown;
    QList<int> autoresizing;
    for (int visual = 0; visual < header->count(); ++visual) {
        const int logical = header->logicalIndex(visual);
        if (logical < 0 || logical >= numberOfColumns() || header->isSectionHidden(logical))
            continue;
        shown.append(logical);
        if (m_columns[logical].resizingMask & kTableColumnAutoresizingMask)
            autoresizing.append(logical);
    }
    switch (m_columnAutoresizing) {
    case ColumnAutoresizingStyle::Uniform:
        return autoresizing;
    case ColumnAutoresizingStyle::Sequential:
        return autoresizing.isEmpty() ? QList<int>() : QList<int>{autoresizing.last()};
    case ColumnAutoresizingStyle::ReverseSequential:
        return autoresizing.isEmpty() ? QList<int>() : QList<int>{autoresizing.first()};
    case ColumnAutoresizingStyle::FirstColumnOnly:
        return shown.isEmpty() ? QList<int>() : QList<int>{shown.first()};
    case ColumnAutoresizingStyle::LastColumnOnly:
        return shown.isEmpty() ? QList<int>() : QList<int>{shown.last()};
    case ColumnAutoresizingStyle::None:
        break;
    }
    return {};
}

void TableView::applyColumnAutoresizing()
{
    // Qt's Stretch mode would share the width without the columns' limits
    // (it ignores resizes of a stretched section): the columns that follow
    // the width are fixed for the hand and sized here (fitAutoresizedColumns).
    QHeaderView* header = horizontalHeader();
    const QList<int> following = autoresizedColumns();
    for (int logical = 0; logical < numberOfColumns(); ++logical) {
        const QHeaderView::ResizeMode mode =
            (m_columns[logical].resizingMask & kTableColumnUserResizingMask) && !following.contains(logical)
            ? QHeaderView::Interactive
            : QHeaderView::Fixed;
        if (header->sectionResizeMode(logical) != mode)
            header->setSectionResizeMode(logical, mode);
    }
    fitAutoresizedColumns();
}

void TableView::fitAutoresizedColumns()
{
    // A table not shown has no width of its own yet: restored widths stay
    // until it is shown.
    const QList<int> following = autoresizedColumns();
    const int visible = viewport()->width();
    if (m_fittingColumns || following.isEmpty() || visible <= 0 || !isVisible())
        return;
    // The room the other shown sections leave, shared out among the
    // following columns within their limits (fittedColumnWidths); what a
    // column at its maximum does not take stays empty.
    const QHeaderView* header = horizontalHeader();
    double others = 0;
    for (int logical = 0; logical < header->count(); ++logical) {
        if (!header->isSectionHidden(logical) && !following.contains(logical))
            others += header->sectionSize(logical);
    }
    QList<ColumnSize> sizes;
    for (const int logical : following) {
        const TableColumn& column = m_columns[logical];
        sizes.append({double(header->sectionSize(logical)), std::ceil(column.minWidth), std::floor(column.maxWidth)});
    }
    const auto widths = fittedColumnWidths(sizes, visible - others, 0, false);
    if (!widths)
        return;
    m_fittingColumns = true;
    for (qsizetype i = 0; i < following.size(); ++i)
        horizontalHeader()->resizeSection(following[i], int(std::lround((*widths)[i])));
    m_fittingColumns = false;
}

void TableView::updateGeometries()
{
    QTableView::updateGeometries();
    // The viewport's width changes with the table's and with its vertical
    // scroll bar coming and going.
    if (isVisible() && m_lastFittedWidth != viewport()->width()) {
        m_lastFittedWidth = viewport()->width();
        fitAutoresizedColumns();
    }
}

} // namespace sorvant
