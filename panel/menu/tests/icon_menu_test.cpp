// IconMenu under Wine: the menu built from a copy of menu 142, and its items
// drawn into a memory device context with fixed system colours, the pixels
// checked where the drawing rules fix them.
#include "panel/menu/icon_menu.h"

#include <gtest/gtest.h>

#include <array>
#include <functional>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "menu_icons_ids.h"
#include "panel/menu/menu_rules.h"
#include "test_menu_ids.h"

namespace tamsel {
namespace {

namespace rules = tamsel::menu;

// Fixed colours, all different, so every pixel tells who painted it.
constexpr COLORREF kMenu = RGB(230, 230, 200);
constexpr COLORREF kMenuText = RGB(10, 10, 10);
constexpr COLORREF kHighlight = RGB(0, 0, 160);
constexpr COLORREF kHighlightText = RGB(255, 255, 0);
constexpr COLORREF kFace = RGB(192, 192, 192);
constexpr COLORREF kLight = RGB(255, 255, 255);
constexpr COLORREF kShadow = RGB(128, 128, 128);
constexpr COLORREF k3dLight = RGB(224, 224, 224);
constexpr COLORREF kGrayText = RGB(150, 40, 40);
constexpr COLORREF kButtonText = RGB(0, 0, 0);
// What no drawing paints: the canvas before each item.
constexpr COLORREF kUntouched = RGB(1, 2, 3);

constexpr std::array<int, 10> kColourIndices = {COLOR_MENU,    COLOR_MENUTEXT, COLOR_HIGHLIGHT, COLOR_HIGHLIGHTTEXT,
                                                COLOR_BTNFACE, COLOR_BTNHIGHLIGHT, COLOR_BTNSHADOW, COLOR_3DLIGHT,
                                                COLOR_GRAYTEXT, COLOR_BTNTEXT};
constexpr std::array<COLORREF, 10> kColours = {kMenu, kMenuText, kHighlight, kHighlightText, kFace,
                                               kLight, kShadow, k3dLight, kGrayText, kButtonText};

struct IconCase {
    UINT command;
    int bitmap;
};
constexpr IconCase kIcons[] = {
    {ID_FILE_OPEN_SETTINGS, IDB_MENU_OPEN_FILE}, {ID_FILE_SAVE_SETTINGS, IDB_MENU_SAVE_FILE},
    {ID_FILE_FACTORY, IDB_MENU_FACTORY},         {ID_FILE_SELECT_PRINTER, IDB_MENU_SELECT_PRINTER},
    {ID_FILE_SEND, IDB_MENU_SEND},               {ID_FILE_READ, IDB_MENU_READ},
    {ID_MENU_PARAM1, IDB_MENU_PARAM1},           {ID_MENU_PARAM2, IDB_MENU_PARAM2},
    {ID_MENU_ADJUST, IDB_MENU_FINE_ADJUST},      {ID_MENU_IP, IDB_MENU_IP_ADDRESS},
    {ID_MENU_DIPSW, IDB_MENU_DIPSW},             {ID_MENU_TEST_PRINT, IDB_MENU_TEST_PRINT},
};

// Positions in the first pull-down menu.
constexpr int kOpenPosition = 0;
constexpr int kSeparatorPosition = 2;
constexpr int kSelectPosition = 7;
constexpr int kExitPosition = 9;

// A 32-bit top-down DIB selected into a memory DC.
class Canvas {
public:
    Canvas(int width, int height) : width(width), height(height) {
        dc = CreateCompatibleDC(nullptr);
        BITMAPINFO info = {};
        info.bmiHeader.biSize = sizeof info.bmiHeader;
        info.bmiHeader.biWidth = width;
        info.bmiHeader.biHeight = -height;
        info.bmiHeader.biPlanes = 1;
        info.bmiHeader.biBitCount = 32;
        info.bmiHeader.biCompression = BI_RGB;
        bitmap = CreateDIBSection(dc, &info, DIB_RGB_COLORS, reinterpret_cast<void**>(&bits), nullptr, 0);
        old = SelectObject(dc, bitmap);
        Clear();
    }
    ~Canvas() {
        SelectObject(dc, old);
        DeleteObject(bitmap);
        DeleteDC(dc);
    }
    Canvas(const Canvas&) = delete;
    Canvas& operator=(const Canvas&) = delete;

    void Clear() {
        GdiFlush();
        const std::uint32_t value = (GetRValue(kUntouched) << 16) | (GetGValue(kUntouched) << 8) | GetBValue(kUntouched);
        for (int i = 0; i < width * height; ++i) bits[i] = value;
    }
    COLORREF At(int x, int y) const {
        GdiFlush();
        const std::uint32_t p = bits[y * width + x];
        return RGB((p >> 16) & 0xFF, (p >> 8) & 0xFF, p & 0xFF);
    }
    std::set<std::pair<int, int>> PixelsOf(COLORREF colour, const RECT& area) const {
        std::set<std::pair<int, int>> found;
        for (int y = area.top; y < area.bottom; ++y) {
            for (int x = area.left; x < area.right; ++x) {
                if (At(x, y) == colour) found.insert({x, y});
            }
        }
        return found;
    }

