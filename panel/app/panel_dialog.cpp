#include "panel/app/panel_dialog.h"

#include <sddl.h>

#include <algorithm>

#include "panel/app/read_fail_dialog.h"
#include "panel/app/rights_check.h"
#include "panel/app/win_text.h"
#include "panel/res/menu_icons_ids.h"
#include "panel/res/resource.h"

namespace tamsel {
namespace {

constexpr COLORREF kMaskColour = RGB(192, 192, 192);
constexpr int kImageSize = 16;
constexpr int kToolbarImages = 7;
constexpr int kTooltipMax = 79;
constexpr wchar_t kHelpFileName[] = L"Tamsel.chm";

// Tab texts, in tab order; the third keeps its two trailing blanks.
constexpr const wchar_t* kTabTexts[kPageCount] = {L"パラメータ設定1", L"パラメータ設定2", L"微調整設定  ",
                                                  L"IPアドレス設定", L"DIPSW状態表示"};
// Where the pages sit, in dialog units.
constexpr RECT kPageArea = {7, 37, 7 + 322, 37 + 205};

HINSTANCE Instance() { return GetModuleHandleW(nullptr); }

HIMAGELIST LoadMaskedStrip(int bitmapId, int images) {
    HIMAGELIST list = ImageList_Create(kImageSize, kImageSize, ILC_COLOR24 | ILC_MASK, images, 0);
    if (list == nullptr) return nullptr;
    auto bitmap = static_cast<HBITMAP>(
        LoadImageW(Instance(), MAKEINTRESOURCEW(bitmapId), IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION));
    if (bitmap != nullptr) {
        ImageList_AddMasked(list, bitmap, kMaskColour);
        DeleteObject(bitmap);
    }
    return list;
}

std::vector<int> Range(int from, int to) {
    std::vector<int> v;
    for (int i = from; i <= to; ++i) v.push_back(i);
    return v;
}

}  // namespace

PanelDialog::PanelDialog()
    : param(L"CForm_Param", PlaceholderPage::Block::Param, {10, 11, 12, 13, 14, 16, 25, 26, 27, 28, 30}, false),
      param2(L"CForm_Param2", PlaceholderPage::Block::Param, {15, 17, 18, 19, 20, 21, 22, 23, 24, 29}, false),
      set(L"CForm_Set", PlaceholderPage::Block::Adjust, Range(0, 7), false),
      ip(L"CForm_IP", PlaceholderPage::Block::Address, Range(0, 5), false),
      dipsw(L"CForm_DIPSW", PlaceholderPage::Block::Param, Range(0, 9), true),
      core(*this, *this, link, PanelPages{&param, &param2, &set, &ip, &dipsw, &portCheck}) {
    smallIcon = static_cast<HICON>(
        LoadImageW(Instance(), MAKEINTRESOURCEW(IDI_TAMSEL), IMAGE_ICON, kImageSize, kImageSize, LR_DEFAULTCOLOR));
    accelerators = LoadAcceleratorsW(Instance(), MAKEINTRESOURCEW(IDR_MAINMENU));
}

PanelDialog::~PanelDialog() {
    if (hwnd != nullptr) DestroyWindow(hwnd);
    if (smallIcon != nullptr) DestroyIcon(smallIcon);
    if (accelerators != nullptr) DestroyAcceleratorTable(accelerators);
}

INT_PTR PanelDialog::Run() {
    hwnd = CreateDialogParamW(Instance(), MAKEINTRESOURCEW(IDD_PANEL), nullptr, Proc, reinterpret_cast<LPARAM>(this));
    if (hwnd == nullptr) return -1;
    if (!ended) {
        ShowWindow(hwnd, SW_SHOW);
        SetForegroundWindow(hwnd);
    }
    MSG msg;
    while (!ended) {
        const BOOL got = GetMessageW(&msg, nullptr, 0, 0);
        if (got == 0) {
            PostQuitMessage(static_cast<int>(msg.wParam));  // leave the quit for the caller
            break;
        }
        if (got == -1) break;
        if (PreTranslate(msg)) continue;
        if (IsDialogMessageW(hwnd, &msg)) continue;
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
    DestroyWindow(hwnd);
    hwnd = nullptr;
    return endCode;
}

bool PanelDialog::PreTranslate(MSG& msg) {
    if (accelerators == nullptr || hwnd == nullptr) return false;
    if (msg.hwnd != hwnd && !IsChild(hwnd, msg.hwnd)) return false;
    return TranslateAcceleratorW(hwnd, accelerators, &msg) != 0;
}

INT_PTR CALLBACK PanelDialog::Proc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_INITDIALOG) {
        auto* self = reinterpret_cast<PanelDialog*>(lParam);
        SetWindowLongPtrW(hwnd, DWLP_USER, lParam);
        self->hwnd = hwnd;
        return self->OnInitDialog();
    }
    auto* self = reinterpret_cast<PanelDialog*>(GetWindowLongPtrW(hwnd, DWLP_USER));
    if (self == nullptr) return FALSE;
    return self->HandleMessage(message, wParam, lParam);
}

