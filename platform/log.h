#pragma once
// The one logger of the code base. Everything the program reports goes to
// standard error through here, so that tests can capture it and so that the
// prefixes stay the same everywhere:
//   logError("x")    => "ERROR: x"
//   logWarning("x")  => "WARNING: x"
//   logMessage("x")  => "x"
// Debug output uses one Qt logging category per library instead.

#include <QString>

#include <exception>
#include <functional>

namespace sorvant {

void logMessage(const QString& message);
void logError(const QString& message);
void logWarning(const QString& message);

// Logs a C++ exception caught at the toolkit's boundary in the form
// "<function> (<class>): <exception type>:\n<reason>\n<call stack>".
// The call stack is not available in C++ and is logged as empty.
void logException(const QString& function, const QString& className, const std::exception& error);

// Where log lines go. The default sink writes the line and a newline to
// standard error. Tests install their own sink to capture lines; passing an
// empty function restores the default. Answers the previous sink.
using LogSink = std::function<void(const QString& line)>;
LogSink setLogSink(LogSink sink);

} // namespace sorvant
