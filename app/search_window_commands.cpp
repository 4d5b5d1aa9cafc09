#include "app/search_window_commands.h"

#include "app/application_delegate.h"
#include "app/file_actions.h"
#include "app/results_table_model.h"
#include "app/results_view.h"
#include "app/search_window.h"
#include "foundation/number_formatting.h"
#include "foundation/string_format.h"
#include "interface/action_router.h"
#include "interface/menu_items.h"
#include "interface/quick_look.h"
#include "interface/shown_names.h"
#include "search/results_data_source.h"
#include "system/bundle.h"

#include <QAction>
#include <QActionGroup>
#include <QHash>
#include <QMenu>
#include <QMenuBar>

namespace sorvant {

namespace {

// What decides a command's state (SearchWindowCommands::validate).
enum class Rule {
    Always,
    Selection,  // a file command: something is selected
    Removal,    // Trash, Delete: a selection that holds an item no running one holds
    QuickLook,  // a selection or an open preview; the title names them
    Slideshow,  // a selection; the title names it
    Never,      // no service on this desktop
    SortKey,    // checked: the tag is the current sort key
    Direction,  // checked: the tag (0 ascending) is the current direction
    Column,     // checked: the tag's column is shown
    Drawer,     // checked: the content lists are open
};

constexpr char kRuleProperty[] = "sorvantCommandRule";

Rule ruleOf(const QAction* action)
{
    return Rule(action->property(kRuleProperty).toInt());
}

int toggleTag(const QString& identifier)
{
    const auto& columns = ResultsView::kToggleColumns;
    for (size_t tag = 0; tag < columns.size(); ++tag) {
        if (identifier == QStringView(columns[tag]))
            return int(tag);
    }
    return -1;
}

QByteArray withColon(const QByteArray& selector)
{
    return selector.isEmpty() || selector.endsWith(':') ? selector : selector + ':';
}

// The Quick Look or Slideshow title for the window's selection ("Quick Look
// \"a.txt\"", "Slideshow 3 items"); "Close Quick Look" while a preview is open.
QString previewTitle(const SearchWindow& window, bool quickLook)
{
    if (quickLook) {
        const QuickLookController* preview = QuickLookController::currentController();
        if (preview && preview->isOpen())
            return localizedToolkitString(QStringLiteral("Close Quick Look"));
    }
    const ResultsView& results = *window.resultsTable();
    const int count = results.countOfSelection();
    if (count == 0)
        return localizedToolkitString(quickLook ? QStringLiteral("Quick Look") : QStringLiteral("Slideshow"));
    if (count == 1)
        return stringWithFormat(localizedToolkitString(quickLook ? QStringLiteral("Quick Look \"%@\"")
                                                                 : QStringLiteral("Slideshow \"%@\"")),
                                {isolatedVisibleName(results.selectedResultName())});
    // The count grouped as the status line and the questions group it
    // ("147,548"; "147.548" in German): the title's "%d" takes the text.
    QString format = localizedToolkitString(quickLook ? QStringLiteral("Quick Look %d items")
                                                      : QStringLiteral("Slideshow %d items"));
    format.replace(QLatin1String("%d"), QLatin1String("%@"));
    return stringWithFormat(format, {stringForInteger(count)});
}

// Gives the action a title that may hold a name: its "&" no mnemonic, its
// tool tip never read as markup.
void showTitle(QAction* action, const QString& title)
{
    action->setText(withoutMnemonics(title));
    action->setToolTip(plainToolTip(title));
}

} // namespace

SearchWindowCommands::SearchWindowCommands(SearchWindow* window) : QObject(window), m_window(window)
{
    // The window's own shortcuts act while any of its widgets has focus. The
    // file commands go to the window's file actions, the others to the
    // window itself.
    const auto command = [this](QObject* target, const char* selector, const QString& title,
                                const QKeySequence& keys, Rule rule) {
        QAction* action = add(selector, title, 0, target);
        action->setProperty(kRuleProperty, int(rule));
        action->setShortcut(keys);
        action->setShortcutContext(Qt::WindowShortcut);
        m_window->addAction(action);
        return action;
    };
    const auto file = [this, command](const char* selector, const QString& title, const QKeySequence& keys,
                                      Rule rule) {
        return command(&m_window->fileActions(), selector, title, keys, rule);
    };
    const auto own = [this, command](const char* selector, const QString& title, const QKeySequence& keys,
                                     Rule rule) { return command(m_window, selector, title, keys, rule); };
    m_contextMenu = new QMenu(window);
    m_contextMenu->addAction(file("openFile", tr("Open"), QKeySequence(Qt::CTRL | Qt::Key_O), Rule::Selection));
    QMenu* openWith = m_contextMenu->addMenu(tr("Open With"));
    openWith->setObjectName(QStringLiteral("openWith"));
    openWith->menuAction()->setObjectName(QStringLiteral("openWith"));
    openWith->menuAction()->setProperty(kRuleProperty, int(Rule::Selection));
    m_commands.append(openWith->menuAction());
    connect(openWith, &QMenu::aboutToShow, this,
            [this, openWith] { ApplicationDelegate::menuNeedsUpdate(openWith, m_window); });
    m_contextMenu->addAction(file("revealFileInFinder", tr("Show in File Manager"), QKeySequence(Qt::CTRL | Qt::Key_R),
                                  Rule::Selection));
    m_contextMenu->addAction(file("showInfo", tr("Properties"), QKeySequence(Qt::CTRL | Qt::Key_I), Rule::Selection));
    m_contextMenu->addSeparator();
    m_contextMenu->addAction(file("copy", tr("Copy"), QKeySequence::Copy, Rule::Selection));
    m_contextMenu->addSeparator();
    m_contextMenu->addAction(file("moveToTrash", tr("Move to Trash"), QKeySequence(Qt::Key_Delete), Rule::Removal));
    m_contextMenu->addAction(file("destroy", tr("Delete..."), QKeySequence(Qt::SHIFT | Qt::Key_Delete), Rule::Removal));
    m_contextMenu->addSeparator();
    m_contextMenu->addAction(file("addToQX", tr("Add to Quirrel"), {}, Rule::Selection));
    m_contextMenu->addAction(own("shareAction", tr("Share"), {}, Rule::Never));
    connect(m_contextMenu, &QMenu::aboutToShow, this, &SearchWindowCommands::update);
    // The previews live in the Items menu; Space in the results sends them too.
    own("toggleQuickLookAction", localizedToolkitString(QStringLiteral("Quick Look")),
        QKeySequence(Qt::CTRL | Qt::Key_Y), Rule::QuickLook);
    own("toggleSlideshowAction", localizedToolkitString(QStringLiteral("Slideshow")),
        QKeySequence(Qt::CTRL | Qt::ALT | Qt::Key_Y), Rule::Slideshow);
    own("toggleSettings", tr("Content Lists"), QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_L), Rule::Drawer)
        ->setCheckable(true);
    // The window's own items of the application's File, Search and Help
    // menus, titled in English as the menu bar is and localized with it.
    own("performClose", QStringLiteral("Close Window"), QKeySequence(Qt::CTRL | Qt::Key_W), Rule::Always);
    own("focusSearchField", QStringLiteral("Find"), QKeySequence::Find, Rule::Always);
    own("showDestinationMenu", QStringLiteral("Search In..."), QKeySequence(Qt::CTRL | Qt::Key_D), Rule::Always);
    own("showHelp", QStringLiteral("Sorvant Help"), QKeySequence::HelpContents, Rule::Always);

