#include "interface/events.h"
#include "interface/window_extensions.h"

#include <QCursor>
#include <QDateTimeEdit>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMouseEvent>
#include <QVBoxLayout>
#include <QWidget>

#include "tests/interface/widget_helpers.h"

#include <gtest/gtest.h>

namespace sorvant {
namespace {

QKeyEvent press(int key, Qt::KeyboardModifiers modifiers = Qt::NoModifier, const QString& text = QString())
{
    return QKeyEvent(QEvent::KeyPress, key, modifiers, text);
}

TEST(Modifiers, MapLinuxKeysOntoTheToolkitMasks)
{
    EXPECT_EQ(modifierFlagsFromQt(Qt::ControlModifier), kCommandKeyMask);
    EXPECT_EQ(modifierFlagsFromQt(Qt::MetaModifier), kControlKeyMask);
    EXPECT_EQ(modifierFlagsFromQt(Qt::AltModifier), kAlternateKeyMask);
    EXPECT_EQ(modifierFlagsFromQt(Qt::ShiftModifier | Qt::KeypadModifier), kShiftKeyMask);
    for (quint32 flags = 0; flags <= kDeviceIndependentModifierMask; flags += kShiftKeyMask) {
        SCOPED_TRACE(flags);
        EXPECT_EQ(modifierFlagsFromQt(qtModifiersFromFlags(flags)), flags);
    }
}

TEST(Modifiers, CarbonConversionFoldsRightHandKeysAndDropsTheRest)
{
    EXPECT_EQ(carbonModifiers2ModifierFlags(kCarbonRightShiftKey), kShiftKeyMask);
    EXPECT_EQ(carbonModifiers2ModifierFlags(kCarbonRightOptionKey | kCarbonCommandKey),
              kAlternateKeyMask | kCommandKeyMask);
    EXPECT_EQ(carbonModifiers2ModifierFlags(kCarbonRightControlKey | 0x0001), kControlKeyMask);
    // Caps Lock (0x10000) has no Carbon bit.
    EXPECT_EQ(modifierFlags2CarbonModifiers(kShiftKeyMask | 0x10000), kCarbonShiftKey);
    EXPECT_EQ(modifierFlags2CarbonModifiers(kCommandKeyMask | kControlKeyMask | kAlternateKeyMask),
              kCarbonCommandKey | kCarbonControlKey | kCarbonOptionKey);
}

TEST(Keys, FunctionKeysBecomePrivateUseUnitsAndBack)
{
    const struct {
        int key;
        unichar unit;
    } cases[] = {
        {Qt::Key_Up, 0xF700},     {Qt::Key_Right, 0xF703}, {Qt::Key_F1, 0xF704},  {Qt::Key_F35, 0xF726},
        {Qt::Key_Delete, 0xF728}, {Qt::Key_Home, 0xF729},  {Qt::Key_Return, 13}, {Qt::Key_Enter, 3},
        {Qt::Key_Backtab, 25},    {Qt::Key_Backspace, 127},
    };
    for (const auto& row : cases) {
        SCOPED_TRACE(row.key);
        EXPECT_EQ(functionKeyUnit(row.key), row.unit);
        EXPECT_EQ(qtKeyForFunctionKeyUnit(row.unit), row.key);
    }
    EXPECT_EQ(functionKeyUnit(Qt::Key_A), 0);
}

TEST(Keys, PressedKeyIgnoresModifiersButShiftAndIsZeroForOtherEvents)
{
    const QMouseEvent click(QEvent::MouseButtonPress, QPointF(1, 1), QPointF(1, 1), Qt::LeftButton,
                            Qt::LeftButton, Qt::NoModifier);
    EXPECT_EQ(pressedKey(&click), 0);
    const QKeyEvent empty = press(0);
    EXPECT_EQ(pressedKey(&empty), 0);
    const QKeyEvent commandA = press(Qt::Key_A, Qt::ControlModifier, QStringLiteral("\x01"));
    EXPECT_EQ(pressedKey(&commandA), u'a');
    const QKeyEvent shiftA = press(Qt::Key_A, Qt::ShiftModifier, QStringLiteral("A"));
    EXPECT_EQ(pressedKey(&shiftA), u'A');
    const QKeyEvent period = press(Qt::Key_Period, Qt::ControlModifier);
    EXPECT_EQ(pressedKey(&period), u'.');
    const QKeyEvent up = press(Qt::Key_Up);
    EXPECT_EQ(pressedKey(&up), kUpArrowFunctionKey);
    const QKeyEvent release(QEvent::KeyRelease, Qt::Key_B, Qt::NoModifier, QStringLiteral("b"));
    EXPECT_EQ(pressedKey(&release), u'b');
}

TEST(Keys, IsKeyPressedMatchesModifiersExactly)
{
    const struct {
        const char* name;
        QKeyEvent event;
        quint32 flags;
        bool matches;
    } cases[] = {
        {"a", press(Qt::Key_A, Qt::NoModifier, QStringLiteral("a")), 0, true},
        {"Shift-A", press(Qt::Key_A, Qt::ShiftModifier, QStringLiteral("A")), 0, true},
        {"Command-A without flags", press(Qt::Key_A, Qt::ControlModifier), 0, false},
        {"Command-A", press(Qt::Key_A, Qt::ControlModifier), kCommandKeyMask, true},
        {"Command-Shift-A", press(Qt::Key_A, Qt::ControlModifier | Qt::ShiftModifier), kCommandKeyMask, false},
        {"b", press(Qt::Key_B, Qt::NoModifier, QStringLiteral("b")), 0, false},
    };
    for (const auto& row : cases) {
        SCOPED_TRACE(row.name);
        EXPECT_EQ(isKeyPressed(&row.event, u'a', row.flags), row.matches);
    }
}

TEST(Keys, DeleteAndReturnNeedAModifierOtherThanShift)
{
    const QKeyEvent plainDelete = press(Qt::Key_Backspace);
    // Forward delete is a function key: its flags word is never 0.
    const QKeyEvent plainForwardDelete = press(Qt::Key_Delete);
    EXPECT_TRUE(deleteKeyPressed(&plainForwardDelete));
    const QKeyEvent keypadEnter = press(Qt::Key_Enter, Qt::KeypadModifier);
    EXPECT_TRUE(returnKeyPressed(&keypadEnter));
    const QKeyEvent plainReturn = press(Qt::Key_Return);
    EXPECT_FALSE(returnKeyPressed(&plainReturn));
    const QKeyEvent commandDelete = press(Qt::Key_Backspace, Qt::ControlModifier);
    const QKeyEvent shiftDelete = press(Qt::Key_Delete, Qt::ShiftModifier | Qt::ControlModifier);
    const QKeyEvent optionForwardDelete = press(Qt::Key_Delete, Qt::AltModifier);
    EXPECT_FALSE(deleteKeyPressed(&plainDelete));
    EXPECT_TRUE(deleteKeyPressed(&commandDelete));
    EXPECT_FALSE(deleteKeyPressed(&shiftDelete));
    EXPECT_TRUE(deleteKeyPressed(&optionForwardDelete));
    const QKeyEvent commandReturn = press(Qt::Key_Return, Qt::ControlModifier);
    const QKeyEvent commandEnter = press(Qt::Key_Enter, Qt::ControlModifier);
    EXPECT_TRUE(returnKeyPressed(&commandReturn));
    EXPECT_TRUE(returnKeyPressed(&commandEnter));
}

TEST(Keys, SelectionOrMenuModifiersAreExactlyOneOfShiftControlCommand)
{
    const struct {
        quint32 flags;
        bool pressed;
    } cases[] = {
        {kShiftKeyMask, true},
        {kControlKeyMask, true},
        {kCommandKeyMask | 0x10000, true}, // Caps Lock does not count
        {kAlternateKeyMask, false},
        {kCommandKeyMask | kShiftKeyMask, false},
        {0, false},
    };
    for (const auto& row : cases) {
        SCOPED_TRACE(row.flags);
        EXPECT_EQ(selectionOrMenuModifiersPressed(row.flags), row.pressed);
    }
}

TEST(Keys, CycleEventsAreControlTabAndBackTab)
{
    QWidget window;
    auto* layout = new QVBoxLayout(&window);
    auto* line = new QLineEdit;
    auto* date = new QDateTimeEdit;
    layout->addWidget(line);
    layout->addWidget(date);
    const QKeyEvent controlTab = press(Qt::Key_Tab, Qt::MetaModifier);
    const QKeyEvent commandTab = press(Qt::Key_Tab, Qt::ControlModifier);
    const QKeyEvent shiftControlBackTab = press(Qt::Key_Backtab, Qt::MetaModifier | Qt::ShiftModifier);
    const QKeyEvent shiftBackTab = press(Qt::Key_Backtab, Qt::ShiftModifier);
    test::activate(window);
    line->setFocus();
    EXPECT_EQ(isCycleEvent(&window, &controlTab), kControlKeyMask);
    EXPECT_EQ(isCycleEvent(&window, &commandTab), 0u);
    EXPECT_EQ(isCycleEvent(&window, &shiftControlBackTab), kShiftKeyMask | kControlKeyMask);
    EXPECT_EQ(isCycleEvent(&window, &shiftBackTab), kShiftKeyMask);
    date->setFocus();
    EXPECT_EQ(isCycleEvent(&window, &shiftBackTab), 0u);
}

} // namespace
} // namespace sorvant

namespace sorvant {
namespace {

TEST(Pointer, LocationInWindowUsesTheEventOnlyForItsOwnWindow)
{
    QWidget first;
    QWidget second;
    first.setGeometry(100, 100, 200, 150);
    second.setGeometry(400, 300, 200, 150);
    test::activate(first);
    test::activate(second);
    auto* child = new QWidget(&first);
    child->setGeometry(20, 30, 50, 50);
    child->show();
    QCursor::setPos(450, 320);
    const QPointF inChild(5, 6);
    const QMouseEvent click(QEvent::MouseButtonPress, inChild, child->mapToGlobal(inChild), Qt::LeftButton,
                            Qt::LeftButton, Qt::NoModifier);
    EXPECT_EQ(locationInWindow(&click, child, &first), QPointF(25, 36));
    EXPECT_EQ(locationInView(&click, child, child), inChild);
    // Another window: where the pointer is now, relative to that window.
    EXPECT_EQ(locationInWindow(&click, child, &second), second.mapFromGlobal(QPointF(450, 320)));
    EXPECT_EQ(locationInWindow(&click, child, nullptr), QPointF());
    EXPECT_EQ(locationInView(&click, child, nullptr), QPointF());
}

} // namespace
} // namespace sorvant
