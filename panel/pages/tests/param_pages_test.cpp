// The two parameter pages hosted in a test dialog: the numbering of every
// group, values outside a group, the hidden cutter group, clicks, and the
// enabling rule of the return-time group.
#include <gtest/gtest.h>

#include <climits>
#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

#include "page_host.h"
#include "page_layouts.h"
#include "panel/pages/cform_param.h"
#include "panel/pages/cform_param2.h"
#include "panel/res/pages_param_ids.h"
#include "winui/dialog.h"

namespace tamsel::testing {
namespace {

using winui::testing::ScriptedDialog;

class CommonControls : public ::testing::Environment {
public:
    void SetUp() override { ASSERT_TRUE(winui::LoadCommonControls()); }
};
const auto* const commonControls = ::testing::AddGlobalTestEnvironment(new CommonControls);

// Runs `body` once inside a host dialog showing `page`.
void WithPage(SettingsPage& page, int templateId, const std::function<void()>& body) {
    PageHost host(page, templateId, {[&](ScriptedDialog& d) {
                      body();
                      d.End(1);
                  }});
    ASSERT_EQ(host.Run(nullptr), 1);
    ASSERT_TRUE(host.pageCreated);
}

struct PageCase {
    const char* name;
    std::function<std::unique_ptr<SettingsPage>()> make;
    int templateId;
    const std::vector<GroupLayout>& groups;
};

std::vector<PageCase> ParameterPages() {
    return {{"CForm_Param", [] { return std::make_unique<CForm_Param>(); }, CForm_Param::kTemplateId, ParamGroups()},
            {"CForm_Param2", [] { return std::make_unique<CForm_Param2>(); }, CForm_Param2::kTemplateId,
             Param2Groups()}};
}

std::vector<bool> CheckedButtons(const SettingsPage& page, const GroupLayout& group) {
    std::vector<bool> checked;
    for (const ButtonLayout& button : group.buttons) checked.push_back(page.IsChecked(button.id));
    return checked;
}

TEST(ParameterPages, EveryGroupNumbersItsButtonsInTemplateOrder) {
    for (const PageCase& pageCase : ParameterPages()) {
        SCOPED_TRACE(pageCase.name);
        auto page = pageCase.make();
        WithPage(*page, pageCase.templateId, [&] {
            for (const GroupLayout& group : pageCase.groups) {
                for (std::size_t value = 0; value < group.buttons.size(); ++value) {
                    SCOPED_TRACE(::testing::Message() << "PARAM[" << group.element << "] = " << value);
                    SettingsRecord record = PatternRecord();
                    record.param[group.element] = static_cast<std::int32_t>(value);
                    page->LoadFromRecord(record);
                    std::vector<bool> expected(group.buttons.size(), false);
                    expected[value] = true;
                    EXPECT_EQ(CheckedButtons(*page, group), expected);
                    SettingsRecord saved = PatternRecord();
                    page->SaveToRecord(saved);
                    EXPECT_EQ(saved.param[group.element], static_cast<std::int32_t>(value));
                }
            }
        });
    }
}

TEST(ParameterPages, ValueOutsideAGroupClearsItAndSavesMinusOne) {
    for (const PageCase& pageCase : ParameterPages()) {
        SCOPED_TRACE(pageCase.name);
        auto page = pageCase.make();
        WithPage(*page, pageCase.templateId, [&] {
            for (const GroupLayout& group : pageCase.groups) {
                const std::int32_t outside[] = {-1, static_cast<std::int32_t>(group.buttons.size()), 100, INT32_MIN};
                for (std::int32_t value : outside) {
                    SCOPED_TRACE(::testing::Message() << "PARAM[" << group.element << "] = " << value);
                    // A button chosen before, which the load must clear.
                    SettingsRecord record = PatternRecord();
                    record.param[group.element] = 0;
                    page->LoadFromRecord(record);
                    record.param[group.element] = value;
                    page->LoadFromRecord(record);
                    EXPECT_EQ(CheckedButtons(*page, group), std::vector<bool>(group.buttons.size(), false));
                    SettingsRecord saved = PatternRecord();
                    page->SaveToRecord(saved);
                    EXPECT_EQ(saved.param[group.element], -1);
                }
            }
        });
    }
}

TEST(ParameterPages, SaveWritesOnlyThePagesOwnElements) {
    for (const PageCase& pageCase : ParameterPages()) {
        SCOPED_TRACE(pageCase.name);
        auto page = pageCase.make();
        SettingsRecord loaded = SettingsRecord::Zero();
        for (const GroupLayout& group : pageCase.groups) {
            loaded.param[group.element] = static_cast<std::int32_t>(group.buttons.size() - 1);
        }
        SettingsRecord saved = PatternRecord();
        WithPage(*page, pageCase.templateId, [&] {
            page->LoadFromRecord(loaded);
            page->SaveToRecord(saved);
        });
        SettingsRecord expected = PatternRecord();
        for (const GroupLayout& group : pageCase.groups) expected.param[group.element] = loaded.param[group.element];
        EXPECT_TRUE(SameImage(saved, expected));
    }
}

TEST(ParameterPages, ConstructedWithNothingChosen) {
    CForm_Param param;
    EXPECT_EQ((std::vector<std::int32_t>{param.backFeedSpeed, param.errorBuzzer, param.powerOnBreakError,
                                         param.mirrorPrint, param.printDirection, param.stopPositionAfterClose,
                                         param.thinPaperMode, param.autoTopOfForm, param.paperCheckOnClose,
                                         param.cutterMode, param.usbSerialNumber}),
              std::vector<std::int32_t>(11, -1));
    CForm_Param2 param2;
    EXPECT_EQ((std::vector<std::int32_t>{param2.autoCutFeed, param2.blackMarkTopControl, param2.ackWidth,
                                         param2.feedSwitchPrint, param2.inputPrime, param2.startupState,
                                         param2.zeroSlash, param2.statusAutoSend, param2.autoCutReturnTime,
                                         param2.pageControl}),
              std::vector<std::int32_t>(10, -1));
}

TEST(ParameterPages, ClicksStoreThePositionInTheTemplateNotOnScreen) {
    struct ClickCase {
        bool secondPage;
        int id;
        std::size_t element;
        std::int32_t stored;
    };
    const ClickCase cases[] = {
        {false, IDC_PARAM_BACKFEED_2IPS, 25, 1},    {false, IDC_PARAM_BACKFEED_3IPS, 25, 2},
        {false, IDC_PARAM_BACKFEED_4IPS, 25, 3},    {false, IDC_PARAM_BACKFEED_6IPS, 25, 0},
        {false, IDC_PARAM_THIN_PAPER_ON, 16, 1},    {false, IDC_PARAM_THIN_PAPER_OFF, 16, 0},
        {true, IDC_PARAM2_AUTO_CUT_FEED_OFF, 21, 1}, {true, IDC_PARAM2_AUTO_CUT_FEED_ON, 21, 0},
        {true, IDC_PARAM2_RETURN_15S, 15, 2},       {true, IDC_PARAM2_STATUS_COMMAND, 24, 2},
    };
    CForm_Param param;
    CForm_Param2 param2;
    WithPage(param, CForm_Param::kTemplateId, [&] {
        for (const ClickCase& c : cases) {
            if (c.secondPage) continue;
            SCOPED_TRACE(c.id);
            SendMessageW(param.Item(c.id), BM_CLICK, 0, 0);
            SettingsRecord saved = PatternRecord();
            param.SaveToRecord(saved);
            EXPECT_EQ(saved.param[c.element], c.stored);
        }
    });
    WithPage(param2, CForm_Param2::kTemplateId, [&] {
        param2.LoadFromRecord(SettingsRecord::Zero());  // feed on: the return times can be clicked
        for (const ClickCase& c : cases) {
            if (!c.secondPage) continue;
            SCOPED_TRACE(c.id);
            SendMessageW(param2.Item(c.id), BM_CLICK, 0, 0);
            SettingsRecord saved = PatternRecord();
            param2.SaveToRecord(saved);
            EXPECT_EQ(saved.param[c.element], c.stored);
        }
    });
}

TEST(ParameterPages, OnlyTheSecondPageFollowsItsControlsAtEveryCommand) {
    CForm_Param param;
    WithPage(param, CForm_Param::kTemplateId, [&] {
        param.LoadFromRecord(SettingsRecord::Zero());
        SendMessageW(param.Item(IDC_PARAM_BACKFEED_4IPS), BM_CLICK, 0, 0);
        EXPECT_EQ(param.backFeedSpeed, 0);  // until SaveToRecord
        SettingsRecord saved = SettingsRecord::Zero();
        param.SaveToRecord(saved);
        EXPECT_EQ(param.backFeedSpeed, 3);
    });
    CForm_Param2 param2;
    WithPage(param2, CForm_Param2::kTemplateId, [&] {
        param2.LoadFromRecord(SettingsRecord::Zero());
        SendMessageW(param2.Item(IDC_PARAM2_ZERO_SLASH_ON), BM_CLICK, 0, 0);
        EXPECT_EQ(param2.zeroSlash, 1);
    });
}

TEST(CutterGroup, HiddenButItsValuePassesThrough) {
    const struct {
        std::int32_t loaded;
        std::int32_t saved;
    } cases[] = {{0, 0}, {1, 1}, {2, -1}, {-1, -1}};
    CForm_Param param;
    WithPage(param, CForm_Param::kTemplateId, [&] {
        EXPECT_TRUE(IsWindowVisible(param.Window()));
        for (int id : {IDC_PARAM_CUTTER_FULL, IDC_PARAM_CUTTER_PARTIAL}) {
            EXPECT_FALSE(IsWindowVisible(param.Item(id))) << id;
        }
        EXPECT_FALSE(IsWindowVisible(GetWindow(param.Item(IDC_PARAM_CUTTER_FULL), GW_HWNDPREV)));  // its box
        for (const auto& c : cases) {
            SCOPED_TRACE(c.loaded);
            SettingsRecord record = SettingsRecord::Zero();
            record.param[13] = c.loaded;
            param.LoadFromRecord(record);
            SettingsRecord saved = PatternRecord();
            param.SaveToRecord(saved);
            EXPECT_EQ(saved.param[13], c.saved);
        }
    });
}

constexpr int kReturnTimeIds[] = {IDC_PARAM2_RETURN_UNLIMITED, IDC_PARAM2_RETURN_8S, IDC_PARAM2_RETURN_15S};

std::vector<bool> ReturnTimesEnabled(const CForm_Param2& page) {
    std::vector<bool> enabled;
    for (int id : kReturnTimeIds) enabled.push_back(page.IsEnabled(id));
    return enabled;
}

TEST(ReturnTimeGroup, LoadingAppliesTheRuleAndKeepsTheChosenTime) {
    const struct {
        std::int32_t autoCutFeed;
        bool enabled;
    } cases[] = {{0, true}, {1, false}, {-1, false}, {2, false}, {0, true}};
    CForm_Param2 page;
    WithPage(page, CForm_Param2::kTemplateId, [&] {
        HWND box = GetWindow(page.Item(IDC_PARAM2_RETURN_UNLIMITED), GW_HWNDPREV);
        for (const auto& c : cases) {
            SCOPED_TRACE(c.autoCutFeed);
            SettingsRecord record = SettingsRecord::Zero();
            record.param[21] = c.autoCutFeed;
            record.param[15] = 2;  // 15秒
            page.LoadFromRecord(record);
            EXPECT_EQ(ReturnTimesEnabled(page), std::vector<bool>(3, c.enabled));
            EXPECT_TRUE(IsWindowEnabled(box));
            EXPECT_TRUE(page.IsChecked(IDC_PARAM2_RETURN_15S));
            SettingsRecord saved = PatternRecord();
            page.SaveToRecord(saved);
            EXPECT_EQ(saved.param[15], 2);
        }
    });
}

TEST(ReturnTimeGroup, ClickingTheFeedButtonsSwitchesAllThreeAtOnce) {
    CForm_Param2 page;
    WithPage(page, CForm_Param2::kTemplateId, [&] {
        SettingsRecord record = SettingsRecord::Zero();
        record.param[21] = 1;
        record.param[15] = 1;
        page.LoadFromRecord(record);
        ASSERT_EQ(ReturnTimesEnabled(page), std::vector<bool>(3, false));

        SendMessageW(page.Item(IDC_PARAM2_AUTO_CUT_FEED_ON), BM_CLICK, 0, 0);
        EXPECT_EQ(page.autoCutFeed, 0);
        EXPECT_EQ(ReturnTimesEnabled(page), std::vector<bool>(3, true));

        SendMessageW(page.Item(IDC_PARAM2_AUTO_CUT_FEED_OFF), BM_CLICK, 0, 0);
        EXPECT_EQ(page.autoCutFeed, 1);
        EXPECT_EQ(ReturnTimesEnabled(page), std::vector<bool>(3, false));
        // The disabled group keeps its choice.
        EXPECT_TRUE(page.IsChecked(IDC_PARAM2_RETURN_8S));
        SettingsRecord saved = PatternRecord();
        page.SaveToRecord(saved);
        EXPECT_EQ(saved.param[15], 1);
    });
}

TEST(ReturnTimeGroup, OtherClicksLeaveTheRuleAlone) {
    CForm_Param2 page;
    WithPage(page, CForm_Param2::kTemplateId, [&] {
        SettingsRecord record = SettingsRecord::Zero();
        record.param[21] = 1;
        page.LoadFromRecord(record);
        // Enabled by hand: only a click of 1302 or 1310 applies the rule again.
        for (int id : kReturnTimeIds) page.Enable(id, true);
        SendMessageW(page.Item(IDC_PARAM2_ZERO_SLASH_ON), BM_CLICK, 0, 0);
        EXPECT_EQ(ReturnTimesEnabled(page), std::vector<bool>(3, true));
        SendMessageW(page.Item(IDC_PARAM2_AUTO_CUT_FEED_OFF), BM_CLICK, 0, 0);
        EXPECT_EQ(ReturnTimesEnabled(page), std::vector<bool>(3, false));
    });
}

}  // namespace
}  // namespace tamsel::testing