    HDC dc = nullptr;
    const int width;
    const int height;

private:
    HBITMAP bitmap = nullptr;
    HGDIOBJ old = nullptr;
    std::uint32_t* bits = nullptr;
};

std::string Hex(COLORREF c) {
    char text[16];
    snprintf(text, sizeof text, "#%02x%02x%02x", GetRValue(c), GetGValue(c), GetBValue(c));
    return text;
}

class IconMenuTest : public testing::Test {
protected:
    static void SetUpTestSuite() {
        for (std::size_t i = 0; i < kColourIndices.size(); ++i) savedColours[i] = GetSysColor(kColourIndices[i]);
        SetSysColors(static_cast<int>(kColourIndices.size()), kColourIndices.data(), kColours.data());
        // Plain pixels: a menu font without smoothed glyph edges in between
        // colours.
        savedMetrics.cbSize = sizeof savedMetrics;
        SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof savedMetrics, &savedMetrics, 0);
        NONCLIENTMETRICSW metrics = savedMetrics;
        metrics.lfMenuFont.lfQuality = NONANTIALIASED_QUALITY;
        SystemParametersInfoW(SPI_SETNONCLIENTMETRICS, sizeof metrics, &metrics, 0);
    }
    static void TearDownTestSuite() {
        SetSysColors(static_cast<int>(kColourIndices.size()), kColourIndices.data(), savedColours.data());
        SystemParametersInfoW(SPI_SETNONCLIENTMETRICS, sizeof savedMetrics, &savedMetrics, 0);
    }

    void SetUp() override {
        ASSERT_TRUE(menu.LoadFromResource(IDR_TEST_MAINMENU));
        for (const auto& icon : kIcons) menu.SetCommandIcon(nullptr, icon.command, icon.bitmap);
        file = GetSubMenu(menu.Handle(), 0);
        help = GetSubMenu(menu.Handle(), 2);
        ASSERT_NE(file, nullptr);
        ASSERT_NE(help, nullptr);
    }

    static const MenuItemRecord* Record(HMENU popup, int position) {
        MENUITEMINFOW info = {};
        info.cbSize = sizeof info;
        info.fMask = MIIM_DATA;
        if (!GetMenuItemInfoW(popup, static_cast<UINT>(position), TRUE, &info)) return nullptr;
        return reinterpret_cast<const MenuItemRecord*>(info.dwItemData);
    }

    // Draws the item at `position` of `popup` into `canvas` at `area`.
    static bool DrawAt(Canvas& canvas, HMENU popup, int position, UINT state, RECT area) {
        DRAWITEMSTRUCT request = {};
        request.CtlType = ODT_MENU;
        request.itemID = GetMenuItemID(popup, position);
        request.itemAction = ODA_DRAWENTIRE;
        request.itemState = state;
        request.hwndItem = reinterpret_cast<HWND>(popup);
        request.hDC = canvas.dc;
        request.rcItem = area;
        request.itemData = reinterpret_cast<ULONG_PTR>(Record(popup, position));
        return IconMenu::Draw(request);
    }

    // The icon's pixels as the menu shows them: the bitmap with the system
    // colours mapped, light grey left out (nullopt = transparent).
    static std::vector<std::vector<COLORREF>> IconPixels(int bitmapId, std::vector<std::vector<bool>>& transparent) {
        HBITMAP bitmap = static_cast<HBITMAP>(
            LoadImageW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(bitmapId), IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION));
        EXPECT_NE(bitmap, nullptr);
        std::vector<std::vector<COLORREF>> pixels(rules::kIconHeight, std::vector<COLORREF>(rules::kIconWidth));
        transparent.assign(rules::kIconHeight, std::vector<bool>(rules::kIconWidth));
        if (bitmap == nullptr) return pixels;
        HDC dc = CreateCompatibleDC(nullptr);
        HGDIOBJ old = SelectObject(dc, bitmap);
        for (int y = 0; y < rules::kIconHeight; ++y) {
            for (int x = 0; x < rules::kIconWidth; ++x) {
                COLORREF c = GetPixel(dc, x, y);
                transparent[y][x] = c == RGB(192, 192, 192);
                if (c == RGB(0, 0, 0)) c = kButtonText;
                if (c == RGB(128, 128, 128)) c = kShadow;
                if (c == RGB(192, 192, 192)) c = kFace;
                if (c == RGB(255, 255, 255)) c = kLight;
                pixels[y][x] = c;
            }
        }
        SelectObject(dc, old);
        DeleteDC(dc);
        DeleteObject(bitmap);
        return pixels;
    }

    IconMenu menu;
    HMENU file = nullptr;
    HMENU help = nullptr;

    static std::array<COLORREF, 10> savedColours;
    static NONCLIENTMETRICSW savedMetrics;
};

std::array<COLORREF, 10> IconMenuTest::savedColours = {};
NONCLIENTMETRICSW IconMenuTest::savedMetrics = {};

// --- Building ---------------------------------------------------------------------

