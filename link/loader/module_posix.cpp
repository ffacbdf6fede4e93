// The loader over dlopen: the library's own symbols stay local to it, and
// every export is resolved when it is loaded, so a broken library fails Load
// rather than a later call.
#include <dlfcn.h>

#include "link/loader/module_platform.h"

namespace kestrion::loader {

void* OpenModule(const std::string& fileName, std::string& error) {
    ::dlerror();  // an older message must not stand for this call
    void* module = ::dlopen(fileName.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (module == nullptr) {
        const char* reason = ::dlerror();
        error = reason != nullptr ? reason : fileName + ": cannot be loaded";
    }
    return module;
}

void* FindExport(void* module, const char* name) { return ::dlsym(module, name); }

void CloseModule(void* module) { ::dlclose(module); }

}  // namespace kestrion::loader
