// The selection's seams over the real system: message boxes, the end of the
// process, and the spooler's printer and port enumeration.
#pragma once

#include <windows.h>

#include "panel/select/select_seams.h"

namespace tamsel {

// The caption of every message box of the panel program.
inline constexpr wchar_t kMessageCaption[] = L"ソルベナ";

// A message box owned by `owner` (the dialog that asks), OK button only.
class WinNotices final : public Notices {
public:
    void SetOwner(HWND window) { owner = window; }
    void Show(const std::string& text, NoticeIcon icon) override;

private:
    HWND owner = nullptr;
};

class WinProcessExit final : public ProcessExit {
public:
    [[noreturn]] void Exit(int code) override;
};

// Printers through the wide enumeration (their names exactly as the system
// holds them); the open test through the ANSI name that the link library will
// be given, so that only printers it can address are offered; the ports
// through the ANSI level-2 enumeration, read in the system code page.
class WinPrinterEnumeration final : public PrinterEnumeration {
public:
    bool IsNtPlatform() override;
    std::vector<PrinterBrief> LocalAndConnections() override;
    std::vector<PrinterDetail> PrintersOf(const std::string& serverName) override;
    std::vector<PrinterDetail> LocalPrinters() override;
    bool OpensForUse(const std::string& printerName) override;
    std::vector<PortDetail> Ports() override;
};

// The printer name in the system code page when it converts there and back
// unchanged; nothing when a character of it has no place in the code page.
std::optional<std::string> ExactAnsiName(const std::string& utf8Name);

}  // namespace tamsel
