#pragma once
// DestinationMenu: the button beside a search window's field that names
// where to search, and its menu: "Select…", the pseudo-destinations, then
// the scanned folders (destinations.h) with their icons. The folders and
// every icon (which come from stat'ing the items) are read off the
// interface thread; a newer scan or destination replaces what an older one
// would bring. The menu marks the stored destination when it opens.
//
// The stored destination is a path, possibly with "~", or a
// pseudo-destination; destination() is what a search takes.
//
// Threads: main thread only; the scans run on the thread pool.
//
// Not here: the folder rules (destinations.h), the folder panel and drops
// (search_window_drops.cpp).

#include "app/destinations.h"

#include <QFuture>
#include <QImage>
#include <QToolButton>

namespace sorvant {

class DestinationMenu : public QToolButton
{
    Q_OBJECT
public:
    explicit DestinationMenu(QWidget* parent);

    // Builds the menu anew: its fixed items at once, the folders when their
    // scan ends (scanned()).
    void rescan();
    // Stores the destination and titles the button; null leaves both
    // unchanged. The icon follows when read.
    void setDestination(const QString& path);
    [[nodiscard]] QString storedDestination() const { return m_path; }
    // The folder or pseudo-destination to search, found off the interface
    // thread (validatedDestination): null when the stored one is missing,
    // not a folder, or a package.
    [[nodiscard]] QFuture<QString> checkedDestination() const;
    // The same with the reason when there is none (testedDestination).
    [[nodiscard]] QFuture<TestedDestination> testedDestination() const;
    // Marks the menu's item of the stored destination (both compared with
    // "~" expanded); no mark without a destination.
    void markStoredDestination();

signals:
    // The scanned folders are in the menu.
    void scanned();
    // The icon of the stored destination is shown.
    void iconShown();
    // setDestination stored another destination than the one before.
    void destinationChanged();
    // "Select…" was chosen: the window asks for a folder.
    void selectRequested();

private:
    void addItem(const QString& path, bool indent, const QImage& icon);

    QString m_path;
    quint64 m_scan = 0;
    quint64 m_iconRequest = 0;
};

} // namespace sorvant
