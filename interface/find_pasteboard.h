#pragma once
// The find pasteboard: the search phrase shared by every window of the
// process. Linux has no desktop-wide find pasteboard (the X11 primary
// selection is the mouse selection, not this), so it is one pasteboard per
// process whose string is kept in the user defaults under
// kFindPasteboardStringKey: a new window, and the next run, start with the
// last phrase.

#include "interface/pasteboard.h"

namespace sorvant {

class UserDefaults;

// The defaults key of the find pasteboard's string.
inline const QString kFindPasteboardStringKey = QStringLiteral("FindPasteboardString");

class FindPasteboard : public Pasteboard
{
public:
    // Starts with the string stored in `defaults` (standard defaults when
    // null) and stores every change there.
    explicit FindPasteboard(UserDefaults* defaults = nullptr);

    // The process's find pasteboard.
    static FindPasteboard& shared();

protected:
    void contentsChanged() override;

private:
    UserDefaults* m_defaults;
};

// Empties the find pasteboard.
void clearFindPboard();
// The find pasteboard's string; null when it offers none.
[[nodiscard]] QString findPboardString();
// Puts `string` on the find pasteboard as its only type.
void copyToFindPboard(const QString& string);

} // namespace sorvant
