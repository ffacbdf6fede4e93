#include "panel/menu/menu_rules.h"

#include <algorithm>

namespace tamsel::menu {
namespace {

// The box around the icon is the icon plus a 2-pixel border on each side.
constexpr int kIconBorder = 2;
// The text starts this far right of the icon column's right edge.
constexpr int kTextGap = 9;
// The highlight of an item with an icon starts right of the icon box.
constexpr int kHighlightGap = 5;

}  // namespace

Size MeasureSeparator(int menuBarHeight) { return {0, menuBarHeight / 2}; }

Size MeasureItem(int textWidth, int menuBarHeight) {
    return {textWidth + 2 * kIconWidth + 1, std::max(menuBarHeight, kIconHeight + 2 * kIconBorder)};
}

int SeparatorLineTop(const Rect& item) { return item.top + (item.bottom - item.top) / 2; }

IconLook DecideIconLook(bool selected, bool grayed, bool checked) {
    if (grayed) return IconLook::Embossed;
    if (selected) return checked ? IconLook::HotChecked : IconLook::Raised;
    return checked ? IconLook::PlainChecked : IconLook::Plain;
}

TextLook DecideTextLook(bool selected, bool grayed) {
    if (!grayed) return selected ? TextLook::Highlighted : TextLook::Normal;
    return selected ? TextLook::MenuColour : TextLook::Engraved;
}

int IconOffset(const Rect& item) {
    const int dy = (item.bottom - item.top - 2 * kIconBorder - kIconHeight) / 2;
    return std::max(dy, 0);
}

Rect HighlightRect(const Rect& item, bool hasIcon, bool checked) {
    if (!hasIcon && !checked) return item;
    return {item.left + kIconWidth + kHighlightGap, item.top, item.right, item.bottom};
}

Rect IconFrameRect(const Rect& item) {
    const int dy = IconOffset(item);
    return {item.left + 1, item.top + dy + 1, item.left + kIconWidth + 3, item.top + dy + kIconHeight + 3};
}

Rect IconBoxRect(const Rect& item) {
    const int dy = IconOffset(item);
    return {item.left, item.top + dy, item.left + kIconWidth + 2 * kIconBorder,
            item.top + dy + kIconHeight + 2 * kIconBorder};
}

Point IconOrigin(const Rect& item) { return {item.left + kIconBorder, item.top + IconOffset(item) + kIconBorder}; }

Rect CheckRect(const Rect& item) {
    const int dy = IconOffset(item);
    return {item.left + 1, item.top + dy + 2, item.left + kIconWidth + 1, item.top + dy + kIconHeight + 2};
}

Rect RadioDotRect(const Rect& checkRect) {
    return {checkRect.left + 5, checkRect.top + 4, checkRect.left + 11, checkRect.top + 10};
}

std::vector<Point> CheckMarkPixels(const Rect& checkRect) {
    const int x = checkRect.left + 4;
    const int y = checkRect.top + 4;
    std::vector<Point> pixels = {{x, y + 2},     {x, y + 3},     {x, y + 4},    {x + 1, y + 3},
                                 {x + 1, y + 4}, {x + 1, y + 5}, {x + 2, y + 4}};
    for (int i = 0; i <= 3; ++i) {
        pixels.push_back({x + i + 2, y - i + 5});
        pixels.push_back({x + i + 2, y - i + 6});
        pixels.push_back({x + i + 3, y - i + 3});
    }
    pixels.push_back({x + 6, y + 1});
    pixels.push_back({x + 6, y + 2});
    return pixels;
}

Rect TextRect(const Rect& item, bool hasTab) {
    Rect r{item.left + kIconWidth + kTextGap, item.top - 1, item.right, item.bottom - 1};
    if (hasTab) r.right -= kIconWidth;
    return r;
}

TextParts SplitItemText(std::u16string_view text) {
    const auto first = text.find(u'\t');
    if (first == std::u16string_view::npos) return {std::u16string(text), {}, false};
    const auto last = text.rfind(u'\t');
    return {std::u16string(text.substr(0, first)), std::u16string(text.substr(last + 1)), true};
}

void AlignAccelerators(std::vector<std::u16string>& texts,
                       const std::function<int(std::u16string_view)>& width) {
    int target = 0;
    for (const auto& text : texts) {
        const std::u16string left = text.substr(0, text.find(u'\t')) + u' ';
        target = std::max(target, width(left));
    }
    for (auto& text : texts) {
        const auto tab = text.find(u'\t');
        if (tab == std::u16string::npos) continue;
        std::u16string left = text.substr(0, tab);
        // Each blank adds width, so this ends; the limit guards a font in
        // which a blank has no width at all.
        for (int guard = 0; width(left) < target && guard < 1000; ++guard) left += u' ';
        text = left + text.substr(tab);
    }
}

char16_t FoldCase(char16_t c) {
    if (c >= u'A' && c <= u'Z') return static_cast<char16_t>(c + 0x20);
    // Latin-1 capitals À–Þ, except the multiplication sign.
    if (c >= 0x00C0 && c <= 0x00DE && c != 0x00D7) return static_cast<char16_t>(c + 0x20);
    // Full-width Ａ–Ｚ.
    if (c >= 0xFF21 && c <= 0xFF3A) return static_cast<char16_t>(c + 0x20);
    return c;
}

std::optional<std::size_t> FindMnemonic(const std::vector<std::u16string>& texts, char16_t typed) {
    const std::u16string key{u'&', FoldCase(typed)};
    for (std::size_t i = 0; i < texts.size(); ++i) {
        std::u16string folded = texts[i];
        std::transform(folded.begin(), folded.end(), folded.begin(), FoldCase);
        if (folded.find(key) != std::u16string::npos) return i;
    }
    return std::nullopt;
}

std::uint32_t ExecuteResult(std::size_t position) {
    return (kMncExecute << 16) | static_cast<std::uint32_t>(position & 0xFFFF);
}

std::vector<int> MatchRecords(const std::vector<std::uintptr_t>& recordKeys,
                              const std::vector<std::uintptr_t>& itemKeys) {
    std::vector<bool> used(recordKeys.size(), false);
    std::vector<int> match;
    match.reserve(itemKeys.size());
    for (const auto key : itemKeys) {
        int found = -1;
        for (std::size_t r = 0; r < recordKeys.size(); ++r) {
            if (!used[r] && recordKeys[r] == key) {
                found = static_cast<int>(r);
                used[r] = true;
                break;
            }
        }
        match.push_back(found);
    }
    return match;
}

namespace {

class TemplateReader {
public:
    TemplateReader(const std::uint8_t* data, std::size_t size) : data(data), size(size) {}

