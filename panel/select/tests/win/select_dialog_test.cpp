// The two dialogs on their real templates, run modally and driven from a
// thread timer inside their own loop, over stand-in seams (printers, message
// boxes, process exit) and the real file system for "SetIP".
#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <deque>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <string>
#include <vector>

#include "panel/res/select_ids.h"
#include "panel/select/net_address_dialog.h"
#include "panel/select/printer_select_dialog.h"
#include "select_fakes.h"
#include "winui/dialog.h"

namespace tamsel {
namespace {

using testing::FakeSpooler;
using testing::Notice;
using testing::RecordingExit;
using testing::RecordingNotices;

// Steps run one per timer tick inside whichever modal loop is running. A step
// returns false to be tried again at the next tick (waiting for a window).
class Steps {
public:
    using Step = std::function<bool()>;

    Steps() {
        // For looking at the dialogs: KES_SELECT_HOLD_MS keeps each state on
        // screen that long before its step acts (screenshots).
        if (const char* hold = std::getenv("KES_SELECT_HOLD_MS")) holdMs = std::strtoull(hold, nullptr, 10);
        active = this;
        timer = SetTimer(nullptr, 0, 20, &Steps::Tick);
    }
    ~Steps() {
        KillTimer(nullptr, timer);
        active = nullptr;
        EXPECT_TRUE(steps.empty()) << steps.size() << " steps never ran, the first: " << steps.front().first;
    }
    void Add(std::string what, Step step) { steps.emplace_back(std::move(what), std::move(step)); }

private:
    static void CALLBACK Tick(HWND, UINT, UINT_PTR, DWORD) {
        Steps* self = active;
        if (!self || self->busy || self->steps.empty()) return;
        self->busy = true;
        if (self->startedAt == 0) self->startedAt = GetTickCount64();
        auto& [what, step] = self->steps.front();
        if (GetTickCount64() - self->startedAt < self->holdMs) {
            self->busy = false;
            return;
        }
        if (step()) {
            self->steps.pop_front();
            self->startedAt = 0;
        } else if (GetTickCount64() - self->startedAt > 5000 + self->holdMs) {
            ADD_FAILURE() << "timed out: " << what;
            self->steps.clear();
            PostQuitMessage(0);  // ends every modal loop
        }
        self->busy = false;
    }

