#include "app/launch_arguments.h"

#include "platform/file_system_representation.h"

#include <QCommandLineParser>
#include <QDir>
#include <QUrl>

namespace sorvant {

namespace {

QString absolutePath(const QString& path)
{
    return path.isEmpty() ? path : QDir::cleanPath(QDir::current().absoluteFilePath(path));
}

// A folder argument is a path, every byte of it a trailing newline or space
// included; a file URL (what a desktop entry may hand over) gives its path.
QString pathOfArgument(const QString& argument)
{
    if (argument.startsWith(u"file:", Qt::CaseInsensitive)) {
        const QString path = pathOfFileURL(QUrl(argument, QUrl::StrictMode));
        if (!path.isNull())
            return path;
    }
    return argument;
}

} // namespace

QStringList decodedArguments(int argc, char** argv)
{
    QStringList arguments;
    for (int i = 0; i < argc; ++i)
        arguments.append(stringWithFileSystemRepresentation(QByteArray(argv[i])));
    return arguments;
}

LaunchRequest launchRequestFromArguments(QCommandLineParser& parser, const QStringList& arguments)
{
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
    parser.process(arguments);

    LaunchRequest request;
    request.folder = parser.isSet(searchIn) ? parser.value(searchIn) : QString();
    if (request.folder.isNull() && !parser.positionalArguments().isEmpty())
        request.folder = parser.positionalArguments().constFirst();
    if (!request.folder.isNull())
        request.folder = absolutePath(pathOfArgument(request.folder));
    request.phrase = parser.isSet(searchFor) ? parser.value(searchFor) : QString();
    return request;
}

} // namespace sorvant
