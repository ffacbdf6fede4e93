#include "panel/pages/form_set.h"

#include <commctrl.h>

#include "winui/ddx.h"
#include "winui/text.h"

namespace tamsel {
namespace {

// An edit field of the page as the range guard sees it. Replacing the text
// raises the field's change notification, which runs the guard again before
// Replace returns.
class EditField : public GuardedField {
public:
    explicit EditField(HWND edit) : edit(edit) {}

    std::string Text() const override {
        const int length = GetWindowTextLengthW(edit);
        std::wstring text(static_cast<std::size_t>(length > 0 ? length : 0) + 1, L'\0');
        const int copied = GetWindowTextW(edit, text.data(), length + 1);
        text.resize(copied > 0 ? static_cast<std::size_t>(copied) : 0);
        return winui::Narrow(text);
    }
    bool HasFocus() const override { return GetFocus() == edit; }
    void Replace(const std::string& text) override { SetWindowTextW(edit, winui::Widen(text).c_str()); }

private:
    HWND edit;
};

}  // namespace

bool CForm_Set::OnInitDialog() {
    // The direction lists get their items before anything is shown.
    for (const FineAdjustRow& row : FineAdjustControlRows()) {
        if (row.IsDensity()) continue;
        for (const std::string& item : DirectionItems(row)) {
            SendMessageW(Item(row.listId), CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(winui::Widen(item).c_str()));
        }
    }
    SettingsPage::OnInitDialog();
    for (const FineAdjustRow& row : FineAdjustControlRows()) {
        SendMessageW(Item(row.spinId), UDM_SETRANGE, 0,
                     MAKELPARAM(static_cast<WORD>(row.spinUpper), static_cast<WORD>(row.spinLower)));
    }
    return true;
}

void CForm_Set::Exchange(winui::Ddx& ddx) {
    // Edit 1070 (the second density row) comes last, after the lists.
    for (const FineAdjustRow& row : FineAdjustControlRows()) {
        if (row.editId != IDC_SET_TRANSFER_EDIT) ddx.Text(row.editId, texts.editTexts[row.element]);
    }
    for (const FineAdjustRow& row : FineAdjustControlRows()) {
        if (!row.IsDensity()) ExchangeListText(ddx, row.listId, texts.listTexts[row.element]);
    }
    const FineAdjustRow* transfer = FineAdjustRowOfEdit(IDC_SET_TRANSFER_EDIT);
    ddx.Text(transfer->editId, texts.editTexts[transfer->element]);
}

void CForm_Set::ExchangeListText(winui::Ddx& ddx, int id, std::string& text) {
    HWND list = Item(id);
    if (list == nullptr) return;
    if (ddx.Saving()) {
        const LRESULT selected = SendMessageW(list, CB_GETCURSEL, 0, 0);
        if (selected == CB_ERR) {
            text.clear();
            return;
        }
        const LRESULT length = SendMessageW(list, CB_GETLBTEXTLEN, static_cast<WPARAM>(selected), 0);
        std::wstring item(static_cast<std::size_t>(length > 0 ? length : 0) + 1, L'\0');
        const LRESULT copied =
            SendMessageW(list, CB_GETLBTEXT, static_cast<WPARAM>(selected), reinterpret_cast<LPARAM>(item.data()));
        item.resize(copied > 0 ? static_cast<std::size_t>(copied) : 0);
        text = winui::Narrow(item);
        return;
    }
    const std::wstring wide = winui::Widen(text);
    if (SendMessageW(list, CB_SELECTSTRING, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(wide.c_str())) ==
        CB_ERR) {
        // A drop-down list ignores this; kept so that an editable list would
        // show the text.
        SetWindowTextW(list, wide.c_str());
    }
}

void CForm_Set::LoadFromRecord(const SettingsRecord& record) {
    texts = ShowAdjustBlock(record);
    // The spin positions first: the control writes its position into the
    // edit field, and the exchange below puts the page's own text over it.
    for (const FineAdjustRow& row : FineAdjustControlRows()) {
        const ShownAdjust shown = ShowAdjust(row, record.adjust[row.element]);
        SendMessageW(Item(row.spinId), UDM_SETPOS, 0, MAKELPARAM(shown.spinPosition, 0));
    }
    UpdateData(false);
}

void CForm_Set::SaveToRecord(SettingsRecord& record) {
    UpdateData(true);
    TakeAdjustBlock(texts, record);
}

bool CForm_Set::OnCommand(int id, int code, HWND control) {
    if (code != EN_CHANGE) return false;
    const FineAdjustRow* row = FineAdjustRowOfEdit(id);
    if (row == nullptr || control == nullptr) return false;
    EditField field(control);
    RunRangeGuard(field, *row);
    return true;
}

bool CForm_Set::OnMessage(UINT msg, WPARAM wParam, LPARAM lParam, INT_PTR& result) {
    if (msg != WM_VSCROLL || lParam == 0) return SettingsPage::OnMessage(msg, wParam, lParam, result);
    const FineAdjustRow* row = FineAdjustRowOfSpin(GetDlgCtrlID(reinterpret_cast<HWND>(lParam)));
    // The density spins write their integer themselves.
    if (row == nullptr || row->IsDensity()) return SettingsPage::OnMessage(msg, wParam, lParam, result);
    // The position the control reports, whatever the scroll code.
    const int position = static_cast<short>(HIWORD(wParam));
    SetText(row->editId, winui::Widen(SpinPositionText(position)));
    result = TRUE;
    return true;
}

}  // namespace tamsel
