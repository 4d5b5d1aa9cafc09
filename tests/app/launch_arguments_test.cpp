#include "app/launch_arguments.h"

#include "platform/file_system_representation.h"

#include <QCommandLineParser>
#include <QDir>

#include <gtest/gtest.h>

namespace sorvant {
namespace {

// Regression: the window decoded its command line by the locale, so a
// folder named in bytes that are not UTF-8 was searched under a mangled
// name (finding nothing) and saved so as the destination.
TEST(LaunchArguments, FolderNotInUTF8KeepsItsBytes)
{
    const QByteArray folder = "/tmp/caf\xE9 \xFF";
    for (const QList<QByteArray>& line : {QList<QByteArray>{"sorvant", folder},
                                          QList<QByteArray>{"sorvant", "--search-in", folder, "--search-for", "na\xEFve"}}) {
        SCOPED_TRACE(line.join(' ').toStdString());
        QList<QByteArray> copies = line;
        QList<char*> argv;
        for (QByteArray& argument : copies)
            argv.append(argument.data());
        QCommandLineParser parser;
        const LaunchRequest request = launchRequestFromArguments(parser, decodedArguments(int(argv.size()), argv.data()));
        EXPECT_EQ(fileSystemRepresentation(request.folder), folder);
        if (line.size() > 2) {
            EXPECT_EQ(fileSystemRepresentation(request.phrase), QByteArray("na\xEFve"));
        } else {
            EXPECT_TRUE(request.phrase.isNull());
        }
    }
    QCommandLineParser parser;
    const LaunchRequest relative = launchRequestFromArguments(parser, {QStringLiteral("sorvant"), QStringLiteral("a/../b")});
    EXPECT_EQ(relative.folder, QDir::current().absoluteFilePath(QStringLiteral("b")));
}

// Regression: the folder argument was read as a list of names, one a line,
// so a folder whose name ends in a newline lost it and named another.
TEST(LaunchArguments, FolderKeepsATrailingNewlineOrSpace)
{
    const struct
    {
        QString given;
        QString folder;
    } cases[] = {
        {QStringLiteral("/tmp/x/fwdnl\n"), QStringLiteral("/tmp/x/fwdnl\n")},
        {QStringLiteral("/tmp/x/two\n\n"), QStringLiteral("/tmp/x/two\n\n")},
        {QStringLiteral("/tmp/x/space "), QStringLiteral("/tmp/x/space ")},
        {QStringLiteral("/tmp/x/a\nb"), QStringLiteral("/tmp/x/a\nb")},
        {QStringLiteral("file:///tmp/x/fwdnl%0A"), QStringLiteral("/tmp/x/fwdnl\n")},
        {QStringLiteral("file:///tmp/x/caf%E9"), QString::fromUtf16(u"/tmp/x/caf\xDCE9")},
    };
    for (const auto& c : cases) {
        for (const bool option : {false, true}) {
            SCOPED_TRACE(c.given.toStdString());
            QStringList arguments{QStringLiteral("sorvant")};
            if (option)
                arguments.append(QStringLiteral("--search-in"));
            arguments.append(c.given);
            QCommandLineParser parser;
            EXPECT_EQ(launchRequestFromArguments(parser, arguments).folder, c.folder);
        }
    }
}

} // namespace
} // namespace sorvant
