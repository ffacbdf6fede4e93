// Tamsel.exe as an operator meets it, driven from outside under Wine: the
// test printers of the prepared prefix, the printer-sim behind their ports,
// and nothing inside the program but what a person could do at the screen.
//
// Every test copies Tamsel.exe (and Kestrion.dll, unless the test is about
// its absence) into a fresh folder of its own and starts it there, so the
// address file "SetIP" of one test never reaches another.
#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include <chrono>
#include <cstdint>
#include <cstdlib>
#include <cwchar>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "e2e/driver/window_driver.h"
#include "e2e/fixture/sim_control.h"
#include "e2e/fixture/spooler_setup.h"

namespace {

using namespace std::chrono_literals;

const wchar_t kMainTitle[] = L"KVT Vantorelli 7K4R2B-55 ソルベナ";
const wchar_t kCaption[] = L"ソルベナ";
const wchar_t kSelectTitle[] = L"プリンタの選択";
const wchar_t kAddressTitle[] = L"IPアドレス設定";
const wchar_t kAboutTitle[] = L"バージョン情報";

// Main window.
constexpr int kTab = 1000;
constexpr int kStatusBar = 2015;
constexpr int kToolbar = 2016;
constexpr int kToolSelectPrinter = 2005;
constexpr int kCommandExit = 32783;
constexpr int kCommandAbout = 16;
// Printer selection and address dialogs.
constexpr int kPrinterList = 1069;
constexpr int kAddressControl = 1295;
constexpr int kPortEdit = 1266;
// ReadFailDialog.
constexpr int kReadFailExit = 1296;

std::wstring Env(const wchar_t* name) {
    const wchar_t* v = _wgetenv(name);
    return v == nullptr ? std::wstring() : std::wstring(v);
}

std::wstring ProgramFolder() { return Env(L"KES_E2E_BUILD_DIR") + L"\\panel\\app"; }

std::wstring TestName() {
    const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
    std::string name = std::string(info->test_suite_name()) + "." + info->name();
    for (char& c : name) {
        if (c == '/') c = '_';
    }
    return std::wstring(name.begin(), name.end());
}

// Texts compared as UTF-8, so that a failure prints them readably.
std::string U8(const std::wstring& text) {
    const int size = ::WideCharToMultiByte(CP_UTF8, 0, text.c_str(), -1, nullptr, 0, nullptr, nullptr);
    std::string out(static_cast<std::size_t>(size), '\0');
    ::WideCharToMultiByte(CP_UTF8, 0, text.c_str(), -1, out.data(), size, nullptr, nullptr);
    if (!out.empty()) out.pop_back();
    return out;
}

std::vector<std::uint8_t> ReadBytes(const std::wstring& path) {
    std::ifstream in(std::filesystem::path(path), std::ios::binary);
    return std::vector<std::uint8_t>((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

class Tamsel : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_FALSE(Env(L"KES_E2E_BUILD_DIR").empty()) << "run through e2e/run_e2e.sh";
        ASSERT_EQ(e2e::SimControl(e2e::SimControlPort(), "clear"), "ok") << "the printer-sim must run";
        folder = Env(L"KES_E2E_BUILD_DIR") + L"\\e2e\\work\\" + TestName();
        ::CreateDirectoryW((Env(L"KES_E2E_BUILD_DIR") + L"\\e2e\\work").c_str(), nullptr);
        ::CreateDirectoryW(folder.c_str(), nullptr);
        ::DeleteFileW((folder + L"\\SetIP").c_str());
        ::DeleteFileW((folder + L"\\Kestrion.dll").c_str());
        ASSERT_TRUE(::CopyFileW((ProgramFolder() + L"\\Tamsel.exe").c_str(), (folder + L"\\Tamsel.exe").c_str(), FALSE))
            << "Tamsel.exe missing in " << std::string(ProgramFolder().begin(), ProgramFolder().end());
    }

    void TearDown() override {
        for (auto* p : {&second, &program}) p->Terminate();
        EXPECT_EQ(e2e::ApplyPrinterSet("one-usb"), "");
    }

    void WithLibrary() {
        ASSERT_TRUE(::CopyFileW((ProgramFolder() + L"\\Kestrion.dll").c_str(), (folder + L"\\Kestrion.dll").c_str(),
                                FALSE));
    }

    void Printers(const char* set) { ASSERT_EQ(e2e::ApplyPrinterSet(set), ""); }

    e2e::Process Launch(const std::wstring& arguments = L"") {
        DWORD error = 0;
        auto p = e2e::Process::Start(folder + L"\\Tamsel.exe", arguments, folder, &error);
        EXPECT_TRUE(p.Valid()) << "CreateProcessW error " << error;
        return p;
    }

    void Start(const std::wstring& arguments = L"") { program = Launch(arguments); }

    HWND WaitMainWindow() {
        HWND w = e2e::WaitForWindow(program.Id(), L"#32770", kMainTitle, 20s);
        EXPECT_NE(w, nullptr) << "the main window did not show";
        return w;
    }

    // The message box now up: its text and buttons must be `text` and
    // `buttons`; it is answered with `answer`.
    void ExpectMessage(const std::wstring& text, const std::wstring& buttons, int answer,
                       const wchar_t* screenshot = nullptr) {
        const auto box = e2e::WaitForMessageBox(program.Id(), kCaption, 20s);
        ASSERT_TRUE(box.has_value()) << "no message box";
        EXPECT_EQ(U8(box->text), U8(text)) << "shown:\n" << U8(box->text) << "\nexpected:\n" << U8(text);
        EXPECT_EQ(U8(box->ButtonTexts()), U8(buttons)) << "shown: " << U8(box->ButtonTexts());
        if (screenshot != nullptr) e2e::Screenshot(screenshot, box->window);
        EXPECT_TRUE(e2e::Answer(*box, answer));
    }

    void ExpectExit(DWORD code) { EXPECT_EQ(program.WaitForExit(20s), std::optional<DWORD>(code)); }

    HWND Item(HWND parent, int id, const wchar_t* cls = L"") {
        HWND h = e2e::Child(parent, id, cls);
        EXPECT_NE(h, nullptr) << "control " << id;
        return h;
    }

    std::vector<std::wstring> Status(HWND main) {
        HWND bar = Item(main, kStatusBar, L"msctls_statusbar32");
        return {e2e::StatusText(bar, 0), e2e::StatusText(bar, 1)};
    }

    bool ToolbarEnabled(HWND main, int command) {
        for (const auto& b : e2e::ToolbarButtons(Item(main, kToolbar, L"ToolbarWindow32"))) {
            if (b.command == command) return b.enabled;
        }
        ADD_FAILURE() << "no toolbar button " << command;
        return false;
    }

    // The button of a dialog by its text (a search by id could find the IP
    // address control's fields, whose id is 1 too).
    HWND Button(HWND dialog, const wchar_t* text) {
        HWND h = e2e::ChildByText(dialog, L"Button", text);
        EXPECT_NE(h, nullptr) << "no button";
        return h;
    }

    HWND WaitDialog(const wchar_t* title) {
        HWND w = e2e::WaitForWindow(program.Id(), L"#32770", title, 20s);
        EXPECT_NE(w, nullptr) << "dialog did not show";
        return w;
    }

    std::wstring folder;
    e2e::Process program;
    e2e::Process second;
};

// --- start-up with one printer -------------------------------------------------

TEST_F(Tamsel, OneUsbPrinterIsChosenWithoutTheListAndRead) {
    WithLibrary();
    Printers("one-usb");
    Start();
    HWND main = WaitMainWindow();
    ASSERT_NE(main, nullptr);
    EXPECT_TRUE(e2e::TopWindows(program.Id(), L"#32770", kSelectTitle, true).empty() ||
                !e2e::IsShown(e2e::TopWindows(program.Id(), L"#32770", kSelectTitle, true).front()));
    EXPECT_EQ(Status(main), (std::vector<std::wstring>{L"プリンタ名： Vantorelli USB", L"接続先： USB001"}));
    EXPECT_FALSE(ToolbarEnabled(main, kToolSelectPrinter)) << "one printer: nothing to choose";
    EXPECT_TRUE(ToolbarEnabled(main, 2003));
    EXPECT_FALSE(e2e::FindMessageBox(program.Id()).has_value()) << "no message at start-up";
    e2e::Screenshot(L"main-window", main);
}

TEST_F(Tamsel, MainWindowTabsToolbarAndStatusBarSplit) {
    WithLibrary();
    Start();
    HWND main = WaitMainWindow();
    ASSERT_NE(main, nullptr);
    HWND tab = Item(main, kTab, L"SysTabControl32");
    const std::vector<std::wstring> tabs = {L"パラメータ設定1", L"パラメータ設定2", L"微調整設定  ", L"IPアドレス設定",
                                            L"DIPSW状態表示"};
    ASSERT_EQ(e2e::TabCount(tab), 5);
    for (int i = 0; i < 5; ++i) EXPECT_EQ(e2e::TabText(tab, i), tabs[i]) << "tab " << i;
    EXPECT_EQ(e2e::TabSelected(tab), 0);

    HWND toolbar = Item(main, kToolbar, L"ToolbarWindow32");
    std::vector<int> layout;
    for (const auto& b : e2e::ToolbarButtons(toolbar)) layout.push_back(b.separator ? 0 : b.command);
    EXPECT_EQ(layout, (std::vector<int>{0, 2000, 2001, 0, 2002, 0, 2003, 0, 2004, 0, 2005, 0, 2006}));
    const std::pair<int, const wchar_t*> tips[] = {
        {2000, L"設定ファイルの読み込み"}, {2001, L"設定ファイルへの書き込み"}, {2002, L"設定値をプリンタへ送信"},
        {2003, L"プリンタ設定値読み込み"}, {2004, L"工場出荷設定を表示"},     {2005, L"プリンタの選択"},
        {2006, L"テスト印刷"}};
    for (const auto& [command, text] : tips) EXPECT_EQ(e2e::ToolbarTooltip(toolbar, command), text) << command;

    HWND bar = Item(main, kStatusBar, L"msctls_statusbar32");
    RECT r{};
    ::GetClientRect(bar, &r);
    const auto parts = e2e::StatusParts(bar);
    ASSERT_EQ(parts.size(), 2u);
    EXPECT_EQ(parts[0], (r.right / 5) * 3);
}

// The page commands' accelerators need the real key state (SendInput); the
// tab follows each of them.
TEST_F(Tamsel, PageAcceleratorsSelectTheirTab) {
    WithLibrary();
    Start();
    HWND main = WaitMainWindow();
    ASSERT_NE(main, nullptr);
    HWND tab = Item(main, kTab);
    const std::pair<WORD, int> keys[] = {{'G', 4}, {'Q', 1}, {'A', 3}, {'K', 2}, {'P', 0}};
    for (const auto& [key, page] : keys) {
        ASSERT_TRUE(e2e::TypeKeys(main, {VK_CONTROL}, key));
        EXPECT_TRUE(e2e::WaitUntil([&] { return e2e::TabSelected(tab) == page; }, 5s))
            << "Ctrl+" << static_cast<char>(key) << " gave tab " << e2e::TabSelected(tab);
    }
}

TEST_F(Tamsel, ClickingATabShowsItsPage) {
    WithLibrary();
    Start();
    HWND main = WaitMainWindow();
    ASSERT_NE(main, nullptr);
    HWND tab = Item(main, kTab);
    for (int page : {3, 1, 4, 2, 0}) {
        e2e::ClickTab(tab, page);
        EXPECT_TRUE(e2e::WaitUntil([&] { return e2e::TabSelected(tab) == page; }, 5s)) << page;
        e2e::Screenshot(L"main-tab-" + std::to_wstring(page), main);
    }
}

TEST_F(Tamsel, EnterAndEscapeLeaveTheMainWindowOpen) {
    WithLibrary();
    Start();
    HWND main = WaitMainWindow();
    ASSERT_NE(main, nullptr);
    HWND focus = e2e::FocusOf(main);
    e2e::PressKey(focus != nullptr ? focus : main, VK_RETURN);
    e2e::PressKey(focus != nullptr ? focus : main, VK_ESCAPE);
    // A click posted behind the keys arrives: both keys have been handled.
    HWND tab = Item(main, kTab);
    e2e::ClickTab(tab, 1);
    EXPECT_TRUE(e2e::WaitUntil([&] { return e2e::TabSelected(tab) == 1; }, 5s));
    EXPECT_TRUE(program.Running());
    EXPECT_TRUE(e2e::IsShown(main));
}

TEST_F(Tamsel, ExitCommandEndsTheProgramWhenNothingChanged) {
    WithLibrary();
    Start();
    HWND main = WaitMainWindow();
    ASSERT_NE(main, nullptr);
    e2e::PostCommand(main, kCommandExit);
    ExpectExit(0);
}

TEST_F(Tamsel, AboutBox) {
    WithLibrary();
    Start();
    HWND main = WaitMainWindow();
    ASSERT_NE(main, nullptr);
    e2e::PostCommand(main, kCommandAbout);
    HWND about = WaitDialog(kAboutTitle);
    ASSERT_NE(about, nullptr);
    for (const wchar_t* text : {L"ソルベナ", L"KVT Vantorelli 7K4R2B-56", L"Version 2.0"}) {
        EXPECT_NE(e2e::ChildByText(about, L"Static", text), nullptr);
    }
    e2e::Screenshot(L"about-box", about);
    e2e::Click(Button(about, L"OK"));
    EXPECT_TRUE(e2e::WaitForWindowGone(about));
    EXPECT_TRUE(program.Running());
}

// --- printer selection ---------------------------------------------------------

TEST_F(Tamsel, SeveralPrintersListOnlyAcceptedDriversSorted) {
    WithLibrary();
    Printers("several");
    Start();
    HWND dialog = WaitDialog(kSelectTitle);
    ASSERT_NE(dialog, nullptr);
    HWND list = Item(dialog, kPrinterList, L"SysListView32");
    EXPECT_EQ(e2e::ListColumns(list), (std::vector<std::wstring>{L"プリンタ名", L"接続先"}));
    EXPECT_EQ(e2e::ListColumnWidths(list), (std::vector<int>{200, 90}));
    const std::vector<std::vector<std::wstring>> expected = {
        {L"Vantorelli Fax", L"KESFAX:"},          {L"Vantorelli File", L"FILE:"},
        {L"Vantorelli Local", L"KESLOCAL:"},      {L"Vantorelli Net", L"IP_127.0.0.1"},
        {L"Vantorelli Suffix", L"USB005"},        {L"Vantorelli USB", L"USB001"},
        {L"Vantorelli USB JP", L"USB002"},
    };
    EXPECT_EQ(e2e::ListRows(list, 2), expected) << "case-different and foreign drivers are left out";
    EXPECT_EQ(e2e::ListSelected(list), 0);
    EXPECT_TRUE(e2e::ListItemState(list, 0, LVIS_FOCUSED));
    e2e::Screenshot(L"printer-selection", dialog);
}

TEST_F(Tamsel, ForeignPortIsRefusedAndTheFocusGoesBackToTheList) {
    WithLibrary();
    Printers("several");
    Start();
    HWND dialog = WaitDialog(kSelectTitle);
    ASSERT_NE(dialog, nullptr);
    HWND list = Item(dialog, kPrinterList);
    e2e::ClickListRow(list, 0);  // Vantorelli Fax on KESFAX:
    ASSERT_TRUE(e2e::WaitUntil([&] { return e2e::ListSelected(list) == 0; }, 5s));
    e2e::Click(Button(dialog, L"OK"));
    ExpectMessage(L"指定されたプリンタポートは、対象外です。\n別のプリンタを選択してください。", L"OK", IDOK);
    EXPECT_TRUE(e2e::WaitUntil([&] { return e2e::FocusOf(dialog) == list; }, 5s));
    EXPECT_TRUE(e2e::IsShown(dialog));
}

TEST_F(Tamsel, FileAmongSeveralOnlyInforms) {
    WithLibrary();
    Printers("several");
    Start();
    HWND dialog = WaitDialog(kSelectTitle);
    ASSERT_NE(dialog, nullptr);
    HWND list = Item(dialog, kPrinterList);
    e2e::ClickListRow(list, 1, /*doubleClick=*/true);  // Vantorelli File on FILE:
    ExpectMessage(L"接続先がFILEのため設定値を送受信できません。\nプリンタ設定を変更するか、他のプリンタに変更してください。",
                  L"OK", IDOK);
    EXPECT_TRUE(e2e::IsShown(dialog));
    EXPECT_TRUE(program.Running());
}

TEST_F(Tamsel, SuffixDriverIsChosenAndReselectionPreselectsIt) {
    WithLibrary();
    Printers("several");
    Start();
    HWND dialog = WaitDialog(kSelectTitle);
    ASSERT_NE(dialog, nullptr);
    HWND list = Item(dialog, kPrinterList);
    e2e::ClickListRow(list, 4);  // Vantorelli Suffix on USB005
    ASSERT_TRUE(e2e::WaitUntil([&] { return e2e::ListSelected(list) == 4; }, 5s));
    e2e::Click(Button(dialog, L"OK"));
    HWND main = WaitMainWindow();
    ASSERT_NE(main, nullptr);
    EXPECT_EQ(Status(main), (std::vector<std::wstring>{L"プリンタ名： Vantorelli Suffix", L"接続先： USB005"}));
    EXPECT_TRUE(ToolbarEnabled(main, kToolSelectPrinter));

    // Choose again from the toolbar: the current printer is preselected;
    // cancelling keeps it.
    e2e::ClickToolbarButton(Item(main, kToolbar), kToolSelectPrinter);
    dialog = WaitDialog(kSelectTitle);
    ASSERT_NE(dialog, nullptr);
    list = Item(dialog, kPrinterList);
    EXPECT_TRUE(e2e::WaitUntil([&] { return e2e::ListSelected(list) == 4; }, 5s)) << e2e::ListSelected(list);
    e2e::Click(Button(dialog, L"キャンセル"));
    EXPECT_TRUE(e2e::WaitForWindowGone(dialog));
    EXPECT_EQ(Status(main), (std::vector<std::wstring>{L"プリンタ名： Vantorelli Suffix", L"接続先： USB005"}));

    // Ctrl+C opens it as well; a local-port printer is taken and read.
    ASSERT_TRUE(e2e::TypeKeys(main, {VK_CONTROL}, 'C'));
    dialog = WaitDialog(kSelectTitle);
    ASSERT_NE(dialog, nullptr);
    list = Item(dialog, kPrinterList);
    e2e::ClickListRow(list, 2, /*doubleClick=*/true);  // Vantorelli Local on KESLOCAL:
    EXPECT_TRUE(e2e::WaitUntil(
        [&] { return Status(main) == std::vector<std::wstring>{L"プリンタ名： Vantorelli Local", L"接続先： KESLOCAL:"}; },
        20s));
}

TEST_F(Tamsel, StartupCancelEndsTheProgram) {
    WithLibrary();
    Printers("several");
    Start();
    HWND dialog = WaitDialog(kSelectTitle);
    ASSERT_NE(dialog, nullptr);
    e2e::Click(Button(dialog, L"キャンセル"));
    ExpectExit(0);
}

TEST_F(Tamsel, FileAloneEndsWithExitCode1) {
    WithLibrary();
    Printers("file-only");
    Start();
    ExpectMessage(L"接続先がFILEのため設定値を送受信できません。\nプリンタ設定を確認してやり直してください。\n\nソルベナを終了します。",
                  L"OK", IDOK, L"message-file-alone");
    ExpectExit(1);
}

TEST_F(Tamsel, NoUsablePrinterEndsWithExitCode1) {
    WithLibrary();
    Printers("none");
    Start();
    ExpectMessage(L"使用可能なプリンタがありませんでした。プリンタドライバを確認してからやり直してください。\n\nソルベナを終了します。",
                  L"OK", IDOK, L"message-no-printer");
    ExpectExit(1);
}

TEST_F(Tamsel, MissingLibraryEndsWithExitCode0) {
    Printers("one-usb");  // no Kestrion.dll beside the program
    Start();
    ExpectMessage(L"DLLのオープンに失敗しました。", L"OK", IDOK, L"message-no-library");
    ExpectExit(0);
}

// --- network port and the address file ---------------------------------------

class TamselNetwork : public Tamsel {
protected:
    // Types an address and port into the open address dialog.
    void Enter(HWND dialog, const std::vector<std::wstring>& octets, const std::wstring& port) {
        const auto fields = e2e::IpFields(Item(dialog, kAddressControl, L"SysIPAddress32"));
        ASSERT_EQ(fields.size(), 4u);
        for (int i = 0; i < 4; ++i) e2e::SetText(fields[i], octets[i]);
        e2e::SetText(Item(dialog, kPortEdit, L"Edit"), port);
    }
};

TEST_F(TamselNetwork, FirstStartProposesDefaultsThenRefusesAndAcceptsThePort) {
    WithLibrary();
    Printers("one-net");
    Start();
    ExpectMessage(L"前回設定ファイルがない、または、開くことができない。", L"OK", IDOK);
    HWND dialog = WaitDialog(kAddressTitle);
    ASSERT_NE(dialog, nullptr);
    HWND ip = Item(dialog, kAddressControl, L"SysIPAddress32");
    EXPECT_EQ(e2e::IpAddress(ip), std::optional<DWORD>(MAKEIPADDRESS(192, 168, 10, 20)));
    EXPECT_EQ(e2e::TextOf(Item(dialog, kPortEdit, L"Edit")), L"12000");
    e2e::Screenshot(L"address-dialog", dialog);

    Enter(dialog, {L"127", L"0", L"0", L"1"}, L"9999");
    e2e::Click(Button(dialog, L"OK"));
    ExpectMessage(L"ソケット通信ポート番号が範囲外です。\n設定範囲( 10000 ～ 65535 )", L"OK", IDOK);
    EXPECT_TRUE(e2e::WaitUntil([&] { return e2e::FocusOf(dialog) == Item(dialog, kPortEdit); }, 5s));
    EXPECT_EQ(::GetFileAttributesW((folder + L"\\SetIP").c_str()), INVALID_FILE_ATTRIBUTES) << "nothing saved yet";

    const int port = e2e::SimPrinterPort();
    ASSERT_GE(port, 10000);
    e2e::SetText(Item(dialog, kPortEdit, L"Edit"), std::to_wstring(port));
    e2e::Click(Button(dialog, L"OK"));
    HWND main = WaitMainWindow();
    ASSERT_NE(main, nullptr);
    EXPECT_EQ(Status(main), (std::vector<std::wstring>{L"プリンタ名： Vantorelli Net", L"接続先： IP_127.0.0.1"}));
    EXPECT_FALSE(e2e::FindMessageBox(program.Id()).has_value()) << "the read over TCP succeeded";

    const auto bytes = ReadBytes(folder + L"\\SetIP");
    const std::vector<std::uint8_t> expected = {127, 0, 0, 1, static_cast<std::uint8_t>(port & 0xFF),
                                                static_cast<std::uint8_t>(port >> 8), 0, 0};
    EXPECT_EQ(bytes, expected);
}

TEST_F(TamselNetwork, StoredAddressIsProposedAndCancelGoesBackToTheList) {
    WithLibrary();
    Printers("one-net");
    {
        std::ofstream out(std::filesystem::path(folder + L"\\SetIP"), std::ios::binary);
        const std::uint8_t stored[8] = {10, 1, 2, 3, 0x10, 0x27, 0, 0};  // 10.1.2.3, port 10000
        out.write(reinterpret_cast<const char*>(stored), 8);
    }
    Start();
    HWND dialog = WaitDialog(kAddressTitle);
    ASSERT_NE(dialog, nullptr);
    EXPECT_EQ(e2e::IpAddress(Item(dialog, kAddressControl, L"SysIPAddress32")),
              std::optional<DWORD>(MAKEIPADDRESS(10, 1, 2, 3)));
    EXPECT_EQ(e2e::TextOf(Item(dialog, kPortEdit, L"Edit")), L"10000");
    e2e::Click(Button(dialog, L"キャンセル"));

    HWND list = nullptr;
    HWND selection = WaitDialog(kSelectTitle);
    ASSERT_NE(selection, nullptr);
    list = Item(selection, kPrinterList);
    EXPECT_EQ(e2e::ListRows(list, 2), (std::vector<std::vector<std::wstring>>{{L"Vantorelli Net", L"IP_127.0.0.1"}}));
    EXPECT_EQ(e2e::ListSelected(list), 0);
    EXPECT_TRUE(e2e::WaitUntil([&] { return e2e::FocusOf(selection) == list; }, 5s));
    EXPECT_EQ(ReadBytes(folder + L"\\SetIP").size(), 8u) << "cancel leaves the file alone";
    EXPECT_EQ(ReadBytes(folder + L"\\SetIP")[0], 10);
}

// --- reading --------------------------------------------------------------------

TEST_F(Tamsel, FailedReadThenRetrySucceeds) {
    WithLibrary();
    ASSERT_EQ(e2e::SimControl(e2e::SimControlPort(), "fault zeroword"), "ok");
    Start();
    const auto dialog = e2e::WaitForMessageBox(program.Id(), kCaption, 20s);
    ASSERT_TRUE(dialog.has_value()) << "ReadFailDialog did not show";
    EXPECT_EQ(U8(dialog->text), U8(L"設定値をプリンタから読み込むことができませんでした。\n工場出荷設定を表示します。"));
    EXPECT_EQ(U8(dialog->ButtonTexts()), U8(L"OK(&O)|再試行(&R)|終　了(&E)"));
    e2e::Screenshot(L"read-fail-dialog", dialog->window);
    ASSERT_TRUE(e2e::Answer(*dialog, IDCANCEL));  // 再試行 has id 2
    HWND main = WaitMainWindow();
    ASSERT_NE(main, nullptr);
    EXPECT_FALSE(e2e::FindMessageBox(program.Id()).has_value()) << "no message after a read at start-up";
    EXPECT_EQ(Status(main), (std::vector<std::wstring>{L"プリンタ名： Vantorelli USB", L"接続先： USB001"}));
}

TEST_F(Tamsel, FailedReadThenOkShowsFactoryValues) {
    WithLibrary();
    ASSERT_EQ(e2e::SimControl(e2e::SimControlPort(), "fault zeroword"), "ok");
    Start();
    const auto dialog = e2e::WaitForMessageBox(program.Id(), kCaption, 20s);
    ASSERT_TRUE(dialog.has_value());
    ASSERT_TRUE(e2e::Answer(*dialog, IDOK));
    ExpectMessage(L"工場出荷設定値を表示します。", L"OK", IDOK);
    HWND main = WaitMainWindow();
    ASSERT_NE(main, nullptr);
    EXPECT_EQ(e2e::TabSelected(Item(main, kTab)), 0);
}

TEST_F(Tamsel, FailedReadThenExitEndsTheProgram) {
    WithLibrary();
    ASSERT_EQ(e2e::SimControl(e2e::SimControlPort(), "fault zeroword"), "ok");
    Start();
    const auto dialog = e2e::WaitForMessageBox(program.Id(), kCaption, 20s);
    ASSERT_TRUE(dialog.has_value());
    ASSERT_TRUE(e2e::Answer(*dialog, kReadFailExit));
    ExpectMessage(L"ソルベナを終了します。", L"OK", IDOK);
    ExpectExit(0);
    EXPECT_TRUE(e2e::TopWindows(program.Id(), L"#32770", kMainTitle).empty());
}

// --- one copy at a time, registration switches ----------------------------------

TEST_F(Tamsel, SecondStartActivatesTheFirstWindowAlsoWhenMinimised) {
    WithLibrary();
    Start();
    HWND main = WaitMainWindow();
    ASSERT_NE(main, nullptr);
    for (bool minimised : {false, true}) {
        if (minimised) {
            ::PostMessageW(main, WM_SYSCOMMAND, SC_MINIMIZE, 0);
            ASSERT_TRUE(e2e::WaitUntil([&] { return ::IsIconic(main) != FALSE; }, 5s));
        } else {
            // Someone else has the foreground first.
            ::SetForegroundWindow(::GetDesktopWindow());
        }
        second = Launch();
        EXPECT_EQ(second.WaitForExit(20s), std::optional<DWORD>(0)) << "minimised " << minimised;
        EXPECT_TRUE(e2e::WaitUntil([&] { return !::IsIconic(main) && e2e::IsForeground(main); }, 5s))
            << "minimised " << minimised;
        EXPECT_EQ(e2e::TopWindows(0, L"#32770", kMainTitle).size(), 1u) << "only the first copy's window";
    }
}

class TamselSwitches : public Tamsel, public ::testing::WithParamInterface<const wchar_t*> {};

TEST_P(TamselSwitches, EndWithoutAWindow) {
    WithLibrary();
    Start(GetParam());
    bool windowSeen = false;
    const bool ended = e2e::WaitUntil(
        [&] {
            windowSeen = windowSeen || !e2e::TopWindows(program.Id()).empty();
            return !program.Running();
        },
        20s);
    EXPECT_TRUE(ended);
    EXPECT_FALSE(windowSeen);
}

INSTANTIATE_TEST_SUITE_P(Keywords, TamselSwitches,
                         ::testing::Values(L"/RegServer", L"-unregserver", L"/regserver", L"-UnregServer"));

TEST_F(Tamsel, SwitchFollowedByAnotherOpensTheMainWindow) {
    WithLibrary();
    Start(L"/RegServer /x");
    EXPECT_NE(WaitMainWindow(), nullptr);
}

}  // namespace

// --- the five pages --------------------------------------------------------------

namespace pages {

// Tab order of the pages.
constexpr int kParam1 = 0, kParam2 = 1, kAdjust = 2, kIp = 3, kDip = 4;

// The DIP switch lines for the simulator's switches 1011000001.
const wchar_t kSimDipLines[] =
    L"DIPSW   1 - 2 : 未使用\r\n"
    L"DIPSW   3 - 4 : カット印刷モード \r\n"
    L"DIPSW   5      : 感熱式印刷 \r\n"
    L"DIPSW   6 - 7 : センサー無視 \r\n"
    L"DIPSW   8      : プリンタドライバ設定有効 \r\n"
    L"DIPSW   9      : ソルベナ設定有効 \r\n"
    L"DIPSW  10      : 本体USB接続有効 \r\n";

// Every switch in state 3 (not available).
const wchar_t kUnknownDipLines[] =
    L"DIPSW   1 - 2 : 不明 \r\n"
    L"DIPSW   3 - 4 : 不明 \r\n"
    L"DIPSW   5      : 不明 \r\n"
    L"DIPSW   6 - 7 : 不明 \r\n"
    L"DIPSW   8      : 不明 \r\n"
    L"DIPSW   9      : 不明 \r\n"
    L"DIPSW  10      : 不明 \r\n";

}  // namespace pages

class TamselPages : public Tamsel {
protected:
    void SetUp() override {
        Tamsel::SetUp();
        WithLibrary();
        Printers("one-usb");
    }

