// SearchWindow: folders chosen in an open panel, and folders dropped on the
// window.

#include "app/destination_menu.h"
#include "app/file_actions.h"
#include "app/results_view.h"
#include "app/search_options.h"
#include "app/search_window.h"

#include "interface/panels.h"
#include "interface/pasteboard_types.h"
#include "platform/background_work.h"
#include "platform/file_system_representation.h"
#include "platform/path_semantics.h"
#include "platform/property_list.h"
#include "system/file_tests.h"

#include <QCheckBox>
#include <QDir>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QMimeData>
#include <QUrl>

namespace sorvant {

namespace {

// The one path a drop names, or null when it names none or several: the
// system's own file-name list first, then the desktop's URL list (a file
// manager's drag of files); text and every other kind are refused.
QString droppedPath(const QMimeData& data)
{
    if (data.hasFormat(NSFilenamesPboardType)) {
        const QVariant names = propertyListFromData(data.data(NSFilenamesPboardType));
        if (names.typeId() != QMetaType::QVariantList || names.toList().size() != 1)
            return {};
        const QVariant name = names.toList().constFirst();
        return name.typeId() == QMetaType::QString ? name.toString() : QString();
    }
    if (data.hasFormat(NSURLPboardType)) {
        const QList<QUrl> urls = data.urls();
        if (urls.size() != 1)
            return {};
        return pathOfFileURL(urls.constFirst());
    }
    return {};
}

} // namespace

// --- choosing a folder ---------------------------------------------------------------------

void SearchWindow::selectDestination()
{
    if (m_sheet || m_fileActions->openSheet())
        return;
    QFileDialog* panel = openPanel(OpenPanelChoice::OneFolder, this);
    panel->setLabelText(QFileDialog::Accept, tr("Select"));
    setShowsHiddenFiles(panel, m_options->checkBox("searchInvisibles")->isChecked());
    // It opens at the folder being searched; the special destinations
    // (all volumes, the file manager's window) are not folders. The folder
    // is tested off this thread, and the panel opens with the answer.
    m_sheet = panel;
    whenReady(m_destinations->checkedDestination(), panel, [this, panel](const QString& current) {
        if (m_closed) {
            panel->deleteLater();
            return;
        }
        const QString start = current.startsWith(u'/') ? current : QDir::homePath();
        beginPanel(panel, this, PanelPlace{{}, start, {}, {}}, m_defaults, [this, panel](int response) {
            const QStringList folders = pathsForURLs(panel->selectedUrls());
            panel->deleteLater();
            if (response == kPanelOKButton && !folders.isEmpty())
                setDestination(folders.constFirst());
        });
    });
}

// --- drops --------------------------------------------------------------------------------

Qt::DropAction SearchWindow::draggingEntered(const QObject* source) const
{
    // Results dragged out of a table go to other applications, never back
    // into a search window as its destination.
    return ResultsView::isResultsDragSource(source) ? Qt::IgnoreAction : Qt::CopyAction;
}

bool SearchWindow::performDragOperation(const QMimeData* dragged)
{
    if (!dragged)
        return false;
    const QString path = droppedPath(*dragged);
    if (path.isEmpty())
        return false;
    // The item's kind is a file test: it runs off this thread, and the
    // destination changes when the answer comes.
    const auto destination = [path] {
        if (isDirectoryAtPath(path) || isAliasFileAtPath(path) || isSymbolicLinkAtPath(path))
            return path;
        return itemExistsAtPath(path) ? stringByDeletingLastPathComponent(path) : QString();
    };
    whenReady(runInBackground(destination), this, [this](const QString& folder) {
        if (!folder.isNull())
            setDestination(folder);
        emit dropAnswered(!folder.isNull());
    });
    return true;
}

bool SearchWindow::searchFieldDragEvent(QEvent* event)
{
    const auto type = event->type();
    if (type != QEvent::DragEnter && type != QEvent::DragMove && type != QEvent::Drop)
        return false;
    auto* drag = static_cast<QDropEvent*>(event);
    // Text and several items stay the field's (it inserts text).
    if (!drag->mimeData() || droppedPath(*drag->mimeData()).isEmpty()
        || draggingEntered(drag->source()) == Qt::IgnoreAction)
        return false;
    if (type == QEvent::Drop && !performDragOperation(drag->mimeData())) {
        drag->ignore();
        return true;
    }
    drag->setDropAction(Qt::CopyAction);
    drag->accept();
    return true;
}

void SearchWindow::dragEnterEvent(QDragEnterEvent* event)
{
    const Qt::DropAction action = draggingEntered(event->source());
    if (action == Qt::IgnoreAction) {
        event->ignore();
        return;
    }
    event->setDropAction(action);
    event->accept();
}

void SearchWindow::dragMoveEvent(QDragMoveEvent* event)
{
    if (draggingEntered(event->source()) == Qt::IgnoreAction) {
        event->ignore();
        return;
    }
    event->setDropAction(Qt::CopyAction);
    event->accept();
}

void SearchWindow::dropEvent(QDropEvent* event)
{
    if (draggingEntered(event->source()) != Qt::IgnoreAction && performDragOperation(event->mimeData())) {
        event->setDropAction(Qt::CopyAction);
        event->accept();
    } else {
        event->ignore();
    }
}

} // namespace sorvant
