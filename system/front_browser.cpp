#include "system/front_browser.h"

#include "foundation/no_case_comparison.h"
#include "platform/url.h"
#include "system/apple_script.h"
#include "system/desktop_entries.h"
#include "system/permissions.h"
#include "web/url/url_predicates.h"

#include <xcb/xcb.h>
#include <xcb/xcb_ewmh.h>

#include <QHash>

#include <algorithm>
#include <mutex>

namespace sorvant {

namespace {

class X11WindowStack : public WindowStack
{
public:
    std::optional<QList<pid_t>> windowOwnersFrontToBack() override
    {
        // A Wayland session's X server sees only its own clients.
        if (qEnvironmentVariableIsSet("WAYLAND_DISPLAY") || !qEnvironmentVariableIsSet("DISPLAY"))
            return std::nullopt;
        xcb_connection_t* connection = xcb_connect(nullptr, nullptr);
        if (xcb_connection_has_error(connection)) {
            xcb_disconnect(connection);
            return std::nullopt;
        }
        xcb_ewmh_connection_t ewmh {};
        std::optional<QList<pid_t>> owners;
        if (xcb_ewmh_init_atoms_replies(&ewmh, xcb_ewmh_init_atoms(connection, &ewmh), nullptr)) {
            xcb_ewmh_get_windows_reply_t windows {};
            if (xcb_ewmh_get_client_list_stacking_reply(&ewmh, xcb_ewmh_get_client_list_stacking(&ewmh, 0), &windows,
                                                        nullptr)) {
                owners.emplace();
                // The stacking list runs bottom to top.
                for (uint32_t i = windows.windows_len; i-- > 0;) {
                    uint32_t pid = 0;
                    if (xcb_ewmh_get_wm_pid_reply(&ewmh, xcb_ewmh_get_wm_pid(&ewmh, windows.windows[i]), &pid,
                                                  nullptr))
                        owners->append(static_cast<pid_t>(pid));
                }
                xcb_ewmh_get_windows_reply_wipe(&windows);
            }
            xcb_ewmh_connection_wipe(&ewmh);
        }
        xcb_disconnect(connection);
        return owners;
    }
};

std::mutex stackLock;
std::shared_ptr<WindowStack> installedStack; // guarded by stackLock

std::shared_ptr<WindowStack> windowStack()
{
    std::lock_guard guard(stackLock);
    if (!installedStack)
        installedStack = std::make_shared<X11WindowStack>();
    return installedStack;
}

QString runScript(const QString& script)
{
    const ScriptResult result = compileAndExecuteSource(script, QString(), true, nullptr);
    return result ? result->stringValue() : QString();
}

} // namespace

std::shared_ptr<WindowStack> setWindowStack(std::shared_ptr<WindowStack> stack)
{
    std::lock_guard guard(stackLock);
    std::swap(installedStack, stack);
    return stack;
}

const QStringList& browserBundleIdentifiers()
{
    static const QStringList identifiers {
        QStringLiteral("org.mozilla.firefox"),     QStringLiteral("firefox"),
        QStringLiteral("firefox-esr"),             QStringLiteral("com.google.Chrome"),
        QStringLiteral("google-chrome"),           QStringLiteral("org.chromium.Chromium"),
        QStringLiteral("chromium"),                QStringLiteral("com.operasoftware.Opera"),
        QStringLiteral("opera"),                   QStringLiteral("com.vivaldi.Vivaldi"),
        QStringLiteral("vivaldi-stable"),          QStringLiteral("com.brave.Browser"),
        QStringLiteral("brave-browser"),           QStringLiteral("org.gnome.Epiphany"),
        QStringLiteral("com.velmor-works.tamsett"),
    };
    return identifiers;
}

std::optional<RunningBrowser> frontMostBrowser()
{
    const auto owners = windowStack()->windowOwnersFrontToBack();
    if (!owners)
        return std::nullopt;
    QHash<pid_t, QString> known;
    for (const pid_t pid : *owners) {
        if (pid <= 0)
            continue;
        if (!known.contains(pid)) {
            QString identifier = desktopFileIDForProcess(pid);
            if (identifier.endsWith(QLatin1String(".desktop")))
                identifier.chop(8);
            known.insert(pid, identifier);
        }
        const QString& identifier = known[pid];
        if (!identifier.isEmpty() && browserBundleIdentifiers().contains(identifier))
            return RunningBrowser {pid, identifier};
    }
    return std::nullopt;
}

QString scriptTimeoutText(int timeout)
{
    return timeout >= 2 ? QStringLiteral("%1 seconds").arg(timeout) : QStringLiteral("1 second");
}

QString frontmostURLScript(const QString& name)
{
    static const QList<std::pair<QStringList, QString>> scripts {
        {{QStringLiteral("Safari")}, QStringLiteral("tell application \"Safari\" to get the URL of document 1")},
        {{QStringLiteral("Google Chrome")},
         QStringLiteral("tell application \"Google Chrome\" to get the URL of active tab of window 1")},
        {{QStringLiteral("OmniWeb")}, QStringLiteral("tell application \"OmniWeb\" to get the address of browser 1")},
        {{QStringLiteral("Tamsett"), QStringLiteral("Tamsett Pro")},
         QStringLiteral("tell application \"Tamsett\" to get the URL of window 1")},
        {{QStringLiteral("iCab")}, QStringLiteral("tell application \"iCab\" to get url of document 1")},
        {{QStringLiteral("Opera")},
         QStringLiteral("tell application \"Opera\" to return URL of active tab of front window")},
        {{QStringLiteral("Vivaldi")},
         QStringLiteral("tell application \"Vivaldi\" to return URL of active tab of front window")},
        {{QStringLiteral("Brave Browser")},
         QStringLiteral("tell application \"Brave Browser\" to return URL of active tab of front window")},
        {{QStringLiteral("Mail")}, QStringLiteral("tell application \"Mail\"\nset theSelection to the selection\n"
                                                  "get the sender of item 1 of theSelection\nend tell")},
        {{QStringLiteral("Camino")},
         QStringLiteral("tell application \"Camino\" to get the URL of current tab of browser window 1")},
        {{QStringLiteral("Shiira")}, QStringLiteral("tell application \"Shiira\" to get the URL of document 1")},
        {{QStringLiteral("NetNewsWire")},
         QStringLiteral("tell application \"NetNewsWire\"\nset ixCurrentTab to index of selected tab\n"
                        "if (ixCurrentTab is equal to 0) then\nset currentURL to URL of selectedHeadline\nelse\n"
                        "set urlsList to URLs of tabs\nset currentURL to item (ixCurrentTab + 1) of urlsList\n"
                        "end if\nreturn currentURL\nend tell\n")},
        {{QStringLiteral("Firefox"), QStringLiteral("firefox-bin")},
         QStringLiteral("tell application \"Firefox\" to activate\ntell application \"System Events\"\n"
                        "keystroke \"l\" using command down\nkeystroke \"c\" using command down\nend tell\n"
                        "delay 0.5\nreturn the clipboard")},
        {{QStringLiteral("Postbox")},
         QStringLiteral("tell application \"Postbox\"\nset theSelection to the selection\n"
                        "if (count of theSelection) is 1 then return sender of item 1 of theSelection\nend tell")},
        {{QStringLiteral("Microsoft Outlook")},
         QStringLiteral("tell application \"Microsoft Outlook\"\nset theSelection to the selected objects\n"
                        "if (count of theSelection) is 1 then\nset theSender to sender of item 1 of theSelection\n"
                        "return address of theSender as string\nend if\nend tell\nreturn \"\"")},
        {{QStringLiteral("Xcode")}, QStringLiteral("tell application \"Xcode\" to get path of item 1 of file documents")},
        {{QStringLiteral("Evernote")},
         QStringLiteral("tell application \"Evernote\"\nset theSelection to the selection\n"
                        "if count of theSelection is 1 then return source URL of item 1 of theSelection\nend tell")},
        {{QStringLiteral("Roccat")}, QStringLiteral("tell application \"Roccat\" to get the URL of browser window 1")},
    };
    if (hasPrefixNoCase(name, QStringLiteral("Mailplane")))
        return QStringLiteral("tell application \"%1\" to get currentURL").arg(name);
    for (const auto& [names, script] : scripts)
        if (names.contains(name))
            return script;
    return {};
}

QString frontmostTitleScript(const QString& name)
{
    static const QList<std::pair<QStringList, QString>> scripts {
        {{QStringLiteral("Safari")}, QStringLiteral("tell application \"Safari\" to return name of front document")},
        {{QStringLiteral("Google Chrome")},
         QStringLiteral("tell application \"Google Chrome\" to return title of active tab of front window")},
        {{QStringLiteral("Opera")},
         QStringLiteral("tell application \"Opera\" to return title of active tab of front window")},
        {{QStringLiteral("Vivaldi")},
         QStringLiteral("tell application \"Vivaldi\" to return title of active tab of front window")},
        {{QStringLiteral("Tamsett"), QStringLiteral("Tamsett Pro")},
         QStringLiteral("tell application \"Tamsett\" to return name of front window's current tab")},
        {{QStringLiteral("Brave Browser")},
         QStringLiteral("tell application \"Brave Browser\" to return title of active tab of front window")},
    };
    for (const auto& [names, script] : scripts)
        if (names.contains(name))
            return script;
    return {};
}

QString frontmostURLOfApplicationNamed(const QString& name, const QString& identifier)
{
    return frontmostURLOfApplicationNamed(name, identifier, true, 1);
}

QString frontmostURLOfApplicationNamed(const QString& name, const QString& identifier, bool askUserIfNeeded,
                                       int timeout)
{
    if (name.isNull())
        return {};
    if (!identifier.isEmpty() && !permittedToAutomateApplicationWithBundleIdentifier(identifier, askUserIfNeeded))
        return {};
    if (name == QLatin1String("Microsoft Entourage"))
        return {};
    const QString timeoutText = scriptTimeoutText(timeout);
    const QString script = frontmostURLScript(name);
    if (!script.isNull()) {
        const QString answer =
            runScript(QStringLiteral("with timeout of %1\n%2\nend timeout").arg(timeoutText, script));
        if (name == QLatin1String("Firefox") || name == QLatin1String("firefox-bin"))
            return answer.isNull() ? answer : possibleInternetLocation(answer);
        return answer;
    }
    if (identifier.isEmpty())
        return {};
    const QString path = runScript(QStringLiteral("with timeout of %1\ntell application id \"%2\" to get path of "
                                                  "document 1\nend timeout")
                                       .arg(timeoutText, identifier));
    if (path.isEmpty())
        return {};
    return URL::fileURLWithPath(path).absoluteString();
}

QString frontmostTitleOfApplicationNamed(const QString& name, const QString&)
{
    const QString script = frontmostTitleScript(name);
    if (script.isNull())
        return {};
    return runScript(QStringLiteral("with timeout of 1 second\n%1\nend timeout").arg(script));
}

} // namespace sorvant
