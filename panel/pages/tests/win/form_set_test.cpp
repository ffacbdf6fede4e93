// The fine-adjust page run for real under Wine, hosted in a small dialog:
// records shown and taken back, typing with the focus in a field, and the
// spin buttons.
#include "panel/pages/form_set.h"

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

using ::testing::ElementsAreArray;
using Step = PageHost<CForm_Set>::Step;

class CommonControls : public ::testing::Environment {
public:
    void SetUp() override { ASSERT_TRUE(winui::LoadCommonControls()); }
};
const auto* const commonControls = ::testing::AddGlobalTestEnvironment(new CommonControls);

const int kEdits[8] = {1065, 1070, 1243, 1062, 1063, 1064, 1066, 1067};
const int kLists[8] = {0, 0, 1074, 1075, 1076, 1077, 1078, 1079};

SettingsRecord WithAdjust(const std::int32_t (&values)[8]) {
    SettingsRecord record = SettingsRecord::Factory();
    std::memcpy(record.adjust, values, sizeof values);
    return record;
}

// A record whose every byte is 0x5A, to see what a save leaves alone.
SettingsRecord Filled() {
    SettingsRecord record = SettingsRecord::Zero();
    std::memset(record.Bytes(), 0x5A, kRecordSize);
    return record;
}

void ExpectOnlyAdjustWritten(const SettingsRecord& record) {
    for (std::size_t i = 0; i < kRecordSize; ++i) {
        if (i >= 160 && i < 192) continue;
        ASSERT_EQ(record.Bytes()[i], 0x5A) << "byte " << i;
    }
}

Step Load(const SettingsRecord& record) {
    return [record](CForm_Set& page) { page.LoadFromRecord(record); };
}

Step Focus(int id) {
    return [id](CForm_Set& page) { page.FocusItem(id); };
}

// Empties the field without the focus there, then puts the focus there, then
// types: what a person does after clicking into the field and clearing it.
std::vector<Step> TypeInto(int id, const std::string& keys) {
    return {
        [id](CForm_Set& page) { page.SetText(id, L""); },
        Focus(id),
        [id, keys](CForm_Set& page) { PostTyping(page.Item(id), keys); },
    };
}

std::vector<Step> Join(std::vector<std::vector<Step>> parts) {
    std::vector<Step> all;
    for (auto& part : parts) all.insert(all.end(), part.begin(), part.end());
    return all;
}

// --- Showing and taking back ------------------------------------------------------

TEST(FormSet, ShowsARecordAndTakesItBackUnchanged) {
    const std::int32_t values[8] = {-3, 10, 57, -57, 0, -1, 99, -1057};
    CForm_Set page;
    std::vector<std::string> edits, lists;
    SettingsRecord saved = Filled();
    RunOnPage(page, {
                        Load(WithAdjust(values)),
                        [&](CForm_Set& p) {
                            for (int i = 0; i < 8; ++i) {
                                edits.push_back(ItemText(p.Window(), kEdits[i]));
                                lists.push_back(kLists[i] ? ItemText(p.Window(), kLists[i]) : "");
                            }
                            p.SaveToRecord(saved);
                        },
                    });
    EXPECT_THAT(edits, ElementsAreArray({"-3", "10", "5.7", "5.7", "0.0", "0.1", "9.9", "105.7"}));
    EXPECT_THAT(lists, ElementsAreArray({"", "", "後方", "前方", "後方", "前方", "後方", "左側"}));
    EXPECT_THAT(saved.adjust, ElementsAreArray(values));
    ExpectOnlyAdjustWritten(saved);
}

TEST(FormSet, DirectionListsHoldTheirTwoItems) {
    CForm_Set page;
    std::vector<std::vector<std::string>> items;
    RunOnPage(page, {[&](CForm_Set& p) {
                  for (int id : {1074, 1075, 1076, 1077, 1078, 1079}) {
                      std::vector<std::string> list;
                      const auto count = SendDlgItemMessageW(p.Window(), id, CB_GETCOUNT, 0, 0);
                      for (int i = 0; i < count; ++i) {
                          wchar_t text[32] = {};
                          SendDlgItemMessageW(p.Window(), id, CB_GETLBTEXT, i, reinterpret_cast<LPARAM>(text));
                          list.push_back(winui::Narrow(text));
                      }
                      items.push_back(list);
                  }
              }});
    const std::vector<std::string> backward = {"後方", "前方"};
    const std::vector<std::string> side = {"右側", "左側"};
    EXPECT_THAT(items, ElementsAreArray({backward, backward, backward, backward, backward, side}));
}

