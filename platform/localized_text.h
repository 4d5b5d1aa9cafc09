#pragma once
// The texts the lower libraries make for a user to read (size units,
// regular-expression errors), looked up in the application's string
// tables. The tables live above these libraries: the layer that loads them
// installs its lookup here, and until it does each text is its English key.
//
//   no lookup installed:                localizedText("%d bytes") => "%d bytes"
//   lookup answering "%d Byte":         localizedText("%d bytes") => "%d Byte"
//   lookup answering null for the key:  localizedText("%d bytes") => "%d bytes"
//   localizedText(QString())                                       => null
//
// Not here: the bundles and their tables (system/bundle.h, interface/strings_file.h).

#include <QString>

namespace sorvant {

// A table lookup: the translation of an English key, or null for none.
using TextLookup = QString (*)(const QString& key);

// Installs `lookup` (null removes it) for every thread; answers the
// previous one.
TextLookup setTextLookup(TextLookup lookup);

// The translation of `key` by the installed lookup; the key itself where
// there is no lookup or no entry. Safe from any thread.
[[nodiscard]] QString localizedText(const QString& key);

} // namespace sorvant
