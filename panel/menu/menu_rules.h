// The owner-drawn menu's rules without windows: item sizes, where each part of
// an item is painted, the accelerator column, the mnemonic search, the
// matching of records to items after the menu changed, and the menu template.
// The Win32 IconMenu applies them; everything here is tested natively.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tamsel::menu {

// The icon column: 16 pixels wide, icons 15 pixels high.
inline constexpr int kIconWidth = 16;
inline constexpr int kIconHeight = 15;

// Menu item flags, with the values the system gives them (menu templates
// carry them as 16-bit words).
inline constexpr std::uint32_t kMfGrayed = 0x0001;
inline constexpr std::uint32_t kMfDisabled = 0x0002;
inline constexpr std::uint32_t kMfChecked = 0x0008;
inline constexpr std::uint32_t kMfPopup = 0x0010;
inline constexpr std::uint32_t kMfEnd = 0x0080;
inline constexpr std::uint32_t kMfOwnerDraw = 0x0100;
inline constexpr std::uint32_t kMfByPosition = 0x0400;
inline constexpr std::uint32_t kMfSeparator = 0x0800;
// WM_MENUCHAR answer: run the item at the returned position at once.
inline constexpr std::uint32_t kMncExecute = 2;

struct Rect {
    int left = 0;
    int top = 0;
    int right = 0;
    int bottom = 0;
    bool operator==(const Rect&) const = default;
};

struct Point {
    int x = 0;
    int y = 0;
    bool operator==(const Point&) const = default;
};

struct Size {
    int width = 0;
    int height = 0;
    bool operator==(const Size&) const = default;
};

// --- Measuring ------------------------------------------------------------------

// A separator: no width, half the menu bar height (rounded down).
Size MeasureSeparator(int menuBarHeight);
// Any other item: its whole text (accelerator included) plus two icon widths
// and one pixel; at least the menu bar height and icon height + 4 high.
Size MeasureItem(int textWidth, int menuBarHeight);

// --- Drawing geometry -----------------------------------------------------------

// The top of the separator's etched line: the middle of the item.
int SeparatorLineTop(const Rect& item);

// How the icon column of an item with an icon is drawn.
enum class IconLook {
    Embossed,      // greyed: highlight and shadow relief on the button face
    Raised,        // highlighted, not checked: raised frame
    HotChecked,    // highlighted and checked: sunken frame on the menu colour
    PlainChecked,  // checked: sunken frame on the light 3-D colour
    Plain,         // the icon on the menu colour
};
IconLook DecideIconLook(bool selected, bool grayed, bool checked);

// How the item's text is drawn.
enum class TextLook {
    Normal,       // menu text colour
    Highlighted,  // highlight text colour (selected)
    MenuColour,   // greyed and selected: in the menu colour
    Engraved,     // greyed: highlight colour one pixel right and down, then grey text
};
TextLook DecideTextLook(bool selected, bool grayed);

// The vertical offset of the icon box inside the item (0 when the item is too
// low for the box).
int IconOffset(const Rect& item);
// The area the highlight colour fills for a selected item: right of the icon
// column when the item shows an icon or a check mark, otherwise all of it.
Rect HighlightRect(const Rect& item, bool hasIcon, bool checked);
// The icon's surroundings: the frame rectangle filled behind it and the box
// that gets the 3-D frame.
Rect IconFrameRect(const Rect& item);
Rect IconBoxRect(const Rect& item);
// Where the icon's top-left pixel goes.
Point IconOrigin(const Rect& item);
// The check mark's field for a checked item without icon.
Rect CheckRect(const Rect& item);
// The radio dot: a 6 x 6 circle in the check field.
Rect RadioDotRect(const Rect& checkRect);
// The check mark's single pixels in the check field.
std::vector<Point> CheckMarkPixels(const Rect& checkRect);
// The rectangle the text is drawn in; with an accelerator its right edge is
// one icon width inside the item.
Rect TextRect(const Rect& item, bool hasTab);

// The parts of an item text: before the first tab, and after the last tab.
struct TextParts {
    std::u16string left;
    std::u16string right;
    bool hasTab = false;
};
TextParts SplitItemText(std::u16string_view text);

// --- Accelerator column ---------------------------------------------------------

// Pads the part before the tab of every text with blanks until it is at least
// as wide as the widest such part plus one blank, so that the accelerators of
// one pull-down menu start in one column. `width` gives a text's width in the
// menu font. Texts without a tab are left alone.
void AlignAccelerators(std::vector<std::u16string>& texts,
                       const std::function<int(std::u16string_view)>& width);

// --- Mnemonics ------------------------------------------------------------------

// Lower case for the letters a user can type as a mnemonic: ASCII, Latin-1
// and the full-width Latin letters.
char16_t FoldCase(char16_t c);
// The position of the first text that holds "&" + the typed character (case
// folded), or nullopt.
std::optional<std::size_t> FindMnemonic(const std::vector<std::u16string>& texts, char16_t typed);
// The WM_MENUCHAR result that runs the item at `position`.
std::uint32_t ExecuteResult(std::size_t position);

// --- Resynchronising ------------------------------------------------------------

// For each current item (by its key: command id, popup handle, or 0 for a
// separator), the index of the first not yet used record with the same key,
// or -1 when none is left and a new record must be made.
std::vector<int> MatchRecords(const std::vector<std::uintptr_t>& recordKeys,
                              const std::vector<std::uintptr_t>& itemKeys);

// --- Menu template --------------------------------------------------------------

// One item of a standard menu template; a popup holds its items.
struct TemplateItem {
    std::uint32_t flags = 0;  // as in the template, MF_END removed
    std::uint32_t id = 0;     // command id; 0 for popups and separators
    std::u16string text;
    std::vector<TemplateItem> items;
};

// Parses a standard menu template (version 0): the menu bar's items with their
// popups. Returns nullopt for another version, a truncated or malformed
// template, or a text without terminator: never reads past `size`.
std::optional<std::vector<TemplateItem>> ParseMenuTemplate(const std::uint8_t* data, std::size_t size);

}  // namespace tamsel::menu
