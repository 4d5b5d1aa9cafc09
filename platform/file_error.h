#pragma once
// The error a file-system call hands back through an optional out-parameter:
// the errno, the path it concerns and a readable message. Callers clear the
// out-parameter first (clearError) and fill it only on failure.
//   FileError{ENOENT, "/x", "open"}.description() => "open '/x': No such file or directory"

#include <QString>

namespace sorvant {

struct FileError {
    int code = 0;        // errno; 0 when there is no error
    QString path;
    QString operation;   // what failed ("copy", "remove", ...)

    [[nodiscard]] bool isEmpty() const { return code == 0 && operation.isEmpty(); }
    // "<operation> '<path>': <strerror(code)>"; empty for an empty error.
    [[nodiscard]] QString description() const;
};

// Resets an optional out-parameter; does nothing for nullptr.
inline void clearError(FileError* error)
{
    if (error)
        *error = FileError{};
}

// Fills an optional out-parameter; does nothing for nullptr.
void setError(FileError* error, int code, const QString& path, const QString& operation);

// The system's message for an errno value.   ENOENT => "No such file or directory"
[[nodiscard]] QString errorMessage(int code);

} // namespace sorvant
