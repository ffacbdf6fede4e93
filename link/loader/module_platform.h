// The platform's three calls behind the loader: open a module by file name,
// find an export in it, close it.
#pragma once

#include <string>

namespace kestrion::loader {

// The module's handle, or nullptr with `error` set to the system's reason in
// words.
void* OpenModule(const std::string& fileName, std::string& error);
// The export's address, or nullptr when the module has none by that name.
void* FindExport(void* module, const char* name);
void CloseModule(void* module);

}  // namespace kestrion::loader