    static inline Steps* active = nullptr;
    std::deque<std::pair<std::string, Step>> steps;
    UINT_PTR timer = 0;
    ULONGLONG startedAt = 0;
    ULONGLONG holdMs = 0;
    bool busy = false;
};

HWND VisibleDialog(const wchar_t* caption) {
    HWND window = FindWindowW(L"#32770", caption);
    return window && IsWindowVisible(window) ? window : nullptr;
}

void Click(HWND dialog, int id) {
    PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(GetDlgItem(dialog, id)));
}

std::wstring WindowText(HWND window) {
    wchar_t text[512] = {};
    GetWindowTextW(window, text, 512);
    return text;
}

std::wstring ItemText(HWND list, int row, int column) {
    wchar_t text[256] = {};
    LVITEMW item{};
    item.iSubItem = column;
    item.pszText = text;
    item.cchTextMax = 256;
    SendMessageW(list, LVM_GETITEMTEXTW, row, reinterpret_cast<LPARAM>(&item));
    return text;
}

std::wstring ColumnHeader(HWND list, int column) {
    wchar_t text[64] = {};
    LVCOLUMNW info{};
    info.mask = LVCF_TEXT;
    info.pszText = text;
    info.cchTextMax = 64;
    SendMessageW(list, LVM_GETCOLUMNW, column, reinterpret_cast<LPARAM>(&info));
    return text;
}

int SelectedRow(HWND list) {
    return static_cast<int>(SendMessageW(list, LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_SELECTED));
}

void SetRowState(HWND list, int row, UINT state) {
    LVITEMW item{};
    item.stateMask = LVIS_SELECTED | LVIS_FOCUSED;
    item.state = state;
    SendMessageW(list, LVM_SETITEMSTATE, row, reinterpret_cast<LPARAM>(&item));
}

void DoubleClickNotice(HWND dialog) {
    NMITEMACTIVATE notice{};
    notice.hdr.hwndFrom = GetDlgItem(dialog, IDC_PRINTER_LIST);
    notice.hdr.idFrom = IDC_PRINTER_LIST;
    notice.hdr.code = NM_DBLCLK;
    notice.iItem = -1;
    SendMessageW(dialog, WM_NOTIFY, IDC_PRINTER_LIST, reinterpret_cast<LPARAM>(&notice));
}

constexpr char kDriver[] = "KVT Vantorelli 7K4R5B";

const std::vector<PortDetail> kPorts{
    {"USB001", "Virtual printer port for USB"},
    {"IP_10.0.0.1", "Standard TCP/IP Port"},
    {"LPT1:", "ローカル ポート"},
    {"COM1:", "Serial Port"},
    {"FILE:", "ローカル ポート"},
};

// A dialog that remembers whether it was ever shown.
class WatchedSelectDialog : public PrinterSelectDialog {
public:
    using PrinterSelectDialog::PrinterSelectDialog;
    bool everShown = false;

protected:
    bool OnMessage(UINT msg, WPARAM wParam, LPARAM lParam, INT_PTR& result) override {
        if (msg == WM_SHOWWINDOW && wParam) everShown = true;
        if (msg == WM_WINDOWPOSCHANGED && (reinterpret_cast<WINDOWPOS*>(lParam)->flags & SWP_SHOWWINDOW))
            everShown = true;
        return PrinterSelectDialog::OnMessage(msg, wParam, lParam, result);
    }
};


// The compiled templates, read back from the resources.
struct TemplateItem {
    std::wstring className;  // predefined classes by name: Button, Edit, Static
    std::wstring title;
    int id;
    DWORD style;
    short x, y, cx, cy;
};
struct DialogTemplate {
    DWORD style = 0;
    short cx = 0, cy = 0;
    std::wstring caption;
    WORD pointSize = 0;
    std::wstring font;
    std::vector<TemplateItem> items;
};

DialogTemplate ReadTemplate(int id) {
    DialogTemplate result;
    HRSRC found = FindResourceW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(id), MAKEINTRESOURCEW(5));
    if (!found) {
        ADD_FAILURE() << "no dialog template " << id;
        return result;
    }
    const auto* p = static_cast<const WORD*>(LockResource(LoadResource(GetModuleHandleW(nullptr), found)));
    auto dword = [&] {
        DWORD v = p[0] | (static_cast<DWORD>(p[1]) << 16);
        p += 2;
        return v;
    };
    auto text = [&] {
        std::wstring t;
        if (*p == 0xFFFF) {
            const WORD ordinal = p[1];
            p += 2;
            switch (ordinal) {
            case 0x80: return std::wstring(L"Button");
            case 0x81: return std::wstring(L"Edit");
            case 0x82: return std::wstring(L"Static");
            default: return L"#" + std::to_wstring(ordinal);
            }
        }
        while (*p) t += static_cast<wchar_t>(*p++);
        ++p;
        return t;
    };
    EXPECT_EQ(p[0], 1);       // DIALOGEX
    EXPECT_EQ(p[1], 0xFFFF);
    p += 2;
    dword();  // help id
    dword();  // extended style
    result.style = dword();
    const WORD count = *p++;
    p += 2;  // x, y
    result.cx = static_cast<short>(*p++);
    result.cy = static_cast<short>(*p++);
    text();  // menu
    text();  // class
    result.caption = text();
    if (result.style & DS_SETFONT) {
        result.pointSize = *p++;
        p += 2;  // weight, italic and character set
        result.font = text();
    }
    for (WORD i = 0; i < count; ++i) {
        p = reinterpret_cast<const WORD*>((reinterpret_cast<UINT_PTR>(p) + 3) & ~UINT_PTR(3));
        TemplateItem item{};
        dword();  // help id
        dword();  // extended style
        item.style = dword();
        item.x = static_cast<short>(*p++);
        item.y = static_cast<short>(*p++);
        item.cx = static_cast<short>(*p++);
        item.cy = static_cast<short>(*p++);
        item.id = static_cast<int>(dword());
        item.className = text();
        item.title = text();
        const WORD extra = *p++;
        p = reinterpret_cast<const WORD*>(reinterpret_cast<const BYTE*>(p) + extra);
        result.items.push_back(item);
    }
    return result;
}

