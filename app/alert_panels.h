#pragma once
// The two critical alerts of the search window's file actions. Titles,
// messages and buttons are English keys looked up in the main bundle's
// default table; the message is a printf-style format filled with
// `arguments`. Button answers: 1 the default button, 0 the alternate one,
// -2 (kAlertNotShown) when the alert could not be shown. Escape answers
// the default button.

#include <QString>
#include <QVariantList>

class QMessageBox;
class QWidget;

namespace sorvant {

// Shows the alert modally (through the toolkit's alert runner) and answers
// the button chosen. An exception thrown while the alert is made or run is
// logged ("runAlertPanel: <type>:\n<reason>\n<call stack>") and answers -2.
int runAlertPanel(const QString& title, const QString& format, const QString& defaultButton,
                  const QString& alternateButton, const QVariantList& arguments = {});

// The same alert, not run: the caller shows it (as a sheet on a window)
// and owns it. Null for a null title.
[[nodiscard]] QMessageBox* makeCriticalAlert(const QString& title, const QString& defaultButton,
                                             const QString& alternateButton, const QString& format,
                                             const QVariantList& arguments = {}, QWidget* parent = nullptr);

} // namespace sorvant
