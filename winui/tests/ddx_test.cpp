// Data exchange on real controls: the radio numbering rule, text, list
// selections and the IP address control.
#include "winui/ddx.h"

#include <commctrl.h>
#include <gtest/gtest.h>

#include <array>
#include <string>
#include <vector>

#include "exchange_dialog.h"
#include "test_templates_ids.h"

namespace {

using winui::testing::ExchangeDialog;
using winui::testing::ScriptedDialog;

struct RadioCase {
    int value;
    std::array<bool, 3> checked;  // A, hidden B, C
    int saved;
};

TEST(DdxRadio, NumbersButtonsInTemplateOrderCountingHiddenOnes) {
    // The group of dialog 100: A, a hidden B, a static text, a check box, C.
    // Only the radio buttons count, the hidden one included.
    const RadioCase cases[] = {
        {0, {true, false, false}, 0},  {1, {false, true, false}, 1},   {2, {false, false, true}, 2},
        {3, {false, false, false}, -1}, {-1, {false, false, false}, -1}, {100, {false, false, false}, -1},
    };
    for (const RadioCase& c : cases) {
        SCOPED_TRACE(c.value);
        std::array<bool, 3> checked = {};
        bool checkBoxKept = false;
        bool secondGroupKept = false;
        ExchangeDialog dialog({[&](ScriptedDialog& d) {
            auto& e = static_cast<ExchangeDialog&>(d);
            // Something checked in every group before the load.
            e.Check(IDC_C, true);
            e.Check(IDC_CHECK, true);
            e.second = 1;
            e.first = c.value;
            e.UpdateData(false);
            checked = {e.IsChecked(IDC_A), e.IsChecked(IDC_B_HIDDEN), e.IsChecked(IDC_C)};
            checkBoxKept = e.IsChecked(IDC_CHECK);
            secondGroupKept = e.IsChecked(IDC_E);
            e.first = 55;
            e.UpdateData(true);
            e.End(1);
        }});
        EXPECT_EQ(dialog.Run(nullptr), 1);
        EXPECT_EQ(checked, c.checked);
        EXPECT_TRUE(checkBoxKept);
        EXPECT_TRUE(secondGroupKept);
        EXPECT_EQ(dialog.first, c.saved);
        EXPECT_EQ(dialog.second, 1);
    }
}

TEST(DdxRadio, ClicksAreSavedAsPositionsAndTheDialogEndEndsTheLastGroup) {
    ExchangeDialog dialog({[](ScriptedDialog& d) {
        SendMessageW(d.Item(IDC_C), BM_CLICK, 0, 0);
        SendMessageW(d.Item(IDC_E), BM_CLICK, 0, 0);
        SendMessageW(d.Item(IDC_G), BM_CLICK, 0, 0);
        d.UpdateData(true);
        d.End(1);
    }});
    EXPECT_EQ(dialog.Run(nullptr), 1);
    EXPECT_EQ(dialog.first, 2);
    EXPECT_EQ(dialog.second, 1);
    EXPECT_EQ(dialog.last, 1);
}

TEST(DdxRadio, NothingCheckedSavesMinusOne) {
    ExchangeDialog dialog({[](ScriptedDialog& d) {
        auto& e = static_cast<ExchangeDialog&>(d);
        e.first = 0;
        e.last = 0;
        e.UpdateData(false);
        e.Check(IDC_A, false);
        e.Check(IDC_F, false);
        e.first = 4;
        e.last = 4;
        e.UpdateData(true);
        e.End(1);
    }});
    EXPECT_EQ(dialog.Run(nullptr), 1);
    EXPECT_EQ(dialog.first, -1);
    EXPECT_EQ(dialog.last, -1);
}

TEST(DdxRadio, MissingFirstButtonFailsTheExchange) {
    bool loaded = true;
    bool saved = true;
    ExchangeDialog dialog({[&](ScriptedDialog& d) {
        loaded = d.UpdateData(false);
        saved = d.UpdateData(true);
        d.End(1);
    }});
    dialog.missingRadioId = 4711;
    EXPECT_EQ(dialog.Run(nullptr), 1);
    EXPECT_FALSE(loaded);
    EXPECT_FALSE(saved);
}

TEST(DdxText, RoundTripsJapaneseText) {
    std::wstring shown;
    ExchangeDialog dialog({[&](ScriptedDialog& d) {
        auto& e = static_cast<ExchangeDialog&>(d);
        e.text = L"自動カット位置送り機能";
        e.UpdateData(false);
        shown = e.Text(IDC_EDIT);
        e.SetText(IDC_EDIT, L"０.５mm");
        e.UpdateData(true);
        e.End(1);
    }});
    EXPECT_EQ(dialog.Run(nullptr), 1);
    EXPECT_EQ(shown, L"自動カット位置送り機能");
    EXPECT_EQ(dialog.text, L"０.５mm");
}

TEST(DdxText, Utf8MembersGoThroughWideText) {
    class Utf8Dialog : public ScriptedDialog {
    public:
        using ScriptedDialog::ScriptedDialog;
        std::string text = "ソルベナ";

    protected:
        void Exchange(winui::Ddx& ddx) override { ddx.Text(IDC_EDIT, text); }
    };
    std::wstring shown;
    Utf8Dialog dialog(IDD_EXCHANGE, {[&](ScriptedDialog& d) {
                          d.UpdateData(false);
                          shown = d.Text(IDC_EDIT);
                          d.SetText(IDC_EDIT, L"プリンタ名");
                          d.UpdateData(true);
                          d.End(1);
                      }});
    EXPECT_EQ(dialog.Run(nullptr), 1);
    EXPECT_EQ(shown, L"ソルベナ");
    EXPECT_EQ(dialog.text, "プリンタ名");
}

void FillLists(ScriptedDialog& d) {
    for (const wchar_t* item : {L"一", L"二", L"三"}) {
        SendMessageW(d.Item(IDC_LIST), LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(item));
        SendMessageW(d.Item(IDC_COMBO), CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(item));
    }
    HWND listView = d.Item(IDC_LISTVIEW);
    LVCOLUMNW column = {};
    column.mask = LVCF_WIDTH | LVCF_TEXT;
    column.cx = 100;
    column.pszText = const_cast<wchar_t*>(L"名前");
    SendMessageW(listView, LVM_INSERTCOLUMNW, 0, reinterpret_cast<LPARAM>(&column));
    for (int i = 0; i < 3; ++i) {
        LVITEMW item = {};
        item.mask = LVIF_TEXT;
        item.iItem = i;
        item.pszText = const_cast<wchar_t*>(L"プリンタ");
        SendMessageW(listView, LVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&item));
    }
}

