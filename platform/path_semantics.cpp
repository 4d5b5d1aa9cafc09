#include "platform/path_semantics.h"

#include "platform/file_system_representation.h"
#include "platform/scan_work.h"

#include <QByteArray>

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace sorvant {

namespace {

constexpr QChar kSlash = QLatin1Char('/');
constexpr QChar kDot = QLatin1Char('.');
constexpr QChar kTilde = QLatin1Char('~');
// The kernel's own limit on links followed in one lookup (MAXSYMLINKS).
constexpr int kMaxSymlinks = 40;

// The end of the path without its trailing run of "/" (a path of slashes
// only keeps its first).
qsizetype endWithoutTrailingSlashes(const QString& path)
{
    qsizetype end = path.size();
    while (end > 1 && path.at(end - 1) == kSlash)
        --end;
    return end;
}

// The start of the last component of path[0, end).
qsizetype startOfLastComponent(const QString& path, qsizetype end)
{
    const qsizetype slash = end > 0 ? path.lastIndexOf(kSlash, end - 1) : -1;
    return slash + 1;
}

// Collapses runs of "/" and drops a trailing "/" (the root stays "/").
QString fixSlashes(const QString& path)
{
    if (!path.contains(QLatin1String("//")) && !(path.size() > 1 && path.endsWith(kSlash)))
        return path;
    QString out;
    out.reserve(path.size());
    for (QChar c : path) {
        if (c == kSlash && out.endsWith(kSlash))
            continue;
        out.append(c);
    }
    if (out.size() > 1 && out.endsWith(kSlash))
        out.chop(1);
    return out;
}

// The position of the "." that starts the extension of path[0, end), or -1.
qsizetype extensionDot(const QString& path, qsizetype end)
{
    const qsizetype start = startOfLastComponent(path, end);
    const qsizetype dot = end > start ? path.lastIndexOf(kDot, end - 1) : -1;
    return dot > start ? dot : -1;
}

QString homeFromPasswordDatabase()
{
    const passwd* entry = ::getpwuid(::getuid());
    if (!entry || !entry->pw_dir || !*entry->pw_dir)
        return {};
    return stringWithFileSystemRepresentation(QByteArray(entry->pw_dir));
}

// Components of a path as the standardizing and the link walk use them:
// empty and "." components dropped, the root not included.
QStringList plainComponents(const QString& path)
{
    QStringList out;
    for (const QString& component : path.split(kSlash, Qt::SkipEmptyParts)) {
        if (component != QLatin1String("."))
            out.append(component);
    }
    return out;
}

QString joinAbsolute(const QStringList& components)
{
    return components.isEmpty() ? QString(kSlash) : kSlash + components.join(kSlash);
}

} // namespace

QStringList pathComponents(const QString& path)
{
    QStringList out;
    if (path.isEmpty())
        return out;
    if (path.startsWith(kSlash))
        out.append(QString(kSlash));
    const QStringList parts = path.split(kSlash, Qt::SkipEmptyParts);
    out.append(parts);
    if (path.size() > 1 && path.endsWith(kSlash) && !parts.isEmpty())
        out.append(QString(kSlash));
    return out;
}

QString pathWithComponents(const QStringList& components)
{
    QString out;
    for (const QString& component : components) {
        if (!out.isEmpty() && !out.endsWith(kSlash))
            out.append(kSlash);
        out.append(component);
    }
    return fixSlashes(out.isNull() ? QString(QLatin1String("")) : out);
}

QString lastPathComponent(const QString& path)
{
    if (path.isEmpty())
        return path;
    const qsizetype end = endWithoutTrailingSlashes(path);
    if (end == 1 && path.at(0) == kSlash)
        return QString(kSlash);
    const qsizetype start = startOfLastComponent(path, end);
    if (start == 0 && end == path.size())
        return path;
    return path.mid(start, end - start);
}

QString stringByDeletingLastPathComponent(const QString& path)
{
    if (path.isEmpty())
        return path;
    const qsizetype end = endWithoutTrailingSlashes(path);
    const qsizetype start = startOfLastComponent(path, end);
    if (start == 0)
        return QString(QLatin1String(""));
    // Drop the separator run before the last component; keep the root.
    qsizetype separator = start - 1;
    while (separator > 0 && path.at(separator - 1) == kSlash)
        --separator;
    if (separator == 0)
        return QString(kSlash);
    return fixSlashes(path.left(separator));
}

QString stringByAppendingPathComponent(const QString& path, const QString& component)
{
    if (path.isNull())
        return {};
    if (path.isEmpty())
        return fixSlashes(component.isNull() ? path : component);
    if (component.isEmpty())
        return fixSlashes(path);
    return fixSlashes(path + kSlash + component);
}

QString stringByAppendingPathComponents(const QString& path, const QStringList& components)
{
    if (path.isNull() || components.isEmpty())
        return path;
    // Slashes collapse the same whether they are collapsed after each
    // component or once at the end; empty components add nothing.
    qsizetype size = path.size();
    for (const QString& component : components)
        size += component.size() + 1;
    countScanWork(size);
    QString joined;
    joined.reserve(size);
    joined.append(path);
    for (const QString& component : components) {
        if (component.isEmpty())
            continue;
        if (!joined.isEmpty())
            joined.append(kSlash);
        joined.append(component);
    }
    return fixSlashes(joined);
}

bool isAbsolutePath(const QString& path)
{
    return !path.isEmpty() && (path.at(0) == kSlash || path.at(0) == kTilde);
}

QString pathExtension(const QString& path)
{
    if (path.isEmpty())
        return path;
    const qsizetype end = endWithoutTrailingSlashes(path);
    const qsizetype dot = extensionDot(path, end);
    return dot < 0 ? QString(QLatin1String("")) : path.mid(dot + 1, end - dot - 1);
}

QString stringByDeletingPathExtension(const QString& path)
{
    if (path.isEmpty())
        return path;
    const qsizetype end = endWithoutTrailingSlashes(path);
    const qsizetype dot = extensionDot(path, end);
    return path.left(dot < 0 ? end : dot);
}

QString stringByAppendingPathExtension(const QString& path, const QString& extension)
{
    if (path.isNull() || extension.contains(kSlash))
        return {};
    const QString base = fixSlashes(path);
    const QString last = lastPathComponent(base);
    if (last.isEmpty() || last == QString(kSlash) || last == QString(kTilde))
        return {};
    return base + kDot + extension;
}

QString NSHomeDirectory()
{
    const QByteArray home = qgetenv("HOME");
    if (!home.isEmpty())
        return fixSlashes(stringWithFileSystemRepresentation(home));
    const QString fromDatabase = homeFromPasswordDatabase();
    return fromDatabase.isEmpty() ? QString(kSlash) : fixSlashes(fromDatabase);
}

QString homeDirectoryForUser(const QString& user)
{
    const QByteArray name = fileSystemRepresentation(user);
    if (name.isEmpty())
        return {};
    const passwd* entry = ::getpwnam(name.constData());
    if (!entry || !entry->pw_dir)
        return {};
    return fixSlashes(stringWithFileSystemRepresentation(QByteArray(entry->pw_dir)));
}

QString NSTemporaryDirectory()
{
    QString folder = stringWithFileSystemRepresentation(qgetenv("TMPDIR"));
    if (folder.isEmpty())
        folder = QStringLiteral("/tmp");
    folder = fixSlashes(folder);
    return folder.endsWith(kSlash) ? folder : folder + kSlash;
}

QString stringByExpandingTildeInPath(const QString& path)
{
    if (path.isEmpty() || path.at(0) != kTilde)
        return path;
    qsizetype slash = path.indexOf(kSlash);
    if (slash < 0)
        slash = path.size();
    const QString home = slash == 1 ? NSHomeDirectory() : homeDirectoryForUser(path.mid(1, slash - 1));
    if (home.isEmpty())
        return path;
    return stringByAppendingPathComponent(home, path.mid(slash));
}

QString stringByAbbreviatingWithTildeInPath(const QString& path)
{
    if (path.isEmpty())
        return path;
    const QString home = NSHomeDirectory();
    if (home.size() <= 1 || !path.startsWith(home))
        return path;
    if (path.size() == home.size())
        return QString(kTilde);
    if (path.at(home.size()) != kSlash)
        return path;
    return fixSlashes(kTilde + path.mid(home.size()));
}

QString stringByStandardizingPath(const QString& path)
{
    if (path.isEmpty())
        return path;
    const QString expanded = stringByExpandingTildeInPath(path);
    const bool absolute = expanded.startsWith(kSlash);
    QStringList kept;
    for (const QString& component : plainComponents(expanded)) {
        if (absolute && component == QLatin1String("..")) {
            if (!kept.isEmpty())
                kept.removeLast();
        } else {
            kept.append(component);
        }
    }
    if (absolute)
        return joinAbsolute(kept);
    return kept.isEmpty() ? QString(kDot) : kept.join(kSlash);
}

QString stringByResolvingSymlinksInPath(const QString& path)
{
    if (path.isEmpty())
        return path;
    const QString standardized = stringByStandardizingPath(path);
    const QString expanded = stringByExpandingTildeInPath(path);
    if (!expanded.startsWith(kSlash))
        return standardized;

    // The components still to walk, last first, so a link's target can be
    // pushed in front of what remains. ".." is taken physically: after a
    // link it leaves the link's target, not the folder holding the link.
    const QStringList pending = plainComponents(expanded);
    std::vector<QString> todo(pending.crbegin(), pending.crend());
    QStringList resolved;
    int links = 0;
    bool missing = false;
    while (!todo.empty()) {
        const QString component = todo.back();
        todo.pop_back();
        if (component == QLatin1String("..")) {
            if (!resolved.isEmpty())
                resolved.removeLast();
            continue;
        }
        resolved.append(component);
        if (missing)
            continue;
        const QByteArray bytes = fileSystemRepresentation(joinAbsolute(resolved));
        struct stat status {};
        if (bytes.isNull() || ::lstat(bytes.constData(), &status) != 0) {
            missing = true;   // the tail that does not exist stays as written
            continue;
        }
        if (!S_ISLNK(status.st_mode))
            continue;
        if (++links > kMaxSymlinks)
            return standardized;
        QByteArray target(PATH_MAX, Qt::Uninitialized);
        const ssize_t length = ::readlink(bytes.constData(), target.data(), target.size());
        if (length <= 0) {
            missing = true;
            continue;
        }
        target.truncate(length);
        const QString targetPath = stringWithFileSystemRepresentation(target);
        resolved.removeLast();
        if (targetPath.startsWith(kSlash))
            resolved.clear();
        const QStringList parts = plainComponents(targetPath);
        for (auto it = parts.crbegin(); it != parts.crend(); ++it)
            todo.push_back(*it);
    }
    return joinAbsolute(resolved);
}

} // namespace sorvant
