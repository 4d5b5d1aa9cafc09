// SearchWindow: its results table set up (the nine columns and their
// autosaved layout, header clicks and the header's column menu, tool tips),
// sorting and column toggles (the View menu's commands), and
// the path control that shows where the one selected result lives.

#include "app/results_table_model.h"
#include "app/search_window.h"
#include "app/search_window_commands.h"
#include "foundation/number_formatting.h"
#include "interface/controls.h"
#include "interface/fonts.h"
#include "interface/menu_items.h"
#include "interface/table_cells.h"
#include "platform/file_system_representation.h"
#include "search/results_data_source.h"

#include <QAction>
#include <QApplication>
#include <QFontMetricsF>
#include <QHeaderView>
#include <QHelpEvent>
#include <QMenu>
#include <QMimeDatabase>
#include <QMouseEvent>
#include <QToolTip>

#include <algorithm>
#include <cmath>
#include <cstdlib>

namespace sorvant {

namespace {

// The cells' text inset at each side.
constexpr double kTextInset = 3;

// A default width that shows common values whole ("238 bytes", "plain text
// document", in the language shown) in the cells' font: the widest sample,
// the text cell's insets and the grid line; at least `least`.
double widthForSamples(const QStringList& samples, double least)
{
    const QFontMetricsF metrics(smallSystemFont());
    double widest = 0;
    for (const QString& sample : samples)
        widest = std::max(widest, metrics.horizontalAdvance(sample));
    return std::max(least, std::ceil(widest) + 2 * kTextInset + 2);
}

// Common kinds as the Kind column shows them: the MIME database's comments
// in the current locale ("plain text document"; "Einfaches Textdokument"
// in German).
QStringList commonKinds()
{
    const QMimeDatabase database;
    return {database.mimeTypeForName(QStringLiteral("text/plain")).comment(),
            database.mimeTypeForName(QStringLiteral("application/pdf")).comment()};
}

// The results' columns, in the model's column order: the name with its
// icon, the path shortened in its middle, the dates as detailed as their
// column's width allows, the other values as plain text, all in the small
// system font the name's bold one goes with. The information, the comment
// and the tags stay hidden until the user shows them.
QList<TableColumn> resultColumns()
{
    const auto column = [](int model, double width, QAbstractItemDelegate* cell) {
        TableColumn result =
            TableColumn::tableColumnWithIdentifier(ResultsTableModel::identifierOfColumn(model),
                                                   ResultsTableModel::titleOfColumn(model), width, 40, 2000, true, false);
        result.cell = cell;
        return result;
    };
    // A few points off the column before, which may end in a right-aligned date.
    const auto text = [] {
        return new TextFieldCell(LineBreakMode::ByTruncatingTail, smallSystemFont(), false, kTextInset);
    };
    const auto date = [&column](int model) {
        TableColumn result = column(model, 150, nullptr);
        result.setDateCellWithFont(smallSystemFont(), Qt::AlignRight);
        return result;
    };
    TableColumn info = column(ResultsTableModel::kInfoColumn, 140, text());
    TableColumn comment = column(ResultsTableModel::kCommentColumn, 180, text());
    TableColumn tags = column(ResultsTableModel::kTagsColumn, 140, text());
    for (TableColumn* later : {&info, &comment, &tags})
        later->hidden = true;
    return {column(ResultsTableModel::kFileColumn, 220, FileCell::fileCell()),
            column(ResultsTableModel::kPathColumn, 220,
                   new TextFieldCell(LineBreakMode::ByTruncatingMiddle, smallSystemFont(), false, 0)),
            column(ResultsTableModel::kSizeColumn, widthForSamples({stringForSize(238), stringForSize(999'900'000)}, 80),
                   text()),
            date(ResultsTableModel::kModifiedColumn),
            column(ResultsTableModel::kKindColumn, widthForSamples(commonKinds(), 140), text()),
            date(ResultsTableModel::kCreatedColumn),
            info,
            comment,
            tags};
}

// Shows a cell's tool tip exactly as the model gives it. The cells would
// otherwise offer the whole text of any clipped value; the results show
// only the name and the full path, and the full form of a shortened date.
class ModelToolTips : public QObject
{
public:
    explicit ModelToolTips(QAbstractItemView* view) : QObject(view), m_view(view) {}

protected:
    bool eventFilter(QObject*, QEvent* event) override
    {
        if (event->type() != QEvent::ToolTip)
            return false;
        const auto* help = static_cast<QHelpEvent*>(event);
        const QModelIndex index = m_view->indexAt(help->pos());
        const QString tip = index.data(Qt::ToolTipRole).toString();
        // A shortened date shows its full form: the date cell answers.
        if (tip.isEmpty() && qobject_cast<DateCell*>(m_view->itemDelegateForIndex(index)))
            return false;
        if (tip.isEmpty())
            QToolTip::hideText();
        else
            QToolTip::showText(help->globalPos(), tip, m_view->viewport(), m_view->visualRect(index));
        return true;
    }

private:
    QAbstractItemView* m_view;
};

// The results table. A drag that starts mostly downwards or upwards
// selects rows, as a drag over unselected rows would; only one that starts
// sideways takes the selected results out.
class ResultsView : public StripeTableView
{
public:
    using StripeTableView::StripeTableView;

protected:
    void mousePressEvent(QMouseEvent* event) override
    {
        m_pressPosition = event->position().toPoint();
        StripeTableView::mousePressEvent(event);
    }
    void mouseMoveEvent(QMouseEvent* event) override
    {
        const QPoint moved = event->position().toPoint() - m_pressPosition;
        if ((event->buttons() & Qt::LeftButton) && state() != DragSelectingState
            && moved.manhattanLength() >= QApplication::startDragDistance() && std::abs(moved.y()) > std::abs(moved.x()))
            setState(DragSelectingState);
        StripeTableView::mouseMoveEvent(event);
    }

private:
    QPoint m_pressPosition;
};

int senderTag(QObject* sender)
{
    const auto* item = qobject_cast<const QAction*>(sender);
    return item ? itemTag(item) : 0;
}

} // namespace

StripeTableView* SearchWindow::makeResultsView(QWidget* parent)
{
    return new ResultsView(parent);
}

void SearchWindow::setUpResultsTable()
{
    m_results->setTableColumns(resultColumns());
    m_results->setUserDefaults(&m_defaults);
    m_results->setAutosaveName(QStringLiteral("SearchTableColumns4-%1").arg(m_index));
    m_results->setAutosaveTableColumns(true);
    m_results->setDragEnabled(true);
    m_results->setDragDropMode(QAbstractItemView::DragOnly);
    m_results->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_results->setWordWrap(false);
    m_results->verticalHeader()->hide();
    m_results->viewport()->installEventFilter(new ModelToolTips(m_results));

    QHeaderView* header = m_results->horizontalHeader();
    header->setStretchLastSection(true);
    header->setSectionsClickable(true);
    // The model's columns are the header's logical sections. A column
    // without a sort key ("tags") changes nothing, but the header has
    // already moved its indicator there: put it back.
    connect(header, &QHeaderView::sectionClicked, this, [this](int column) {
        m_search->showPendingResults();
        (void)m_model->sortByColumn(column);
        showSortIndicator();
        m_results->scrollSelectedRowToVisible();
    });
    connect(header, &QHeaderView::sectionResized, this, [this](int column) {
        if (column == ResultsTableModel::kPathColumn)
            updatePathColumnWidth();
    });
    header->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(header, &QWidget::customContextMenuRequested, this, [this, header](const QPoint& position) {
        QMenu* menu = m_commands->makeColumnsMenu(this);
        menu->setAttribute(Qt::WA_DeleteOnClose);
        menu->popup(header->viewport()->mapToGlobal(position));
    });
    updatePathColumnWidth();
}

QWidget* SearchWindow::makePathControl(QWidget* parent)
{
    m_pathControl = new PathControl(parent);
    m_pathControl->setObjectName(QStringLiteral("pathControl"));
    // A long path must neither widen the window nor hide the status: it is
    // cut at its start, so the item's own name stays in view.
    m_pathControl->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    m_pathControl->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    m_pathControl->setFont(smallSystemFont());
    return m_pathControl;
}

void SearchWindow::selectionDidChange()
{
    if (!m_pathControl)
        return;
    const QList<int> rows = selectedRows();
    const ResultPointer result = rows.size() == 1 ? m_model->resultAtRow(rows.constFirst()) : nullptr;
    m_pathControl->setURL(result ? fileURLWithRepresentation(result->fullPath()) : QUrl());
    m_pathControl->setToolTip(result ? result->fullPath() : QString());
}

// --- sorting --------------------------------------------------------------------------------

void SearchWindow::sortResults(std::uint64_t key, bool reverse)
{
    // Results still pending join the shown ones, so all of them are in the
    // new order; the selection follows its results.
    m_search->sort(key, reverse);
    showSortIndicator();
    m_results->scrollSelectedRowToVisible();
}

void SearchWindow::showSortIndicator()
{
    const ResultsDataSource& results = m_search->engine().dataSource();
    m_results->removeIndicatorImage();
    const int column = ResultsTableModel::columnForSortKey(results.sorting());
    m_results->highlightColumnWithIdentifier(ResultsTableModel::identifierOfColumn(column),
                                             results.isReverseSorting());
}

void SearchWindow::setSorting(QObject* sender)
{
    const int key = senderTag(sender);
    if (key < int(kSortByName) || key > int(kSortByComment)) {
        beep();
        return;
    }
    sortResults(std::uint64_t(key), m_search->engine().dataSource().isReverseSorting());
}

void SearchWindow::setReverseSorting(QObject* sender)
{
    sortResults(m_search->engine().dataSource().sorting(), senderTag(sender) != 0);
}

// --- columns --------------------------------------------------------------------------------

QString SearchWindow::toggleColumnIdentifier(int tag)
{
    return tag >= 0 && size_t(tag) < kToggleColumns.size() ? QString::fromUtf16(kToggleColumns[size_t(tag)])
                                                           : QString();
}

void SearchWindow::toggleColumn(QObject* sender)
{
    const QString identifier = toggleColumnIdentifier(senderTag(sender));
    if (m_results->columnWithIdentifier(identifier) < 0) {
        beep();
        return;
    }
    m_results->setHiddenOfColumn(identifier, !m_results->isHiddenColumn(identifier));
}

void SearchWindow::updatePathColumnWidth()
{
    const int column = ResultsTableModel::kPathColumn;
    const QHeaderView* header = m_results->horizontalHeader();
    if (column >= header->count() || header->isSectionHidden(column))
        return;
    m_model->setPathColumnNarrow(header->sectionSize(column) <= m_results->tableColumnAtLogicalIndex(column).minWidth + 4);
}

} // namespace sorvant
