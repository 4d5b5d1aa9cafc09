// sorvant: the search application. Arguments:
//   sorvant [FOLDER]                  a window searching in FOLDER (no search starts)
//   sorvant --search-in PATH          the same; a file gives its folder
//   sorvant --search-for TEXT         a window with TEXT as its phrase
//   sorvant --check-resources         lists the resources it reads (no display
//                                     needed); status 1 when one is missing
// A second launch in the same session hands these to the first and ends.
// Quit asks first while a move to the Trash or a deletion the user started
// runs, and quits when it is done. SIGTERM and SIGINT quit as the Quit
// command does without asking: such work stops after the item at hand, and
// what it left is logged.
// Without a display it says how to run it and ends with status 2.

#include "app/application_delegate.h"
#include "app/application_service.h"
#include "app/launch_arguments.h"
#include "app/resource_check.h"
#include "app/termination_signals.h"
#include "app/user_file_work.h"
#include "interface/alerts.h"
#include "interface/application.h"
#include "interface/badge.h"
#include "interface/images.h"
#include "interface/localization.h"
#include "interface/strings_file.h"
#include "platform/background_work.h"
#include "platform/file_system_representation.h"
#include "search/fast_word_enumerator.h"
#include "search/result.h"
#include "search/wildcard_patterns.h"
#include "system/bundle.h"

#include <QCommandLineParser>
#include <QDeadlineTimer>
#include <QIcon>
#include <QThreadPool>

#include <algorithm>
#include <cstdlib>
#include <cstdio>
#include <cstring>

using namespace sorvant;

namespace {

bool hasDisplay()
{
    return !qEnvironmentVariableIsEmpty("DISPLAY") || !qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY")
           || !qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM");
}

} // namespace

int main(int argc, char** argv)
{
    if (argc == 2 && std::strcmp(argv[1], "--check-resources") == 0) {
        QCoreApplication core(argc, argv);
        installStringsTables();
        useBundledHelpBook();
        const QList<ResourceCheckLine> lines = checkResources(Bundle::mainBundle());
        std::fputs(qPrintable(resourceCheckReport(lines)), stdout);
        return std::any_of(lines.cbegin(), lines.cend(), [](const ResourceCheckLine& line) { return line.path.isNull(); })
                   ? 1
                   : 0;
    }
    if (!hasDisplay()) {
        std::fputs("sorvant: no display. Run it in a desktop session, or without one as\n"
                   "  xvfb-run build/release/app/sorvant\n"
                   "A search without a window: build/release/tools/sorvant-search PHRASE FOLDER\n",
                   stderr);
        return 2;
    }
    VelmorApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Sorvant"));
    QApplication::setDesktopFileName(QString::fromLatin1(kApplicationBusName));
    QApplication::setQuitOnLastWindowClosed(false);
    QApplication::setWindowIcon(QIcon::fromTheme(QString::fromLatin1(kApplicationBusName),
                                                 QIcon(QStringLiteral(":/app/org.tarrenbeck.Sorvant.svg"))));

    // Decoded as file names, so that a folder named in bytes that are not
    // UTF-8 is searched, not a mangled copy of its name.
    QCommandLineParser parser;
    const LaunchRequest request = launchRequestFromArguments(parser, decodedArguments(argc, argv));

    // The readers the windows hand off (the results' kinds, tags, comments
    // and information texts, previews, folder scans, launches) run on these
    // pools, which quitting waits for only so long (below). Made before the
    // windows, they are drained after them. The user's own file work (Trash,
    // Delete) runs apart, on UserFileWork's threads, and is never cut.
    BackgroundPool backgroundPool;
    ResultInfoPool infoPool;
    ApplicationDelegate delegate;
    ApplicationService service(delegate);
    if (!service.registerOnSessionBus() && ApplicationService::forwardToRunningInstance(request))
        return 0;

    // The interface in the user's language: strings tables of the resources.
    installStringsTables();
    // Qt's own texts (its dialogs, the key names in menus) in the same
    // language; our tables, installed after, are asked first.
    installToolkitTranslations(&app);
    app.installTranslator(new StringsTableTranslator(&app));
    // The help book of that language, and the system services' alerts
    // (the update check's answer) shown as the toolkit's alerts.
    useBundledHelpBook();
    installAlertPresenter();
    // Files and folders in the icons of the desktop's theme.
    followDesktopIconTheme();
    initSeparatorsAndTables();
    FastWordEnumerator::setSplitAsianWords(true);
    setBadgeDisplay(&launcherEntryBadgeDisplay(QString::fromLatin1(kApplicationBusName) + QStringLiteral(".desktop")));
    app.setDelegate(&delegate);
    QObject::connect(&delegate, &ApplicationDelegate::shouldTerminate, &app, &QApplication::quit);
    // SIGTERM and SIGINT quit the way the Quit command does, so every window
    // stops its search and saves its settings; the user's file work stops
    // after the item at hand, even while the interface thread is busy. The
    // quit closes the windows (a quit question up too) and none asks again.
    (void)installTerminationHandlers(UserFileWork::shared(), &delegate,
                                     [&delegate] { delegate.terminateWithoutAsking(); });

    delegate.applicationWillFinishLaunching();
    if (!request.folder.isNull() || !request.phrase.isNull())
        delegate.search(request.phrase, request.folder);
    delegate.applicationDidFinishLaunching();

    const int status = app.exec();
    delegate.applicationWillTerminate();
    // The settings are saved. The user's file work is waited for (after a
    // signal, only its item at hand). A reader still in a file (a PDF read
    // to its end, a file system that does not answer) would hold every
    // destructor after it, and Qt's teardown waits for its global pool
    // without limit: the process leaves without them.
    const bool drained = finishWorkAtQuit(UserFileWork::shared(), [&](QDeadlineTimer deadline) {
        return backgroundPool.drain(deadline) && infoPool.drain(deadline)
               && QThreadPool::globalInstance()->waitForDone(int(std::max<qint64>(deadline.remainingTime(), 0)));
    });
    if (!drained) {
        std::fflush(nullptr);
        std::_Exit(status);
    }
    return status;
}
