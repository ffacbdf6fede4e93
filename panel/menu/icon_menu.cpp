#include "panel/menu/icon_menu.h"

#include <algorithm>

#include "panel/menu/menu_rules.h"

namespace tamsel {
namespace {

namespace rules = tamsel::menu;

// The popup handles of every IconMenu (the process's one user-interface
// thread is the only user) and every live IconMenu, so that a measure or
// draw request can be checked against the records that really exist.
std::vector<HMENU>& PopupHandles() {
    static std::vector<HMENU> handles;
    return handles;
}

std::vector<IconMenu*>& LiveMenus() {
    static std::vector<IconMenu*> menus;
    return menus;
}

template <typename T>
void Remove(std::vector<T>& list, T value) {
    list.erase(std::remove(list.begin(), list.end(), value), list.end());
}

HINSTANCE OrProgram(HINSTANCE instance) { return instance != nullptr ? instance : GetModuleHandleW(nullptr); }

std::u16string ToU16(std::wstring_view text) { return std::u16string(text.begin(), text.end()); }
std::wstring ToWide(std::u16string_view text) { return std::wstring(text.begin(), text.end()); }

RECT ToRect(const rules::Rect& r) { return RECT{r.left, r.top, r.right, r.bottom}; }

// A font and a brush that are deleted when the drawing of the item ends.
class GdiObject {
public:
    explicit GdiObject(HGDIOBJ object) : object(object) {}
    ~GdiObject() {
        if (object != nullptr) DeleteObject(object);
    }
    GdiObject(const GdiObject&) = delete;
    GdiObject& operator=(const GdiObject&) = delete;
    HGDIOBJ Get() const { return object; }

private:
    HGDIOBJ object;
};

// Restores the device context's selections and modes when the item is done,
// before the objects created for it are deleted (declare it after them).
class SavedDc {
public:
    explicit SavedDc(HDC dc) : dc(dc), saved(SaveDC(dc)) {}
    ~SavedDc() {
        if (saved != 0) RestoreDC(dc, saved);
    }
    SavedDc(const SavedDc&) = delete;
    SavedDc& operator=(const SavedDc&) = delete;

private:
    HDC dc;
    int saved;
};

HFONT CreateMenuFont() {
    NONCLIENTMETRICSW metrics = {};
    metrics.cbSize = sizeof metrics;
    if (!SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof metrics, &metrics, 0)) return nullptr;
    return CreateFontIndirectW(&metrics.lfMenuFont);
}

void FillSolid(HDC dc, const rules::Rect& area, COLORREF colour) {
    GdiObject brush(CreateSolidBrush(colour));
    if (brush.Get() == nullptr) return;
    const RECT r = ToRect(area);
    FillRect(dc, &r, static_cast<HBRUSH>(brush.Get()));
}

// A one-pixel 3-D frame: top and left lines in `topLeft`, right and bottom in
// `bottomRight`.
void Frame3d(HDC dc, const rules::Rect& box, COLORREF topLeft, COLORREF bottomRight) {
    const int x = box.left, y = box.top, cx = box.right - box.left, cy = box.bottom - box.top;
    FillSolid(dc, {x, y, x + cx - 1, y + 1}, topLeft);
    FillSolid(dc, {x, y, x + 1, y + cy - 1}, topLeft);
    FillSolid(dc, {x + cx - 1, y, x + cx, y + cy}, bottomRight);
    FillSolid(dc, {x, y + cy - 1, x + cx, y + cy}, bottomRight);
}

// Pixels of a 32-bit DIB are 0x00RRGGBB; a COLORREF is 0x00BBGGRR.
COLORREF FromDibPixel(std::uint32_t pixel) {
    return RGB((pixel >> 16) & 0xFF, (pixel >> 8) & 0xFF, pixel & 0xFF);
}

// The greyed icon: the icon is rendered on the menu colour, and every pixel
// that is neither button face, highlight nor that background is painted in
// relief, in the highlight colour one pixel right and down and in the shadow
// colour in place, on a button-face background.
void DrawEmbossed(HDC dc, HIMAGELIST images, int index, rules::Point origin, int width, int height,
                  COLORREF menuColour) {
    HDC memory = CreateCompatibleDC(dc);
    if (memory == nullptr) return;
    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;  // top-down
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    HBITMAP picture = CreateDIBSection(dc, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    if (picture == nullptr || bits == nullptr) {
        if (picture != nullptr) DeleteObject(picture);
        DeleteDC(memory);
        return;
    }
    HGDIOBJ old = SelectObject(memory, picture);
    FillSolid(memory, {0, 0, width, height}, menuColour);
    ImageList_Draw(images, index, memory, 0, 0, ILD_TRANSPARENT);
    GdiFlush();

    const COLORREF face = GetSysColor(COLOR_BTNFACE);
    const COLORREF light = GetSysColor(COLOR_BTNHIGHLIGHT);
    const COLORREF shadow = GetSysColor(COLOR_BTNSHADOW);
    std::vector<bool> mask(static_cast<std::size_t>(width * height));
    const auto* pixels = static_cast<const std::uint32_t*>(bits);
    for (int i = 0; i < width * height; ++i) {
        const COLORREF c = FromDibPixel(pixels[i]);
        mask[static_cast<std::size_t>(i)] = c != face && c != light && c != menuColour;
    }
    SelectObject(memory, old);
    DeleteObject(picture);
    DeleteDC(memory);

    FillSolid(dc, {origin.x, origin.y, origin.x + width, origin.y + height}, face);
    for (const auto& [colour, shift] : {std::pair{light, 1}, std::pair{shadow, 0}}) {
        for (int y = 0; y < height; ++y) {
            for (int x = 0; x < width; ++x) {
                if (mask[static_cast<std::size_t>(y * width + x)]) {
                    SetPixelV(dc, origin.x + x + shift, origin.y + y + shift, colour);
                }
            }
        }
    }
}

}  // namespace

MenuItemRecord::~MenuItemRecord() {
    if (imageList != nullptr) ImageList_Destroy(imageList);
}

IconMenu::IconMenu() : iconWidth(rules::kIconWidth), iconHeight(rules::kIconHeight) {
    LiveMenus().push_back(this);
}

IconMenu::IconMenu(HMENU popupHandle) : IconMenu() {
    handle = popupHandle;
    destroysHandle = false;
}

IconMenu::~IconMenu() {
    auto& handles = PopupHandles();
    Remove(handles, handle);
    for (HMENU popup : popupHandles) Remove(handles, popup);
    popups.clear();
    records.clear();
    // Destroying a menu destroys its popups with it.
    if (handle != nullptr && destroysHandle) DestroyMenu(handle);
    Remove(LiveMenus(), this);
}

HMENU IconMenu::Detach() {
    HMENU given = handle;
    handle = nullptr;
    return given;
}

bool IconMenu::LoadFromResource(int menuId, HINSTANCE instance) {
    if (handle != nullptr) return false;
    instance = OrProgram(instance);
    HRSRC found = FindResourceW(instance, MAKEINTRESOURCEW(menuId), RT_MENU);
    if (found == nullptr) return false;
    HGLOBAL loaded = LoadResource(instance, found);
    const DWORD size = SizeofResource(instance, found);
    const void* data = loaded != nullptr ? LockResource(loaded) : nullptr;
    if (data == nullptr) return false;
    const auto bar = rules::ParseMenuTemplate(static_cast<const std::uint8_t*>(data), size);
    if (!bar) return false;

    handle = CreateMenu();
    if (handle == nullptr) return false;

    // Each level is aligned once all its items are in, as the template
    // closes it.
    struct Builder {
        static bool Fill(IconMenu& menu, const std::vector<rules::TemplateItem>& items) {
            for (const auto& item : items) {
                const std::wstring text = ToWide(item.text);
                if (item.flags & MF_POPUP) {
                    HMENU popupHandle = CreatePopupMenu();
                    if (popupHandle == nullptr) return false;
                    std::unique_ptr<IconMenu> popup(new IconMenu(popupHandle));
                    if (!menu.AppendItem(text, item.flags, reinterpret_cast<UINT_PTR>(popupHandle))) {
                        DestroyMenu(popupHandle);
                        return false;
                    }
                    IconMenu& child = *popup;
                    menu.popups.push_back(std::move(popup));
                    if (!Fill(child, item.items)) return false;
                } else if (!menu.AppendItem(text, item.flags, item.id)) {
                    return false;
                }
            }
            menu.AlignAccelerators();
            return true;
        }
    };
    if (!Builder::Fill(*this, *bar)) {
        auto& handles = PopupHandles();
        for (HMENU popup : popupHandles) Remove(handles, popup);
        popupHandles.clear();
        popups.clear();
        records.clear();
        DestroyMenu(handle);
        handle = nullptr;
        return false;
    }

    // The menu bar shows plain texts; only the pull-down items stay owner-drawn.
    for (std::size_t i = 0; i < records.size(); ++i) {
        MenuItemRecord& record = *records[i];
        MENUITEMINFOW info = {};
        info.cbSize = sizeof info;
        info.fMask = MIIM_FTYPE | MIIM_STRING | MIIM_DATA;
        info.fType = MFT_STRING;
        info.dwTypeData = record.text.data();
        info.dwItemData = 0;
        SetMenuItemInfoW(handle, static_cast<UINT>(i), TRUE, &info);
        record.flags = MF_STRING | MF_BYPOSITION | (record.flags & MF_POPUP);
    }
    return true;
}

bool IconMenu::AppendItem(std::wstring_view text, UINT flags, UINT_PTR commandId) {
    if (handle == nullptr) return false;
    flags &= ~static_cast<UINT>(MF_END);
    if (commandId == 0) {
        flags = MF_SEPARATOR | MF_OWNERDRAW | (flags & MF_BYPOSITION);
    } else {
        flags |= MF_OWNERDRAW;
    }
    auto record = std::make_unique<MenuItemRecord>();
    record->text = std::wstring(text);
    record->flags = flags;
    record->commandId = commandId;
    if (!AppendMenuW(handle, flags & ~static_cast<UINT>(MF_BYPOSITION), commandId,
                     reinterpret_cast<LPCWSTR>(record.get()))) {
        return false;
    }
    if (flags & MF_POPUP) {
        PopupHandles().push_back(reinterpret_cast<HMENU>(commandId));
        popupHandles.push_back(reinterpret_cast<HMENU>(commandId));
    }
    records.push_back(std::move(record));
    return true;
}

bool IconMenu::FindCommand(UINT command, IconMenu*& owner, int& position) {
    const int count = GetMenuItemCount(handle);
    for (int i = 0; i < count; ++i) {
        if (HMENU sub = GetSubMenu(handle, i)) {
            IconMenu* child = FromPopup(sub);
            if (child != nullptr && child->FindCommand(command, owner, position)) return true;
            continue;
        }
        if (GetMenuItemID(handle, i) == command) {
            owner = this;
            position = i;
            return true;
        }
    }
    return false;
}

void IconMenu::SetCommandIcon(const wchar_t* text, UINT command, int bitmapId, HINSTANCE instance) {
    if (handle == nullptr) return;
    IconMenu* owner = nullptr;
    int position = -1;
    MenuItemRecord* record = nullptr;
    if (FindCommand(command, owner, position)) {
        if (owner->records.size() != static_cast<std::size_t>(GetMenuItemCount(owner->handle))) {
            owner->Resynchronise();
        }
        record = owner->records[static_cast<std::size_t>(position)].get();
    } else {
        owner = nullptr;
        records.push_back(std::make_unique<MenuItemRecord>());
        record = records.back().get();
    }

    if (text != nullptr) record->text = text;
    record->bitmapId = bitmapId;
    record->imageIndex = -1;
    if (bitmapId >= 0) {
        record->imageIndex = 0;
        if (record->imageList != nullptr) {
            ImageList_RemoveAll(record->imageList);
        } else {
            record->imageList = ImageList_Create(iconWidth, iconHeight, ILC_COLORDDB | ILC_MASK, 1, 1);
        }
        // Black, dark grey, light grey and white become the button text,
        // shadow, face and highlight colours; the face colour is the mask.
        HBITMAP bitmap = CreateMappedBitmap(OrProgram(instance), bitmapId, 0, nullptr, 0);
        bool added = false;
        if (bitmap != nullptr && record->imageList != nullptr) {
            added = ImageList_AddMasked(record->imageList, bitmap, GetSysColor(COLOR_BTNFACE)) >= 0;
        }
        if (bitmap != nullptr) DeleteObject(bitmap);
        if (!added) {
            if (record->imageList != nullptr) ImageList_Destroy(record->imageList);
            record->imageList = nullptr;
            record->bitmapId = -1;
            record->imageIndex = -1;
        }
    }
    record->flags = MF_OWNERDRAW;
    record->commandId = command;
    if (owner == nullptr) return;
    MENUITEMINFOW info = {};
    info.cbSize = sizeof info;
    info.fMask = MIIM_FTYPE | MIIM_DATA;
    info.fType = MFT_OWNERDRAW;
    info.dwItemData = reinterpret_cast<ULONG_PTR>(record);
    SetMenuItemInfoW(owner->handle, static_cast<UINT>(position), TRUE, &info);
}

void IconMenu::AlignAccelerators() {
    std::vector<std::u16string> texts;
    texts.reserve(records.size());
    for (const auto& record : records) texts.push_back(ToU16(record->text));

    HDC dc = GetDC(nullptr);
    if (dc == nullptr) return;
    {
        GdiObject font(CreateMenuFont());
        SavedDc saved(dc);
        if (font.Get() != nullptr) SelectObject(dc, font.Get());
        rules::AlignAccelerators(texts, [dc](std::u16string_view text) {
            const std::wstring wide = ToWide(text);
            SIZE size = {};
            GetTextExtentPoint32W(dc, wide.c_str(), static_cast<int>(wide.size()), &size);
            return static_cast<int>(size.cx);
        });
    }
    ReleaseDC(nullptr, dc);
    for (std::size_t i = 0; i < records.size(); ++i) records[i]->text = ToWide(texts[i]);
}

bool IconMenu::HoldsRecord(const MenuItemRecord* record) const {
    return std::any_of(records.begin(), records.end(), [record](const auto& r) { return r.get() == record; });
}

bool IconMenu::Measure(MEASUREITEMSTRUCT& request) {
    if (request.CtlType != ODT_MENU) return false;
    const auto* record = reinterpret_cast<const MenuItemRecord*>(request.itemData);
    const auto& live = LiveMenus();
    if (std::none_of(live.begin(), live.end(), [record](const IconMenu* m) { return m->HoldsRecord(record); })) {
        return false;
    }
    const int menuBarHeight = GetSystemMetrics(SM_CYMENU);
    if (record->flags & MF_SEPARATOR) {
        const rules::Size size = rules::MeasureSeparator(menuBarHeight);
        request.itemWidth = static_cast<UINT>(size.width);
        request.itemHeight = static_cast<UINT>(size.height);
        return true;
    }
    SIZE extent = {};
    HDC dc = GetDC(nullptr);
    if (dc != nullptr) {
        {
            GdiObject font(CreateMenuFont());
            SavedDc saved(dc);
            if (font.Get() != nullptr) SelectObject(dc, font.Get());
            GetTextExtentPoint32W(dc, record->text.c_str(), static_cast<int>(record->text.size()), &extent);
        }
        ReleaseDC(nullptr, dc);
    }
    const rules::Size size = rules::MeasureItem(extent.cx, menuBarHeight);
    request.itemWidth = static_cast<UINT>(size.width);
    request.itemHeight = static_cast<UINT>(size.height);
    return true;
}

bool IconMenu::Draw(const DRAWITEMSTRUCT& request) {
    if (request.CtlType != ODT_MENU) return false;
    const auto* record = reinterpret_cast<const MenuItemRecord*>(request.itemData);
    const IconMenu* menu = FromPopup(reinterpret_cast<HMENU>(request.hwndItem));
    if (menu == nullptr || !menu->HoldsRecord(record)) {
        const auto& live = LiveMenus();
        auto found = std::find_if(live.begin(), live.end(), [record](const IconMenu* m) { return m->HoldsRecord(record); });
        if (found == live.end()) return false;
        menu = *found;
    }
    menu->DrawItem(request, *record);
    return true;
}

void IconMenu::DrawItem(const DRAWITEMSTRUCT& request, const MenuItemRecord& record) const {
    HDC dc = request.hDC;
    const rules::Rect item{request.rcItem.left, request.rcItem.top, request.rcItem.right, request.rcItem.bottom};
    if (record.flags & MF_SEPARATOR) {
        RECT line = ToRect({item.left, rules::SeparatorLineTop(item), item.right, item.bottom});
        DrawEdge(dc, &line, EDGE_ETCHED, BF_TOP);
        return;
    }

    const COLORREF menuColour = GetSysColor(COLOR_MENU);
    const COLORREF highlight = GetSysColor(COLOR_HIGHLIGHT);
    const bool selected = (request.itemState & ODS_SELECTED) != 0;
    const bool grayed = (request.itemState & ODS_GRAYED) != 0;
    const bool checked = (request.itemState & ODS_CHECKED) != 0;
    const bool hasIcon = record.bitmapId != -1 && record.imageList != nullptr;

    GdiObject font(CreateMenuFont());
    SavedDc saved(dc);

    if (!selected) {
        FillSolid(dc, item, menuColour);
    } else {
        FillSolid(dc, rules::HighlightRect(item, hasIcon, checked), highlight);
    }

    if (hasIcon) {
        const rules::Point origin = rules::IconOrigin(item);
        const rules::Rect frame = rules::IconFrameRect(item);
        const rules::Rect box = rules::IconBoxRect(item);
        const COLORREF light = GetSysColor(COLOR_BTNHIGHLIGHT);
        const COLORREF shadow = GetSysColor(COLOR_BTNSHADOW);
        const auto look = rules::DecideIconLook(selected, grayed, checked);
        switch (look) {
        case rules::IconLook::Embossed:
            DrawEmbossed(dc, record.imageList, record.imageIndex, origin, iconWidth, iconHeight, menuColour);
            break;
        case rules::IconLook::Raised:
            FillSolid(dc, frame, menuColour);
            Frame3d(dc, box, light, shadow);
            break;
        case rules::IconLook::HotChecked:
            FillSolid(dc, frame, menuColour);
            Frame3d(dc, box, shadow, light);
            break;
        case rules::IconLook::PlainChecked:
            FillSolid(dc, frame, GetSysColor(COLOR_3DLIGHT));
            Frame3d(dc, box, shadow, light);
            break;
        case rules::IconLook::Plain:
            FillSolid(dc, frame, menuColour);
            break;
        }
        if (look != rules::IconLook::Embossed) {
            ImageList_Draw(record.imageList, record.imageIndex, dc, origin.x, origin.y, ILD_TRANSPARENT);
        }
    } else if (checked) {
        const rules::Rect field = rules::CheckRect(item);
        FillSolid(dc, field, selected ? menuColour : GetSysColor(COLOR_3DLIGHT));
        RECT edge = ToRect(field);
        DrawEdge(dc, &edge, BDR_SUNKENOUTER, BF_RECT);
        const COLORREF markColour = GetSysColor(COLOR_MENUTEXT);
        MENUITEMINFOW info = {};
        info.cbSize = sizeof info;
        info.fMask = MIIM_CHECKMARKS | MIIM_FTYPE;
        const bool radio = GetMenuItemInfoW(reinterpret_cast<HMENU>(request.hwndItem), request.itemID, FALSE, &info) &&
                           (info.hbmpChecked != nullptr || (info.fType & MFT_RADIOCHECK) != 0);
        if (radio) {
            GdiObject brush(CreateSolidBrush(markColour));
            GdiObject pen(CreatePen(PS_SOLID, 1, markColour));
            const rules::Rect dot = rules::RadioDotRect(field);
            HGDIOBJ oldBrush = SelectObject(dc, brush.Get());
            HGDIOBJ oldPen = SelectObject(dc, pen.Get());
            Ellipse(dc, dot.left, dot.top, dot.right, dot.bottom);
            SelectObject(dc, oldPen);
            SelectObject(dc, oldBrush);
        } else {
            for (const auto& p : rules::CheckMarkPixels(field)) SetPixelV(dc, p.x, p.y, markColour);
        }
    }

    // The text: before the tab left-aligned, the accelerator right-aligned.
    const rules::TextParts parts = rules::SplitItemText(ToU16(record.text));
    const std::wstring left = ToWide(parts.left);
    const std::wstring right = ToWide(parts.right);
    const rules::Rect textRect = rules::TextRect(item, parts.hasTab);
    if (font.Get() != nullptr) SelectObject(dc, font.Get());
    SetBkMode(dc, TRANSPARENT);
    const auto drawParts = [&](COLORREF colour, int shift) {
        SetTextColor(dc, colour);
        RECT r = ToRect({textRect.left + shift, textRect.top + shift, textRect.right + shift, textRect.bottom + shift});
        DrawTextW(dc, left.c_str(), static_cast<int>(left.size()), &r, DT_LEFT | DT_VCENTER | DT_SINGLELINE);
        if (parts.hasTab) {
            DrawTextW(dc, right.c_str(), static_cast<int>(right.size()), &r, DT_RIGHT | DT_VCENTER | DT_SINGLELINE);
        }
    };
    switch (rules::DecideTextLook(selected, grayed)) {
    case rules::TextLook::Normal:
        drawParts(GetSysColor(COLOR_MENUTEXT), 0);
        break;
    case rules::TextLook::Highlighted:
        drawParts(GetSysColor(COLOR_HIGHLIGHTTEXT), 0);
        break;
    case rules::TextLook::MenuColour:
        drawParts(menuColour, 0);
        break;
    case rules::TextLook::Engraved:
        drawParts(GetSysColor(COLOR_BTNHIGHLIGHT), 1);
        drawParts(GetSysColor(COLOR_GRAYTEXT), 0);
        break;
    }
}

LRESULT IconMenu::FindShortcut(wchar_t typed, UINT flags, HMENU popup) {
    if (!(flags & MF_POPUP)) return 0;
    IconMenu* menu = FromPopup(popup);
    if (menu == nullptr) return 0;
    if (static_cast<std::size_t>(std::max(GetMenuItemCount(popup), 0)) != menu->records.size()) {
        menu->Resynchronise();
    }
    std::vector<std::u16string> texts;
    texts.reserve(menu->records.size());
    for (const auto& record : menu->records) texts.push_back(ToU16(record->text));
    const auto position = rules::FindMnemonic(texts, static_cast<char16_t>(typed));
    if (!position) return 0;
    return static_cast<LRESULT>(rules::ExecuteResult(*position));
}

bool IconMenu::OwnsPopup(HMENU menu) {
    const auto& handles = PopupHandles();
    return menu != nullptr && std::find(handles.begin(), handles.end(), menu) != handles.end();
}

IconMenu* IconMenu::FromPopup(HMENU menu) {
    if (!OwnsPopup(menu)) return nullptr;
    for (IconMenu* live : LiveMenus()) {
        if (live->handle == menu) return live;
    }
    return nullptr;
}

void IconMenu::Resynchronise() {
    if (handle == nullptr) return;
    const int count = GetMenuItemCount(handle);
    if (count < 0) return;
    for (auto& record : records) record->syncMark = 0;

    enum class Kind { Command, Popup, Separator };
    std::vector<Kind> kinds;
    std::vector<std::uintptr_t> itemKeys;
    std::vector<UINT> types;
    for (int i = 0; i < count; ++i) {
        MENUITEMINFOW info = {};
        info.cbSize = sizeof info;
        info.fMask = MIIM_FTYPE | MIIM_ID | MIIM_SUBMENU;
        GetMenuItemInfoW(handle, static_cast<UINT>(i), TRUE, &info);
        types.push_back(info.fType);
        if (info.hSubMenu != nullptr) {
            kinds.push_back(Kind::Popup);
            itemKeys.push_back(reinterpret_cast<std::uintptr_t>(info.hSubMenu));
        } else if (info.fType & MFT_SEPARATOR) {
            kinds.push_back(Kind::Separator);
            itemKeys.push_back(0);
        } else {
            kinds.push_back(Kind::Command);
            itemKeys.push_back(info.wID);
        }
    }
    std::vector<std::uintptr_t> recordKeys;
    for (const auto& record : records) recordKeys.push_back(record->commandId);
    const std::vector<int> match = rules::MatchRecords(recordKeys, itemKeys);

    std::vector<std::unique_ptr<MenuItemRecord>> synced;
    for (int i = 0; i < count; ++i) {
        const auto at = static_cast<std::size_t>(i);
        std::unique_ptr<MenuItemRecord> record =
            match[at] >= 0 ? std::move(records[static_cast<std::size_t>(match[at])]) : std::make_unique<MenuItemRecord>();
        // An owner-drawn item has no text of its own: its record keeps the
        // text it has. A plain item added since gives its text.
        wchar_t text[128] = {};  // 256 bytes
        if (GetMenuStringW(handle, static_cast<UINT>(i), text, 128, MF_BYPOSITION) > 0) record->text = text;
        const UINT state = GetMenuState(handle, static_cast<UINT>(i), MF_BYPOSITION) & (MF_GRAYED | MF_DISABLED | MF_CHECKED);
        record->flags = state | MF_OWNERDRAW | MF_BYPOSITION;
        if (kinds[at] == Kind::Popup) record->flags |= MF_POPUP;
        if (kinds[at] == Kind::Separator) record->flags |= MF_SEPARATOR;
        record->commandId = itemKeys[at];
        record->syncMark = 1;

        MENUITEMINFOW info = {};
        info.cbSize = sizeof info;
        info.fMask = MIIM_FTYPE | MIIM_DATA;
        info.fType = MFT_OWNERDRAW | (types[at] & (MFT_SEPARATOR | MFT_RADIOCHECK));
        info.dwItemData = reinterpret_cast<ULONG_PTR>(record.get());
        SetMenuItemInfoW(handle, static_cast<UINT>(i), TRUE, &info);
        synced.push_back(std::move(record));
    }
    // Records no item took are deleted with the old sequence.
    records = std::move(synced);
}

}  // namespace tamsel
