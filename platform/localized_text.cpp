#include "platform/localized_text.h"

#include <atomic>

namespace sorvant {

namespace {

// A plain function pointer, so that installing and reading need no lock.
std::atomic<TextLookup> g_lookup{nullptr};

} // namespace

TextLookup setTextLookup(TextLookup lookup)
{
    return g_lookup.exchange(lookup);
}

QString localizedText(const QString& key)
{
    if (key.isNull())
        return {};
    if (const TextLookup lookup = g_lookup.load()) {
        QString translated = lookup(key);
        if (!translated.isNull())
            return translated;
    }
    return key;
}

} // namespace sorvant
