#include "panel/app/win_link.h"

#include <windows.h>

namespace tamsel {
namespace {

constexpr char kLibraryName[] = "Kestrion.dll";

class WinLinkSession : public LinkSession {
public:
    WinLinkSession(HMODULE module, PFN_DllGetPrinterParam getParam) : module(module), getParam(getParam) {}
    ~WinLinkSession() override { FreeLibrary(module); }
    WinLinkSession(const WinLinkSession&) = delete;
    WinLinkSession& operator=(const WinLinkSession&) = delete;

    std::int32_t GetPrinterParam(const PrinterTarget& target, std::int32_t* param, std::int32_t* adjust,
                                 std::int32_t* address, std::int32_t* sysError) override {
        return getParam(&target, param, adjust, address, sysError);
    }

private:
    HMODULE module;
    PFN_DllGetPrinterParam getParam;
};

}  // namespace

std::unique_ptr<LinkSession> WinLink::OpenForReading() {
    // Standard search order: the copy beside the program is found first.
    HMODULE module = LoadLibraryA(kLibraryName);
    if (module == nullptr) return nullptr;
    auto getParam = reinterpret_cast<PFN_DllGetPrinterParam>(
        reinterpret_cast<void*>(GetProcAddress(module, "DllGetPrinterParam")));
    if (getParam == nullptr) {
        FreeLibrary(module);
        return nullptr;
    }
    return std::make_unique<WinLinkSession>(module, getParam);
}

}  // namespace tamsel
