#include "interface/menus.h"

#include "foundation/chars_table.h"
#include "foundation/lines.h"
#include "interface/action_router.h"
#include "interface/events.h"
#include "interface/key_equivalents.h"
#include "interface/menu_items.h"
#include "platform/collation.h"
#include "platform/log.h"
#include "system/bundle.h"
#include "system/desktop_entry.h"
#include "system/workspace_icons.h"

#include <QAction>
#include <QIcon>
#include <QMenu>
#include <QPixmap>
#include <QPointer>
#include <QSet>

#include <algorithm>

namespace sorvant {

namespace {


// Holds a menu's filler, so that copies can fill themselves the same way.
class MenuFiller : public QObject
{
public:
    MenuFiller(QMenu* menu, std::function<void(QMenu*)> fill) : QObject(menu), m_fill(std::move(fill))
    {
        setObjectName(QStringLiteral("sorvantMenuFiller"));
        connect(menu, &QMenu::aboutToShow, this, [this, menu] { m_fill(menu); });
    }
    const std::function<void(QMenu*)>& fill() const { return m_fill; }

private:
    std::function<void(QMenu*)> m_fill;
};

const MenuFiller* fillerOf(const QMenu* menu)
{
    return menu ? menu->findChild<MenuFiller*>(QStringLiteral("sorvantMenuFiller"), Qt::FindDirectChildrenOnly)
                : nullptr;
}

QString checkedTitle(const QString& title, const QByteArray& selector, QObject* target)
{
    if (!title.isNull())
        return title;
    if (target)
        logMessage(QStringLiteral("Invalid menu item title for selector %1, target %2)")
                       .arg(QString::fromLatin1(selector), QString::fromLatin1(target->metaObject()->className())));
    else
        logMessage(QStringLiteral("Invalid menu item title for selector %1").arg(QString::fromLatin1(selector)));
    return QStringLiteral("");
}

QAction* makeItem(QMenu* menu, const QString& title, const QByteArray& selector, QObject* target, int tag,
                  const QString& keyEquivalent)
{
    auto* item = new QAction(checkedTitle(title, selector, target), menu);
    setUpItem(item, selector, target, tag, keyEquivalent);
    return item;
}

void insertAt(QMenu* menu, QAction* item, int index)
{
    const QList<QAction*> items = menu->actions();
    menu->insertAction(index >= 0 && index < items.size() ? items.at(index) : nullptr, item);
}

void removeItem(QMenu* menu, QAction* item)
{
    menu->removeAction(item);
    // Items made for this menu go with it; shared actions stay with their owner.
    if (item->parent() == menu)
        delete item;
}

bool isPopulatedOnDemand(const QMenu* submenu)
{
    return submenu->actions().isEmpty() && hasMenuFiller(submenu);
}

QString titleWithoutAppExtension(const QString& name)
{
    if (name.endsWith(QLatin1String(".app"), Qt::CaseInsensitive))
        return name.chopped(4);
    return name;
}

QSet<QString> usedKeys(const QMenu* menu, quint32 mask)
{
    QSet<QString> used;
    if (mask == (kCommandKeyMask | kControlKeyMask))
        used.insert(QStringLiteral("d")); // taken by the desktop's dictionary look-up
    const std::function<void(const QMenu*)> collect = [&](const QMenu* m) {
        for (const QAction* item : m->actions()) {
            quint32 itemMask = 0;
            const QString key = keyEquivalentForKeySequence(item->shortcut(), &itemMask);
            // Qt names a shifted letter by Shift in the mask, as an upper-case
            // key equivalent implies it: the modifier part decides for all keys.
            if (!key.isEmpty() && (itemMask & kDeviceIndependentModifierMask) == mask)
                used.insert(key.toLower());
            if (item->menu())
                collect(item->menu());
        }
    };
    collect(menu);
    return used;
}

QString modifierNames(quint32 mask)
{
    QStringList names;
    if (mask & kCommandKeyMask)
        names.append(QStringLiteral("Cmd"));
    if (mask & kAlternateKeyMask)
        names.append(QStringLiteral("Alt"));
    if (mask & kControlKeyMask)
        names.append(QStringLiteral("Ctrl"));
    if (mask & kShiftKeyMask)
        names.append(QStringLiteral("Shift"));
    return names.join(u'+');
}

void dumpInto(QString* text, const QMenu* menu, const QString& indent, bool actions)
{
    for (const QAction* item : menu->actions()) {
        if (item->isSeparator()) {
            *text += indent + QLatin1String("---\n");
            continue;
        }
        if (actions) {
            if (item->menu()) {
                *text += indent + item->text() + QLatin1String(":\n");
            } else {
                const QObject* target = actionTarget(item);
                *text += QStringLiteral("%1%2: Action: %3, Target: %4\n")
                             .arg(indent, item->text(), QString::fromLatin1(actionSelector(item)),
                                  target ? QString::fromLatin1(target->metaObject()->className())
                                         : QStringLiteral("(null)"));
            }
        } else {
            quint32 mask = 0;
            const QString key = keyEquivalentForKeySequence(item->shortcut(), &mask);
            *text += QStringLiteral("%1%2: Alt: 0, Key: %3, Mask: %4\n")
                         .arg(indent, item->text(), key, QString::number(mask, 16));
        }
        if (item->menu())
            dumpInto(text, item->menu(), indent + u'\t', actions);
    }
}

// A separator inserted at `index` (0 or the end) of a non-empty list whose
// item on that side is no separator.
QAction* addListSeparator(QList<QAction*>& items, QObject* owner, qsizetype index)
{
    if (items.isEmpty() || items.at(index == 0 ? 0 : items.size() - 1)->isSeparator())
        return nullptr;
    auto* separator = new QAction(owner);
    separator->setSeparator(true);
    items.insert(index, separator);
    return separator;
}

// The first item, from the last to the first, that matches, each item
// before the items of its submenu.
QAction* findItem(const QMenu* menu, const std::function<bool(const QAction*)>& matches)
{
    if (!menu)
        return nullptr;
    const QList<QAction*> items = menu->actions();
    for (auto it = items.crbegin(); it != items.crend(); ++it) {
        if (matches(*it))
            return *it;
        if (QAction* found = findItem((*it)->menu(), matches))
            return found;
    }
    return nullptr;
}

QString dumpMenu(const QMenu* menu, bool actions)
{
    QString text = QStringLiteral("\n");
    if (menu)
        dumpInto(&text, menu, {}, actions);
    logMessage(text);
    return text;
}

class DesktopApplicationDescriptions : public ApplicationDescriptions
{
public:
    QString displayName(const QString& application) const override
    {
        const DesktopEntry entry = DesktopEntry::fromFile(application);
        return entry.isNull() || entry.name().isEmpty() ? QString() : entry.name();
    }
    QImage icon(const QString& application) const override { return cachedIconForApp(application); }
};

QAction* openWithItem(QMenu* menu, const QString& title, const QString& application, const QByteArray& selector,
                      QObject* target, int tag, const ApplicationDescriptions& descriptions)
{
    QAction* item = makeItem(menu, title, selector, target, tag, {});
    item->setData(application);
    const QImage icon = descriptions.icon(application);
    if (!icon.isNull())
        item->setIcon(QIcon(QPixmap::fromImage(icon)));
    return item;
}

} // namespace

// --- creating and adding ---------------------------------------------------------------------

void setMenuFiller(QMenu* menu, std::function<void(QMenu*)> fill)
{
    if (!menu)
        return;
    delete const_cast<MenuFiller*>(fillerOf(menu));
    if (fill)
        new MenuFiller(menu, std::move(fill));
}

bool hasMenuFiller(const QMenu* menu)
{
    return fillerOf(menu) != nullptr;
}

void fillMenuNow(QMenu* menu)
{
    // The toolkit's filler listens to the signal as a Qt caller's slot does.
    if (menu)
        emit menu->aboutToShow();
}

QAction* addItem(QMenu* menu, const QString& title, const QByteArray& selector, QObject* target, int tag,
                 const QString& keyEquivalent)
{
    return insertItem(menu, title, selector, target, tag, keyEquivalent, -1);
}

QAction* insertItem(QMenu* menu, const QString& title, const QByteArray& selector, QObject* target, int tag,
                    const QString& keyEquivalent, int index)
{
    if (!menu)
        return nullptr;
    QAction* item = makeItem(menu, title, selector, target, tag, keyEquivalent);
    insertAt(menu, item, index);
    return item;
}

QAction* addItemWithSubmenu(QMenu* menu, const QString& title, QMenu* submenu)
{
    QAction* item = addItem(menu, title, {});
    if (item && submenu)
        item->setMenu(submenu);
    return item;
}

QAction* addSortedItem(QMenu* menu, const QString& title, int start, const QByteArray& selector, QObject* target,
                       int tag, const QString& keyEquivalent)
{
    if (!menu)
        return nullptr;
    QAction* item = makeItem(menu, title, selector, target, tag, keyEquivalent);
    const QList<QAction*> items = menu->actions();
    int index = static_cast<int>(items.size());
    for (int i = qMax(0, start); i < items.size(); ++i) {
        if (localizedStandardCompare(items.at(i)->text(), item->text()) > 0) {
            index = i;
            break;
        }
    }
    insertAt(menu, item, index);
    return item;
}

QAction* addSeparatorItem(QMenu* menu)
{
    return menu ? menu->addSeparator() : nullptr;
}

QAction* insertSeparatorItem(QMenu* menu, int index)
{
    if (!menu)
        return nullptr;
    const QList<QAction*> items = menu->actions();
    return menu->insertSeparator(index >= 0 && index < items.size() ? items.at(index) : nullptr);
}

QAction* addSeparatorItemIfNecessary(QMenu* menu)
{
    if (!menu || menu->actions().isEmpty() || menu->actions().last()->isSeparator())
        return nullptr;
    return menu->addSeparator();
}

QAction* insertSeparatorItemIfNecessary(QMenu* menu, int index)
{
    if (!menu)
        return nullptr;
    const QList<QAction*> items = menu->actions();
    if (index <= 0 || index >= items.size() || items.at(index - 1)->isSeparator())
        return nullptr;
    // The item at `index` is the one that would follow the new separator.
    if (items.at(index)->isSeparator())
        return nullptr;
    return insertSeparatorItem(menu, index);
}

QAction* addSeparatorItemWithTitle(QMenu* menu, const QString& title)
{
    if (!menu)
        return nullptr;
    if (title.isNull())
        logMessage(QStringLiteral("Invalid menu item title for selector (null)"));
    auto* item = new SeparatorMenuItem(title.isNull() ? QStringLiteral("") : title, menu);
    menu->addAction(item);
    return item;
}

// --- finding ---------------------------------------------------------------------------------

QAction* superItem(const QMenu* menu)
{
    return menu && menu->menuAction() && !menu->menuAction()->associatedObjects().isEmpty()
        ? const_cast<QMenu*>(menu)->menuAction()
        : nullptr;
}

bool isSubmenuOfMenu(const QMenu* menu, const QMenu* ancestor)
{
    if (!ancestor)
        return false;
    for (const QMenu* m = menu; m;) {
        if (m == ancestor)
            return true;
        const QAction* holder = superItem(m);
        const QMenu* parentMenu = nullptr;
        if (holder) {
            for (QObject* owner : holder->associatedObjects()) {
                if (auto* candidate = qobject_cast<QMenu*>(owner); candidate && candidate != m) {
                    parentMenu = candidate;
                    break;
                }
            }
        }
        m = parentMenu;
    }
    return false;
}

int indexOfItemWithAction(const QMenu* menu, const QByteArray& selector)
{
    if (!menu)
        return -1;
    const QList<QAction*> items = menu->actions();
    for (int i = static_cast<int>(items.size()) - 1; i >= 0; --i) {
        if (actionSelector(items.at(i)) == selector)
            return i;
    }
    return -1;
}

QAction* subItemWithAction(const QMenu* menu, const QByteArray& selector)
{
    const int index = indexOfItemWithAction(menu, selector);
    return index < 0 ? nullptr : menu->actions().at(index);
}

QAction* itemWithAction(const QMenu* menu, const QByteArray& selector)
{
    return findItem(menu, [&](const QAction* item) { return actionSelector(item) == selector; });
}

QAction* itemWithTarget(const QMenu* menu, const QObject* target, const QByteArray& selector)
{
    return findItem(menu, [&](const QAction* item) {
        return actionSelector(item) == selector && actionTarget(item) == target;
    });
}

QAction* itemWithRepresentedObject(const QMenu* menu, const QVariant& object)
{
    return findItem(menu, [&](const QAction* item) { return item->data().isValid() && item->data() == object; });
}

// --- changing --------------------------------------------------------------------------------

void setTargets(QMenu* menu, QObject* target)
{
    if (!menu || !target)
        return;
    const QList<QAction*> items = menu->actions();
    for (auto it = items.crbegin(); it != items.crend(); ++it) {
        const QByteArray selector = actionSelector(*it);
        if (!selector.isEmpty() && respondsToSelector(target, selector))
            bindAction(*it, selector, target);
        setTargets((*it)->menu(), target);
    }
}

void setTarget(QMenu* menu, QObject* target)
{
    if (!menu)
        return;
    for (QAction* item : menu->actions()) {
        const QByteArray selector = actionSelector(item);
        if (!selector.isEmpty())
            bindAction(item, selector, target);
        setTarget(item->menu(), target);
    }
}

void removeFromMenu(QAction* item)
{
    if (!item)
        return;
    for (QObject* owner : item->associatedObjects()) {
        if (auto* widget = qobject_cast<QWidget*>(owner))
            widget->removeAction(item);
    }
}

void removeAllItemsExceptFirst(QMenu* menu)
{
    while (menu && menu->actions().size() > 1)
        removeItem(menu, menu->actions().last());
}

void removeLastItem(QMenu* menu)
{
    if (menu && !menu->actions().isEmpty())
        removeItem(menu, menu->actions().last());
}

void removeItemWithTag(QMenu* menu, int tag)
{
    if (!menu)
        return;
    for (QAction* item : menu->actions()) {
        if (itemTag(item) == tag) {
            removeItem(menu, item);
            return;
        }
    }
}

void removeItemWithAction(QMenu* menu, const QByteArray& selector)
{
    const int index = indexOfItemWithAction(menu, selector);
    if (index >= 0)
        removeItem(menu, menu->actions().at(index));
}

void removeTrailingSeparatorItems(QMenu* menu)
{
    while (menu && !menu->actions().isEmpty() && menu->actions().last()->isSeparator())
        removeItem(menu, menu->actions().last());
}

void removeKeyEquivalents(QMenu* menu)
{
    if (!menu)
        return;
    for (QAction* item : menu->actions()) {
        item->setShortcut({});
        removeKeyEquivalents(item->menu());
    }
}

// --- pruning ---------------------------------------------------------------------------------

void pruneMenu(QMenu* menu, const PruneOptions& options)
{
    if (!menu)
        return;
    if (options.updateFirst)
        validateMenuActions(menu);
    bool afterSeparator = false;
    int index = 0;
    while (index < menu->actions().size()) {
        QAction* item = menu->actions().at(index);
        if (options.clearKeyEquivalents)
            item->setShortcut({});
        bool remove = false;
        if (item->isSeparator()) {
            remove = index == 0 || afterSeparator;
        } else if (!item->isEnabled() && !options.keepDisabledItems) {
            remove = true;
        } else if (QMenu* submenu = item->menu(); submenu && !isPopulatedOnDemand(submenu)) {
            pruneMenu(submenu, options);
            remove = options.removeEmptiedSubmenus && submenu->actions().isEmpty();
        }
        if (remove) {
            removeItem(menu, item);
            continue;
        }
        afterSeparator = item->isSeparator();
        ++index;
    }
    removeTrailingSeparatorItems(menu);
}

void removeUnnecessaryItems(QMenu* menu)
{
    pruneMenu(menu, {});
}

void removeUnnecessarySeparatorItems(QMenu* menu)
{
    pruneMenu(menu, {false, true, false, false});
}

void removeUnnecessaryContextualMenuItems(QMenu* menu)
{
    pruneMenu(menu, {true, false, true, false});
}

void removeUnnecessaryActionMenuItems(QMenu* menu)
{
    pruneMenu(menu, {false, true, true, true});
}

QMenu* copyMenu(const QMenu* menu, QWidget* parent)
{
    if (!menu)
        return nullptr;
    auto* copy = new QMenu(menu->title(), parent);
    if (const MenuFiller* filler = fillerOf(menu))
        setMenuFiller(copy, filler->fill());
    for (QAction* item : menu->actions()) {
        if (item->isSeparator()) {
            copy->addSeparator();
            continue;
        }
        QAction* twin = dynamic_cast<SeparatorMenuItem*>(item) ? new SeparatorMenuItem(item->text(), copy)
                                                                 : new QAction(item->icon(), item->text(), copy);
        twin->setToolTip(item->toolTip());
        twin->setShortcut(item->shortcut());
        twin->setCheckable(item->isCheckable());
        twin->setChecked(item->isChecked());
        twin->setEnabled(item->isEnabled());
        twin->setVisible(item->isVisible());
        twin->setData(item->data());
        setItemTag(twin, itemTag(item));
        const QByteArray selector = actionSelector(item);
        if (!selector.isEmpty()) {
            bindAction(twin, selector, actionTarget(item));
        } else if (!item->menu()) {
            // An item wired by hand: the copy triggers the original.
            QObject::connect(twin, &QAction::triggered, item, [original = QPointer<QAction>(item)] {
                if (original)
                    original->trigger();
            });
        }
        if (item->menu())
            twin->setMenu(copyMenu(item->menu(), copy));
        copy->addAction(twin);
        if (const QVariantMap attributes = titleAttributes(item); !attributes.isEmpty())
            setTitleAttributes(twin, attributes);
    }
    return copy;
}

QMenu* contextualMenuWithTarget(const QMenu* menu, QObject* target)
{
    QMenu* copy = copyMenu(menu);
    if (!copy)
        return nullptr;
    if (target)
        setTargets(copy, target);
    removeUnnecessaryContextualMenuItems(copy);
    if (copy->actions().isEmpty()) {
        delete copy;
        return nullptr;
    }
    return copy;
}

QMenu* actionMenu(const QMenu* menu)
{
    QMenu* copy = copyMenu(menu);
    if (!copy)
        return nullptr;
    removeUnnecessaryActionMenuItems(copy);
    if (copy->actions().isEmpty()) {
        delete copy;
        return nullptr;
    }
    return copy;
}

void popUpMenu(QMenu* menu, QPoint globalPosition, const QFont* font)
{
    if (!menu)
        return;
    if (font)
        menu->setFont(*font);
    menu->popup(globalPosition);
}

// --- item lists (menus built in pieces) ---------------------------------------------------

QAction* addSeparatorItemIfNecessary(QList<QAction*>& items, QObject* owner)
{
    return addListSeparator(items, owner, items.size());
}

QAction* insertSeparatorItemAtBeginningIfNecessary(QList<QAction*>& items, QObject* owner)
{
    return addListSeparator(items, owner, 0);
}

void removeUnnecessaryItems(QList<QAction*>& items)
{
    bool afterSeparator = false;
    for (qsizetype i = 0; i < items.size();) {
        const bool separator = items.at(i)->isSeparator();
        if (separator && (i == 0 || afterSeparator)) {
            items.removeAt(i);
            continue;
        }
        afterSeparator = separator;
        ++i;
    }
    if (!items.isEmpty() && items.last()->isSeparator())
        items.removeLast();
}

void removeItemWithTag(QList<QAction*>& items, int tag)
{
    for (qsizetype i = items.size() - 1; i >= 0; --i) {
        if (itemTag(items.at(i)) == tag)
            items.removeAt(i);
    }
}

// --- key equivalents -------------------------------------------------------------------------

QString suggestedKeyEquivalent(const QMenu* menu)
{
    return suggestedKeyEquivalentForTitle(menu, QStringLiteral("abcdefghijklmnopqrstuvwxyz01234567890"));
}

QString suggestedKeyEquivalentForTitle(const QMenu* menu, const QString& title)
{
    if (title.isNull() || isWhiteString(title))
        return {};
    for (quint32 mask : {kCommandKeyMask, kCommandKeyMask | kShiftKeyMask, kCommandKeyMask | kAlternateKeyMask, kCommandKeyMask | kControlKeyMask,
                         kCommandKeyMask | kAlternateKeyMask | kShiftKeyMask, kCommandKeyMask | kAlternateKeyMask | kControlKeyMask}) {
        const QString suggestion = suggestedKeyEquivalentForTitle(menu, title, mask);
        if (!suggestion.isNull())
            return suggestion;
    }
    return {};
}

QString suggestedKeyEquivalentForTitle(const QMenu* menu, const QString& title, quint32 mask)
{
    if (!menu || title.isNull() || isWhiteString(title) || (mask & kDeviceIndependentModifierMask) == 0)
        return {};
    const QSet<QString> used = usedKeys(menu, mask);
    for (const QChar unit : title) {
        if (bitmapContains(getWhiteSpacesBitmap(), unit.unicode()))
            continue;
        const QString candidate(QChar(lowercaseCharacter(unit.unicode())));
        if (!used.contains(candidate))
            return modifierNames(mask) + u'-' + candidate.toUpper();
    }
    return {};
}

bool isKeyEquivalentUsed(const QMenu* menu, const QString& key, quint32 mask)
{
    if (!menu || key.isEmpty() || (mask & kDeviceIndependentModifierMask) == 0)
        return false;
    return usedKeys(menu, mask).contains(key.toLower());
}

// --- dumping ---------------------------------------------------------------------------------

QString dumpSubmenus(const QMenu* menu)
{
    return dumpMenu(menu, false);
}

QString dumpSubmenuActions(const QMenu* menu)
{
    return dumpMenu(menu, true);
}

// --- Open With -------------------------------------------------------------------------------

const ApplicationDescriptions& desktopApplicationDescriptions()
{
    static const DesktopApplicationDescriptions descriptions;
    return descriptions;
}

void addItemsForDefaultApplication(QMenu* menu, const QString& defaultApplication, const QStringList& applications,
                                   const QByteArray& selector, QObject* target,
                                   const ApplicationDescriptions& descriptions)
{
    if (!menu)
        return;
    const bool hasDefault = !defaultApplication.isNull();
    if (hasDefault) {
        const QString title = QStringLiteral("%1 %2").arg(
            titleWithoutAppExtension(descriptions.displayName(defaultApplication)),
            Bundle::mainBundle().localizedStringForKey(QStringLiteral("(default)"), QStringLiteral("")));
        menu->addAction(openWithItem(menu, title, defaultApplication, selector, target, 0, descriptions));
    }
    QList<QAction*> others;
    for (const QString& application : applications) {
        if (application == defaultApplication)
            continue;
        const QString name = descriptions.displayName(application);
        const QString title = name.isNull() ? QString() : titleWithoutAppExtension(name);
        others.append(openWithItem(menu, title, application, selector, target, 1, descriptions));
    }
    if (!others.isEmpty()) {
        if (hasDefault)
            menu->addSeparator();
        std::stable_sort(others.begin(), others.end(), [](const QAction* a, const QAction* b) {
            return localizedStandardCompare(a->text(), b->text()) < 0;
        });
        for (QAction* item : others)
            menu->addAction(item);
    } else if (!hasDefault) {
        QAction* none = menu->addAction(
            Bundle::mainBundle().localizedStringForKey(QStringLiteral("<None>"), QStringLiteral("")));
        none->setEnabled(false);
    }
}

} // namespace sorvant
