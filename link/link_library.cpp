#include "link/link_library.h"

#include <utility>

#include "link/loader/module_platform.h"

namespace kestrion {

namespace {

// Stores an export's address into the slot of `ops` that belongs to `op`.
void Store(Operations& ops, Op op, void* address) {
    switch (op) {
    case Op::GetStatus: ops.getStatus = reinterpret_cast<PFN_DllGetPrinterStatus>(address); return;
    case Op::GetParam: ops.getParam = reinterpret_cast<PFN_DllGetPrinterParam>(address); return;
    case Op::SetParam: ops.setParam = reinterpret_cast<PFN_DllSetPrinterParam>(address); return;
    case Op::SetAdjust: ops.setAdjust = reinterpret_cast<PFN_DllSetPrinterAdjust>(address); return;
    case Op::SetAddress: ops.setAddress = reinterpret_cast<PFN_DllSetPrinterAdd>(address); return;
    case Op::Reset: ops.reset = reinterpret_cast<PFN_DllResetPrinter>(address); return;
    }
}

}  // namespace

const char* ExportName(Op op) {
    switch (op) {
    case Op::GetStatus: return "DllGetPrinterStatus";
    case Op::GetParam: return "DllGetPrinterParam";
    case Op::SetParam: return "DllSetPrinterParam";
    case Op::SetAdjust: return "DllSetPrinterAdjust";
    case Op::SetAddress: return "DllSetPrinterAdd";
    case Op::Reset: return "DllResetPrinter";
    }
    return "";
}

LinkLibrary::~LinkLibrary() { Free(); }

LinkLibrary::LinkLibrary(LinkLibrary&& other) noexcept
    : module(std::exchange(other.module, nullptr)), loadError(std::move(other.loadError)) {}

LinkLibrary& LinkLibrary::operator=(LinkLibrary&& other) noexcept {
    if (this != &other) {
        Free();
        module = std::exchange(other.module, nullptr);
        loadError = std::move(other.loadError);
    }
    return *this;
}

bool LinkLibrary::Load(const std::string& fileName) {
    Free();
    if (fileName.empty() || fileName.find('\0') != std::string::npos) {
        loadError = "\"" + std::string(fileName.c_str()) + "\": not a library file name";
        return false;
    }
    module = loader::OpenModule(fileName, loadError);
    if (module != nullptr) loadError.clear();
    return module != nullptr;
}

bool LinkLibrary::IsLoaded() const { return module != nullptr; }

std::string LinkLibrary::LoadError() const { return loadError; }

bool LinkLibrary::Bind(std::initializer_list<Op> which, Operations& ops, std::string* missing) const {
    if (module == nullptr) {
        if (missing != nullptr) missing->clear();
        return false;
    }
    Operations found = ops;
    for (const Op op : which) {
        void* address = loader::FindExport(module, ExportName(op));
        if (address == nullptr) {
            if (missing != nullptr) *missing = ExportName(op);
            return false;
        }
        Store(found, op, address);
    }
    ops = found;
    return true;
}

bool LinkLibrary::BindAll(Operations& ops, std::string* missing) const {
    return Bind({Op::GetStatus, Op::GetParam, Op::SetParam, Op::SetAdjust, Op::SetAddress, Op::Reset}, ops, missing);
}

void LinkLibrary::Free() {
    if (module != nullptr) loader::CloseModule(std::exchange(module, nullptr));
    loadError.clear();
}

}  // namespace kestrion
