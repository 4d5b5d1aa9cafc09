// SearchWindow: the help page, handing items to the sibling product Quirrel,
// the slide show, sharing, the destination menu's mark, and the router's
// validation of the window's commands.

#include "app/alert_panels.h"
#include "app/application_delegate.h"
#include "app/failure_messages.h"
#include "app/results_table_model.h"
#include "app/search_window.h"
#include "app/search_window_commands.h"
#include "interface/alerts.h"
#include "interface/quick_look.h"
#include "interface/window_extensions.h"
#include "platform/path_semantics.h"
#include "system/bundle.h"
#include "system/sibling_products.h"

#include <QAction>
#include <QMenu>
#include <QMessageBox>

namespace sorvant {

void SearchWindow::validateDestinationItems()
{
    const QString current = m_path.isNull() ? QString() : stringByExpandingTildeInPath(m_path);
    for (QAction* item : destinationMenu()->actions()) {
        if (!item->data().isValid())
            continue;
        // Only the marked item is checkable: the others show no empty box.
        const bool marked = !current.isNull() && stringByExpandingTildeInPath(item->data().toString()) == current;
        item->setCheckable(marked);
        item->setChecked(marked);
    }
}

void SearchWindow::openWith(QObject* sender)
{
    if (const auto* item = qobject_cast<const QAction*>(sender); item && !item->data().toString().isEmpty())
        openWith(item->data().toString());
}

void SearchWindow::showHelp()
{
    if (!openHelpAnchor(QStringLiteral("usage-options.html")))
        showFailure(noBrowserFailure());
}

void SearchWindow::addToQX()
{
    const QStringList paths = selectedPaths();
    if (paths.isEmpty() || addFilesToQuirrel(paths))
        return;
    QMessageBox* alert = makeCriticalAlert(QStringLiteral("Warning"), QStringLiteral("OK"), QStringLiteral("Website"),
                                           QStringLiteral("Quirrel is not installed."), {}, this);
    alert->setObjectName(QStringLiteral("alert"));
    m_sheet = alert;
    beginSheetModalForWindow(alert, this, [](int tag) {
        if (tag == kAlertAlternateReturn)
            openMakersWebsite();
    });
}

void SearchWindow::toggleSlideshowAction()
{
    QuickLookController::sharedController().toggleSlideshow(this);
}

void SearchWindow::shareAction()
{
}

QString SearchWindow::selectedResultName() const
{
    const QList<int> rows = selectedRows();
    if (rows.isEmpty())
        return {};
    const int current = m_results->currentIndex().row();
    const int row = rows.contains(current) ? current : rows.constFirst();
    // The shown results change only on this thread: no lock.
    const ResultPointer result = m_model->resultAtRow(row);
    return result ? result->name() : QString();
}

bool SearchWindow::validateMenuItem(QAction* item)
{
    return m_commands->validate(item);
}

} // namespace sorvant
