// The IP address page run for real under Wine, hosted in a small dialog:
// records shown and taken back, the radio groups, and the socket-port check
// with its message, through the notice seam and as a real message box.
#include "panel/pages/form_ip.h"

#include <commctrl.h>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "page_host.h"
#include "winui/dialog.h"

namespace tamsel::testing {
namespace {

using ::testing::ElementsAre;
using Step = PageHost<CForm_IP>::Step;

class CommonControls : public ::testing::Environment {
public:
    void SetUp() override { ASSERT_TRUE(winui::LoadCommonControls()); }
};
const auto* const commonControls = ::testing::AddGlobalTestEnvironment(new CommonControls);

std::int32_t Element(std::uint8_t a, std::uint8_t b, std::uint8_t c, std::uint8_t d) {
    const std::uint8_t bytes[4] = {a, b, c, d};
    std::int32_t element;
    std::memcpy(&element, bytes, 4);
    return element;
}

SettingsRecord WithAddress(std::int32_t ip, std::int32_t mask, std::int32_t gateway, std::int32_t dhcp,
                           std::int32_t rarp, std::int32_t port) {
    SettingsRecord record = SettingsRecord::Factory();
    const std::int32_t values[6] = {ip, mask, gateway, dhcp, rarp, port};
    std::memcpy(record.address, values, sizeof values);
    return record;
}

SettingsRecord Filled() {
    SettingsRecord record = SettingsRecord::Zero();
    std::memset(record.Bytes(), 0x5A, kRecordSize);
    return record;
}

void ExpectOnlyAddressWritten(const SettingsRecord& record) {
    for (std::size_t i = 0; i < 204; ++i) ASSERT_EQ(record.Bytes()[i], 0x5A) << "byte " << i;
}

std::string Dotted(HWND control) {
    DWORD address = 0;
    SendMessageW(control, IPM_GETADDRESS, 0, reinterpret_cast<LPARAM>(&address));
    return std::to_string(FIRST_IPADDRESS(address)) + "." + std::to_string(SECOND_IPADDRESS(address)) + "." +
           std::to_string(THIRD_IPADDRESS(address)) + "." + std::to_string(FOURTH_IPADDRESS(address));
}

class RecordingNotice : public PortRangeNotice {
public:
    void ShowOutOfRange(std::string_view message) override { messages.emplace_back(message); }
    std::vector<std::string> messages;
};

// --- Showing and taking back ------------------------------------------------------

TEST(FormIp, ShowsARecordAndTakesItBackUnchanged) {
    const SettingsRecord record = WithAddress(Element(10, 0, 0, 1), Element(255, 255, 255, 0),
                                              Element(192, 168, 0, 10), 1, 0, 2560);
    CForm_IP page;
    std::vector<std::string> shown;
    std::vector<bool> checked;
    SettingsRecord saved = Filled();
    RunOnPage(page, {[&](CForm_IP& p) { p.LoadFromRecord(record); },
                     [&](CForm_IP& p) {
                         shown = {Dotted(p.Item(1256)), Dotted(p.Item(1258)), Dotted(p.Item(1259)),
                                  ItemText(p.Window(), 1262)};
                         for (int id : {1264, 1019, 1265, 1020}) checked.push_back(p.IsChecked(id));
                         p.SaveToRecord(saved);
                     }});
    EXPECT_THAT(shown, ElementsAre("10.0.0.1", "255.255.255.0", "192.168.0.10", "2560"));
    EXPECT_THAT(checked, ElementsAre(false, true, true, false));
    EXPECT_EQ(0, std::memcmp(saved.address, record.address, sizeof record.address));
    ExpectOnlyAddressWritten(saved);
}

TEST(FormIp, ValueOutsideARadioGroupClearsItAndSavesMinusOne) {
    CForm_IP page;
    std::vector<bool> checked;
    SettingsRecord saved = Filled();
    RunOnPage(page, {[&](CForm_IP& p) { p.LoadFromRecord(WithAddress(0, 0, 0, 2, -1, 12000)); },
                     [&](CForm_IP& p) {
                         for (int id : {1264, 1019, 1265, 1020}) checked.push_back(p.IsChecked(id));
                         p.SaveToRecord(saved);
                     }});
    EXPECT_THAT(checked, ElementsAre(false, false, false, false));
    EXPECT_EQ(saved.address[3], -1);
    EXPECT_EQ(saved.address[4], -1);
}

TEST(FormIp, ClickedChoicesAreSavedAndTheAddressesStayEditable) {
    CForm_IP page;
    SettingsRecord saved = Filled();
    std::vector<bool> enabled;
    RunOnPage(page, {[&](CForm_IP& p) { p.LoadFromRecord(WithAddress(0, 0, 0, 1, 0, 12000)); },
                     [](CForm_IP& p) {
                         SendMessageW(p.Item(1264), BM_CLICK, 0, 0);  // "DHCP/BOOTP機能有効(&A)"
                         SendMessageW(p.Item(1020), BM_CLICK, 0, 0);  // "RARP機能無効(&D)"
                     },
                     [&](CForm_IP& p) {
                         for (int id : {1256, 1258, 1259, 1262}) enabled.push_back(p.IsEnabled(id));
                         p.SaveToRecord(saved);
                     }});
    EXPECT_EQ(saved.address[3], 0);
    EXPECT_EQ(saved.address[4], 1);
    EXPECT_THAT(enabled, ElementsAre(true, true, true, true));
}

TEST(FormIp, TypedAddressesAndBlankFieldsAreSaved) {
    CForm_IP page;
    SettingsRecord saved = Filled();
    RunOnPage(page, {[&](CForm_IP& p) { p.LoadFromRecord(WithAddress(Element(1, 2, 3, 4), -1, -1, 0, 0, 12000)); },
                     [](CForm_IP& p) {
                         SendMessageW(p.Item(1256), IPM_SETADDRESS, 0, MAKEIPADDRESS(192, 168, 0, 10));
                         SendMessageW(p.Item(1258), IPM_CLEARADDRESS, 0, 0);
                     },
                     [&](CForm_IP& p) { p.SaveToRecord(saved); }});
    EXPECT_EQ(saved.address[0], Element(192, 168, 0, 10));
    EXPECT_EQ(saved.address[1], 0);
    EXPECT_EQ(saved.address[2], -1);
}

// --- The port check ---------------------------------------------------------------

TEST(FormIp, PortCheckedOnlyWhenAsked) {
    struct Case {
        std::int32_t portCheck;
        const wchar_t* portText;
        std::int32_t stored;  // ADDRESS[5] afterwards; the loaded record held 12000
        std::int32_t portCheckAfter;
        int messages;
    };
    const Case cases[] = {
        {1, L"10000", 10000, 1, 0},
        {1, L"65525", 65525, 1, 0},
        {1, L"9999", 12000, 2, 1},
        {1, L"65526", 12000, 2, 1},
        {1, L"9100abc", 12000, 2, 1},
        {1, L"", 12000, 2, 1},
        {0, L"65526", 65526, 0, 0},
        {0, L"", 0, 0, 0},
        {0, L"9100abc", 9100, 0, 0},
    };
    for (const Case& c : cases) {
        CForm_IP page;
        RecordingNotice notice;
        page.SetPortRangeNotice(&notice);
        SettingsRecord saved = WithAddress(0, 0, 0, 0, 0, 12000);
        RunOnPage(page, {[&](CForm_IP& p) { p.LoadFromRecord(saved); },
                         [&](CForm_IP& p) {
                             p.SetText(1262, c.portText);
                             p.portCheck = c.portCheck;
                             p.SaveToRecord(saved);
                         }});
        const std::string label = std::to_string(c.portCheck) + " " + winui::Narrow(c.portText);
        EXPECT_EQ(saved.address[5], c.stored) << label;
        EXPECT_EQ(page.portCheck, c.portCheckAfter) << label;
        ASSERT_EQ(static_cast<int>(notice.messages.size()), c.messages) << label;
        if (c.messages == 1) {
            EXPECT_EQ(notice.messages[0], "ソケット通信ポート番号が範囲外です。\n設定範囲( 10000 ～ 65525 )");
        }
    }
}

// The message box as the user sees it, answered from a timer of the test.
struct SeenBox {
    std::wstring caption;
    std::wstring text;
    bool informationIcon = false;
    HWND owner = nullptr;
    bool answered = false;
};
SeenBox* seenBox = nullptr;

BOOL CALLBACK FindOurBox(HWND window, LPARAM found) {
    wchar_t className[16] = {};
    GetClassNameW(window, className, 16);
    if (std::wstring(className) != L"#32770" || !IsWindowVisible(window)) return TRUE;
    *reinterpret_cast<HWND*>(found) = window;
    return FALSE;
}

BOOL CALLBACK FindIcon(HWND child, LPARAM found) {
    wchar_t className[16] = {};
    GetClassNameW(child, className, 16);
    if (_wcsicmp(className, L"Static") != 0 || (GetWindowLongW(child, GWL_STYLE) & SS_TYPEMASK) != SS_ICON) {
        return TRUE;
    }
    *reinterpret_cast<HICON*>(found) = reinterpret_cast<HICON>(SendMessageW(child, STM_GETICON, 0, 0));
    return FALSE;
}

void CALLBACK AnswerBox(HWND, UINT, UINT_PTR timer, DWORD) {
    HWND box = nullptr;
    EnumThreadWindows(GetCurrentThreadId(), FindOurBox, reinterpret_cast<LPARAM>(&box));
    if (box == nullptr || seenBox == nullptr) return;
    KillTimer(nullptr, timer);
    wchar_t buffer[256] = {};
    GetWindowTextW(box, buffer, 256);
    seenBox->caption = buffer;
    GetDlgItemTextW(box, 0xFFFF, buffer, 256);  // the message text
    seenBox->text = buffer;
    // The box's icon static holds the system's information icon.
    HICON icon = nullptr;
    EnumChildWindows(box, FindIcon, reinterpret_cast<LPARAM>(&icon));
    seenBox->informationIcon = icon != nullptr && icon == LoadIconW(nullptr, IDI_INFORMATION);
    seenBox->owner = GetWindow(box, GW_OWNER);
    seenBox->answered = true;
    PostMessageW(box, WM_COMMAND, IDOK, 0);
}

TEST(FormIp, OutOfRangePortShowsTheMessageBoxAndSetsTwo) {
    CForm_IP page;
    SeenBox seen;
    seenBox = &seen;
    HWND topLevel = nullptr;
    SettingsRecord saved = WithAddress(0, 0, 0, 0, 0, 12000);
    RunOnPage(page, {[&](CForm_IP& p) { p.LoadFromRecord(saved); },
                     [&](CForm_IP& p) {
                         topLevel = GetAncestor(p.Window(), GA_ROOT);
                         p.SetText(1262, L"65526");
                         p.portCheck = 1;
                         const UINT_PTR timer = SetTimer(nullptr, 0, 50, AnswerBox);
                         p.SaveToRecord(saved);  // returns once the box is answered
                         KillTimer(nullptr, timer);
                     }});
    seenBox = nullptr;
    EXPECT_TRUE(seen.answered);
    EXPECT_EQ(seen.caption, L"ソルベナ");
    EXPECT_EQ(seen.text, L"ソケット通信ポート番号が範囲外です。\n設定範囲( 10000 ～ 65525 )");
    EXPECT_TRUE(seen.informationIcon);
    // The box belongs to the page's top-level window (a child cannot own).
    EXPECT_NE(topLevel, nullptr);
    EXPECT_EQ(seen.owner, topLevel);
    EXPECT_EQ(page.portCheck, 2);
    EXPECT_EQ(saved.address[5], 12000);
}

}  // namespace
}  // namespace tamsel::testing
