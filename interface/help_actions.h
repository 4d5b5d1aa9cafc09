#pragma once
// The Help menu's actions: the system's version, opening web addresses in
// the desktop's browser, the maker's web site, support page, forum and
// downloads page, a feedback mail whose subject names the application, its
// version and the system, the release notes in the help book, and the bug
// report passed on to the application's delegate.
//
// The slots of VelmorApplication ("website:", "support:", "forum:",
// "downloads:", "feedback:", "releaseNotes:", "bugreport:") call these.
//
// Not here: finding help pages (window_extensions.h).

#include <QString>
#include <QUrl>

#include <functional>

class QObject;

namespace sorvant {

// The maker's addresses. Info.plist may override each ("MakerWebsiteHost",
// "MakerForumHost", "MakerFeedbackAddress").
struct MakerAddresses
{
    QString websiteHost = QStringLiteral("www.tarrenbeck.org");
    QString forumHost = QStringLiteral("forum.tarrenbeck.org");
    QString feedbackAddress = QStringLiteral("support@tarrenbeck.org");
};
[[nodiscard]] MakerAddresses makerAddresses();

// "major.minor.patch" of the running kernel; "0.0.0" when it has none.
//   kernel "6.1.0-18-amd64" => "6.1.0"   "5.15" => "5.15.0"
[[nodiscard]] QString systemVersion();
// The same from a kernel release text.
[[nodiscard]] QString systemVersionFromRelease(const QString& release);
// The processor family the program was built for: "x86-64", "ARM", or Qt's
// name of the architecture.
[[nodiscard]] QString buildProcessorName();

// Opens `url` in the desktop's browser (or mail program); NO for null or
// unparsable text or when nothing opened it.
bool launchStringURL(const QString& url);
inline bool launchHelpURL(const QString& url) { return launchStringURL(url); }
// Replaces the opener (tests); an empty function restores the desktop's.
// Answers the previous one.
using LaunchURLOpener = std::function<bool(const QUrl&)>;
LaunchURLOpener setLaunchURLOpener(LaunchURLOpener opener);

// The feedback subject: `subject`, " <short version>" when the bundle has
// one, ", Linux <systemVersion> (<processor>)".
[[nodiscard]] QString feedbackSubject(const QString& subject);
// Fills the "%@" of `urlTemplate` with the escaped feedback subject (and any
// two further "%@" with nothing) and opens it.
bool launchFeedbackURL(const QString& urlTemplate, const QString& subject);

bool openWebsite();   // https://<web host>/
bool openSupport();   // https://<web host>/support/
bool openForum();     // https://<forum host>/
bool openDownloads(); // https://<web host>/download/
// A mail to the feedback address, subject the localized bundle name.
bool sendFeedback();
// The anchor "_whatsnew" of the help book "CFBundleHelpBookName".
void openReleaseNotes();
// Sends "bugreport:" to the application's delegate when it answers it;
// beeps and answers NO otherwise.
bool bugreport(QObject* sender);

} // namespace sorvant