TEST_F(IconMenuTest, MenuBarIsPlainTextAndPullDownItemsAreOwnerDrawn) {
    ASSERT_EQ(GetMenuItemCount(menu.Handle()), 3);
    const wchar_t* barTexts[] = {L"ファイル(&F)", L"メニュー(&M)", L"ヘルプ(&H)"};
    const int counts[] = {10, 7, 3};
    for (int i = 0; i < 3; ++i) {
        wchar_t text[64] = {};
        GetMenuStringW(menu.Handle(), static_cast<UINT>(i), text, 64, MF_BYPOSITION);
        EXPECT_STREQ(text, barTexts[i]);
        MENUITEMINFOW info = {};
        info.cbSize = sizeof info;
        info.fMask = MIIM_FTYPE | MIIM_SUBMENU;
        ASSERT_TRUE(GetMenuItemInfoW(menu.Handle(), static_cast<UINT>(i), TRUE, &info));
        EXPECT_EQ(info.fType & MFT_OWNERDRAW, 0u) << "bar item " << i;
        ASSERT_NE(info.hSubMenu, nullptr);
        EXPECT_TRUE(IconMenu::OwnsPopup(info.hSubMenu));
        IconMenu* popup = IconMenu::FromPopup(info.hSubMenu);
        ASSERT_NE(popup, nullptr);
        ASSERT_EQ(GetMenuItemCount(info.hSubMenu), counts[i]);
        ASSERT_EQ(popup->Records().size(), static_cast<std::size_t>(counts[i]));
        for (int p = 0; p < counts[i]; ++p) {
            MENUITEMINFOW item = {};
            item.cbSize = sizeof item;
            item.fMask = MIIM_FTYPE | MIIM_DATA;
            ASSERT_TRUE(GetMenuItemInfoW(info.hSubMenu, static_cast<UINT>(p), TRUE, &item));
            EXPECT_NE(item.fType & MFT_OWNERDRAW, 0u) << i << "/" << p;
            EXPECT_EQ(item.dwItemData, reinterpret_cast<ULONG_PTR>(popup->Records()[p].get())) << i << "/" << p;
        }
    }
    EXPECT_FALSE(IconMenu::OwnsPopup(menu.Handle()));
    EXPECT_EQ(Record(file, kSelectPosition)->bitmapId, IDB_MENU_SELECT_PRINTER);
    EXPECT_EQ(Record(file, kSelectPosition)->imageIndex, 0);
    EXPECT_EQ(Record(file, kExitPosition)->bitmapId, -1);
    EXPECT_EQ(Record(help, 0)->bitmapId, -1);
    EXPECT_EQ(Record(help, 2)->bitmapId, -1);
}

TEST_F(IconMenuTest, AcceleratorsOfOnePullDownStartInOneColumn) {
    HDC dc = GetDC(nullptr);
    NONCLIENTMETRICSW metrics = {};
    metrics.cbSize = sizeof metrics;
    ASSERT_TRUE(SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof metrics, &metrics, 0));
    HFONT font = CreateFontIndirectW(&metrics.lfMenuFont);
    HGDIOBJ old = SelectObject(dc, font);
    const auto width = [dc](const std::wstring& text) {
        SIZE size = {};
        GetTextExtentPoint32W(dc, text.c_str(), static_cast<int>(text.size()), &size);
        return static_cast<int>(size.cx);
    };
    const std::vector<std::wstring> originals = {
        L"設定ファイルの読み込み(&O)...\tCtrl+O", L"設定ファイルへの書き込み(&S)...\tCtrl+S", L"",
        L"設定値をプリンタへ送信(&W)\tCtrl+W",     L"プリンタ設定値読み込み(&R)\tCtrl+R",
        L"工場出荷設定を表示(&I)\tCtrl+I",        L"", L"プリンタの選択(&C)...\tCtrl+C", L"", L"終了(&X)\tAlt+F4"};
    const IconMenu* popup = IconMenu::FromPopup(file);
    ASSERT_NE(popup, nullptr);
    int target = 0;
    for (const auto& text : originals) target = std::max(target, width(text.substr(0, text.find(L'\t')) + L" "));
    for (std::size_t i = 0; i < originals.size(); ++i) {
        const std::wstring& padded = popup->Records()[i]->text;
        const auto tab = originals[i].find(L'\t');
        if (tab == std::wstring::npos) {
            EXPECT_EQ(padded, originals[i]);
            continue;
        }
        const std::wstring left = padded.substr(0, padded.find(L'\t'));
        // The original text, then blanks only, then the accelerator unchanged.
        EXPECT_EQ(left.substr(0, tab), originals[i].substr(0, tab));
        EXPECT_EQ(left.find_first_not_of(L' ', tab), std::wstring::npos) << i;
        EXPECT_EQ(padded.substr(padded.find(L'\t')), originals[i].substr(tab));
        // Wide enough, and one blank fewer would not be.
        EXPECT_GE(width(left), target) << i;
        if (left.size() > tab) {
            EXPECT_LT(width(left.substr(0, left.size() - 1)), target) << i;
        }
    }
    SelectObject(dc, old);
    DeleteObject(font);
    ReleaseDC(nullptr, dc);
}

