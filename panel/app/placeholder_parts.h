// Stand-ins for the parts of the program that other work provides (the five
// setting pages and the printer selection dialog), only so that the program
// runs end to end until they are merged. Not the real parts: the pages show
// their values as plain numbers, the selection takes a printer without asking.
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

// Lists the installed printers whose driver is an accepted model and takes
// the current one (or the first); spooler ports only.
SelectionOutcome PlaceholderPrinterSelection(HWND owner, const SelectionRequest& request, MessageSeam& messages);

}  // namespace tamsel
