// Test support: a dialog template read back from a program's resources, as
// windres really wrote it (ids, texts, positions, sizes, styles), so that a
// test checks the compiled template rather than what the .rc seems to say.
#pragma once

#include <windows.h>

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

namespace winui::testing {

inline constexpr std::uint16_t kButtonClass = 0x0080;
inline constexpr std::uint16_t kEditClass = 0x0081;
inline constexpr std::uint16_t kStaticClass = 0x0082;

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

// Reads the extended template format (DLGTEMPLATEEX / DLGITEMTEMPLATEEX),
// which DIALOGEX writes; a plain DIALOG template is refused.
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

// The extended template `id` of this program; empty with `ok` false when it
// is missing or malformed.
inline DialogTemplate LoadTemplate(int id, bool& ok) {
    DialogTemplate dialog;
    ok = false;
    HMODULE module = GetModuleHandleW(nullptr);
    HRSRC resource = FindResourceW(module, MAKEINTRESOURCEW(id), MAKEINTRESOURCEW(5) /* RT_DIALOG */);
    if (resource == nullptr) return dialog;
    const auto* bytes = static_cast<const std::uint8_t*>(LockResource(LoadResource(module, resource)));
    if (bytes == nullptr) return dialog;
    ok = TemplateReader(bytes, SizeofResource(module, resource)).Read(dialog);
    return dialog;
}

}  // namespace winui::testing
