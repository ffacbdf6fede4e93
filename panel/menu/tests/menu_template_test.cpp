#include "panel/menu/menu_rules.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

namespace tamsel::menu {
namespace {

// Writes a standard menu template the way the resource compiler does.
class TemplateBuilder {
public:
    explicit TemplateBuilder(std::uint16_t version = 0, std::uint16_t offset = 0) {
        Word(version);
        Word(offset);
        for (int i = 0; i < offset; ++i) bytes.push_back(0xEE);
    }
    TemplateBuilder& Popup(std::u16string_view text, bool last = false) {
        Word(static_cast<std::uint16_t>(kMfPopup | (last ? kMfEnd : 0)));
        Text(text);
        return *this;
    }
    TemplateBuilder& Item(std::uint16_t id, std::u16string_view text, bool last = false, std::uint16_t flags = 0) {
        Word(static_cast<std::uint16_t>(flags | (last ? kMfEnd : 0)));
        Word(id);
        Text(text);
        return *this;
    }
    TemplateBuilder& Separator(bool last = false) { return Item(0, u"", last); }

    std::vector<std::uint8_t> bytes;

private:
    void Word(std::uint16_t w) {
        bytes.push_back(static_cast<std::uint8_t>(w & 0xFF));
        bytes.push_back(static_cast<std::uint8_t>(w >> 8));
    }
    void Text(std::u16string_view text) {
        for (const char16_t c : text) Word(c);
        Word(0);
    }
};

// The main window's menu, texts and ids as panel/res/tamsel.rc has them.
TemplateBuilder MainMenu() {
    TemplateBuilder t;
    t.Popup(u"ファイル(&F)")
        .Item(32781, u"設定ファイルの読み込み(&O)...\tCtrl+O")
        .Item(32782, u"設定ファイルへの書き込み(&S)...\tCtrl+S")
        .Separator()
        .Item(32784, u"設定値をプリンタへ送信(&W)\tCtrl+W")
        .Item(32823, u"プリンタ設定値読み込み(&R)\tCtrl+R")
        .Item(32785, u"工場出荷設定を表示(&I)\tCtrl+I")
        .Separator()
        .Item(32798, u"プリンタの選択(&C)...\tCtrl+C")
        .Separator()
        .Item(32783, u"終了(&X)\tAlt+F4", true);
    t.Popup(u"メニュー(&M)")
        .Item(32801, u"パラメータ設定1(&P)\tCtrl+P")
        .Item(32826, u"パラメータ設定2(&Q)\tCtrl+Q")
        .Item(32816, u"微調整設定(&K)\tCtrl+K")
        .Item(32817, u"IPアドレス設定(&A)\tCtrl+A")
        .Item(32822, u"DIPSW状態表示(&G)\tCtrl+G")
        .Separator()
        .Item(32818, u"テスト印刷(&T)\tCtrl+T", true);
    t.Popup(u"ヘルプ(&H)", true)
        .Item(32806, u"ヘルプ目次(&H)\tF1")
        .Separator()
        .Item(16, u"バージョン情報(&A)...", true);
    return t;
}

std::vector<std::uint32_t> Ids(const std::vector<TemplateItem>& items) {
    std::vector<std::uint32_t> ids;
    for (const auto& item : items) ids.push_back(item.id);
    return ids;
}

TEST(MenuTemplate, MainMenuGivesThreePopupsWithTheirItems) {
    const auto bytes = MainMenu().bytes;
    const auto bar = ParseMenuTemplate(bytes.data(), bytes.size());
    ASSERT_TRUE(bar.has_value());
    ASSERT_EQ(bar->size(), 3u);
    EXPECT_EQ((*bar)[0].text, u"ファイル(&F)");
    EXPECT_EQ((*bar)[1].text, u"メニュー(&M)");
    EXPECT_EQ((*bar)[2].text, u"ヘルプ(&H)");
    for (const auto& popup : *bar) {
        EXPECT_EQ(popup.flags, kMfPopup) << "the end mark is not kept";
        for (const auto& item : popup.items) EXPECT_EQ(item.flags, 0u);
    }
    EXPECT_EQ(Ids((*bar)[0].items),
              (std::vector<std::uint32_t>{32781, 32782, 0, 32784, 32823, 32785, 0, 32798, 0, 32783}));
    EXPECT_EQ(Ids((*bar)[1].items), (std::vector<std::uint32_t>{32801, 32826, 32816, 32817, 32822, 0, 32818}));
    EXPECT_EQ(Ids((*bar)[2].items), (std::vector<std::uint32_t>{32806, 0, 16}));
    EXPECT_EQ((*bar)[0].items[7].text, u"プリンタの選択(&C)...\tCtrl+C");
    EXPECT_EQ((*bar)[2].items[2].text, u"バージョン情報(&A)...");
}

TEST(MenuTemplate, NestedPopupEndingItsLevelClosesBothLevels) {
    TemplateBuilder t;
    t.Popup(u"Outer")
        .Item(1, u"one")
        .Popup(u"Inner", true)  // last item of Outer
        .Item(2, u"two")
        .Item(3, u"three", true);  // ends Inner, and with it Outer
    t.Item(4, u"bar item", true);   // a plain command on the bar ends the bar
    const auto bar = ParseMenuTemplate(t.bytes.data(), t.bytes.size());
    ASSERT_TRUE(bar.has_value());
    ASSERT_EQ(bar->size(), 2u);
    const auto& outer = (*bar)[0];
    ASSERT_EQ(outer.items.size(), 2u);
    EXPECT_EQ(outer.items[1].text, u"Inner");
    EXPECT_EQ(Ids(outer.items[1].items), (std::vector<std::uint32_t>{2, 3}));
    EXPECT_EQ((*bar)[1].id, 4u);
    EXPECT_EQ((*bar)[1].text, u"bar item");
}

TEST(MenuTemplate, ItemFlagsOtherThanTheEndMarkAreKept) {
    TemplateBuilder t;
    t.Popup(u"P", true).Item(7, u"greyed", false, kMfGrayed).Item(8, u"checked", true, kMfChecked);
    const auto bar = ParseMenuTemplate(t.bytes.data(), t.bytes.size());
    ASSERT_TRUE(bar.has_value());
    EXPECT_EQ((*bar)[0].items[0].flags, kMfGrayed);
    EXPECT_EQ((*bar)[0].items[1].flags, kMfChecked);
}

TEST(MenuTemplate, HeaderOffsetIsSkippedAndTrailingBytesIgnored) {
    TemplateBuilder t(0, 6);
    t.Popup(u"P", true).Item(1, u"x", true);
    t.bytes.push_back(0x55);
    t.bytes.push_back(0x66);
    const auto bar = ParseMenuTemplate(t.bytes.data(), t.bytes.size());
    ASSERT_TRUE(bar.has_value());
    EXPECT_EQ((*bar)[0].items[0].text, u"x");
}

TEST(MenuTemplate, EveryTruncationIsRefused) {
    const auto bytes = MainMenu().bytes;
    for (std::size_t size = 0; size < bytes.size(); ++size) {
        // A copy of exactly `size` bytes, so that no reading beyond it can
        // find the rest of the template.
        const std::vector<std::uint8_t> cut(bytes.begin(), bytes.begin() + static_cast<std::ptrdiff_t>(size));
        EXPECT_FALSE(ParseMenuTemplate(cut.data(), cut.size()).has_value()) << "size " << size;
    }
}

TEST(MenuTemplate, OtherFormatsAndBadInputsAreRefused) {
    TemplateBuilder extended(1, 4);  // the extended menu format
    extended.Popup(u"P", true).Item(1, u"x", true);
    EXPECT_FALSE(ParseMenuTemplate(extended.bytes.data(), extended.bytes.size()).has_value());

    TemplateBuilder farOffset(0, 0);
    farOffset.bytes[2] = 0xFF;  // items would start beyond the end
    farOffset.Popup(u"P", true).Item(1, u"x", true);
    EXPECT_FALSE(ParseMenuTemplate(farOffset.bytes.data(), farOffset.bytes.size()).has_value());

    // Items never end their level: the template runs out.
    TemplateBuilder endless;
    endless.Popup(u"P").Item(1, u"x").Item(2, u"y");
    EXPECT_FALSE(ParseMenuTemplate(endless.bytes.data(), endless.bytes.size()).has_value());

    // An odd byte count cuts a text in its last character.
    TemplateBuilder odd;
    odd.Popup(u"P", true).Item(1, u"x", true);
    odd.bytes.pop_back();
    EXPECT_FALSE(ParseMenuTemplate(odd.bytes.data(), odd.bytes.size()).has_value());

    EXPECT_FALSE(ParseMenuTemplate(nullptr, 0).has_value());
}

}  // namespace
}  // namespace tamsel::menu
