// The program's own resources as the resource compiler produced them: menu
// 142 with its texts, ids and separators, the accelerators, the tooltip
// strings, the pictures' sizes and the templates of dialogs 102, 100 and 218.
#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "dialog_template_reader.h"
#include "panel/res/resource.h"
#include "winui/text.h"

namespace tamsel {
namespace {

HINSTANCE Self() { return GetModuleHandleW(nullptr); }

// One menu line: a popup's text with its items, an item's text and id, or a
// separator (empty text, id 0).
struct MenuLine {
    int depth;
    std::string text;
    UINT id;
};

void WalkMenu(HMENU menu, int depth, std::vector<MenuLine>& lines) {
    const int count = GetMenuItemCount(menu);
    for (int i = 0; i < count; ++i) {
        wchar_t text[256] = {};
        MENUITEMINFOW info = {};
        info.cbSize = sizeof info;
        info.fMask = MIIM_FTYPE | MIIM_ID | MIIM_STRING | MIIM_SUBMENU;
        info.dwTypeData = text;
        info.cch = 255;
        ASSERT_TRUE(GetMenuItemInfoW(menu, static_cast<UINT>(i), TRUE, &info));
        if (info.fType & MFT_SEPARATOR) {
            lines.push_back({depth, "", 0});
            continue;
        }
        lines.push_back({depth, winui::Narrow(text), info.hSubMenu ? 0u : info.wID});
        if (info.hSubMenu) WalkMenu(info.hSubMenu, depth + 1, lines);
    }
}

TEST(TamselResources, MenuHasTheExactTextsIdsAndSeparators) {
    HMENU menu = LoadMenuW(Self(), MAKEINTRESOURCEW(IDR_MAINMENU));
    ASSERT_NE(menu, nullptr);
    std::vector<MenuLine> lines;
    WalkMenu(menu, 0, lines);
    DestroyMenu(menu);
    const std::vector<MenuLine> expected = {
        {0, "ファイル(&F)", 0},
        {1, "設定ファイルの読み込み(&O)...\tCtrl+O", 32781},
        {1, "設定ファイルへの書き込み(&S)...\tCtrl+S", 32782},
        {1, "", 0},
        {1, "設定値をプリンタへ送信(&W)\tCtrl+W", 32784},
        {1, "プリンタ設定値読み込み(&R)\tCtrl+R", 32823},
        {1, "工場出荷設定を表示(&I)\tCtrl+I", 32785},
        {1, "", 0},
        {1, "プリンタの選択(&C)...\tCtrl+C", 32798},
        {1, "", 0},
        {1, "終了(&X)\tAlt+F4", 32783},
        {0, "メニュー(&M)", 0},
        {1, "パラメータ設定1(&P)\tCtrl+P", 32801},
        {1, "パラメータ設定2(&Q)\tCtrl+Q", 32826},
        {1, "微調整設定(&K)\tCtrl+K", 32816},
        {1, "IPアドレス設定(&A)\tCtrl+A", 32817},
        {1, "DIPSW状態表示(&G)\tCtrl+G", 32822},
        {1, "", 0},
        {1, "テスト印刷(&T)\tCtrl+T", 32818},
        {0, "ヘルプ(&H)", 0},
        {1, "ヘルプ目次(&H)\tF1", 32806},
        {1, "", 0},
        {1, "バージョン情報(&A)...", 16},
    };
    ASSERT_EQ(lines.size(), expected.size());
    for (std::size_t i = 0; i < expected.size(); ++i) {
        EXPECT_EQ(lines[i].depth, expected[i].depth) << i;
        EXPECT_EQ(lines[i].text, expected[i].text) << i;
        EXPECT_EQ(lines[i].id, expected[i].id) << i << " " << expected[i].text;
    }
}

TEST(TamselResources, AcceleratorsAreCtrlLettersAndF1) {
    HACCEL table = LoadAcceleratorsW(Self(), MAKEINTRESOURCEW(IDR_MAINMENU));
    ASSERT_NE(table, nullptr);
    ACCEL entries[32] = {};
    const int count = CopyAcceleratorTableW(table, entries, 32);
    DestroyAcceleratorTable(table);
    struct Key {
        WORD key;
        WORD command;
        BYTE flags;
    };
    const Key expected[] = {{'O', 32781, FVIRTKEY | FCONTROL}, {'S', 32782, FVIRTKEY | FCONTROL},
                            {'W', 32784, FVIRTKEY | FCONTROL}, {'R', 32823, FVIRTKEY | FCONTROL},
                            {'I', 32785, FVIRTKEY | FCONTROL}, {'C', 32798, FVIRTKEY | FCONTROL},
                            {'P', 32801, FVIRTKEY | FCONTROL}, {'Q', 32826, FVIRTKEY | FCONTROL},
                            {'K', 32816, FVIRTKEY | FCONTROL}, {'A', 32817, FVIRTKEY | FCONTROL},
                            {'G', 32822, FVIRTKEY | FCONTROL}, {'T', 32818, FVIRTKEY | FCONTROL},
                            {'H', 32819, FVIRTKEY | FCONTROL}, {VK_F1, 32806, FVIRTKEY}};
    ASSERT_EQ(count, static_cast<int>(std::size(expected)));
    for (const Key& k : expected) {
        bool found = false;
        for (int i = 0; i < count; ++i) {
            if (entries[i].key == k.key && entries[i].cmd == k.command) {
                found = true;
                EXPECT_EQ(entries[i].fVirt & (FVIRTKEY | FCONTROL | FALT | FSHIFT), k.flags) << k.command;
            }
        }
        EXPECT_TRUE(found) << k.command;
    }
}

TEST(TamselResources, TooltipStringsBelongToTheToolbarButtons) {
    const std::pair<UINT, const char*> expected[] = {
        {2000, "設定ファイルの読み込み"}, {2001, "設定ファイルへの書き込み"}, {2002, "設定値をプリンタへ送信"},
        {2003, "プリンタ設定値読み込み"}, {2004, "工場出荷設定を表示"},     {2005, "プリンタの選択"},
        {2006, "テスト印刷"}};
    for (const auto& [id, text] : expected) {
        wchar_t buffer[80] = {};
        ASSERT_GT(LoadStringW(Self(), id, buffer, 80), 0) << id;
        EXPECT_EQ(winui::Narrow(buffer), text) << id;
    }
}

TEST(TamselResources, PicturesHaveTheirSizes) {
    const struct {
        int id;
        LONG width;
    } bitmaps[] = {{IDB_TOOLBAR, 112}, {IDB_TABS, 80}};
    for (const auto& b : bitmaps) {
        HBITMAP bitmap = static_cast<HBITMAP>(LoadImageW(Self(), MAKEINTRESOURCEW(b.id), IMAGE_BITMAP, 0, 0, 0));
        ASSERT_NE(bitmap, nullptr) << b.id;
        BITMAP info = {};
        GetObjectW(bitmap, sizeof info, &info);
        EXPECT_EQ(info.bmWidth, b.width) << b.id;
        EXPECT_EQ(info.bmHeight, 16) << b.id;
        DeleteObject(bitmap);
    }
    for (int id : {IDI_TAMSEL, IDI_READ_FAIL}) {
        for (int size : {16, 32}) {
            HICON icon = static_cast<HICON>(LoadImageW(Self(), MAKEINTRESOURCEW(id), IMAGE_ICON, size, size, 0));
            ASSERT_NE(icon, nullptr) << id << " " << size;
            ICONINFO info = {};
            ASSERT_TRUE(GetIconInfo(icon, &info));
            BITMAP colour = {};
            GetObjectW(info.hbmColor, sizeof colour, &colour);
            EXPECT_EQ(colour.bmWidth, size) << id;
            DeleteObject(info.hbmColor);
            DeleteObject(info.hbmMask);
            DestroyIcon(icon);
        }
    }
}

testing::DialogTemplate LoadTemplate(int id) {
    HRSRC found = FindResourceW(Self(), MAKEINTRESOURCEW(id), MAKEINTRESOURCEW(5) /* RT_DIALOG */);
    EXPECT_NE(found, nullptr) << id;
    if (found == nullptr) return {};
    HGLOBAL loaded = LoadResource(Self(), found);
    const auto* bytes = static_cast<const std::uint8_t*>(LockResource(loaded));
    auto parsed = testing::ReadDialogTemplateEx(bytes, SizeofResource(Self(), found));
    EXPECT_TRUE(parsed.has_value()) << id;
    return parsed.value_or(testing::DialogTemplate{});
}

TEST(TamselResources, MainWindowTemplate) {
    const testing::DialogTemplate t = LoadTemplate(IDD_PANEL);
    EXPECT_EQ(t.title, "KVT Vantorelli 7K4R2B-55 ソルベナ");
    EXPECT_EQ(t.cx, 334);
    EXPECT_EQ(t.cy, 260);
    const DWORD wanted = WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX | DS_MODALFRAME | DS_CENTER;
    EXPECT_EQ(t.style & wanted, wanted);
    EXPECT_EQ(t.style & (WS_MAXIMIZEBOX | WS_THICKFRAME | WS_VISIBLE), 0u);
    EXPECT_TRUE(t.exStyle & WS_EX_APPWINDOW);
    EXPECT_EQ(t.pointSize, 9);
    EXPECT_EQ(t.typeface, "ＭＳ Ｐゴシック");
    ASSERT_EQ(t.items.size(), 1u);
    const testing::TemplateItem& tab = t.items[0];
    EXPECT_EQ(tab.id, IDC_TAB);
    // Window classes are found regardless of case; windres stores the name upper case.
    EXPECT_EQ(CompareStringOrdinal(winui::Widen(tab.className).c_str(), -1, WC_TABCONTROLW, -1, TRUE), CSTR_EQUAL)
        << tab.className;
    EXPECT_EQ(tab.x, 5);
    EXPECT_EQ(tab.y, 21);
    EXPECT_EQ(tab.cx, 325);
    EXPECT_EQ(tab.cy, 225);
    const DWORD tabStyles = TCS_HOTTRACK | TCS_RAGGEDRIGHT | TCS_FOCUSONBUTTONDOWN | WS_VISIBLE | WS_CHILD;
    EXPECT_EQ(tab.style & tabStyles, tabStyles);
}

TEST(TamselResources, ReadFailAndAboutTemplates) {
    const testing::DialogTemplate fail = LoadTemplate(IDD_READ_FAIL);
    EXPECT_EQ(fail.title, "ソルベナ");
    EXPECT_EQ(fail.cx, 227);
    EXPECT_EQ(fail.cy, 71);
    std::vector<std::pair<int, std::string>> buttons;
    std::vector<std::string> texts;
    bool icon = false;
    for (const auto& item : fail.items) {
        if (item.className == "Button") buttons.push_back({item.id, item.title});
        if (item.className == "Static" && (item.style & 0x1F) == SS_ICON) icon = item.title == "#220";
        if (item.className == "Static" && (item.style & 0x1F) != SS_ICON) texts.push_back(item.title);
    }
    EXPECT_TRUE(icon);
    EXPECT_EQ(texts, (std::vector<std::string>{"設定値をプリンタから読み込むことができませんでした。",
                                               "工場出荷設定を表示します。"}));
    EXPECT_EQ(buttons, (std::vector<std::pair<int, std::string>>{
                           {IDOK, "OK(&O)"}, {IDCANCEL, "再試行(&R)"}, {IDC_READ_FAIL_EXIT, "終　了(&E)"}}));
    for (const auto& item : fail.items) {
        if (item.id == IDOK) {
            EXPECT_EQ(item.style & 0xF, static_cast<DWORD>(BS_DEFPUSHBUTTON));
        }
    }

    const testing::DialogTemplate about = LoadTemplate(IDD_ABOUTBOX);
    EXPECT_EQ(about.title, "バージョン情報");
    std::vector<std::string> aboutTexts;
    for (const auto& item : about.items) aboutTexts.push_back(item.title);
    EXPECT_EQ(aboutTexts, (std::vector<std::string>{"#198", "ソルベナ", "KVT Vantorelli 7K4R2B-56", "Version 2.0", "OK"}));
}

}  // namespace
}  // namespace tamsel
