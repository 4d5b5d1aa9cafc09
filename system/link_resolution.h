#pragma once
// The path of the item a path really designates. Linux has no alias files,
// so resolving means following symbolic links; the resolution of every
// component is remembered in a process-wide cache of 2,048 entries.
//
// Not here: the resolution itself (stringByResolvingSymlinksInPath in
// platform/path_semantics.h).

#include <QString>

namespace sorvant {

// The receiver with its symbolic links resolved (a missing tail kept as
// written); the receiver itself when that gives nothing.
//   "/link-to-usr/bin" => "/usr/bin"   "" => ""   null => null
[[nodiscard]] QString stringByResolvingLinkOfPath(const QString& path);

// The receiver with every link along it resolved, component by component
// through the cache. A path below "/Volumes/NAME" keeps that prefix as is.
//   "/" => "/"   "/a/./link/x" => "/a/target/x"   "" => ""   null => null
[[nodiscard]] QString stringByResolvingLinksInPath(const QString& path);

// The item a path names to the system, the last component itself not
// followed (a link stays the link): ".." after a link leaves the link's
// target, as the kernel and every shell command take it, where a lexical
// reading would name another item. A path without ".." is only
// standardized; a last component "." or ".." is resolved whole.
//   "/a/link/../x" (link -> /b/inner) => "/b/x"   "/a/./x" => "/a/x"
//   "/a/link" => "/a/link"   "" => ""   null => null
[[nodiscard]] QString physicalItemPath(const QString& path);

// Empties the cache (tests; the cache otherwise lives as long as the process).
void clearLinkResolutionCache();

} // namespace sorvant