    // Starts the program and waits for its main window.
    void Open() {
        Start();
        main = WaitMainWindow();
        ASSERT_NE(main, nullptr);
    }

    // The page that holds control `uniqueId` (an id no other page uses),
    // after its tab was clicked.
    HWND ShowPage(int tab, int uniqueId) {
        HWND tabs = Item(main, kTab);
        e2e::ClickTab(tabs, tab);
        EXPECT_TRUE(e2e::WaitUntil([&] { return e2e::TabSelected(tabs) == tab; }, 5s));
        HWND control = e2e::Child(main, uniqueId);
        EXPECT_NE(control, nullptr) << "no control " << uniqueId << " on page " << tab;
        if (control == nullptr) return nullptr;
        HWND page = ::GetParent(control);
        EXPECT_TRUE(e2e::WaitUntil([&] { return e2e::IsShown(page); }, 5s));
        return page;
    }

    // The ids of the checked radio buttons among `ids` on `page`.
    std::vector<int> Checked(HWND page, const std::vector<int>& ids) {
        std::vector<int> checked;
        for (int id : ids) {
            HWND b = e2e::Child(page, id, L"Button");
            if (b != nullptr && e2e::CheckState(b) == BST_CHECKED) checked.push_back(id);
        }
        return checked;
    }

