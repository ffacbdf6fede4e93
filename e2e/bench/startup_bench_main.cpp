// Start-up time of Tamsel.exe under Wine: from process start until the main
// window shows, which is after the printer's values have been read (the
// first read happens inside the main window's initialisation), with the
// status bar naming the printer. Runs the program RUNS times (default 5)
// with the one-USB-printer set and prints each time and the median.
//
//   tamsel-startup-bench [RUNS]        (through e2e/run_e2e.sh)
#include <windows.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "e2e/driver/window_driver.h"
#include "e2e/fixture/spooler_setup.h"

int main(int argc, char** argv) {
    const int runs = argc > 1 ? std::max(1, std::atoi(argv[1])) : 5;
    const wchar_t* build = _wgetenv(L"KES_E2E_BUILD_DIR");
    if (build == nullptr) {
        std::fprintf(stderr, "run through e2e/run_e2e.sh\n");
        return 2;
    }
    if (const auto error = e2e::ApplyPrinterSet("one-usb"); !error.empty()) {
        std::fprintf(stderr, "%s\n", error.c_str());
        return 1;
    }
    const std::wstring folder = std::wstring(build) + L"\\panel\\app";
    std::vector<double> times;
    for (int i = 0; i < runs; ++i) {
        const auto start = std::chrono::steady_clock::now();
        auto p = e2e::Process::Start(folder + L"\\Tamsel.exe", L"", folder);
        if (!p.Valid()) {
            std::fprintf(stderr, "Tamsel.exe did not start\n");
            return 1;
        }
        HWND main = nullptr;
        double createdMs = -1;  // the main window exists (hidden) while it initialises and reads
        const bool shown = e2e::WaitUntil(
            [&] {
                if (createdMs < 0 && !e2e::TopWindows(p.Id(), L"#32770", L"", true).empty()) {
                    createdMs =
                        std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
                }
                main = e2e::WaitForWindow(p.Id(), L"#32770", L"KVT Vantorelli 7K4R2B-55 ソルベナ", std::chrono::milliseconds(0));
                if (main == nullptr) return false;
                HWND bar = e2e::Child(main, 2015);
                return bar != nullptr && e2e::StatusText(bar, 0).find(L"Vantorelli USB") != std::wstring::npos;
            },
            std::chrono::milliseconds(30000));
        const double ms = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
        if (!shown) {
            std::fprintf(stderr, "run %d: no main window with the printer after %.0f ms\n", i + 1, ms);
            return 1;
        }
        std::printf("run %d: %.0f ms (a window of the program from %.0f ms)\n", i + 1, ms, createdMs);
        times.push_back(ms);
        e2e::PostCommand(main, 32783);  // 終了; nothing was changed, so no question
        if (!p.WaitForExit(std::chrono::milliseconds(10000))) std::fprintf(stderr, "run %d: did not end\n", i + 1);
    }
    std::sort(times.begin(), times.end());
    std::printf("median start-up to the main window with the values read: %.0f ms (%d runs; the first run warms Wine)\n",
                times[times.size() / 2], runs);
    return 0;
}