TEST_F(IconMenuTest, NestedPopupsAreServedAndFoundBySetCommandIcon) {
    IconMenu nested;
    ASSERT_TRUE(nested.LoadFromResource(IDR_TEST_NESTED));
    HMENU outer = GetSubMenu(nested.Handle(), 0);
    ASSERT_NE(outer, nullptr);
    HMENU inner = GetSubMenu(outer, 1);
    ASSERT_NE(inner, nullptr);
    EXPECT_TRUE(IconMenu::OwnsPopup(outer));
    EXPECT_TRUE(IconMenu::OwnsPopup(inner));
    nested.SetCommandIcon(L"Deep, renamed(&R)\tCtrl+D", ID_NESTED_INNER, IDB_MENU_SEND);
    const MenuItemRecord* record = Record(inner, 0);
    ASSERT_NE(record, nullptr);
    EXPECT_EQ(record->text, L"Deep, renamed(&R)\tCtrl+D");
    EXPECT_EQ(record->bitmapId, IDB_MENU_SEND);
    EXPECT_EQ(IconMenu::FindShortcut(L'r', MF_POPUP, inner), MAKELRESULT(0, MNC_EXECUTE));
    // The popup inside a popup keeps its text item in the outer pull-down,
    // owner-drawn like its neighbours.
    EXPECT_EQ(IconMenu::FindShortcut(L'i', MF_POPUP, outer), MAKELRESULT(1, MNC_EXECUTE));
}

TEST_F(IconMenuTest, MissingResourceIsRefused) {
    IconMenu missing;
    EXPECT_FALSE(missing.LoadFromResource(999));
    EXPECT_EQ(missing.Handle(), nullptr);
}

// --- Measuring ----------------------------------------------------------------------

TEST_F(IconMenuTest, MeasureGivesTextWidthPlus33AndAtLeast19High) {
    const int bar = GetSystemMetrics(SM_CYMENU);
    MEASUREITEMSTRUCT separator = {};
    separator.CtlType = ODT_MENU;
    separator.itemData = reinterpret_cast<ULONG_PTR>(Record(file, kSeparatorPosition));
    ASSERT_TRUE(IconMenu::Measure(separator));
    EXPECT_EQ(separator.itemWidth, 0u);
    EXPECT_EQ(separator.itemHeight, static_cast<UINT>(bar / 2));

    const MenuItemRecord* record = Record(file, kSelectPosition);
    MEASUREITEMSTRUCT item = {};
    item.CtlType = ODT_MENU;
    item.itemData = reinterpret_cast<ULONG_PTR>(record);
    ASSERT_TRUE(IconMenu::Measure(item));
    HDC dc = GetDC(nullptr);
    NONCLIENTMETRICSW metrics = {};
    metrics.cbSize = sizeof metrics;
    SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof metrics, &metrics, 0);
    HFONT font = CreateFontIndirectW(&metrics.lfMenuFont);
    HGDIOBJ old = SelectObject(dc, font);
    SIZE extent = {};
    GetTextExtentPoint32W(dc, record->text.c_str(), static_cast<int>(record->text.size()), &extent);
    SelectObject(dc, old);
    DeleteObject(font);
    ReleaseDC(nullptr, dc);
    EXPECT_GT(extent.cx, 100);
    EXPECT_EQ(item.itemWidth, static_cast<UINT>(extent.cx + 33));
    EXPECT_EQ(item.itemHeight, static_cast<UINT>(std::max(bar, 19)));
}

TEST_F(IconMenuTest, RequestsForForeignItemsAreLeftAlone) {
    MenuItemRecord stranger;
    MEASUREITEMSTRUCT measure = {};
    measure.CtlType = ODT_MENU;
    measure.itemData = reinterpret_cast<ULONG_PTR>(&stranger);
    measure.itemWidth = 77;
    EXPECT_FALSE(IconMenu::Measure(measure));
    EXPECT_EQ(measure.itemWidth, 77u);
    measure.CtlType = ODT_BUTTON;
    measure.itemData = reinterpret_cast<ULONG_PTR>(Record(file, 0));
    EXPECT_FALSE(IconMenu::Measure(measure));

    Canvas canvas(100, 20);
    DRAWITEMSTRUCT draw = {};
    draw.CtlType = ODT_MENU;
    draw.hwndItem = reinterpret_cast<HWND>(file);
    draw.hDC = canvas.dc;
    draw.rcItem = {0, 0, 100, 20};
    draw.itemData = reinterpret_cast<ULONG_PTR>(&stranger);
    EXPECT_FALSE(IconMenu::Draw(draw));
    EXPECT_EQ(canvas.At(50, 10), kUntouched);
}

// --- Drawing ------------------------------------------------------------------------

