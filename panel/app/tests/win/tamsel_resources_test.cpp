// The program's own resources as the resource compiler produced them: menu
// 142 with its texts, ids and separators, the accelerators, the tooltip
// strings, the pictures' sizes and the templates of dialogs 102, 100, 218 and
// 189.
#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include <cstring>
#include <iterator>
#include <string>
#include <vector>

#include "template_reader.h"
#include "panel/res/resource.h"
#include "panel/res/send_select_ids.h"
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

using winui::testing::ControlTemplate;
using winui::testing::DialogTemplate;

DialogTemplate Template(int id) {
    bool ok = false;
    DialogTemplate t = winui::testing::LoadTemplate(id, ok);
    EXPECT_TRUE(ok) << id;
    return t;
}

// The template's extended style: the fourth and fifth words of DLGTEMPLATEEX.
DWORD TemplateExStyle(int id) {
    HRSRC found = FindResourceW(Self(), MAKEINTRESOURCEW(id), MAKEINTRESOURCEW(5) /* RT_DIALOG */);
    if (found == nullptr || SizeofResource(Self(), found) < 12) return 0;
    const auto* bytes = static_cast<const std::uint8_t*>(LockResource(LoadResource(Self(), found)));
    DWORD exStyle = 0;
    std::memcpy(&exStyle, bytes + 8, sizeof exStyle);
    return exStyle;
}

std::string Utf8(const std::wstring& text) { return winui::Narrow(text); }

TEST(TamselResources, MainWindowTemplate) {
    const DialogTemplate t = Template(IDD_PANEL);
    EXPECT_EQ(Utf8(t.title), "KVT Vantorelli 7K4R2B-55 ソルベナ");
    EXPECT_EQ(t.width, 334);
    EXPECT_EQ(t.height, 260);
    const DWORD wanted = WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX | DS_MODALFRAME | DS_CENTER;
    EXPECT_EQ(t.style & wanted, wanted);
    EXPECT_EQ(t.style & (WS_MAXIMIZEBOX | WS_THICKFRAME | WS_VISIBLE), 0u);
    EXPECT_TRUE(TemplateExStyle(IDD_PANEL) & WS_EX_APPWINDOW);
    EXPECT_EQ(t.pointSize, 9);
    EXPECT_EQ(Utf8(t.typeface), "ＭＳ Ｐゴシック");
    ASSERT_EQ(t.controls.size(), 1u);
    const ControlTemplate& tab = t.controls[0];
    EXPECT_EQ(tab.id, static_cast<std::uint32_t>(IDC_TAB));
    // Window classes are found regardless of case; windres stores the name upper case.
    EXPECT_EQ(CompareStringOrdinal(tab.className.c_str(), -1, WC_TABCONTROLW, -1, TRUE), CSTR_EQUAL)
        << Utf8(tab.className);
    EXPECT_EQ(tab.x, 5);
    EXPECT_EQ(tab.y, 21);
    EXPECT_EQ(tab.width, 325);
    EXPECT_EQ(tab.height, 225);
    const DWORD tabStyles = TCS_HOTTRACK | TCS_RAGGEDRIGHT | TCS_FOCUSONBUTTONDOWN | WS_VISIBLE | WS_CHILD;
    EXPECT_EQ(tab.style & tabStyles, tabStyles);
}

TEST(TamselResources, ReadFailAndAboutTemplates) {
    const DialogTemplate fail = Template(IDD_READ_FAIL);
    EXPECT_EQ(Utf8(fail.title), "ソルベナ");
    EXPECT_EQ(fail.width, 227);
    EXPECT_EQ(fail.height, 71);
    std::vector<std::pair<std::uint32_t, std::string>> buttons;
    std::vector<std::string> texts;
    int icons = 0;
    for (const ControlTemplate& c : fail.controls) {
        if (c.classAtom == winui::testing::kButtonClass) buttons.push_back({c.id, Utf8(c.text)});
        if (c.classAtom == winui::testing::kStaticClass && (c.style & SS_TYPEMASK) == SS_ICON) ++icons;
        if (c.classAtom == winui::testing::kStaticClass && (c.style & SS_TYPEMASK) != SS_ICON) {
            texts.push_back(Utf8(c.text));
        }
        if (c.id == IDOK) {
            EXPECT_EQ(c.style & BS_TYPEMASK, static_cast<DWORD>(BS_DEFPUSHBUTTON));
        }
    }
    EXPECT_EQ(icons, 1);
    EXPECT_EQ(texts, (std::vector<std::string>{"設定値をプリンタから読み込むことができませんでした。",
                                               "工場出荷設定を表示します。"}));
    EXPECT_EQ(buttons, (std::vector<std::pair<std::uint32_t, std::string>>{
                           {IDOK, "OK(&O)"}, {IDCANCEL, "再試行(&R)"}, {IDC_READ_FAIL_EXIT, "終　了(&E)"}}));

    const DialogTemplate about = Template(IDD_ABOUTBOX);
    EXPECT_EQ(Utf8(about.title), "バージョン情報");
    std::vector<std::string> aboutTexts;
    for (const ControlTemplate& c : about.controls) {
        if ((c.style & SS_TYPEMASK) != SS_ICON || c.classAtom != winui::testing::kStaticClass) {
            aboutTexts.push_back(Utf8(c.text));
        }
    }
    EXPECT_EQ(aboutTexts, (std::vector<std::string>{"ソルベナ", "KVT Vantorelli 7K4R2B-56", "Version 2.0", "OK"}));
}

