#include "panel/app/placeholder_parts.h"

#include <algorithm>
#include <cstring>


namespace tamsel {

PlaceholderPage::PlaceholderPage(std::wstring title, Block block, std::vector<int> elements, bool readOnly)
    : title(std::move(title)), block(block), elements(std::move(elements)), values(this->elements.size(), 0),
      readOnly(readOnly) {}

void PlaceholderPage::Create(HWND parent, const RECT& area, bool visible) {
    window = CreateWindowExW(0, L"STATIC", L"", WS_CHILD | SS_LEFT | (visible ? WS_VISIBLE : 0), area.left,
                             area.top, area.right - area.left, area.bottom - area.top, parent, nullptr,
                             GetModuleHandleW(nullptr), nullptr);
    SendMessageW(window, WM_SETFONT, SendMessageW(parent, WM_GETFONT, 0, 0), FALSE);
    Refresh();
}

void PlaceholderPage::LoadFromRecord(const SettingsRecord& record) {
    for (std::size_t i = 0; i < elements.size(); ++i) {
        const int e = elements[i];
        values[i] = block == Block::Param ? record.param[e] : block == Block::Adjust ? record.adjust[e] : record.address[e];
    }
    Refresh();
}

void PlaceholderPage::SaveToRecord(SettingsRecord& record) {
    if (readOnly) return;
    for (std::size_t i = 0; i < elements.size(); ++i) {
        const int e = elements[i];
        if (block == Block::Param) record.param[e] = values[i];
        if (block == Block::Adjust) record.adjust[e] = values[i];
        if (block == Block::Address) record.address[e] = values[i];
    }
}

void PlaceholderPage::Refresh() {
    if (window == nullptr) return;
    std::wstring text = L"(placeholder) " + title + L"\r\n\r\n";
    const wchar_t* blockName = block == Block::Param ? L"PARAM" : block == Block::Adjust ? L"ADJUST" : L"ADDRESS";
    for (std::size_t i = 0; i < elements.size(); ++i) {
        text += std::wstring(blockName) + L"[" + std::to_wstring(elements[i]) + L"] = " + std::to_wstring(values[i]);
        text += (i % 3 == 2) ? L"\r\n" : L"      ";
    }
    SetWindowTextW(window, text.c_str());
}

}  // namespace tamsel