INT_PTR PanelDialog::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_COMMAND:
        OnCommand(LOWORD(wParam));
        return TRUE;
    case WM_NOTIFY: {
        const LRESULT result = OnNotify(*reinterpret_cast<const NMHDR*>(lParam));
        SetWindowLongPtrW(hwnd, DWLP_MSGRESULT, result);
        return TRUE;
    }
    case WM_SYSCOMMAND:
        if ((wParam & 0xFFF0) == SC_CLOSE) {
            core.ExitPanel();
            return TRUE;  // what the default would do ends in the empty OnCancel
        }
        return FALSE;
    case WM_SIZE:
        OnSize();
        return FALSE;
    case WM_PAINT:
        return OnPaint() ? TRUE : FALSE;
    case WM_MEASUREITEM:
        // wParam 0: a menu item.
        if (wParam == 0 && IconMenu::Measure(*reinterpret_cast<MEASUREITEMSTRUCT*>(lParam))) return TRUE;
        return FALSE;
    case WM_DRAWITEM:
        if (wParam == 0 && IconMenu::Draw(*reinterpret_cast<const DRAWITEMSTRUCT*>(lParam))) return TRUE;
        return FALSE;
    case WM_MENUCHAR: {
        auto* popup = reinterpret_cast<HMENU>(lParam);
        if (!IconMenu::OwnsPopup(popup)) return FALSE;
        SetWindowLongPtrW(hwnd, DWLP_MSGRESULT, OnMenuChar(static_cast<wchar_t>(LOWORD(wParam)), HIWORD(wParam), popup));
        return TRUE;
    }
    case WM_QUERYDRAGICON:
        return reinterpret_cast<INT_PTR>(smallIcon);
    case WM_DESTROY:
        OnDestroy();
        return FALSE;
    default:
        return FALSE;
    }
}

BOOL PanelDialog::OnInitDialog() {
    CheckRights();
    CreateMenuBar();

    // The help file sits beside the program.
    wchar_t module[MAX_PATH] = {};
    GetModuleFileNameW(nullptr, module, MAX_PATH);
    helpPath = module;
    helpPath = helpPath.substr(0, helpPath.find_last_of(L'\\') + 1) + kHelpFileName;
    const bool helpPresent = GetFileAttributesW(helpPath.c_str()) != INVALID_FILE_ATTRIBUTES;
    EnableMenuItem(menu, ID_HELP_CONTENTS, MF_BYCOMMAND | (helpPresent ? MF_ENABLED : MF_GRAYED));

    SendMessageW(hwnd, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(smallIcon));
    SendMessageW(hwnd, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(smallIcon));

    CreateToolbar();
    CreateStatusBar();
    EnableMenuItem(menu, ID_FILE_SEND, MF_BYCOMMAND | MF_ENABLED);
    SendMessageW(toolbar, TB_ENABLEBUTTON, ID_TB_SEND, MAKELPARAM(TRUE, 0));
    CreateTabsAndPages();

    core.Initialise();
    return TRUE;
}

