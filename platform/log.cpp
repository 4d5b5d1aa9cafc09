#include "platform/log.h"

#include <cstdio>
#include <mutex>
#include <typeinfo>

#include <cxxabi.h>

namespace sorvant {

namespace {

std::mutex& sinkMutex()
{
    static std::mutex mutex;
    return mutex;
}

LogSink& currentSink()
{
    static LogSink sink;
    return sink;
}

QString demangledTypeName(const std::exception& error)
{
    const char* mangled = typeid(error).name();
    int status = 0;
    char* demangled = abi::__cxa_demangle(mangled, nullptr, nullptr, &status);
    QString name = QString::fromUtf8(status == 0 && demangled ? demangled : mangled);
    std::free(demangled);
    return name;
}

} // namespace

void logMessage(const QString& message)
{
    // The sink is called under the lock so that lines from several threads
    // never interleave and a sink being replaced is never called half-way.
    std::lock_guard lock(sinkMutex());
    if (currentSink()) {
        currentSink()(message);
        return;
    }
    const QByteArray bytes = message.toUtf8();
    std::fwrite(bytes.constData(), 1, static_cast<size_t>(bytes.size()), stderr);
    std::fputc('\n', stderr);
    std::fflush(stderr);
}

void logError(const QString& message)
{
    logMessage(QStringLiteral("ERROR: ") + message);
}

void logWarning(const QString& message)
{
    logMessage(QStringLiteral("WARNING: ") + message);
}

void logException(const QString& function, const QString& className, const std::exception& error)
{
    logMessage(QStringLiteral("%1 (%2): %3:\n%4\n")
                   .arg(function, className, demangledTypeName(error), QString::fromUtf8(error.what())));
}

LogSink setLogSink(LogSink sink)
{
    std::lock_guard lock(sinkMutex());
    LogSink previous = std::move(currentSink());
    currentSink() = std::move(sink);
    return previous;
}

} // namespace sorvant
