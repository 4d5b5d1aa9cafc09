#pragma once
// ResultsView: a search window's results table. It sets itself up over the
// window's results model: the nine columns and their autosaved layout
// ("SearchTableColumns4-%d"), header clicks (the window sorts), the header's column
// menu (asked of the window), tool tips as the model gives them, the path
// column's narrow form. It sorts the shown results keeping the selection,
// toggles columns, answers the selected rows, paths and result, and drags
// the selected results out (only a sideways drag; a vertical one selects).
//
// Threads: main thread only; the shown results change only there, so no
// lock is taken.
//
// Not here: the rows and their values (results_table_model.h), the search
// run that fills them (search_controller.h), what the window does with the
// selection (search_window.h), the commands (search_window_commands.h).

#include "interface/quick_look.h"
#include "interface/table_view.h"
#include "search/result.h"

#include <QPointer>

#include <array>
#include <cstdint>

namespace sorvant {

class ResultsTableModel;
class SearchController;
class UserDefaults;

class ResultsView : public StripeTableView, public SelectionThroughRemoval
{
    Q_OBJECT
public:
    // Shows `search`'s model; `index` names the autosaved column layout.
    ResultsView(SearchController& search, UserDefaults& defaults, quint64 index, QWidget* parent);


    // --- columns ---------------------------------------------------------------------------
    // The column identifiers of the toggleColumn: commands' tags 0-8.
    static constexpr std::array<const char16_t*, 9> kToggleColumns = {
        u"file", u"created", u"modified", u"size", u"kind", u"info", u"comment", u"tags", u"path"};
    // The identifier of a tag of kToggleColumns; null outside 0-8.
    [[nodiscard]] static QString toggleColumnIdentifier(int tag);
    // Shows or hides the column of a tag of kToggleColumns; NO (nothing
    // changes) for a tag of no column.
    bool toggleColumn(int tag);

    // --- sorting ---------------------------------------------------------------------------
    // Sorts the shown results (pending ones first join them), keeping the
    // selection; marks the key's column and scrolls the selection into view.
    void sortResults(std::uint64_t key, bool reverse);
    // Marks the column of the data source's sort key and direction.
    void showSortIndicator();

    // --- selection -------------------------------------------------------------------------
    // Selected rows in order, and their full paths: built whole, for a
    // command that acts on them (the commands' state asks for less).
    [[nodiscard]] QList<int> selectedRows() const;
    [[nodiscard]] QStringList selectedPaths() const;
    void selectRows(const QList<int>& rows);
    // Whether a selected row is not under way (ResultsTableModel::
    // setUnderWay): what a Trash or Delete would act on. Counted per run of
    // selected rows, never row by row.
    [[nodiscard]] bool hasSelectedRowNotUnderWay() const;
    // The one selected result; null for none or several.
    [[nodiscard]] ResultPointer selectedResult() const;
    // The name of the selected result (the current row when several are
    // selected); null without a selection.
    [[nodiscard]] QString selectedResultName() const;
    // Takes the focus for an arrow typed in the search field: with nothing
    // selected the first row is selected (as the table does for an arrow
    // without a current row), else the arrow moves the selection.
    void takeArrowKey(int key);
    // While rows leave, from before the first goes until the selection that
    // stayed is put back (with a selection change).
    [[nodiscard]] bool holdsSelectionThroughRemoval() const override { return !m_selectionThroughRemoval.isEmpty(); }

    // --- drags -----------------------------------------------------------------------------
    // Whether a drag comes from a search window's results (the source or one
    // of its parents is a ResultsView).
    [[nodiscard]] static bool isResultsDragSource(const QObject* source);

signals:
    // A right click on the header: the column menu at a global position.
    void columnsMenuRequested(const QPoint& globalPosition);
    // A click on the header of the model's `column`: the window sorts.
    void sortColumnClicked(int column);

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void setUpColumns(UserDefaults& defaults, quint64 index);
    void updatePathColumnWidth();
    // Gives a column just shown the width it opens at, when it has less.
    void widenShownColumn(const QString& identifier);
    // Tells the roles resolver the rows in view and the columns shown.
    void updateResolvedRows();
    void updateResolvedRoles();

    // The selection goes through a removal of rows as runs: taken off
    // before (unseen), put back after on the rows that stayed.
    void takeSelectionForRemoval();
    void putBackSelectionAfterRemoval(const QList<int>& goneRows);

    // The results' model, as the view shows it; null once it is gone.
    [[nodiscard]] ResultsTableModel* resultsModel() const;

    QPointer<SearchController> m_search;
    QPoint m_pressPosition;
    QList<Range> m_selectionThroughRemoval;
};

} // namespace sorvant
