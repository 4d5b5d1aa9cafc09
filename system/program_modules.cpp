#include "system/program_modules.h"

#include "platform/file_system_representation.h"
#include "platform/log.h"

#include <QFileInfo>

namespace sorvant {

QString loadProgramModule(const QString& fileName, const QString& buildPath, const QString& what,
                          const std::function<bool(void* module)>& resolve)
{
    const QString installed = QFileInfo(QStringLiteral("/proc/self/exe")).canonicalPath()
                              + QStringLiteral("/../" SORVANT_INSTALL_LIBDIR "/sorvant/") + fileName;
    QString failure;
    for (const QString& candidate : {installed, buildPath}) {
        if (!QFileInfo::exists(candidate))
            continue;
        void* module = ::dlopen(fileSystemRepresentation(candidate).constData(), RTLD_NOW | RTLD_LOCAL);
        if (module == nullptr) {
            const char* reason = ::dlerror();
            failure = QString::fromLocal8Bit(reason ? reason : "unknown error");
            continue;
        }
        if (resolve(module))
            return QFileInfo(candidate).canonicalFilePath();
        failure = candidate + QStringLiteral(" lacks the functions");
    }
    if (failure.isEmpty())
        failure = QStringLiteral("no %1 found").arg(fileName);
    logWarning(QStringLiteral("%1: %2").arg(what, failure));
    return QString();
}

} // namespace sorvant