// Window class names are not case-sensitive (and windres writes them in capitals).
bool SameClass(const std::wstring& a, const wchar_t* b) { return lstrcmpiW(a.c_str(), b) == 0; }

TEST(SelectTemplates, PrinterSelectionTemplate) {
    const DialogTemplate t = ReadTemplate(IDD_PRINTER_SELECT);
    EXPECT_EQ(t.caption, L"プリンタの選択");
    EXPECT_EQ(t.cx, 187);
    EXPECT_EQ(t.cy, 127);
    EXPECT_FALSE(t.style & WS_VISIBLE);  // shown by its run, never before the selection allows it
    ASSERT_EQ(t.items.size(), 4u);
    EXPECT_TRUE(SameClass(t.items[0].className, L"Static"));
    EXPECT_EQ(t.items[0].title, L"プリンタを選択してください。");
    EXPECT_LT(t.items[0].y, t.items[1].y);  // the text stands at the top

    const TemplateItem& list = t.items[1];
    EXPECT_TRUE(SameClass(list.className, L"SysListView32"));
    EXPECT_EQ(list.id, IDC_PRINTER_LIST);
    const DWORD listStyle = LVS_REPORT | LVS_SINGLESEL | LVS_SORTASCENDING | WS_BORDER | WS_TABSTOP | WS_VISIBLE;
    EXPECT_EQ(list.style & listStyle, listStyle);

    EXPECT_TRUE(SameClass(t.items[2].className, L"Button"));
    EXPECT_EQ(t.items[2].id, IDOK);
    EXPECT_EQ(t.items[2].title, L"OK");
    EXPECT_EQ(t.items[2].style & 0x0F, static_cast<DWORD>(BS_DEFPUSHBUTTON));
    EXPECT_EQ(t.items[3].id, IDCANCEL);
    EXPECT_EQ(t.items[3].title, L"キャンセル");
    EXPECT_EQ(t.items[3].style & 0x0F, static_cast<DWORD>(BS_PUSHBUTTON));
    for (const TemplateItem& item : t.items) {
        EXPECT_LE(item.x + item.cx, t.cx) << item.id;
        EXPECT_LE(item.y + item.cy, t.cy) << item.id;
        if (item.id != -1) {
            EXPECT_TRUE(item.style & WS_TABSTOP) << item.id;
        }
    }
}

