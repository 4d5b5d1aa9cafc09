#include "system/archives.h"

#include "foundation/dates.h"
#include "platform/file_error.h"
#include "platform/file_system_representation.h"
#include "platform/log.h"
#include "platform/path_semantics.h"
#include "platform/regular_files.h"
#include "platform/task.h"
#include "system/file_operations.h"
#include "system/file_tests.h"
#include "system/folder_listings.h"

#include <QDir>
#include <QRegularExpression>

#include <algorithm>
#include <exception>
#include <typeinfo>

#include <cerrno>
#include <cstring>
#include <sys/stat.h>
#include <unistd.h>

namespace sorvant {

namespace {

const QString kZip = QStringLiteral("/usr/bin/zip");
const QString kUnzip = QStringLiteral("/usr/bin/unzip");

// zip's options before the archive: recursive, quiet, links stored as
// links, and no wildcards ("-nw"): a name holding "*" is that one item.
// The names follow "--", so a name that begins with "-" is never an option.
QStringList zipArguments(const QString& archive, const QStringList& names)
{
    return QStringList {QStringLiteral("-r"), QStringLiteral("-q"), QStringLiteral("-y"), QStringLiteral("-nw"),
                        archive, QStringLiteral("--")}
        + names;
}

bool missing(const QString& path)
{
    return path.isEmpty();
}

// Anything at the path, a dangling link too; the path's bytes are asked
// for (QFileInfo would look for another name where a byte is not UTF-8).
bool exists(const QString& path)
{
    struct stat info {};
    return ::lstat(fileSystemRepresentation(path).constData(), &info) == 0;
}

// Runs one tool; a failure is reported, and an archive that did not exist
// before the run is removed so that no partial archive is left behind.
bool runArchiveTool(const QString& tool, const QStringList& arguments, const QString& directory,
                    const QString& createdArchive = {})
{
    const bool archiveExisted = !createdArchive.isEmpty() && exists(createdArchive);
    Task task(tool, arguments);
    task.setCurrentDirectoryPath(directory);
    if (task.launchAndSleepUntilExit())
        return true;
    logError(QStringLiteral("%1 %2 failed with status %3: %4")
                 .arg(tool, arguments.join(QLatin1Char(' ')))
                 .arg(task.terminationStatus())
                 .arg(QString::fromLocal8Bit(task.standardError()).trimmed()));
    if (!createdArchive.isEmpty() && !archiveExisted && exists(createdArchive))
        removePath(createdArchive);
    return false;
}

int compareDates(const QDateTime& first, const QDateTime& second)
{
    if (second == first || (!first.isValid() && !second.isValid()))
        return 0;
    if (!first.isValid())
        return 1;
    if (!second.isValid())
        return -1;
    return second < first ? -1 : 1;
}

// The tools run in another folder, so relative archive paths are made
// absolute against ours first.
QString absolute(const QString& path)
{
    return isAbsolutePath(path) ? path : QDir::current().absoluteFilePath(path);
}

// Runs unzip on the archive at `archivePath` with `options` before it and
// `-d destination` after. unzip never gets the name: the archive is opened
// here, only when it is a regular file (on a FIFO unzip would wait for a
// writer for ever), and unzip reads that descriptor through its /proc link,
// so what it reads is the file checked, not whatever was put in the name's
// place since. Our descriptor stays open until unzip has ended.
bool extractArchive(const QString& archivePath, const QString& destination, const QStringList& options)
{
    const QString archive = absolute(archivePath);
    bool notRegular = false;
    const UniqueFd fd = openRegularFile(fileSystemRepresentation(archive).constData(), &notRegular);
    if (!fd.isValid()) {
        logError(QStringLiteral("Cannot extract %1: %2")
                     .arg(archive, notRegular ? QStringLiteral("not a regular file")
                                              : errorMessage(errno)));
        return false;
    }
    const QString link = QStringLiteral("/proc/%1/fd/%2").arg(::getpid()).arg(fd.get());
    return runArchiveTool(kUnzip, options + QStringList {link, QStringLiteral("-d"), absolute(destination)}, {});
}

} // namespace

bool compressFileAtPath(const QString& path, const QString& archivePath, bool keepParent)
{
    if (missing(path) || missing(archivePath) || !exists(path))
        return false;
    const QString item = stringByStandardizingPath(absolute(path));
    const QString archive = absolute(archivePath);
    // Without keepParent a folder's contents are the archive's root.
    if (!keepParent && isDirectoryAtPath(item))
        return runArchiveTool(kZip, zipArguments(archive, {QStringLiteral(".")}), item, archive);
    return runArchiveTool(kZip, zipArguments(archive, {lastPathComponent(item)}),
                          stringByDeletingLastPathComponent(item), archive);
}

bool compressFileAtPath(const QString& path, const QString& archivePath)
{
    return compressFileAtPath(path, archivePath, false);
}

bool decompressFileAtPath(const QString& archivePath, const QString& destination, const QString& compression)
{
    if (missing(archivePath) || missing(destination) || !exists(archivePath))
        return false;
    if (!compression.isNull() && compression != QLatin1String("-k")) {
        logError(QStringLiteral("Unsupported archive option %1 for %2").arg(compression, archivePath));
        return false;
    }
    return extractArchive(archivePath, destination, {QStringLiteral("-q"), QStringLiteral("-o")});
}

bool decompressFileAtPath(const QString& archivePath, const QString& destination)
{
    return decompressFileAtPath(archivePath, destination, QString());
}

bool unzipFileAtPath(const QString& archivePath, const QString& destination)
{
    if (missing(archivePath) || missing(destination) || !exists(archivePath))
        return false;
    return extractArchive(archivePath, destination, {QStringLiteral("-q")});
}

bool compressFiles(const QStringList& names, const QString& folder, const QString& archivePath, bool append)
{
    if (names.isEmpty() || missing(archivePath) || missing(folder) || !isDirectoryAtPath(folder))
        return false;
    try {
        const QString archive = absolute(archivePath);
        if (!append && !removePath(archive))
            return false;
        return runArchiveTool(kZip, zipArguments(archive, names), folder, archive);
    } catch (const std::exception& error) {
        logMessage(QStringLiteral("compressFiles:inDirectory:toPath:append: (NSFileManager): %1:\n%2")
                       .arg(QString::fromLatin1(typeid(error).name()), QString::fromUtf8(error.what())));
        return false;
    }
}

bool compressFiles(const QStringList& names, const QString& folder, const QString& archivePath)
{
    return compressFiles(names, folder, archivePath, false);
}

bool isRotatedArchiveName(const QString& name, const QString& prefix)
{
    if (prefix.isEmpty() || !name.startsWith(prefix))
        return false;
    // " YYYY-MM-DD HH-MM-SS", then nothing or the archive's extension.
    static const QRegularExpression stamp(
        QStringLiteral("\\A \\d{4}-\\d{2}-\\d{2} \\d{2}-\\d{2}-\\d{2}(\\.[A-Za-z0-9]+)*\\z"));
    return stamp.match(QStringView(name).mid(prefix.size())).hasMatch();
}

int compareModificationDates(const QString& first, const QString& second)
{
    return compareDates(fileModificationDateAtPath(first), fileModificationDateAtPath(second));
}

QString archiveDirectoryContentsAtPath(const QString& folder, const QString& prefix, int maxNumberOfArchives)
{
    if (prefix.isEmpty())
        return {};
    const QString name = prefix + descriptionWithCalendarFormat(QStringLiteral(" %Y-%m-%d %H-%M-%S"));
    struct Archive
    {
        QString path;
        QDateTime modified;
    };
    std::vector<Archive> archives;
    for (const QString& path : pathsAtPathMatchingName(folder, [&](const QString& item) {
             return isRotatedArchiveName(item, prefix);
         }))
        archives.push_back({path, fileModificationDateAtPath(path)});
    std::stable_sort(archives.begin(), archives.end(),
                     [](const Archive& a, const Archive& b) { return compareDates(a.modified, b.modified) < 0; });
    const std::size_t keep = static_cast<std::size_t>(std::max(0, maxNumberOfArchives));
    while (archives.size() > keep) {
        removePath(archives.back().path);
        archives.pop_back();
    }
    return name;
}

} // namespace sorvant
