#include "interface/events.h"

#include "foundation/chars_table.h"

#include <QApplication>
#include <QCursor>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QWidget>

#include <array>
#include <utility>

namespace sorvant {

namespace {

// Qt keys of the function-key units outside the runs F1…F35.
constexpr std::array<std::pair<int, unichar>, 29> kKeyUnits{{
    {Qt::Key_Up, kUpArrowFunctionKey},
    {Qt::Key_Down, kDownArrowFunctionKey},
    {Qt::Key_Left, kLeftArrowFunctionKey},
    {Qt::Key_Right, kRightArrowFunctionKey},
    {Qt::Key_Insert, kInsertFunctionKey},
    {Qt::Key_Delete, kDeleteFunctionKey},
    {Qt::Key_Home, kHomeFunctionKey},
    {Qt::Key_End, kEndFunctionKey},
    {Qt::Key_PageUp, kPageUpFunctionKey},
    {Qt::Key_PageDown, kPageDownFunctionKey},
    {Qt::Key_Print, kPrintScreenFunctionKey},
    {Qt::Key_ScrollLock, kScrollLockFunctionKey},
    {Qt::Key_Pause, kPauseFunctionKey},
    {Qt::Key_SysReq, kSysReqFunctionKey},
    {Qt::Key_Menu, kMenuFunctionKey},
    {Qt::Key_Printer, kPrintFunctionKey},
    {Qt::Key_Clear, kClearLineFunctionKey},
    {Qt::Key_Select, kSelectFunctionKey},
    {Qt::Key_Execute, kExecuteFunctionKey},
    {Qt::Key_Undo, kUndoFunctionKey},
    {Qt::Key_Redo, kRedoFunctionKey},
    {Qt::Key_Find, kFindFunctionKey},
    {Qt::Key_Help, kHelpFunctionKey},
    {Qt::Key_Return, kCarriageReturnCharacter},
    {Qt::Key_Enter, kEnterCharacter},
    {Qt::Key_Tab, kTabCharacter},
    {Qt::Key_Backtab, kBackTabCharacter},
    {Qt::Key_Backspace, kDeleteCharacter},
    {Qt::Key_Escape, kEscapeCharacter},
}};

constexpr int kFunctionKeyCount = 35;

const QKeyEvent* keyEvent(const QEvent* event)
{
    return isKeyEvent(event) ? static_cast<const QKeyEvent*>(event) : nullptr;
}

bool hasDeleteOrReturnModifiers(const QEvent* event)
{
    const quint32 flags = modifierFlags(event);
    return flags != 0 && (flags & kShiftKeyMask) == 0;
}

} // namespace

quint32 modifierFlagsFromQt(Qt::KeyboardModifiers modifiers)
{
    quint32 flags = 0;
    if (modifiers & Qt::ShiftModifier)
        flags |= kShiftKeyMask;
    if (modifiers & Qt::MetaModifier)
        flags |= kControlKeyMask;
    if (modifiers & Qt::AltModifier)
        flags |= kAlternateKeyMask;
    if (modifiers & Qt::ControlModifier)
        flags |= kCommandKeyMask;
    return flags;
}

Qt::KeyboardModifiers qtModifiersFromFlags(quint32 flags)
{
    Qt::KeyboardModifiers modifiers;
    if (flags & kShiftKeyMask)
        modifiers |= Qt::ShiftModifier;
    if (flags & kControlKeyMask)
        modifiers |= Qt::MetaModifier;
    if (flags & kAlternateKeyMask)
        modifiers |= Qt::AltModifier;
    if (flags & kCommandKeyMask)
        modifiers |= Qt::ControlModifier;
    return modifiers;
}

unichar functionKeyUnit(int qtKey)
{
    if (qtKey >= Qt::Key_F1 && qtKey < Qt::Key_F1 + kFunctionKeyCount)
        return static_cast<unichar>(kF1FunctionKey + (qtKey - Qt::Key_F1));
    for (const auto& [key, unit] : kKeyUnits) {
        if (key == qtKey)
            return unit;
    }
    return 0;
}

int qtKeyForFunctionKeyUnit(unichar unit)
{
    if (unit >= kF1FunctionKey && unit < kF1FunctionKey + kFunctionKeyCount)
        return Qt::Key_F1 + (unit - kF1FunctionKey);
    for (const auto& [key, keyUnit] : kKeyUnits) {
        if (keyUnit == unit)
            return key;
    }
    return 0;
}

quint32 carbonModifiers2ModifierFlags(quint32 carbon)
{
    quint32 flags = 0;
    if (carbon & kCarbonCommandKey)
        flags |= kCommandKeyMask;
    if (carbon & (kCarbonShiftKey | kCarbonRightShiftKey))
        flags |= kShiftKeyMask;
    if (carbon & (kCarbonOptionKey | kCarbonRightOptionKey))
        flags |= kAlternateKeyMask;
    if (carbon & (kCarbonControlKey | kCarbonRightControlKey))
        flags |= kControlKeyMask;
    return flags;
}

quint32 modifierFlags2CarbonModifiers(quint32 flags)
{
    quint32 carbon = 0;
    if (flags & kCommandKeyMask)
        carbon |= kCarbonCommandKey;
    if (flags & kShiftKeyMask)
        carbon |= kCarbonShiftKey;
    if (flags & kAlternateKeyMask)
        carbon |= kCarbonOptionKey;
    if (flags & kControlKeyMask)
        carbon |= kCarbonControlKey;
    return carbon;
}

bool isKeyDownEvent(const QEvent* event)
{
    return event && (event->type() == QEvent::KeyPress || event->type() == QEvent::ShortcutOverride);
}

bool isKeyEvent(const QEvent* event)
{
    return isKeyDownEvent(event) || (event && event->type() == QEvent::KeyRelease);
}

quint32 modifierFlags(const QEvent* event)
{
    if (!event || !event->isInputEvent())
        return 0;
    const Qt::KeyboardModifiers modifiers = static_cast<const QInputEvent*>(event)->modifiers();
    quint32 flags = modifierFlagsFromQt(modifiers);
    if (const QKeyEvent* key = keyEvent(event)) {
        if (modifiers & Qt::KeypadModifier)
            flags |= kNumericPadKeyMask;
        if (functionKeyUnit(key->key()) >= kUpArrowFunctionKey)
            flags |= kFunctionKeyMask;
    }
    return flags;
}

QString characters(const QEvent* event)
{
    const QKeyEvent* key = keyEvent(event);
    if (!key)
        return QString();
    // Keys without a character of their own type their function-key unit
    // even when Qt gives them a control character as text.
    if (const unichar unit = functionKeyUnit(key->key()))
        return QString(QChar(unit));
    return key->text();
}

QString charactersIgnoringModifiers(const QEvent* event)
{
    const QKeyEvent* key = keyEvent(event);
    if (!key)
        return QString();
    if (const unichar unit = functionKeyUnit(key->key()))
        return QString(QChar(unit));
    const int code = key->key();
    // With Ctrl or Meta held, Qt's text is a control character or empty; the
    // key code still names the letter (in upper case).
    if (code >= Qt::Key_A && code <= Qt::Key_Z) {
        const bool shifted = key->modifiers() & Qt::ShiftModifier;
        return QString(QChar(shifted ? code : code - Qt::Key_A + 'a'));
    }
    if (code >= Qt::Key_Space && code <= Qt::Key_AsciiTilde && !(key->modifiers() & Qt::ShiftModifier))
        return QString(QChar(code));
    const QString text = key->text();
    if (!text.isEmpty() && text.at(0).unicode() >= 0x20)
        return text;
    return code > 0 && code < 0x10000 ? QString(QChar(static_cast<char16_t>(code))) : QString();
}

unichar pressedKey(const QEvent* event)
{
    const QString typed = charactersIgnoringModifiers(event);
    return typed.isEmpty() ? 0 : typed.at(0).unicode();
}

bool isKeyPressed(const QEvent* event, unichar key, quint32 flags)
{
    if (!isKeyEvent(event))
        return false;
    const quint32 masked = modifierFlags(event) & kDeviceIndependentModifierMask;
    if (flags != 0 ? masked != flags : (masked & (kControlKeyMask | kAlternateKeyMask | kCommandKeyMask)) != 0)
        return false;
    const unichar wanted = lowercaseCharacter(key);
    for (const QString& typed : {charactersIgnoringModifiers(event), characters(event)}) {
        if (!typed.isEmpty() && lowercaseCharacter(typed.at(0).unicode()) == wanted)
            return true;
    }
    return false;
}

bool deleteKeyPressed(const QEvent* event)
{
    const unichar key = pressedKey(event);
    return (key == kDeleteCharacter || key == kDeleteFunctionKey) && hasDeleteOrReturnModifiers(event);
}

bool returnKeyPressed(const QEvent* event)
{
    const unichar key = pressedKey(event);
    return (key == kEnterCharacter || key == kNewlineCharacter || key == kCarriageReturnCharacter)
        && hasDeleteOrReturnModifiers(event);
}

bool selectionOrMenuModifiersPressed(quint32 flags)
{
    const quint32 masked = flags & kDeviceIndependentModifierMask;
    return masked == kShiftKeyMask || masked == kControlKeyMask || masked == kCommandKeyMask;
}

bool selectionOrMenuModifiersPressed(const QEvent* event)
{
    return selectionOrMenuModifiersPressed(modifierFlags(event));
}

bool currentSelectionOrMenuModifiersPressed()
{
    return selectionOrMenuModifiersPressed(modifierFlagsFromQt(QGuiApplication::queryKeyboardModifiers()));
}

bool isMouseDown()
{
    return QGuiApplication::mouseButtons() != Qt::NoButton;
}

bool isTracking()
{
    // Qt runs no separate tracking mode: a held button is the one sign of a
    // drag or an open menu following the pointer.
    return isMouseDown() || QApplication::activePopupWidget() != nullptr;
}

QPointF locationInWindow(const QEvent* event, const QWidget* receiver, const QWidget* window)
{
    if (!window)
        return QPointF();
    if (event && event->isSinglePointEvent() && receiver && receiver->window() == window) {
        const auto* pointer = static_cast<const QSinglePointEvent*>(event);
        return receiver->mapTo(window, pointer->position());
    }
    return window->mapFromGlobal(QPointF(QCursor::pos()));
}

QPointF locationInView(const QEvent* event, const QWidget* receiver, const QWidget* view)
{
    if (!view)
        return QPointF();
    const QWidget* window = view->window();
    return view->mapFrom(window, locationInWindow(event, receiver, window));
}

} // namespace sorvant
