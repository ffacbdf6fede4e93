#include "panel/pages/tests/win/dialog_template_reader.h"

namespace tamsel::testing {
namespace {

constexpr std::uint32_t kSetFont = 0x40;    // DS_SETFONT
constexpr std::uint32_t kShellFont = 0x48;  // DS_SHELLFONT

class Cursor {
public:
    Cursor(const std::uint8_t* data, std::size_t size) : data(data), size(size) {}

    bool Ok() const { return ok; }

    std::uint16_t Word() {
        if (at + 2 > size) return Fail();
        const auto value = static_cast<std::uint16_t>(data[at] | (data[at + 1] << 8));
        at += 2;
        return value;
    }
    std::uint32_t Dword() {
        const std::uint32_t low = Word();
        const std::uint32_t high = Word();
        return low | (high << 16);
    }
    std::uint8_t Byte() {
        if (at + 1 > size) return Fail();
        return data[at++];
    }
    int Short() { return static_cast<std::int16_t>(Word()); }

    // A zero-terminated UTF-16 string, as UTF-8.
    std::string Text() {
        std::string out;
        for (;;) {
            std::uint32_t unit = Word();
            if (!ok || unit == 0) return out;
            if (unit >= 0xD800 && unit < 0xDC00) {
                const std::uint32_t low = Word();
                unit = 0x10000 + ((unit - 0xD800) << 10) + (low - 0xDC00);
            }
            AppendUtf8(out, unit);
        }
    }
    // A string or, behind 0xFFFF, an ordinal.
    std::string TextOrOrdinal(bool className) {
        if (at + 2 <= size && data[at] == 0xFF && data[at + 1] == 0xFF) {
            Word();
            const std::uint16_t ordinal = Word();
            if (className) {
                static const char* const kClasses[] = {"Button", "Edit", "Static", "ListBox", "ScrollBar", "ComboBox"};
                if (ordinal >= 0x80 && ordinal <= 0x85) return kClasses[ordinal - 0x80];
            }
            return "#" + std::to_string(ordinal);
        }
        return Text();
    }
    void AlignDword() { at = (at + 3) & ~std::size_t{3}; }
    std::vector<std::uint8_t> Bytes(std::size_t count) {
        if (at + count > size) {
            Fail();
            return {};
        }
        std::vector<std::uint8_t> out(data + at, data + at + count);
        at += count;
        return out;
    }

private:
    std::uint8_t Fail() {
        ok = false;
        at = size;
        return 0;
    }
    static void AppendUtf8(std::string& out, std::uint32_t c) {
        if (c < 0x80) {
            out += static_cast<char>(c);
        } else if (c < 0x800) {
            out += static_cast<char>(0xC0 | (c >> 6));
            out += static_cast<char>(0x80 | (c & 0x3F));
        } else if (c < 0x10000) {
            out += static_cast<char>(0xE0 | (c >> 12));
            out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (c & 0x3F));
        } else {
            out += static_cast<char>(0xF0 | (c >> 18));
            out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
            out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (c & 0x3F));
        }
    }

    const std::uint8_t* data;
    std::size_t size;
    std::size_t at = 0;
    bool ok = true;
};

}  // namespace

std::optional<DialogTemplate> ReadDialogTemplateEx(const std::uint8_t* data, std::size_t size) {
    Cursor in(data, size);
    if (in.Word() != 1 || in.Word() != 0xFFFF) return std::nullopt;  // version 1, extended signature
    DialogTemplate dialog;
    in.Dword();  // help id
    dialog.exStyle = in.Dword();
    dialog.style = in.Dword();
    const int count = in.Word();
    dialog.x = in.Short();
    dialog.y = in.Short();
    dialog.cx = in.Short();
    dialog.cy = in.Short();
    dialog.menu = in.TextOrOrdinal(false);
    dialog.windowClass = in.TextOrOrdinal(false);
    dialog.title = in.Text();
    if ((dialog.style & kSetFont) != 0 || (dialog.style & kShellFont) == kShellFont) {
        dialog.pointSize = in.Word();
        dialog.weight = in.Word();
        dialog.italic = in.Byte() != 0;
        dialog.charset = in.Byte();
        dialog.typeface = in.Text();
    }
    for (int i = 0; i < count && in.Ok(); ++i) {
        in.AlignDword();
        TemplateItem item;
        in.Dword();  // help id
        item.exStyle = in.Dword();
        item.style = in.Dword();
        item.x = in.Short();
        item.y = in.Short();
        item.cx = in.Short();
        item.cy = in.Short();
        item.id = static_cast<std::int32_t>(in.Dword());
        item.className = in.TextOrOrdinal(true);
        item.title = in.TextOrOrdinal(false);
        const std::size_t extra = in.Word();
        item.creationData = in.Bytes(extra);
        dialog.items.push_back(std::move(item));
    }
    if (!in.Ok()) return std::nullopt;
    return dialog;
}

}  // namespace tamsel::testing
