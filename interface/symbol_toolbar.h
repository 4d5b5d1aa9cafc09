#pragma once
// The toolkit's toolbar: a QToolBar with an identifier, display modes
// (icon and label, icon only, label only; never a small size), items found
// by identifier, validation of its items through the action router, and a
// configuration (display mode and item identifiers) saved in the user
// defaults under "NSToolbar Configuration <identifier>".
//
// Qt validates nothing by itself: the toolbar validates its items after
// each mouse or key release and window activation, and whenever
// validateVisibleItems() is called (on selection changes).
//
// Glyph icons of its items are drawn as templates (appearance.h), in the
// palette's button text colour and, disabled, in its disabled colour.

#include "foundation/color.h"

#include <QFont>
#include <QStringList>
#include <QToolBar>

#include <functional>
#include <optional>

class QMenu;

namespace sorvant {

class ToolbarItem;
class UserDefaults;

// The size and weight of a toolbar's symbol images.
struct SymbolConfiguration {
    double pointSize = 0;
    QFont::Weight weight = QFont::Normal;
    int scale = 0; // 2 medium, 3 large
};

// Builds the items a toolbar can show, for its configuration and its
// customize dialog.
class ToolbarDelegate
{
public:
    virtual ~ToolbarDelegate() = default;
    [[nodiscard]] virtual QStringList toolbarAllowedItemIdentifiers() const = 0;
    [[nodiscard]] virtual QStringList toolbarDefaultItemIdentifiers() const = 0;
    // A new item for the identifier; null for an unknown one.
    [[nodiscard]] virtual ToolbarItem* toolbarItemForItemIdentifier(const QString& identifier) = 0;
};

class SymbolToolbar : public QToolBar
{
    Q_OBJECT
public:
    enum DisplayMode { DefaultMode = 0, IconAndLabelMode = 1, IconOnlyMode = 2, LabelOnlyMode = 3 };
    static constexpr int kSmallSizeMode = 2;

    explicit SymbolToolbar(const QString& identifier, QWidget* parent = nullptr);

    [[nodiscard]] QString identifier() const { return objectName(); }
    [[nodiscard]] DisplayMode displayMode() const { return m_displayMode; }
    virtual void setDisplayMode(DisplayMode mode);

    // The shared configuration for a mode: one for icon only, one for every
    // other mode; null on systems before symbol images.
    [[nodiscard]] static const SymbolConfiguration* symbolConfigurationForDisplayMode(DisplayMode mode);
    [[nodiscard]] const SymbolConfiguration* symbolConfiguration() const;
    [[nodiscard]] static bool allowsDisplayMode(int) { return true; }
    [[nodiscard]] static bool allowsSizeMode(int sizeMode) { return sizeMode != kSmallSizeMode; }

    // The toolbar's own actions: show/hide, customize, display mode, small icons.
    [[nodiscard]] static bool isToolbarAction(const QByteArray& selector);

    [[nodiscard]] QList<ToolbarItem*> items() const;
    [[nodiscard]] ToolbarItem* itemWithIdentifier(const QString& identifier) const;
    // Null while the toolbar is hidden.
    [[nodiscard]] ToolbarItem* visibleItemWithIdentifier(const QString& identifier) const;
    [[nodiscard]] QStringList itemIdentifiers() const;

    void validateVisibleItems();

    // --- configuration -----------------------------------------------------------
    [[nodiscard]] static QString configurationKey(const QString& identifier);
    [[nodiscard]] static bool existsConfigurationForIdentifier(const QString& identifier,
                                                               const UserDefaults& defaults);
    [[nodiscard]] bool existsConfiguration(const UserDefaults& defaults) const;
    [[nodiscard]] ToolbarDelegate* delegate() const { return m_delegate; }
    void setDelegate(ToolbarDelegate* delegate) { m_delegate = delegate; }
    // Replaces the items by the delegate's items for `identifiers` (unknown
    // and disallowed ones are skipped; "separator" and "space" are kept).
    void setItemIdentifiers(const QStringList& identifiers);
    void saveConfiguration(UserDefaults& defaults) const;
    // Applies a saved configuration, else the delegate's default set.
    void restoreConfiguration(const UserDefaults& defaults);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    // Items whose icons are glyphs (grey shapes, as the shipped symbols are)
    // get template icons: drawn in the palette's button text colour of the
    // current appearance, so they stay readable on a dark toolbar.
    void actionEvent(QActionEvent* event) override;

private:
    void scheduleValidation();
    DisplayMode m_displayMode = DefaultMode;
    ToolbarDelegate* m_delegate = nullptr;
    bool m_validationPending = false;
};

// Separator and flexible space identifiers of a configuration.
inline const QString kToolbarSeparatorIdentifier = QStringLiteral("NSToolbarSeparatorItem");
inline const QString kToolbarSpaceIdentifier = QStringLiteral("NSToolbarFlexibleSpaceItem");

// The colour behind a window's toolbar: by appearance, system and whether
// the window is main.
[[nodiscard]] Color toolbarBackgroundColor(bool dark, bool isMainWindow);
[[nodiscard]] Color toolbarBackgroundColor(const QWidget* window);

// --- pop-ups from toolbar items and controls ------------------------------------------
// Where a menu (or popover) for `sender` opens, in global coordinates: under
// a widget sender (a popover centred), under a toolbar item's button, else
// at the pointer.
[[nodiscard]] QPoint locationForPopUpMenu(QObject* sender);
[[nodiscard]] QPoint locationForPopover(QObject* sender);
// The small system font for an item of a label-only toolbar and for senders
// that are neither widgets nor toolbar items; else the menu's own font.
[[nodiscard]] std::optional<QFont> popUpMenuFont(QObject* sender);
// Opens `menu` at locationForPopUpMenu with popUpMenuFont.
void popUpMenu(QMenu* menu, QObject* sender);

} // namespace sorvant
