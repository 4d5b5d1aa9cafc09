// SearchWindow: the help page, handing items to the sibling product Quirrel,
// the slide show, sharing, and the items whose titles follow the selection
// (Quick Look, Slideshow).

#include "app/alert_panels.h"
#include "app/application_delegate.h"
#include "app/failure_messages.h"
#include "app/results_table_model.h"
#include "app/search_window.h"
#include "foundation/string_format.h"
#include "interface/alerts.h"
#include "interface/quick_look.h"
#include "interface/toolbar_items.h"
#include "interface/window_extensions.h"
#include "platform/path_semantics.h"
#include "system/bundle.h"
#include "system/sibling_products.h"

#include <QAction>
#include <QMenu>
#include <QMessageBox>

namespace sorvant {

namespace {

const QString kQuickLookAction = QStringLiteral("toggleQuickLookAction");
const QString kSlideshowAction = QStringLiteral("toggleSlideshowAction");

} // namespace

void SearchWindow::addMenuActions()
{
    const auto make = [this](const QString& name, const QString& title, const QKeySequence& keys, auto slot) {
        auto* action = new QAction(title, this);
        action->setObjectName(name);
        action->setShortcut(keys);
        action->setShortcutContext(Qt::WindowShortcut);
        connect(action, &QAction::triggered, this, slot);
        addAction(action);
        return action;
    };
    m_contextMenu->addSeparator();
    m_contextMenu->addAction(make(QStringLiteral("addToQX"), tr("Add to Quirrel"), {}, &SearchWindow::addToQX));
    QAction* share = make(QStringLiteral("shareAction"), tr("Share"), {}, &SearchWindow::shareAction);
    share->setEnabled(false);
    m_contextMenu->addAction(share);
    // The previews live in the Items menu; the table's own keys (Space)
    // open them from the results.
    make(kQuickLookAction, localizedToolkitString(QStringLiteral("Quick Look")), QKeySequence(Qt::CTRL | Qt::Key_Y),
         &SearchWindow::toggleQuickLookAction);
    make(kSlideshowAction, localizedToolkitString(QStringLiteral("Slideshow")),
         QKeySequence(Qt::CTRL | Qt::ALT | Qt::Key_Y), &SearchWindow::toggleSlideshowAction);
    connect(destinationMenu(), &QMenu::aboutToShow, this, &SearchWindow::validateDestinationItems);
}

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

QAction* SearchWindow::fileAction(const QString& name) const
{
    for (QAction* action : actions()) {
        if (action->objectName() == name)
            return action;
    }
    return nullptr;
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

QString SearchWindow::itemTitle(const QString& action) const
{
    const bool quickLook = action == kQuickLookAction || action == u"quicklook";
    if (!quickLook && action != kSlideshowAction)
        return {};
    if (quickLook) {
        const QuickLookController* preview = QuickLookController::currentController();
        if (preview && preview->isOpen())
            return localizedToolkitString(QStringLiteral("Close Quick Look"));
    }
    const qsizetype count = selectedRows().size();
    if (count == 0)
        return localizedToolkitString(quickLook ? QStringLiteral("Quick Look") : QStringLiteral("Slideshow"));
    if (count == 1)
        return stringWithFormat(localizedToolkitString(quickLook ? QStringLiteral("Quick Look \"%@\"")
                                                                 : QStringLiteral("Slideshow \"%@\"")),
                                {selectedResultName()});
    return stringWithFormat(localizedToolkitString(quickLook ? QStringLiteral("Quick Look %d items")
                                                             : QStringLiteral("Slideshow %d items")),
                            {qlonglong(count)});
}

void SearchWindow::validateAction(QAction* action, const QString& name)
{
    action->setEnabled(validateItem(name));
    const QString title = itemTitle(name);
    if (title.isNull())
        return;
    // A toolbar item keeps its short label; its tool tip tells the rest.
    if (qobject_cast<ToolbarItem*>(action))
        action->setToolTip(title);
    else
        action->setText(title);
}

} // namespace sorvant