void PanelDialog::CheckRights() {
    OSVERSIONINFOA version = {};
    version.dwOSVersionInfoSize = sizeof version;
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
    if (!GetVersionExA(&version)) return;
#pragma GCC diagnostic pop
    if (!RightsCheckApplies(version.dwPlatformId == VER_PLATFORM_WIN32_NT, version.dwMajorVersion)) return;

    char user[256] = {};
    DWORD userLength = sizeof user;
    if (!GetUserNameA(user, &userLength)) return;
    char domain[256] = {};
    DWORD domainLength = sizeof domain;
    DWORD sidSize = 0;
    SID_NAME_USE use;
    LookupAccountNameA(nullptr, user, nullptr, &sidSize, domain, &domainLength, &use);
    if (sidSize == 0) return;
    HANDLE heap = GetProcessHeap();
    void* sid = HeapAlloc(heap, HEAP_ZERO_MEMORY, sidSize);
    if (sid == nullptr) return;
    domainLength = sizeof domain;
    char* sidText = nullptr;
    bool guest = false;
    if (LookupAccountNameA(nullptr, user, sid, &sidSize, domain, &domainLength, &use) &&
        ConvertSidToStringSidA(sid, &sidText)) {
        guest = IsGuestSidText(sidText);
        LocalFree(sidText);
    }
    HeapFree(heap, 0, sid);
    if (guest) {
        ShowMessage(texts::kNoRights, MessageButtons::Ok, MessageIcon::Exclamation);
        ExitProcess(1);
    }
}

LRESULT PanelDialog::OnMenuChar(wchar_t typed, UINT flags, HMENU popup) {
    return IconMenu::FindShortcut(typed, flags, popup);
}

void PanelDialog::CreateMenuBar() {
    // The template has no menu: keep the client area the template asks for
    // by growing the window by the menu bar's height.
    RECT before;
    GetClientRect(hwnd, &before);
    if (iconMenu.LoadFromResource(IDR_MAINMENU)) {
        struct CommandIcon {
            UINT command;
            int bitmap;
        };
        constexpr CommandIcon kCommandIcons[] = {
            {ID_FILE_OPEN_SETTINGS, IDB_MENU_OPEN_FILE}, {ID_FILE_SAVE_SETTINGS, IDB_MENU_SAVE_FILE},
            {ID_FILE_FACTORY, IDB_MENU_FACTORY},         {ID_FILE_SELECT_PRINTER, IDB_MENU_SELECT_PRINTER},
            {ID_FILE_SEND, IDB_MENU_SEND},               {ID_FILE_READ, IDB_MENU_READ},
            {ID_MENU_PARAM1, IDB_MENU_PARAM1},           {ID_MENU_PARAM2, IDB_MENU_PARAM2},
            {ID_MENU_ADJUST, IDB_MENU_FINE_ADJUST},      {ID_MENU_IP, IDB_MENU_IP_ADDRESS},
            {ID_MENU_DIPSW, IDB_MENU_DIPSW},             {ID_MENU_TEST_PRINT, IDB_MENU_TEST_PRINT},
        };
        for (const auto& icon : kCommandIcons) iconMenu.SetCommandIcon(nullptr, icon.command, icon.bitmap);
        // The window owns the menu bar from here; iconMenu keeps serving the
        // pull-down menus.
        menu = iconMenu.Detach();
    } else {
        // Without the owner-drawn menu the plain one still offers every command.
        menu = LoadMenuW(Instance(), MAKEINTRESOURCEW(IDR_MAINMENU));
    }
    SetMenu(hwnd, menu);
    RECT after, window;
    GetClientRect(hwnd, &after);
    GetWindowRect(hwnd, &window);
    const int grow = (before.bottom - before.top) - (after.bottom - after.top);
    if (grow > 0) {
        SetWindowPos(hwnd, nullptr, window.left, window.top - grow / 2, window.right - window.left,
                     window.bottom - window.top + grow, SWP_NOZORDER | SWP_NOACTIVATE);
    }
}

