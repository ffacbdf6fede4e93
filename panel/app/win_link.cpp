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

// The send sequence's printer over the library's operations; the library
// stays loaded as long as the object lives.
class WinSendSession : public PrinterLink {
public:
    WinSendSession(kestrion::LinkLibrary library, const kestrion::Operations& ops, const PrinterTarget& target)
        : library(std::move(library)), link(ops, target) {}

    // The send binds no status query: a call is refused, never made.
    std::int32_t GetStatus(std::int32_t*, std::int32_t*) override { return LINK_E_NULL_ARG; }
    std::int32_t GetParam(std::int32_t* param, std::int32_t* adjust, std::int32_t* address,
                          std::int32_t* sysError) override {
        return link.GetParam(param, adjust, address, sysError);
    }
    std::int32_t SetParam(const std::int32_t* param, std::int32_t* sysError) override {
        return link.SetParam(param, sysError);
    }
    std::int32_t SetAdjust(const std::int32_t* adjust, std::int32_t* sysError) override {
        return link.SetAdjust(adjust, sysError);
    }
    std::int32_t SetAddress(const std::int32_t* address, std::int32_t* sysError) override {
        return link.SetAddress(address, sysError);
    }
    std::int32_t Reset(std::int32_t* sysError) override { return link.Reset(sysError); }

private:
    kestrion::LinkLibrary library;  // freed with the session, after the link
    LibraryLink link;
};

}  // namespace

std::unique_ptr<PrinterLink> WinLink::OpenForSending(const PrinterTarget& target) {
    kestrion::LinkLibrary library;
    if (!library.Load(kestrion::kLinkLibraryFileName)) return nullptr;
    kestrion::Operations ops;
    // All five before any is used; the status query is not among them.
    if (!library.Bind({kestrion::Op::GetParam, kestrion::Op::SetParam, kestrion::Op::SetAdjust,
                       kestrion::Op::SetAddress, kestrion::Op::Reset},
                      ops)) {
        return nullptr;
    }
    return std::make_unique<WinSendSession>(std::move(library), ops, target);
}

std::unique_ptr<LinkSession> WinLink::OpenForReading() {
    // Standard search order: the copy beside the program is found first.
    kestrion::LinkLibrary library;
    if (!library.Load(kestrion::kLinkLibraryFileName)) return nullptr;
    kestrion::Operations ops;
    if (!library.Bind({kestrion::Op::GetParam}, ops)) return nullptr;  // freed on return
    return std::make_unique<WinLinkSession>(std::move(library), ops);
}

}  // namespace tamsel