TEST(SelectTemplates, NetworkAddressTemplate) {
    const DialogTemplate t = ReadTemplate(IDD_NET_ADDRESS);
    EXPECT_EQ(t.caption, L"IPアドレス設定");
    EXPECT_EQ(t.cx, 211);
    EXPECT_EQ(t.cy, 158);
    EXPECT_FALSE(t.style & WS_VISIBLE);
    struct Want {
        const wchar_t* className;
        int id;
        const wchar_t* title;
    };
    const Want want[] = {
        {L"Static", -1, L"選択されたプリンタは、ネットワーク接続です。"},
        {L"Static", -1, L"IPアドレスとソケット通信ポート番号を設定してください。"},
        {L"Static", -1, L"IPアドレス"},
        {L"SysIPAddress32", IDC_NET_IP_ADDRESS, L""},
        {L"Static", -1, L"ソケット通信ポート番号"},
        {L"Edit", IDC_NET_PORT, L""},
        {L"Static", -1, L"「キャンセル」を押すとプリンタ選択画面に戻ります。"},
        {L"Button", IDOK, L"OK"},
        {L"Button", IDCANCEL, L"キャンセル"},
    };
    ASSERT_EQ(t.items.size(), std::size(want));
    for (std::size_t i = 0; i < std::size(want); ++i) {
        EXPECT_TRUE(SameClass(t.items[i].className, want[i].className)) << i;
        EXPECT_EQ(t.items[i].id, want[i].id) << i;
        EXPECT_EQ(t.items[i].title, want[i].title) << i;
        EXPECT_LE(t.items[i].x + t.items[i].cx, t.cx) << i;
        EXPECT_LE(t.items[i].y + t.items[i].cy, t.cy) << i;
        // Top to bottom in template order.
        if (i > 0 && i != 3 && i != 5 && i != 8) {
            EXPECT_GT(t.items[i].y, t.items[i - 1].y) << i;
        }
    }
    const DWORD edit = t.items[5].style;
    EXPECT_TRUE(edit & ES_AUTOHSCROLL);
    EXPECT_FALSE(edit & ES_NUMBER);
    EXPECT_EQ(t.items[6].style & SS_TYPEMASK, static_cast<DWORD>(SS_CENTER));
    EXPECT_EQ(t.items[7].style & 0x0F, static_cast<DWORD>(BS_DEFPUSHBUTTON));
    EXPECT_LT(t.items[7].x, t.items[8].x);  // OK left, キャンセル right
    EXPECT_EQ(t.items[7].y, t.items[8].y);
}

class SelectDialogs : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(winui::LoadCommonControls());
        previous = std::filesystem::current_path();
        folder = std::filesystem::temp_directory_path() /
                 (std::string("select-dialog-") + ::testing::UnitTest::GetInstance()->current_test_info()->name());
        std::filesystem::remove_all(folder);
        std::filesystem::create_directories(folder);
        std::filesystem::current_path(folder);
        spooler.ports = kPorts;
    }
    void TearDown() override {
        std::filesystem::current_path(previous);
        std::filesystem::remove_all(folder);
    }

    void Printers(const std::vector<PrinterRow>& rows) {
        for (const PrinterRow& row : rows) {
            spooler.briefs.push_back({row.printerName, "", 0x40});
            spooler.servers[""].push_back({"", row.printerName, row.destination, kDriver, 0});
        }
    }
    SelectSeams Seams() { return {&spooler, &notices, &exit, &files}; }
    std::vector<std::uint8_t> SetIpBytes() {
        std::ifstream in(folder / "SetIP", std::ios::binary);
        return std::vector<std::uint8_t>(std::istreambuf_iterator<char>(in), {});
    }

    FakeSpooler spooler;
    RecordingNotices notices;
    RecordingExit exit;
    StdioFileStore files;
    std::filesystem::path previous;
    std::filesystem::path folder;
};

TEST_F(SelectDialogs, OneUsbPrinterAtStartUpIsChosenWithoutShowingTheDialog) {
    Printers({{"Label", "USB001"}});
    WatchedSelectDialog dialog(GetModuleHandleW(nullptr), Seams());
    dialog.reselect = 0;
    EXPECT_EQ(dialog.Run(nullptr), IDOK);
    EXPECT_FALSE(dialog.everShown);
    EXPECT_EQ(dialog.printerName, "Label");
    EXPECT_EQ(dialog.destination, "USB001");
    EXPECT_EQ(dialog.portKind, PortKind::Usb);
    EXPECT_EQ(dialog.printerCount, 1);
    EXPECT_TRUE(notices.shown.empty());
}

TEST_F(SelectDialogs, NoPrinterEndsTheProcessBeforeTheDialogShows) {
    WatchedSelectDialog dialog(GetModuleHandleW(nullptr), Seams());
    EXPECT_EQ(dialog.Run(nullptr), kSelectProcessEnded);
    EXPECT_FALSE(dialog.everShown);
    EXPECT_EQ(exit.codes, std::vector<int>{1});
    ASSERT_EQ(notices.shown.size(), 1u);
    EXPECT_EQ(notices.shown[0].icon, NoticeIcon::Exclamation);
}

