// SearchWindow: the commands that are the window's own: Find, Search In,
// Close Window, the help page, the preview and the slide show, sharing, the
// View menu's sorting and column commands, and the router's validation of
// the window's commands.

#include "app/destination_menu.h"
#include "app/failure_messages.h"
#include "app/results_table_model.h"
#include "app/results_view.h"
#include "app/search_window.h"
#include "app/search_window_commands.h"
#include "interface/menu_items.h"
#include "interface/preview_window.h"
#include "interface/quick_look.h"
#include "interface/window_extensions.h"
#include "platform/background_work.h"
#include "platform/file_system_representation.h"

#include <QAction>
#include <QApplication>
#include <QLineEdit>

namespace sorvant {

void SearchWindow::focusSearchField()
{
    // What is typed next replaces the phrase (a new window starts with the
    // last one searched), as Find does in any field.
    m_searchInput->setFocus(Qt::ShortcutFocusReason);
    m_searchInput->selectAll();
}

void SearchWindow::showDestinationMenu()
{
    m_destinations->showMenu();
}

void SearchWindow::performClose()
{
    close();
}

void SearchWindow::showHelp()
{
    // Finding the page reads the help book and showing it starts a browser:
    // both off the interface thread.
    const auto show = [book = helpBookName()] { return showHelpPage(QStringLiteral("usage-options.html"), book); };
    whenReady(runInBackground(show), this, [this](HelpOpening opening) {
        if (opening == HelpOpening::NotFound)
            QApplication::beep();
        else if (opening == HelpOpening::NoBrowser)
            showFailureSheet(noBrowserFailure(), this);
        emit helpAnswered();
    });
}

QList<QUrl> SearchWindow::documentURLs() const
{
    // The shown list changes only on this thread: no lock is needed, and
    // none may be taken (a flush may be the caller, further up).
    QList<QUrl> urls;
    for (const QString& path : m_results->selectedPaths())
        urls.append(fileURLWithRepresentation(path));
    return urls;
}

void SearchWindow::toggleQuickLookAction()
{
    QuickLookController::sharedController().toggleQuickLook(this);
}

void SearchWindow::toggleSlideshowAction()
{
    // The slide show starts whether or not the preview is open: an open
    // preview gives way to it. Only a running slide show ends.
    QuickLookController& preview = QuickLookController::sharedController();
    if (preview.isOpen() && !preview.sharedPanel()->playsSlideShow())
        preview.closeQuickLook(this);
    preview.toggleSlideshow(this);
}

void SearchWindow::shareAction()
{
}

// --- the View menu --------------------------------------------------------------------------

namespace {

int senderTag(QObject* sender)
{
    const auto* item = qobject_cast<const QAction*>(sender);
    return item ? itemTag(item) : 0;
}

} // namespace

void SearchWindow::setSorting(QObject* sender)
{
    const int key = senderTag(sender);
    if (key < int(kSortByName) || key > int(kSortByComment)) {
        QApplication::beep();
        return;
    }
    m_results->sortResults(std::uint64_t(key), m_search->isReverseSorting());
}

void SearchWindow::setReverseSorting(QObject* sender)
{
    m_results->sortResults(m_search->sorting(), senderTag(sender) != 0);
}

void SearchWindow::toggleColumn(QObject* sender)
{
    if (!m_results->toggleColumn(senderTag(sender)))
        QApplication::beep();
}

bool SearchWindow::validateMenuItem(QAction* item)
{
    return m_commands->validate(item);
}

} // namespace sorvant
