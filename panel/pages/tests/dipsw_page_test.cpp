// The DIP switch page hosted in a test dialog: the seven lines and the levers
// actually drawn, after a load and after a load while the page was hidden.
#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <string>

#include "page_host.h"
#include "panel/pages/cform_dipsw.h"
#include "panel/pages/page_rules.h"
#include "panel/res/pages_param_ids.h"

namespace tamsel::testing {
namespace {

using winui::testing::ScriptedDialog;

const std::wstring kAllOffLines =
    L"DIPSW   1 - 2 : １頁目用紙頭出し機能有効\r\n"
    L"DIPSW   3 - 4 : 連続印刷モード \r\n"
    L"DIPSW   5      : 感熱式印刷 \r\n"
    L"DIPSW   6 - 7 : センサー無視 \r\n"
    L"DIPSW   8      : プリンタドライバ設定有効 \r\n"
    L"DIPSW   9      : ソルベナ設定有効 \r\n"
    L"DIPSW  10      : オプションボード接続時オプション接続有効 \r\n";

// Switch 1 on, 2 off, 3 and 5 unknown, 4 on, 6 off, 7 on, 8 off, 9 and 10 on.
const std::array<std::int32_t, 10> kMixedStates = {1, 0, 2, 1, 3, 0, 1, 0, 1, 1};
const std::wstring kMixedLines =
    L"DIPSW   1 - 2 : 未使用\r\n"
    L"DIPSW   3 - 4 : 不明 \r\n"
    L"DIPSW   5      : 不明 \r\n"
    L"DIPSW   6 - 7 : 透過センサー \r\n"
    L"DIPSW   8      : プリンタドライバ設定有効 \r\n"
    L"DIPSW   9      : 操作盤ボリューム設定有効 \r\n"
    L"DIPSW  10      : 本体USB接続有効 \r\n";

SettingsRecord RecordWith(const std::array<std::int32_t, 10>& states) {
    SettingsRecord record = PatternRecord();
    for (std::size_t i = 0; i < states.size(); ++i) record.param[i] = states[i];
    return record;
}

// Lets every pending paint of the host and its children happen.
void PaintNow(HWND host) { RedrawWindow(host, nullptr, nullptr, RDW_UPDATENOW | RDW_ALLCHILDREN); }

enum class Seen { Up, Down, Empty, Other };

// What slot n of the picture shows: the knob's red in its upper or lower half,
// or white in both. The points lie between the knob's grip lines.
Seen SlotAt(HWND picture, int n) {
    HDC dc = GetDC(picture);
    const int x = LeverLeft(n) + 12;
    const COLORREF upper = GetPixel(dc, x, kLeverTop + 14);
    const COLORREF lower = GetPixel(dc, x, kLeverTop + 40);
    ReleaseDC(picture, dc);
    const COLORREF red = RGB(255, 0, 0);
    const COLORREF white = RGB(255, 255, 255);
    if (upper == red && lower == white) return Seen::Up;
    if (upper == white && lower == red) return Seen::Down;
    if (upper == white && lower == white) return Seen::Empty;
    return Seen::Other;
}

std::array<Seen, 10> Slots(HWND picture) {
    std::array<Seen, 10> seen;
    for (int n = 1; n <= 10; ++n) seen[static_cast<std::size_t>(n - 1)] = SlotAt(picture, n);
    return seen;
}

std::array<Seen, 10> Expected(const std::array<std::int32_t, 10>& states) {
    std::array<Seen, 10> seen;
    for (std::size_t i = 0; i < states.size(); ++i) {
        seen[i] = states[i] == 0 ? Seen::Down : states[i] == 1 ? Seen::Up : Seen::Empty;
    }
    return seen;
}

TEST(DipSwitchPage, BeforeAnyLoadEveryLeverIsDown) {
    CForm_DIPSW page;
    std::wstring lines;
    std::array<Seen, 10> slots = {};
    PageHost host(page, CForm_DIPSW::kTemplateId, {[&](ScriptedDialog& d) {
                      PaintNow(d.Window());
                      lines = page.Text(IDC_DIPSW_TEXT);
                      slots = Slots(page.Item(IDC_DIPSW_PICTURE));
                      d.End(1);
                  }});
    ASSERT_EQ(host.Run(nullptr), 1);
    EXPECT_EQ(lines, kAllOffLines);
    EXPECT_EQ(slots, Expected({}));
}

TEST(DipSwitchPage, LoadShowsTheLinesAndLeversAtOnce) {
    const struct {
        const char* name;
        std::array<std::int32_t, 10> states;
        std::wstring lines;
    } cases[] = {{"all off", {}, kAllOffLines}, {"mixed", kMixedStates, kMixedLines}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        CForm_DIPSW page;
        std::wstring lines;
        std::array<Seen, 10> slots = {};
        PageHost host(page, CForm_DIPSW::kTemplateId, {[&](ScriptedDialog& d) {
                          PaintNow(d.Window());
                          // Something else shown first, so that the load has to change it.
                          page.LoadFromRecord(RecordWith({1, 1, 1, 1, 1, 1, 1, 1, 1, 1}));
                          page.LoadFromRecord(RecordWith(c.states));
                          // The load painted the page itself; the children's
                          // own paints must not undo the picture.
                          lines = page.Text(IDC_DIPSW_TEXT);
                          PaintNow(d.Window());
                          slots = Slots(page.Item(IDC_DIPSW_PICTURE));
                          d.End(1);
                      }});
        ASSERT_EQ(host.Run(nullptr), 1);
        EXPECT_EQ(lines, c.lines);
        EXPECT_EQ(slots, Expected(c.states));
    }
}

TEST(DipSwitchPage, LoadWhileHiddenShowsOnTheNextPaint) {
    CForm_DIPSW page;
    std::wstring linesWhileHidden;
    std::wstring linesShown;
    std::array<Seen, 10> slots = {};
    PageHost host(page, CForm_DIPSW::kTemplateId, {[&](ScriptedDialog& d) {
                      PaintNow(d.Window());
                      page.Show(false);
                      page.LoadFromRecord(RecordWith(kMixedStates));
                      linesWhileHidden = page.Text(IDC_DIPSW_TEXT);
                      page.Show(true);
                      PaintNow(d.Window());
                      linesShown = page.Text(IDC_DIPSW_TEXT);
                      slots = Slots(page.Item(IDC_DIPSW_PICTURE));
                      d.End(1);
                  }});
    ASSERT_EQ(host.Run(nullptr), 1);
    EXPECT_EQ(linesWhileHidden, kAllOffLines);
    EXPECT_EQ(linesShown, kMixedLines);
    EXPECT_EQ(slots, Expected(kMixedStates));
}

TEST(DipSwitchPage, KeepsAllThirtyOneValuesAndWritesNothing) {
    CForm_DIPSW page;
    SettingsRecord saved = PatternRecord();
    PageHost host(page, CForm_DIPSW::kTemplateId, {[&](ScriptedDialog& d) {
                      SettingsRecord record = RecordWith(kMixedStates);
                      record.param[30] = 4711;
                      page.LoadFromRecord(record);
                      page.SaveToRecord(saved);
                      d.End(1);
                  }});
    ASSERT_EQ(host.Run(nullptr), 1);
    EXPECT_EQ(page.SwitchStates()[2], 2);
    EXPECT_EQ(page.SwitchStates()[30], 4711);
    EXPECT_TRUE(SameImage(saved, PatternRecord()));
}

}  // namespace
}  // namespace tamsel::testing
