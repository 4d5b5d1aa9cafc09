#pragma once
// Tests of the permissions some systems ask of the user before a program
// may read protected folders or drive another application, with an alert
// that points the user to the settings when one is missing. Linux has no
// such permissions (capabilities().privacyPermissions is NO): full disk
// access always answers YES and automation only asks that the application
// runs. The probing branch stays for systems that have them and is tested
// with the flag forced on.

#include <QString>

#include <functional>

namespace sorvant {

// YES when the item can be read (a folder: written, by a probe file
// ".velmorappkit.fulldiskcheck" removed at once) or no test is needed;
// otherwise shows the "Full Disk Access is Required" alert and answers NO.
// NO for an empty path.
bool requestFullDiskAccessAtPath(const QString& path);

// YES when events may be sent to the application now. NO for an empty ID
// or an application that is not running. Where permissions exist, a status
// of 0 or -1744 (the user will be asked) is YES; another is logged
// "WARNING: Automation of <id> not possible: <status>" and, when asking is
// allowed, the "Automation is Required" alert is shown; NO.
bool permittedToAutomateApplicationWithBundleIdentifier(const QString& identifier, bool askUserIfNeeded);

// The system's answer for automating an application (0 permitted); only
// consulted where permissions exist. Answers the previous probe.
using AutomationProbe = std::function<int(const QString& identifier, bool askUserIfNeeded)>;
AutomationProbe setAutomationProbe(AutomationProbe probe);

// Opens the settings section ("Privacy_AllFiles", "Privacy_Automation")
// when the user asks for it from the alert. Answers the previous one.
using PrivacySettingsOpener = std::function<void(const QString& section)>;
PrivacySettingsOpener setPrivacySettingsOpener(PrivacySettingsOpener opener);

} // namespace sorvant
