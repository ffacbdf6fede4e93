// Tamsel.exe sending to the simulated printer, keeping settings files and
// showing factory values, driven from outside under Wine as an operator
// would: every question before values could be lost, every message of a send
// and of the two file commands. The printer-sim's control port tells what the
// printer now holds and how often it was restarted; each test starts from
// the simulator's starting values.
#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include <chrono>
#include <cstdint>
#include <cwchar>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>
#include <vector>

#include "e2e/driver/window_driver.h"
#include "e2e/fixture/sim_control.h"
#include "e2e/fixture/spooler_setup.h"

namespace {

using namespace std::chrono_literals;

const wchar_t kMainTitle[] = L"KVT Vantorelli 7K4R2B-55 ソルベナ";
const wchar_t kCaption[] = L"ソルベナ";
const wchar_t kSendTitle[] = L"プリンタへ送信";
const wchar_t kSelectTitle[] = L"プリンタの選択";
const wchar_t kAddressTitle[] = L"IPアドレス設定";

// Commands of the main window.
constexpr int kCommandOpen = 32781;
constexpr int kCommandSave = 32782;
constexpr int kCommandExit = 32783;
constexpr int kCommandSend = 32784;
constexpr int kCommandFactory = 32785;
constexpr int kCommandSelectPrinter = 32798;
constexpr int kTab = 1000;
constexpr int kToolbar = 2016;
constexpr int kToolSend = 2002;

// The send dialog's choices.
constexpr int kSendParam = 1248;
constexpr int kSendAdjust = 1043;
constexpr int kSendAddress = 1252;
constexpr int kSendAll = 1253;

// Pages, and a control that only that page has.
constexpr int kPageParam1 = 0, kPageAdjust = 2, kPageIp = 3, kPageDip = 4;
constexpr int kParam1Unique = 1297, kAdjustUnique = 1243, kIpUnique = 1256, kDipUnique = 1294;
constexpr int kBackFeed4ips = 1036;   // PARAM[25] = 3
constexpr int kBackFeed6ips = 1075;   // PARAM[25] = 0
constexpr int kFeedAdjustEdit = 1243; // ADJUST[2], tenths of a millimetre
constexpr int kSocketPortEdit = 1262; // ADDRESS[5]
constexpr int kDipLines = 1266;

// Positions in the simulator's values line: PARAM, ADJUST, ADDRESS.
constexpr std::size_t kValueCount = 31 + 8 + 6;
constexpr std::size_t kBackFeedSpeed = 25;
constexpr std::size_t kFeedAdjust = 31 + 2;
constexpr std::size_t kSocketPort = 31 + 8 + 5;

const wchar_t kSentParam[] = L"（パラメータ設定値）\nプリンタに設定値を送信しました。";
const wchar_t kSentAdjust[] = L"（微調整設定値）\nプリンタに設定値を送信しました。";
const wchar_t kSentAddress[] = L"（IPアドレス設定値）\nプリンタに設定値を送信しました。";
const wchar_t kSentAll[] = L"（一括送信）\nプリンタに設定値を送信しました。";
const wchar_t kAddressQuestion[] = L"IPアドレスが変更されます。\n設定値を送信してもよろしいですか？";
const wchar_t kExitSend[] = L"ソルベナを終了する前に、設定値をプリンタへ送信しますか？";
const wchar_t kExitSave[] = L"ソルベナを終了する前に、設定ファイルへ保存しますか？";
const wchar_t kNotSettingsFile[] = L"このファイルは設定ファイルではありません。";
const wchar_t kWriteFailed[] = L"設定ファイルの書き込みに失敗しました。";
const wchar_t kPortOutOfRange[] = L"ソケット通信ポート番号が範囲外です。\n設定範囲( 10000 ～ 65525 )";

// The text of every dialog's settings-file filter and the wildcard name it
// starts with.
const wchar_t kInitialName[] = L"*.dat";

std::wstring Env(const wchar_t* name) {
    const wchar_t* v = _wgetenv(name);
    return v == nullptr ? std::wstring() : std::wstring(v);
}

std::wstring ProgramFolder() { return Env(L"KES_E2E_BUILD_DIR") + L"\\panel\\app"; }

std::string U8(const std::wstring& text) {
    const int size = ::WideCharToMultiByte(CP_UTF8, 0, text.c_str(), -1, nullptr, 0, nullptr, nullptr);
    std::string out(static_cast<std::size_t>(size), '\0');
    ::WideCharToMultiByte(CP_UTF8, 0, text.c_str(), -1, out.data(), size, nullptr, nullptr);
    if (!out.empty()) out.pop_back();
    return out;
}

std::wstring TestName() {
    const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
    std::string name = std::string(info->test_suite_name()) + "." + info->name();
    for (char& c : name) {
        if (c == '/') c = '_';
    }
    return std::wstring(name.begin(), name.end());
}

std::vector<std::uint8_t> ReadBytes(const std::wstring& path) {
    std::ifstream in(std::filesystem::path(path), std::ios::binary);
    return std::vector<std::uint8_t>((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

void WriteBytes(const std::wstring& path, const std::vector<std::uint8_t>& bytes) {
    ::SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_NORMAL);
    std::ofstream out(std::filesystem::path(path), std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

class TamselSend : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_FALSE(Env(L"KES_E2E_BUILD_DIR").empty()) << "run through e2e/run_e2e.sh";
        ASSERT_EQ(Sim("clear"), "ok") << "the printer-sim must run";
        ASSERT_EQ(Sim("restore"), "ok");
        // The run's printer answers with socket port 2560, which the IP page
        // refuses to save or send: a port it takes, so that the values as
        // read can go out unchanged.
        ASSERT_EQ(Sim("socket-port 12000"), "ok");
        folder = Env(L"KES_E2E_BUILD_DIR") + L"\\e2e\\work\\" + TestName();
        ::CreateDirectoryW((Env(L"KES_E2E_BUILD_DIR") + L"\\e2e\\work").c_str(), nullptr);
        // Files of an earlier run would turn a save into an overwrite.
        std::error_code ignored;
        std::filesystem::remove_all(std::filesystem::path(folder), ignored);
        ::CreateDirectoryW(folder.c_str(), nullptr);
        for (const wchar_t* name : {L"Tamsel.exe", L"Kestrion.dll"}) {
            ASSERT_TRUE(::CopyFileW((ProgramFolder() + L"\\" + name).c_str(), (folder + L"\\" + name).c_str(), FALSE))
                << U8(name) << " missing in " << U8(ProgramFolder());
        }
        start = SimValues();
        ASSERT_EQ(start.size(), kValueCount);
        startResets = Resets();
    }

    void TearDown() override {
        if (HasFailure()) e2e::Screenshot(L"failed-" + TestName());
        program.Terminate();
        EXPECT_EQ(e2e::ApplyPrinterSet("one-usb"), "");
        Sim("clear");
        Sim("restore");
    }

    static std::string Sim(const std::string& line) { return e2e::SimControl(e2e::SimControlPort(), line); }

    // What the printer holds: PARAM, ADJUST, ADDRESS.
    static std::vector<long> SimValues() {
        const std::string line = Sim("values");
        std::vector<long> values;
        if (line.rfind("ok ", 0) != 0) return values;
        std::istringstream in(line.substr(3));
        for (long v; in >> v;) values.push_back(v);
        return values;
    }

    static int Resets() {
        const std::string line = Sim("resets");
        return line.rfind("ok ", 0) == 0 ? std::stoi(line.substr(3)) : -1;
    }

    // Starts the program against the printer set and waits for the main
    // window.
    void Open(const char* set = "one-usb") {
        ASSERT_EQ(e2e::ApplyPrinterSet(set), "");
        DWORD error = 0;
        program = e2e::Process::Start(folder + L"\\Tamsel.exe", L"", folder, &error);
        ASSERT_TRUE(program.Valid()) << "CreateProcessW error " << error;
        main = e2e::WaitForWindow(program.Id(), L"#32770", kMainTitle, 20s);
        ASSERT_NE(main, nullptr) << "the main window did not show";
    }

    // The message box now up must show `text` with `buttons`; it is answered
    // with `answer`.
    void ExpectMessage(const std::wstring& text, const std::wstring& buttons, int answer,
                       const wchar_t* screenshot = nullptr) {
        const auto box = e2e::WaitForMessageBox(program.Id(), kCaption, 20s);
        ASSERT_TRUE(box.has_value()) << "no message box; expected:\n" << U8(text);
        EXPECT_EQ(U8(box->text), U8(text));
        EXPECT_EQ(U8(box->ButtonTexts()), U8(buttons));
        if (screenshot != nullptr) e2e::Screenshot(screenshot, box->window);
        EXPECT_TRUE(e2e::Answer(*box, answer));
    }

    // No message box and no dialog comes up within `wait`.
    void ExpectQuiet(std::chrono::milliseconds wait = 1500ms) {
        ::Sleep(static_cast<DWORD>(wait.count()));
        EXPECT_FALSE(e2e::FindMessageBox(program.Id(), kCaption).has_value()) << "a message came up";
        EXPECT_TRUE(e2e::TopWindows(program.Id(), L"#32770", kSendTitle).empty());
        EXPECT_EQ(FileDialog(0ms), nullptr);
    }

    HWND Item(HWND parent, int id, const wchar_t* cls = L"") {
        HWND h = e2e::Child(parent, id, cls);
        EXPECT_NE(h, nullptr) << "control " << id;
        return h;
    }

    HWND ShowPage(int tab, int uniqueId) {
        HWND tabs = Item(main, kTab);
        e2e::ClickTab(tabs, tab);
        EXPECT_TRUE(e2e::WaitUntil([&] { return e2e::TabSelected(tabs) == tab; }, 5s));
        HWND control = e2e::Child(main, uniqueId);
        if (control == nullptr) return nullptr;
        HWND page = ::GetParent(control);
        EXPECT_TRUE(e2e::WaitUntil([&] { return e2e::IsShown(page); }, 5s));
        return page;
    }

    void ClickRadio(HWND page, int id) {
        HWND button = Item(page, id, L"Button");
        e2e::Click(button);
        EXPECT_TRUE(e2e::WaitUntil([&] { return e2e::CheckState(button) == BST_CHECKED; }, 5s)) << id;
    }

    // The three edits of the round trip: PARAM[25] 4 ips, ADJUST[2] 6.5 mm,
    // ADDRESS[5] 12345.
    void EditOneValueOfEachBlock() {
        ClickRadio(ShowPage(kPageParam1, kParam1Unique), kBackFeed4ips);
        e2e::SetText(Item(ShowPage(kPageAdjust, kAdjustUnique), kFeedAdjustEdit, L"Edit"), L"6.5");
        e2e::SetText(Item(ShowPage(kPageIp, kIpUnique), kSocketPortEdit, L"Edit"), L"12345");
        ShowPage(kPageParam1, kParam1Unique);
    }

    std::vector<long> Edited(bool param, bool adjust, bool address) const {
        std::vector<long> v = start;
        if (param) v[kBackFeedSpeed] = 3;
        if (adjust) v[kFeedAdjust] = 65;
        if (address) v[kSocketPort] = 12345;
        return v;
    }

    HWND OpenSendDialog() {
        e2e::PostCommand(main, kCommandSend);
        HWND dialog = e2e::WaitForWindow(program.Id(), L"#32770", kSendTitle, 20s);
        EXPECT_NE(dialog, nullptr) << "the send dialog did not show";
        return dialog;
    }

    HWND Button(HWND dialog, const wchar_t* text) {
        HWND h = e2e::ChildByText(dialog, L"Button", text);
        EXPECT_NE(h, nullptr) << "no button " << U8(text);
        return h;
    }

    // Opens the send dialog, chooses `choice` and clicks 送信.
    void Send(int choice) {
        HWND dialog = OpenSendDialog();
        ASSERT_NE(dialog, nullptr);
        HWND radio = Item(dialog, choice, L"Button");
        e2e::Click(radio);
        ASSERT_TRUE(e2e::WaitUntil([&] { return e2e::CheckState(radio) == BST_CHECKED; }, 5s));
        e2e::Click(Button(dialog, L"送信"));
        EXPECT_TRUE(e2e::WaitForWindowGone(dialog));
    }

    // The open or save-as dialog of the program: a dialog box with the file
    // name field (id 1148, an Edit inside the combo box).
    HWND FileDialog(std::chrono::milliseconds wait = 20s) {
        HWND found = nullptr;
        e2e::WaitUntil(
            [&] {
                for (HWND w : e2e::TopWindows(program.Id(), L"#32770")) {
                    if (w != main && e2e::Child(w, 1148, L"Edit") != nullptr) found = w;
                }
                return found != nullptr;
            },
            wait);
        return found;
    }

    // Types `path` into the file dialog now up and confirms it.
    void ChooseFile(const std::wstring& path, const wchar_t* screenshot = nullptr) {
        HWND dialog = FileDialog();
        ASSERT_NE(dialog, nullptr) << "no file dialog";
        HWND name = Item(dialog, 1148, L"Edit");
        EXPECT_EQ(U8(e2e::TextOf(name)), U8(kInitialName)) << "the dialog starts with the wildcard name";
        if (screenshot != nullptr) e2e::Screenshot(screenshot, dialog);
        e2e::SetText(name, path);
        e2e::Click(Item(dialog, IDOK, L"Button"));
        // Gone, or asking before it writes over a file.
        EXPECT_TRUE(e2e::WaitUntil(
            [&] { return !e2e::IsShown(dialog) || e2e::FindMessageBox(program.Id(), L"").has_value(); }, 20s));
    }

    void CancelFileDialog() {
        HWND dialog = FileDialog();
        ASSERT_NE(dialog, nullptr) << "no file dialog";
        e2e::Click(Item(dialog, IDCANCEL, L"Button"));
        EXPECT_TRUE(e2e::WaitForWindowGone(dialog));
    }

    void ExpectExit(DWORD code) { EXPECT_EQ(program.WaitForExit(20s), std::optional<DWORD>(code)); }

    int BackFeedChecked() {
        HWND page = ShowPage(kPageParam1, kParam1Unique);
        for (int id : {kBackFeed6ips, 1027, 1035, kBackFeed4ips}) {
            if (e2e::CheckState(Item(page, id, L"Button")) == BST_CHECKED) return id;
        }
        return 0;
    }

    std::wstring folder;
    e2e::Process program;
    HWND main = nullptr;
    std::vector<long> start;
    int startResets = 0;
};

// --- sending ----------------------------------------------------------------------

TEST_F(TamselSend, RoundTripSendsEachGroupThenEverything) {
    Open();
    EditOneValueOfEachBlock();
    for (const auto& [page, unique] : {std::pair{kPageParam1, kParam1Unique}, std::pair{1, 1302},
                                       std::pair{kPageAdjust, kAdjustUnique}, std::pair{kPageIp, kIpUnique},
                                       std::pair{kPageDip, kDipUnique}}) {
        ShowPage(page, unique);
        e2e::Screenshot(L"main-page-" + std::to_wstring(page), main);
    }
    ShowPage(kPageParam1, kParam1Unique);

    Send(kSendParam);
    ExpectMessage(kSentParam, L"OK", IDOK, L"message-sent-param");
    EXPECT_EQ(SimValues(), Edited(true, false, false));
    EXPECT_EQ(Resets(), startResets + 1);

    Send(kSendAdjust);
    ExpectMessage(kSentAdjust, L"OK", IDOK, L"message-sent-adjust");
    EXPECT_EQ(SimValues(), Edited(true, true, false));
    EXPECT_EQ(Resets(), startResets + 2);

    Send(kSendAddress);
    ExpectMessage(kAddressQuestion, L"OK|キャンセル", IDOK, L"message-address-question");
    ExpectMessage(kSentAddress, L"OK", IDOK, L"message-sent-address");
    EXPECT_EQ(SimValues(), Edited(true, true, true));
    EXPECT_EQ(Resets(), startResets + 3);

    Send(kSendAll);
    ExpectMessage(kAddressQuestion, L"OK|キャンセル", IDOK);
    ExpectMessage(kSentAll, L"OK", IDOK, L"message-sent-all");
    EXPECT_EQ(SimValues(), Edited(true, true, true)) << "exactly the sent values";
    EXPECT_EQ(Resets(), startResets + 4) << "one restart per accepted send";

    // Everything is the printer's now; only the file question is left.
    e2e::PostCommand(main, kCommandExit);
    ExpectMessage(kExitSave, L"はい(&Y)|いいえ(&N)|キャンセル", IDNO, L"message-exit-save");
    ExpectExit(0);
}

TEST_F(TamselSend, ReadBackThatDiffersIsNotAcceptedAndNotRestarted) {
    Open();
    ClickRadio(ShowPage(kPageParam1, kParam1Unique), kBackFeed4ips);
    ASSERT_EQ(Sim("fault ignoresets,n=-1"), "ok");
    Send(kSendParam);
    ExpectMessage(L"データセットに失敗しました。", L"OK", IDOK, L"message-read-back-differs");
    EXPECT_EQ(Resets(), startResets) << "no restart";
    EXPECT_EQ(SimValues(), start);

    // The values still count as changed against the printer: Alt+F4 asks.
    ASSERT_TRUE(e2e::TypeKeys(main, {VK_MENU}, VK_F4));
    ExpectMessage(kExitSend, L"はい(&Y)|いいえ(&N)|キャンセル", IDCANCEL, L"message-exit-send");
    ExpectQuiet();
    EXPECT_TRUE(program.Running());
}

TEST_F(TamselSend, ReadBackThatFailsIsReported) {
    Open();
    ClickRadio(ShowPage(kPageParam1, kParam1Unique), kBackFeed4ips);
    // The set's job and the read-back's job each take one connection; the
    // read-back's reply is spoilt.
    ASSERT_EQ(Sim("fault zeroword,n=2"), "ok");
    Send(kSendParam);
    ExpectMessage(L"設定データ取得に失敗しました。", L"OK", IDOK, L"message-read-back-failed");
    EXPECT_EQ(Resets(), startResets);
    EXPECT_EQ(SimValues(), Edited(true, false, false)) << "the set itself went through";
}

TEST_F(TamselSend, LocalPortIsNeverReadBack) {
    Open("one-local");
    ClickRadio(ShowPage(kPageParam1, kParam1Unique), kBackFeed4ips);
    // A read-back would find the old value: only skipping it lets the send pass.
    ASSERT_EQ(Sim("fault ignoresets,n=-1"), "ok");
    Send(kSendParam);
    ExpectMessage(kSentParam, L"OK", IDOK);
    EXPECT_EQ(Resets(), startResets + 1);
    EXPECT_EQ(SimValues(), start);
}

TEST_F(TamselSend, SetThatFailsShowsTheSendFailure) {
    // A network printer reached over TCP at the simulator's port.
    const int port = e2e::SimPrinterPort();
    ASSERT_GE(port, 10000);
    WriteBytes(folder + L"\\SetIP", {127, 0, 0, 1, static_cast<std::uint8_t>(port & 0xFF),
                                     static_cast<std::uint8_t>(port >> 8), 0, 0});
    ASSERT_EQ(e2e::ApplyPrinterSet("one-net"), "");
    DWORD error = 0;
    program = e2e::Process::Start(folder + L"\\Tamsel.exe", L"", folder, &error);
    ASSERT_TRUE(program.Valid());
    HWND address = e2e::WaitForWindow(program.Id(), L"#32770", kAddressTitle, 20s);
    ASSERT_NE(address, nullptr);
    e2e::Click(Button(address, L"OK"));
    main = e2e::WaitForWindow(program.Id(), L"#32770", kMainTitle, 20s);
    ASSERT_NE(main, nullptr);

    e2e::SetText(Item(ShowPage(kPageAdjust, kAdjustUnique), kFeedAdjustEdit, L"Edit"), L"6.5");
    ASSERT_EQ(Sim("fault refuse"), "ok");
    Send(kSendAdjust);
    ExpectMessage(L"送信に失敗しました。\n接続を確認して再度送信してください。", L"OK", IDOK, L"message-send-failed");
    ASSERT_EQ(Sim("clear"), "ok");
    EXPECT_EQ(SimValues(), start);
    EXPECT_EQ(Resets(), startResets);
}

TEST_F(TamselSend, OnlyDipSwitchesDifferingIsAccepted) {
    Open();
    // A settings file of the printer's own values with other switch states.
    const std::wstring path = folder + L"\\switches.dat";
    e2e::PostCommand(main, kCommandSave);
    ChooseFile(path);
    ASSERT_TRUE(e2e::WaitUntil([&] { return ReadBytes(path).size() == 228; }, 10s));
    std::vector<std::uint8_t> bytes = ReadBytes(path);
    for (int i = 0; i < 10; ++i) bytes[28 + 4 * i] = static_cast<std::uint8_t>(1 - bytes[28 + 4 * i]);
    WriteBytes(path, bytes);

    e2e::PostCommand(main, kCommandOpen);
    ChooseFile(path);
    HWND lines = Item(ShowPage(kPageDip, kDipUnique), kDipLines, L"Edit");
    EXPECT_TRUE(e2e::WaitUntil([&] { return e2e::TextOf(lines).find(L"本体USB接続有効") == std::wstring::npos; }, 5s))
        << "the file's switches are shown:\n" << U8(e2e::TextOf(lines));
    Send(kSendParam);
    ExpectMessage(kSentParam, L"OK", IDOK);
    EXPECT_EQ(SimValues(), start) << "the switches are never sent";
    EXPECT_EQ(Resets(), startResets + 1);
}

// --- the address question and the change questions -------------------------------

TEST_F(TamselSend, CancelledAddressQuestionSendsNothingAndStopsAPrinterChange) {
    Open();
    e2e::SetText(Item(ShowPage(kPageIp, kIpUnique), kSocketPortEdit, L"Edit"), L"12345");

    Send(kSendAddress);
    ExpectMessage(kAddressQuestion, L"OK|キャンセル", IDCANCEL);
    ExpectQuiet();
    EXPECT_EQ(SimValues(), start);

    // The printer change asks to send; a cancelled address question stops it
    // before the file question and the selection.
    e2e::PostCommand(main, kCommandSelectPrinter);
    ExpectMessage(L"設定値が変更されています。\nプリンタを切り替える前に、設定値をプリンタへ送信しますか？",
                  L"はい(&Y)|いいえ(&N)|キャンセル", IDYES, L"message-change-send");
    Send(kSendAll);
    ExpectMessage(kAddressQuestion, L"OK|キャンセル", IDCANCEL);
    ExpectQuiet();
    EXPECT_TRUE(e2e::TopWindows(program.Id(), L"#32770", kSelectTitle).empty());

    // The exit that asked for the send goes on with the file question.
    e2e::PostCommand(main, kCommandExit);
    ExpectMessage(kExitSend, L"はい(&Y)|いいえ(&N)|キャンセル", IDYES);
    Send(kSendAddress);
    ExpectMessage(kAddressQuestion, L"OK|キャンセル", IDCANCEL);
    ExpectMessage(kExitSave, L"はい(&Y)|いいえ(&N)|キャンセル", IDNO);
    ExpectExit(0);
    EXPECT_EQ(SimValues(), start);
    EXPECT_EQ(Resets(), startResets);
}

TEST_F(TamselSend, PrinterChangeAsksAboutTheFileAfterTheSend) {
    Open();
    ClickRadio(ShowPage(kPageParam1, kParam1Unique), kBackFeed4ips);
    e2e::PostCommand(main, kCommandSelectPrinter);
    ExpectMessage(L"設定値が変更されています。\nプリンタを切り替える前に、設定値をプリンタへ送信しますか？",
                  L"はい(&Y)|いいえ(&N)|キャンセル", IDNO);
    ExpectMessage(L"設定値が変更されています。\nプリンタを切り替える前に、設定ファイルへ保存しますか？",
                  L"はい(&Y)|いいえ(&N)|キャンセル", IDCANCEL, L"message-change-save");
    ExpectQuiet();
    EXPECT_TRUE(e2e::TopWindows(program.Id(), L"#32770", kSelectTitle).empty());
}

// --- the send dialog ------------------------------------------------------------------

TEST_F(TamselSend, SendDialogEnterSendsTheParameters) {
    Open();
    HWND dialog = OpenSendDialog();
    ASSERT_NE(dialog, nullptr);
    EXPECT_EQ(e2e::CheckState(Item(dialog, kSendParam, L"Button")), BST_CHECKED) << "each run starts at 0";
    for (int hidden : {1250, 1251}) EXPECT_FALSE(e2e::IsShown(Item(dialog, hidden, L"Button"))) << hidden;
    EXPECT_EQ(U8(e2e::TextOf(Item(dialog, IDCANCEL, L"Button"))), "ｷｬﾝｾﾙ");
    e2e::Screenshot(L"send-dialog", dialog);
    HWND focus = e2e::FocusOf(dialog);
    e2e::PressKey(focus != nullptr ? focus : dialog, VK_RETURN);
    ExpectMessage(kSentParam, L"OK", IDOK);
    EXPECT_EQ(Resets(), startResets + 1);
}

TEST_F(TamselSend, SendDialogChoiceEnablesTheSendCommandExceptForEverything) {
    Open();
    HWND toolbar = Item(main, kToolbar, L"ToolbarWindow32");
    const auto sendEnabled = [&] {
        for (const auto& b : e2e::ToolbarButtons(toolbar)) {
            if (b.command == kToolSend) return b.enabled;
        }
        return false;
    };
    // Grey the button from outside, so that only the data check command can
    // bring it back.
    const auto grey = [&] {
        ::SendMessageW(toolbar, TB_ENABLEBUTTON, kToolSend, MAKELPARAM(FALSE, 0));
        ASSERT_FALSE(sendEnabled());
    };

    grey();
    HWND dialog = OpenSendDialog();
    ASSERT_NE(dialog, nullptr);
    e2e::Click(Item(dialog, kSendAll, L"Button"));
    e2e::Click(Button(dialog, L"送信"));
    ExpectMessage(kAddressQuestion, L"OK|キャンセル", IDCANCEL);
    EXPECT_FALSE(sendEnabled()) << "一括送信 sends no data check command";

    dialog = OpenSendDialog();
    ASSERT_NE(dialog, nullptr);
    EXPECT_EQ(e2e::CheckState(Item(dialog, kSendParam, L"Button")), BST_CHECKED) << "the last choice is forgotten";
    e2e::Click(Item(dialog, kSendAddress, L"Button"));
    EXPECT_TRUE(e2e::WaitUntil(sendEnabled, 5s)) << "IPアドレス設定値 enables the send command";
    grey();
    e2e::Click(Item(dialog, kSendAdjust, L"Button"));
    EXPECT_TRUE(e2e::WaitUntil(sendEnabled, 5s)) << "微調整設定値 enables the send command";

    // Escape after changing the choice sends nothing.
    HWND focus = e2e::FocusOf(dialog);
    e2e::PressKey(focus != nullptr ? focus : dialog, VK_ESCAPE);
    EXPECT_TRUE(e2e::WaitForWindowGone(dialog));
    ExpectQuiet();
    EXPECT_EQ(Resets(), startResets);
}

// --- the port check --------------------------------------------------------------------

TEST_F(TamselSend, PortOutOfRangeStopsSaveAndSendBeforeAnyDialog) {
    Open();
    e2e::SetText(Item(ShowPage(kPageIp, kIpUnique), kSocketPortEdit, L"Edit"), L"9999");
    e2e::PostCommand(main, kCommandSave);
    ExpectMessage(kPortOutOfRange, L"OK", IDOK, L"message-port-out-of-range");
    ExpectQuiet();
    e2e::PostCommand(main, kCommandSend);
    ExpectMessage(kPortOutOfRange, L"OK", IDOK);
    ExpectQuiet();
    EXPECT_EQ(Resets(), startResets);
}

// --- factory values ----------------------------------------------------------------------

TEST_F(TamselSend, FactoryValuesAfterAReadKeepTheSwitchesAndCountAsChanged) {
    Open();
    HWND dipLines = Item(ShowPage(kPageDip, kDipUnique), kDipLines, L"Edit");
    const std::wstring switchesRead = e2e::TextOf(dipLines);
    e2e::PostCommand(main, kCommandFactory);
    ExpectMessage(L"現在の設定値は破棄されます、\n工場出荷設定値に変更しますか？", L"OK|キャンセル", IDOK,
                  L"message-factory-question");
    ExpectMessage(L"工場出荷設定値を表示しました。", L"OK", IDOK, L"message-factory-shown");
    EXPECT_EQ(e2e::TabSelected(Item(main, kTab)), 0);
    EXPECT_EQ(e2e::TextOf(Item(ShowPage(kPageDip, kDipUnique), kDipLines, L"Edit")), switchesRead)
        << "the switches of the last read";
    EXPECT_EQ(e2e::TextOf(Item(ShowPage(kPageIp, kIpUnique), kSocketPortEdit, L"Edit")), L"12000");
    EXPECT_EQ(BackFeedChecked(), kBackFeed6ips);

    // Both change states are set; the close box asks as the exit command does.
    ::PostMessageW(main, WM_SYSCOMMAND, SC_CLOSE, 0);
    ExpectMessage(kExitSend, L"はい(&Y)|いいえ(&N)|キャンセル", IDNO);
    ExpectMessage(kExitSave, L"はい(&Y)|いいえ(&N)|キャンセル", IDYES);
    // A save that did not happen keeps the window open with the values.
    CancelFileDialog();
    ExpectQuiet();
    EXPECT_EQ(program.WaitForExit(0ms), std::nullopt) << "closed although nothing was saved";
    EXPECT_TRUE(::IsWindow(main));
    EXPECT_EQ(BackFeedChecked(), kBackFeed6ips);

    ::PostMessageW(main, WM_SYSCOMMAND, SC_CLOSE, 0);
    ExpectMessage(kExitSend, L"はい(&Y)|いいえ(&N)|キャンセル", IDNO);
    ExpectMessage(kExitSave, L"はい(&Y)|いいえ(&N)|キャンセル", IDNO);
    ExpectExit(0);
}

// --- settings files ------------------------------------------------------------------------

TEST_F(TamselSend, SaveReopenAndExitWithoutAFileQuestion) {
    Open();
    ClickRadio(ShowPage(kPageParam1, kParam1Unique), kBackFeed4ips);
    const std::wstring path = folder + L"\\saved.dat";
    e2e::PostCommand(main, kCommandSave);
    ChooseFile(path, L"save-dialog");
    ASSERT_TRUE(e2e::WaitUntil([&] { return ReadBytes(path).size() == 228; }, 10s));
    const std::vector<std::uint8_t> bytes = ReadBytes(path);
    EXPECT_EQ(std::string(bytes.begin(), bytes.begin() + 26), "KVT Vantorelli 7K4R;PARAM,");
    EXPECT_EQ(bytes[28 + 4 * 25], 3) << "PARAM[25] as chosen";

    // Another edit, then the saved file back: the question first.
    ClickRadio(ShowPage(kPageParam1, kParam1Unique), kBackFeed6ips);
    e2e::ClickTab(Item(main, kTab), kPageIp);
    e2e::PostCommand(main, kCommandOpen);
    ExpectMessage(L"設定が変更されています。\nコマンドを続行すると設定の変更は破棄されます。", L"はい(&Y)|いいえ(&N)",
                  IDYES, L"message-discard-changes");
    ChooseFile(path, L"open-dialog");
    EXPECT_TRUE(e2e::WaitUntil([&] { return e2e::TabSelected(Item(main, kTab)) == 0; }, 5s)) << "the first page";
    EXPECT_EQ(BackFeedChecked(), kBackFeed4ips);

    // The file holds what is shown: the exit asks about the printer only.
    e2e::PostCommand(main, kCommandExit);
    ExpectMessage(kExitSend, L"はい(&Y)|いいえ(&N)|キャンセル", IDNO);
    ExpectExit(0);
}

TEST_F(TamselSend, FilesThatAreNotWholeSettingsFilesChangeNothing) {
    Open();
    ClickRadio(ShowPage(kPageParam1, kParam1Unique), kBackFeed4ips);
    std::vector<std::uint8_t> other(228, 0x20);
    std::vector<std::uint8_t> shortFile(100, 0);
    const std::string header = "KVT Vantorelli 7K4R;PARAM,";
    std::copy(header.begin(), header.end(), shortFile.begin());
    WriteBytes(folder + L"\\other.dat", other);
    WriteBytes(folder + L"\\short.dat", shortFile);

    int round = 0;
    for (const wchar_t* name : {L"other.dat", L"short.dat"}) {
        e2e::PostCommand(main, kCommandOpen);
        ExpectMessage(L"設定が変更されています。\nコマンドを続行すると設定の変更は破棄されます。",
                      L"はい(&Y)|いいえ(&N)", IDYES);
        ChooseFile(folder + L"\\" + name);
        ExpectMessage(kNotSettingsFile, L"OK", IDOK, round++ == 0 ? L"message-not-settings-file" : nullptr);
        EXPECT_EQ(BackFeedChecked(), kBackFeed4ips) << U8(name) << ": the pages keep their values";
    }

    // A file another program holds without sharing cannot be read.
    const std::wstring locked = folder + L"\\locked.dat";
    WriteBytes(locked, std::vector<std::uint8_t>(228, 0));
    HANDLE hold = ::CreateFileW(locked.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                                FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(hold, INVALID_HANDLE_VALUE);
    e2e::PostCommand(main, kCommandOpen);
    ExpectMessage(L"設定が変更されています。\nコマンドを続行すると設定の変更は破棄されます。", L"はい(&Y)|いいえ(&N)",
                  IDYES);
    ChooseFile(locked);
    ExpectMessage(L"設定ファイルの読み込みに失敗しました。", L"OK", IDOK, L"message-file-read-failed");
    EXPECT_EQ(BackFeedChecked(), kBackFeed4ips);

    // Saving over it is no case for another name: one message, no new dialog.
    e2e::PostCommand(main, kCommandSave);
    ChooseFile(locked);
    const auto overwrite = e2e::WaitForMessageBox(program.Id(), L"", 5s);
    if (overwrite.has_value() && overwrite->caption != kCaption) {
        ASSERT_TRUE(e2e::Answer(*overwrite, IDYES));
    }
    ExpectMessage(kWriteFailed, L"OK", IDOK);
    ExpectQuiet();
    ::CloseHandle(hold);
    EXPECT_EQ(ReadBytes(locked), std::vector<std::uint8_t>(228, 0));
}

TEST_F(TamselSend, SaveOverALongerFileKeepsItsLength) {
    Open();
    const std::wstring path = folder + L"\\long.dat";
    WriteBytes(path, std::vector<std::uint8_t>(1000, 0x5A));
    e2e::PostCommand(main, kCommandSave);
    ChooseFile(path);
    // The dialog asks before an existing file is written over.
    const auto overwrite = e2e::WaitForMessageBox(program.Id(), L"", 20s);
    ASSERT_TRUE(overwrite.has_value());
    EXPECT_NE(overwrite->caption, kCaption);
    e2e::Screenshot(L"save-overwrite-question", overwrite->window);
    ASSERT_TRUE(e2e::Answer(*overwrite, IDYES));
    EXPECT_TRUE(e2e::WaitUntil([&] { return ReadBytes(path)[0] == 'K'; }, 10s));
    const std::vector<std::uint8_t> bytes = ReadBytes(path);
    ASSERT_EQ(bytes.size(), 1000u);
    EXPECT_EQ(std::string(bytes.begin(), bytes.begin() + 20), "KVT Vantorelli 7K4R;");
    EXPECT_EQ(bytes[228], 0x5A);
    EXPECT_EQ(bytes[999], 0x5A);
}

// The file comes from the run script (send_file_e2e.sh): read-only to the
// system, so that opening it for writing is refused with "access denied".
TEST_F(TamselSend, ReadOnlyTargetShowsTheWriteFailureAndOffersTheDialogAgain) {
    const std::wstring path = Env(L"KES_E2E_READ_ONLY_FILE");
    ASSERT_FALSE(path.empty()) << "run through e2e/tests/send_file_e2e.sh, which makes the read-only file";
    const std::vector<std::uint8_t> before = ReadBytes(path);
    ASSERT_EQ(before.size(), 300u);
    Open();
    e2e::PostCommand(main, kCommandSave);
    ChooseFile(path);
    const auto overwrite = e2e::WaitForMessageBox(program.Id(), L"", 20s);
    ASSERT_TRUE(overwrite.has_value());
    if (overwrite->caption != kCaption) {
        ASSERT_TRUE(e2e::Answer(*overwrite, IDYES));
    }
    ExpectMessage(kWriteFailed, L"OK", IDOK, L"message-write-failed");
    // A fresh dialog for another name: a name that can be written ends it.
    const std::wstring other = folder + L"\\instead.dat";
    ChooseFile(other);
    EXPECT_TRUE(e2e::WaitUntil([&] { return ReadBytes(other).size() == 228; }, 10s));
    EXPECT_EQ(ReadBytes(path), before);
    // Saved: the exit asks nothing more.
    e2e::PostCommand(main, kCommandExit);
    ExpectExit(0);
}

}  // namespace
