// The template reader on the layer's own test templates.
#include "template_reader.h"

#include <gtest/gtest.h>

#include "test_templates_ids.h"

namespace {

using winui::testing::LoadTemplate;

TEST(TemplateReader, ReadsWhatWindresWrote) {
    bool ok = false;
    const winui::testing::DialogTemplate dialog = LoadTemplate(IDD_EXCHANGE, ok);
    ASSERT_TRUE(ok);
    EXPECT_EQ(dialog.title, L"交換テスト");
    EXPECT_EQ(dialog.pointSize, 9);
    EXPECT_EQ(dialog.typeface, L"MS Shell Dlg");
    EXPECT_EQ((std::vector<short>{dialog.x, dialog.y, dialog.width, dialog.height}),
              (std::vector<short>{0, 0, 260, 200}));
    ASSERT_EQ(dialog.controls.size(), 18u);
    const auto& hidden = dialog.controls[2];
    EXPECT_EQ(hidden.id, static_cast<std::uint32_t>(IDC_B_HIDDEN));
    EXPECT_EQ(hidden.classAtom, winui::testing::kButtonClass);
    EXPECT_EQ(hidden.text, L"B");
    EXPECT_EQ(hidden.style & WS_VISIBLE, 0u);
    const auto& listView = dialog.controls[12];
    EXPECT_EQ(listView.id, static_cast<std::uint32_t>(IDC_LISTVIEW));
    EXPECT_EQ(listView.classAtom, 0);
    // windres writes class names in capitals; window classes ignore case.
    EXPECT_EQ(_wcsicmp(listView.className.c_str(), L"SysListView32"), 0) << listView.className;
    EXPECT_EQ((std::vector<short>{listView.x, listView.y, listView.width, listView.height}),
              (std::vector<short>{100, 50, 150, 50}));
}

TEST(TemplateReader, RefusesMissingAndPlainTemplates) {
    bool ok = true;
    LoadTemplate(4711, ok);
    EXPECT_FALSE(ok);
    ok = true;
    LoadTemplate(IDD_PLAIN, ok);
    EXPECT_FALSE(ok);
}

}  // namespace
