#include "system/link_resolution.h"

#include "platform/path_semantics.h"
#include "system/file_names.h"

#include <QCache>

#include <mutex>

namespace sorvant {

namespace {

constexpr int kCacheLimit = 2048;

struct LinkCache {
    std::mutex lock;
    QCache<QString, QString> entries{kCacheLimit};
};

LinkCache& linkCache()
{
    static LinkCache cache;
    return cache;
}

} // namespace

QString stringByResolvingLinkOfPath(const QString& path)
{
    const QString resolved = stringByResolvingSymlinksInPath(path);
    return resolved.isNull() ? path : resolved;
}

QString stringByResolvingLinksInPath(const QString& path)
{
    if (path.isEmpty())
        return path;
    LinkCache& cache = linkCache();
    const std::lock_guard<std::mutex> guard(cache.lock);
    if (const QString* known = cache.entries.object(path))
        return *known;

    const QString resolved = stringByResolvingSymlinksInPath(path);
    const QStringList components = standardizedPathComponents(resolved);
    QString prefix = QStringLiteral("/");
    qsizetype next = 1;
    if (components.size() >= 3 && resolved.startsWith(QLatin1String("/Volumes/"))) {
        prefix = pathWithComponents(components.mid(0, 3));   // a volume root is never an alias
        next = 3;
    }
    if (components.isEmpty() || components.first() != QLatin1String("/"))
        return resolved;   // a relative path has no prefix to walk from
    for (qsizetype i = next; i < components.size(); ++i) {
        const QString candidate = stringByAppendingPathComponent(prefix, components.at(i));
        if (const QString* known = cache.entries.object(candidate)) {
            prefix = *known;
            continue;
        }
        // Linux has no alias files: a prefix whose links are resolved
        // designates itself. The cache still answers each prefix once.
        prefix = candidate;
        cache.entries.insert(candidate, new QString(prefix));
    }
    return prefix;
}

void clearLinkResolutionCache()
{
    LinkCache& cache = linkCache();
    const std::lock_guard<std::mutex> guard(cache.lock);
    cache.entries.clear();
}

QString physicalItemPath(const QString& path)
{
    const QString standardized = stringByStandardizingPath(path);
    if (!path.split(u'/').contains(QStringLiteral("..")))
        return standardized;
    QString trimmed = stringByExpandingTildeInPath(path);
    while (trimmed.size() > 1 && trimmed.endsWith(u'/'))
        trimmed.chop(1);
    const QString last = lastPathComponent(trimmed);
    if (last == QLatin1String("..") || last == QLatin1String("."))
        return stringByResolvingSymlinksInPath(trimmed);
    const QString parent = stringByResolvingSymlinksInPath(stringByDeletingLastPathComponent(trimmed));
    return parent == QLatin1String("/") ? u'/' + last : parent + u'/' + last;
}

} // namespace sorvant
