// A tiny stand-in program on which the window driver is checked: one dialog
// with the controls the panel program uses (list view, tab control, status
// bar, toolbar with tooltips, up-down, IP address control, buttons) and a
// message box. Each notification it receives is written into the static
// text kResult, so a test sees that its click arrived as a real click.
//
//   e2e-standin.exe            shows the window; exit code 7 from "終了", 3 from closing
//   e2e-standin.exe /exit N    ends at once with exit code N
#include <windows.h>
#include <commctrl.h>

#include <cstdlib>
#include <cwchar>
#include <string>
#include <vector>

namespace {

constexpr int kList = 1069;
constexpr int kTab = 1000;
constexpr int kStatus = 2015;
constexpr int kToolbar = 2016;
constexpr int kToolRead = 2003;
constexpr int kToolSelect = 2005;
constexpr int kAsk = 1010;
constexpr int kQuit = 1011;
constexpr int kResult = 1020;
constexpr int kPortEdit = 1266;
constexpr int kIp = 1295;
constexpr int kSpinEdit = 1301;
constexpr int kSpin = 1302;
constexpr int kAccelRead = 40001;
constexpr int kAccelHelp = 40002;
constexpr int kQuitCode = 7;
constexpr int kClosedCode = 3;

const wchar_t kTitle[] = L"E2E スタンドイン";

HINSTANCE instance;

void SetResult(HWND dialog, const std::wstring& text) { ::SetDlgItemTextW(dialog, kResult, text.c_str()); }

HWND Make(HWND parent, const wchar_t* cls, const wchar_t* text, DWORD style, int x, int y, int w, int h, int id) {
    return ::CreateWindowExW(0, cls, text, WS_CHILD | WS_VISIBLE | style, x, y, w, h, parent,
                             reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), instance, nullptr);
}

void AddRow(HWND list, const wchar_t* name, const wchar_t* port) {
    LVITEMW item{};
    item.mask = LVIF_TEXT;
    item.iItem = ::SendMessageW(list, LVM_GETITEMCOUNT, 0, 0);
    item.pszText = const_cast<wchar_t*>(name);
    const int row = static_cast<int>(::SendMessageW(list, LVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&item)));
    item.iItem = row;
    item.iSubItem = 1;
    item.pszText = const_cast<wchar_t*>(port);
    ::SendMessageW(list, LVM_SETITEMTEXTW, row, reinterpret_cast<LPARAM>(&item));
}

