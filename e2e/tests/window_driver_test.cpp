// The window driver against the stand-in program: every way of reading and
// clicking that the panel program's scenarios use, checked on a program
// whose answers we know.
#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include <chrono>
#include <string>

#include "e2e/driver/window_driver.h"

namespace {

using namespace std::chrono_literals;

const wchar_t kTitle[] = L"E2E スタンドイン";
constexpr int kResult = 1020;

std::wstring BesideThisProgram(const wchar_t* file) {
    wchar_t path[MAX_PATH] = {};
    ::GetModuleFileNameW(nullptr, path, MAX_PATH);
    std::wstring folder(path);
    folder.erase(folder.find_last_of(L'\\') + 1);
    return folder + file;
}

class StandIn : public ::testing::Test {
protected:
    void SetUp() override {
        DWORD error = 0;
        process = e2e::Process::Start(BesideThisProgram(L"e2e-standin.exe"), L"", L"", &error);
        ASSERT_TRUE(process.Valid()) << "CreateProcessW error " << error;
        window = e2e::WaitForWindow(process.Id(), L"#32770", kTitle);
        ASSERT_NE(window, nullptr);
    }

    HWND Item(int id, const wchar_t* cls = L"") {
        HWND h = e2e::Child(window, id, cls);
        EXPECT_NE(h, nullptr) << "control " << id;
        return h;
    }
    std::wstring Result() { return e2e::TextOf(Item(kResult)); }
    bool ResultBecomes(const std::wstring& text) {
        return e2e::WaitUntil([&] { return Result() == text; }, 5s);
    }

