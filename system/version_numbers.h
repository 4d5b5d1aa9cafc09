#pragma once
// Version strings compared as numbers, with the suffixes alpha, build,
// beta, rc and pb ordered before the release:
//   1.0alpha2 < 1.0build7 < 1.0beta1 < 1.0rc1 < 1.0pb1 < 1.0 = 1.0.0 < 1.0.1build1

#include <QString>
#include <QStringList>

namespace sorvant {

// The trimmed string with, ignoring case, "alpha" as ".-5.", "build" as
// ".-4.", "beta" as ".-3.", "rc" as ".-2." and "pb" as ".-1.", split at ".".
//   "1.0beta2" => {"1", "0", "-3", "2"}    "1.0b2" => {"1", "0b2"}
//   " 2.9.2build1 " => {"2", "9", "2", "-4", "1"}    "" => {""}
[[nodiscard]] QStringList comparableComponentsOfVersionNumber(const QString& version);

// -1 when `version` is older than `other`, 0 when equal, 1 when newer.
// Components compare by their leading integer (0 when none or missing).
//   ("1.10", "1.9") => 1    ("1.0", "1.0.0") => 0    ("1.0build1", "1.0") => -1
[[nodiscard]] int compareToVersionNumber(const QString& version, const QString& other);

// The self-check of the comparison: YES when all its cases hold; each
// failure is logged as "ERROR: version comparison failed: <case>".
bool testVersionNumberComparison();

} // namespace sorvant
