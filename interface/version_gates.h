#pragma once
// The system versions the interface code branches on, as one profile. The
// profile in force describes a current system, so every gate takes its
// modern branch; tests swap in an older profile to reach the other branch.
//   ScopedVersionGates old({.foundationVersion = 1299});
//   foundationVersionAbove(1299) => NO while `old` lives
//
// Not here: the file-system capability flags (platform/capabilities.h).

namespace sorvant {

struct VersionGates {
    // The toolkit's library version number (its floor is compared).
    double foundationVersion = 1900;
    // The operating-system version, major and minor ("11" is tested as
    // 10.16 by callers that need it).
    int systemMajor = 14;
    int systemMinor = 0;
};

[[nodiscard]] const VersionGates& versionGates();
// Replaces the profile; answers the previous one. Tests only, on the main
// thread.
VersionGates setVersionGates(const VersionGates& gates);

// YES when the floor of the library version number is above `version`.
[[nodiscard]] bool foundationVersionAbove(double version);
// YES when the library version number is below `version`.
[[nodiscard]] bool foundationVersionBelow(double version);
// YES when the system is at least major.minor.
[[nodiscard]] bool systemVersionAtLeast(int major, int minor);

class ScopedVersionGates
{
public:
    explicit ScopedVersionGates(const VersionGates& gates) : m_previous(setVersionGates(gates)) {}
    ~ScopedVersionGates() { setVersionGates(m_previous); }
    ScopedVersionGates(const ScopedVersionGates&) = delete;
    ScopedVersionGates& operator=(const ScopedVersionGates&) = delete;

private:
    VersionGates m_previous;
};

} // namespace sorvant
