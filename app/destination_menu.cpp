#include "app/destination_menu.h"

#include "app/destinations.h"
#include "interface/application.h"
#include "interface/shown_names.h"
#include "platform/background_work.h"
#include "platform/path_semantics.h"
#include "search/search_params.h"
#include "system/standard_folders.h"
#include "system/workspace_icons.h"

#include <QAction>
#include <QIcon>
#include <QMenu>
#include <QPixmap>

namespace sorvant {

namespace {

// A folder's name may be 255 characters: it must not widen the window (the
// tool tip holds the whole path).
constexpr int kMaximumWidth = 260;
constexpr QSize kIconSize(16, 16);

// A scanned folder with its icon, both read off the interface thread.
struct ScannedDestination
{
    DestinationEntry entry;
    QImage icon;
};

QImage iconOf(const QString& path)
{
    return cachedIconForFile(stringByExpandingTildeInPath(path), false, kIconSize);
}

QIcon shown(const QImage& icon)
{
    return icon.isNull() ? QIcon() : QIcon(QPixmap::fromImage(icon));
}

} // namespace

DestinationMenu::DestinationMenu(QWidget* parent) : QToolButton(parent)
{
    setObjectName(QStringLiteral("searchLocation"));
    setPopupMode(QToolButton::InstantPopup);
    setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    setMenu(new QMenu(this));
    setToolTip(QStringLiteral("Where to search"));
    setMaximumWidth(kMaximumWidth);
    connect(menu(), &QMenu::aboutToShow, this, &DestinationMenu::markStoredDestination);
}

void DestinationMenu::rescan()
{
    QMenu* items = menu();
    items->clear();
    QAction* select = items->addAction(tr("Select..."));
    select->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_L));
    select->setObjectName(QStringLiteral("selectDestination"));
    connect(select, &QAction::triggered, this, &DestinationMenu::selectRequested);
    items->addSeparator();
    for (const char16_t* pseudo : {kActiveDestination, kAllVolumesDestination, kLocalVolumesDestination,
                                   kRemovableVolumesDestination}) {
        const QString value = QString::fromUtf16(pseudo);
        QAction* item = items->addAction(pseudoDestinationTitle(value));
        item->setData(value);
        connect(item, &QAction::triggered, this, [this, value] { setDestination(value); });
        if (pseudo == kActiveDestination)
            items->addSeparator();
    }
    // A newer scan (a mount during this one) replaces what this one would add.
    const quint64 scan = ++m_scan;
    const auto scanFolders = [support = applicationSupportPath(QStringLiteral("Sorvant"))] {
        QList<ScannedDestination> found;
        for (DestinationEntry& entry : scanDestinations(support)) {
            const QImage icon = entry.path.isNull() ? QImage() : iconOf(entry.path);
            found.append({std::move(entry), icon});
        }
        return found;
    };
    whenReady(runInBackground(scanFolders), this, [this, scan](const QList<ScannedDestination>& found) {
        if (scan != m_scan)
            return;
        for (const ScannedDestination& each : found) {
            if (each.entry.path.isNull())
                menu()->addSeparator();
            else
                addItem(each.entry.path, each.entry.indent, each.icon);
        }
        emit scanned();
    });
}

void DestinationMenu::addItem(const QString& path, bool indent, const QImage& icon)
{
    const QString key = stringByAbbreviatingWithTildeInPath(path);
    const QList<QAction*> actions = menu()->actions();
    for (auto it = actions.crbegin(); it != actions.crend(); ++it) {
        if ((*it)->data().isValid() && (*it)->data().toString().compare(key, Qt::CaseInsensitive) == 0)
            return;
    }
    // A folder named "a&b" shows its "&" rather than a mnemonic.
    const QString title = withoutMnemonics(isolatedVisibleName(destinationDisplayName(path)));
    QAction* item = menu()->addAction(indent ? QStringLiteral("    ") + title : title);
    item->setData(key);
    item->setIcon(shown(icon));
    connect(item, &QAction::triggered, this, [this, key] { setDestination(stringByExpandingTildeInPath(key)); });
}

void DestinationMenu::setDestination(const QString& path)
{
    if (path.isNull())
        return;
    const bool changed = path != m_path;
    m_path = path;
    const QString pseudo = pseudoDestinationTitle(m_path);
    // A name holding a newline would make the button two lines tall: its
    // control characters are marked as the results table marks them.
    setText(pseudo.isNull() ? withoutMnemonics(isolatedVisibleName(destinationDisplayName(m_path))) : pseudo);
    setToolTip(pseudo.isNull() ? pathToolTip(stringByExpandingTildeInPath(m_path)) : pseudo);
    setIcon(QIcon());
    const quint64 request = ++m_iconRequest;
    if (changed)
        emit destinationChanged();
    if (!pseudo.isNull())
        return;
    whenReady(runInBackground([path] { return iconOf(path); }), this, [this, request](const QImage& icon) {
        if (request != m_iconRequest)
            return;
        setIcon(shown(icon));
        emit iconShown();
    });
}

QFuture<QString> DestinationMenu::checkedDestination() const
{
    return runInBackground([path = m_path] { return validatedDestination(path); });
}

QFuture<TestedDestination> DestinationMenu::testedDestination() const
{
    return runInBackground([path = m_path] { return sorvant::testedDestination(path); });
}

void DestinationMenu::markStoredDestination()
{
    const QString current = m_path.isNull() ? QString() : stringByExpandingTildeInPath(m_path);
    for (QAction* item : menu()->actions()) {
        if (!item->data().isValid())
            continue;
        // Only the marked item is checkable: the others show no empty box.
        const bool marked = !current.isNull() && stringByExpandingTildeInPath(item->data().toString()) == current;
        item->setCheckable(marked);
        item->setChecked(marked);
    }
}

} // namespace sorvant
