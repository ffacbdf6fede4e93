// A small helper for the end-to-end menu test: runs in the program's Wine
// prefix beside it, presses keys through the system's input queue, and looks
// for windows (menus of another process cannot be read under Wine, but their
// popup windows and the program's dialogs can be found).
//
//   menu-probe keys KEY...      KEY: a letter, "alt+LETTER", "down", "up", "esc"
//   menu-probe window TITLE     exit 0 when a visible top-level window with
//                               this exact title shows within 10 s
//   menu-probe nowindow TITLE   exit 0 when no such window shows within 2 s
//   menu-probe popup            exit 0 when a pull-down menu is open
//   menu-probe foreground TITLE brings that window to the front
//   menu-probe syscolor INDEX   prints the system colour as #rrggbb
#include <windows.h>

#include <cstdio>
#include <cwchar>
#include <string>
#include <vector>

namespace {

void Key(WORD vk, bool up) {
    INPUT input = {};
    input.type = INPUT_KEYBOARD;
    input.ki.wVk = vk;
    input.ki.dwFlags = up ? KEYEVENTF_KEYUP : 0;
    SendInput(1, &input, sizeof input);
    Sleep(40);
}

bool PressKey(const std::wstring& key) {
    std::wstring name = key;
    bool alt = false;
    if (name.rfind(L"alt+", 0) == 0) {
        alt = true;
        name = name.substr(4);
    }
    WORD vk = 0;
    if (name == L"down") vk = VK_DOWN;
    else if (name == L"up") vk = VK_UP;
    else if (name == L"esc") vk = VK_ESCAPE;
    else if (name == L"enter") vk = VK_RETURN;
    else if (name.size() == 1 && iswalnum(name[0])) vk = static_cast<WORD>(towupper(name[0]));
    else return false;
    const bool shift = name.size() == 1 && iswupper(name[0]);
    if (alt) Key(VK_MENU, false);
    if (shift) Key(VK_SHIFT, false);
    Key(vk, false);
    Key(vk, true);
    if (shift) Key(VK_SHIFT, true);
    if (alt) Key(VK_MENU, true);
    Sleep(250);
    return true;
}

HWND FindShown(const wchar_t* className, const wchar_t* title) {
    HWND window = nullptr;
    while ((window = FindWindowExW(nullptr, window, className, title)) != nullptr) {
        if (IsWindowVisible(window)) return window;
    }
    return nullptr;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc < 2) return 2;
    const std::wstring command = argv[1];
    if (command == L"keys") {
        for (int i = 2; i < argc; ++i) {
            if (!PressKey(argv[i])) {
                std::fwprintf(stderr, L"menu-probe: unknown key %ls\n", argv[i]);
                return 2;
            }
        }
        return 0;
    }
    if ((command == L"window" || command == L"nowindow") && argc == 3) {
        const int tries = command == L"window" ? 100 : 20;
        for (int i = 0; i < tries; ++i) {
            if (FindShown(nullptr, argv[2]) != nullptr) return command == L"window" ? 0 : 1;
            Sleep(100);
        }
        return command == L"window" ? 1 : 0;
    }
    if (command == L"popup") {
        HWND popup = FindShown(L"#32768", nullptr);
        if (popup == nullptr) return 1;
        RECT r;
        GetWindowRect(popup, &r);
        std::printf("%ld %ld %ld %ld\n", r.left, r.top, r.right, r.bottom);
        return 0;
    }
    if (command == L"syscolor" && argc == 3) {
        const COLORREF c = GetSysColor(static_cast<int>(std::wcstol(argv[2], nullptr, 10)));
        std::printf("#%02x%02x%02x\n", GetRValue(c), GetGValue(c), GetBValue(c));
        return 0;
    }
    if (command == L"foreground" && argc == 3) {
        HWND window = FindShown(nullptr, argv[2]);
        if (window == nullptr) return 1;
        SetForegroundWindow(window);
        Sleep(200);
        return 0;
    }
    return 2;
}
