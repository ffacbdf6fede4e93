// The compiled dialog templates read back from the program's resources: what
// windres really wrote (ids, texts, positions, sizes, styles), not what the
// .rc file seems to say.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "page_specs.h"
#include "panel/res/pages_param_ids.h"

namespace tamsel::testing {
namespace {

constexpr std::uint16_t kButtonClass = 0x0080;
constexpr std::uint16_t kEditClass = 0x0081;
constexpr std::uint16_t kStaticClass = 0x0082;

struct ControlTemplate {
    std::uint32_t id;
    std::uint16_t classAtom;  // 0 when the class is given by name
    std::wstring className;
    std::wstring text;
    short x, y, width, height;
    DWORD style;
    DWORD exStyle;
};

struct DialogTemplate {
    DWORD style = 0;
    short x = 0, y = 0, width = 0, height = 0;
    std::wstring title;
    std::uint16_t pointSize = 0;
    std::uint8_t charset = 0;
    std::wstring typeface;
    std::vector<ControlTemplate> controls;
};

// Reads the extended template format (DLGTEMPLATEEX / DLGITEMTEMPLATEEX).
class TemplateReader {
public:
    TemplateReader(const std::uint8_t* data, std::size_t size) : data(data), size(size) {}

    bool Read(DialogTemplate& dialog) {
        if (Word() != 1 || Word() != 0xFFFF) return false;  // version 1, extended
        Dword();                                             // help id
        Dword();                                             // extended style
        dialog.style = Dword();
        const std::uint16_t count = Word();
        dialog.x = Short();
        dialog.y = Short();
        dialog.width = Short();
        dialog.height = Short();
        std::uint16_t atom = 0;
        std::wstring ignored;
        NameOrOrdinal(atom, ignored);  // menu
        NameOrOrdinal(atom, ignored);  // class
        dialog.title = String();
        if (dialog.style & (DS_SETFONT | DS_SHELLFONT)) {
            dialog.pointSize = Word();
            Word();  // weight
            Byte();  // italic
            dialog.charset = Byte();
            dialog.typeface = String();
        }
        for (std::uint16_t i = 0; i < count && ok; ++i) {
            Align(4);
            ControlTemplate control = {};
            Dword();  // help id
            control.exStyle = Dword();
            control.style = Dword();
            control.x = Short();
            control.y = Short();
            control.width = Short();
            control.height = Short();
            control.id = Dword();
            NameOrOrdinal(control.classAtom, control.className);
            std::uint16_t textAtom = 0;
            NameOrOrdinal(textAtom, control.text);
            const std::uint16_t extra = Word();
            offset += extra;
            dialog.controls.push_back(control);
        }
        return ok && offset <= size;
    }

private:
    template <typename T>
    T Take() {
        T value = {};
        if (offset + sizeof(T) > size) {
            ok = false;
            return value;
        }
        std::memcpy(&value, data + offset, sizeof(T));
        offset += sizeof(T);
        return value;
    }
    std::uint8_t Byte() { return Take<std::uint8_t>(); }
    std::uint16_t Word() { return Take<std::uint16_t>(); }
    short Short() { return Take<short>(); }
    DWORD Dword() { return Take<DWORD>(); }
    void Align(std::size_t to) { offset = (offset + to - 1) / to * to; }
    std::wstring String() {
        std::wstring text;
        for (wchar_t c = static_cast<wchar_t>(Word()); ok && c != 0; c = static_cast<wchar_t>(Word())) text += c;
        return text;
    }
    void NameOrOrdinal(std::uint16_t& atom, std::wstring& name) {
        const std::uint16_t first = Word();
        if (first == 0) return;
        if (first == 0xFFFF) {
            atom = Word();
            return;
        }
        name = static_cast<wchar_t>(first);
        name += String();
    }

    const std::uint8_t* data;
    std::size_t size;
    std::size_t offset = 0;
    bool ok = true;
};

DialogTemplate LoadTemplate(int id) {
    DialogTemplate dialog;
    HMODULE module = GetModuleHandleW(nullptr);
    HRSRC resource = FindResourceW(module, MAKEINTRESOURCEW(id), MAKEINTRESOURCEW(5) /* RT_DIALOG */);
    EXPECT_NE(resource, nullptr) << "dialog " << id;
    if (resource == nullptr) return dialog;
    HGLOBAL loaded = LoadResource(module, resource);
    const auto* bytes = static_cast<const std::uint8_t*>(LockResource(loaded));
    EXPECT_TRUE(TemplateReader(bytes, SizeofResource(module, resource)).Read(dialog)) << "dialog " << id;
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
void ExpectGroups(const DialogTemplate& dialog, const std::vector<GroupSpec>& groups) {
    std::size_t at = 0;
    for (const GroupSpec& group : groups) {
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
        for (const ButtonSpec& button : group.buttons) {
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
