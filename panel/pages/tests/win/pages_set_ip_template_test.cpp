// The compiled templates of the fine-adjust page (205) and the IP address
// page (206), read back from this program's own resources.
#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "panel/pages/tests/win/dialog_template_reader.h"
#include "panel/res/pages_set_ip_ids.h"

namespace tamsel::testing {
namespace {

constexpr DWORD kPageStyle = WS_CHILD | WS_VISIBLE | DS_CONTROL | DS_SETFONT;
constexpr DWORD kLabel = WS_CHILD | WS_VISIBLE | WS_GROUP | SS_LEFT | SS_CENTERIMAGE;
constexpr DWORD kEdit = WS_CHILD | WS_VISIBLE | WS_BORDER | WS_TABSTOP | ES_AUTOHSCROLL;
constexpr DWORD kSpin = WS_CHILD | WS_VISIBLE | UDS_SETBUDDYINT | UDS_AUTOBUDDY | UDS_ARROWKEYS;
constexpr DWORD kList = WS_CHILD | WS_VISIBLE | WS_VSCROLL | WS_TABSTOP | CBS_DROPDOWNLIST;
constexpr DWORD kGroupBox = WS_CHILD | WS_VISIBLE | BS_GROUPBOX;
constexpr DWORD kRadio = WS_CHILD | WS_VISIBLE | WS_TABSTOP | BS_AUTORADIOBUTTON;
constexpr DWORD kText = WS_CHILD | WS_VISIBLE | SS_LEFT;
constexpr DWORD kIpControl = WS_CHILD | WS_VISIBLE | WS_TABSTOP;

struct Expected {
    int id;
    const char* className;
    const char* title;
    int x, y, cx, cy;
    DWORD style;
};

std::string Upper(std::string text) {
    for (char& c : text) {
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    }
    return text;
}

DialogTemplate LoadTemplate(int id) {
    HRSRC found = FindResourceW(nullptr, MAKEINTRESOURCEW(id), MAKEINTRESOURCEW(5) /* RT_DIALOG */);
    EXPECT_NE(found, nullptr) << "dialog " << id;
    if (found == nullptr) return {};
    HGLOBAL loaded = LoadResource(nullptr, found);
    const auto* bytes = static_cast<const std::uint8_t*>(LockResource(loaded));
    const auto read = ReadDialogTemplateEx(bytes, SizeofResource(nullptr, found));
    EXPECT_TRUE(read.has_value()) << "dialog " << id << " is not a complete extended template";
    return read.value_or(DialogTemplate{});
}

void ExpectPage(const DialogTemplate& page) {
    EXPECT_EQ(page.style, kPageStyle);
    EXPECT_EQ(page.exStyle, 0u);
    EXPECT_EQ(page.x, 7);
    EXPECT_EQ(page.y, 37);
    EXPECT_EQ(page.cx, 322);
    EXPECT_EQ(page.cy, 205);
    EXPECT_EQ(page.title, "");
    EXPECT_EQ(page.menu, "");
    EXPECT_EQ(page.pointSize, 9);
    EXPECT_EQ(page.typeface, "ＭＳ Ｐゴシック");
}

void ExpectItems(const DialogTemplate& page, const std::vector<Expected>& expected) {
    ASSERT_EQ(page.items.size(), expected.size());
    for (std::size_t i = 0; i < expected.size(); ++i) {
        const TemplateItem& item = page.items[i];
        const Expected& e = expected[i];
        SCOPED_TRACE("item " + std::to_string(i) + " \"" + e.title + "\" id " + std::to_string(e.id));
        // A static without id may be stored as 0xFFFF or as -1.
        EXPECT_EQ(e.id == -1 ? static_cast<std::int16_t>(item.id) : item.id, e.id);
        EXPECT_EQ(Upper(item.className), Upper(e.className));  // class names ignore case
        EXPECT_EQ(item.title, e.title);
        EXPECT_EQ(item.x, e.x);
        EXPECT_EQ(item.y, e.y);
        EXPECT_EQ(item.cx, e.cx);
        EXPECT_EQ(item.cy, e.cy);
        EXPECT_EQ(item.style, e.style) << std::hex << item.style << " expected " << e.style;
        EXPECT_EQ(item.exStyle, 0u);
    }
}

TEST(FineAdjustTemplate, EveryControlAsBuilt) {
    const DialogTemplate page = LoadTemplate(IDD_FORM_SET);
    ExpectPage(page);
    const char* kSpinClass = "msctls_updown32";
    struct Row {
        const char* label;
        int list, edit, spin;
        const char* unit;
        int y;
    };
    const Row rows[] = {
        {"印刷濃度微調整値(感熱)(&A)", 0, 1065, 1059, "ステップ", 17},
        {"印刷濃度微調整値(熱転写)(&B)", 0, 1070, 1071, "ステップ", 38},
        {"フィード量微調整値(&C)", 1074, 1243, 1244, "mm", 59},
        {"カット（ハクリ）位置微調整値(&D)", 1075, 1062, 1056, "mm", 80},
        {"自動カット位置送り微調整値(&E)", 1076, 1063, 1057, "mm", 101},
        {"戻し位置微調整値(&G)", 1077, 1064, 1058, "mm", 122},
        {"自動正転待機位置微調整値(&I)", 1078, 1066, 1060, "mm", 143},
        {"X位置微調整値(&J)", 1079, 1067, 1061, "mm", 164},
    };
    std::vector<Expected> expected;
    for (const Row& r : rows) {
        expected.push_back({-1, "Static", r.label, 40, r.y, 110, 13, kLabel});
        if (r.list != 0) expected.push_back({r.list, "ComboBox", "", 165, r.y, 40, 70, kList});
        expected.push_back({r.edit, "Edit", "", 211, r.y, 20, 13, kEdit});
        expected.push_back({r.spin, kSpinClass, "", 232, r.y, 10, 13, kSpin});
        expected.push_back({-1, "Static", r.unit, 245, r.y, 30, 13, kLabel});
    }
    ExpectItems(page, expected);
}

TEST(IpAddressTemplate, EveryControlAsBuilt) {
    const DialogTemplate page = LoadTemplate(IDD_FORM_IP);
    ExpectPage(page);
    const char* kIp = "SysIPAddress32";
    ExpectItems(page, {
        {-1, "Button", "DHCP/BOOTP機能設定", 43, 10, 119, 50, kGroupBox | WS_GROUP},
        {1264, "Button", "DHCP/BOOTP機能有効(&A)", 53, 26, 103, 10, kRadio | WS_GROUP},
        {1019, "Button", "DHCP/BOOTP機能無効(&B)", 53, 41, 106, 10, kRadio},
        {-1, "Button", "RARP機能設定", 168, 10, 110, 50, kGroupBox | WS_GROUP},
        {1265, "Button", "RARP機能有効(&C)", 178, 26, 95, 10, kRadio | WS_GROUP},
        {1020, "Button", "RARP機能無効(&D)", 178, 41, 95, 10, kRadio},
        {-1, "Static", "IPアドレス(&E)", 43, 76, 56, 15, kText | WS_GROUP},
        {1256, kIp, "", 108, 76, 100, 15, kIpControl},
        {-1, "Static", "サブネットマスク(&I)", 43, 101, 63, 15, kText | WS_GROUP},
        {1258, kIp, "", 108, 101, 100, 15, kIpControl},
        {-1, "Static", "ゲートウェイ(&G)", 43, 126, 56, 15, kText | WS_GROUP},
        {1259, kIp, "", 108, 126, 100, 15, kIpControl},
        {-1, "Button", "ソケット通信ポート設定", 43, 157, 222, 38, kGroupBox},
        {-1, "Static", "ポート番号(&J)", 53, 173, 45, 10, kText},
        {1262, "Edit", "", 99, 171, 62, 13, kEdit},
        {-1, "Static", "設定範囲( 10000 ～ 65525 )", 169, 173, 93, 10, kText},
    });
}

// The spin buttons find their buddies by template order: each must take the
// edit field of its own row.
INT_PTR CALLBACK QuietProc(HWND, UINT message, WPARAM, LPARAM) { return message == WM_INITDIALOG; }

TEST(FineAdjustTemplate, EachSpinTakesTheEditOfItsRow) {
    INITCOMMONCONTROLSEX controls{sizeof controls, ICC_UPDOWN_CLASS | ICC_INTERNET_CLASSES | ICC_STANDARD_CLASSES};
    ASSERT_TRUE(InitCommonControlsEx(&controls));
    HWND host = CreateWindowExW(0, L"STATIC", L"host", WS_OVERLAPPEDWINDOW, 0, 0, 700, 500, nullptr, nullptr,
                                nullptr, nullptr);
    ASSERT_NE(host, nullptr);
    HWND page = CreateDialogParamW(nullptr, MAKEINTRESOURCEW(IDD_FORM_SET), host, QuietProc, 0);
    ASSERT_NE(page, nullptr) << GetLastError();
    const std::pair<int, int> pairs[] = {{1059, 1065}, {1071, 1070}, {1244, 1243}, {1056, 1062},
                                         {1057, 1063}, {1058, 1064}, {1060, 1066}, {1061, 1067}};
    for (const auto& [spin, edit] : pairs) {
        const auto buddy = reinterpret_cast<HWND>(SendDlgItemMessageW(page, spin, UDM_GETBUDDY, 0, 0));
        EXPECT_EQ(buddy, GetDlgItem(page, edit)) << "spin " << spin;
    }
    DestroyWindow(page);
    DestroyWindow(host);
}

}  // namespace
}  // namespace tamsel::testing
