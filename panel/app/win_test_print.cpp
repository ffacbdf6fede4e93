#include "panel/app/win_test_print.h"

#include <winspool.h>

#include <cstring>

#include "panel/res/test_print_ids.h"

namespace tamsel {
namespace {

// HH_DISPLAY_TOPIC: show the file's default topic.
constexpr UINT kHelpDisplayTopic = 0x0000;
using HtmlHelpAFunction = HWND(WINAPI*)(HWND, LPCSTR, UINT, DWORD_PTR);

// A printer opened for use (no data type, no device mode), closed with the
// object; Close() reports whether the close itself succeeded.
class Printer {
public:
    explicit Printer(const std::string& name) {
        PRINTER_DEFAULTSA defaults = {nullptr, nullptr, PRINTER_ACCESS_USE};
        if (!OpenPrinterA(const_cast<char*>(name.c_str()), &handle, &defaults)) handle = nullptr;
    }
    Printer(const Printer&) = delete;
    Printer& operator=(const Printer&) = delete;
    ~Printer() { Close(); }
    bool Close() {
        if (handle == nullptr) return true;
        const bool ok = ClosePrinter(handle) != FALSE;
        handle = nullptr;
        return ok;
    }
    HANDLE Handle() const { return handle; }

private:
    HANDLE handle = nullptr;
};

// A zero-filled block of the process heap.
class HeapBlock {
public:
    explicit HeapBlock(DWORD size) : data(HeapAlloc(GetProcessHeap(), HEAP_ZERO_MEMORY, size)) {}
    HeapBlock(const HeapBlock&) = delete;
    HeapBlock& operator=(const HeapBlock&) = delete;
    ~HeapBlock() {
        if (data != nullptr) HeapFree(GetProcessHeap(), 0, data);
    }
    void* Data() const { return data; }

private:
    void* data;
};

class PrinterDc {
public:
    explicit PrinterDc(const std::string& name) : dc(CreateDCA(nullptr, name.c_str(), nullptr, nullptr)) {}
    PrinterDc(const PrinterDc&) = delete;
    PrinterDc& operator=(const PrinterDc&) = delete;
    ~PrinterDc() {
        if (dc != nullptr) DeleteDC(dc);
    }
    HDC Handle() const { return dc; }

private:
    HDC dc;
};

// The label's header and pixels inside the program's resource 191: a
// BITMAPINFOHEADER, biClrUsed colour entries, then the rows. Null when the
// resource is missing or smaller than what its header announces.
struct LabelPicture {
    const BITMAPINFO* info = nullptr;
    const void* pixels = nullptr;
};

LabelPicture FindLabel() {
    LabelPicture label;
    HMODULE program = GetModuleHandleA(nullptr);
    HRSRC found = FindResourceA(program, "#191", MAKEINTRESOURCEA(2) /* RT_BITMAP */);
    if (found == nullptr) return label;
    HGLOBAL loaded = LoadResource(program, found);
    if (loaded == nullptr) return label;
    const auto* bytes = static_cast<const BYTE*>(LockResource(loaded));
    const DWORD size = SizeofResource(program, found);
    if (bytes == nullptr || size < sizeof(BITMAPINFOHEADER)) return label;
    const auto* header = reinterpret_cast<const BITMAPINFOHEADER*>(bytes);
    const std::size_t rowBytes = ((static_cast<std::size_t>(kTestLabelWidth) * header->biBitCount + 31) / 32) * 4;
    const std::size_t offset = header->biSize + static_cast<std::size_t>(header->biClrUsed) * sizeof(RGBQUAD);
    if (header->biWidth != kTestLabelWidth || header->biHeight != kTestLabelHeight ||
        offset + rowBytes * kTestLabelHeight > size) {
        return label;
    }
    label.info = reinterpret_cast<const BITMAPINFO*>(bytes);
    label.pixels = bytes + offset;
    return label;
}

}  // namespace

std::optional<int> WinTestPrint::ReadVerticalResolution(const std::string& ansiName) {
    Printer printer(ansiName);
    if (printer.Handle() == nullptr) return std::nullopt;
    DWORD needed = 0;
    GetPrinterA(printer.Handle(), 2, nullptr, 0, &needed);
    if (needed < sizeof(PRINTER_INFO_2A)) return std::nullopt;
    HeapBlock block(needed);
    if (block.Data() == nullptr) return std::nullopt;
    if (!GetPrinterA(printer.Handle(), 2, static_cast<BYTE*>(block.Data()), needed, &needed)) return std::nullopt;
    // Without a device mode there is no resolution to scale by: the command
    // ends as on the other failures.
    const DEVMODEA* mode = static_cast<const PRINTER_INFO_2A*>(block.Data())->pDevMode;
    if (mode == nullptr) return std::nullopt;
    const int resolution = mode->dmYResolution;
    if (!printer.Close()) return std::nullopt;
    return resolution;
}

bool WinTestPrint::PrintLabel(const std::string& ansiName, int scale) {
    const LabelPicture label = FindLabel();
    if (label.info == nullptr) return false;
    PrinterDc dc(ansiName);
    if (dc.Handle() == nullptr) return false;
    // The printer stays open for the job's duration.
    Printer printer(ansiName);
    if (printer.Handle() == nullptr) return false;

    DOCINFOA document = {};
    document.cbSize = sizeof document;
    document.lpszDocName = kTestPrintDocument.data();
    if (StartDocA(dc.Handle(), &document) <= 0) return false;
    if (StartPage(dc.Handle()) <= 0) {
        AbortDoc(dc.Handle());
        return false;
    }
    const int drawn = StretchDIBits(dc.Handle(), 0, 0, kTestLabelWidth * scale, kTestLabelHeight * scale, 0, 0,
                                    kTestLabelWidth, kTestLabelHeight, label.pixels, label.info, DIB_RGB_COLORS,
                                    SRCCOPY);
    const bool pageEnded = EndPage(dc.Handle()) > 0;
    const bool documentEnded = EndDoc(dc.Handle()) > 0;
    return drawn != 0 && drawn != static_cast<int>(GDI_ERROR) && pageEnded && documentEnded;
}

WinHelp::~WinHelp() {
    if (viewer != nullptr) FreeLibrary(viewer);
}

bool WinHelp::DisplayHelp(const std::string& helpPath) {
    if (viewer == nullptr) viewer = LoadLibraryA("hhctrl.ocx");
    if (viewer == nullptr) return false;
    const auto htmlHelp = reinterpret_cast<HtmlHelpAFunction>(
        reinterpret_cast<void*>(GetProcAddress(viewer, "HtmlHelpA")));
    if (htmlHelp == nullptr) return false;
    return htmlHelp(nullptr, helpPath.c_str(), kHelpDisplayTopic, 0) != nullptr;
}

}  // namespace tamsel
