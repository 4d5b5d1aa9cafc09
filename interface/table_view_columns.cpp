// TableView's columns: the column descriptors, the columns' identifiers,
// widths and hidden state over the header's sections, their persistence in
// the user defaults (autosaving, restoring, fitting restored widths), and
// the header views with their column menu. Kept apart from table_view.cpp,
// which holds the table's drawing, selection, keys and printing.

#include "interface/table_view.h"

#include "foundation/dates.h"
#include "foundation/user_defaults_getters.h"
#include "interface/action_router.h"
#include "interface/application.h"
#include "interface/graphics_context.h"
#include "interface/scroll_views.h"
#include "interface/string_drawing.h"
#include "interface/table_cells.h"
#include "interface/table_geometry.h"
#include "interface/view_extensions.h"
#include "interface/window_extensions.h"
#include "platform/log.h"
#include "platform/notification_center.h"
#include "platform/user_defaults.h"

#include <QApplication>
#include <QContextMenuEvent>
#include <QMenu>
#include <QPainter>
#include <QSignalBlocker>
#include <QStyleOptionHeader>
#include <QTimer>

#include <algorithm>
#include <cmath>

namespace sorvant {
namespace {

QString columnsKey(const QString& name)
{
    return QStringLiteral("TableView Columns %1").arg(name);
}

QString widthsKey(const QString& name)
{
    return QStringLiteral("TableView Column Widths %1").arg(name);
}

// Which columns are hidden: the table's own record, written only while
// autosaving (saving the toolkit's order and widths removes it).
QString hiddenColumnsKey(const QString& name)
{
    return QStringLiteral("NSTableView Hidden Columns %1").arg(name);
}

// The platform's own column records that a save or a removal clears.
QStringList platformKeys(const QString& name)
{
    return {QStringLiteral("NSTableView Columns %1").arg(name), QStringLiteral("NSTableView Columns v2 %1").arg(name),
            QStringLiteral("NSTableView Hidden Columns %1").arg(name),
            QStringLiteral("NSTableView Sort Ordering %1").arg(name)};
}

} // namespace

// --- columns ----------------------------------------------------------------------------------

TableColumn TableColumn::tableColumnWithIdentifier(const QString& identifier, const QString& title, bool resizable,
                                                   bool editable)
{
    TableColumn column;
    column.identifier = identifier;
    column.title = title;
    column.resizingMask = resizable ? kTableColumnAutoresizingMask | kTableColumnUserResizingMask : kTableColumnNoResizing;
    column.editable = editable;
    return column;
}

TableColumn TableColumn::tableColumnWithIdentifier(const QString& identifier, const QString& title, double width,
                                                   double minWidth, double maxWidth, bool resizable, bool editable)
{
    TableColumn column = tableColumnWithIdentifier(identifier, title, resizable, editable);
    column.width = width;
    column.minWidth = minWidth;
    column.maxWidth = maxWidth;
    return column;
}

void TableColumn::setFixWidth(double fixed)
{
    minWidth = fixed;
    maxWidth = fixed;
    width = fixed;
}

void TableColumn::setFixWidthUsingTemplate(const QString& sample, double margin, const QFont& font)
{
    setFixWidth(std::floor(sizeWithFont(sample, font).width()) + margin);
}

void TableColumn::setFixWidthForShortDateAndTimeUsingMargin(double margin, const QFont& font)
{
    setFixWidth(widthForShortDateAndTimeUsingMargin(margin, font));
}

void TableColumn::setDateCellWithFont(const QFont& font, Qt::Alignment alignment)
{
    minWidth = 60;
    maxWidth = 240;
    width = std::clamp(width, minWidth, maxWidth);
    resizingMask = kTableColumnAutoresizingMask | kTableColumnUserResizingMask;
    cell = DateCell::dateCellWithFont(font, alignment);
}

QString TableColumn::description() const
{
    return QStringLiteral("<TableColumn \"%1\": %2>").arg(title, identifier);
}

double widthForShortDateAndTimeUsingMargin(double margin, const QFont& font)
{
    QString text = localizedShortDateTimeDescription(dateWithYear(2007, 12, 31, 10, 59, 59));
    if (text.isNull())
        text = QStringLiteral("00:00:0000 00-00-00");
    return std::floor(sizeWithFont(text, font).width()) + std::max(2.0, margin);
}

// --- TableView: columns and their persistence ----------------------------------------------

UserDefaults& TableView::userDefaults() const
{
    return m_defaults ? *m_defaults : UserDefaults::standardUserDefaults();
}

void TableView::applyColumn(int logical)
{
    const TableColumn& column = m_columns[logical];
    QHeaderView* header = horizontalHeader();
    // A stretched section takes no size: the modes are set again after the
    // sizes (applyColumnAutoresizing).
    header->setSectionResizeMode(logical, QHeaderView::Interactive);
    header->resizeSection(logical, int(std::clamp(column.width, column.minWidth, column.maxWidth)));
    header->setSectionHidden(logical, column.hidden);
    setItemDelegateForColumn(logical, column.cell.data());
}

void TableView::setTableColumns(const QList<TableColumn>& columns)
{
    m_columns = columns;
    for (const TableColumn& column : m_columns) {
        if (QAbstractItemDelegate* cell = column.cell)
            cell->setParent(this);
    }
    // As if every section had just appeared: each gets its column.
    headerSectionCountChanged(0, horizontalHeader()->count());
    horizontalHeader()->viewport()->update();
}

QList<TableColumn> TableView::tableColumns() const
{
    QList<TableColumn> result;
    for (int visual = 0; visual < numberOfColumns(); ++visual) {
        const int logical = horizontalHeader()->logicalIndex(visual);
        TableColumn column = m_columns.value(logical);
        column.hidden = horizontalHeader()->isSectionHidden(logical);
        // A hidden section measures 0: its width is the one it had when shown.
        if (!column.hidden)
            column.width = horizontalHeader()->sectionSize(logical);
        result.append(column);
    }
    return result;
}

int TableView::numberOfColumns() const
{
    return int(std::min<qsizetype>(m_columns.size(), horizontalHeader()->count()));
}

int TableView::logicalIndexOfIdentifier(const QString& identifier) const
{
    for (int logical = 0; logical < numberOfColumns(); ++logical)
        if (m_columns[logical].identifier == identifier)
            return logical;
    return -1;
}

int TableView::columnWithIdentifier(const QString& identifier) const
{
    const int logical = logicalIndexOfIdentifier(identifier);
    return logical < 0 ? -1 : horizontalHeader()->visualIndex(logical);
}

QString TableView::identifierOfColumn(int column) const
{
    return m_columns.value(horizontalHeader()->logicalIndex(column)).identifier;
}

void TableView::moveColumn(int from, int to)
{
    if (from != to)
        horizontalHeader()->moveSection(from, to);
}

void TableView::setWidthOfColumn(int column, double width)
{
    const int logical = horizontalHeader()->logicalIndex(column);
    if (logical < 0 || logical >= m_columns.size())
        return;
    TableColumn& limits = m_columns[logical];
    const int clamped = int(std::lround(std::clamp(width, limits.minWidth, limits.maxWidth)));
    // A hidden section keeps the size for when it is shown again, silently.
    if (horizontalHeader()->isSectionHidden(logical))
        limits.width = clamped;
    horizontalHeader()->resizeSection(logical, clamped);
}

double TableView::widthOfColumn(int column) const
{
    return horizontalHeader()->sectionSize(horizontalHeader()->logicalIndex(column));
}

void TableView::setHiddenOfColumn(const QString& identifier, bool hidden)
{
    const int logical = logicalIndexOfIdentifier(identifier);
    if (logical < 0 || horizontalHeader()->isSectionHidden(logical) == hidden)
        return;
    m_columns[logical].hidden = hidden;
    horizontalHeader()->setSectionHidden(logical, hidden);
    applyColumnAutoresizing();
    columnsChanged();
}

bool TableView::isHiddenColumn(const QString& identifier) const
{
    const int logical = logicalIndexOfIdentifier(identifier);
    return logical >= 0 && horizontalHeader()->isSectionHidden(logical);
}

void TableView::headerSectionResized(int logical, int, int newSize)
{
    // Qt's limits are header-wide: each column's own are kept here.
    if (logical >= 0 && logical < m_columns.size() && newSize > 0) {
        TableColumn& column = m_columns[logical];
        const int clamped = int(std::clamp(double(newSize), std::ceil(column.minWidth), std::floor(column.maxWidth)));
        if (clamped != newSize) {
            horizontalHeader()->resizeSection(logical, clamped);
            return;
        }
        column.width = newSize;
    }
    // A column resized by hand or by code: the following columns take up
    // the difference.
    if (!m_fittingColumns && !autoresizedColumns().contains(logical))
        fitAutoresizedColumns();
    columnsChanged();
}

void TableView::columnsChanged()
{
    if (!m_autosaveColumns || m_restoring || m_autosaveName.isEmpty() || m_savePending)
        return;
    // A drag resizes many times: one save when it settles.
    m_savePending = true;
    QTimer::singleShot(0, this, [this] { savePendingColumns(); });
}

void TableView::savePendingColumns()
{
    if (!m_savePending)
        return;
    m_savePending = false;
    if (m_autosaveColumns && !m_autosaveName.isEmpty())
        autosaveColumns();
}

void TableView::hideEvent(QHideEvent* event)
{
    // A closed window saves now, while whoever keeps its defaults is sure
    // to be there, not when the event loop next runs.
    savePendingColumns();
    QTableView::hideEvent(event);
}

void TableView::showEvent(QShowEvent* event)
{
    QTableView::showEvent(event);
    fitRestoredColumns();
    fitAutoresizedColumns();
}

void TableView::resizeEvent(QResizeEvent* event)
{
    QTableView::resizeEvent(event);
    fitRestoredColumns();
}

void TableView::fitRestoredColumns()
{
    if (!m_fitRestoredColumns || !isVisible() || viewport()->width() <= 0)
        return;
    m_fitRestoredColumns = false;
    QList<int> logicals;
    const QList<ColumnSize> sizes = shownColumnSizes(&logicals);
    if (const auto width = fittedLastColumnWidth(sizes, viewport()->width()))
        horizontalHeader()->resizeSection(logicals.constLast(), int(std::lround(*width)));
}

QList<ColumnSize> TableView::shownColumnSizes(QList<int>* logicals) const
{
    QList<ColumnSize> sizes;
    for (int visual = 0; visual < numberOfColumns(); ++visual) {
        const int logical = horizontalHeader()->logicalIndex(visual);
        if (horizontalHeader()->isSectionHidden(logical))
            continue;
        const TableColumn& column = m_columns[logical];
        sizes.append({double(horizontalHeader()->sectionSize(logical)), column.minWidth, column.maxWidth});
        logicals->append(logical);
    }
    return sizes;
}

void TableView::autosaveColumns() const
{
    saveColumns();
    QVariantList hidden;
    for (const TableColumn& column : tableColumns()) {
        if (column.hidden)
            hidden.append(column.identifier);
    }
    userDefaults().setObject(hidden, hiddenColumnsKey(m_autosaveName));
}

void TableView::restoreAutosavedColumns()
{
    restoreColumns();
    if (m_autosaveName.isEmpty())
        return;
    const UserDefaults& defaults = userDefaults();
    const QVariant hidden = defaults.objectForKey(hiddenColumnsKey(m_autosaveName));
    if (hidden.typeId() != QMetaType::QVariantList && hidden.typeId() != QMetaType::QStringList)
        return;
    // Columns the saved order does not name (new ones) keep their own state.
    const QStringList named = defaults.objectForKey(columnsKey(m_autosaveName)).toStringList();
    const QStringList hiddenIdentifiers = hidden.toStringList();
    m_restoring = true;
    for (int logical = 0; logical < numberOfColumns(); ++logical) {
        const QString& identifier = m_columns[logical].identifier;
        if (!named.contains(identifier))
            continue;
        m_columns[logical].hidden = hiddenIdentifiers.contains(identifier);
        horizontalHeader()->setSectionHidden(logical, m_columns[logical].hidden);
    }
    m_restoring = false;
}

void TableView::setAutosaveName(const QString& name)
{
    m_autosaveName = name;
    if (m_autosaveColumns)
        restoreAutosavedColumns();
}

void TableView::setAutosaveTableColumns(bool flag)
{
    m_autosaveColumns = flag;
    if (flag)
        restoreAutosavedColumns();
}

void TableView::saveColumnsWithAutosaveName(const QString& name) const
{
    if (name.isEmpty())
        return;
    QVariantList identifiers;
    QVariantMap widths;
    for (const TableColumn& column : tableColumns()) {
        identifiers.append(column.identifier);
        widths.insert(column.identifier, static_cast<float>(column.width));
    }
    UserDefaults& defaults = userDefaults();
    for (const QString& key : platformKeys(name))
        defaults.removeObjectForKey(key);
    defaults.removeObjectForKey(QStringLiteral("NSTableView Sort Ordering v2 %1").arg(name));
    defaults.setObject(identifiers, columnsKey(name));
    defaults.setObject(widths, widthsKey(name));
}

void TableView::restoreColumnsWithAutosaveName(const QString& name)
{
    if (name.isEmpty())
        return;
    const UserDefaults& defaults = userDefaults();
    const QVariant order = defaults.objectForKey(columnsKey(name));
    const QVariant widths = defaults.objectForKey(widthsKey(name));
    m_restoring = true;
    int destination = 0;
    for (const QVariant& identifier : order.toList()) {
        const int column = columnWithIdentifier(identifier.toString());
        if (column < 0)
            continue;
        moveColumn(column, destination++);
    }
    if (widths.typeId() == QMetaType::QVariantMap) {
        const QScreen* screen = this->screen();
        const double widestColumn = screen ? screen->availableGeometry().width() : 4096.0;
        const QVariantMap map = widths.toMap();
        for (int column = 0; column < numberOfColumns(); ++column) {
            const auto found = map.constFind(identifierOfColumn(column));
            bool isNumber = false;
            const double width = found != map.constEnd() ? found->toDouble(&isNumber) : 0;
            // A damaged entry leaves its column alone; a width no screen
            // holds (the file is the user's to edit) is cut to the screen.
            if (isNumber && std::isfinite(width))
                setWidthOfColumn(column, std::min(width, widestColumn));
        }
        m_fitRestoredColumns = true;
        fitRestoredColumns();
    }
    m_restoring = false;
}

void TableView::removeSavedColumnsWithAutosaveName(const QString& name, UserDefaults& defaults)
{
    if (name.isEmpty())
        return;
    for (const QString& key : platformKeys(name) + QStringList{columnsKey(name), widthsKey(name)})
        defaults.removeObjectForKey(key);
}

bool TableView::hasAutosavedColumns() const
{
    if (m_autosaveName.isEmpty())
        return false;
    const QStringList keys = platformKeys(m_autosaveName);
    return userDefaults().objectForKey(keys[0]).isValid() || userDefaults().objectForKey(keys[1]).isValid();
}

QString TableView::dumpColumnsWithAutosaveName(const QString& name, const QString& description) const
{
    double total = 0;
    QString lines;
    for (const TableColumn& column : tableColumns()) {
        total += column.width;
        lines += QStringLiteral("\t%1: %2 (%3-%4)\n")
                     .arg(column.identifier)
                     .arg(column.width, 0, 'f', 6)
                     .arg(column.minWidth, 0, 'f', 6)
                     .arg(column.maxWidth, 0, 'f', 6);
    }
    const QString entry = QStringLiteral("%1: %2 <%3>: view width %4, %5 columns, columns width %6\n%7")
                              .arg(description, QString::fromLatin1(metaObject()->className()), name)
                              .arg(double(width()), 0, 'f', 6)
                              .arg(numberOfColumns())
                              .arg(total, 0, 'f', 6)
                              .arg(lines);
    logMessage(entry);
    return entry;
}

// --- headers ---------------------------------------------------------------------------------------

TableColumnHeaderView::TableColumnHeaderView(TableView* table)
    : QHeaderView(Qt::Horizontal, table)
{
}

TableView* TableColumnHeaderView::tableView() const
{
    return qobject_cast<TableView*>(parentWidget());
}

void TableColumnHeaderView::initStyleOptionForIndex(QStyleOptionHeader* option, int logicalIndex) const
{
    QHeaderView::initStyleOptionForIndex(option, logicalIndex);
    if (const TableView* table = tableView(); table && logicalIndex < table->numberOfColumns())
        option->text = table->tableColumnAtLogicalIndex(logicalIndex).title;
}

TableHeaderView::TableHeaderView(TableView* table)
    : TableColumnHeaderView(table)
{
}

void TableHeaderView::contextMenuEvent(QContextMenuEvent* event)
{
    QMenu* menu = defaultMenuExceptPrimaryTableColumnIdentifier(tableView(), QString(), this);
    menu->setAttribute(Qt::WA_DeleteOnClose);
    menu->popup(event->globalPos());
}

TopBorderedTableHeaderView::TopBorderedTableHeaderView(TableView* table)
    : TableColumnHeaderView(table)
{
}

void TopBorderedTableHeaderView::paintEvent(QPaintEvent* event)
{
    TableColumnHeaderView::paintEvent(event);
    QPainter painter(viewport());
    drawTopBorder(painter, this);
}

QMenu* defaultMenuExceptPrimaryTableColumnIdentifier(TableView* table, const QString& primaryIdentifier,
                                                     QWidget* parent)
{
    auto* menu = new QMenu(parent);
    if (!table)
        return menu;
    for (const TableColumn& column : table->tableColumns()) {
        if (!primaryIdentifier.isNull() && column.identifier == primaryIdentifier)
            continue;
        QAction* item = menu->addAction(column.title);
        item->setData(column.identifier);
        item->setCheckable(true);
        item->setChecked(!column.hidden);
        QObject::connect(item, &QAction::triggered, table, [table, item] { toggleTableColumn(table, item); });
    }
    return menu;
}

bool toggleTableColumn(TableView* table, const QAction* item)
{
    const QString identifier = item ? item->data().toString() : QString();
    if (!table || table->columnWithIdentifier(identifier) < 0) {
        QApplication::beep();
        return false;
    }
    table->setHiddenOfColumn(identifier, !table->isHiddenColumn(identifier));
    return true;
}

} // namespace sorvant
