#include "platform/xdg_folders.h"

#include "platform/file_system_representation.h"
#include "platform/path_semantics.h"

namespace sorvant {

namespace {

struct BaseRow
{
    const char* variable;
    const char* belowHome;
};

BaseRow rowFor(XdgBaseFolder which)
{
    switch (which) {
    case XdgBaseFolder::Config:
        return {"XDG_CONFIG_HOME", ".config"};
    case XdgBaseFolder::Data:
        return {"XDG_DATA_HOME", ".local/share"};
    case XdgBaseFolder::Cache:
        return {"XDG_CACHE_HOME", ".cache"};
    case XdgBaseFolder::State:
        return {"XDG_STATE_HOME", ".local/state"};
    }
    return {"XDG_CONFIG_HOME", ".config"};
}

} // namespace

QString absolutePathVariable(const char* name)
{
    const QString value = stringWithFileSystemRepresentation(qgetenv(name));
    return value.startsWith(QLatin1Char('/')) ? stringByStandardizingPath(value) : QString();
}

QString xdgBaseFolder(XdgBaseFolder which, const QString& home)
{
    const BaseRow row = rowFor(which);
    const QString configured = absolutePathVariable(row.variable);
    if (!configured.isEmpty() || home.isEmpty())
        return configured;
    return stringByAppendingPathComponent(home, QString::fromLatin1(row.belowHome));
}

QString xdgBaseFolder(XdgBaseFolder which)
{
    return xdgBaseFolder(which, NSHomeDirectory());
}

QStringList xdgSearchFolders(XdgSearchFolders which)
{
    const bool data = which == XdgSearchFolders::Data;
    const QByteArray value = qgetenv(data ? "XDG_DATA_DIRS" : "XDG_CONFIG_DIRS");
    QStringList folders;
    for (const QString& entry : stringWithFileSystemRepresentation(value).split(u':', Qt::SkipEmptyParts)) {
        if (entry.startsWith(u'/'))
            folders.append(stringByStandardizingPath(entry));
    }
    if (folders.isEmpty()) {
        if (data)
            folders << QStringLiteral("/usr/local/share") << QStringLiteral("/usr/share");
        else
            folders << QStringLiteral("/etc/xdg");
    }
    return folders;
}

} // namespace sorvant
