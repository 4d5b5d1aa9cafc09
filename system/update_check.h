#pragma once
// Asking the update server whether a newer version exists: one GET of
// "Updates.plist?product=…&version=…&uid=…", whose answer (an XML or binary
// property list) lists the latest version under the product's name and the
// download address under "Download". The server is a setting
// ("UpdateServerURL" in the user defaults, e.g. "https://updates.example.org");
// there is none by default, and then the check says that it cannot check.
// A check that cannot reach or read the list says so too: it never claims
// the software is up to date without an answer.

#include <QString>

#include <functional>

class QObject;

namespace sorvant {

class Bundle;
class URL;

enum class UpdateStatus { NewVersion, UpToDate, CannotCheck };

struct UpdateCheckResult
{
    UpdateStatus status = UpdateStatus::CannotCheck;
    QString runningVersion;
    QString latestVersion;  // null when the list has none
    QString downloadURL;    // null when the list has none
    QString reason;         // why the check could not be made
};

struct UpdateCheckOptions
{
    // The server's base address; null reads the "UpdateServerURL" setting.
    QString server;
    int timeoutMs = 20000;
};

// The request's URL: "<server>/Updates.plist?product=<localized bundle name,
// spaces as +>&version=<CFBundleVersion>&uid=<device identifier>", without
// "&uid=…" when the identifier makes no URL; null when neither does or
// there is no server.
[[nodiscard]] URL updatesURL(const Bundle& bundle, const QString& server);

// The server setting, or null.
[[nodiscard]] QString updateServer();

// Fetches and reads the list (waiting for it, serving events meanwhile) and
// compares the listed version with the running one. For tools and tests:
// the interface uses the form below, which never waits.
[[nodiscard]] UpdateCheckResult fetchUpdateStatus(const UpdateCheckOptions& options = {});
// The same without waiting: `done` gets the answer on `context`'s thread
// when it has come (or at once, queued, when there is nothing to ask); not
// at all once `context` is gone.
void fetchUpdateStatus(const UpdateCheckOptions& options, QObject* context,
                       std::function<void(const UpdateCheckResult&)> done);

// Shows the new-version alert (its Download button opens the download
// address), the up-to-date alert, or the alert that the check could not be
// made. YES when a newer version is listed.
bool presentUpdateStatus(const UpdateCheckResult& result);
// Fetches, waiting, then presents the answer. YES when a newer version is listed.
bool checkForNewVersion(const UpdateCheckOptions& options = {});

} // namespace sorvant
