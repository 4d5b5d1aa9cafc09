#include "interface/symbol_toolbar.h"

#include "interface/action_router.h"
#include "interface/appearance.h"
#include "interface/application.h"
#include "interface/fonts.h"
#include "interface/toolbar_items.h"
#include "interface/version_gates.h"
#include "platform/user_defaults.h"

#include <QActionEvent>
#include <QApplication>
#include <QCursor>
#include <QEvent>
#include <QMenu>
#include <QTimer>

#include <cmath>

namespace sorvant {

namespace {

const QString kDisplayModeKey = QStringLiteral("TB Display Mode");
const QString kItemIdentifiersKey = QStringLiteral("TB Item Identifiers");
const QString kIsShownKey = QStringLiteral("TB Is Shown");
// The cache key of the last icon of an action looked at for being a glyph.
constexpr const char* kCheckedIconProperty = "sorvantCheckedIcon";

Qt::ToolButtonStyle buttonStyle(SymbolToolbar::DisplayMode mode)
{
    switch (mode) {
    case SymbolToolbar::IconOnlyMode: return Qt::ToolButtonIconOnly;
    case SymbolToolbar::LabelOnlyMode: return Qt::ToolButtonTextOnly;
    case SymbolToolbar::DefaultMode:
    case SymbolToolbar::IconAndLabelMode: break;
    }
    return Qt::ToolButtonTextUnderIcon;
}

} // namespace

SymbolToolbar::SymbolToolbar(const QString& identifier, QWidget* parent) : QToolBar(parent)
{
    setObjectName(identifier);
    setMovable(false);
    setFloatable(false);
    setDisplayMode(IconAndLabelMode);
    qApp->installEventFilter(this);
}

void SymbolToolbar::setDisplayMode(DisplayMode mode)
{
    m_displayMode = mode;
    setToolButtonStyle(buttonStyle(mode));
    const SymbolConfiguration* configuration = symbolConfiguration();
    const int side = configuration && configuration->scale == 3 ? 28 : 24;
    setIconSize(QSize(side, side));
}

const SymbolConfiguration* SymbolToolbar::symbolConfigurationForDisplayMode(DisplayMode mode)
{
    if (!systemVersionAtLeast(10, 16))
        return nullptr;
    static const SymbolConfiguration iconOnly{13.0, QFont::DemiBold, 3};
    static const SymbolConfiguration other{13.0, QFont::Medium, 2};
    return mode == IconOnlyMode ? &iconOnly : &other;
}

const SymbolConfiguration* SymbolToolbar::symbolConfiguration() const
{
    return symbolConfigurationForDisplayMode(m_displayMode);
}

bool SymbolToolbar::isToolbarAction(const QByteArray& selector)
{
    return selector == "toggleToolbarShown:" || selector == "runToolbarCustomizationPalette:"
           || selector == "changeToolbarDisplayMode:" || selector == "toggleUsingSmallToolbarIcons:";
}

QList<ToolbarItem*> SymbolToolbar::items() const
{
    QList<ToolbarItem*> result;
    for (QAction* action : actions())
        if (auto* item = qobject_cast<ToolbarItem*>(action))
            result.append(item);
    return result;
}

ToolbarItem* SymbolToolbar::itemWithIdentifier(const QString& identifier) const
{
    for (ToolbarItem* item : items())
        if (item->itemIdentifier() == identifier)
            return item;
    return nullptr;
}

ToolbarItem* SymbolToolbar::visibleItemWithIdentifier(const QString& identifier) const
{
    if (!isVisible())
        return nullptr;
    ToolbarItem* item = itemWithIdentifier(identifier);
    return item && item->isVisible() ? item : nullptr;
}

QStringList SymbolToolbar::itemIdentifiers() const
{
    QStringList result;
    for (QAction* action : actions()) {
        if (auto* item = qobject_cast<ToolbarItem*>(action))
            result << item->itemIdentifier();
        else if (action->isSeparator())
            result << kToolbarSeparatorIdentifier;
        else if (action->property("sorvantFlexibleSpace").toBool())
            result << kToolbarSpaceIdentifier;
    }
    return result;
}

void SymbolToolbar::validateVisibleItems()
{
    m_validationPending = false;
    for (QAction* action : actions()) {
        if (auto* item = qobject_cast<ToolbarItem*>(action))
            item->validate();
        else
            validateAction(action, ValidationContext::Toolbar);
    }
}

void SymbolToolbar::scheduleValidation()
{
    if (m_validationPending)
        return;
    m_validationPending = true;
    QTimer::singleShot(0, this, [this] {
        if (m_validationPending)
            validateVisibleItems();
    });
}

bool SymbolToolbar::eventFilter(QObject* watched, QEvent* event)
{
    switch (event->type()) {
    case QEvent::MouseButtonRelease:
    case QEvent::KeyRelease:
    case QEvent::WindowActivate:
        if (isVisible())
            scheduleValidation();
        break;
    default: break;
    }
    return QToolBar::eventFilter(watched, event);
}

void SymbolToolbar::actionEvent(QActionEvent* event)
{
    QToolBar::actionEvent(event);
    if (event->type() != QEvent::ActionAdded && event->type() != QEvent::ActionChanged)
        return;
    // Setting the template icon changes the action again; that change finds
    // the icon a template already. Each icon is looked at once: validation
    // changes the actions often, their icons seldom.
    QAction* action = event->action();
    if (!action || hasTemplateIcon(action))
        return;
    const qint64 icon = action->icon().cacheKey();
    if (action->property(kCheckedIconProperty).toLongLong() == icon)
        return;
    action->setProperty(kCheckedIconProperty, icon);
    if (isGlyphIcon(action->icon(), iconSize()))
        setTemplateIcon(action, action->icon());
}

// --- configuration -------------------------------------------------------------------

QString SymbolToolbar::configurationKey(const QString& identifier)
{
    return QStringLiteral("NSToolbar Configuration %1").arg(identifier);
}

bool SymbolToolbar::existsConfigurationForIdentifier(const QString& identifier, const UserDefaults& defaults)
{
    return !identifier.isNull() && defaults.objectForKey(configurationKey(identifier)).isValid();
}

bool SymbolToolbar::existsConfiguration(const UserDefaults& defaults) const
{
    return existsConfigurationForIdentifier(identifier(), defaults);
}

void SymbolToolbar::setItemIdentifiers(const QStringList& identifiers)
{
    for (QAction* action : actions()) {
        removeAction(action);
        if (action->parent() == this)
            action->deleteLater();
    }
    const QStringList allowed = m_delegate ? m_delegate->toolbarAllowedItemIdentifiers() : QStringList();
    for (const QString& identifier : identifiers) {
        if (identifier == kToolbarSeparatorIdentifier) {
            addSeparator();
        } else if (identifier == kToolbarSpaceIdentifier) {
            auto* spacer = new QWidget;
            spacer->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Preferred);
            addWidget(spacer)->setProperty("sorvantFlexibleSpace", true);
        } else if (m_delegate && allowed.contains(identifier) && !itemWithIdentifier(identifier)) {
            if (ToolbarItem* item = m_delegate->toolbarItemForItemIdentifier(identifier)) {
                item->setParent(this);
                addAction(item);
            }
        }
    }
    validateVisibleItems();
}