    e2e::Process process;
    HWND window = nullptr;
};

TEST_F(StandIn, ReadsListViewColumnsRowsAndSelection) {
    HWND list = Item(1069, L"SysListView32");
    EXPECT_EQ(e2e::ListColumns(list), (std::vector<std::wstring>{L"プリンタ名", L"接続先"}));
    EXPECT_EQ(e2e::ListColumnWidths(list), (std::vector<int>{200, 90}));
    const auto rows = e2e::ListRows(list, 2);
    ASSERT_EQ(rows.size(), 3u);
    // The control sorts the rows itself; column 1 follows its row.
    EXPECT_EQ(rows[0], (std::vector<std::wstring>{L"Alpha", L"FILE:"}));
    EXPECT_EQ(rows[1], (std::vector<std::wstring>{L"Vantorelli USB", L"USB001"}));
    EXPECT_EQ(rows[2], (std::vector<std::wstring>{L"ヴァントレリ", L"IP_127.0.0.1"}));
    EXPECT_EQ(e2e::ListSelected(list), -1);

    e2e::ClickListRow(list, 2);
    EXPECT_TRUE(e2e::WaitUntil([&] { return e2e::ListSelected(list) == 2; }, 5s));
    EXPECT_TRUE(e2e::ListItemState(list, 2, LVIS_FOCUSED));
    EXPECT_EQ(e2e::FocusOf(window), list);
}

TEST_F(StandIn, ReadsTabsStatusBarToolbarAndTooltips) {
    HWND tab = Item(1000, L"SysTabControl32");
    ASSERT_EQ(e2e::TabCount(tab), 3);
    EXPECT_EQ(e2e::TabText(tab, 0), L"一");
    EXPECT_EQ(e2e::TabText(tab, 1), L"二  ") << "trailing blanks are kept";
    EXPECT_EQ(e2e::TabSelected(tab), 0);

    HWND status = Item(2015, L"msctls_statusbar32");
    RECT r{};
    ::GetClientRect(status, &r);
    const auto parts = e2e::StatusParts(status);
    ASSERT_EQ(parts.size(), 2u);
    EXPECT_EQ(parts[0], (r.right / 5) * 3);
    EXPECT_EQ(parts[1], -1);
    EXPECT_EQ(e2e::StatusText(status, 0), L"プリンタ名： Vantorelli USB");
    EXPECT_EQ(e2e::StatusText(status, 1), L"接続先： USB001");

    HWND toolbar = Item(2016, L"ToolbarWindow32");
    const auto buttons = e2e::ToolbarButtons(toolbar);
    ASSERT_EQ(buttons.size(), 3u);
    EXPECT_EQ(buttons[0].command, 2003);
    EXPECT_TRUE(buttons[0].enabled);
    EXPECT_TRUE(buttons[1].separator);
    EXPECT_EQ(buttons[2].command, 2005);
    EXPECT_FALSE(buttons[2].enabled);
    EXPECT_EQ(e2e::ToolbarTooltip(toolbar, 2003), L"プリンタ設定値読み込み");
    EXPECT_EQ(e2e::ToolbarTooltip(toolbar, 2005), L"プリンタの選択");
}

// Posted mouse clicks make the controls notify their parent themselves.
TEST_F(StandIn, ClicksArriveAsTheControlsOwnNotifications) {
    HWND list = Item(1069);
    e2e::ClickListRow(list, 1, /*doubleClick=*/true);
    EXPECT_TRUE(ResultBecomes(L"dblclk 1")) << Result();

    HWND tab = Item(1000);
    e2e::ClickTab(tab, 2);
    EXPECT_TRUE(ResultBecomes(L"tab 2")) << Result();
    EXPECT_EQ(e2e::TabSelected(tab), 2);

    HWND spin = Item(1302, L"msctls_updown32");
    EXPECT_EQ(e2e::UpDownRange(spin), (std::pair<int, int>{0, 100}));
    EXPECT_EQ(e2e::UpDownPosition(spin), 57);
    e2e::ClickUpDown(spin, /*up=*/true);
    EXPECT_TRUE(ResultBecomes(L"spin 57 1")) << Result();
    EXPECT_TRUE(e2e::WaitUntil([&] { return e2e::TextOf(Item(1301)) == L"58"; }, 5s)) << e2e::TextOf(Item(1301));
    e2e::ClickUpDown(spin, /*up=*/false);
    EXPECT_TRUE(ResultBecomes(L"spin 58 -1")) << Result();

    HWND toolbar = Item(2016);
    e2e::ClickToolbarButton(toolbar, 2003);
    EXPECT_TRUE(ResultBecomes(L"toolbar read")) << Result();
}

TEST_F(StandIn, MessageBoxIsReadInJapaneseAndAnswered) {
    e2e::Click(e2e::ChildByText(window, L"Button", L"確認(&A)..."));
    const auto box = e2e::WaitForMessageBox(process.Id(), L"ソルベナ");
    ASSERT_TRUE(box.has_value());
    EXPECT_EQ(box->text, L"続けますか？\n二行目です。");
    EXPECT_EQ(box->ButtonTexts(), L"はい(&Y)|いいえ(&N)|キャンセル");
    EXPECT_FALSE(e2e::IsEnabled(window)) << "the owner is disabled while the box is up";
    EXPECT_FALSE(e2e::FindMessageBox(process.Id(), L"ほかの題").has_value());
    ASSERT_TRUE(e2e::Answer(*box, IDNO));
    EXPECT_TRUE(ResultBecomes(L"answer 7")) << Result();
    EXPECT_TRUE(e2e::IsEnabled(window));
}

TEST_F(StandIn, AcceleratorsWithCtrlThroughSendInputAndPlainKeysPosted) {
    ASSERT_TRUE(e2e::TypeKeys(window, {VK_CONTROL}, 'R'));
    EXPECT_TRUE(ResultBecomes(L"accelerator read")) << Result();
    e2e::PressKey(e2e::FocusOf(window), VK_F1);
    EXPECT_TRUE(ResultBecomes(L"accelerator help")) << Result();
}

TEST_F(StandIn, IpAddressFieldsAreEditsWithIdOne) {
    HWND ip = Item(1295, L"SysIPAddress32");
    ASSERT_EQ(e2e::IpAddress(ip), std::optional<DWORD>(MAKEIPADDRESS(10, 0, 0, 1)));
    const auto fields = e2e::IpFields(ip);
    ASSERT_EQ(fields.size(), 4u);
    for (HWND f : fields) EXPECT_EQ(e2e::IdOf(f), 1);
    EXPECT_EQ(e2e::Child(window, 1), fields.front()) << "a search by id alone finds a field, not a button";
    EXPECT_EQ(e2e::Child(window, 1, L"Button"), nullptr);
    const wchar_t* octets[] = {L"192", L"168", L"", L"20"};
    for (int i = 0; i < 4; ++i) ASSERT_TRUE(e2e::SetText(fields[i], octets[i]) || octets[i][0] == 0);
    EXPECT_EQ(e2e::IpAddress(ip), std::optional<DWORD>(MAKEIPADDRESS(192, 168, 0, 20)));
}

TEST_F(StandIn, ExitCodeOfAButtonAndOfClosing) {
    e2e::Click(e2e::ChildByText(window, L"Button", L"終了"));
    EXPECT_EQ(process.WaitForExit(), std::optional<DWORD>(7));

    process = e2e::Process::Start(BesideThisProgram(L"e2e-standin.exe"), L"", L"");
    window = e2e::WaitForWindow(process.Id(), L"#32770", kTitle);
    ASSERT_NE(window, nullptr);
    ::PostMessageW(window, WM_CLOSE, 0, 0);
    EXPECT_EQ(process.WaitForExit(), std::optional<DWORD>(3));
}

TEST_F(StandIn, MinimisedWindowIsSeenAndRestoredToTheForeground) {
    ::PostMessageW(window, WM_SYSCOMMAND, SC_MINIMIZE, 0);
    ASSERT_TRUE(e2e::WaitUntil([&] { return ::IsIconic(window) != FALSE; }, 5s));
    // What a second copy of the panel program does to the first one's window.
    ::ShowWindow(window, SW_RESTORE);
    ::SetForegroundWindow(window);
    EXPECT_TRUE(e2e::WaitUntil([&] { return !::IsIconic(window) && e2e::IsForeground(window); }, 5s));
}

TEST_F(StandIn, EnterAndEscapeLeaveTheWindowOpen) {
    e2e::PressKey(e2e::FocusOf(window), VK_RETURN);
    e2e::PressKey(e2e::FocusOf(window), VK_ESCAPE);
    // A posted key after them still arrives: the window has handled both.
    e2e::PressKey(e2e::FocusOf(window), VK_F1);
    EXPECT_TRUE(ResultBecomes(L"accelerator help"));
    EXPECT_TRUE(process.Running());
    EXPECT_TRUE(e2e::IsShown(window));
}

TEST_F(StandIn, ScreenshotWhenTheRunScriptWatches) {
    if (std::getenv("KES_E2E_SHOTS") == nullptr) GTEST_SKIP() << "no screenshot watcher";
    const std::wstring picture = e2e::Screenshot(L"standin", window);
    ASSERT_FALSE(picture.empty());
    WIN32_FILE_ATTRIBUTE_DATA data{};
    ASSERT_TRUE(::GetFileAttributesExW(picture.c_str(), GetFileExInfoStandard, &data));
    EXPECT_GT(data.nFileSizeLow, 1000u);
}

TEST(Process, ExitCodeOfAProgramWithoutWindowAndWaitsThatEnd) {
    auto p = e2e::Process::Start(BesideThisProgram(L"e2e-standin.exe"), L"/exit 42", L"");
    ASSERT_TRUE(p.Valid());
    EXPECT_EQ(p.WaitForExit(), std::optional<DWORD>(42));
    EXPECT_TRUE(e2e::TopWindows(p.Id()).empty());

    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(e2e::WaitForWindow(p.Id(), L"#32770", kTitle, 300ms), nullptr);
    const auto waited = std::chrono::steady_clock::now() - start;
    EXPECT_GE(waited, 300ms);
    EXPECT_LT(waited, 3s);

    DWORD error = 0;
    EXPECT_FALSE(e2e::Process::Start(BesideThisProgram(L"no-such-program.exe"), L"", L"", &error).Valid());
    EXPECT_NE(error, 0u);
}

}  // namespace
