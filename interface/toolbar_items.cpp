#include "interface/toolbar_items.h"

#include "interface/action_router.h"
#include "interface/appearance.h"
#include "interface/symbol_toolbar.h"
#include "interface/responder_hooks.h"
#include "interface/version_gates.h"

#include <QApplication>
#include <QMenu>
#include <QPainter>
#include <QToolBar>
#include <QToolButton>

namespace sorvant {

namespace {

constexpr const char* kDummyProperty = "sorvantDummyMenuItem";
// The cache key of the template icon an action was given.
constexpr const char* kTemplateIconProperty = "sorvantTemplateIcon";

QIcon iconOf(const Image& image)
{
    if (!image)
        return {};
    const QSizeF size = image.size().isEmpty() ? QSizeF(32, 32) : image.size();
    QImage pixels(size.toSize() * 2, QImage::Format_ARGB32_Premultiplied);
    pixels.fill(Qt::transparent);
    pixels.setDevicePixelRatio(2);
    QPainter painter(&pixels);
    image.drawInRect(painter, QRectF(QPointF(), size), QRectF(), CompositingOperation::SourceOver, 1.0);
    painter.end();
    return QIcon(QPixmap::fromImage(pixels));
}

// The same picture object (copies of one handle share their data).
bool sameImage(const Image& a, const Image& b)
{
    if (!a || !b)
        return !a && !b;
    return &a.representations() == &b.representations();
}

} // namespace

void setTemplateIcon(QAction* action, const QIcon& glyph)
{
    if (!action)
        return;
    const QIcon icon = templateIcon(glyph);
    action->setProperty(kTemplateIconProperty, icon.isNull() ? QVariant() : QVariant(icon.cacheKey()));
    action->setIcon(icon);
}

bool hasTemplateIcon(const QAction* action)
{
    if (!action)
        return false;
    const QVariant key = action->property(kTemplateIconProperty);
    return key.isValid() && key.toLongLong() == action->icon().cacheKey();
}

// --- ToolbarItem ---------------------------------------------------------------------------

ToolbarItem::ToolbarItem(const QString& identifier, QObject* parent) : QWidgetAction(parent)
{
    setObjectName(identifier);
}

void ToolbarItem::setImage(const Image& image)
{
    m_image = image;
    if (image.isTemplate())
        setTemplateIcon(this, iconOf(image));
    else
        setIcon(iconOf(image));
}

void ToolbarItem::setAction(const QByteArray& selector, QObject* target)
{
    m_target = target;
    bindAction(this, selector, target);
}

QByteArray ToolbarItem::actionSelector() const
{
    return sorvant::actionSelector(this);
}

QObject* ToolbarItem::receiver()
{
    const QByteArray selector = actionSelector();
    if (selector.isEmpty())
        return nullptr;
    return targetForAction(selector, m_target.data(), this);
}

void ToolbarItem::setCommand(QAction* command)
{
    if (m_command)
        disconnect(m_command, nullptr, this, nullptr);
    m_command = command;
    if (!command)
        return;
    connect(command, &QAction::changed, this, &ToolbarItem::followCommand);
    if (!m_clickTriggersCommand) {
        m_clickTriggersCommand = true;
        // The item's own click has toggled a checkable item already: the
        // command's state, once it has acted, settles both.
        connect(this, &QAction::triggered, this, [this] {
            if (m_command)
                m_command->trigger();
            followCommand();
        });
    }
    followCommand();
}

void ToolbarItem::followCommand()
{
    if (!m_command)
        return;
    setCheckable(m_command->isCheckable());
    setChecked(m_command->isChecked());
    setToolTip(m_command->toolTip());
    setEnabledWithView(m_command->isEnabled());
}

void ToolbarItem::setControl(QWidget* control)
{
    if (control) {
        control->adjustSize();
        QSize size = control->size();
        if (foundationVersionAbove(1299.0))
            size += QSize(2, 1);
        control->resize(size);
        if (!systemVersionAtLeast(10, 16)) {
            control->setMinimumSize(size);
            control->setMaximumSize(size);
        }
    }
    setView(control);
}

void ToolbarItem::setSubmenu(QMenu* submenu)
{
    setMenu(submenu);
}

void ToolbarItem::validate()
{
    if (m_command) {
        followCommand();
        return;
    }
    validateAction(this, ValidationContext::Toolbar);
}

std::optional<bool> ToolbarItem::receiverValidation()
{
    QObject* to = receiver();
    if (!to)
        return false;
    if (auto* validation = dynamic_cast<ToolbarItemValidation*>(to))
        return validation->validateToolbarItem(this);
    return std::nullopt;
}

void ToolbarItem::setEnabledWithView(bool enabled)
{
    setEnabled(enabled);
    if (QWidget* v = view())
        v->setEnabled(enabled);
}

SegmentedControl* ToolbarItem::segmentedControl() const
{
    return qobject_cast<SegmentedControl*>(view());
}

int ToolbarItem::selectedTag() const
{
    const SegmentedControl* control = segmentedControl();
    return control ? control->selectedTag() : m_tag;
}

int ToolbarItem::segmentForTag(int tag) const
{
    const SegmentedControl* control = segmentedControl();
    return control ? control->segmentForTag(tag) : -1;
}

void ToolbarItem::setImageForSegment(const Image& image, int segment)
{
    if (SegmentedControl* control = segmentedControl())
        control->setImage(image, segment);
    else if (segment == 0)
        setImage(image);
}

Image ToolbarItem::imageForSegment(int segment) const
{
    if (const SegmentedControl* control = segmentedControl())
        return control->imageForSegment(segment);
    return segment == 0 ? m_image : Image();
}

void ToolbarItem::setEnabledForSegment(bool enabled, int segment)
{
    if (SegmentedControl* control = segmentedControl())
        control->setEnabled(enabled, segment);
}

void ToolbarItem::setToolTipForSegment(const QString& toolTip, int segment)
{
    if (SegmentedControl* control = segmentedControl())
        control->setToolTip(toolTip, segment);
}

// --- SwitchableToolbarItem -------------------------------------------------------------------

void SwitchableToolbarItem::performSwitchToIconMode()
{
    if (!segmentedControl()) {
        m_didSwitch = true;
        return;
    }
    QObject* to = receiver();
    if (!to) {
        QApplication::beep();
        return;
    }
    performSelector(to, actionSelector(), this);
}

// --- ControlToolbarItem ------------------------------------------------------------------------

void ControlToolbarItem::validate()
{
    if (!view() || !autovalidates()) {
        ToolbarItem::validate();
        return;
    }
    if (const std::optional<bool> answer = receiverValidation())
        setEnabledWithView(*answer);
    else
        ToolbarItem::validate();
}

// --- ValidatingMenuToolbarItem ---------------------------------------------------------------------

ValidatingMenuToolbarItem::ValidatingMenuToolbarItem(const QString& identifier, QObject* parent)
    : ToolbarItem(identifier, parent)
{
}

void ValidatingMenuToolbarItem::setSubmenu(QMenu* submenu)
{
    if (QMenu* old = menu())
        disconnect(old, nullptr, this, nullptr);
    ToolbarItem::setSubmenu(submenu);
    if (submenu)
        connect(submenu, &QMenu::aboutToShow, this, [this, submenu] { menuNeedsUpdate(submenu); });
}

bool ValidatingMenuToolbarItem::isDummyItem(const QAction* action)
{
    return action && action->property(kDummyProperty).toBool();
}

void ValidatingMenuToolbarItem::menuNeedsUpdate(QMenu* submenu)
{
    if (!submenu)
        return;
    if (m_updater)
        m_updater(submenu);
    const QList<QAction*> items = submenu->actions();
    if (!actionSelector().isEmpty() || target() || items.isEmpty() || isDummyItem(items.first()))
        return;
    // The button's first item is the one a click would otherwise run; an
    // empty, invisible item keeps every real item in the opened menu.
    auto* dummy = new QAction(QString(), submenu);
    dummy->setProperty(kDummyProperty, true);
    dummy->setVisible(false);
    submenu->insertAction(items.first(), dummy);
}

QWidget* ValidatingMenuToolbarItem::createWidget(QWidget* parent)
{
    auto* toolbar = qobject_cast<QToolBar*>(parent);
    if (!toolbar)
        return nullptr;
    auto* button = new QToolButton(parent);
    button->setDefaultAction(this);
    button->setPopupMode(actionSelector().isEmpty() ? QToolButton::InstantPopup : QToolButton::MenuButtonPopup);
    button->setAutoRaise(true);
    button->setToolButtonStyle(toolbar->toolButtonStyle());
    button->setIconSize(toolbar->iconSize());
    connect(toolbar, &QToolBar::toolButtonStyleChanged, button, &QToolButton::setToolButtonStyle);
    connect(toolbar, &QToolBar::iconSizeChanged, button, &QToolButton::setIconSize);
    return button;
}

void ValidatingMenuToolbarItem::validate()
{
    if (!autovalidates()) {
        ToolbarItem::validate();
        return;
    }
    if (const std::optional<bool> answer = receiverValidation())
        setEnabled(*answer);
    else
        ToolbarItem::validate();
}

// --- ValidatingToolbarItemGroup --------------------------------------------------------------------

ValidatingToolbarItemGroup::ValidatingToolbarItemGroup(const QString& identifier, QObject* parent)
    : ToolbarItem(identifier, parent), m_control(new SegmentedSwitcherControl)
{
    setView(m_control);
    connect(m_control, &SegmentedControl::action, this, [this](int segment) {
        if (segment >= 0 && segment < m_subitems.size())
            m_subitems[segment]->trigger();
    });
}

ValidatingToolbarItemGroup* ValidatingToolbarItemGroup::groupWithItemIdentifier(
    const QString& identifier, const QList<Image>& images, SelectionMode mode, const QStringList& labels,
    const QList<int>& tags, QObject* target, const QByteArray& action)
{
    if (images.size() != labels.size() || images.size() != tags.size())
        return nullptr;
    for (const Image& image : images)
        if (!image)
            return nullptr;
    auto* group = new ValidatingToolbarItemGroup(identifier);
    if (!action.isEmpty())
        group->setAction(action, target);
    group->m_control->setTrackingMode(mode == SelectionMode::Momentary ? SegmentedControl::Tracking::Momentary
                                                                      : SegmentedControl::Tracking::SelectOne);
    for (qsizetype i = 0; i < images.size(); ++i) {
        auto* item = new ToolbarItem(QStringLiteral("%1.%2").arg(identifier).arg(i), group);
        item->setTag(tags[i]);
        item->setImage(images[i]);
        item->setToolTip(labels[i]);
        if (!action.isEmpty())
            item->setAction(action, target);
        group->m_subitems.append(item);
        const int segment = group->m_control->addSegmentWithImage(images[i], 28.0, tags[i], labels[i]);
        Q_UNUSED(segment);
    }
    group->m_control->sizeToFit();
    return group;
}

ValidatingToolbarItemGroup* ValidatingToolbarItemGroup::groupWithItemIdentifier(
    const QString& identifier, const QStringList& imageNames, SelectionMode mode, const QStringList& labels,
    const QList<int>& tags, QObject* target, const QByteArray& action)
{
    QList<Image> images;
    for (const QString& name : imageNames) {
        const Image image = cachedImageNamed(name);
        images.append(image ? AppleToolbarImage(image) : image);
    }
    return groupWithItemIdentifier(identifier, images, mode, labels, tags, target, action);
}

ValidatingToolbarItemGroup* ValidatingToolbarItemGroup::groupWithSymbolNames(
    const QString& identifier, const QStringList& symbolNames, const SymbolConfiguration* configuration,
    SelectionMode mode, const QStringList& labels, const QList<int>& tags, QObject* target, const QByteArray& action)
{
    if (!systemVersionAtLeast(10, 16))
        return nullptr;
    QList<Image> images;
    for (const QString& name : symbolNames)
        images.append(imageWithSymbolName(name, configuration ? std::optional<double>(configuration->pointSize)
                                                              : std::nullopt));
    return groupWithItemIdentifier(identifier, images, mode, labels, tags, target, action);
}

int ValidatingToolbarItemGroup::selectedTag() const
{
    const int index = m_control->selectedSegment();
    return index >= 0 && index < m_subitems.size() ? m_subitems[index]->tag() : 0;
}

int ValidatingToolbarItemGroup::segmentForTag(int tag) const
{
    for (qsizetype i = 0; i < m_subitems.size(); ++i)
        if (m_subitems[i]->tag() == tag)
            return static_cast<int>(i);
    return -1;
}

void ValidatingToolbarItemGroup::setImageForSegment(const Image& image, int segment)
{
    if (segment < 0 || segment >= m_subitems.size() || sameImage(m_subitems[segment]->image(), image))
        return;
    m_subitems[segment]->setImage(image);
    m_control->setImage(image, segment);
}

void ValidatingToolbarItemGroup::setEnabledForSegment(bool enabled, int segment)
{
    if (segment < 0 || segment >= m_subitems.size() || m_subitems[segment]->isEnabled() == enabled)
        return;
    m_subitems[segment]->setEnabled(enabled);
    m_control->setEnabled(enabled, segment);
}

void ValidatingToolbarItemGroup::setToolTipForSegment(const QString& toolTip, int segment)
{
    if (segment < 0 || segment >= m_subitems.size())
        return;
    m_subitems[segment]->setToolTip(toolTip);
    m_control->setToolTip(toolTip, segment);
}

void ValidatingToolbarItemGroup::validate()
{
    if (!autovalidates()) {
        ToolbarItem::validate();
        return;
    }
    setEnabledWithView(receiverValidation().value_or(true));
}

} // namespace sorvant
