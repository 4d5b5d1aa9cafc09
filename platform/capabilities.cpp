#include "platform/capabilities.h"

namespace sorvant {

namespace {

Capabilities& current()
{
    static Capabilities flags;
    return flags;
}

} // namespace

const Capabilities& capabilities()
{
    return current();
}

Capabilities setCapabilities(const Capabilities& flags)
{
    const Capabilities previous = current();
    current() = flags;
    return previous;
}

} // namespace sorvant