struct Selection {
    int list;
    int combo;
    int listView;
    bool operator==(const Selection&) const = default;
};

Selection ControlSelection(ScriptedDialog& d) {
    return {static_cast<int>(SendMessageW(d.Item(IDC_LIST), LB_GETCURSEL, 0, 0)),
            static_cast<int>(SendMessageW(d.Item(IDC_COMBO), CB_GETCURSEL, 0, 0)),
            static_cast<int>(SendMessageW(d.Item(IDC_LISTVIEW), LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_SELECTED))};
}

TEST(DdxListSelection, LoadsAndSavesTheSelectedItemOfEachKindOfList) {
    struct Case {
        int loaded;
        int shown;  // in every control; -1 = no selection
    };
    const Case cases[] = {{0, 0}, {2, 2}, {-1, -1}, {3, -1}, {-7, -1}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.loaded);
        Selection shown = {};
        ExchangeDialog dialog({[&](ScriptedDialog& d) {
            auto& e = static_cast<ExchangeDialog&>(d);
            FillLists(e);
            // A previous selection everywhere, which a load of -1 must clear.
            e.list = e.combo = e.listView = 1;
            e.UpdateData(false);
            e.list = e.combo = e.listView = c.loaded;
            e.UpdateData(false);
            shown = ControlSelection(e);
            e.list = e.combo = e.listView = 99;
            e.UpdateData(true);
            e.End(1);
        }});
        EXPECT_EQ(dialog.Run(nullptr), 1);
        EXPECT_EQ(shown, (Selection{c.shown, c.shown, c.shown}));
        EXPECT_EQ((Selection{dialog.list, dialog.combo, dialog.listView}), (Selection{c.shown, c.shown, c.shown}));
    }
}

TEST(DdxListSelection, AControlThatIsNoListFailsTheExchange) {
    class Wrong : public ScriptedDialog {
    public:
        using ScriptedDialog::ScriptedDialog;
        int index = 0;

    protected:
        void Exchange(winui::Ddx& ddx) override { ddx.ListSelection(IDC_EDIT, index); }
    };
    bool result = true;
    Wrong dialog(IDD_EXCHANGE, {[&](ScriptedDialog& d) {
                     result = d.UpdateData(true);
                     d.End(1);
                 }});
    EXPECT_EQ(dialog.Run(nullptr), 1);
    EXPECT_FALSE(result);
}

TEST(DdxIpAddress, FirstOctetIsTheFirstDottedNumber) {
    DWORD shown = 0;
    LRESULT filledAfterLoad = 0;
    std::array<std::uint8_t, 4> savedBlank = {1, 1, 1, 1};
    ExchangeDialog dialog({[&](ScriptedDialog& d) {
        auto& e = static_cast<ExchangeDialog&>(d);
        e.address = {10, 0, 0, 1};
        e.UpdateData(false);
        filledAfterLoad = SendMessageW(e.Item(IDC_IP), IPM_GETADDRESS, 0, reinterpret_cast<LPARAM>(&shown));
        SendMessageW(e.Item(IDC_IP), IPM_CLEARADDRESS, 0, 0);
        e.UpdateData(true);
        savedBlank = e.address;
        SendMessageW(e.Item(IDC_IP), IPM_SETADDRESS, 0, MAKEIPADDRESS(192, 168, 10, 20));
        e.UpdateData(true);
        e.End(1);
    }});
    EXPECT_EQ(dialog.Run(nullptr), 1);
    EXPECT_EQ(filledAfterLoad, 4);
    EXPECT_EQ(shown, static_cast<DWORD>(MAKEIPADDRESS(10, 0, 0, 1)));
    EXPECT_EQ(savedBlank, (std::array<std::uint8_t, 4>{0, 0, 0, 0}));
    EXPECT_EQ(dialog.address, (std::array<std::uint8_t, 4>{192, 168, 10, 20}));
}

TEST(DdxFail, StopsTheRunAndLaterExchangesDoNothing) {
    bool result = true;
    int focus = 0;
    ExchangeDialog dialog({[&](ScriptedDialog& d) {
        auto& e = static_cast<ExchangeDialog&>(d);
        FillLists(e);
        SendMessageW(e.Item(IDC_LIST), LB_SETCURSEL, 2, 0);
        e.SetText(IDC_EDIT, L"");
        e.FocusItem(IDOK);
        e.list = 0;
        result = e.UpdateData(true);
        focus = GetDlgCtrlID(GetFocus());
        e.End(1);
    }});
    dialog.refuseEmptyText = true;
    EXPECT_EQ(dialog.Run(nullptr), 1);
    EXPECT_FALSE(result);
    EXPECT_EQ(focus, IDC_EDIT);
    EXPECT_EQ(dialog.list, 0);  // the exchange after the refusal did not run
}

}  // namespace
