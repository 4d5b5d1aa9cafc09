#pragma once
// Keys, modifiers and event tests of the interface toolkit.
//
// Modifier masks keep the toolkit's values so that its tables transfer
// literally; the keys of a Linux keyboard map onto them as follows:
//   Command 0x100000 <=> Ctrl   Control 0x40000 <=> Meta
//   Option  0x80000  <=> Alt    Shift   0x20000 <=> Shift
// Keys without a character (arrows, function keys, Home …) become the
// private-use units U+F700… ("function-key units"); Return is 13, Enter 3,
// Tab 9, back-tab 25, Backspace 127 (the "delete" key), Delete 0xF728
// (forward delete), Escape 27.
//
// Event tests take a QEvent so they can be asked of any event; they answer
// NO or 0 for events that are not key events.
//
// Not here: global hot keys (hot_keys.h); the current event (application.h).

#include "foundation/string_units.h"

#include <QPoint>
#include <QString>
#include <Qt>

class QEvent;
class QKeyEvent;
class QWidget;

namespace sorvant {

// --- modifier masks ------------------------------------------------------------

constexpr quint32 kShiftKeyMask = 0x20000;
constexpr quint32 kControlKeyMask = 0x40000;
constexpr quint32 kAlternateKeyMask = 0x80000;
constexpr quint32 kCommandKeyMask = 0x100000;
// Set for keys of the numeric keypad and for keys that type a function-key
// unit, as the flags word of such a key event always carries them.
constexpr quint32 kNumericPadKeyMask = 0x200000;
constexpr quint32 kFunctionKeyMask = 0x800000;
// The bits every modifier test looks at; Caps Lock, keypad and function-key
// bits never count.
constexpr quint32 kDeviceIndependentModifierMask = 0x1E0000;

// The units of keys that type no character.
enum FunctionKey : unichar {
    kUpArrowFunctionKey = 0xF700,
    kDownArrowFunctionKey = 0xF701,
    kLeftArrowFunctionKey = 0xF702,
    kRightArrowFunctionKey = 0xF703,
    kF1FunctionKey = 0xF704, // F1 … F35 follow in order
    kInsertFunctionKey = 0xF727,
    kDeleteFunctionKey = 0xF728,
    kHomeFunctionKey = 0xF729,
    kBeginFunctionKey = 0xF72A,
    kEndFunctionKey = 0xF72B,
    kPageUpFunctionKey = 0xF72C,
    kPageDownFunctionKey = 0xF72D,
    kPrintScreenFunctionKey = 0xF72E,
    kScrollLockFunctionKey = 0xF72F,
    kPauseFunctionKey = 0xF730,
    kSysReqFunctionKey = 0xF731,
    kMenuFunctionKey = 0xF735,
    kPrintFunctionKey = 0xF738,
    kClearLineFunctionKey = 0xF739,
    kSelectFunctionKey = 0xF741,
    kExecuteFunctionKey = 0xF742,
    kUndoFunctionKey = 0xF743,
    kRedoFunctionKey = 0xF744,
    kFindFunctionKey = 0xF745,
    kHelpFunctionKey = 0xF746,
};

constexpr unichar kEnterCharacter = 3;
constexpr unichar kTabCharacter = 9;
constexpr unichar kNewlineCharacter = 10;
constexpr unichar kCarriageReturnCharacter = 13;
constexpr unichar kBackTabCharacter = 25;
constexpr unichar kEscapeCharacter = 27;
constexpr unichar kDeleteCharacter = 127;

// The toolkit's mask of a set of Qt modifiers, and back.
//   Qt::ControlModifier | Qt::ShiftModifier => 0x120000
//   0x40000                                 => Qt::MetaModifier
[[nodiscard]] quint32 modifierFlagsFromQt(Qt::KeyboardModifiers modifiers);
[[nodiscard]] Qt::KeyboardModifiers qtModifiersFromFlags(quint32 flags);

// The unit a Qt key stands for when it types no character of its own: the
// function-key units, Return 13, Enter 3, Tab 9, back-tab 25, Backspace 127,
// Escape 27; 0 for any other key.
//   Qt::Key_Up => 0xF700   Qt::Key_F2 => 0xF705   Qt::Key_A => 0
[[nodiscard]] unichar functionKeyUnit(int qtKey);
// The Qt key of such a unit, 0 when it is none.
[[nodiscard]] int qtKeyForFunctionKeyUnit(unichar unit);

// --- Carbon modifier words ---------------------------------------------------------

constexpr quint32 kCarbonCommandKey = 0x0100;
constexpr quint32 kCarbonShiftKey = 0x0200;
constexpr quint32 kCarbonOptionKey = 0x0800;
constexpr quint32 kCarbonControlKey = 0x1000;
constexpr quint32 kCarbonRightShiftKey = 0x2000;
constexpr quint32 kCarbonRightOptionKey = 0x4000;
constexpr quint32 kCarbonRightControlKey = 0x8000;

// The flags word of a Carbon modifier word; right-hand bits count as their
// left-hand keys, every other bit is dropped.
//   0x2000 => 0x20000 (Shift)   0x0100 | 0x1000 => 0x140000
[[nodiscard]] quint32 carbonModifiers2ModifierFlags(quint32 carbonModifiers);
// The Carbon word of a flags word; right-hand bits are never produced.
//   0x20000 | 0x10000 (Caps Lock) => 0x0200
[[nodiscard]] quint32 modifierFlags2CarbonModifiers(quint32 flags);

// --- event tests ----------------------------------------------------------------

// YES for a key press (also the shortcut-override offer of a press) or a
// key release.
[[nodiscard]] bool isKeyEvent(const QEvent* event);
[[nodiscard]] bool isKeyDownEvent(const QEvent* event);
// The toolkit's flags word of an event's modifiers, with the keypad and
// function-key bits of a key event; 0 for events without modifiers.
//   plain forward delete => 0x800000   plain Backspace => 0
[[nodiscard]] quint32 modifierFlags(const QEvent* event);

// The typed characters of a key event: its text, else the function-key
// unit of its key; "" for other events.
[[nodiscard]] QString characters(const QEvent* event);
// The characters as if only Shift were held: letters and digits from the
// key itself (Shift-A "A", Ctrl-A "a"), else as `characters`.
[[nodiscard]] QString charactersIgnoringModifiers(const QEvent* event);

// The first unit of charactersIgnoringModifiers of a key event; 0 for other
// events and for an empty string.
[[nodiscard]] unichar pressedKey(const QEvent* event);

// YES when a key event is the key `key` (compared in lower case, against
// charactersIgnoringModifiers first, then characters) with exactly the
// modifiers `flags`; with `flags` 0, Shift alone is allowed.
//   ('a', 0):       a, Shift-A => YES;  Command-A => NO
//   ('a', Command): Command-A => YES;   Command-Shift-A => NO
[[nodiscard]] bool isKeyPressed(const QEvent* event, unichar key, quint32 flags);

// Delete (127) or forward delete whose modifiers are not 0 and lack Shift.
[[nodiscard]] bool deleteKeyPressed(const QEvent* event);
// Enter, newline or Return under the same modifier condition.
[[nodiscard]] bool returnKeyPressed(const QEvent* event);

// YES when the masked flags are exactly Shift, exactly Control or exactly
// Command (the modifiers that extend a selection or ask for a menu).
[[nodiscard]] bool selectionOrMenuModifiersPressed(quint32 flags);
[[nodiscard]] bool selectionOrMenuModifiersPressed(const QEvent* event);
// The same for the keyboard's current state.
[[nodiscard]] bool currentSelectionOrMenuModifiersPressed();

// --- pointer -------------------------------------------------------------------------

// YES while any mouse button is held.
[[nodiscard]] bool isMouseDown();
// YES while a mouse button is held (a drag or a menu tracks the pointer).
[[nodiscard]] bool isTracking();

// Where an event happened in `window`'s coordinates: the event's own
// position when it is a pointer event that `receiver` (the widget it was
// sent to) got inside that window, else the pointer's position on the
// screen relative to the window; the zero point for a null window.
[[nodiscard]] QPointF locationInWindow(const QEvent* event, const QWidget* receiver, const QWidget* window);
// The same in `view`'s coordinates; the zero point for a null view.
[[nodiscard]] QPointF locationInView(const QEvent* event, const QWidget* receiver, const QWidget* view);

} // namespace sorvant
