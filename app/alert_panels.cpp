#include "app/alert_panels.h"

#include "interface/alerts.h"
#include "platform/log.h"

#include <QAbstractButton>
#include <QMessageBox>

#include <exception>
#include <memory>
#include <typeinfo>

namespace sorvant {

QMessageBox* makeCriticalAlert(const QString& title, const QString& defaultButton, const QString& alternateButton,
                               const QString& format, const QVariantList& arguments, QWidget* parent)
{
    QMessageBox* alert = alertWithTexts({title, defaultButton, alternateButton, {}, format, arguments}, true,
                                        false, parent);
    if (!alert)
        return nullptr;
    alert->setIcon(QMessageBox::Critical);
    // Escape (and closing the alert) choose the default button, the safe
    // answer of these questions ("Cancel", "OK"), never the alternate one.
    for (QAbstractButton* button : alert->buttons()) {
        if (alertTag(button) == kAlertDefaultReturn)
            alert->setEscapeButton(button);
    }
    return alert;
}

int runAlertPanel(const QString& title, const QString& format, const QString& defaultButton,
                  const QString& alternateButton, const QVariantList& arguments)
{
    try {
        const std::unique_ptr<QMessageBox> alert(
            makeCriticalAlert(title, defaultButton, alternateButton, format, arguments));
        return runModal(alert.get());
    } catch (const std::exception& exception) {
        // No call stack is kept with a C++ exception: its line stays empty.
        logMessage(QStringLiteral("runAlertPanel: %1:\n%2\n")
                       .arg(QString::fromLatin1(typeid(exception).name()), QString::fromUtf8(exception.what())));
        return kAlertNotShown;
    }
}

} // namespace sorvant