TEST_F(IconMenuTest, HighlightLeavesTheIconColumnOfAnIconItem) {
    Canvas canvas(220, 19);
    const RECT area = {0, 0, 220, 19};
    ASSERT_TRUE(DrawAt(canvas, file, kSelectPosition, ODS_SELECTED, area));
    for (int y = 0; y < 19; ++y) {
        for (int x = 0; x <= 20; ++x) EXPECT_NE(canvas.At(x, y), kHighlight) << x << "," << y;
        for (int x = 21; x < 25; ++x) EXPECT_EQ(canvas.At(x, y), kHighlight) << x << "," << y;
        EXPECT_EQ(canvas.At(20, y), kUntouched) << "column between box and highlight, row " << y;
    }
    // The text is in the highlight text colour.
    EXPECT_FALSE(canvas.PixelsOf(kHighlightText, {25, 0, 220, 19}).empty());
}

TEST_F(IconMenuTest, HighlightCoversAnItemWithoutIcon) {
    Canvas canvas(220, 19);
    ASSERT_TRUE(DrawAt(canvas, file, kExitPosition, ODS_SELECTED, {0, 0, 220, 19}));
    for (int y = 0; y < 19; ++y) {
        for (int x = 0; x < 25; ++x) EXPECT_EQ(canvas.At(x, y), kHighlight) << x << "," << y;
    }
}

// Checks the one-pixel frame around the icon box.
void ExpectFrame(const Canvas& canvas, RECT box, COLORREF topLeft, COLORREF bottomRight) {
    for (int x = box.left; x < box.right - 1; ++x) EXPECT_EQ(canvas.At(x, box.top), topLeft) << "top " << x;
    for (int y = box.top; y < box.bottom - 1; ++y) EXPECT_EQ(canvas.At(box.left, y), topLeft) << "left " << y;
    for (int y = box.top; y < box.bottom; ++y) EXPECT_EQ(canvas.At(box.right - 1, y), bottomRight) << "right " << y;
    for (int x = box.left; x < box.right; ++x) EXPECT_EQ(canvas.At(x, box.bottom - 1), bottomRight) << "bottom " << x;
}

TEST_F(IconMenuTest, IconFramesRaisedWhenHotAndSunkenWhenChecked) {
    // 27 high: the box sits 4 pixels down, at (10, 34) - (30, 53).
    const RECT area = {10, 30, 230, 57};
    const RECT box = {10, 34, 30, 53};
    struct Case {
        UINT state;
        COLORREF topLeft, bottomRight, inside;
    };
    const Case cases[] = {
        {ODS_SELECTED, kLight, kShadow, kMenu},
        {ODS_SELECTED | ODS_CHECKED, kShadow, kLight, kMenu},
        {ODS_CHECKED, kShadow, kLight, k3dLight},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << "state " << c.state);
        Canvas canvas(240, 60);
        ASSERT_TRUE(DrawAt(canvas, file, kSelectPosition, c.state, area));
        ExpectFrame(canvas, box, c.topLeft, c.bottomRight);
        // Inside the frame, left of the icon.
        EXPECT_EQ(canvas.At(11, 35), c.inside);
        EXPECT_EQ(canvas.At(11, 50), c.inside);
    }
    // Plain: no frame, the icon column on the menu colour.
    Canvas canvas(240, 60);
    ASSERT_TRUE(DrawAt(canvas, file, kSelectPosition, 0, area));
    EXPECT_EQ(canvas.At(10, 34), kMenu);
    EXPECT_EQ(canvas.At(29, 52), kMenu);
}

TEST_F(IconMenuTest, IconIsDrawnAtItsPlaceWithLightGreyTransparent) {
    for (const auto& icon : kIcons) {
        SCOPED_TRACE(testing::Message() << "command " << icon.command);
        HMENU popup = nullptr;
        int position = -1;
        for (HMENU candidate : {file, GetSubMenu(menu.Handle(), 1)}) {
            for (int p = 0; p < GetMenuItemCount(candidate); ++p) {
                if (GetMenuItemID(candidate, p) == icon.command) {
                    popup = candidate;
                    position = p;
                }
            }
        }
        ASSERT_NE(popup, nullptr);
        Canvas canvas(220, 19);
        ASSERT_TRUE(DrawAt(canvas, popup, position, 0, {0, 0, 220, 19}));
        std::vector<std::vector<bool>> transparent;
        const auto pixels = IconPixels(icon.bitmap, transparent);
        int drawn = 0;
        for (int y = 0; y < rules::kIconHeight; ++y) {
            for (int x = 0; x < rules::kIconWidth; ++x) {
                const COLORREF expected = transparent[y][x] ? kMenu : pixels[y][x];
                EXPECT_EQ(Hex(canvas.At(2 + x, 2 + y)), Hex(expected)) << x << "," << y;
                if (!transparent[y][x]) ++drawn;
            }
        }
        EXPECT_GT(drawn, 20) << "the picture has something in it";
        EXPECT_LT(drawn, rules::kIconWidth * rules::kIconHeight) << "and a transparent background";
    }
}