TEST_F(SelectDialogs, TheListIsSortedByTheControlWithItsColumnsAndTheCurrentPrinterSelected) {
    Printers({{"Gamma", "USB001"}, {"Alpha", "COM1:"}, {"Beta", "LPT1:"}});
    PrinterSelectDialog dialog(GetModuleHandleW(nullptr), Seams());
    dialog.reselect = 1;
    dialog.printerName = "Beta";
    {
        Steps steps;
        steps.Add("the dialog shows its list", [&] {
            HWND window = VisibleDialog(L"プリンタの選択");
            if (!window) return false;
            HWND list = GetDlgItem(window, IDC_PRINTER_LIST);
            EXPECT_EQ(GetDlgCtrlID(list), IDC_PRINTER_LIST);
            const LONG_PTR style = GetWindowLongPtrW(list, GWL_STYLE);
            EXPECT_EQ(style & LVS_TYPEMASK, LVS_REPORT);
            EXPECT_TRUE(style & LVS_SINGLESEL);
            EXPECT_TRUE(style & LVS_SORTASCENDING);
            // The dialog manager may draw the border as a client edge.
            EXPECT_TRUE((style & WS_BORDER) || (GetWindowLongPtrW(list, GWL_EXSTYLE) & WS_EX_CLIENTEDGE));
            EXPECT_TRUE(style & WS_TABSTOP);
            EXPECT_TRUE(SendMessageW(list, LVM_GETEXTENDEDLISTVIEWSTYLE, 0, 0) & LVS_EX_FULLROWSELECT);
            EXPECT_EQ(ColumnHeader(list, 0), L"プリンタ名");
            EXPECT_EQ(ColumnHeader(list, 1), L"接続先");
            EXPECT_EQ(SendMessageW(list, LVM_GETCOLUMNWIDTH, 0, 0), 200);
            EXPECT_EQ(SendMessageW(list, LVM_GETCOLUMNWIDTH, 1, 0), 90);
            EXPECT_EQ(SendMessageW(list, LVM_GETITEMCOUNT, 0, 0), 3);
            EXPECT_EQ(ItemText(list, 0, 0), L"Alpha");
            EXPECT_EQ(ItemText(list, 0, 1), L"COM1:");
            EXPECT_EQ(ItemText(list, 1, 0), L"Beta");
            EXPECT_EQ(ItemText(list, 1, 1), L"LPT1:");
            EXPECT_EQ(ItemText(list, 2, 0), L"Gamma");
            EXPECT_EQ(ItemText(list, 2, 1), L"USB001");
            EXPECT_EQ(SelectedRow(list), 1);
            EXPECT_EQ(SendMessageW(list, LVM_GETITEMSTATE, 1, LVIS_FOCUSED), LVIS_FOCUSED);
            EXPECT_EQ(WindowText(GetDlgItem(window, IDOK)), L"OK");
            EXPECT_EQ(WindowText(GetDlgItem(window, IDCANCEL)), L"キャンセル");
            Click(window, IDOK);
            return true;
        });
        EXPECT_EQ(dialog.Run(nullptr), IDOK);
    }
    EXPECT_EQ(dialog.printerName, "Beta");
    EXPECT_EQ(dialog.destination, "LPT1:");
    EXPECT_EQ(dialog.portKind, PortKind::Local);
    EXPECT_EQ(dialog.printerCount, 3);
    EXPECT_TRUE(notices.shown.empty());
}

