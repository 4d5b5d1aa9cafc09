#include "interface/find_pasteboard.h"

#include "platform/user_defaults.h"

namespace sorvant {

FindPasteboard::FindPasteboard(UserDefaults* defaults)
    : m_defaults(defaults ? defaults : &UserDefaults::standardUserDefaults())
{
    const QVariant stored = m_defaults->objectForKey(kFindPasteboardStringKey);
    if (stored.typeId() != QMetaType::QString)
        return;
    // Restoring is not a change: set the string before contentsChanged can
    // write it back.
    UserDefaults* const keep = m_defaults;
    m_defaults = nullptr;
    declareTypes({NSPasteboardTypeString});
    setString(stored.toString(), NSPasteboardTypeString);
    m_defaults = keep;
}

FindPasteboard& FindPasteboard::shared()
{
    static FindPasteboard pasteboard;
    return pasteboard;
}

void FindPasteboard::contentsChanged()
{
    if (!m_defaults)
        return;
    if (types().contains(NSPasteboardTypeString))
        m_defaults->setObject(stringForType(NSPasteboardTypeString), kFindPasteboardStringKey);
    else
        m_defaults->removeObjectForKey(kFindPasteboardStringKey);
    m_defaults->synchronize();
}

void clearFindPboard()
{
    FindPasteboard::shared().declareTypes({});
}

QString findPboardString()
{
    const Pasteboard& pasteboard = FindPasteboard::shared();
    return pasteboard.types().contains(NSPasteboardTypeString) ? pasteboard.stringForType(NSPasteboardTypeString)
                                                               : QString();
}

void copyToFindPboard(const QString& string)
{
    copyToPasteboard(string, FindPasteboard::shared());
}

} // namespace sorvant
