// The dialog shown when the settings could not be read: OK shows factory
// values, 再試行 tries again, 終了 ends the program.
#pragma once

#include <windows.h>

#include <cstdint>

namespace tamsel {

class ReadFailDialog {
public:
    // IDOK (OK or 終了, see exitRequested) or IDCANCEL (再試行, Escape,
    // the close button).
    INT_PTR Run(HWND owner);

    std::int32_t exitRequested = 0;

private:
    static INT_PTR CALLBACK Proc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
    void OnOK(HWND hwnd);
    void OnCancel(HWND hwnd);
};

}  // namespace tamsel
