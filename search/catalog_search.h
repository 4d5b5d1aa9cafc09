#pragma once
// The preconditions of a catalog search (a one-word name search answered by
// the file system's catalog instead of a walk) and the table of hidden system
// folders at a volume root.
//
// Linux file systems keep no catalog that can be searched by name, so
// hasCatalogSearch answers NO and every search walks; the other tests are
// kept so that the rule of which searches would qualify stays in one place.
//
// Not here: the walk itself (search/directory_walk.h) and the engine that
// chooses between the two (search/search_engine.h).

#include <QString>

namespace sorvant {

struct SearchParams;

// YES for a whole name of one of the 19 hidden system folders at a volume
// root, compared exactly (case-sensitive); names of fewer than 3 or more
// than 23 characters answer NO.
//   "private" => YES   "Volumes" => YES   "Private" => NO   "" => NO   null => NO
[[nodiscard]] bool searchWindowIsSystemFolderName(const QString& name);

// YES for a path a catalog search could start from: "/" itself, or a path
// with exactly two "/" that begins with "/Volumes/" (ignoring case).
//   "/" => YES   "/Volumes/Data" => YES   "/Volumes/Data/x" => NO   "/home" => NO   "" => NO
[[nodiscard]] bool isCatalogSearchRoot(const QString& path);

// YES for a plain one-word name search: mode not 3, 4 or 5, exactly one word,
// and nothing but names searched.
//   words ("a"), what 1, mode 2 => YES   what 3 => NO   words ("a", "b") => NO
[[nodiscard]] bool isCatalogSearchQuery(const SearchParams& params);

// YES when the file system at the path answers catalog searches. NO on
// Linux, for every path.
[[nodiscard]] bool hasCatalogSearch(const QString& path);

} // namespace sorvant
