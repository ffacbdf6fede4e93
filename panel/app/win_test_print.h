// The test print and the help viewer on Windows: the spooler and GDI for the
// label, HTML Help ("hhctrl.ocx", loaded on first use) for the help file.
#pragma once

#include <windows.h>

#include "panel/app/test_print_help.h"

namespace tamsel {

class WinTestPrint : public TestPrintSeam {
public:
    std::optional<int> ReadVerticalResolution(const std::string& ansiName) override;
    bool PrintLabel(const std::string& ansiName, int scale) override;
};

class WinHelp : public HelpSeam {
public:
    WinHelp() = default;
    WinHelp(const WinHelp&) = delete;
    WinHelp& operator=(const WinHelp&) = delete;
    // The viewer stays loaded while its windows may be open.
    ~WinHelp() override;

    bool DisplayHelp(const std::string& helpPath) override;

private:
    HMODULE viewer = nullptr;
};

}  // namespace tamsel
