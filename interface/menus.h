#pragma once
// Building, searching and pruning menus from code: items bound to
// selectors (action_router.h) with tags and key equivalents, sorted
// insertion in natural order, separators only where they separate, pruning
// before a menu is shown (contextual and action menus), popping a menu up,
// suggesting free key equivalents, dumping a menu tree to the log, and the
// Open With list of applications.
//
// A menu filled when about to show (a "menu filled on demand") counts as
// having a delegate: pruning keeps it even while it is empty.
//
// Not here: item kinds and pictures (menu_items.h); localizing menus
// (localization.h).

#include <QByteArray>
#include <QFont>
#include <QImage>
#include <QList>
#include <QPoint>
#include <QString>
#include <QVariant>

#include <functional>

class QAction;
class QMenu;
class QObject;
class QWidget;

namespace sorvant {

// --- creating and adding ---------------------------------------------------------------------

// Makes `menu` a menu filled on demand: `fill` runs each time it is about to
// show (the menu's "menuNeedsUpdate:").
void setMenuFiller(QMenu* menu, std::function<void(QMenu*)> fill);
[[nodiscard]] bool hasMenuFiller(const QMenu* menu);
// Fills the menu now, for a caller that must see the items before the menu
// shows: its filler runs, and so does whatever a caller connected to the
// menu's aboutToShow (the Qt way of filling on demand); nothing for a null
// menu.
void fillMenuNow(QMenu* menu);

// Adds (inserts at `index`) an item bound to `selector` (none when empty)
// for `target` (the responder chain when null), with the tag when not 0
// and the key equivalent text ("CMD_s"; none when empty). A null title is
// logged ("Invalid menu item title for selector %@" and ", target %@)" when
// a target was given) and becomes "".
QAction* addItem(QMenu* menu, const QString& title, const QByteArray& selector, QObject* target = nullptr,
                 int tag = 0, const QString& keyEquivalent = {});
QAction* insertItem(QMenu* menu, const QString& title, const QByteArray& selector, QObject* target, int tag,
                    const QString& keyEquivalent, int index);
// An item with no action holding `submenu` (when not null).
QAction* addItemWithSubmenu(QMenu* menu, const QString& title, QMenu* submenu);
// Inserts at the first index at or after `start` whose title sorts after
// `title` in natural order ("File 2" before "File 10"), else at the end.
QAction* addSortedItem(QMenu* menu, const QString& title, int start, const QByteArray& selector,
                       QObject* target = nullptr, int tag = 0, const QString& keyEquivalent = {});

QAction* addSeparatorItem(QMenu* menu);
QAction* insertSeparatorItem(QMenu* menu, int index);
// A separator only when the menu has items and the last is none; else null.
QAction* addSeparatorItemIfNecessary(QMenu* menu);
// A separator at `index` unless it is 0 or past the last item, or the item
// before or at `index` (the one that would follow) is a separator; else null.
QAction* insertSeparatorItemIfNecessary(QMenu* menu, int index);
// A titled heading (SeparatorMenuItem), never enabled.
QAction* addSeparatorItemWithTitle(QMenu* menu, const QString& title);

// --- finding ---------------------------------------------------------------------------------

// The item of the parent menu that holds `menu`; null at the top.
[[nodiscard]] QAction* superItem(const QMenu* menu);
// YES when `ancestor` is `menu` or one of the menus above it; NO for null.
[[nodiscard]] bool isSubmenuOfMenu(const QMenu* menu, const QMenu* ancestor);
// The index of the last top-level item bound to `selector`, or -1.
[[nodiscard]] int indexOfItemWithAction(const QMenu* menu, const QByteArray& selector);
// That item itself; submenus are not searched. Null when none.
[[nodiscard]] QAction* subItemWithAction(const QMenu* menu, const QByteArray& selector);
// Searching from the last item to the first, each item before its submenu:
// the item bound to `selector`; the one bound to `selector` for exactly
// `target` (null: the responder chain); the one whose data equals `object`.
[[nodiscard]] QAction* itemWithAction(const QMenu* menu, const QByteArray& selector);
[[nodiscard]] QAction* itemWithTarget(const QMenu* menu, const QObject* target, const QByteArray& selector);
[[nodiscard]] QAction* itemWithRepresentedObject(const QMenu* menu, const QVariant& object);

// --- changing --------------------------------------------------------------------------------

// Sets the target of every bound item on all levels that `target` answers
// (setTargets), or of every bound item whatever it answers (setTarget).
void setTargets(QMenu* menu, QObject* target);
void setTarget(QMenu* menu, QObject* target);
// Takes the item out of every menu holding it.
void removeFromMenu(QAction* item);
void removeAllItemsExceptFirst(QMenu* menu);
void removeLastItem(QMenu* menu);
void removeItemWithTag(QMenu* menu, int tag);
void removeItemWithAction(QMenu* menu, const QByteArray& selector);
void removeTrailingSeparatorItems(QMenu* menu);
// Clears every item's shortcut on all levels.
void removeKeyEquivalents(QMenu* menu);

// --- pruning ---------------------------------------------------------------------------------

struct PruneOptions
{
    bool updateFirst = false;          // validate the items first
    bool keepDisabledItems = true;
    bool removeEmptiedSubmenus = true; // submenus filled on demand always stay
    bool clearKeyEquivalents = false;
};
// Drops leading, doubled and trailing separators, and (as the options say)
// disabled items and submenus left empty.
void pruneMenu(QMenu* menu, const PruneOptions& options);
void removeUnnecessaryItems(QMenu* menu);
void removeUnnecessarySeparatorItems(QMenu* menu);
void removeUnnecessaryContextualMenuItems(QMenu* menu);
void removeUnnecessaryActionMenuItems(QMenu* menu);

// A copy of `menu` (owned by the caller) with its items re-targeted at
// `target` when given, pruned as a context menu; null when nothing is left.
[[nodiscard]] QMenu* contextualMenuWithTarget(const QMenu* menu, QObject* target = nullptr);
// A copy pruned as an action menu (no shortcuts); null when empty.
[[nodiscard]] QMenu* actionMenu(const QMenu* menu);
// A deep copy: items, their bindings, tags, data and states, submenus.
[[nodiscard]] QMenu* copyMenu(const QMenu* menu, QWidget* parent = nullptr);

// Shows `menu` at the global position, in `font` when given; nothing for
// null.
void popUpMenu(QMenu* menu, QPoint globalPosition, const QFont* font = nullptr);

// --- item lists (menus built in pieces) ---------------------------------------------------

// A separator at the end (start) unless the list is empty or already ends
// (starts) with one; the separators belong to `owner`.
QAction* addSeparatorItemIfNecessary(QList<QAction*>& items, QObject* owner);
QAction* insertSeparatorItemAtBeginningIfNecessary(QList<QAction*>& items, QObject* owner);
// Drops leading and doubled separators, then one trailing separator.
void removeUnnecessaryItems(QList<QAction*>& items);
// Drops every item with the tag.
void removeItemWithTag(QList<QAction*>& items, int tag);

// --- key equivalents -------------------------------------------------------------------------

// A free key for `title` as display text ("Cmd+Shift-A"), trying Command,
// Command+Shift, Command+Option, Command+Control, Command+Option+Shift and
// Command+Option+Control; null when none is free or the title is white.
[[nodiscard]] QString suggestedKeyEquivalent(const QMenu* menu);
[[nodiscard]] QString suggestedKeyEquivalentForTitle(const QMenu* menu, const QString& title);
[[nodiscard]] QString suggestedKeyEquivalentForTitle(const QMenu* menu, const QString& title, quint32 mask);
[[nodiscard]] bool isKeyEquivalentUsed(const QMenu* menu, const QString& key, quint32 mask);

// --- dumping ---------------------------------------------------------------------------------

// The tree as text, one tab per level: "<title>: Alt: 0, Key: s, Mask:
// 100000" per item, "---" per separator; logged once.
QString dumpSubmenus(const QMenu* menu);
// "<title>: Action: <selector>, Target: <target>" per item, "<title>:" for
// submenu holders.
QString dumpSubmenuActions(const QMenu* menu);

// --- Open With -------------------------------------------------------------------------------

// What the Open With list needs to know of an application (a desktop
// file's path).
class ApplicationDescriptions
{
public:
    virtual ~ApplicationDescriptions() = default;
    // The name shown; null when unknown.
    [[nodiscard]] virtual QString displayName(const QString& application) const = 0;
    // A 16 x 16 icon; null when none.
    [[nodiscard]] virtual QImage icon(const QString& application) const = 0;
};
// Names from desktop entries, icons from the workspace's cache.
[[nodiscard]] const ApplicationDescriptions& desktopApplicationDescriptions();

// Adds the Open With items: the default application (tag 0, titled with
// " (default)" translated) first, a separator, then the others (tag 1) in
// natural order, each with its path as data and its icon; a disabled
// "<None>" item when there are none at all.
void addItemsForDefaultApplication(QMenu* menu, const QString& defaultApplication,
                                   const QStringList& applications, const QByteArray& selector,
                                   QObject* target,
                                   const ApplicationDescriptions& descriptions = desktopApplicationDescriptions());

} // namespace sorvant