void Build(HWND dialog) {
    HWND toolbar = Make(dialog, TOOLBARCLASSNAMEW, L"", TBSTYLE_TOOLTIPS | TBSTYLE_FLAT | CCS_TOP, 0, 0, 0, 0, kToolbar);
    ::SendMessageW(toolbar, TB_BUTTONSTRUCTSIZE, sizeof(TBBUTTON), 0);
    TBADDBITMAP bitmap{HINST_COMMCTRL, IDB_STD_SMALL_COLOR};
    ::SendMessageW(toolbar, TB_ADDBITMAP, 0, reinterpret_cast<LPARAM>(&bitmap));
    TBBUTTON buttons[3] = {};
    buttons[0] = {STD_FILEOPEN, kToolRead, TBSTATE_ENABLED, BTNS_BUTTON, {}, 0, 0};
    buttons[1] = {0, 0, TBSTATE_ENABLED, BTNS_SEP, {}, 0, 0};
    buttons[2] = {STD_PRINT, kToolSelect, 0, BTNS_BUTTON, {}, 0, 0};
    ::SendMessageW(toolbar, TB_ADDBUTTONSW, 3, reinterpret_cast<LPARAM>(buttons));
    ::SendMessageW(toolbar, TB_AUTOSIZE, 0, 0);

    HWND list = Make(dialog, WC_LISTVIEWW, L"",
                     WS_BORDER | WS_TABSTOP | LVS_REPORT | LVS_SINGLESEL | LVS_SORTASCENDING | LVS_SHOWSELALWAYS, 10,
                     40, 320, 110, kList);
    ::SendMessageW(list, LVM_SETEXTENDEDLISTVIEWSTYLE, LVS_EX_FULLROWSELECT, LVS_EX_FULLROWSELECT);
    LVCOLUMNW column{};
    column.mask = LVCF_TEXT | LVCF_WIDTH | LVCF_FMT;
    column.fmt = LVCFMT_LEFT;
    column.cx = 200;
    column.pszText = const_cast<wchar_t*>(L"プリンタ名");
    ::SendMessageW(list, LVM_INSERTCOLUMNW, 0, reinterpret_cast<LPARAM>(&column));
    column.cx = 90;
    column.pszText = const_cast<wchar_t*>(L"接続先");
    ::SendMessageW(list, LVM_INSERTCOLUMNW, 1, reinterpret_cast<LPARAM>(&column));
    AddRow(list, L"Vantorelli USB", L"USB001");
    AddRow(list, L"Alpha", L"FILE:");
    AddRow(list, L"ヴァントレリ", L"IP_127.0.0.1");

    HWND tab = Make(dialog, WC_TABCONTROLW, L"", WS_TABSTOP, 340, 40, 260, 110, kTab);
    const wchar_t* tabs[] = {L"一", L"二  ", L"三"};
    for (int i = 0; i < 3; ++i) {
        TCITEMW item{};
        item.mask = TCIF_TEXT;
        item.pszText = const_cast<wchar_t*>(tabs[i]);
        ::SendMessageW(tab, TCM_INSERTITEMW, i, reinterpret_cast<LPARAM>(&item));
    }

    Make(dialog, L"Edit", L"12000", WS_BORDER | WS_TABSTOP | ES_AUTOHSCROLL, 10, 160, 100, 22, kPortEdit);
    Make(dialog, WC_IPADDRESSW, L"", WS_TABSTOP, 120, 160, 150, 22, kIp);
    ::SendDlgItemMessageW(dialog, kIp, IPM_SETADDRESS, 0, MAKEIPADDRESS(10, 0, 0, 1));
    Make(dialog, L"Edit", L"", WS_BORDER | WS_TABSTOP, 280, 160, 60, 22, kSpinEdit);
    HWND spin = Make(dialog, UPDOWN_CLASSW, L"", UDS_SETBUDDYINT | UDS_ALIGNRIGHT | UDS_ARROWKEYS, 0, 0, 0, 0, kSpin);
    ::SendMessageW(spin, UDM_SETBUDDY, reinterpret_cast<WPARAM>(::GetDlgItem(dialog, kSpinEdit)), 0);
    ::SendMessageW(spin, UDM_SETRANGE32, 0, 100);
    ::SendMessageW(spin, UDM_SETPOS32, 0, 57);

    Make(dialog, L"Button", L"確認(&A)...", WS_TABSTOP | BS_PUSHBUTTON, 10, 195, 100, 26, kAsk);
    Make(dialog, L"Button", L"終了", WS_TABSTOP | BS_PUSHBUTTON, 120, 195, 100, 26, kQuit);
    Make(dialog, L"Static", L"", SS_LEFT, 230, 200, 370, 20, kResult);

    HWND status = Make(dialog, STATUSCLASSNAMEW, L"", SBARS_SIZEGRIP, 0, 0, 0, 0, kStatus);
    RECT r{};
    ::GetClientRect(status, &r);
    int parts[2] = {(r.right / 5) * 3, -1};
    ::SendMessageW(status, SB_SETPARTS, 2, reinterpret_cast<LPARAM>(parts));
    ::SendMessageW(status, SB_SETTEXTW, 0, reinterpret_cast<LPARAM>(L"プリンタ名： Vantorelli USB"));
    ::SendMessageW(status, SB_SETTEXTW, 1, reinterpret_cast<LPARAM>(L"接続先： USB001"));
    ::SetFocus(list);
}

