#include "panel/pages/cform_dipsw.h"

#include <algorithm>
#include <string>

#include "panel/model/setting_texts.h"
#include "panel/pages/page_rules.h"
#include "panel/res/pages_param_ids.h"
#include "winui/text.h"

namespace tamsel {

namespace {

// The switch block is drawn 351 x 81 pixels from its picture's top left; a
// lever picture is 24 x 55.
constexpr int kBlockWidth = 351;
constexpr int kBlockHeight = 81;
constexpr int kLeverWidth = 24;
constexpr int kLeverHeight = 55;

// Each drawing object is released by its owner on every path.
class WindowDc {
public:
    explicit WindowDc(HWND window) : window(window), dc(window ? GetDC(window) : nullptr) {}
    ~WindowDc() {
        if (dc != nullptr) ReleaseDC(window, dc);
    }
    WindowDc(const WindowDc&) = delete;
    WindowDc& operator=(const WindowDc&) = delete;
    HDC Get() const { return dc; }

private:
    HWND window;
    HDC dc;
};

class MemoryDc {
public:
    explicit MemoryDc(HDC compatible) : dc(CreateCompatibleDC(compatible)) {}
    ~MemoryDc() {
        if (dc == nullptr) return;
        if (initialBitmap != nullptr) SelectObject(dc, initialBitmap);
        DeleteDC(dc);
    }
    MemoryDc(const MemoryDc&) = delete;
    MemoryDc& operator=(const MemoryDc&) = delete;
    HDC Get() const { return dc; }
    // Selects a bitmap, remembering the context's own first one so that it
    // goes back in before the context is deleted.
    void Select(HBITMAP bitmap) {
        HGDIOBJ previous = SelectObject(dc, bitmap);
        if (initialBitmap == nullptr) initialBitmap = previous;
    }

private:
    HDC dc;
    HGDIOBJ initialBitmap = nullptr;
};

class Bitmap {
public:
    Bitmap(HINSTANCE instance, int id) : bitmap(LoadBitmapW(instance, MAKEINTRESOURCEW(id))) {}
    ~Bitmap() {
        if (bitmap != nullptr) DeleteObject(bitmap);
    }
    Bitmap(const Bitmap&) = delete;
    Bitmap& operator=(const Bitmap&) = delete;
    HBITMAP Get() const { return bitmap; }

private:
    HBITMAP bitmap;
};

HINSTANCE InstanceOf(HWND window) {
    return reinterpret_cast<HINSTANCE>(GetWindowLongPtrW(window, GWLP_HINSTANCE));
}

}  // namespace

void CForm_DIPSW::LoadFromRecord(const SettingsRecord& record) {
    std::copy(std::begin(record.param), std::end(record.param), switchStates.begin());
    UpdateData(false);
    if (Window() != nullptr) RedrawWindow(Window(), nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW);
}

void CForm_DIPSW::SaveToRecord(SettingsRecord&) {}

bool CForm_DIPSW::OnMessage(UINT msg, WPARAM wParam, LPARAM lParam, INT_PTR& result) {
    if (msg != WM_PAINT) return SettingsPage::OnMessage(msg, wParam, lParam, result);
    OnPaint();
    result = TRUE;
    return true;
}

void CForm_DIPSW::OnPaint() {
    PAINTSTRUCT paint;
    BeginPaint(Window(), &paint);
    DrawSwitches();
    EndPaint(Window(), &paint);

    // The lines follow the states on every paint. Setting the same text again
    // would only make the field flicker.
    const std::wstring lines = winui::Widen(DipSwitchLines(switchStates.data()));
    if (Text(IDC_DIPSW_TEXT) != lines) SetText(IDC_DIPSW_TEXT, lines);
}

void CForm_DIPSW::DrawSwitches() {
    HWND picture = Item(IDC_DIPSW_PICTURE);
    if (picture == nullptr) return;
    // Declared before the memory context, so that they outlive it: the
    // context gives its first bitmap back before the bitmaps are deleted.
    const HINSTANCE instance = InstanceOf(Window());
    const Bitmap block(instance, IDB_DIPSW_BLOCK);
    const Bitmap leverDown(instance, IDB_DIPSW_LEVER_DOWN);
    const Bitmap leverUp(instance, IDB_DIPSW_LEVER_UP);
    if (block.Get() == nullptr) return;

    WindowDc target(picture);
    if (target.Get() == nullptr) return;
    MemoryDc source(target.Get());
    if (source.Get() == nullptr) return;

    source.Select(block.Get());
    BitBlt(target.Get(), 0, 0, kBlockWidth, kBlockHeight, source.Get(), 0, 0, SRCCOPY);
    for (int n = 1; n <= kDipSwitchCount; ++n) {
        HBITMAP lever = nullptr;
        switch (LeverFor(switchStates[static_cast<std::size_t>(n - 1)])) {
        case Lever::Down: lever = leverDown.Get(); break;
        case Lever::Up: lever = leverUp.Get(); break;
        case Lever::Empty: break;  // the empty slot of the block stays
        }
        if (lever == nullptr) continue;
        source.Select(lever);
        BitBlt(target.Get(), LeverLeft(n), kLeverTop, kLeverWidth, kLeverHeight, source.Get(), 0, 0, SRCCOPY);
    }
}

}  // namespace tamsel
