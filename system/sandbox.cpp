#include "system/sandbox.h"

#include "platform/path_semantics.h"

#include <QFileInfo>
#include <QProcessEnvironment>

namespace sorvant {

bool isSandboxedEnvironment(const QProcessEnvironment& environment, const QString& root)
{
    if (!environment.value(QStringLiteral("FLATPAK_ID")).isEmpty() ||
        !environment.value(QStringLiteral("SNAP")).isEmpty())
        return true;
    // Flatpak puts this file at the root of every sandbox, also for
    // processes started without the variable.
    return QFileInfo::exists(stringByAppendingPathComponent(root, QStringLiteral(".flatpak-info")));
}

bool isSandboxed()
{
    static const bool sandboxed = isSandboxedEnvironment(QProcessEnvironment::systemEnvironment(), QStringLiteral("/"));
    return sandboxed;
}

} // namespace sorvant