void OnNotify(HWND dialog, const NMHDR& header, LPARAM lParam) {
    if (header.idFrom == kList && header.code == NM_DBLCLK) {
        const auto& activate = *reinterpret_cast<const NMITEMACTIVATE*>(lParam);
        SetResult(dialog, L"dblclk " + std::to_wstring(activate.iItem));
    } else if (header.idFrom == kTab && header.code == TCN_SELCHANGE) {
        const int selected = static_cast<int>(::SendMessageW(header.hwndFrom, TCM_GETCURSEL, 0, 0));
        SetResult(dialog, L"tab " + std::to_wstring(selected));
    } else if (header.code == TTN_GETDISPINFOW) {
        auto& info = *reinterpret_cast<NMTTDISPINFOW*>(lParam);
        if (header.idFrom == kToolRead) info.lpszText = const_cast<wchar_t*>(L"プリンタ設定値読み込み");
        if (header.idFrom == kToolSelect) info.lpszText = const_cast<wchar_t*>(L"プリンタの選択");
    } else if (header.idFrom == kSpin && header.code == UDN_DELTAPOS) {
        const auto& change = *reinterpret_cast<const NMUPDOWN*>(lParam);
        SetResult(dialog, L"spin " + std::to_wstring(change.iPos) + L" " + std::to_wstring(change.iDelta));
    }
}

INT_PTR CALLBACK DialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_INITDIALOG:
        Build(dialog);
        return FALSE;
    case WM_NOTIFY:
        OnNotify(dialog, *reinterpret_cast<const NMHDR*>(lParam), lParam);
        return TRUE;
    case WM_COMMAND:
        switch (LOWORD(wParam)) {
        case kAsk: {
            const int answer = ::MessageBoxW(dialog, L"続けますか？\n二行目です。", L"ソルベナ",
                                             MB_YESNOCANCEL | MB_ICONEXCLAMATION);
            SetResult(dialog, L"answer " + std::to_wstring(answer));
            return TRUE;
        }
        case kQuit:
            ::DestroyWindow(dialog);
            ::PostQuitMessage(kQuitCode);
            return TRUE;
        case kToolRead:
            SetResult(dialog, L"toolbar read");
            return TRUE;
        case kAccelRead:
            SetResult(dialog, L"accelerator read");
            return TRUE;
        case kAccelHelp:
            SetResult(dialog, L"accelerator help");
            return TRUE;
        case IDOK:
        case IDCANCEL:
            return TRUE;  // Enter and Escape do nothing, as in the panel program
        }
        return FALSE;
    case WM_CLOSE:
        ::DestroyWindow(dialog);
        ::PostQuitMessage(kClosedCode);
        return TRUE;
    }
    return FALSE;
}

// An empty dialog template; the controls are made in WM_INITDIALOG.
std::vector<WORD> Template() {
    std::vector<WORD> words(sizeof(DLGTEMPLATE) / sizeof(WORD), 0);
    auto* t = reinterpret_cast<DLGTEMPLATE*>(words.data());
    t->style = WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX | DS_MODALFRAME | DS_CENTER | WS_VISIBLE;
    t->cdit = 0;
    t->cx = 420;
    t->cy = 170;
    words.push_back(0);  // no menu
    words.push_back(0);  // the dialog class
    for (const wchar_t* c = kTitle; *c != 0; ++c) words.push_back(static_cast<WORD>(*c));
    words.push_back(0);
    return words;
}

}  // namespace

int WINAPI wWinMain(HINSTANCE hInstance, HINSTANCE, PWSTR commandLine, int) {
    instance = hInstance;
    if (std::wcsncmp(commandLine, L"/exit ", 6) == 0) return std::wcstol(commandLine + 6, nullptr, 10);
    INITCOMMONCONTROLSEX controls{sizeof(controls), ICC_WIN95_CLASSES | ICC_INTERNET_CLASSES};
    ::InitCommonControlsEx(&controls);
    auto words = Template();
    HWND dialog = ::CreateDialogIndirectParamW(hInstance, reinterpret_cast<DLGTEMPLATE*>(words.data()), nullptr,
                                               DialogProc, 0);
    if (dialog == nullptr) return 100;
    ACCEL keys[] = {{FCONTROL | FVIRTKEY, 'R', kAccelRead}, {FVIRTKEY, VK_F1, kAccelHelp}};
    HACCEL accelerators = ::CreateAcceleratorTableW(keys, 2);
    MSG msg;
    while (::GetMessageW(&msg, nullptr, 0, 0) > 0) {
        if (::TranslateAcceleratorW(dialog, accelerators, &msg)) continue;
        if (::IsDialogMessageW(dialog, &msg)) continue;
        ::TranslateMessage(&msg);
        ::DispatchMessageW(&msg);
    }
    ::DestroyAcceleratorTable(accelerators);
    return static_cast<int>(msg.wParam);
}
