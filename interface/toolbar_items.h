#pragma once
// Toolbar items: QWidgetActions with an identifier, a tag, a named action
// (delivered through the action router) and, optionally, a view.
//
//   ToolbarItem               the plain item; segments of a segmented view by
//                             index and by tag; a pop-up menu
//   SwitchableToolbarItem     a segmented view performs the item's action when
//                             the toolbar asks the item to switch to icon mode
//   ControlToolbarItem        validates itself and its control
//   ValidatingMenuToolbarItem a menu button that validates itself and keeps a
//                             dummy first item so the menu opens on a click
//   ValidatingToolbarItemGroup subitems shown as one segmented control
//
// An item may instead show a command, a QAction its window owns and its
// menus share: the item follows the command's enabled and checked states
// and its tool tip, and a click triggers the command; label and image stay
// the item's own (the toolbar deletes its items, never the command).
//
// Validation asks the action router for the receiver of the item's action:
//   nobody answers                      => disabled
//   receiver implements ToolbarItemValidation => its answer
//   receiver answers without validating => the router's own validation
//                                          (the group: enabled)

#include "interface/images.h"
#include "interface/segmented_controls.h"

#include <QPointer>
#include <QWidgetAction>

#include <optional>

class QMenu;

namespace sorvant {

struct SymbolConfiguration;

// Gives `action` the template form of `glyph` (appearance.h templateIcon)
// and remembers it, so hasTemplateIcon answers YES until another icon is set.
void setTemplateIcon(QAction* action, const QIcon& glyph);
[[nodiscard]] bool hasTemplateIcon(const QAction* action);

class ToolbarItem : public QWidgetAction
{
    Q_OBJECT
public:
    explicit ToolbarItem(const QString& identifier, QObject* parent = nullptr);

    [[nodiscard]] QString itemIdentifier() const { return objectName(); }
    [[nodiscard]] QString label() const { return text(); }
    void setLabel(const QString& label) { setText(label); }
    [[nodiscard]] QString title() const { return label(); }
    void setTitle(const QString& title) { setLabel(title); }
    [[nodiscard]] int tag() const { return m_tag; }
    void setTag(int tag) { m_tag = tag; }
    [[nodiscard]] bool autovalidates() const { return m_autovalidates; }
    void setAutovalidates(bool autovalidates) { m_autovalidates = autovalidates; }
    [[nodiscard]] Image image() const { return m_image; }
    // A template image gives a template icon (setTemplateIcon).
    void setImage(const Image& image);

    // The named action, sent to `target` or along the responder chain.
    void setAction(const QByteArray& selector, QObject* target = nullptr);
    [[nodiscard]] QByteArray actionSelector() const;
    [[nodiscard]] QObject* target() const { return m_target; }
    // The object that would receive the action now; null when none.
    [[nodiscard]] QObject* receiver();

    // Shows `command` (see above); null stops following it.
    void setCommand(QAction* command);
    [[nodiscard]] QAction* command() const { return m_command; }

    // The item's own view (null: a plain tool button).
    [[nodiscard]] QWidget* view() const { return defaultWidget(); }
    void setView(QWidget* view) { setDefaultWidget(view); }
    // Sizes the control to fit, grows it by 2 x 1 and makes it the view.
    void setControl(QWidget* control);

    [[nodiscard]] QMenu* submenu() const { return menu(); }
    virtual void setSubmenu(QMenu* menu);

    // Validation through the action router; an item showing a command
    // takes the command's state instead.
    virtual void validate();

    // --- segments of the view ----------------------------------------------------
    [[nodiscard]] virtual SegmentedControl* segmentedControl() const;
    // The control's selected tag, else the item's own tag.
    [[nodiscard]] virtual int selectedTag() const;
    // -1 without a segmented control.
    [[nodiscard]] virtual int segmentForTag(int tag) const;
    // Without a segmented control, index 0 is the item's own image.
    virtual void setImageForSegment(const Image& image, int segment);
    [[nodiscard]] Image imageForSegment(int segment) const;
    virtual void setEnabledForSegment(bool enabled, int segment);
    virtual void setToolTipForSegment(const QString& toolTip, int segment);
    void setImageForTag(const Image& image, int tag) { setImageForSegment(image, segmentForTag(tag)); }
    [[nodiscard]] Image imageForTag(int tag) const { return imageForSegment(segmentForTag(tag)); }
    void setEnabledForTag(bool enabled, int tag) { setEnabledForSegment(enabled, segmentForTag(tag)); }
    void setToolTipForTag(const QString& toolTip, int tag) { setToolTipForSegment(toolTip, segmentForTag(tag)); }

protected:
    void setEnabledWithView(bool enabled);
    // What the receiver answers for this item: NO without a receiver, its
    // own validation where it validates toolbar items, nothing where it
    // answers the action without validating it.
    [[nodiscard]] std::optional<bool> receiverValidation();

private:
    void followCommand();

