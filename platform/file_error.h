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
    // "<operation> '<path>': <errorMessage(code)>"; empty for an empty error.
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

// The system's message for an errno value in English, whatever the
// session's language: log lines and descriptions are English sentences.
//   ENOENT => "No such file or directory"   0 => "Success"   -7 => "Unknown error -7"
[[nodiscard]] QString errorMessage(int code);
// The same in the user's language (the process's locale), for texts shown
// to the user.   ENOENT (German) => "Datei oder Verzeichnis nicht gefunden"
[[nodiscard]] QString localizedErrorMessage(int code);

} // namespace sorvant
