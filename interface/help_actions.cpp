#include "interface/help_actions.h"

#include "foundation/string_format.h"
#include "interface/action_router.h"
#include "interface/application.h"
#include "interface/window_extensions.h"
#include "system/bundle.h"
#include "web/url/percent_escapes.h"

#include <QDesktopServices>
#include <QRegularExpression>
#include <QSysInfo>

#include <mutex>

namespace sorvant {

namespace {

struct OpenerState
{
    std::mutex mutex;
    LaunchURLOpener opener;
};

OpenerState& openerState()
{
    static OpenerState state;
    return state;
}

QString infoString(const char* key, const QString& fallback)
{
    const QString value = Bundle::mainBundle().objectForInfoDictionaryKey(QLatin1String(key)).toString();
    return value.isEmpty() ? fallback : value;
}

} // namespace

MakerAddresses makerAddresses()
{
    const MakerAddresses defaults;
    return {infoString("MakerWebsiteHost", defaults.websiteHost), infoString("MakerForumHost", defaults.forumHost),
            infoString("MakerFeedbackAddress", defaults.feedbackAddress)};
}

QString systemVersionFromRelease(const QString& release)
{
    static const QRegularExpression numbers(QStringLiteral("^(\\d+)(?:\\.(\\d+))?(?:\\.(\\d+))?"));
    const QRegularExpressionMatch match = numbers.match(release);
    if (!match.hasMatch())
        return QStringLiteral("0.0.0");
    const auto part = [&](int i) { return match.captured(i).isEmpty() ? QStringLiteral("0") : match.captured(i); };
    return part(1) + u'.' + part(2) + u'.' + part(3);
}

QString systemVersion()
{
    return systemVersionFromRelease(QSysInfo::kernelVersion());
}

QString buildProcessorName()
{
    const QString arch = QSysInfo::buildCpuArchitecture();
    if (arch == QLatin1String("x86_64"))
        return QStringLiteral("x86-64");
    if (arch == QLatin1String("arm64"))
        return QStringLiteral("ARM");
    return arch;
}

LaunchURLOpener setLaunchURLOpener(LaunchURLOpener opener)
{
    OpenerState& s = openerState();
    std::lock_guard lock(s.mutex);
    std::swap(s.opener, opener);
    return opener;
}

bool launchStringURL(const QString& url)
{
    if (url.isNull())
        return false;
    // Read as encoded, so escaped delimiters in a query stay escaped.
    const QUrl parsed = QUrl::fromEncoded(url.toUtf8(), QUrl::StrictMode);
    if (!parsed.isValid() || parsed.scheme().isEmpty())
        return false;
    LaunchURLOpener opener;
    {
        OpenerState& s = openerState();
        std::lock_guard lock(s.mutex);
        opener = s.opener;
    }
    return opener ? opener(parsed) : QDesktopServices::openUrl(parsed);
}

QString feedbackSubject(const QString& subject)
{
    QString result = subject;
    const QString version = Bundle::mainBundle().getShortVersionString();
    if (!version.isEmpty())
        result += u' ' + version;
    const QString system = systemVersion();
    if (!system.isNull())
        result += QStringLiteral(", Linux %1 (%2)").arg(system, buildProcessorName());
    return result;
}

bool launchFeedbackURL(const QString& urlTemplate, const QString& subject)
{
    const QString escaped = stringByAddingPercentEscapesToURLParameter(feedbackSubject(subject));
    return launchHelpURL(stringWithFormat(urlTemplate, {escaped, QStringLiteral(""), QStringLiteral("")}));
}

bool openWebsite()
{
    return launchHelpURL(QStringLiteral("https://%1/").arg(makerAddresses().websiteHost));
}

bool openSupport()
{
    return launchHelpURL(QStringLiteral("https://%1/support/").arg(makerAddresses().websiteHost));
}

bool openForum()
{
    return launchHelpURL(QStringLiteral("https://%1/").arg(makerAddresses().forumHost));
}

bool openDownloads()
{
    return launchHelpURL(QStringLiteral("https://%1/download/").arg(makerAddresses().websiteHost));
}

bool sendFeedback()
{
    const Bundle& bundle = Bundle::mainBundle();
    QString name = bundle.localizedBundleName();
    if (name.isEmpty())
        name = bundle.bundleName();
    return launchFeedbackURL(QStringLiteral("mailto:%1?subject=%@").arg(makerAddresses().feedbackAddress), name);
}

void openReleaseNotes()
{
    openHelpAnchor(QStringLiteral("_whatsnew"),
                   Bundle::mainBundle().objectForInfoDictionaryKey(QStringLiteral("CFBundleHelpBookName")).toString());
}

bool bugreport(QObject* sender)
{
    auto* application = qobject_cast<VelmorApplication*>(QCoreApplication::instance());
    QObject* delegate = application ? application->delegate() : nullptr;
    if (delegate && respondsToSelector(delegate, QByteArrayLiteral("bugreport:")))
        return performSelector(delegate, QByteArrayLiteral("bugreport:"), sender);
    QApplication::beep();
    return false;
}

// --- the application's slots ---------------------------------------------------------------

void VelmorApplication::website(QObject*) { openWebsite(); }
void VelmorApplication::support(QObject*) { openSupport(); }
void VelmorApplication::forum(QObject*) { openForum(); }
void VelmorApplication::downloads(QObject*) { openDownloads(); }
void VelmorApplication::feedback(QObject*) { sendFeedback(); }
void VelmorApplication::releaseNotes(QObject*) { openReleaseNotes(); }
void VelmorApplication::bugreport(QObject* sender) { sorvant::bugreport(sender); }

} // namespace sorvant