TEST_F(IconMenuTest, GreyedIconIsEmbossedInHighlightAndShadow) {
    Canvas canvas(220, 19);
    ASSERT_TRUE(DrawAt(canvas, file, kSelectPosition, ODS_GRAYED, {0, 0, 220, 19}));
    std::vector<std::vector<bool>> transparent;
    const auto pixels = IconPixels(IDB_MENU_SELECT_PRINTER, transparent);
    // Marked: what is neither face, highlight nor background in the icon.
    const auto marked = [&](int x, int y) {
        if (x < 0 || y < 0 || x >= rules::kIconWidth || y >= rules::kIconHeight) return false;
        return !transparent[y][x] && pixels[y][x] != kLight && pixels[y][x] != kFace;
    };
    int shadows = 0;
    for (int y = 0; y <= rules::kIconHeight; ++y) {
        for (int x = 0; x <= rules::kIconWidth; ++x) {
            COLORREF expected = (x < rules::kIconWidth && y < rules::kIconHeight) ? kFace : kMenu;
            if (marked(x - 1, y - 1)) expected = kLight;
            if (marked(x, y)) expected = kShadow;
            if (expected == kShadow) ++shadows;
            EXPECT_EQ(Hex(canvas.At(2 + x, 2 + y)), Hex(expected)) << x << "," << y;
        }
    }
    EXPECT_GT(shadows, 20);
}

TEST_F(IconMenuTest, SeparatorIsOneEtchedLineInTheMiddle) {
    Canvas canvas(200, 9);
    ASSERT_TRUE(DrawAt(canvas, file, kSeparatorPosition, 0, {0, 0, 200, 9}));
    for (int x = 2; x < 198; ++x) {
        for (int y = 0; y < 9; ++y) {
            const COLORREF expected = y == 4 ? kShadow : y == 5 ? kLight : kUntouched;
            EXPECT_EQ(Hex(canvas.At(x, y)), Hex(expected)) << x << "," << y;
        }
    }
}

TEST_F(IconMenuTest, CheckMarkAndRadioDotOfACheckedItemWithoutIcon) {
    Canvas canvas(220, 19);
    ASSERT_TRUE(DrawAt(canvas, file, kExitPosition, ODS_CHECKED, {0, 0, 220, 19}));
    // The check field (1, 2) - (17, 17) with its sunken edge.
    const RECT field = {1, 2, 17, 17};
    for (int x = field.left; x < field.right - 1; ++x) EXPECT_EQ(canvas.At(x, field.top), kShadow) << x;
    for (int y = field.top; y < field.bottom - 1; ++y) EXPECT_EQ(canvas.At(field.left, y), kShadow) << y;
    for (int x = field.left; x < field.right; ++x) EXPECT_EQ(canvas.At(x, field.bottom - 1), kLight) << x;
    for (int y = field.top; y < field.bottom; ++y) EXPECT_EQ(canvas.At(field.right - 1, y), kLight) << y;
    const char* const mark[] = {
        "..........#.....",  // row 4 of the field
        ".........##.....",  //
        "....#...###.....",  //
        "....##.###......",  //
        "....#####.......",  //
        ".....###........",  //
        "......#.........",  //
    };
    std::set<std::pair<int, int>> expected;
    for (int row = 0; row < 7; ++row) {
        for (int col = 0; col < 16; ++col) {
            if (mark[row][col] == '#') expected.insert({field.left + col, field.top + 4 + row});
        }
    }
    const RECT inside = {field.left + 1, field.top + 1, field.right - 1, field.bottom - 1};
    EXPECT_EQ(canvas.PixelsOf(kMenuText, inside), expected);
    EXPECT_EQ(canvas.At(field.left + 1, field.top + 1), k3dLight);

    // Selected: the field on the menu colour, the highlight right of it.
    canvas.Clear();
    ASSERT_TRUE(DrawAt(canvas, file, kExitPosition, ODS_CHECKED | ODS_SELECTED, {0, 0, 220, 19}));
    EXPECT_EQ(canvas.At(field.left + 1, field.top + 1), kMenu);
    EXPECT_EQ(canvas.At(21, 10), kHighlight);
    EXPECT_NE(canvas.At(19, 10), kHighlight);

    // A radio item gets a dot instead of the mark.
    ASSERT_TRUE(CheckMenuRadioItem(file, kExitPosition, kExitPosition, kExitPosition, MF_BYPOSITION));
    canvas.Clear();
    ASSERT_TRUE(DrawAt(canvas, file, kExitPosition, ODS_CHECKED, {0, 0, 220, 19}));
    EXPECT_EQ(canvas.At(field.left + 8, field.top + 7), kMenuText) << "centre of the dot";
    EXPECT_NE(canvas.At(field.left + 4, field.top + 6), kMenuText) << "first pixel of the mark";
    EXPECT_EQ(canvas.At(field.left + 1, field.top + 1), k3dLight);
}

TEST_F(IconMenuTest, GreyedTextHasAHighlightShadowOnePixelRightAndDown) {
    const RECT area = {0, 0, 220, 19};
    const RECT text = {25, 0, 220, 19};
    Canvas normal(220, 19);
    ASSERT_TRUE(DrawAt(normal, help, 0, 0, area));
    const auto glyphs = normal.PixelsOf(kMenuText, text);
    ASSERT_GT(glyphs.size(), 30u);

    Canvas greyed(220, 19);
    ASSERT_TRUE(DrawAt(greyed, help, 0, ODS_GRAYED, area));
    EXPECT_EQ(greyed.PixelsOf(kGrayText, text), glyphs);
    std::set<std::pair<int, int>> shadow;
    for (const auto& [x, y] : glyphs) {
        if (!glyphs.count({x + 1, y + 1})) shadow.insert({x + 1, y + 1});
    }
    EXPECT_EQ(greyed.PixelsOf(kLight, {0, 0, 220, 19}), shadow);

    // Highlighted while greyed, the text takes the menu colour.
    Canvas hot(220, 19);
    ASSERT_TRUE(DrawAt(hot, help, 0, ODS_GRAYED | ODS_SELECTED, area));
    EXPECT_EQ(hot.PixelsOf(kMenu, area), glyphs);
}

