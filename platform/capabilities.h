#pragma once
// Behaviour that depends on what the running system offers, as named flags.
// Each flag is set to what this system does; tests swap in another set to
// exercise the other branch, then restore it.
//   ScopedCapabilities guard({.desktopAndDocumentsInCloud = true});

namespace sorvant {

struct Capabilities {
    // The Desktop and Documents folders may be kept in sync by the cloud
    // drive, so paths in them can change behind the program's back. Linux
    // offers no such service.
    bool desktopAndDocumentsInCloud = false;
    // Reading protected folders and sending events to other applications
    // need the user's permission, asked in the system settings. Linux has
    // no such permissions.
    bool privacyPermissions = false;
};

// The flags in force. Read from any thread; change them only in tests, while
// no other thread runs.
[[nodiscard]] const Capabilities& capabilities();

// Replaces the flags in force; answers the previous set.
Capabilities setCapabilities(const Capabilities& flags);

// Sets flags for the life of the object (tests).
class ScopedCapabilities
{
public:
    explicit ScopedCapabilities(const Capabilities& flags) : m_previous(setCapabilities(flags)) {}
    ~ScopedCapabilities() { setCapabilities(m_previous); }
    ScopedCapabilities(const ScopedCapabilities&) = delete;
    ScopedCapabilities& operator=(const ScopedCapabilities&) = delete;

private:
    Capabilities m_previous;
};

} // namespace sorvant
