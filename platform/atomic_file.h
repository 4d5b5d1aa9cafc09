#pragma once
// Writing a whole file so that readers see either the old contents or the
// new ones, never half a file: the bytes go to a temporary file in the same
// folder, which is flushed to disk and then renamed over the destination.

#include <QByteArray>
#include <QString>

namespace sorvant {

// Writes `data` to `path` atomically. An existing file keeps its permission
// bits; a new one gets 0644 less the umask. Answers false, and the reason in
// `error` when given (cleared first), when any step fails; the destination is
// then unchanged and no temporary file is left behind.
//   writeFileAtomically("/tmp/a", "x")     => true
//   writeFileAtomically("/no/such/a", "x") => false, error names the path
//   writeFileAtomically({}, "x")           => false
[[nodiscard]] bool writeFileAtomically(const QString& path, const QByteArray& data,
                                       QString* error = nullptr);

} // namespace sorvant
