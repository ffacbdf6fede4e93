#include "panel/app/placeholder_parts.h"

#include <winspool.h>

#include <algorithm>
#include <cstring>

#include "panel/app/win_text.h"

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

namespace {

constexpr const char* kAcceptedDrivers[] = {"KVT Vantorelli 7K4R2B-55", "KVT Vantorelli 7K4R5B"};

bool Accepted(const std::string& driver) {
    return std::any_of(std::begin(kAcceptedDrivers), std::end(kAcceptedDrivers),
                       [&](const char* name) { return driver.find(name) != std::string::npos; });
}

}  // namespace

SelectionOutcome PlaceholderPrinterSelection(HWND, const SelectionRequest& request, MessageSeam& messages) {
    struct Row {
        std::string name, port;
    };
    std::vector<Row> rows;
    DWORD needed = 0, count = 0;
    EnumPrintersW(PRINTER_ENUM_LOCAL | PRINTER_ENUM_CONNECTIONS, nullptr, 2, nullptr, 0, &needed, &count);
    std::vector<BYTE> buffer(needed + 1, 0);
    if (needed > 0 && EnumPrintersW(PRINTER_ENUM_LOCAL | PRINTER_ENUM_CONNECTIONS, nullptr, 2, buffer.data(),
                                    needed, &needed, &count)) {
        const auto* info = reinterpret_cast<const PRINTER_INFO_2W*>(buffer.data());
        for (DWORD i = 0; i < count; ++i) {
            const std::string driver = Narrow(info[i].pDriverName ? info[i].pDriverName : L"");
            if (!Accepted(driver)) continue;
            rows.push_back({Narrow(info[i].pPrinterName ? info[i].pPrinterName : L""),
                            Narrow(info[i].pPortName ? info[i].pPortName : L"")});
        }
    }
    std::sort(rows.begin(), rows.end(), [](const Row& a, const Row& b) { return a.name < b.name; });
    SelectionOutcome outcome;
    outcome.printerCount = static_cast<int>(rows.size());
    if (rows.empty()) {
        messages.ShowMessage("使用可能なプリンタがありませんでした。プリンタドライバを確認してからやり直してください。"
                             "\n\nソルベナを終了します。",
                             MessageButtons::Ok, MessageIcon::Exclamation);
        ExitProcess(1);
    }
    const Row* chosen = &rows.front();
    for (const Row& row : rows) {
        if (!request.printerName.empty() && row.name == request.printerName) chosen = &row;
    }
    outcome.confirmed = true;
    outcome.printer.printerName = chosen->name;
    outcome.printer.destination = chosen->port;
    outcome.printer.portKind = chosen->port.rfind("USB", 0) == 0 ? PortKind::Usb : PortKind::Local;
    return outcome;
}

}  // namespace tamsel
