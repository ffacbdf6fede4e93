// The six operations of the link library bound at run time by name, the way
// the panel program and the tools load it. The resolver is the platform's
// (GetProcAddress on a loaded Kestrion.dll, dlsym on libkestrion.so).
#pragma once

#include <string>
#include <type_traits>

#include "link/kestrion.h"

namespace kestrion {

struct Operations {
    PFN_DllGetPrinterStatus getStatus = nullptr;
    PFN_DllGetPrinterParam getParam = nullptr;
    PFN_DllSetPrinterParam setParam = nullptr;
    PFN_DllSetPrinterAdjust setAdjust = nullptr;
    PFN_DllSetPrinterAdd setAddress = nullptr;
    PFN_DllResetPrinter reset = nullptr;
};

// `resolve(name)` gives an export's address as void*, or nullptr. Returns
// true when all six were found; otherwise `missing` (when given) names the
// first one that was not.
template <typename Resolve>
bool BindOperations(Resolve resolve, Operations& ops, std::string* missing = nullptr) {
    bool all = true;
    const auto bind = [&](const char* name, auto& slot) {
        slot = reinterpret_cast<std::remove_reference_t<decltype(slot)>>(resolve(name));
        if (slot != nullptr) return;
        if (all && missing != nullptr) *missing = name;
        all = false;
    };
    bind("DllGetPrinterStatus", ops.getStatus);
    bind("DllGetPrinterParam", ops.getParam);
    bind("DllSetPrinterParam", ops.setParam);
    bind("DllSetPrinterAdjust", ops.setAdjust);
    bind("DllSetPrinterAdd", ops.setAddress);
    bind("DllResetPrinter", ops.reset);
    return all;
}

}  // namespace kestrion