TEST_F(SelectDialogs, AForeignPortIsRefusedWithTheFocusBackOnTheList) {
    Printers({{"Serial", "COM1:"}, {"Usb", "USB001"}});
    PrinterSelectDialog dialog(GetModuleHandleW(nullptr), Seams());
    dialog.reselect = 1;
    dialog.printerName = "Serial";
    dialog.portKind = PortKind::Local;
    HWND window = nullptr;
    {
        Steps steps;
        steps.Add("confirm the serial printer", [&] {
            window = VisibleDialog(L"プリンタの選択");
            if (!window) return false;
            SetFocus(GetDlgItem(window, IDOK));
            Click(window, IDOK);
            return true;
        });
        steps.Add("refused, back on the list", [&] {
            if (notices.shown.empty()) return false;
            EXPECT_EQ(notices.shown, (std::vector<Notice>{{kPortRefusedText, NoticeIcon::Exclamation}}));
            EXPECT_EQ(GetFocus(), GetDlgItem(window, IDC_PRINTER_LIST));
            EXPECT_TRUE(IsWindowVisible(window));
            Click(window, IDCANCEL);
            return true;
        });
        EXPECT_EQ(dialog.Run(nullptr), IDCANCEL);
    }
    EXPECT_EQ(dialog.portKind, PortKind::Local);
}

TEST_F(SelectDialogs, ANetworkPortAsksTheAddressChecksThePortAndWritesSetIP) {
    Printers({{"Net", "IP_10.0.0.1"}, {"Usb", "USB001"}});
    PrinterSelectDialog dialog(GetModuleHandleW(nullptr), Seams());
    dialog.reselect = 1;
    dialog.printerName = "Net";
    HWND address = nullptr;
    {
        Steps steps;
        steps.Add("confirm the network printer", [&] {
            HWND window = VisibleDialog(L"プリンタの選択");
            if (!window) return false;
            Click(window, IDOK);
            return true;
        });
        steps.Add("the address dialog proposes the defaults", [&] {
            address = VisibleDialog(L"IPアドレス設定");
            if (!address) return false;
            EXPECT_EQ(notices.shown,
                      (std::vector<Notice>{{kAddressFileMissingText, NoticeIcon::Exclamation}}));
            DWORD packed = 0;
            SendDlgItemMessageW(address, IDC_NET_IP_ADDRESS, IPM_GETADDRESS, 0, reinterpret_cast<LPARAM>(&packed));
            EXPECT_EQ(packed, static_cast<DWORD>(MAKEIPADDRESS(192, 168, 10, 20)));
            EXPECT_EQ(WindowText(GetDlgItem(address, IDC_NET_PORT)), L"12000");
            SetDlgItemTextW(address, IDC_NET_PORT, L"9999");
            Click(address, IDOK);
            return true;
        });
        steps.Add("9999 is refused with the focus on the port", [&] {
            if (notices.shown.size() < 2) return false;
            EXPECT_EQ(notices.shown.back(), (Notice{kPortOutOfRangeText, NoticeIcon::Information}));
            EXPECT_EQ(GetFocus(), GetDlgItem(address, IDC_NET_PORT));
            EXPECT_TRUE(IsWindowVisible(address));
            EXPECT_FALSE(std::filesystem::exists("SetIP"));
            // Blank fields read as 0, without complaint.
            SendDlgItemMessageW(address, IDC_NET_IP_ADDRESS, IPM_CLEARADDRESS, 0, 0);
            SetDlgItemTextW(address, IDC_NET_PORT, L"123456");
            Click(address, IDOK);
            return true;
        });
        EXPECT_EQ(dialog.Run(nullptr), IDOK);
    }
    EXPECT_EQ(notices.shown.size(), 2u);
    EXPECT_EQ(dialog.portKind, PortKind::Network);
    EXPECT_EQ(dialog.printerName, "Net");
    EXPECT_EQ(dialog.destination, "IP_10.0.0.1");
    EXPECT_EQ(dialog.ipAddress, (std::array<std::uint8_t, 4>{0, 0, 0, 0}));
    EXPECT_STREQ(dialog.portText.data(), "12345");
    EXPECT_EQ(SetIpBytes(), (std::vector<std::uint8_t>{0, 0, 0, 0, 0x39, 0x30, 0, 0}));
}

