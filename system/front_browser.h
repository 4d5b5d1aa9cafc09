#pragma once
// The front-most web browser, and the address (or, for mail clients, the
// sender) of a known application's front document and the title of a
// browser's front page.
//
// The front browser comes from the X11 window manager's stacking list
// (_NET_CLIENT_LIST_STACKING, each window's _NET_WM_PID) through xcb-ewmh:
// process → desktop ID → the browser list. Under Wayland there is no global
// window list, so there is no answer.
//
// The document questions are one-line scripts per application, compiled
// once (static scripts) and run with a time-out written into the script.
// Browsers offer no script interface on Linux, so with the shipped script
// engine every answer is nil; another registered engine gets the same
// scripts.

#include <QList>
#include <QString>
#include <QStringList>

#include <memory>
#include <optional>

#include <sys/types.h>

namespace sorvant {

// The process IDs owning the top-level windows, front to back; nil when
// the display has no such list.
class WindowStack
{
public:
    virtual ~WindowStack() = default;
    [[nodiscard]] virtual std::optional<QList<pid_t>> windowOwnersFrontToBack() = 0;
};

// Installs a window stack (null: the X11 one); answers the previous one.
std::shared_ptr<WindowStack> setWindowStack(std::shared_ptr<WindowStack> stack);

struct RunningBrowser
{
    pid_t processIdentifier = 0;
    QString bundleIdentifier; // the desktop ID, without ".desktop"
};

// The desktop IDs that count as browsers.
[[nodiscard]] const QStringList& browserBundleIdentifiers();
// The running browser whose window is in front of every other browser
// window; nil when none (or no window list).
[[nodiscard]] std::optional<RunningBrowser> frontMostBrowser();

// "%d seconds" for 2 or more, else "1 second".
[[nodiscard]] QString scriptTimeoutText(int timeout);
// The script asking `name` for its front document's address, or null.
[[nodiscard]] QString frontmostURLScript(const QString& name);
[[nodiscard]] QString frontmostTitleScript(const QString& name);

// The address of the front document of the application `name`; with an
// identifier the application must be open to automation. Nil when the
// script fails or the application is not known.
[[nodiscard]] QString frontmostURLOfApplicationNamed(const QString& name, const QString& identifier);
[[nodiscard]] QString frontmostURLOfApplicationNamed(const QString& name, const QString& identifier,
                                                     bool askUserIfNeeded, int timeout);
[[nodiscard]] QString frontmostTitleOfApplicationNamed(const QString& name, const QString& identifier);

} // namespace sorvant