    // One key and one direction at a time: exclusive, and shown as such
    // rather than as check boxes.
    auto* keys = new QActionGroup(this);
    auto* directions = new QActionGroup(this);
    const auto exclusive = [](QActionGroup* group, QAction* action, Rule rule) {
        action->setProperty(kRuleProperty, int(rule));
        action->setCheckable(true);
        group->addAction(action);
    };
    for (int key = kSortByName; key <= int(kSortByComment); ++key)
        exclusive(keys,
                  add("setSorting",
                      ResultsTableModel::titleOfColumn(ResultsTableModel::columnForSortKey(std::uint64_t(key))), key),
                  Rule::SortKey);
    exclusive(directions, add("setReverseSorting", tr("Ascending"), 0), Rule::Direction);
    exclusive(directions, add("setReverseSorting", tr("Descending"), 1), Rule::Direction);
    for (int column = 0; column < ResultsTableModel::kColumnCount; ++column) {
        QAction* toggle = add("toggleColumn", ResultsTableModel::titleOfColumn(column),
                              toggleTag(ResultsTableModel::identifierOfColumn(column)));
        toggle->setProperty(kRuleProperty, int(Rule::Column));
        toggle->setCheckable(true);
    }
}

QAction* SearchWindowCommands::add(const char* selector, const QString& title, int tag, QObject* target)
{
    auto* action = new QAction(title, m_window);
    action->setObjectName(QString::fromLatin1(selector));
    // Menus show no pictures; the toolbar's items have their own.
    action->setIconVisibleInMenu(false);
    setItemTag(action, tag);
    bindAction(action, withColon(selector), target ? target : m_window);
    m_commands.append(action);
    return action;
}