TEST_F(IconMenuTest, TextStartsAt25AndAcceleratorEndsOneIconWidthFromTheRight) {
    const RECT area = {0, 0, 300, 19};
    Canvas canvas(300, 19);
    ASSERT_TRUE(DrawAt(canvas, help, 0, 0, area));  // "ヘルプ目次(&H)\tF1"
    const auto glyphs = canvas.PixelsOf(kMenuText, area);
    ASSERT_FALSE(glyphs.empty());
    int leftmost = 300, rightmost = -1;
    for (const auto& [x, y] : glyphs) {
        leftmost = std::min(leftmost, x);
        rightmost = std::max(rightmost, x);
    }
    EXPECT_GE(leftmost, 25);
    EXPECT_LE(leftmost, 28);
    EXPECT_LE(rightmost, 300 - 16 - 1);
    EXPECT_GE(rightmost, 300 - 16 - 4);
    // Nothing between the text and the accelerator at its far right.
    const auto gap = canvas.PixelsOf(kMenuText, {200, 0, 260, 19});
    EXPECT_TRUE(gap.empty());
}

TEST_F(IconMenuTest, MissingIconBitmapLeavesTheItemWithoutIcon) {
    menu.SetCommandIcon(nullptr, ID_FILE_SELECT_PRINTER, 999);
    const MenuItemRecord* record = Record(file, kSelectPosition);
    ASSERT_NE(record, nullptr);
    EXPECT_EQ(record->bitmapId, -1);
    EXPECT_EQ(record->imageIndex, -1);
    EXPECT_EQ(record->imageList, nullptr);
    EXPECT_EQ(record->text.substr(0, 14), L"プリンタの選択(&C)...");

    // Drawn like the items without icon: highlighted over the whole width,
    // plain on the menu colour.
    Canvas canvas(220, 19);
    ASSERT_TRUE(DrawAt(canvas, file, kSelectPosition, ODS_SELECTED, {0, 0, 220, 19}));
    for (int y = 0; y < 19; ++y) {
        for (int x = 0; x < 25; ++x) EXPECT_EQ(canvas.At(x, y), kHighlight) << x << "," << y;
    }
    canvas.Clear();
    ASSERT_TRUE(DrawAt(canvas, file, kSelectPosition, 0, {0, 0, 220, 19}));
    for (int y = 0; y < 19; ++y) {
        for (int x = 0; x < 25; ++x) EXPECT_EQ(canvas.At(x, y), kMenu) << x << "," << y;
    }
}

// --- Menu characters ------------------------------------------------------------------

TEST_F(IconMenuTest, TypedMnemonicRunsItsItemAtOnce) {
    struct Case {
        HMENU* popup;
        wchar_t typed;
        UINT flags;
        LRESULT expected;
    };
    const Case cases[] = {
        {&file, L'c', MF_POPUP, MAKELRESULT(kSelectPosition, MNC_EXECUTE)},
        {&file, L'C', MF_POPUP, MAKELRESULT(kSelectPosition, MNC_EXECUTE)},
        {&file, L'o', MF_POPUP, MAKELRESULT(kOpenPosition, MNC_EXECUTE)},
        {&file, L'x', MF_POPUP, MAKELRESULT(kExitPosition, MNC_EXECUTE)},
        {&file, L'z', MF_POPUP, 0},   // no mnemonic: the system's default
        {&file, L'c', 0, 0},          // not a pull-down menu
        {&file, L'c', MF_SYSMENU, 0},
        {&help, L'a', MF_POPUP, MAKELRESULT(2, MNC_EXECUTE)},
        {&help, L'c', MF_POPUP, 0},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(IconMenu::FindShortcut(c.typed, c.flags, *c.popup), c.expected)
            << static_cast<char>(c.typed) << " flags " << c.flags;
    }
    HMENU foreign = CreatePopupMenu();
    AppendMenuW(foreign, MF_STRING, 1, L"項目(&C)");
    EXPECT_FALSE(IconMenu::OwnsPopup(foreign));
    EXPECT_EQ(IconMenu::FindShortcut(L'c', MF_POPUP, foreign), 0);
    DestroyMenu(foreign);
}

