#pragma once
// The dialog that customizes a SymbolToolbar: the items its delegate allows
// (with separator and flexible space), the current set in order (drag to
// reorder, Add and Remove, "Use Default Set") and the display mode. Done
// applies the set and the mode and saves the toolbar's configuration.

#include <QDialog>

class QComboBox;
class QListWidget;

namespace sorvant {

class SymbolToolbar;
class UserDefaults;

class ToolbarCustomizationDialog : public QDialog
{
    Q_OBJECT
public:
    ToolbarCustomizationDialog(SymbolToolbar* toolbar, UserDefaults& defaults, QWidget* parent = nullptr);

    [[nodiscard]] QStringList chosenIdentifiers() const;
    [[nodiscard]] QListWidget* allowedList() const { return m_allowed; }
    [[nodiscard]] QListWidget* currentList() const { return m_current; }
    [[nodiscard]] QComboBox* displayModeBox() const { return m_mode; }

    // Appends the allowed list's selected entry to the set (an item already
    // in the set is not added twice; separators and spaces may repeat).
    void addSelected();
    void removeSelected();
    void useDefaultSet();

    void accept() override;

private:
    void fill(QListWidget* list, const QStringList& identifiers);
    SymbolToolbar* m_toolbar;
    UserDefaults& m_defaults;
    QListWidget* m_allowed;
    QListWidget* m_current;
    QComboBox* m_mode;
};

} // namespace sorvant