void PanelDialog::CreateToolbar() {
    toolbar = CreateWindowExW(0, TOOLBARCLASSNAMEW, nullptr,
                              WS_CHILD | WS_VISIBLE | WS_BORDER | TBSTYLE_TOOLTIPS | CCS_ADJUSTABLE | CCS_TOP, 0, 0,
                              0, 0, hwnd, reinterpret_cast<HMENU>(static_cast<INT_PTR>(IDC_TOOLBAR)), Instance(),
                              nullptr);
    if (toolbar == nullptr) return;
    SendMessageW(toolbar, TB_BUTTONSTRUCTSIZE, sizeof(TBBUTTON), 0);
    toolbarImages = LoadMaskedStrip(IDB_TOOLBAR, kToolbarImages);
    SendMessageW(toolbar, TB_SETIMAGELIST, 0, reinterpret_cast<LPARAM>(toolbarImages));

    // Separator, then each button with a separator between them.
    const int ids[kToolbarImages] = {ID_TB_OPEN_FILE, ID_TB_SAVE_FILE, ID_TB_SEND,       ID_TB_READ,
                                     ID_TB_FACTORY,   ID_TB_SELECT_PRINTER, ID_TB_TEST_PRINT};
    std::vector<TBBUTTON> buttons;
    const auto separator = [&] {
        TBBUTTON b = {};
        b.fsStyle = BTNS_SEP;
        buttons.push_back(b);
    };
    separator();
    for (int i = 0; i < kToolbarImages; ++i) {
        if (i >= 2) separator();
        TBBUTTON b = {};
        b.iBitmap = i;
        b.idCommand = ids[i];
        b.fsState = TBSTATE_ENABLED;
        b.fsStyle = BTNS_BUTTON;
        buttons.push_back(b);
    }
    SendMessageW(toolbar, TB_ADDBUTTONSW, buttons.size(), reinterpret_cast<LPARAM>(buttons.data()));
    SendMessageW(toolbar, TB_AUTOSIZE, 0, 0);
}

void PanelDialog::CreateStatusBar() {
    statusBar = CreateWindowExW(0, STATUSCLASSNAMEW, nullptr, WS_CHILD | WS_VISIBLE | CCS_BOTTOM, 0, 0, 0, 0, hwnd,
                                reinterpret_cast<HMENU>(static_cast<INT_PTR>(IDC_STATUSBAR)), Instance(), nullptr);
    if (statusBar == nullptr) return;
    // The printer's name in the dialogs' font, so that Japanese names read the same.
    SendMessageW(statusBar, WM_SETFONT, SendMessageW(hwnd, WM_GETFONT, 0, 0), FALSE);
    RECT r;
    GetClientRect(statusBar, &r);
    // Part 0 ends at three fifths of the bar, part 1 runs to the end.
    int parts[2] = {(r.right - r.left) / 5 * 3, -1};
    SendMessageW(statusBar, SB_SETPARTS, 2, reinterpret_cast<LPARAM>(parts));
}

