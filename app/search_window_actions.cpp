// SearchWindow: what a user does with the found items: open, open with an
// application, reveal, move to the Trash, delete, copy; where the context
// menu shows.

#include "app/alert_panels.h"
#include "app/failure_messages.h"
#include "app/results_table_model.h"
#include "app/results_view.h"
#include "app/search_window.h"
#include "app/search_window_commands.h"
#include "interface/alerts.h"
#include "interface/quick_look.h"
#include "platform/background_work.h"
#include "platform/file_system_representation.h"
#include "platform/url.h"
#include "system/bundle.h"
#include "system/deletion_questions.h"
#include "system/file_manager.h"
#include "system/file_operations.h"
#include "system/file_tests.h"
#include "system/link_resolution.h"
#include "system/opening.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QMenu>
#include <QMessageBox>
#include <QMimeData>
#include <QTableView>

#include <algorithm>
#include <cerrno>

namespace sorvant {

QList<int> SearchWindow::selectedRows() const
{
    return m_results->selectedRows();
}

QStringList SearchWindow::selectedPaths() const
{
    return m_results->selectedPaths();
}

void SearchWindow::openFile()
{
    for (const QString& path : selectedPaths()) {
        const QString target = stringByResolvingLinkOfPath(path);
        if (!hasApplicationForPath(target) || !openURL(URL::fileURLWithPath(target), false)) {
            showFailure(noApplicationFailure(path));
            return;
        }
    }
}

void SearchWindow::showFailure(const Failure& failure)
{
    if (failure.isNull())
        return;
    auto* sheet = new QMessageBox(QMessageBox::Warning, failure.title, failure.title, QMessageBox::Ok, this);
    sheet->setObjectName(QStringLiteral("failure"));
    sheet->setInformativeText(failure.text);
    sheet->setAttribute(Qt::WA_DeleteOnClose);
    sheet->setWindowModality(Qt::WindowModal);
    sheet->open();
}

void SearchWindow::openWith(const QString& applicationPath)
{
    // Starting an application may wait for it on the session bus: that
    // happens off the interface thread.
    QList<URL> targets;
    for (const QString& path : selectedPaths())
        targets.append(URL::fileURLWithPath(stringByResolvingLinkOfPath(path)));
    m_lastLaunch = runInBackground([targets, applicationPath] {
        for (const URL& target : targets)
            openURL(target, applicationPath, false);
    });
}

void SearchWindow::revealFileInFinder()
{
    for (const QString& path : selectedPaths())
        selectFileInFileViewer(path);
}

void SearchWindow::moveToTrash()
{
    deleteItems(true);
}

void SearchWindow::destroy()
{
    if (selectedRows().isEmpty())
        return;
    // The question does not hold the results' lock: a worker waiting to add
    // a result must never keep the window from closing under it.
    if (askAlert(QStringLiteral("Warning"), deleteItemsQuestion(selectedPaths()), QStringLiteral("Cancel"),
                 QStringLiteral("Delete")))
        deleteItems(false);
}

bool SearchWindow::askAlert(const QString& title, const QString& message, const QString& defaultButton,
                            const QString& alternateButton)
{
    if (m_alertHandler)
        return m_alertHandler(cachedLocalizedStringForKey(title), cachedLocalizedStringForKey(message),
                              cachedLocalizedStringForKey(defaultButton), cachedLocalizedStringForKey(alternateButton));
    // Only the alternate button acts: the default one and an alert that
    // could not be shown (-2) both count as Cancel. The message goes as an
    // argument, never as the format: a name it quotes may hold "%".
    return runAlertPanel(title, QStringLiteral("%@"), defaultButton, alternateButton,
                         {cachedLocalizedStringForKey(message)})
        == kAlertAlternateReturn;
}

void SearchWindow::deleteItems(bool trash)
{
    const QList<int> rows = selectedRows();
    const int remembered = rows.size() == 1 ? rows.constFirst() : -1;
    const QStringList paths = m_model->pathsOfRows(rows);
    // What the Trash takes goes there; only the items it refused are asked
    // about, by name, and only they are deleted when the answer is Delete.
    const QStringList toRemove = trash ? recycleFilesKeepingRefused(paths) : paths;
    const bool remove = !trash || toRemove.isEmpty()
        || askAlert(QStringLiteral("Warning"), untrashableItemsQuestion(toRemove), QStringLiteral("Cancel"),
                    QStringLiteral("Delete"));
    const bool declined = !remove;
    bool failed = false;
    int error = 0;
    for (const QString& path : remove ? toRemove : QStringList()) {
        if (!removePath(path)) {
            error = errno;
            failed = true;
        }
    }
    m_results->clearSelection();
    m_search->removeGoneResults([this, remembered] {
        const int count = m_model->rowCount();
        if (remembered >= 0 && count > 0)
            m_results->selectRows({std::min(remembered, count - 1)});
    });
    // What is still there and the user did not choose to keep is said.
    QStringList remaining;
    for (const QString& path : paths) {
        if (itemExistsAtPath(path))
            remaining.append(path);
    }
    if (failed && !declined)
        showFailure(deletionFailure(remaining, error));
}

void SearchWindow::copy()
{
    const QModelIndexList rows = m_results->selectionModel()->selectedRows();
    if (!rows.isEmpty())
        QApplication::clipboard()->setMimeData(m_model->mimeData(rows));
}

QList<QUrl> SearchWindow::documentURLs() const
{
    // The shown list changes only on this thread: no lock is needed, and
    // none may be taken (a flush may be the caller, further up).
    QList<QUrl> urls;
    for (const QString& path : selectedPaths())
        urls.append(fileURLWithRepresentation(path));
    return urls;
}

void SearchWindow::toggleQuickLookAction()
{
    QuickLookController::sharedController().toggleQuickLook(this);
}

void SearchWindow::connectMenus()
{
    m_results->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(m_results, &QWidget::customContextMenuRequested, this, [this](const QPoint& position) {
        m_commands->contextMenu()->popup(m_results->viewport()->mapToGlobal(position));
    });
    connect(m_results, &QAbstractItemView::doubleClicked, this, [this] { openFile(); });
    connect(m_results, &ResultsView::columnsMenuRequested, this, [this](const QPoint& position) {
        QMenu* menu = m_commands->makeColumnsMenu(this);
        menu->setAttribute(Qt::WA_DeleteOnClose);
        menu->popup(position);
    });
    connect(destinationMenu(), &QMenu::aboutToShow, this, &SearchWindow::validateDestinationItems);
}

} // namespace sorvant
