#pragma once
// The program's own modules, loaded on first use so that the libraries they
// need are not loaded at start-up (the PDF reader, Qt's image readers).

#include <QString>

#include <dlfcn.h>

#include <functional>

namespace sorvant {

// Loads the module file `fileName` beside the installed program
// ("<bin>/../<libdir>/sorvant/<fileName>"), else at `buildPath` where the
// build put it, and calls `resolve` with its handle to look up its
// functions. The module's canonical path, or null after one "WARNING: "
// line saying why `what` cannot be done when no candidate loads and
// resolves.
[[nodiscard]] QString loadProgramModule(const QString& fileName, const QString& buildPath, const QString& what,
                                        const std::function<bool(void* module)>& resolve);

// Looks up `name` in the module; whether it is there.
template <typename Function>
bool findModuleFunction(void* module, const char* name, Function& function)
{
    function = reinterpret_cast<Function>(::dlsym(module, name));
    return function != nullptr;
}

} // namespace sorvant
