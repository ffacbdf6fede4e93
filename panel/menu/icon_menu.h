// The main window's pull-down menus painted by the program: a 16-pixel icon
// column, the item text in the menu font, the accelerators in one column, a
// raised frame around the icon of the highlighted item and embossed icons for
// greyed items. Owner-drawn items get no mnemonics from the system, so the
// menu also answers WM_MENUCHAR itself.
//
// Use: LoadFromResource(142), SetCommandIcon for each command with a picture,
// then SetMenu(window, Detach()) — the window owns the menu bar from then on,
// while the popup IconMenu objects stay with this object and keep serving
// their items. Route WM_MEASUREITEM to IconMenu::Measure, WM_DRAWITEM to
// IconMenu::Draw and WM_MENUCHAR to IconMenu::FindShortcut.
#pragma once

#include <windows.h>
#include <commctrl.h>

#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace tamsel {

// One per item; its address is the item's item data, so the system hands it
// back with every measure and draw request.
struct MenuItemRecord {
    MenuItemRecord() = default;
    ~MenuItemRecord();
    MenuItemRecord(const MenuItemRecord&) = delete;
    MenuItemRecord& operator=(const MenuItemRecord&) = delete;

    std::wstring text;          // may hold a tab and the accelerator text
    int imageIndex = -1;        // -1 none, otherwise 0
    int bitmapId = -1;          // -1 when the item has no icon
    UINT flags = 0;             // MF_OWNERDRAW, MF_SEPARATOR, MF_POPUP, MF_BYPOSITION, ...
    UINT_PTR commandId = 0;     // for a popup item the popup's handle
    int syncMark = 0;           // 1 while Resynchronise has reused the record
    HIMAGELIST imageList = nullptr;  // holds the icon; owned
};

class IconMenu {
public:
    IconMenu();
    ~IconMenu();
    IconMenu(const IconMenu&) = delete;
    IconMenu& operator=(const IconMenu&) = delete;

    HMENU Handle() const { return handle; }
    // Gives the menu handle away (to the window); the popups stay served.
    HMENU Detach();

    // Builds the menu from a menu resource of `instance` (the program when
    // null): pull-down items owner-drawn, the menu bar's items plain text.
    // False when the resource is missing, cannot be loaded or is malformed,
    // or a menu cannot be created.
    bool LoadFromResource(int menuId, HINSTANCE instance = nullptr);

    // Appends an owner-drawn item with a new record; command id 0 makes a
    // separator, MF_POPUP takes a popup handle as the id.
    bool AppendItem(std::wstring_view text, UINT flags, UINT_PTR commandId);

    // The command's item (searched through the popups) shows the bitmap as
    // its icon; `text`, when not null, replaces its text. A missing bitmap
    // leaves the item without icon.
    void SetCommandIcon(const wchar_t* text, UINT command, int bitmapId, HINSTANCE instance = nullptr);

    // Pads the texts before their tab so the accelerators form one column.
    void AlignAccelerators();

    // Fills in the size of one of our items; false (nothing changed) when
    // the request is for an item that no IconMenu owns.
    static bool Measure(MEASUREITEMSTRUCT& request);
    // Paints one of our items; false (nothing drawn) when the request is for
    // an item that no IconMenu owns.
    static bool Draw(const DRAWITEMSTRUCT& request);

    // The WM_MENUCHAR answer for a pull-down menu of ours: the position of the
    // item whose mnemonic is `typed` with MNC_EXECUTE, or 0 (default handling).
    static LRESULT FindShortcut(wchar_t typed, UINT flags, HMENU popup);

    // Whether `menu` is a popup of some IconMenu.
    static bool OwnsPopup(HMENU menu);
    // The IconMenu serving the popup `menu`, or null.
    static IconMenu* FromPopup(HMENU menu);

    // Matches the records to the menu's current items again after items were
    // added or removed behind this object's back.
    void Resynchronise();

    const std::vector<std::unique_ptr<MenuItemRecord>>& Records() const { return records; }

private:
    explicit IconMenu(HMENU popupHandle);
    bool FindCommand(UINT command, IconMenu*& owner, int& position);
    void DrawItem(const DRAWITEMSTRUCT& request, const MenuItemRecord& record) const;
    bool HoldsRecord(const MenuItemRecord* record) const;

    HMENU handle = nullptr;
    // A popup's handle belongs to the menu it hangs in, which destroys it.
    bool destroysHandle = true;
    std::vector<std::unique_ptr<MenuItemRecord>> records;
    std::vector<HMENU> popupHandles;
    std::vector<std::unique_ptr<IconMenu>> popups;
    int iconWidth;
    int iconHeight;
};

}  // namespace tamsel