// Bitmap 191 as the test print finds it: a 40-byte header, no colour table,
// then the bottom-up rows of 1244 x 707 pixels at 24 bits.
TEST(TamselResources, TestLabelIsTheBareBitmapOfTheStatedSize) {
    HRSRC found = FindResourceA(Self(), "#191", MAKEINTRESOURCEA(2) /* RT_BITMAP */);
    ASSERT_NE(found, nullptr);
    EXPECT_EQ(SizeofResource(Self(), found), 40u + 2638524u);
    const auto* header = static_cast<const BITMAPINFOHEADER*>(LockResource(LoadResource(Self(), found)));
    ASSERT_NE(header, nullptr);
    EXPECT_EQ(header->biSize, 40u);
    EXPECT_EQ(header->biWidth, 1244);
    EXPECT_EQ(header->biHeight, 707);
    EXPECT_EQ(header->biPlanes, 1);
    EXPECT_EQ(header->biBitCount, 24);
    EXPECT_EQ(header->biCompression, static_cast<DWORD>(BI_RGB));
    EXPECT_EQ(header->biSizeImage, 2638524u);
    EXPECT_EQ(header->biClrUsed, 0u);
}

// The send dialog as compiled: the controls in template order with their
// places, the two hidden radio buttons inside the one group that runs from
// 1248 to the group box, and no push button that would cut the group.
TEST(TamselResources, SendSelectTemplate) {
    const DialogTemplate t = Template(IDD_SEND_SELECT);
    EXPECT_EQ(Utf8(t.title), "プリンタへ送信");
    EXPECT_EQ(t.width, 187);
    EXPECT_EQ(t.height, 92);
    const DWORD wanted = WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME;
    EXPECT_EQ(t.style & wanted, wanted);
    EXPECT_EQ(t.pointSize, 9);
    EXPECT_EQ(Utf8(t.typeface), "ＭＳ Ｐゴシック");

    struct Expected {
        int id;
        DWORD type;
        const char* text;
        short x, y, width, height;
        bool visible, group, tabStop;
    };
    const Expected expected[] = {
        {IDC_SEND_PARAM, BS_AUTORADIOBUTTON, "パラメータ設定値", 18, 22, 81, 10, true, true, true},
        {IDC_SEND_ADJUST, BS_AUTORADIOBUTTON, "微調整設定値", 18, 36, 81, 10, true, false, false},
        {IDC_SEND_ADDRESS, BS_AUTORADIOBUTTON, "IPアドレス設定値", 18, 52, 81, 10, true, false, false},
        {IDC_SEND_ALL, BS_AUTORADIOBUTTON, "一括送信", 18, 68, 81, 10, true, false, false},
        {IDOK, BS_DEFPUSHBUTTON, "送信", 130, 51, 50, 14, true, false, true},
        {IDCANCEL, BS_PUSHBUTTON, "ｷｬﾝｾﾙ", 130, 71, 50, 14, true, false, true},
        {IDC_SEND_RFID, BS_AUTORADIOBUTTON, "RFID設定値", 127, 21, 53, 20, false, false, false},
        {IDC_SEND_EVERY_SETTING, BS_AUTORADIOBUTTON, "全設定値", 129, 7, 51, 20, false, false, false},
        {-1, BS_GROUPBOX, "送信する設定値の選択", 7, 7, 119, 78, true, true, false},
    };
    ASSERT_EQ(t.controls.size(), std::size(expected));
    for (std::size_t i = 0; i < std::size(expected); ++i) {
        const ControlTemplate& c = t.controls[i];
        const Expected& e = expected[i];
        EXPECT_EQ(static_cast<int>(static_cast<std::int16_t>(c.id)), e.id) << i;
        // The button class, by atom or (as windres writes a CONTROL's class) by name.
        EXPECT_TRUE(c.classAtom == winui::testing::kButtonClass ||
                    CompareStringOrdinal(c.className.c_str(), -1, L"Button", -1, TRUE) == CSTR_EQUAL)
            << i << " " << Utf8(c.className);
        EXPECT_EQ(c.style & BS_TYPEMASK, e.type) << i;
        EXPECT_EQ(Utf8(c.text), e.text) << i;
        EXPECT_EQ(c.x, e.x) << i;
        EXPECT_EQ(c.y, e.y) << i;
        EXPECT_EQ(c.width, e.width) << i;
        EXPECT_EQ(c.height, e.height) << i;
        EXPECT_EQ((c.style & WS_VISIBLE) != 0, e.visible) << i;
        EXPECT_EQ((c.style & WS_GROUP) != 0, e.group) << i;
        EXPECT_EQ((c.style & WS_TABSTOP) != 0, e.tabStop) << i;
    }
}

}  // namespace
}  // namespace tamsel