TEST_F(SelectDialogs, ALoneNetworkPrinterShowsOnlyTheAddressDialogAndCancelComesBackToTheList) {
    Printers({{"Net", "IP_10.0.0.1"}});
    {
        std::ofstream old("SetIP", std::ios::binary);
        old.write("\x0A\x00\x00\x01\x00\x0A\x00\x00", 8);
    }
    PrinterSelectDialog dialog(GetModuleHandleW(nullptr), Seams());
    dialog.reselect = 0;
    {
        Steps steps;
        steps.Add("only the address dialog is up, with the saved values", [&] {
            HWND address = VisibleDialog(L"IPアドレス設定");
            if (!address) return false;
            EXPECT_EQ(VisibleDialog(L"プリンタの選択"), nullptr);
            EXPECT_TRUE(notices.shown.empty());
            DWORD packed = 0;
            SendDlgItemMessageW(address, IDC_NET_IP_ADDRESS, IPM_GETADDRESS, 0, reinterpret_cast<LPARAM>(&packed));
            EXPECT_EQ(packed, static_cast<DWORD>(MAKEIPADDRESS(10, 0, 0, 1)));
            EXPECT_EQ(WindowText(GetDlgItem(address, IDC_NET_PORT)), L"2560");
            SetDlgItemTextW(address, IDC_NET_PORT, L"30000");
            Click(address, IDCANCEL);
            return true;
        });
        steps.Add("the printer list comes up with the row selected", [&] {
            HWND window = VisibleDialog(L"プリンタの選択");
            if (!window) return false;
            EXPECT_EQ(FindWindowW(L"#32770", L"IPアドレス設定"), nullptr);
            HWND list = GetDlgItem(window, IDC_PRINTER_LIST);
            EXPECT_EQ(SelectedRow(list), 0);
            EXPECT_EQ(GetFocus(), list);
            EXPECT_EQ(dialog.printerName, "");
            EXPECT_EQ(dialog.destination, "");
            Click(window, IDCANCEL);
            return true;
        });
        EXPECT_EQ(dialog.Run(nullptr), IDCANCEL);
    }
    // Cancelling saved nothing.
    EXPECT_EQ(SetIpBytes(), (std::vector<std::uint8_t>{10, 0, 0, 1, 0, 0x0A, 0, 0}));
}