TEST(FormSet, DirectionChosenByTheUserDecidesTheSign) {
    struct Case {
        int choice;  // list index chosen in 1074, -1 for none
        std::int32_t loaded;
        std::int32_t saved;
    };
    const Case cases[] = {
        {1, 57, -57},  // "前方"
        {0, -57, 57},  // "後方"
        {1, 0, 0},     // "前方" with 0.0 stays 0 (and shows as "後方" next time)
        {-1, 57, -57}, // nothing selected counts as the negative direction
    };
    for (const Case& c : cases) {
        CForm_Set page;
        SettingsRecord saved = Filled();
        std::string shownAgain;
        const std::int32_t values[8] = {0, 0, c.loaded, 0, 0, 0, 0, 0};
        RunOnPage(page, {
                            Load(WithAdjust(values)),
                            [&](CForm_Set& p) {
                                SendDlgItemMessageW(p.Window(), 1074, CB_SETCURSEL, static_cast<WPARAM>(c.choice), 0);
                                p.SaveToRecord(saved);
                                p.LoadFromRecord(saved);
                                shownAgain = ItemText(p.Window(), 1074);
                            },
                        });
        EXPECT_EQ(saved.adjust[2], c.saved) << c.choice << " " << c.loaded;
        EXPECT_EQ(shownAgain, c.saved >= 0 ? "後方" : "前方") << c.choice << " " << c.loaded;
    }
}

TEST(FormSet, ValueBeyondTheSpinRangeComesBackUnchangedWhenNotEdited) {
    // Each text fits its field; the focus is on a direction list, so the
    // range guard only checks lengths.
    const std::int32_t values[8] = {-50, 50, 150, -150, 1000, 150, -150, 9999};
    CForm_Set page;
    std::vector<std::string> shown;
    SettingsRecord saved = Filled();
    RunOnPage(page, {Focus(1074), Load(WithAdjust(values)), [&](CForm_Set& p) {
                         for (int id : kEdits) shown.push_back(ItemText(p.Window(), id));
                         p.SaveToRecord(saved);
                     }});
    EXPECT_THAT(shown, ElementsAreArray({"-50", "50", "15.0", "15.0", "100.0", "15.0", "15.0", "999.9"}));
    EXPECT_THAT(saved.adjust, ElementsAreArray(values));
}

TEST(FormSet, LoadedTextsTooLongOrTooHighForAFieldAreCorrected) {
    // Too long for its field: replaced whatever has the focus. Too high while
    // the field holds the focus: replaced as if typed.
    const std::int32_t values[8] = {-50, 50, 150, -150, 1000, -1000, 5000, 30000};
    CForm_Set page;
    std::vector<std::string> shown;
    SettingsRecord saved = Filled();
    RunOnPage(page, {Focus(1065), Load(WithAdjust(values)), [&](CForm_Set& p) {
                         for (int id : kEdits) shown.push_back(ItemText(p.Window(), id));
                         p.SaveToRecord(saved);
                     }});
    EXPECT_THAT(shown, ElementsAreArray({"-10", "50", "15.0", "15.0", "100.0", "9.9", "9.9", "105.7"}));
    EXPECT_THAT(saved.adjust, ElementsAreArray({-10, 50, 150, -150, 1000, -99, 99, 1057}));
}

TEST(FormSet, TextThatDoesNotStartWithANumberSavesAsZero) {
    const std::int32_t values[8] = {4, 4, 44, 44, 44, 44, 44, 44};
    CForm_Set page;
    SettingsRecord saved = Filled();
    RunOnPage(page, {Load(WithAdjust(values)), [&](CForm_Set& p) {
                         for (int id : kEdits) p.SetText(id, L"x");
                         p.SaveToRecord(saved);
                     }});
    EXPECT_THAT(saved.adjust, ElementsAreArray({0, 0, 0, 0, 0, 0, 0, 0}));
}

// --- Typing with the focus in a field ------------------------------------------------

TEST(FormSet, TypingIsCorrectedAtOnce) {
    struct Case {
        int edit;
        const char* keys;
        const char* shown;
        std::int32_t saved;  // with the loaded directions: "後方" / "右側"
    };
    const Case cases[] = {
        {1243, "12", "9.9", 99},
        {1243, "-1", "0.0", 0},
        {1243, "0.05", "0.0", 0},
        {1243, "1.234", "1.234", 12},  // five bytes fit here
        {1064, "1.234", "9.9", 99},    // but not here (four bytes)
        {1067, "105.8", "105.7", 1057},
        {1067, "2000", "105.7", 1057},
        {1065, "-100", "-10", -10},
        {1065, "100", "10", 10},
        {1065, "5.5", "5.5", 5},
        {1070, "-3", "-3", -3},
        {1070, "-11", "-10", -10},
    };
    for (const Case& c : cases) {
        CForm_Set page;
        std::string shown;
        SettingsRecord saved = Filled();
        RunOnPage(page, Join({{Load(SettingsRecord::Factory())},
                              TypeInto(c.edit, c.keys),
                              {[&](CForm_Set& p) {
                                  shown = ItemText(p.Window(), c.edit);
                                  p.SaveToRecord(saved);
                              }}}));
        EXPECT_EQ(shown, c.shown) << c.edit << " typed " << c.keys;
        const FineAdjustRow* row = FineAdjustRowOfEdit(c.edit);
        ASSERT_NE(row, nullptr);
        EXPECT_EQ(saved.adjust[row->element], c.saved) << c.edit << " typed " << c.keys;
    }
}

