#include "panel/pages/fine_adjust_rules.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstring>
#include <limits>
#include <string>
#include <vector>

#include "panel/res/pages_set_ip_ids.h"

namespace tamsel {
namespace {

using ::testing::ElementsAre;
using ::testing::ElementsAreArray;

const FineAdjustRow& Row(int editId) {
    const FineAdjustRow* row = FineAdjustRowOfEdit(editId);
    EXPECT_NE(row, nullptr) << editId;
    return row != nullptr ? *row : FineAdjustControlRows()[0];
}

// --- The rows ----------------------------------------------------------------------

TEST(FineAdjustRows, EditSpinAndListOfEveryElement) {
    struct Expected {
        int edit, spin, list, lower, upper;
    };
    const Expected expected[] = {
        {1065, 1059, 0, -10, 10},  {1070, 1071, 0, -10, 10},  {1243, 1244, 1074, 0, 99}, {1062, 1056, 1075, 0, 99},
        {1063, 1057, 1076, 0, 99}, {1064, 1058, 1077, 0, 99}, {1066, 1060, 1078, 0, 99}, {1067, 1061, 1079, 0, 1057},
    };
    for (std::size_t i = 0; i < 8; ++i) {
        const FineAdjustRow& row = FineAdjustControlRows()[i];
        EXPECT_EQ(row.element, i);
        EXPECT_EQ(row.editId, expected[i].edit) << i;
        EXPECT_EQ(row.spinId, expected[i].spin) << i;
        EXPECT_EQ(row.listId, expected[i].list) << i;
        EXPECT_EQ(row.spinLower, expected[i].lower) << i;
        EXPECT_EQ(row.spinUpper, expected[i].upper) << i;
        EXPECT_EQ(FineAdjustRowOfSpin(row.spinId), &row);
    }
    EXPECT_EQ(FineAdjustRowOfEdit(1074), nullptr);
    EXPECT_EQ(FineAdjustRowOfSpin(1065), nullptr);
}

TEST(FineAdjustRows, DirectionListItemsInListOrder) {
    for (int edit : {1243, 1062, 1063, 1064, 1066}) {
        EXPECT_THAT(DirectionItems(Row(edit)), ElementsAre("後方", "前方")) << edit;
    }
    EXPECT_THAT(DirectionItems(Row(1067)), ElementsAre("右側", "左側"));
    EXPECT_THAT(DirectionItems(Row(1065)), ElementsAre("", ""));
    EXPECT_THAT(DirectionItems(Row(1070)), ElementsAre("", ""));
}

// --- Showing and taking back values -----------------------------------------------

TEST(FineAdjustShow, TextsDirectionsAndSpinPositions) {
    struct Case {
        int edit;
        std::int32_t value;
        const char* editText;
        const char* listText;
        std::uint16_t spin;
    };
    const Case cases[] = {
        {1243, 57, "5.7", "後方", 57},
        {1243, -57, "5.7", "前方", 57},
        {1243, 0, "0.0", "後方", 0},
        {1243, -1, "0.1", "前方", 1},
        {1243, 150, "15.0", "後方", 150},  // beyond the spin's range: shown as it is
        {1064, 99, "9.9", "後方", 99},
        {1067, -1057, "105.7", "左側", 1057},
        {1067, 1057, "105.7", "右側", 1057},
        {1067, 70000, "7000.0", "右側", 70000 - 65536},  // the spin takes the low 16 bits
        {1243, std::numeric_limits<std::int32_t>::min(), "214748364.8", "前方", 0},
        {1065, -3, "-3", "", 0xFFFD},
        {1070, 10, "10", "", 10},
        {1065, 0, "0", "", 0},
    };
    for (const Case& c : cases) {
        const ShownAdjust shown = ShowAdjust(Row(c.edit), c.value);
        EXPECT_EQ(shown.editText, c.editText) << c.edit << " " << c.value;
        EXPECT_EQ(shown.listText, c.listText) << c.edit << " " << c.value;
        EXPECT_EQ(shown.spinPosition, c.spin) << c.edit << " " << c.value;
    }
}

TEST(FineAdjustTake, NumbersDirectionsAndTruncation) {
    struct Case {
        int edit;
        const char* editText;
        const char* listText;
        std::int32_t expected;
    };
    const Case cases[] = {
        {1243, "5.7", "後方", 57},
        {1243, "5.7", "前方", -57},
        {1243, "0.0", "前方", 0},          // shows as "後方" next time
        {1243, "1.234", "後方", 12},       // truncated toward zero
        {1243, "1.234", "前方", -12},
        {1243, "5.7", "", -57},            // no direction chosen counts as the negative one
        {1243, "5.7", "後方 ", -57},       // only the exact text is the positive direction
        {1243, "abc", "後方", 0},
        {1243, "", "前方", 0},
        {1243, "9.9mm", "後方", 99},
        {1243, "9e99", "後方", std::numeric_limits<std::int32_t>::max()},  // saturated, not undefined
        {1243, "9e99", "前方", std::numeric_limits<std::int32_t>::min()},
        {1067, "105.7", "左側", -1057},
        {1067, "105.7", "後方", -1057},    // the X row's positive direction is "右側"
        {1067, "0.5", "右側", 5},
        {1065, "5.5", "", 5},
        {1065, "-10", "", -10},
        {1070, " +7", "", 7},
        {1070, "x", "", 0},
        {1065, "1.234", "後方", 1},        // density rows ignore any list text
    };
    for (const Case& c : cases) {
        EXPECT_EQ(TakeAdjust(Row(c.edit), c.editText, c.listText), c.expected)
            << c.edit << " \"" << c.editText << "\" \"" << c.listText << '"';
    }
}

TEST(FineAdjustTake, EveryValueInRangeComesBackUnchanged) {
    for (const FineAdjustRow& row : FineAdjustControlRows()) {
        const std::int32_t limit = row.IsDensity() ? 10 : 1057;
        for (std::int32_t value = -limit; value <= limit; ++value) {
            const ShownAdjust shown = ShowAdjust(row, value);
            // A shown 0 always takes the positive direction.
            ASSERT_EQ(TakeAdjust(row, shown.editText, shown.listText), value) << row.editId << " " << value;
        }
    }
    // Far beyond the ranges, too, as long as nobody edits the field.
    const FineAdjustRow& feed = Row(1243);
    for (std::int32_t value : {150, -150, 99999, 2147483647, -2147483647, std::numeric_limits<std::int32_t>::min()}) {
        const ShownAdjust shown = ShowAdjust(feed, value);
        EXPECT_EQ(TakeAdjust(feed, shown.editText, shown.listText), value) << value;
    }
}

TEST(FineAdjustBlock, ShowsAndTakesOnlyTheAdjustBlock) {
    SettingsRecord record = SettingsRecord::Factory();
    const std::int32_t values[8] = {-3, 10, 57, -57, 0, -1, 99, -1057};
    std::memcpy(record.adjust, values, sizeof values);

    const FineAdjustTexts texts = ShowAdjustBlock(record);
    EXPECT_THAT(texts.editTexts, ElementsAre("-3", "10", "5.7", "5.7", "0.0", "0.1", "9.9", "105.7"));
    EXPECT_THAT(texts.listTexts, ElementsAre("", "", "後方", "前方", "後方", "前方", "後方", "左側"));

    SettingsRecord taken = SettingsRecord::Zero();
    std::memset(taken.Bytes(), 0x5A, kRecordSize);
    TakeAdjustBlock(texts, taken);
    EXPECT_THAT(taken.adjust, ElementsAreArray(values));
    // Every byte outside the ADJUST block stays as it was.
    for (std::size_t i = 0; i < kRecordSize; ++i) {
        if (i >= 160 && i < 192) continue;
        ASSERT_EQ(taken.Bytes()[i], 0x5A) << "byte " << i;
    }
}

TEST(FineAdjustSpin, PositionTextsInTenths) {
    EXPECT_EQ(SpinPositionText(58), "5.8");
    EXPECT_EQ(SpinPositionText(0), "0.0");
    EXPECT_EQ(SpinPositionText(99), "9.9");
    EXPECT_EQ(SpinPositionText(1057), "105.7");
    EXPECT_EQ(SpinPositionText(-5), "-0.5");
    EXPECT_EQ(SpinPositionText(-32768), "-3276.8");
}

// --- Byte lengths --------------------------------------------------------------------

TEST(DoubleByteText, LengthsAsTheCodePageCountsThem) {
    EXPECT_EQ(DoubleByteLength(""), 0u);
    EXPECT_EQ(DoubleByteLength("1.234"), 5u);
    EXPECT_EQ(DoubleByteLength("１"), 2u);     // full-width digit
    EXPECT_EQ(DoubleByteLength("あ1"), 3u);
    EXPECT_EQ(DoubleByteLength("ｱｲ"), 2u);     // half-width katakana: one byte each
    EXPECT_EQ(DoubleByteLength("−1"), 3u);     // the minus sign U+2212 is not '-'
}

TEST(DoubleByteText, FirstBytesNeverSplitsACharacter) {
    EXPECT_EQ(FirstBytes("1234567890123", 9), "123456789");
    EXPECT_EQ(FirstBytes("12345678あ", 9), "12345678");
    EXPECT_EQ(FirstBytes("1234567あ", 9), "1234567あ");
    EXPECT_EQ(FirstBytes("ｱｲｳｴｵｶｷｸｹｺ", 9), "ｱｲｳｴｵｶｷｸｹ");
    EXPECT_EQ(FirstBytes("5.7", 9), "5.7");
}

// --- Range guard -------------------------------------------------------------------

// An edit field whose text change runs the guard again at once, as the
// field's change notification does, and which writes down what happens.
class FakeField : public GuardedField {
public:
    FakeField(const FineAdjustRow& row, std::string text, bool focus) : row(row), text(std::move(text)), focus(focus) {}

