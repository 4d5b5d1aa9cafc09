#pragma once
// The comparators that sort calls take for strings and numbers. Each
// compares a receiver against an argument and answers < 0, 0 or > 0 (-1, 0,
// 1 except where noted). Null strings order as empty ones.
//   sortAscending("B", "a")                         =>  -1  (unit order)
//   sortCaseInsensitiveAscending("B", "a")          =>   1
//   sortLocalizedCaseInsensitiveAscending("é", "f") =>  -1  (current locale)
//   sortAscendingByLength("abc", "a")               =>   2  (raw difference)
//   sortAscending(1.5, 2.0)                         =>  -1
//   sortAscending(NaN, 2.0)                         =>   0

#include <QString>

namespace sorvant {

// --- strings -------------------------------------------------------------------
// UTF-16 unit order, case-sensitive.
[[nodiscard]] int sortAscending(const QString& receiver, const QString& argument);
[[nodiscard]] int sortDescending(const QString& receiver, const QString& argument);
// Full case folding, then unit order; independent of the locale.
[[nodiscard]] int sortCaseInsensitiveAscending(const QString& receiver, const QString& argument);
[[nodiscard]] int sortCaseInsensitiveDescending(const QString& receiver, const QString& argument);
// The current locale's collation, ignoring case (not accents).
[[nodiscard]] int sortLocalizedCaseInsensitiveAscending(const QString& receiver, const QString& argument);
[[nodiscard]] int sortLocalizedCaseInsensitiveDescending(const QString& receiver, const QString& argument);
// Shorter first: the raw length difference when the lengths differ, else the
// case-insensitive compare.
//   ("abc", "a") => 2   ("ab", "AB") => 0   ("", QString()) => 0
[[nodiscard]] qsizetype sortAscendingByLength(const QString& receiver, const QString& argument);
// Longer first: argument length minus receiver length when they differ; ties
// still break case-insensitively ascending.
[[nodiscard]] qsizetype sortDescendingByLength(const QString& receiver, const QString& argument);

// --- numbers -------------------------------------------------------------------
// 1 when receiver - argument is above 0, -1 below, else 0 (also for NaN).
[[nodiscard]] int sortAscending(double receiver, double argument);
[[nodiscard]] int sortDescending(double receiver, double argument);

} // namespace sorvant
