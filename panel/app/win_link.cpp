#include "panel/app/win_link.h"

#include "link/link_library.h"

namespace tamsel {
namespace {

class WinLinkSession : public LinkSession {
public:
    WinLinkSession(kestrion::LinkLibrary library, const kestrion::Operations& ops)
        : library(std::move(library)), ops(ops) {}

    std::int32_t GetPrinterParam(const PrinterTarget& target, std::int32_t* param, std::int32_t* adjust,
                                 std::int32_t* address, std::int32_t* sysError) override {
        return ops.getParam(&target, param, adjust, address, sysError);
    }

private:
    kestrion::LinkLibrary library;  // freed with the session
    kestrion::Operations ops;
};

}  // namespace

std::unique_ptr<LinkSession> WinLink::OpenForReading() {
    // Standard search order: the copy beside the program is found first.
    kestrion::LinkLibrary library;
    if (!library.Load(kestrion::kLinkLibraryFileName)) return nullptr;
    kestrion::Operations ops;
    if (!library.Bind({kestrion::Op::GetParam}, ops)) return nullptr;  // freed on return
    return std::make_unique<WinLinkSession>(std::move(library), ops);
}

}  // namespace tamsel