QAction* SearchWindowCommands::command(const QByteArray& selector) const
{
    if (selector.isEmpty())
        return nullptr;
    const QString name = QString::fromLatin1(selector.endsWith(':') ? selector.chopped(1) : selector);
    for (QAction* action : m_commands) {
        if (action->objectName() == name)
            return action;
    }
    return nullptr;
}

QAction* SearchWindowCommands::command(const QByteArray& selector, int tag) const
{
    const QByteArray wanted = withColon(selector);
    for (QAction* action : m_commands) {
        if (actionSelector(action) == wanted && itemTag(action) == tag)
            return action;
    }
    return nullptr;
}

bool SearchWindowCommands::perform(const QByteArray& selector, int tag)
{
    QAction* action = tag < 0 ? command(selector) : command(selector, tag);
    // Validated where the menus validate it: the router asks the window.
    if (!action || !validateAction(action, ValidationContext::Menu))
        return false;
    action->trigger();
    return true;
}

// --- validation ------------------------------------------------------------------------

bool SearchWindowCommands::validate(QAction* action)
{
    if (!action || !m_commands.contains(action))
        return true;
    const bool selected = m_window->resultsTable()->selectionModel()->hasSelection();
    const SearchController& search = m_window->searchController();
    const int tag = itemTag(action);
    bool enabled = true;
    switch (ruleOf(action)) {
    case Rule::Always:
        break;
    case Rule::Selection:
        enabled = selected;
        break;
    case Rule::Removal:
        enabled = m_window->resultsTable()->hasSelectedRowNotUnderWay();
        break;
    case Rule::QuickLook: {
        const QuickLookController* preview = QuickLookController::currentController();
        enabled = selected || (preview && preview->isOpen());
        showTitle(action, previewTitle(*m_window, true));
        break;
    }
    case Rule::Slideshow:
        enabled = selected;
        showTitle(action, previewTitle(*m_window, false));
        break;
    case Rule::Never:
        enabled = false;
        break;
    case Rule::SortKey:
        action->setChecked(search.sorting() == std::uint64_t(tag));
        break;
    case Rule::Direction:
        action->setChecked(search.isReverseSorting() == (tag != 0));
        break;
    case Rule::Column: {
        const QString identifier = ResultsView::toggleColumnIdentifier(tag);
        const StripeTableView* table = m_window->resultsTable();
        action->setChecked(table->columnWithIdentifier(identifier) >= 0 && !table->isHiddenColumn(identifier));
        break;
    }
    case Rule::Drawer:
        action->setChecked(m_window->settingsDrawer() && m_window->isDrawerVisible());
        break;
    }
    action->setEnabled(enabled);
    return enabled;
}

void SearchWindowCommands::update()
{
    for (QAction* action : m_commands)
        (void)validate(action);
}

// --- menus -----------------------------------------------------------------------------

void SearchWindowCommands::addItemsMenu(QMenuBar* menuBar)
{
    QMenu* items = menuBar->addMenu(tr("&Items"));
    items->setObjectName(QStringLiteral("itemsMenu"));
    items->addActions(m_contextMenu->actions());
    items->addSeparator();
    items->addAction(command("toggleQuickLookAction"));
    items->addAction(command("toggleSlideshowAction"));
    connect(items, &QMenu::aboutToShow, this, &SearchWindowCommands::update);
}

QMenu* SearchWindowCommands::makeColumnsMenu(QWidget* parent)
{
    auto* menu = new QMenu(tr("Columns"), parent);
    menu->setObjectName(QStringLiteral("columnsMenu"));
    for (int column = 0; column < ResultsTableModel::kColumnCount; ++column)
        menu->addAction(command("toggleColumn:", toggleTag(ResultsTableModel::identifierOfColumn(column))));
    connect(menu, &QMenu::aboutToShow, this, &SearchWindowCommands::update);
    update();
    return menu;
}

void SearchWindowCommands::addViewMenu(QMenuBar* menuBar)
{
    QMenu* view = menuBar->addMenu(tr("&View"));
    view->setObjectName(QStringLiteral("viewMenu"));
    auto* sortBy = new QMenu(tr("Sort By"), view);
    sortBy->setObjectName(QStringLiteral("sortByMenu"));
    for (int key = kSortByName; key <= int(kSortByComment); ++key)
        sortBy->addAction(command("setSorting:", key));
    sortBy->addSeparator();
    sortBy->addAction(command("setReverseSorting:", 0));
    sortBy->addAction(command("setReverseSorting:", 1));
    connect(sortBy, &QMenu::aboutToShow, this, &SearchWindowCommands::update);
    view->addMenu(sortBy);
    view->addMenu(makeColumnsMenu(view));
}

} // namespace sorvant
