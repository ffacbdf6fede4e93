#include "panel/app/panel_dialog.h"

#include <sddl.h>

#include <algorithm>

#include "panel/app/read_fail_dialog.h"
#include "panel/app/rights_check.h"
#include "panel/res/menu_icons_ids.h"
#include "panel/res/resource.h"
#include "winui/text.h"

namespace tamsel {
namespace {

constexpr COLORREF kMaskColour = RGB(192, 192, 192);
constexpr int kImageSize = 16;
constexpr int kToolbarImages = 7;
constexpr int kTooltipMax = 79;

// Tab texts, in tab order; the third keeps its two trailing blanks.
constexpr const wchar_t* kTabTexts[kPageCount] = {L"パラメータ設定1", L"パラメータ設定2", L"微調整設定  ",
                                                  L"IPアドレス設定", L"DIPSW状態表示"};

HINSTANCE ProgramInstance() { return GetModuleHandleW(nullptr); }

HIMAGELIST LoadMaskedStrip(int bitmapId, int images) {
    HIMAGELIST list = ImageList_Create(kImageSize, kImageSize, ILC_COLOR24 | ILC_MASK, images, 0);
    if (list == nullptr) return nullptr;
    auto bitmap = static_cast<HBITMAP>(
        LoadImageW(ProgramInstance(), MAKEINTRESOURCEW(bitmapId), IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION));
    if (bitmap != nullptr) {
        ImageList_AddMasked(list, bitmap, kMaskColour);
        DeleteObject(bitmap);
    }
    return list;
}

}  // namespace

PanelDialog::PanelDialog()
    : winui::ModalDialog(ProgramInstance(), IDD_PANEL),
      selectDialog(ProgramInstance()),
      sendDialog(ProgramInstance()),
      core(*this, *this, link, files, PanelPages{&paramRecords, &param2Records, &setRecords, &ipRecords, &dipswRecords, &ip.portCheck}) {
    smallIcon = static_cast<HICON>(
        LoadImageW(Instance(), MAKEINTRESOURCEW(IDI_TAMSEL), IMAGE_ICON, kImageSize, kImageSize, LR_DEFAULTCOLOR));
    accelerators = LoadAcceleratorsW(Instance(), MAKEINTRESOURCEW(IDR_MAINMENU));
}

PanelDialog::~PanelDialog() {
    // The run has destroyed the window and its controls by now; the image
    // lists they used go after them.
    if (toolbarImages != nullptr) ImageList_Destroy(toolbarImages);
    if (tabImages != nullptr) ImageList_Destroy(tabImages);
    if (smallIcon != nullptr) DestroyIcon(smallIcon);
    if (accelerators != nullptr) DestroyAcceleratorTable(accelerators);
}

bool PanelDialog::PreTranslate(MSG& msg) {
    HWND hwnd = Window();
    if (accelerators == nullptr || hwnd == nullptr) return false;
    if (msg.hwnd != hwnd && !IsChild(hwnd, msg.hwnd)) return false;
    return TranslateAcceleratorW(hwnd, accelerators, &msg) != 0;
}

bool PanelDialog::OnMessage(UINT msg, WPARAM wParam, LPARAM lParam, INT_PTR& result) {
    switch (msg) {
    case WM_SYSCOMMAND:
        if ((wParam & 0xFFF0) != SC_CLOSE) return false;
        // Alt+F4 and the close button ask the exit questions; what the
        // default would do next ends in the empty OnCancel.
        core.ExitPanel();
        result = TRUE;
        return true;
    case WM_SIZE:
        OnSize();
        return false;
    case WM_PAINT:
        if (!OnPaint()) return false;
        result = TRUE;
        return true;
    case WM_MEASUREITEM:
        // wParam 0: a menu item.
        if (wParam != 0 || !IconMenu::Measure(*reinterpret_cast<MEASUREITEMSTRUCT*>(lParam))) return false;
        result = TRUE;
        return true;
    case WM_DRAWITEM:
        if (wParam != 0 || !IconMenu::Draw(*reinterpret_cast<const DRAWITEMSTRUCT*>(lParam))) return false;
        result = TRUE;
        return true;
    case WM_MENUCHAR: {
        auto* popup = reinterpret_cast<HMENU>(lParam);
        if (!IconMenu::OwnsPopup(popup)) return false;
        SetMessageResult(IconMenu::FindShortcut(static_cast<wchar_t>(LOWORD(wParam)), HIWORD(wParam), popup));
        result = TRUE;
        return true;
    }
    case WM_DESTROY:
        // The help viewer closes with the program.
        if (!helpPath.empty()) WinHelpA(Window(), helpPath.c_str(), HELP_QUIT, 0);
        return false;
    case WM_QUERYDRAGICON:
        result = reinterpret_cast<INT_PTR>(smallIcon);
        return true;
    default:
        return false;
    }
}

bool PanelDialog::OnInitDialog() {
    HWND hwnd = Window();
    CheckRights();
    CreateMenuBar();
    files.SetMainWindow(hwnd);

    SetUpHelp();

    SendMessageW(hwnd, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(smallIcon));
    SendMessageW(hwnd, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(smallIcon));

    CreateToolbar();
    CreateStatusBar();
    EnableMenuItem(menu, ID_FILE_SEND, MF_BYCOMMAND | MF_ENABLED);
    SendMessageW(toolbar, TB_ENABLEBUTTON, ID_TB_SEND, MAKELPARAM(TRUE, 0));
    CreateTabsAndPages();

    core.Initialise();
    return true;
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

void PanelDialog::CreateMenuBar() {
    HWND hwnd = Window();
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
    HWND hwnd = Window();
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
    HWND hwnd = Window();
    statusBar = CreateWindowExW(0, STATUSCLASSNAMEW, nullptr, WS_CHILD | WS_VISIBLE | CCS_BOTTOM, 0, 0, 0, 0, hwnd,
                                reinterpret_cast<HMENU>(static_cast<INT_PTR>(IDC_STATUSBAR)), Instance(), nullptr);
    if (statusBar == nullptr) return;
    // The printer's name in the dialogs' font, so that Japanese names read the same.
    SendMessageW(statusBar, WM_SETFONT, SendMessageW(hwnd, WM_GETFONT, 0, 0), FALSE);
    RECT r;
    GetClientRect(statusBar, &r);
    // The status bar's first field ends at three fifths of its width, the second runs to the end.
    int parts[2] = {(r.right - r.left) / 5 * 3, -1};
    SendMessageW(statusBar, SB_SETPARTS, 2, reinterpret_cast<LPARAM>(parts));
}

void PanelDialog::CreateTabsAndPages() {
    HWND hwnd = Window();
    tab = Item(IDC_TAB);
    tabImages = LoadMaskedStrip(IDB_TABS, kPageCount);
    SendMessageW(tab, TCM_SETIMAGELIST, 0, reinterpret_cast<LPARAM>(tabImages));
    for (int i = 0; i < kPageCount; ++i) {
        TCITEMW item = {};
        item.mask = TCIF_TEXT | TCIF_IMAGE;
        item.pszText = const_cast<wchar_t*>(kTabTexts[i]);
        item.iImage = i;
        SendMessageW(tab, TCM_INSERTITEMW, i, reinterpret_cast<LPARAM>(&item));
    }
    // Each page once, from its template, which places it on the tab's body.
    param.Create(ProgramInstance(), CForm_Param::kTemplateId, hwnd);
    param2.Create(ProgramInstance(), CForm_Param2::kTemplateId, hwnd);
    set.Create(ProgramInstance(), CForm_Set::kTemplateId, hwnd);
    ip.Create(ProgramInstance(), CForm_IP::kTemplateId, hwnd);
    dipsw.Create(ProgramInstance(), CForm_DIPSW::kTemplateId, hwnd);
    for (int i = 0; i < kPageCount; ++i) {
        HWND page = PageWindow(i);
        if (page == nullptr) continue;
        ShowWindow(page, i == 0 ? SW_SHOW : SW_HIDE);
        // Above the tab control, so that the page is drawn over its body.
        SetWindowPos(page, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    }
}

HWND PanelDialog::PageWindow(int page) const {
    switch (page) {
    case 0: return param.Window();
    case 1: return param2.Window();
    case 2: return set.Window();
    case 3: return ip.Window();
    case 4: return dipsw.Window();
    default: return nullptr;
    }
}

void PanelDialog::ShowPage(int page) {
    for (int i = 0; i < kPageCount; ++i) {
        if (PageWindow(i) != nullptr) ShowWindow(PageWindow(i), SW_HIDE);
    }
    HWND shown = PageWindow(page);
    if (shown == nullptr) return;
    ShowWindow(shown, SW_SHOW);
    if (GetFocus() != tab) SetFocus(shown);
}

void PanelDialog::SelectPage(int page) {
    if (page < 0 || page >= kPageCount || tab == nullptr) return;
    SendMessageW(tab, TCM_SETCURSEL, page, 0);
    ShowPage(page);
}

bool PanelDialog::OnCommand(int id, int, HWND) {
    switch (id) {
    case ID_FILE_READ:
    case ID_TB_READ:
        core.ReadFromPrinter();
        break;
    case ID_FILE_SELECT_PRINTER:
    case ID_TB_SELECT_PRINTER:
        core.SelectPrinter();
        break;
    case ID_FILE_OPEN_SETTINGS:
    case ID_TB_OPEN_FILE:
        core.OpenSettingsFile();
        break;
    case ID_FILE_SAVE_SETTINGS:
    case ID_TB_SAVE_FILE:
        core.SaveSettingsFile();
        break;
    case ID_FILE_SEND:
    case ID_TB_SEND:
        core.SendToPrinter();
        break;
    case ID_FILE_FACTORY:
    case ID_TB_FACTORY:
        core.ShowFactorySettings();
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
    case ID_MENU_TEST_PRINT:
    case ID_TB_TEST_PRINT:
        TestPrint();
        break;
    case ID_HELP_CONTENTS:
        ShowHelp();
        break;
    case IDM_ABOUTBOX:
        ShowAbout();
        break;
    case ID_DATA_CHECK:
        EnableMenuItem(menu, ID_FILE_SEND, MF_BYCOMMAND | MF_ENABLED);
        SendMessageW(toolbar, TB_ENABLEBUTTON, ID_TB_SEND, MAKELPARAM(TRUE, 0));
        break;
    case ID_NO_OPERATION:
        break;
    default:
        return false;
    }
    return true;
}

bool PanelDialog::OnNotify(int id, NMHDR* header, LRESULT& result) {
    result = 0;
    if (id == IDC_TAB && header->code == TCN_SELCHANGE) {
        const int page = static_cast<int>(SendMessageW(tab, TCM_GETCURSEL, 0, 0));
        if (page >= 0 && page < kPageCount) ShowPage(page);
        return true;
    }
    if (header->code == TTN_GETDISPINFOW) {
        // The tooltip of a toolbar button: the string of its command id.
        auto* info = reinterpret_cast<NMTTDISPINFOW*>(header);
        tipText[0] = L'\0';
        LoadStringW(Instance(), static_cast<UINT>(header->idFrom), tipText, kTooltipMax + 1);
        info->lpszText = tipText;
        info->hinst = nullptr;
        return true;
    }
    return false;
}

void PanelDialog::OnSize() {
    HWND hwnd = Window();
    HMENU system = GetSystemMenu(hwnd, FALSE);
    if (system == nullptr) return;
    const bool minimised = IsIconic(hwnd) != FALSE;
    EnableMenuItem(system, SC_SIZE, MF_BYCOMMAND | MF_GRAYED);
    EnableMenuItem(system, SC_MAXIMIZE, MF_BYCOMMAND | MF_GRAYED);
    EnableMenuItem(system, SC_RESTORE, MF_BYCOMMAND | (minimised ? MF_ENABLED : MF_GRAYED));
    EnableMenuItem(system, SC_MINIMIZE, MF_BYCOMMAND | (minimised ? MF_GRAYED : MF_ENABLED));
}

bool PanelDialog::OnPaint() {
    HWND hwnd = Window();
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

void PanelDialog::ShowAbout() {
    winui::ModalDialog about(Instance(), IDD_ABOUTBOX);
    about.Run(Window());
}

// The help file sits beside the program. When it is missing at start-up the
// help item is greyed, which also turns off its accelerator F1.
void PanelDialog::SetUpHelp() {
    char module[MAX_PATH] = {};
    const DWORD length = GetModuleFileNameA(nullptr, module, MAX_PATH);
    const auto path = length > 0 && length < MAX_PATH ? HelpPathFor(module) : std::nullopt;
    helpPath = path.value_or("");
    bool present = false;
    if (!helpPath.empty()) {
        WIN32_FIND_DATAA found;
        HANDLE search = FindFirstFileA(helpPath.c_str(), &found);
        if (search != INVALID_HANDLE_VALUE) {
            present = true;
            FindClose(search);
        }
    }
    if (!present) EnableMenuItem(menu, ID_HELP_CONTENTS, MF_BYCOMMAND | MF_GRAYED | MF_DISABLED);
}

void PanelDialog::TestPrint() { RunTestPrint(ToAnsi(core.printer.printerName), testPrinter, *this); }

void PanelDialog::ShowHelp() { RunShowHelp(helpPath, helpViewer, *this); }

// --- Seams ------------------------------------------------------------------------------

void PanelDialog::CloseWindow() { End(IDOK); }

void PanelDialog::EndProcess(int exitCode) { ExitProcess(static_cast<UINT>(exitCode)); }

void PanelDialog::ShowPrinterInStatusBar(const std::string& printerName, const std::string& destination) {
    SendMessageW(statusBar, SB_SETTEXTW, 0, reinterpret_cast<LPARAM>(winui::Widen(printerName).c_str()));
    SendMessageW(statusBar, SB_SETTEXTW, 1, reinterpret_cast<LPARAM>(winui::Widen(destination).c_str()));
}

void PanelDialog::EnablePrinterSelection(bool enable) {
    EnableMenuItem(menu, ID_FILE_SELECT_PRINTER, MF_BYCOMMAND | (enable ? MF_ENABLED : MF_GRAYED));
    SendMessageW(toolbar, TB_ENABLEBUTTON, ID_TB_SELECT_PRINTER, MAKELPARAM(enable ? TRUE : FALSE, 0));
}

SelectionOutcome PanelDialog::RunPrinterSelection(const SelectionRequest& request) {
    selectDialog.reselect = request.reselect;
    selectDialog.printerName = request.printerName;
    selectDialog.destination = request.destination;
    SelectionOutcome outcome;
    if (selectDialog.Run(Window()) != IDOK) return outcome;
    outcome.confirmed = true;
    outcome.printerCount = selectDialog.printerCount;
    outcome.printer.printerName = selectDialog.printerName;
    outcome.printer.destination = selectDialog.destination;
    outcome.printer.portKind = selectDialog.portKind;
    outcome.printer.ipAddress = selectDialog.ipAddress;
    const auto& text = selectDialog.portText;
    outcome.printer.portText.assign(text.data(), std::find(text.begin(), text.end(), '\0'));
    return outcome;
}

ReadFailChoice PanelDialog::RunReadFailDialog() {
    ReadFailDialog dialog;
    const INT_PTR result = dialog.Run(Window());
    if (result != IDOK) return ReadFailChoice::Retry;
    return dialog.exitRequested == 1 ? ReadFailChoice::EndProgram : ReadFailChoice::ShowFactory;
}

std::string PanelDialog::ToAnsi(const std::string& utf8) { return winui::ToAnsi(winui::Widen(utf8)); }

int PanelDialog::RunSendSelection() { return sendDialog.DoModal(Window()); }

// The exit and printer-change questions reach the two commands here.
int PanelDialog::SendToPrinter() { return core.SendToPrinter(); }
int PanelDialog::SaveSettingsFile() { return core.SaveSettingsFile(); }

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
    const int answer =
        MessageBoxW(Window(), winui::Widen(text).c_str(), winui::Widen(texts::kCaption).c_str(), flags);
    switch (answer) {
    case IDYES: return MessageAnswer::Yes;
    case IDNO: return MessageAnswer::No;
    case IDCANCEL: return MessageAnswer::Cancel;
    default: return MessageAnswer::Ok;
    }
}

}  // namespace tamsel
