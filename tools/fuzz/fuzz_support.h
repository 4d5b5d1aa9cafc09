#pragma once
// What the fuzz targets share: a check that stops the run, naming what
// failed, so that libFuzzer keeps the input as a crash.

#include <cstdio>
#include <cstdlib>

namespace sorvant::fuzz {

// Aborts with "<target>: <what>" on stderr unless `condition` holds.
inline void require(bool condition, const char* target, const char* what)
{
    if (!condition) {
        std::fprintf(stderr, "%s: %s\n", target, what);
        std::abort();
    }
}

} // namespace sorvant::fuzz
