// sorvant: the search application. Arguments:
//   sorvant [FOLDER]                  a window searching in FOLDER (no search starts)
//   sorvant --search-in PATH          the same; a file gives its folder
//   sorvant --search-for TEXT         a window with TEXT as its phrase
// Without a display it says how to run it and ends with status 2.

#include "app/application_delegate.h"
#include "interface/application.h"
#include "interface/badge.h"
#include "platform/file_system_representation.h"
#include "search/fast_word_enumerator.h"
#include "search/wildcard_patterns.h"

#include <QCommandLineParser>
#include <QDir>

#include <cstdio>

using namespace sorvant;

namespace {

bool hasDisplay()
{
    return !qEnvironmentVariableIsEmpty("DISPLAY") || !qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY")
           || !qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM");
}

QString absolutePath(const QString& path)
{
    return path.isEmpty() ? path : QDir::cleanPath(QDir::current().absoluteFilePath(path));
}

} // namespace

int main(int argc, char** argv)
{
    if (!hasDisplay()) {
        std::fputs("sorvant: no display. Run it in a desktop session, or without one as\n"
                   "  xvfb-run build/release/app/sorvant\n"
                   "A search without a window: build/release/tools/sorvant-search PHRASE FOLDER\n",
                   stderr);
        return 2;
    }
    VelmorApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Sorvant"));
    QApplication::setDesktopFileName(QStringLiteral("sorvant"));
    QApplication::setQuitOnLastWindowClosed(false);

    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("Finds files and folders by name, contents, tags and comments."));
    parser.addHelpOption();
    parser.addPositionalArgument(QStringLiteral("FOLDER"), QStringLiteral("The folder to search in."),
                                 QStringLiteral("[FOLDER]"));
    const QCommandLineOption searchIn(QStringLiteral("search-in"), QStringLiteral("Search in this folder."),
                                      QStringLiteral("PATH"));
    const QCommandLineOption searchFor(QStringLiteral("search-for"), QStringLiteral("Search for this text."),
                                       QStringLiteral("TEXT"));
    parser.addOption(searchIn);
    parser.addOption(searchFor);
    parser.process(app);

    initSeparatorsAndTables();
    FastWordEnumerator::setSplitAsianWords(true);
    setBadgeDisplay(&launcherEntryBadgeDisplay());

    ApplicationDelegate delegate;
    app.setDelegate(&delegate);
    QObject::connect(&delegate, &ApplicationDelegate::shouldTerminate, &app, &QApplication::quit);

    QString folder = parser.isSet(searchIn) ? parser.value(searchIn) : QString();
    if (folder.isNull() && !parser.positionalArguments().isEmpty())
        folder = parser.positionalArguments().constFirst();
    const QString phrase = parser.isSet(searchFor) ? parser.value(searchFor) : QString();
    if (!folder.isNull() || !phrase.isNull())
        delegate.search(phrase, folder.isNull() ? folder : absolutePath(folder));
    delegate.applicationDidFinishLaunching();

    const int status = app.exec();
    delegate.applicationWillTerminate();
    return status;
}
