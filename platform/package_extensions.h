#pragma once
// Which folders count as packages (shown and handled as one document): the
// toolkit's own six suffixes and the fixed list of bundle extensions that
// stands in for the platform's package registry. The one place both lists
// live; the package test, the workspace and the search walk all use them.

#include <QString>
#include <QStringList>

namespace sorvant {

// ".qxBase2", ".qxCloud", ".scptd", ".qxTemplate", ".templatescriptd",
// ".textbundle", in the order they are tested.
[[nodiscard]] const QStringList& packageSuffixes();

// "app", "bundle", "framework", "plugin", "kext", "rtfd", "pkg", "mpkg",
// "xcodeproj" and their like, lower case, without the dot.
[[nodiscard]] const QStringList& bundleExtensions();

// YES when the path ends in one of the package suffixes, ignoring ASCII case.
//   "/x/Notes.TEXTBUNDLE" => YES   "/x/a.scptd/" => NO   "" => NO   null => NO
[[nodiscard]] bool hasPackageSuffix(const QString& path);

// YES when the path's extension is a bundle extension, ignoring ASCII case.
//   "/Apps/Tool.app" => YES   "/x/Doc.RTFD" => YES   "/x/app" => NO   null => NO
[[nodiscard]] bool hasBundleExtension(const QString& path);

// YES when the extension of the path is "app", ignoring ASCII case.
[[nodiscard]] bool hasApplicationExtension(const QString& path);

} // namespace sorvant