    bool Word(std::uint16_t& out) {
        if (size - pos < 2) return false;
        out = static_cast<std::uint16_t>(data[pos] | (data[pos + 1] << 8));
        pos += 2;
        return true;
    }

    bool Text(std::u16string& out) {
        out.clear();
        for (;;) {
            std::uint16_t c = 0;
            if (!Word(c)) return false;
            if (c == 0) return true;
            out.push_back(static_cast<char16_t>(c));
        }
    }

    bool Skip(std::size_t bytes) {
        if (bytes > size - pos) return false;
        pos += bytes;
        return true;
    }

private:
    const std::uint8_t* data;
    std::size_t size;
    std::size_t pos = 0;
};

}  // namespace

std::optional<std::vector<TemplateItem>> ParseMenuTemplate(const std::uint8_t* data, std::size_t size) {
    if (data == nullptr) return std::nullopt;
    TemplateReader reader(data, size);
    std::uint16_t version = 0;
    std::uint16_t offset = 0;
    if (!reader.Word(version) || !reader.Word(offset) || version != 0 || !reader.Skip(offset)) return std::nullopt;

    std::vector<TemplateItem> bar;
    struct Level {
        std::vector<TemplateItem>* items;
        bool ended;
    };
    // A level's vector only grows while it is on top, so the pointers into
    // the levels below stay valid.
    std::vector<Level> levels{{&bar, false}};
    while (!levels.empty()) {
        std::uint16_t flags = 0;
        TemplateItem item;
        if (!reader.Word(flags)) return std::nullopt;
        item.flags = flags & ~kMfEnd;
        if (!(flags & kMfPopup)) {
            std::uint16_t id = 0;
            if (!reader.Word(id)) return std::nullopt;
            item.id = id;
        }
        if (!reader.Text(item.text)) return std::nullopt;

        Level& current = levels.back();
        current.items->push_back(std::move(item));
        if (flags & kMfEnd) current.ended = true;
        if (flags & kMfPopup) {
            levels.push_back({&current.items->back().items, false});
            continue;
        }
        while (!levels.empty() && levels.back().ended) levels.pop_back();
    }
    return bar;
}

}  // namespace tamsel::menu
