// TableView's wiring to Qt's own mechanisms: the model and the default
// cell, the double action over doubleClicked, and column autoresizing over
// the header's resize modes. Kept apart from table_view.cpp, which holds
// the table's drawing, selection and persistence.

#include "interface/table_view.h"

#include <algorithm>

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
    m_columnAutoresizing = style;
    // Set here only, so that moves and hidden columns leave a caller's own
    // setting of the header alone.
    horizontalHeader()->setStretchLastSection(style == ColumnAutoresizingStyle::LastColumnOnly);
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
    case ColumnAutoresizingStyle::None:
    case ColumnAutoresizingStyle::LastColumnOnly: // the header's own last-section stretch
        break;
    }
    return {};
}

void TableView::applyColumnAutoresizing()
{
    QHeaderView* header = horizontalHeader();
    const QList<int> stretched = autoresizedColumns();
    for (int logical = 0; logical < numberOfColumns(); ++logical) {
        QHeaderView::ResizeMode mode = m_columns[logical].resizingMask & kTableColumnUserResizingMask
            ? QHeaderView::Interactive
            : QHeaderView::Fixed;
        if (stretched.contains(logical))
            mode = QHeaderView::Stretch;
        if (header->sectionResizeMode(logical) != mode)
            header->setSectionResizeMode(logical, mode);
    }
}

} // namespace sorvant
