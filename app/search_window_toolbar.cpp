// SearchWindow: its toolbar "FindWindow", built from one table of items.
// Share stays visible and disabled: no sharing service is found on the
// desktop.

#include "app/search_window.h"
#include "interface/image_representations.h"
#include "system/file_manager.h"

#include <QAction>
#include <QToolBar>
#include <QWidget>

namespace sorvant {

namespace {

struct ToolbarItemRow
{
    const char* label;
    const char* image;      // a picture of the application's own
    const char* identifier; // also the action's object name
    void (SearchWindow::*action)();
};

const ToolbarItemRow kToolbarItems[] = {
    {"Settings", ":/images/symbols/gear.svg", "settings", &SearchWindow::toggleSettings},
    {"Open", ":/images/Open Doc.svg", "open", &SearchWindow::openFile},
    {"Reveal In File Manager", ":/images/Reveal in Finder.svg", "reveal", &SearchWindow::revealFileInFinder},
    {"Move To Trash", ":/images/Delete.svg", "delete", &SearchWindow::moveToTrash},
    {"Quick Look", ":/images/qx.eye.svg", "quicklook", &SearchWindow::toggleQuickLookAction},
    {"Share", ":/images/symbols/square.and.arrow.up.svg", "share", nullptr},
    {"Info", ":/images/Info.svg", "info", &SearchWindow::showInfo},
};

// The default items; "" is a space, "-" a flexible space.
const char* const kDefaultItems[] = {"settings", "", "open", "reveal", "", "delete", "", "quicklook", "share", "-",
                                     "info"};

// The window action each toolbar item validates as.
QString validationName(const QString& identifier)
{
    if (identifier == u"open")
        return QStringLiteral("openFile");
    if (identifier == u"reveal")
        return QStringLiteral("revealFileInFinder");
    if (identifier == u"delete")
        return QStringLiteral("moveToTrash");
    if (identifier == u"info")
        return QStringLiteral("showInfo");
    return identifier;
}

} // namespace

QAction* SearchWindow::toolbarItem(const QString& identifier)
{
    for (const ToolbarItemRow& row : kToolbarItems) {
        if (identifier != QLatin1String(row.identifier))
            continue;
        auto* item = new QAction(QIcon(QString::fromUtf8(row.image)), tr(row.label), this);
        item->setObjectName(identifier);
        item->setToolTip(tr(row.label));
        item->setCheckable(identifier == u"settings");
        if (row.action)
            connect(item, &QAction::triggered, this, row.action);
        else
            item->setEnabled(false);
        return item;
    }
    return nullptr;
}

void SearchWindow::buildToolbar()
{
    ensureImageResources();
    m_toolbar = new QToolBar(tr("Toolbar"), this);
    m_toolbar->setObjectName(QStringLiteral("FindWindow"));
    m_toolbar->setMovable(false);
    m_toolbar->setToolButtonStyle(Qt::ToolButtonTextUnderIcon);
    m_toolbar->setIconSize(QSize(24, 24));
    for (const char* identifier : kDefaultItems) {
        if (*identifier == '-') {
            auto* flexible = new QWidget(m_toolbar);
            flexible->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Preferred);
            m_toolbar->addWidget(flexible);
        } else if (*identifier == '\0') {
            m_toolbar->addSeparator();
        } else if (QAction* item = toolbarItem(QString::fromLatin1(identifier))) {
            m_toolbar->addAction(item);
        }
    }
    addToolBar(Qt::TopToolBarArea, m_toolbar);
}

void SearchWindow::validateToolbarItems()
{
    for (QAction* item : m_toolbar->actions()) {
        if (item->objectName().isEmpty() || item->objectName() == u"share")
            continue;
        item->setEnabled(validateItem(validationName(item->objectName())));
    }
}

void SearchWindow::showInfo()
{
    for (const QString& path : selectedPaths())
        showInfoInFileViewerForPath(path);
}

} // namespace sorvant
