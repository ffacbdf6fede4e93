// The compiled page templates read back from the program's resources: what
// windres really wrote, checked against the pages' descriptions.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "page_layouts.h"
#include "template_reader.h"
#include "panel/res/pages_param_ids.h"

namespace tamsel::testing {
namespace {

using winui::testing::ControlTemplate;
using winui::testing::DialogTemplate;
using winui::testing::kButtonClass;
using winui::testing::kEditClass;
using winui::testing::kStaticClass;

DialogTemplate LoadTemplate(int id) {
    bool ok = false;
    DialogTemplate dialog = winui::testing::LoadTemplate(id, ok);
    EXPECT_TRUE(ok) << "dialog " << id;
    return dialog;
}

void ExpectPageFrame(const DialogTemplate& dialog) {
    EXPECT_EQ(dialog.style, static_cast<DWORD>(DS_SETFONT | DS_CONTROL | WS_CHILD | WS_VISIBLE));
    EXPECT_EQ(dialog.x, 7);
    EXPECT_EQ(dialog.y, 37);
    EXPECT_EQ(dialog.width, 322);
    EXPECT_EQ(dialog.height, 205);
    EXPECT_EQ(dialog.title, L"");
    EXPECT_EQ(dialog.pointSize, 9);
    EXPECT_EQ(dialog.typeface, L"ＭＳ Ｐゴシック");
}

// Every group: its box, then its buttons, in the order of the description.
void ExpectGroups(const DialogTemplate& dialog, const std::vector<GroupLayout>& groups) {
    std::size_t at = 0;
    for (const GroupLayout& group : groups) {
        SCOPED_TRACE(::testing::PrintToString(std::wstring(group.caption)));
        ASSERT_LT(at, dialog.controls.size());
        const ControlTemplate& box = dialog.controls[at++];
        const DWORD visible = group.hidden ? 0 : WS_VISIBLE;
        EXPECT_EQ(box.classAtom, kButtonClass);
        EXPECT_EQ(box.text, group.caption);
        EXPECT_EQ(box.style, static_cast<DWORD>(WS_CHILD | visible | WS_GROUP | BS_GROUPBOX));
        EXPECT_EQ(box.x, group.x);
        EXPECT_EQ(box.y, group.y);
        EXPECT_EQ(box.width, group.width);
        EXPECT_EQ(box.height, group.height);
        bool first = true;
        for (const ButtonLayout& button : group.buttons) {
            SCOPED_TRACE(button.id);
            ASSERT_LT(at, dialog.controls.size());
            const ControlTemplate& control = dialog.controls[at++];
            const DWORD expected = WS_CHILD | visible | BS_AUTORADIOBUTTON | (first ? WS_GROUP : 0) |
                                   (button.tabStop ? WS_TABSTOP : 0);
            EXPECT_EQ(control.id, static_cast<std::uint32_t>(button.id));
            EXPECT_EQ(control.classAtom, kButtonClass);
            EXPECT_EQ(control.text, button.caption);
            EXPECT_EQ(control.style, expected);
            EXPECT_EQ(control.exStyle, 0u);
            EXPECT_EQ(control.x, button.x);
            EXPECT_EQ(control.y, button.y);
            EXPECT_EQ(control.width, button.width);
            EXPECT_EQ(control.height, 10);
            first = false;
        }
    }
    EXPECT_EQ(at, dialog.controls.size()) << "controls beyond the described groups";
}

TEST(Templates, ParameterPage1) {
    const DialogTemplate dialog = LoadTemplate(IDD_PARAM);
    ExpectPageFrame(dialog);
    ExpectGroups(dialog, ParamGroups());
}

TEST(Templates, ParameterPage2) {
    const DialogTemplate dialog = LoadTemplate(IDD_PARAM2);
    ExpectPageFrame(dialog);
    ExpectGroups(dialog, Param2Groups());
}

TEST(Templates, DipSwitchPage) {
    const DialogTemplate dialog = LoadTemplate(IDD_DIPSW);
    ExpectPageFrame(dialog);
    ASSERT_EQ(dialog.controls.size(), 2u);
    const ControlTemplate& picture = dialog.controls[0];
    EXPECT_EQ(picture.id, 1294u);
    EXPECT_TRUE(picture.classAtom == kStaticClass || _wcsicmp(picture.className.c_str(), L"Static") == 0);
    EXPECT_EQ(picture.text, L"");
    EXPECT_EQ(picture.style, static_cast<DWORD>(WS_CHILD | WS_VISIBLE | SS_WHITEFRAME | SS_SUNKEN));
    EXPECT_EQ((std::vector<short>{picture.x, picture.y, picture.width, picture.height}),
              (std::vector<short>{61, 24, 201, 55}));
    const ControlTemplate& text = dialog.controls[1];
    EXPECT_EQ(text.id, 1266u);
    EXPECT_EQ(text.classAtom, kEditClass);
    // Read only, several lines, a border, and no tab stop.
    EXPECT_EQ(text.style,
              static_cast<DWORD>(WS_CHILD | WS_VISIBLE | ES_MULTILINE | ES_READONLY | ES_WANTRETURN | WS_BORDER));
    EXPECT_EQ((std::vector<short>{text.x, text.y, text.width, text.height}), (std::vector<short>{28, 115, 267, 75}));
}

TEST(Templates, DipSwitchPicturesHaveTheirSizesAndFourBitsPerPixel) {
    const struct {
        int id;
        LONG width, height;
    } cases[] = {{IDB_DIPSW_BLOCK, 351, 82}, {IDB_DIPSW_LEVER_UP, 24, 55}, {IDB_DIPSW_LEVER_DOWN, 24, 55}};
    HMODULE module = GetModuleHandleW(nullptr);
    for (const auto& c : cases) {
        SCOPED_TRACE(c.id);
        HRSRC resource = FindResourceW(module, MAKEINTRESOURCEW(c.id), MAKEINTRESOURCEW(2) /* RT_BITMAP */);
        ASSERT_NE(resource, nullptr);
        const auto* info = static_cast<const BITMAPINFOHEADER*>(LockResource(LoadResource(module, resource)));
        ASSERT_NE(info, nullptr);
        EXPECT_EQ(info->biWidth, c.width);
        EXPECT_EQ(info->biHeight, c.height);
        EXPECT_EQ(info->biBitCount, 4);
    }
}

}  // namespace
}  // namespace tamsel::testing
