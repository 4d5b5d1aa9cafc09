#pragma once
// The modal alerts the system services show (permission prompts, update
// answers), reached through a small interface: the interface toolkit
// installs the presenter that shows real alerts; tests install one that
// records them and answers as told. Without a presenter no alert can be
// shown, and an alert answers as though no button had been chosen.

#include <QString>

namespace sorvant {

enum class AlertStyle { Warning, Informational, Critical };

struct AlertRequest
{
    QString messageText;
    QString informativeText;
    // Buttons in the order default (answers 1), alternate (0), other (-1);
    // a null title means no such button.
    QString defaultButton;
    QString alternateButton;
    QString otherButton;
    // An unchecked "Never ask me again" check box.
    bool suppressionButton = false;
    AlertStyle style = AlertStyle::Warning;
};

// The answer of an alert that could not be shown.
inline constexpr int kAlertNotShown = -2;

class AlertPresenter
{
public:
    virtual ~AlertPresenter() = default;
    // Shows the alert modally and answers the tag of the button chosen.
    virtual int runModal(const AlertRequest& request) = 0;
};

// Installs a presenter (null: none); answers the previous one.
AlertPresenter* setAlertPresenter(AlertPresenter* presenter);

// Shows the alert through the presenter. A presenter that throws is logged
// as "runAlertPanel: <type>:\n<reason>\n" and the answer is kAlertNotShown,
// as it is without a presenter or without a message text.
int runAlert(const AlertRequest& request);

} // namespace sorvant