    QPointer<QObject> m_target;
    QPointer<QAction> m_command;
    Image m_image;
    int m_tag = 0;
    bool m_autovalidates = true;
    bool m_clickTriggersCommand = false;
};

class SwitchableToolbarItem : public ToolbarItem
{
    Q_OBJECT
public:
    using ToolbarItem::ToolbarItem;
    // With a segmented view the item sends its own action (a beep when
    // nobody answers it); otherwise the switch is recorded.
    void performSwitchToIconMode();
    void resetSwitchToIconMode() { m_didSwitch = false; }
    [[nodiscard]] bool didSwitchToIconMode() const { return m_didSwitch; }

private:
    bool m_didSwitch = false;
};

class ControlToolbarItem : public SwitchableToolbarItem
{
    Q_OBJECT
public:
    using SwitchableToolbarItem::SwitchableToolbarItem;
    void validate() override;
};

class ValidatingMenuToolbarItem : public ToolbarItem
{
    Q_OBJECT
public:
    explicit ValidatingMenuToolbarItem(const QString& identifier, QObject* parent = nullptr);
    // Items added by the menu's owner are refreshed before it shows; the
    // owner, when it refreshes menus itself, is told first.
    void setSubmenu(QMenu* menu) override;
    void setMenuUpdater(std::function<void(QMenu*)> updater) { m_updater = std::move(updater); }
    // Inserts the empty dummy item at the top when the item has no action,
    // the menu has items and its first is not the dummy already.
    void menuNeedsUpdate(QMenu* menu);
    [[nodiscard]] static bool isDummyItem(const QAction* action);
    void validate() override;

protected:
    // A button that opens the menu on a click when the item has no action
    // of its own, else runs the action and shows the menu from its arrow.
    QWidget* createWidget(QWidget* parent) override;

private:
    std::function<void(QMenu*)> m_updater;
};

class ValidatingToolbarItemGroup : public ToolbarItem
{
    Q_OBJECT
public:
    enum class SelectionMode { SelectOne = 0, SelectAny = 1, Momentary = 2 };
    explicit ValidatingToolbarItemGroup(const QString& identifier, QObject* parent = nullptr);

    // A group of one subitem per image, each with its tag, label (as tool
    // tip) and the action; null when the counts differ or an image is nil.
    // Named pictures are taken as toolbar images (tinted in the dark).
    static ValidatingToolbarItemGroup* groupWithItemIdentifier(const QString& identifier, const QList<Image>& images,
                                                               SelectionMode mode, const QStringList& labels,
                                                               const QList<int>& tags, QObject* target,
                                                               const QByteArray& action);
    static ValidatingToolbarItemGroup* groupWithItemIdentifier(const QString& identifier,
                                                               const QStringList& imageNames, SelectionMode mode,
                                                               const QStringList& labels, const QList<int>& tags,
                                                               QObject* target, const QByteArray& action);

    // Symbol images in the configuration's point size; null on systems
    // before symbol images or when a name is unknown.
    static ValidatingToolbarItemGroup* groupWithSymbolNames(const QString& identifier, const QStringList& symbolNames,
                                                            const SymbolConfiguration* configuration,
                                                            SelectionMode mode, const QStringList& labels,
                                                            const QList<int>& tags, QObject* target,
                                                            const QByteArray& action);

    [[nodiscard]] const QList<ToolbarItem*>& subitems() const { return m_subitems; }
    [[nodiscard]] SegmentedControl* segmentedControl() const override { return m_control; }
    [[nodiscard]] int selectedTag() const override;
    [[nodiscard]] int segmentForTag(int tag) const override;
    void setImageForSegment(const Image& image, int segment) override;
    void setEnabledForSegment(bool enabled, int segment) override;
    void setToolTipForSegment(const QString& toolTip, int segment) override;
    void validate() override;

private:
    QList<ToolbarItem*> m_subitems;
    SegmentedSwitcherControl* m_control;
};

} // namespace sorvant
