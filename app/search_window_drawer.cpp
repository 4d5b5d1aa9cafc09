// The search window's settings drawer (the content lists and "scan all"),
// folders chosen in an open panel, and folders dropped on the window.

#include "app/search_window.h"
#include "app/search_window_commands.h"
#include "platform/file_system_representation.h"

#include "interface/drawers.h"
#include "interface/panels.h"
#include "interface/pasteboard_types.h"
#include "platform/property_list.h"
#include "system/file_tests.h"

#include <QAbstractItemView>
#include <QAction>
#include <QCheckBox>
#include <QDir>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMimeData>
#include <QUrl>

namespace sorvant {

namespace {

QString listKey(const char* name, int list)
{
    return QString::fromLatin1(name) + QString::number(list);
}

constexpr Size kDrawerMinimumSize{320, 200};

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

QWidget* SearchWindow::buildDrawer()
{
    auto* content = new QWidget;
    content->setObjectName(QStringLiteral("settingsDrawer"));
    auto* layout = new QGridLayout(content);
    layout->setContentsMargins(4, 4, 4, 4);
    auto* title = new QLabel(QStringLiteral("Contents of these files"), content);
    QFont bold = title->font();
    bold.setBold(true);
    title->setFont(bold);
    layout->addWidget(title, 0, 0, 1, 2);
    for (int list = 1; list <= 6; ++list) {
        auto* on = new QCheckBox(content);
        on->setObjectName(listKey("fileExtOn", list));
        auto* field = new QLineEdit(content);
        field->setObjectName(listKey("fileExt", list));
        field->setMinimumWidth(180);
        m_fileExtOn.at(size_t(list - 1)) = on;
        m_fileExt.at(size_t(list - 1)) = field;
        layout->addWidget(on, list, 0);
        layout->addWidget(field, list, 1);
    }
    m_scanAll = new QCheckBox(QStringLiteral("Search the contents of all files"), content);
    m_scanAll->setObjectName(QStringLiteral("scanAll"));
    connect(m_scanAll, &QCheckBox::clicked, this, &SearchWindow::didChangeScanAll);
    layout->addWidget(m_scanAll, 7, 0, 1, 2);
    layout->setRowStretch(8, 1);
    layout->setColumnStretch(1, 1);

    // Without a size of the user's the drawer opens at its minimum, wide
    // enough for the lists to be read.
    m_settingsDrawer = new NSDrawerExtended(kDrawerMinimumSize, DrawerEdge::Right, this);
    m_settingsDrawer->setMinContentSize(kDrawerMinimumSize);
    m_settingsDrawer->setAutosaveName(QStringLiteral("SettingsDrawer4-%1").arg(m_index));
    m_settingsDrawer->setContentView(content);
    // However the drawer opens or closes, the toolbar's item follows it.
    const auto follow = [this] {
        if (m_commands)
            m_commands->update();
    };
    connect(m_settingsDrawer, &NSDrawerExtended::didOpen, this, follow);
    connect(m_settingsDrawer, &NSDrawerExtended::didClose, this, follow);
    return content;
}

bool SearchWindow::isDrawerVisible() const
{
    return m_settingsDrawer->isVisible();
}

void SearchWindow::toggleSettings()
{
    if (!isDrawerVisible()) {
        setDrawerSettings();
        m_settingsDrawer->open();
    } else {
        getDrawerSettings();
        m_settingsDrawer->close();
    }
    m_commands->update();
}

// --- choosing a folder ---------------------------------------------------------------------

void SearchWindow::selectDestination()
{
    if (m_sheet)
        return;
    QFileDialog* panel = openPanel(OpenPanelChoice::OneFolder, this);
    panel->setLabelText(QFileDialog::Accept, tr("Select"));
    setShowsHiddenFiles(panel, m_searchInvisibles->isChecked());
    m_sheet = panel;
    beginPanel(panel, this, PanelPlace{{}, QDir::homePath(), {}, {}}, m_defaults, [this, panel](int response) {
        const QStringList folders = pathsForURLs(panel->selectedUrls());
        panel->deleteLater();
        if (response == kPanelOKButton && !folders.isEmpty())
            setDestination(folders.constFirst());
    });
}

// --- drops --------------------------------------------------------------------------------

Qt::DropAction SearchWindow::draggingEntered(const QObject* source) const
{
    // Results dragged out of a table go to other applications, never back
    // into a search window as its destination.
    for (const QObject* object = source; object; object = object->parent()) {
        if (qobject_cast<const QAbstractItemView*>(object) && object->objectName() == u"searchResults"
            && qobject_cast<const SearchWindow*>(static_cast<const QWidget*>(object)->window()))
            return Qt::IgnoreAction;
    }
    return Qt::CopyAction;
}

bool SearchWindow::performDragOperation(const QMimeData* dragged)
{
    if (!dragged)
        return false;
    const QString path = droppedPath(*dragged);
    if (path.isEmpty())
        return false;
    if (!isDirectoryAtPath(path) && !isAliasFileAtPath(path) && !isSymbolicLinkAtPath(path))
        return false;
    setDestination(path);
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