TEST_F(IconMenuTest, ItemsAddedBehindTheMenusBackAreTakenInByResynchronising) {
    ASSERT_TRUE(InsertMenuW(file, 0, MF_BYPOSITION | MF_STRING, 40000, L"新しい項目(&N)"));
    // The next menu character notices the changed count.
    EXPECT_EQ(IconMenu::FindShortcut(L'n', MF_POPUP, file), MAKELRESULT(0, MNC_EXECUTE));
    const IconMenu* popup = IconMenu::FromPopup(file);
    ASSERT_NE(popup, nullptr);
    ASSERT_EQ(popup->Records().size(), 11u);
    // Every item carries its record again, in position order; the old items
    // keep their texts and icons.
    for (int p = 0; p < 11; ++p) {
        ASSERT_EQ(Record(file, p), popup->Records()[p].get()) << p;
        EXPECT_EQ(popup->Records()[p]->syncMark, 1) << p;
    }
    EXPECT_EQ(Record(file, 0)->text, L"新しい項目(&N)");
    EXPECT_EQ(Record(file, 0)->commandId, 40000u);
    EXPECT_EQ(Record(file, kSelectPosition + 1)->bitmapId, IDB_MENU_SELECT_PRINTER);
    EXPECT_EQ(Record(file, kSelectPosition + 1)->text.substr(0, 14), L"プリンタの選択(&C)...");
    EXPECT_EQ(IconMenu::FindShortcut(L'c', MF_POPUP, file), MAKELRESULT(kSelectPosition + 1, MNC_EXECUTE));
    // The new item is owner-drawn now and draws.
    MENUITEMINFOW info = {};
    info.cbSize = sizeof info;
    info.fMask = MIIM_FTYPE;
    ASSERT_TRUE(GetMenuItemInfoW(file, 0, TRUE, &info));
    EXPECT_NE(info.fType & MFT_OWNERDRAW, 0u);
    Canvas canvas(220, 19);
    EXPECT_TRUE(DrawAt(canvas, file, 0, 0, {0, 0, 220, 19}));
    EXPECT_FALSE(canvas.PixelsOf(kMenuText, {25, 0, 220, 19}).empty());

    // An item removed: its record goes with the next resynchronisation.
    ASSERT_TRUE(DeleteMenu(file, ID_FILE_EXIT, MF_BYCOMMAND));
    EXPECT_EQ(IconMenu::FindShortcut(L'x', MF_POPUP, file), 0);
    ASSERT_EQ(popup->Records().size(), 10u);
    for (int p = 0; p < 10; ++p) ASSERT_EQ(Record(file, p), popup->Records()[p].get()) << p;
    EXPECT_EQ(IconMenu::FindShortcut(L'o', MF_POPUP, file), MAKELRESULT(1, MNC_EXECUTE));
}

// --- Lifetime -----------------------------------------------------------------------

TEST_F(IconMenuTest, DestroyedMenuForgetsItsPopupsAndRecords) {
    HMENU outer = nullptr;
    const MenuItemRecord* record = nullptr;
    {
        IconMenu other;
        ASSERT_TRUE(other.LoadFromResource(IDR_TEST_NESTED));
        outer = GetSubMenu(other.Handle(), 0);
        record = Record(outer, 0);
        ASSERT_TRUE(IconMenu::OwnsPopup(outer));
    }
    EXPECT_FALSE(IconMenu::OwnsPopup(outer));
    MEASUREITEMSTRUCT measure = {};
    measure.CtlType = ODT_MENU;
    measure.itemData = reinterpret_cast<ULONG_PTR>(record);
    EXPECT_FALSE(IconMenu::Measure(measure)) << "a stale record is not used";
    // The menu given away to a window outlives nothing it needs: the popups
    // stay served while this object lives.
    HMENU bar = menu.Detach();
    EXPECT_EQ(menu.Handle(), nullptr);
    EXPECT_TRUE(IconMenu::OwnsPopup(file));
    EXPECT_EQ(IconMenu::FindShortcut(L'c', MF_POPUP, file), MAKELRESULT(kSelectPosition, MNC_EXECUTE));
    DestroyMenu(bar);
}

TEST_F(IconMenuTest, DrawingReleasesItsObjects) {
    // Every draw creates a font and brushes (and for a greyed icon a DC and
    // a bitmap); kept, they would exhaust the process's GDI handles long
    // before the end, and the last items would no longer be painted.
    Canvas canvas(220, 19);
    for (int round = 0; round < 7000; ++round) {
        ASSERT_TRUE(DrawAt(canvas, file, kSelectPosition, ODS_SELECTED, {0, 0, 220, 19}));
        ASSERT_TRUE(DrawAt(canvas, file, kSelectPosition, ODS_GRAYED, {0, 0, 220, 19}));
    }
    canvas.Clear();
    ASSERT_TRUE(DrawAt(canvas, file, kSelectPosition, ODS_SELECTED, {0, 0, 220, 19}));
    EXPECT_EQ(canvas.At(21, 1), kHighlight);
    EXPECT_EQ(canvas.At(0, 0), kLight);
    EXPECT_FALSE(canvas.PixelsOf(kHighlightText, {25, 0, 220, 19}).empty());
    const DWORD objects = GetGuiResources(GetCurrentProcess(), GR_GDIOBJECTS);
    if (objects != 0) {
        EXPECT_LT(objects, 1000u);
    }
}

}  // namespace
}  // namespace tamsel
