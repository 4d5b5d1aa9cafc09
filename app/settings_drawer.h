#pragma once
// SettingsDrawer: a search window's settings drawer, at the window's right
// edge. It holds the six content lists (a check box and a field of file
// extensions each) and "Search the contents of all files", which turns the
// lists off. The lists are loaded from the user defaults ("fileExtOn%d",
// "fileExt%d", "scanAll") when the drawer opens and saved when it closes;
// its size is autosaved under "SettingsDrawer4-%d".
//
// Not here: when the window saves (search_window.h), the folder panel and
// drops (search_window_drops.cpp).

#include "interface/drawers.h"

#include <array>

class QCheckBox;
class QLineEdit;

namespace sorvant {

class UserDefaults;

class SettingsDrawer : public NSDrawerExtended
{
    Q_OBJECT
public:
    // A closed drawer on `window`; `index` names its autosaved size.
    SettingsDrawer(UserDefaults& defaults, quint64 index, QWidget* window);

    // The list's check box and field, for `list` 1-6.
    [[nodiscard]] QLineEdit* listField(int list) const { return m_fileExt.at(size_t(list - 1)); }
    [[nodiscard]] QCheckBox* listBox(int list) const { return m_fileExtOn.at(size_t(list - 1)); }

    // Opens with the lists loaded, or closes with them saved.
    void openOrClose();
    // The lists and "scan all" from the user defaults (the built-in lists
    // where none are stored).
    void loadSettings();
    // The lists and "scan all" into the user defaults, written at once.
    void saveSettings();
    // "scan all" disables the lists.
    void didChangeScanAll();

private:
    UserDefaults& m_defaults;
    std::array<QLineEdit*, 6> m_fileExt{};
    std::array<QCheckBox*, 6> m_fileExtOn{};
    QCheckBox* m_scanAll = nullptr;
};

} // namespace sorvant
