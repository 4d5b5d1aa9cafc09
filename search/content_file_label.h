#pragma once
// How content search names a file in a warning: its folder's path and its
// name, kept apart until a warning is written.
//
// Not here: reading the file (search/content_reading.h).

#include <QByteArray>
#include <QString>

namespace sorvant {

// A file as a warning names it: its folder's path and its name, joined
// only when a warning is written. An empty folder path means the name is
// the path (or relative to the working folder).
//   {"/a", "b"} => "/a/b"   {"/a/", "b"} => "/a/b"   {"", "b"} => "b"
struct FileLabel
{
    const QByteArray& folder;
    const QByteArray& name;
    [[nodiscard]] QString path() const;
};

} // namespace sorvant
