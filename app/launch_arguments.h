#pragma once
// The window's command line: its arguments decoded as file names, and the
// launch they ask for. The search command decodes its own the same way.

#include "app/application_service.h"

#include <QStringList>

class QCommandLineParser;

namespace sorvant {

// The arguments as file names are decoded (platform/file_system_representation.h),
// so that every byte of a folder or phrase that is not UTF-8 comes through
// unchanged; the application's own arguments() decode by the locale and
// replace such bytes.
//   {"sorvant", "/tmp/caf\xE9"} => {"sorvant", u"/tmp/caf\uDCE9"}
[[nodiscard]] QStringList decodedArguments(int argc, char** argv);

// The launch `arguments` ask for: "sorvant [--search-in PATH]
// [--search-for TEXT] [FOLDER]", the folder made absolute against the
// working folder (--search-in wins over FOLDER), every byte of its name kept
// (a trailing newline or space too); a file URL gives its path. `parser` is given the
// options and, as QCommandLineParser::process does, ends the process for
// --help or a wrong option.
//   {"sorvant"}                  => no folder, no phrase
//   {"sorvant", "a", "--search-for", "x"} => folder "<cwd>/a", phrase "x"
//   {"sorvant", "/x/a\n"} => folder "/x/a\n"   {"sorvant", "file:///x/a%0A"} => the same
[[nodiscard]] LaunchRequest launchRequestFromArguments(QCommandLineParser& parser, const QStringList& arguments);

} // namespace sorvant