void SymbolToolbar::saveConfiguration(UserDefaults& defaults) const
{
    QVariantMap configuration;
    configuration.insert(kDisplayModeKey, QVariant::fromValue<qint64>(m_displayMode));
    configuration.insert(kItemIdentifiersKey, QVariant(itemIdentifiers()));
    configuration.insert(kIsShownKey, QVariant(!isHidden()));
    defaults.setObject(configuration, configurationKey(identifier()));
}

void SymbolToolbar::restoreConfiguration(const UserDefaults& defaults)
{
    const QVariantMap configuration = defaults.objectForKey(configurationKey(identifier())).toMap();
    const QVariant mode = configuration.value(kDisplayModeKey);
    bool ok = false;
    const qint64 number = mode.toLongLong(&ok);
    if (ok && number >= DefaultMode && number <= LabelOnlyMode)
        setDisplayMode(static_cast<DisplayMode>(number));
    const QVariant identifiers = configuration.value(kItemIdentifiersKey);
    if (identifiers.canConvert<QStringList>() && identifiers.isValid())
        setItemIdentifiers(identifiers.toStringList());
    else if (m_delegate)
        setItemIdentifiers(m_delegate->toolbarDefaultItemIdentifiers());
    if (configuration.contains(kIsShownKey))
        setVisible(configuration.value(kIsShownKey).toBool());
}

// --- background ----------------------------------------------------------------------

Color toolbarBackgroundColor(bool dark, bool isMainWindow)
{
    if (dark)
        return Color::calibratedWhite(isMainWindow ? 0.163 : 0.132);
    if (systemVersionAtLeast(10, 16))
        return isMainWindow ? Color::calibratedRGB(0.973, 0.928, 0.941) : Color::calibratedRGB(0.917, 0.885, 0.898);
    return Color::calibratedWhite(isMainWindow ? 0.78 : 0.957);
}

Color toolbarBackgroundColor(const QWidget* window)
{
    return toolbarBackgroundColor(isDarkAquaInterfaceStyle(), window && window == mainWindow());
}

// --- pop-ups ---------------------------------------------------------------------------

namespace {

// The widget that shows `sender`: itself, or a toolbar item's button.
QWidget* widgetForSender(QObject* sender)
{
    if (auto* widget = qobject_cast<QWidget*>(sender))
        return widget;
    if (auto* action = qobject_cast<QAction*>(sender)) {
        for (QObject* user : action->associatedObjects())
            if (auto* toolbar = qobject_cast<QToolBar*>(user))
                if (QWidget* button = toolbar->widgetForAction(action); button && button->isVisible())
                    return button;
    }
    return nullptr;
}

QPoint locationFor(QObject* sender, bool popover)
{
    const QWidget* widget = widgetForSender(sender);
    if (!widget)
        return QCursor::pos();
    // Halves round to even, as rint does: 31 wide => 16, 29 wide => 14.
    const int x = popover ? int(std::rint(widget->width() / 2.0)) : 0;
    return widget->mapToGlobal(QPoint(x, widget->height() + 2));
}

} // namespace

QPoint locationForPopUpMenu(QObject* sender)
{
    return locationFor(sender, false);
}

QPoint locationForPopover(QObject* sender)
{
    return locationFor(sender, true);
}

std::optional<QFont> popUpMenuFont(QObject* sender)
{
    if (qobject_cast<QWidget*>(sender))
        return std::nullopt;
    if (auto* item = qobject_cast<ToolbarItem*>(sender)) {
        for (QObject* user : item->associatedObjects())
            if (auto* toolbar = qobject_cast<SymbolToolbar*>(user))
                if (toolbar->displayMode() == SymbolToolbar::LabelOnlyMode)
                    return smallSystemFont();
        return std::nullopt;
    }
    return smallSystemFont();
}

void popUpMenu(QMenu* menu, QObject* sender)
{
    if (!menu)
        return;
    if (const std::optional<QFont> font = popUpMenuFont(sender))
        menu->setFont(*font);
    menu->popup(locationForPopUpMenu(sender));
}

} // namespace sorvant
