#pragma once
// The window source generator, a developer aid: C++ for Qt that builds a
// live window's widget tree again, one creation statement per window and
// widget followed by statements for the settings worth keeping. It only
// reads the widgets.
//
// Variable names are the class name in lower case without its namespace and
// without the toolkit prefix ("q" of Qt's classes); a repeated class is
// numbered over the whole window before the prefix goes: pushbutton,
// pushbutton2, pushbutton3. The window's name counts as the first of its
// class, so a plain QWidget window named "widget" holds widget2, widget3.
// Every statement starts with one tab, geometry is
// written without decimals, and texts are written as escaped C++ literals.
//
//   a QMainWindow titled "Find" with two QPushButtons =>
//     "\tQMainWindow *mainwindow = new QMainWindow;\n" ...
//     "\tQPushButton *pushbutton2 = new QPushButton;\n" ...
//
// Not kept: settings with no Qt counterpart (control sizes, bezels,
// transparent title bars, background drawing of text fields).

#include <QHash>
#include <QString>

class QWidget;

namespace sorvant {

// The whole text for `window` (its central widget's, or its own, children).
[[nodiscard]] QString windowGenerator(const QWidget* window);

// Appends the statements of `view`'s child widgets to `text`, naming `view`
// `parentName`; `classCounts` numbers repeated classes across calls.
void generateViewCode(const QWidget* view, const QString& parentName, QHash<QString, int>& classCounts, QString& text);

// The variable name of the `count`-th object of `className` (count 1 is not
// numbered).
//   ("QPushButton", 1) => "pushbutton"   ("QPushButton", 3) => "pushbutton3"
//   ("sorvant::PathControl", 1) => "pathcontrol"   ("Quilt", 1) => "quilt"
[[nodiscard]] QString variableNameForClass(const QString& className, int count);

// `text` as the body of a C++ string literal: quotes, backslashes and line
// breaks escaped.
[[nodiscard]] QString escapedLiteralText(const QString& text);

} // namespace sorvant
