// A stand-in for the setting pages that other work provides (the parameter
// pages and the DIP switch page), only so that the program runs end to end
// until they are merged. Not the real pages: they show their values as plain
// numbers and cannot edit them.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "panel/app/panel_core.h"

namespace tamsel {

// A child window on the page area that keeps the elements it owns and shows
// them as numbers.
class PlaceholderPage : public RecordPage {
public:
    enum class Block { Param, Adjust, Address };
    PlaceholderPage(std::wstring title, Block block, std::vector<int> elements, bool readOnly);

    void Create(HWND parent, const RECT& area, bool visible);
    HWND Window() const { return window; }
    void LoadFromRecord(const SettingsRecord& record) override;
    void SaveToRecord(SettingsRecord& record) override;

private:
    void Refresh();

    std::wstring title;
    Block block;
    std::vector<int> elements;
    std::vector<std::int32_t> values;
    bool readOnly;
    HWND window = nullptr;
};

}  // namespace tamsel