    std::string Text() const override { return text; }
    bool HasFocus() const override { return focus; }
    void Replace(const std::string& newText) override {
        events.push_back("set " + newText);
        text = newText;
        Changed();
    }
    void Changed() {
        events.push_back("guard " + text);
        RunRangeGuard(*this, row);
    }

    const FineAdjustRow& row;
    std::string text;
    bool focus;
    std::vector<std::string> events;
};

struct GuardCase {
    int edit;
    bool focus;
    const char* typed;
    const char* result;
};

TEST(RangeGuard, CorrectsTypedText) {
    const GuardCase cases[] = {
        // Typing with the focus in the field.
        {1243, true, "12", "9.9"},
        {1243, true, "-1", "0.0"},
        {1243, true, "0.05", "0.0"},
        {1243, true, "1.234", "1.234"},   // five bytes fit, the value is in range
        {1064, true, "1.234", "9.9"},     // five bytes are too long here although in range
        {1064, true, "9.99", "9.9"},
        {1243, true, "-0.05", "0.0"},
        {1243, true, "0.09", "0.0"},
        {1243, true, "9.9", "9.9"},
        {1243, true, "0", "0"},
        {1243, true, "-", "-"},
        {1243, true, "abc", "abc"},
        {1243, true, "あ", "あ"},
        {1243, true, "あああ", "9.9"},    // six bytes; no number counts as 0
        {1067, true, "105.8", "105.7"},
        {1067, true, "1057", "105.7"},
        {1067, true, "105.7", "105.7"},
        {1065, true, "-100", "-10"},
        {1065, true, "100", "10"},
        {1065, true, "5.5", "5.5"},
        {1065, true, "-5", "-5"},
        {1065, true, "11", "10"},
        {1070, true, "-11", "-10"},
        {1065, true, "0.05", "0.0"},      // too long, then too small
        // Without the focus only the length is checked.
        {1243, false, "12", "12"},
        {1243, false, "15.0", "15.0"},
        {1243, false, "-1", "-1"},
        {1243, false, "0.05", "0.05"},
        {1064, false, "1.234", "9.9"},
        {1064, false, "-1.23", "0.0"},
        {1243, false, "1234567890123", "9.9"},
        {1067, false, "1,057", "1,057"},  // what the spin control writes at 1057
        {1065, false, "-100", "-10"},
    };
    for (const GuardCase& c : cases) {
        FakeField field(Row(c.edit), c.typed, c.focus);
        field.Changed();
        EXPECT_EQ(field.text, c.result) << c.edit << (c.focus ? " focused " : " unfocused ") << '"' << c.typed << '"';
    }
}

TEST(RangeGuard, ReplacementRunsTheGuardAgainBeforeTheFirstRunGoesOn) {
    // Too long and negative: the minimum text is written and checked at once;
    // then the first run goes on with its own value (-1.23), still below the
    // minimum, and writes it once more.
    FakeField field(Row(1064), "-1.23", true);
    field.Changed();
    EXPECT_THAT(field.events, ElementsAre("guard -1.23", "set 0.0", "guard 0.0", "set 0.0", "guard 0.0"));

    // The same on a density field: "-100" is one byte too long, and -100
    // lies below -10.
    FakeField density(Row(1065), "-100", true);
    density.Changed();
    EXPECT_THAT(density.events, ElementsAre("guard -100", "set -10", "guard -10", "set -10", "guard -10"));

    // "100" fits in three bytes: only the value is corrected, once.
    FakeField high(Row(1065), "100", true);
    high.Changed();
    EXPECT_THAT(high.events, ElementsAre("guard 100", "set 10", "guard 10"));

    // Too long but in range: the nested run sees "9.9" in range, and the
    // first run, with 1.234 in range, writes nothing more.
    FakeField inRange(Row(1064), "1.234", true);
    inRange.Changed();
    EXPECT_THAT(inRange.events, ElementsAre("guard 1.234", "set 9.9", "guard 9.9"));
}

TEST(RangeGuard, TypingCharacterByCharacter) {
    // What a person sees after each key in edit 1243 with the focus there.
    struct Typing {
        std::vector<std::string> keys;
        std::vector<std::string> shown;
    };
    const Typing typings[] = {
        {{"1", "12"}, {"1", "9.9"}},
        {{"-", "-1"}, {"-", "0.0"}},
        {{"0", "0.", "0.0", "0.05"}, {"0", "0.", "0.0", "0.0"}},
        {{"1", "1.", "1.2", "1.23", "1.234"}, {"1", "1.", "1.2", "1.23", "1.234"}},
    };
    for (const Typing& typing : typings) {
        FakeField field(Row(1243), "", true);
        std::vector<std::string> shown;
        for (const std::string& key : typing.keys) {
            field.text = key;
            field.Changed();
            shown.push_back(field.text);
        }
        EXPECT_EQ(shown, typing.shown);
    }
}

}  // namespace
}  // namespace tamsel