// The real message box: caption, text and one OK button, owned by the dialog.
TEST_F(SelectDialogs, RefusalsAreRealMessageBoxesOwnedByTheDialog) {
    Printers({{"Files", "FILE:"}, {"Usb", "USB001"}});
    SelectSeams seams = Seams();
    seams.notices = nullptr;
    PrinterSelectDialog dialog(GetModuleHandleW(nullptr), seams);
    dialog.reselect = 1;
    dialog.printerName = "Files";
    HWND window = nullptr;
    {
        Steps steps;
        steps.Add("confirm the file printer", [&] {
            window = VisibleDialog(L"プリンタの選択");
            if (!window) return false;
            Click(window, IDOK);
            return true;
        });
        steps.Add("the information box", [&] {
            HWND box = VisibleDialog(L"ソルベナ");
            if (!box) return false;
            EXPECT_EQ(GetWindow(box, GW_OWNER), window);
            std::vector<std::wstring> statics;
            std::vector<std::wstring> buttons;
            for (HWND child = GetWindow(box, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
                if (!IsWindowVisible(child)) continue;
                wchar_t className[32] = {};
                GetClassNameW(child, className, 32);
                if (lstrcmpiW(className, L"Button") == 0) buttons.push_back(WindowText(child));
                if (lstrcmpiW(className, L"Static") == 0) statics.push_back(WindowText(child));
            }
            EXPECT_EQ(buttons, std::vector<std::wstring>{L"OK"});
            const std::wstring text =
                L"接続先がFILEのため設定値を送受信できません。\nプリンタ設定を変更するか、他のプリンタに変更してください。";
            EXPECT_NE(std::find(statics.begin(), statics.end(), text), statics.end());
            PostMessageW(box, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
            return true;
        });
        steps.Add("the dialog stays", [&] {
            if (FindWindowW(L"#32770", L"ソルベナ")) return false;
            EXPECT_TRUE(IsWindowVisible(window));
            EXPECT_TRUE(IsWindowEnabled(window));
            Click(window, IDCANCEL);
            return true;
        });
        EXPECT_EQ(dialog.Run(nullptr), IDCANCEL);
    }
    EXPECT_TRUE(exit.codes.empty());
}

TEST_F(SelectDialogs, DoubleClickConfirmsOnlyWithASelectedRow) {
    Printers({{"A", "USB001"}, {"B", "LPT1:"}});
    PrinterSelectDialog dialog(GetModuleHandleW(nullptr), Seams());
    dialog.reselect = 1;
    {
        Steps steps;
        steps.Add("double-click with no row selected", [&] {
            HWND window = VisibleDialog(L"プリンタの選択");
            if (!window) return false;
            HWND list = GetDlgItem(window, IDC_PRINTER_LIST);
            SetRowState(list, -1, 0);
            DoubleClickNotice(window);
            EXPECT_TRUE(IsWindowVisible(window));
            EXPECT_TRUE(notices.shown.empty());
            // OK with no row selected says so and stays.
            SendMessageW(window, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
            EXPECT_EQ(notices.shown, (std::vector<Notice>{{kNoRowSelectedText, NoticeIcon::Exclamation}}));
            EXPECT_TRUE(IsWindowVisible(window));
            SetRowState(list, 1, LVIS_SELECTED | LVIS_FOCUSED);
            DoubleClickNotice(window);
            return true;
        });
        EXPECT_EQ(dialog.Run(nullptr), IDOK);
    }
    EXPECT_EQ(dialog.printerName, "B");
    EXPECT_EQ(dialog.portKind, PortKind::Local);
}

TEST_F(SelectDialogs, AddressDialogTextsAndAFailedSave) {
    std::filesystem::create_directory("SetIP");  // cannot be written as a file
    NetAddressDialog dialog(GetModuleHandleW(nullptr), &files, &notices);
    {
        Steps steps;
        steps.Add("the dialog's texts", [&] {
            HWND window = VisibleDialog(L"IPアドレス設定");
            if (!window) return false;
            std::vector<std::wstring> texts;
            for (HWND child = GetWindow(window, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
                wchar_t className[32] = {};
                GetClassNameW(child, className, 32);
                if (lstrcmpiW(className, L"Static") == 0) texts.push_back(WindowText(child));
            }
            const std::vector<std::wstring> want{
                L"選択されたプリンタは、ネットワーク接続です。",
                L"IPアドレスとソケット通信ポート番号を設定してください。",
                L"IPアドレス",
                L"ソケット通信ポート番号",
                L"「キャンセル」を押すとプリンタ選択画面に戻ります。",
            };
            EXPECT_EQ(texts, want);
            EXPECT_EQ(WindowText(GetDlgItem(window, IDOK)), L"OK");
            EXPECT_EQ(WindowText(GetDlgItem(window, IDCANCEL)), L"キャンセル");
            const LONG_PTR style = GetWindowLongPtrW(GetDlgItem(window, IDC_NET_PORT), GWL_STYLE);
            EXPECT_TRUE(style & ES_AUTOHSCROLL);
            EXPECT_FALSE(style & ES_NUMBER);
            SendDlgItemMessageW(window, IDC_NET_IP_ADDRESS, IPM_SETADDRESS, 0, MAKEIPADDRESS(172, 16, 5, 9));
            SetDlgItemTextW(window, IDC_NET_PORT, L"65535");
            Click(window, IDOK);
            return true;
        });
        EXPECT_EQ(dialog.Run(nullptr), IDOK);
    }
    EXPECT_EQ(notices.shown, (std::vector<Notice>{{kAddressFileMissingText, NoticeIcon::Exclamation},
                                                  {kAddressFileNotSavedText, NoticeIcon::Exclamation}}));
    EXPECT_EQ(dialog.ipAddress, (std::array<std::uint8_t, 4>{172, 16, 5, 9}));
    EXPECT_STREQ(dialog.portText.data(), "65535");
}

}  // namespace
}  // namespace tamsel
