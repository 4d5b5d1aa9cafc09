#pragma once
// Key equivalents written as readable text ("CMD_SHIFT_s", "Cmd-Opt-S",
// "shift+F5"), as translations in the strings tables name them, and their
// bridge to Qt's key sequences.
//
// Masks are the toolkit's (events.h): Shift 0x20000, Control 0x40000,
// Option 0x80000, Command 0x100000; on a Linux keyboard Command is Ctrl,
// Control is Meta and Option is Alt.
//
// Not here: rewriting a menu's key equivalents from a table
// (localization.h); suggesting free ones (menus.h).

#include <QKeySequence>
#include <QString>

namespace sorvant {

// --- text => key and mask ----------------------------------------------------

// The key named by `text` and, through `mask` when given, the complete
// modifier mask it names. Modifier words are found anywhere, ignoring case
// ("shft"/"shift", "cmd"/"command", "ctrl"/"control", "opt"/"alt"); the key
// is what follows the last non-alphanumeric unit after index 0, in lower
// case; F1..F35 become the function-key units U+F704..U+F726.
//   "CMD_SHIFT_a" => "a", 0x120000     "Cmd-Opt-S" => "s", 0x180000
//   "shift+F5"    => U+F708, 0x20000   "F36", "F0", "Find" => "", 0
//   "F"           => "f"               "CMD_+" => "", 0x100000
//   "+"           => "+"               "alt" => "alt", 0x80000
//   "" or null    => "", 0
[[nodiscard]] QString keyEquivalentAndModifierMask(const QString& text, quint32* mask);
// The key alone.
[[nodiscard]] QString keyEquivalent(const QString& text);

// The lookup key of a key equivalent: "CMD_", "CTRL_", "OPT_", "SHIFT_"
// for the modifiers present, in this order, then the key.
//   ("s", 0x120000) => "CMD_SHIFT_s"   ("s", 0) => "s"
[[nodiscard]] QString keyEquivalentLookupKey(const QString& key, quint32 mask);

// --- Qt bridge ------------------------------------------------------------------

// The key sequence of a key equivalent; empty for an empty key or a key Qt
// cannot name.
//   ("s", 0x120000) => Ctrl+Shift+S   (U+F704, 0) => F1
[[nodiscard]] QKeySequence keySequenceForKeyEquivalent(const QString& key, quint32 mask);
// The key equivalent of the first chord of a sequence and its mask
// through `mask`; "" for an empty sequence.
//   Ctrl+Shift+S => "s", 0x120000   Alt+F5 => U+F708, 0x80000
[[nodiscard]] QString keyEquivalentForKeySequence(const QKeySequence& sequence, quint32* mask);

} // namespace sorvant
