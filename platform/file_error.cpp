#include "platform/file_error.h"

#include <cstring>

namespace sorvant {

QString FileError::description() const
{
    if (isEmpty())
        return QString(QLatin1String(""));
    return QStringLiteral("%1 '%2': %3").arg(operation, path, errorMessage(code));
}

void setError(FileError* error, int code, const QString& path, const QString& operation)
{
    if (error)
        *error = FileError{code, path, operation};
}

QString errorMessage(int code)
{
    // The C library's own English text, which no locale translates.
    if (const char* text = ::strerrordesc_np(code))
        return QString::fromLatin1(text);
    return QStringLiteral("Unknown error %1").arg(code);
}

QString localizedErrorMessage(int code)
{
    char buffer[256] = {};
    // The GNU strerror_r answers a pointer that may or may not be `buffer`.
    const char* text = ::strerror_r(code, buffer, sizeof buffer);
    return QString::fromLocal8Bit(text ? text : buffer);
}

} // namespace sorvant