    HWND main = nullptr;
};

TEST_F(TamselPages, SimulatorValuesOnTheParameterPages) {
    Open();
    // Parameters 1: one checked button per group (PARAM[27] = 2 is the third
    // button of "印刷方向"; the hidden cutter group holds PARAM[13] = 0).
    HWND page = ShowPage(pages::kParam1, 1297);
    ASSERT_NE(page, nullptr);
    EXPECT_EQ(Checked(page, {1069, 1021, 1020, 1026, 1070, 1022, 1076, 1028, 1072, 1024, 1071, 1023, 1297, 1298,
                             1077, 1029, 1079, 1031, 1032, 1080, 1033, 1034, 1075, 1027, 1035, 1036}),
              (std::vector<int>{1069, 1020, 1070, 1028, 1072, 1071, 1297, 1029, 1032, 1080, 1075}));
    e2e::Screenshot(L"page-param1", main);

    page = ShowPage(pages::kParam2, 1302);
    ASSERT_NE(page, nullptr);
    EXPECT_EQ(Checked(page, {1299, 1021, 1300, 1026, 1301, 1022, 1304, 1028, 1302, 1310, 1078, 1298, 1309, 1303, 1023,
                             1306, 1029, 1305, 1031, 1032, 1307, 1024}),
              (std::vector<int>{1021, 1300, 1301, 1304, 1302, 1078, 1303, 1306, 1305, 1307}));
    for (int id : {1078, 1298, 1309}) EXPECT_TRUE(e2e::IsEnabled(Item(page, id))) << id << ": automatic cut is on";
    e2e::Screenshot(L"page-param2", main);
}

TEST_F(TamselPages, SimulatorValuesOnTheFineAdjustPage) {
    Open();
    HWND page = ShowPage(pages::kAdjust, 1243);
    ASSERT_NE(page, nullptr);
    const std::pair<int, const wchar_t*> texts[] = {
        {1065, L"-3"},  {1070, L"0"},     {1243, L"5.7"},  {1074, L"後方"}, {1062, L"5.7"},   {1075, L"前方"},
        {1063, L"0.0"}, {1076, L"後方"}, {1064, L"0.0"},  {1077, L"後方"}, {1066, L"0.0"},   {1078, L"後方"},
        {1067, L"105.7"}, {1079, L"左側"}};
    for (const auto& [id, text] : texts) {
        EXPECT_EQ(U8(e2e::TextOf(Item(page, id))), U8(text)) << "control " << id;
    }
    EXPECT_EQ(e2e::UpDownPosition(Item(page, 1244, L"msctls_updown32")), 57);
    EXPECT_EQ(e2e::UpDownRange(Item(page, 1061, L"msctls_updown32")), (std::pair<int, int>{0, 1057}));
    e2e::Screenshot(L"page-adjust", main);
}

TEST_F(TamselPages, SimulatorValuesOnTheIpPage) {
    Open();
    HWND page = ShowPage(pages::kIp, 1256);
    ASSERT_NE(page, nullptr);
    EXPECT_EQ(e2e::IpAddress(Item(page, 1256, L"SysIPAddress32")), std::optional<DWORD>(MAKEIPADDRESS(10, 0, 0, 1)));
    EXPECT_EQ(e2e::IpAddress(Item(page, 1258, L"SysIPAddress32")),
              std::optional<DWORD>(MAKEIPADDRESS(255, 255, 255, 0)));
    EXPECT_EQ(e2e::IpAddress(Item(page, 1259, L"SysIPAddress32")), std::optional<DWORD>(MAKEIPADDRESS(10, 0, 0, 254)));
    EXPECT_EQ(U8(e2e::TextOf(Item(page, 1262, L"Edit"))), "2560");
    EXPECT_EQ(Checked(page, {1264, 1019, 1265, 1020}), (std::vector<int>{1019, 1265}));
    e2e::Screenshot(L"page-ip", main);
}

TEST_F(TamselPages, SimulatorValuesOnTheDipSwitchPage) {
    Open();
    HWND page = ShowPage(pages::kDip, 1294);
    ASSERT_NE(page, nullptr);
    HWND lines = Item(page, 1266, L"Edit");
    EXPECT_TRUE(e2e::WaitUntil([&] { return e2e::TextOf(lines) == pages::kSimDipLines; }, 5s))
        << "the seven lines, byte for byte; shown:\n" << U8(e2e::TextOf(lines));
    e2e::Screenshot(L"page-dipsw", main);
}

TEST_F(TamselPages, FactoryValuesAfterAFailedReadShowEveryDipSwitchUnknown) {
    ASSERT_EQ(e2e::SimControl(e2e::SimControlPort(), "fault zeroword"), "ok");
    Start();
    const auto dialog = e2e::WaitForMessageBox(program.Id(), kCaption, 20s);
    ASSERT_TRUE(dialog.has_value());
    ASSERT_TRUE(e2e::Answer(*dialog, IDOK));
    ExpectMessage(L"工場出荷設定値を表示します。", L"OK", IDOK);
    main = WaitMainWindow();
    ASSERT_NE(main, nullptr);
    HWND page = ShowPage(pages::kDip, 1294);
    ASSERT_NE(page, nullptr);
    EXPECT_TRUE(e2e::WaitUntil([&] { return e2e::TextOf(Item(page, 1266, L"Edit")) == pages::kUnknownDipLines; }, 5s));
    page = ShowPage(pages::kIp, 1256);
    EXPECT_EQ(e2e::TextOf(Item(page, 1262, L"Edit")), L"12000") << "the factory socket port";
}

TEST_F(TamselPages, ReturnTimeButtonsFollowTheAutomaticCutChoiceAtOnce) {
    Open();
    HWND page = ShowPage(pages::kParam2, 1302);
    ASSERT_NE(page, nullptr);
    const auto allEnabled = [&](bool enabled) {
        for (int id : {1078, 1298, 1309}) {
            if (e2e::IsEnabled(Item(page, id)) != enabled) return false;
        }
        return true;
    };
    ASSERT_TRUE(allEnabled(true));
    e2e::Click(Item(page, 1310, L"Button"));  // 無効(&X)
    EXPECT_TRUE(e2e::WaitUntil([&] { return allEnabled(false); }, 5s));
    EXPECT_EQ(e2e::CheckState(Item(page, 1078, L"Button")), BST_CHECKED) << "the return time stays chosen";
    e2e::Click(Item(page, 1302, L"Button"));  // 有効（&Y)
    EXPECT_TRUE(e2e::WaitUntil([&] { return allEnabled(true); }, 5s));
}

// Typed with the focus in the field, as a person types: the guard rewrites
// the text at once.
TEST_F(TamselPages, RangeGuardRewritesTypedFineAdjustValues) {
    Open();
    HWND page = ShowPage(pages::kAdjust, 1243);
    ASSERT_NE(page, nullptr);
    struct Case {
        int edit;
        const wchar_t* typed;
        const wchar_t* shown;
    };
    const Case cases[] = {
        {1243, L"12", L"9.9"},      {1243, L"-1", L"0.0"},     {1243, L"0.05", L"0.0"},
        {1064, L"1.234", L"9.9"},   {1243, L"1.234", L"1.234"}, {1065, L"-100", L"-10"},
        {1065, L"100", L"10"},      {1065, L"5.5", L"5.5"},
    };
    for (const auto& c : cases) {
        HWND edit = Item(page, c.edit, L"Edit");
        ASSERT_TRUE(e2e::FocusAndSelectAll(edit)) << c.edit;
        ASSERT_TRUE(e2e::TypeText(edit, c.typed));
        EXPECT_TRUE(e2e::WaitUntil([&] { return e2e::TextOf(edit) == c.shown; }, 5s))
            << "edit " << c.edit << " after typing " << U8(c.typed) << " shows " << U8(e2e::TextOf(edit));
    }
}

TEST_F(TamselPages, SpinUpAt57Shows5Point8) {
    Open();
    HWND page = ShowPage(pages::kAdjust, 1243);
    ASSERT_NE(page, nullptr);
    HWND edit = Item(page, 1243, L"Edit");
    ASSERT_EQ(e2e::TextOf(edit), L"5.7");
    e2e::ClickUpDown(Item(page, 1244, L"msctls_updown32"), /*up=*/true);
    EXPECT_TRUE(e2e::WaitUntil([&] { return e2e::TextOf(edit) == L"5.8"; }, 5s)) << "shown: " << U8(e2e::TextOf(edit));
    // The density spins write plain integers: -3 up one is -2.
    e2e::ClickUpDown(Item(page, 1059, L"msctls_updown32"), /*up=*/true);
    EXPECT_TRUE(e2e::WaitUntil([&] { return e2e::TextOf(Item(page, 1065, L"Edit")) == L"-2"; }, 5s));
}