TEST(FormSet, TypedValueWithTheNegativeDirectionSavesNegative) {
    CForm_Set page;
    SettingsRecord saved = Filled();
    RunOnPage(page, Join({{Load(SettingsRecord::Factory())},
                          TypeInto(1243, "1.234"),
                          {[&](CForm_Set& p) {
                              SendDlgItemMessageW(p.Window(), 1074, CB_SETCURSEL, 1, 0);
                              p.SaveToRecord(saved);
                          }}}));
    EXPECT_EQ(saved.adjust[2], -12);
}

TEST(FormSet, WithoutTheFocusOnlyOverlongTextIsReplaced) {
    CForm_Set page;
    std::vector<std::string> shown;
    RunOnPage(page, {Load(SettingsRecord::Factory()), Focus(1065), [&](CForm_Set& p) {
                         p.SetText(1243, L"12");      // in range of length, out of range of value: kept
                         p.SetText(1064, L"1.234");   // five bytes where four fit
                         p.SetText(1062, L"-1.234");  // six bytes, negative
                         p.SetText(1063, L"ああ");    // four bytes of two characters: kept
                         p.SetText(1066, L"あああ");  // six bytes of three characters
                         for (int id : {1243, 1064, 1062, 1063, 1066}) shown.push_back(ItemText(p.Window(), id));
                     }});
    EXPECT_THAT(shown, ElementsAreArray({"12", "9.9", "0.0", "ああ", "9.9"}));
}

// --- Spin buttons ---------------------------------------------------------------------

TEST(FormSet, SpinArrowsWriteTenthsOrPlainSteps) {
    struct Case {
        int edit;
        int spin;
        std::int32_t loaded;  // into the row's element
        bool up;
        const char* shown;
        std::int32_t saved;
    };
    const Case cases[] = {
        {1243, 1244, 57, true, "5.8", 58},
        {1243, 1244, 57, false, "5.6", 56},
        {1243, 1244, -57, true, "5.8", -58},  // the direction stays "前方"
        {1243, 1244, 99, true, "9.9", 99},    // at the top of the range
        {1243, 1244, 0, false, "0.0", 0},
        {1067, 1061, 1001, false, "100.0", 1000},
        {1067, 1061, 999, true, "100.0", 1000},
        {1065, 1059, -2, false, "-3", -3},
        {1070, 1071, 9, true, "10", 10},
        {1070, 1071, 10, true, "10", 10},
    };
    for (const Case& c : cases) {
        const FineAdjustRow* row = FineAdjustRowOfEdit(c.edit);
        ASSERT_NE(row, nullptr);
        std::int32_t values[8] = {};
        values[row->element] = c.loaded;
        CForm_Set page;
        std::string shown;
        SettingsRecord saved = Filled();
        RunOnPage(page, {Load(WithAdjust(values)),
                         [&](CForm_Set& p) { PostSpinClick(p.Item(c.spin), c.up); },
                         [&](CForm_Set& p) {
                             shown = ItemText(p.Window(), c.edit);
                             p.SaveToRecord(saved);
                         }});
        EXPECT_EQ(shown, c.shown) << c.spin << " at " << c.loaded << (c.up ? " up" : " down");
        EXPECT_EQ(saved.adjust[row->element], c.saved) << c.spin << " at " << c.loaded << (c.up ? " up" : " down");
    }
}

TEST(FormSet, ArrowKeyInTheFocusedFieldStepsTheSpin) {
    CForm_Set page;
    std::string shown;
    const std::int32_t values[8] = {0, 0, 57, 0, 0, 0, 0, 0};
    RunOnPage(page, {Load(WithAdjust(values)), Focus(1243),
                     [](CForm_Set& p) {
                         PostMessageW(p.Item(1243), WM_KEYDOWN, VK_UP, 1);
                         PostMessageW(p.Item(1243), WM_KEYUP, VK_UP, 0xC0000001);
                     },
                     [&](CForm_Set& p) { shown = ItemText(p.Window(), 1243); }});
    EXPECT_EQ(shown, "5.8");
}

}  // namespace
}  // namespace tamsel::testing