void PanelDialog::CreateTabsAndPages() {
    tab = GetDlgItem(hwnd, IDC_TAB);
    tabImages = LoadMaskedStrip(IDB_TABS, kPageCount);
    SendMessageW(tab, TCM_SETIMAGELIST, 0, reinterpret_cast<LPARAM>(tabImages));
    for (int i = 0; i < kPageCount; ++i) {
        TCITEMW item = {};
        item.mask = TCIF_TEXT | TCIF_IMAGE;
        item.pszText = const_cast<wchar_t*>(kTabTexts[i]);
        item.iImage = i;
        SendMessageW(tab, TCM_INSERTITEMW, i, reinterpret_cast<LPARAM>(&item));
    }
    RECT area = kPageArea;
    MapDialogRect(hwnd, &area);
    PlaceholderPage* pages[kPageCount] = {&param, &param2, &set, &ip, &dipsw};
    for (int i = 0; i < kPageCount; ++i) {
        pages[i]->Create(hwnd, area, i == 0);
        // Above the tab control, so that the page is drawn over its body.
        SetWindowPos(pages[i]->Window(), HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    }
}

void PanelDialog::ShowPage(int page) {
    const HWND pages[kPageCount] = {param.Window(), param2.Window(), set.Window(), ip.Window(), dipsw.Window()};
    for (HWND w : pages) ShowWindow(w, SW_HIDE);
    ShowWindow(pages[page], SW_SHOW);
    if (GetFocus() != tab) SetFocus(pages[page]);
}

void PanelDialog::SelectPage(int page) {
    if (page < 0 || page >= kPageCount || tab == nullptr) return;
    SendMessageW(tab, TCM_SETCURSEL, page, 0);
    ShowPage(page);
}

void PanelDialog::OnCommand(int id) {
    switch (id) {
    case IDOK:
        OnOK();
        break;
    case IDCANCEL:
        OnCancel();
        break;
    case ID_FILE_READ:
    case ID_TB_READ:
        core.ReadFromPrinter();
        break;
    case ID_FILE_SELECT_PRINTER:
    case ID_TB_SELECT_PRINTER:
        core.SelectPrinter();
        break;
    case ID_FILE_EXIT:
        core.ExitPanel();
        break;
    case ID_MENU_PARAM1:
        SelectPage(0);
        break;
    case ID_MENU_PARAM2:
        SelectPage(1);
        break;
    case ID_MENU_ADJUST:
        SelectPage(2);
        break;
    case ID_MENU_IP:
        SelectPage(3);
        break;
    case ID_MENU_DIPSW:
        SelectPage(4);
        break;
    case IDM_ABOUTBOX:
        ShowAbout();
        break;
    case ID_DATA_CHECK:
        EnableMenuItem(menu, ID_FILE_SEND, MF_BYCOMMAND | MF_ENABLED);
        SendMessageW(toolbar, TB_ENABLEBUTTON, ID_TB_SEND, MAKELPARAM(TRUE, 0));
        break;
    default:
        // Settings files, sending, factory values, test print and help come
        // with their commands; 32819 does nothing by design.
        break;
    }
}

LRESULT PanelDialog::OnNotify(const NMHDR& header) {
    if (header.idFrom == IDC_TAB && header.code == TCN_SELCHANGE) {
        const int page = static_cast<int>(SendMessageW(tab, TCM_GETCURSEL, 0, 0));
        if (page >= 0 && page < kPageCount) ShowPage(page);
        return 0;
    }
    if (header.code == TTN_GETDISPINFOW) {
        auto& info = const_cast<NMTTDISPINFOW&>(reinterpret_cast<const NMTTDISPINFOW&>(header));
        tipText[0] = L'\0';
        LoadStringW(Instance(), static_cast<UINT>(header.idFrom), tipText, kTooltipMax + 1);
        info.lpszText = tipText;
        info.hinst = nullptr;
        return 0;
    }
    return 0;
}

void PanelDialog::OnSize() {
    HMENU system = GetSystemMenu(hwnd, FALSE);
    if (system == nullptr) return;
    const bool minimised = IsIconic(hwnd) != FALSE;
    EnableMenuItem(system, SC_SIZE, MF_BYCOMMAND | MF_GRAYED);
    EnableMenuItem(system, SC_MAXIMIZE, MF_BYCOMMAND | MF_GRAYED);
    EnableMenuItem(system, SC_RESTORE, MF_BYCOMMAND | (minimised ? MF_ENABLED : MF_GRAYED));
    EnableMenuItem(system, SC_MINIMIZE, MF_BYCOMMAND | (minimised ? MF_GRAYED : MF_ENABLED));
}

bool PanelDialog::OnPaint() {
    if (!IsIconic(hwnd)) return false;
    PAINTSTRUCT ps;
    HDC dc = BeginPaint(hwnd, &ps);
    SendMessageW(hwnd, WM_ICONERASEBKGND, reinterpret_cast<WPARAM>(dc), 0);
    RECT client;
    GetClientRect(hwnd, &client);
    const int w = GetSystemMetrics(SM_CXSMICON), h = GetSystemMetrics(SM_CYSMICON);
    DrawIconEx(dc, (client.right - w + 1) / 2, (client.bottom - h + 1) / 2, smallIcon, w, h, 0, nullptr, DI_NORMAL);
    EndPaint(hwnd, &ps);
    return true;
}

void PanelDialog::OnDestroy() {
    if (toolbarImages != nullptr) ImageList_Destroy(toolbarImages);
    if (tabImages != nullptr) ImageList_Destroy(tabImages);
    toolbarImages = tabImages = nullptr;
}

void PanelDialog::ShowAbout() {
    DialogBoxParamW(
        Instance(), MAKEINTRESOURCEW(IDD_ABOUTBOX), hwnd,
        [](HWND dialog, UINT message, WPARAM wParam, LPARAM) -> INT_PTR {
            if (message == WM_INITDIALOG) return TRUE;
            if (message == WM_COMMAND && (LOWORD(wParam) == IDOK || LOWORD(wParam) == IDCANCEL)) {
                EndDialog(dialog, LOWORD(wParam));
                return TRUE;
            }
            return FALSE;
        },
        0);
}

// --- Seams ------------------------------------------------------------------------------

void PanelDialog::CloseWindow() {
    ended = true;
    endCode = IDOK;
}

void PanelDialog::EndProcess(int exitCode) { ExitProcess(static_cast<UINT>(exitCode)); }

void PanelDialog::ShowPrinterInStatusBar(const std::string& printerName, const std::string& destination) {
    SendMessageW(statusBar, SB_SETTEXTW, 0, reinterpret_cast<LPARAM>(Widen(printerName).c_str()));
    SendMessageW(statusBar, SB_SETTEXTW, 1, reinterpret_cast<LPARAM>(Widen(destination).c_str()));
}

void PanelDialog::EnablePrinterSelection(bool enable) {
    EnableMenuItem(menu, ID_FILE_SELECT_PRINTER, MF_BYCOMMAND | (enable ? MF_ENABLED : MF_GRAYED));
    SendMessageW(toolbar, TB_ENABLEBUTTON, ID_TB_SELECT_PRINTER, MAKELPARAM(enable ? TRUE : FALSE, 0));
}

SelectionOutcome PanelDialog::RunPrinterSelection(const SelectionRequest& request) {
    return PlaceholderPrinterSelection(hwnd, request, *this);
}

ReadFailChoice PanelDialog::RunReadFailDialog() {
    ReadFailDialog dialog;
    const INT_PTR result = dialog.Run(hwnd);
    if (result != IDOK) return ReadFailChoice::Retry;
    return dialog.exitRequested == 1 ? ReadFailChoice::EndProgram : ReadFailChoice::ShowFactory;
}

std::string PanelDialog::ToAnsi(const std::string& utf8) { return ToSystemCodePage(utf8); }

// Sending and saving come with their commands. Until then both count as
// abandoned, so that a question answered with Yes keeps the window open
// rather than dropping the values.
int PanelDialog::SendToPrinter() { return 1; }
int PanelDialog::SaveSettingsFile() { return 1; }

MessageAnswer PanelDialog::ShowMessage(std::string_view text, MessageButtons buttons, MessageIcon icon) {
    UINT flags = 0;
    switch (buttons) {
    case MessageButtons::Ok: flags |= MB_OK; break;
    case MessageButtons::OkCancel: flags |= MB_OKCANCEL; break;
    case MessageButtons::YesNo: flags |= MB_YESNO; break;
    case MessageButtons::YesNoCancel: flags |= MB_YESNOCANCEL; break;
    }
    switch (icon) {
    case MessageIcon::Information: flags |= MB_ICONINFORMATION; break;
    case MessageIcon::Exclamation: flags |= MB_ICONEXCLAMATION; break;
    case MessageIcon::Stop: flags |= MB_ICONSTOP; break;
    }
    const int answer = MessageBoxW(hwnd, Widen(text).c_str(), Widen(texts::kCaption).c_str(), flags);
    switch (answer) {
    case IDYES: return MessageAnswer::Yes;
    case IDNO: return MessageAnswer::No;
    case IDCANCEL: return MessageAnswer::Cancel;
    default: return MessageAnswer::Ok;
    }
}

}  // namespace tamsel
