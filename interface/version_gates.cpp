#include "interface/version_gates.h"

#include <cmath>

namespace sorvant {

namespace {

VersionGates& gatesInForce()
{
    static VersionGates gates;
    return gates;
}

} // namespace

const VersionGates& versionGates()
{
    return gatesInForce();
}

VersionGates setVersionGates(const VersionGates& gates)
{
    const VersionGates previous = gatesInForce();
    gatesInForce() = gates;
    return previous;
}

bool foundationVersionAbove(double version)
{
    return std::floor(versionGates().foundationVersion) > version;
}

bool foundationVersionBelow(double version)
{
    return versionGates().foundationVersion < version;
}

bool systemVersionAtLeast(int major, int minor)
{
    const VersionGates& gates = versionGates();
    return gates.systemMajor > major || (gates.systemMajor == major && gates.systemMinor >= minor);
}

} // namespace sorvant
