#include "panel/menu/menu_rules.h"

#include <gtest/gtest.h>

#include <set>
#include <string>
#include <utility>
#include <vector>

namespace tamsel::menu {
namespace {

// --- Measuring -----------------------------------------------------------------

TEST(MenuMeasure, SeparatorIsHalfTheMenuBarHighAndHasNoWidth) {
    const std::pair<int, int> cases[] = {{19, 9}, {20, 10}, {27, 13}, {0, 0}};
    for (const auto& [bar, height] : cases) {
        EXPECT_EQ(MeasureSeparator(bar), (Size{0, height})) << "menu bar " << bar;
    }
}

TEST(MenuMeasure, ItemLeavesRoomForTwoIconColumnsAndIsAtLeastNineteenHigh) {
    struct Case {
        int textWidth;
        int bar;
        Size expected;
    };
    const Case cases[] = {
        {100, 18, {133, 19}},  // menu bar lower than the icon box: the box decides
        {100, 19, {133, 19}},
        {100, 27, {133, 27}},  // larger system font (144 DPI): the menu bar decides
        {0, 0, {33, 19}},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(MeasureItem(c.textWidth, c.bar), c.expected) << c.textWidth << " " << c.bar;
    }
}

// --- Geometry ------------------------------------------------------------------

TEST(MenuGeometry, IconColumnRectanglesFollowTheItemAndItsHeight) {
    struct Case {
        Rect item;
        int dy;
        Rect frame, box, check;
        Point origin;
    };
    const Case cases[] = {
        // 19 high: the box fills the item.
        {{0, 0, 200, 19}, 0, {1, 1, 19, 18}, {0, 0, 20, 19}, {1, 2, 17, 17}, {2, 2}},
        // 27 high at an offset: centred, (27 - 4 - 15) / 2 = 4.
        {{10, 30, 210, 57}, 4, {11, 35, 29, 52}, {10, 34, 30, 53}, {11, 36, 27, 51}, {12, 36}},
        // 28 high: (28 - 19) / 2 = 4.5 truncates to 4.
        {{0, 0, 100, 28}, 4, {1, 5, 19, 22}, {0, 4, 20, 23}, {1, 6, 17, 21}, {2, 6}},
        // Lower than the box: no negative offset.
        {{0, 0, 100, 12}, 0, {1, 1, 19, 18}, {0, 0, 20, 19}, {1, 2, 17, 17}, {2, 2}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << "item " << c.item.left << "," << c.item.top << " - " << c.item.right
                                        << "," << c.item.bottom);
        EXPECT_EQ(IconOffset(c.item), c.dy);
        EXPECT_EQ(IconFrameRect(c.item), c.frame);
        EXPECT_EQ(IconBoxRect(c.item), c.box);
        EXPECT_EQ(CheckRect(c.item), c.check);
        EXPECT_EQ(IconOrigin(c.item), c.origin);
    }
}

TEST(MenuGeometry, HighlightLeavesTheIconColumnOnlyForIconsAndCheckMarks) {
    const Rect item{4, 8, 150, 27};
    struct Case {
        bool hasIcon;
        bool checked;
        Rect expected;
    };
    const Case cases[] = {
        {true, false, {25, 8, 150, 27}},
        {false, true, {25, 8, 150, 27}},
        {true, true, {25, 8, 150, 27}},
        {false, false, item},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(HighlightRect(item, c.hasIcon, c.checked), c.expected) << c.hasIcon << c.checked;
    }
}

TEST(MenuGeometry, TextStartsTwentyFivePixelsInAndAcceleratorsEndOneIconWidthBeforeTheEdge) {
    const Rect item{10, 20, 200, 39};
    EXPECT_EQ(TextRect(item, false), (Rect{35, 19, 200, 38}));
    EXPECT_EQ(TextRect(item, true), (Rect{35, 19, 184, 38}));
}

TEST(MenuGeometry, SeparatorLineIsInTheMiddle) {
    EXPECT_EQ(SeparatorLineTop({0, 0, 100, 9}), 4);
    EXPECT_EQ(SeparatorLineTop({0, 40, 100, 50}), 45);
}

TEST(MenuGeometry, CheckMarkPixelPattern) {
    // The check field at (1, 2); its mark, row by row from the field's top.
    const Rect field{1, 2, 17, 17};
    const char* const picture[] = {
        "................",  //
        "................",  //
        "................",  //
        "................",  //
        "..........#.....",  //
        ".........##.....",  //
        "....#...###.....",  //
        "....##.###......",  //
        "....#####.......",  //
        ".....###........",  //
        "......#.........",  //
        "................",  //
    };
    std::set<std::pair<int, int>> expected;
    for (int row = 0; row < 12; ++row) {
        for (int col = 0; col < 16; ++col) {
            if (picture[row][col] == '#') expected.insert({field.left + col, field.top + row});
        }
    }
    std::set<std::pair<int, int>> drawn;
    for (const auto& p : CheckMarkPixels(field)) {
        EXPECT_TRUE(drawn.insert({p.x, p.y}).second) << "pixel twice: " << p.x << "," << p.y;
    }
    EXPECT_EQ(drawn, expected);
    EXPECT_EQ(RadioDotRect(field), (Rect{6, 6, 12, 12}));
}

TEST(MenuGeometry, LooksFollowTheItemStates) {
    struct Case {
        bool selected, grayed, checked;
        IconLook icon;
        TextLook text;
    };
    const Case cases[] = {
        {false, false, false, IconLook::Plain, TextLook::Normal},
        {false, false, true, IconLook::PlainChecked, TextLook::Normal},
        {true, false, false, IconLook::Raised, TextLook::Highlighted},
        {true, false, true, IconLook::HotChecked, TextLook::Highlighted},
        {false, true, false, IconLook::Embossed, TextLook::Engraved},
        {false, true, true, IconLook::Embossed, TextLook::Engraved},
        {true, true, false, IconLook::Embossed, TextLook::MenuColour},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.selected << c.grayed << c.checked);
        EXPECT_EQ(DecideIconLook(c.selected, c.grayed, c.checked), c.icon);
        EXPECT_EQ(DecideTextLook(c.selected, c.grayed), c.text);
    }
}

TEST(MenuText, SplitTakesTheTextBeforeTheFirstAndAfterTheLastTab) {
    struct Case {
        std::u16string text, left, right;
        bool hasTab;
    };
    const Case cases[] = {
        {u"終了(&X)\tAlt+F4", u"終了(&X)", u"Alt+F4", true},
        {u"バージョン情報(&A)...", u"バージョン情報(&A)...", u"", false},
        {u"a\tb\tc", u"a", u"c", true},
        {u"\tF1", u"", u"F1", true},
        {u"a\t", u"a", u"", true},
        {u"", u"", u"", false},
    };
    for (const auto& c : cases) {
        const TextParts parts = SplitItemText(c.text);
        EXPECT_EQ(parts.left, c.left);
        EXPECT_EQ(parts.right, c.right);
        EXPECT_EQ(parts.hasTab, c.hasTab);
    }
}

// --- Accelerator column ----------------------------------------------------------

// A font in which a blank is 3 pixels and everything else 10.
int FakeWidth(std::u16string_view text) {
    int width = 0;
    for (const char16_t c : text) width += c == u' ' ? 3 : 10;
    return width;
}

TEST(MenuAccelerators, LeftPartsArePaddedToTheWidestPlusOneBlank) {
    std::vector<std::u16string> texts = {u"Open\tCtrl+O", u"LongerName", u"Save as\tCtrl+S", u"", u"A\tB\tC"};
    AlignAccelerators(texts, FakeWidth);
    // Widest left part plus a blank: "LongerName " = 103. "Open" (40) needs
    // 21 blanks to reach 103; "Save as" (63) needs 14 (13 give only 102).
    EXPECT_EQ(texts[0], u"Open" + std::u16string(21, u' ') + u"\tCtrl+O");
    EXPECT_EQ(texts[1], u"LongerName");  // no tab: unchanged
    EXPECT_EQ(texts[2], u"Save as" + std::u16string(14, u' ') + u"\tCtrl+S");
    EXPECT_EQ(texts[3], u"");
    EXPECT_EQ(texts[4], u"A" + std::u16string(31, u' ') + u"\tB\tC");
    for (const auto& text : {texts[0], texts[2], texts[4]}) {
        EXPECT_GE(FakeWidth(text.substr(0, text.find(u'\t'))), 103);
    }
}

TEST(MenuAccelerators, WidestTextWithTabGetsOneBlank) {
    std::vector<std::u16string> texts = {u"Long entry\tX", u"S\tY"};
    AlignAccelerators(texts, FakeWidth);
    EXPECT_EQ(texts[0], u"Long entry \tX");
    // "Long entry " = 96; "S" needs 29 blanks: 10 + 29 * 3 = 97 >= 96.
    EXPECT_EQ(texts[1].find(u'\t'), 1 + 29u);
}

TEST(MenuAccelerators, AFontWithoutBlankWidthDoesNotHang) {
    std::vector<std::u16string> texts = {u"ab\tX", u"abcdef\tY"};
    AlignAccelerators(texts, [](std::u16string_view text) {
        int width = 0;
        for (const char16_t c : text) width += c == u' ' ? 0 : 7;
        return width;
    });
    // Padding cannot reach the target; the text is kept with its accelerator.
    EXPECT_EQ(texts[0].substr(0, 2), u"ab");
    EXPECT_EQ(texts[0].substr(texts[0].find(u'\t')), u"\tX");
    EXPECT_EQ(texts[1], u"abcdef\tY");
}

// --- Mnemonics -------------------------------------------------------------------

const std::vector<std::u16string> kFileMenu = {
    u"設定ファイルの読み込み(&O)...\tCtrl+O",
    u"設定ファイルへの書き込み(&S)...\tCtrl+S",
    u"",
    u"設定値をプリンタへ送信(&W)\tCtrl+W",
    u"プリンタ設定値読み込み(&R)\tCtrl+R",
    u"工場出荷設定を表示(&I)\tCtrl+I",
    u"",
    u"プリンタの選択(&C)...\tCtrl+C",
    u"",
    u"終了(&X)\tAlt+F4",
};
const std::vector<std::u16string> kHelpMenu = {u"ヘルプ目次(&H)\tF1", u"", u"バージョン情報(&A)..."};

TEST(MenuMnemonics, TypedLetterFindsItsItemInEitherCase) {
    struct Case {
        const std::vector<std::u16string>* menu;
        char16_t typed;
        std::optional<std::size_t> position;
    };
    const Case cases[] = {
        {&kFileMenu, u'c', 7},      {&kFileMenu, u'C', 7},      {&kFileMenu, u'o', 0},
        {&kFileMenu, u'x', 9},      {&kFileMenu, u'X', 9},      {&kFileMenu, u'z', std::nullopt},
        {&kFileMenu, u'&', std::nullopt},                       {&kFileMenu, u'+', std::nullopt},
        {&kHelpMenu, u'a', 2},      {&kHelpMenu, u'h', 0},      {&kHelpMenu, u'c', std::nullopt},
        // A letter that only follows "Ctrl+" without ampersand is no mnemonic.
        {&kFileMenu, u't', std::nullopt},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(FindMnemonic(*c.menu, c.typed), c.position) << static_cast<int>(c.typed);
    }
}

TEST(MenuMnemonics, FirstMatchingItemWinsAndUpperCaseInTheTextMatches) {
    const std::vector<std::u16string> texts = {u"&abc", u"x&Yz", u"second &Y"};
    EXPECT_EQ(FindMnemonic(texts, u'y'), 1u);
    EXPECT_EQ(FindMnemonic(texts, u'A'), 0u);
    EXPECT_EQ(FindMnemonic({}, u'a'), std::nullopt);
}

TEST(MenuMnemonics, CaseFolding) {
    const std::pair<char16_t, char16_t> cases[] = {
        {u'A', u'a'}, {u'Z', u'z'}, {u'a', u'a'}, {u'@', u'@'}, {u'[', u'['},
        {u'\u00C0', u'\u00E0'}, {u'\u00D7', u'\u00D7'}, {u'\uFF23', u'\uFF43'}, {u'ア', u'ア'},
    };
    for (const auto& [in, out] : cases) EXPECT_EQ(FoldCase(in), out) << static_cast<int>(in);
}

TEST(MenuMnemonics, ExecuteResultHoldsThePositionAndTheExecuteCode) {
    EXPECT_EQ(ExecuteResult(7), 0x00020007u);
    EXPECT_EQ(ExecuteResult(0), 0x00020000u);
}

// --- Resynchronising --------------------------------------------------------------

TEST(MenuResynchronise, ItemsReuseTheFirstFreeRecordWithTheirKey) {
    struct Case {
        std::vector<std::uintptr_t> records, items;
        std::vector<int> expected;
    };
    const Case cases[] = {
        // Unchanged menu: each item keeps its record.
        {{10, 0, 20}, {10, 0, 20}, {0, 1, 2}},
        // An item inserted at the front; separators taken in order.
        {{10, 0, 20, 0, 30}, {40, 10, 0, 20, 0, 30}, {-1, 0, 1, 2, 3, 4}},
        // Two separators more than records; an item removed (20's record left).
        {{10, 0, 20, 0}, {0, 10, 0, 0}, {1, 0, 3, -1}},
        // The same command twice: two records, then none left.
        {{5, 5}, {5, 5, 5}, {0, 1, -1}},
        {{}, {1}, {-1}},
        {{1, 2}, {}, {}},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(MatchRecords(c.records, c.items), c.expected);
    }
}

}  // namespace
}  // namespace tamsel::menu
