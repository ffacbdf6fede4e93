#include "panel/select/win_select_seams.h"

#include <winspool.h>

#include <new>

#include "winui/text.h"

namespace tamsel {

namespace {

std::string Utf8(const wchar_t* text) { return text ? winui::Narrow(text) : std::string(); }
std::string Utf8FromAnsi(const char* text) { return text ? winui::Narrow(winui::FromAnsi(text)) : std::string(); }

// The two-call pattern: the size first, then a zero-filled buffer of that
// size. A list that grows between the calls is asked again. Empty on failure.
template <typename Enumerate>
std::vector<BYTE> Enumerated(Enumerate enumerate, DWORD& count) {
    count = 0;
    try {
        std::vector<BYTE> buffer;
        for (int attempt = 0; attempt < 3; ++attempt) {
            DWORD needed = 0;
            DWORD returned = 0;
            if (enumerate(buffer.empty() ? nullptr : buffer.data(), static_cast<DWORD>(buffer.size()), &needed,
                          &returned)) {
                count = returned;
                return buffer;
            }
            if (GetLastError() != ERROR_INSUFFICIENT_BUFFER || needed == 0) return {};
            buffer.assign(needed, 0);
        }
    } catch (const std::bad_alloc&) {
        // No memory for the list: as if the enumeration had failed.
    }
    return {};
}

std::vector<PrinterDetail> Level2(DWORD flags, const std::string& name) {
    std::wstring wideName = winui::Widen(name);
    DWORD count = 0;
    const std::vector<BYTE> buffer = Enumerated(
        [&](BYTE* data, DWORD size, DWORD* needed, DWORD* returned) {
            return EnumPrintersW(flags, name.empty() ? nullptr : wideName.data(), 2, data, size, needed,
                                 returned) != FALSE;
        },
        count);
    std::vector<PrinterDetail> printers;
    const auto* info = reinterpret_cast<const PRINTER_INFO_2W*>(buffer.data());
    for (DWORD i = 0; i < count; ++i) {
        printers.push_back({Utf8(info[i].pServerName), Utf8(info[i].pPrinterName), Utf8(info[i].pPortName),
                            Utf8(info[i].pDriverName), static_cast<std::uint32_t>(info[i].Status)});
    }
    return printers;
}

}  // namespace

void WinNotices::Show(const std::string& text, NoticeIcon icon) {
    const UINT style = MB_OK | (icon == NoticeIcon::Information ? MB_ICONINFORMATION : MB_ICONEXCLAMATION);
    MessageBoxW(owner, winui::Widen(text).c_str(), kMessageCaption, style);
}

void WinProcessExit::Exit(int code) { ExitProcess(static_cast<UINT>(code)); }

bool WinPrinterEnumeration::IsNtPlatform() {
    OSVERSIONINFOA version{};
    version.dwOSVersionInfoSize = sizeof version;
    if (!GetVersionExA(&version)) return true;  // only the NT family still answers at all
    return version.dwPlatformId == VER_PLATFORM_WIN32_NT;
}

std::vector<PrinterBrief> WinPrinterEnumeration::LocalAndConnections() {
    DWORD count = 0;
    const std::vector<BYTE> buffer = Enumerated(
        [](BYTE* data, DWORD size, DWORD* needed, DWORD* returned) {
            return EnumPrintersW(PRINTER_ENUM_LOCAL | PRINTER_ENUM_CONNECTIONS, nullptr, 4, data, size, needed,
                                 returned) != FALSE;
        },
        count);
    std::vector<PrinterBrief> printers;
    const auto* info = reinterpret_cast<const PRINTER_INFO_4W*>(buffer.data());
    for (DWORD i = 0; i < count; ++i) {
        printers.push_back({Utf8(info[i].pPrinterName), Utf8(info[i].pServerName),
                            static_cast<std::uint32_t>(info[i].Attributes)});
    }
    return printers;
}

std::vector<PrinterDetail> WinPrinterEnumeration::PrintersOf(const std::string& serverName) {
    return Level2(PRINTER_ENUM_NAME, serverName);
}

std::vector<PrinterDetail> WinPrinterEnumeration::LocalPrinters() { return Level2(PRINTER_ENUM_LOCAL, {}); }

std::optional<std::string> ExactAnsiName(const std::string& utf8Name) {
    const std::wstring wide = winui::Widen(utf8Name);
    std::string ansi = winui::ToAnsi(wide);
    if (winui::FromAnsi(ansi) != wide) return std::nullopt;
    return ansi;
}

bool WinPrinterEnumeration::OpensForUse(const std::string& printerName) {
    // The link library is given the name in the system code page: a printer
    // whose name does not survive that conversion could never be reached.
    std::optional<std::string> ansi = ExactAnsiName(printerName);
    if (!ansi) return false;
    PRINTER_DEFAULTSA defaults{nullptr, nullptr, PRINTER_ACCESS_USE};
    HANDLE printer = nullptr;
    if (!OpenPrinterA(ansi->data(), &printer, &defaults)) return false;
    ClosePrinter(printer);
    return true;
}

std::vector<PortDetail> WinPrinterEnumeration::Ports() {
    DWORD count = 0;
    const std::vector<BYTE> buffer = Enumerated(
        [](BYTE* data, DWORD size, DWORD* needed, DWORD* returned) {
            return EnumPortsA(nullptr, 2, data, size, needed, returned) != FALSE;
        },
        count);
    std::vector<PortDetail> ports;
    const auto* info = reinterpret_cast<const PORT_INFO_2A*>(buffer.data());
    // Each description is copied whole, whatever its length.
    for (DWORD i = 0; i < count; ++i) ports.push_back({Utf8FromAnsi(info[i].pPortName), Utf8FromAnsi(info[i].pDescription)});
    return ports;
}

}  // namespace tamsel
