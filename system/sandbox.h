#pragma once
// Whether the program runs confined in a Linux application sandbox (Flatpak
// or Snap), where hard links across the sandbox, other applications'
// settings and the user's login items are out of reach.

#include <QString>

class QProcessEnvironment;

namespace sorvant {

// Whether this process runs in a sandbox; computed once, on the first call
// from any thread, and never again.
[[nodiscard]] bool isSandboxed();

// The test behind isSandboxed, for a given environment and file-system root:
// true when FLATPAK_ID or SNAP is set and not empty, or when
// "<root>/.flatpak-info" exists.
//   {FLATPAK_ID=org.x.App}, "/"  => true    {SNAP=/snap/x/1}, "/" => true
//   {FLATPAK_ID=}, a root without ".flatpak-info" => false
[[nodiscard]] bool isSandboxedEnvironment(const QProcessEnvironment& environment, const QString& root);

} // namespace sorvant
