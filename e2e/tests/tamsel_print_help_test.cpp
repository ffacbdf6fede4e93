// Tamsel.exe's test print and help under Wine, driven from outside.
//
// The test print goes through Wine's own PostScript driver: the test
// printers carry PPDs of 305 and 300 dpi, and their ports hand every job to
// e2e/print_capture.sh, which keeps the PostScript and renders it with
// Ghostscript at the printer's resolution. The tests read what the job holds
// (the document, the image and its placement) and compare the rendered page
// with the label bitmap the build drew. The help tests use the Tamsel.chm
// the build made.
#include <windows.h>
#include <winspool.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include <cctype>
#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <regex>
#include <string>
#include <vector>

#include "e2e/driver/window_driver.h"
#include "e2e/fixture/sim_control.h"
#include "e2e/fixture/spooler_setup.h"

namespace {

using namespace std::chrono_literals;

const wchar_t kMainTitle[] = L"KVT Vantorelli 7K4R2B-55 ソルベナ";
const wchar_t kCaption[] = L"ソルベナ";
const wchar_t kAddressTitle[] = L"IPアドレス設定";
const wchar_t kHelpClass[] = L"HH Parent";
const wchar_t kTestPrintQuestion[] = L"テスト印刷を行います。\n装置に添付のテスト用ラベルをセットしてください。";
const wchar_t kHelpMissing[] = L"ヘルプファイルが見つかりません。";

constexpr int kCommandTestPrint = 32818;
constexpr int kCommandHelp = 32806;
constexpr int kToolbar = 2016;
constexpr int kToolTestPrint = 2006;
constexpr int kAddressControl = 1295;
constexpr int kPortEdit = 1266;

constexpr int kLabelWidth = 1244;
constexpr int kLabelHeight = 707;

std::wstring Env(const wchar_t* name) {
    const wchar_t* v = _wgetenv(name);
    return v == nullptr ? std::wstring() : std::wstring(v);
}

std::string Narrow(const std::wstring& text) {
    const int size = ::WideCharToMultiByte(CP_UTF8, 0, text.c_str(), -1, nullptr, 0, nullptr, nullptr);
    std::string out(static_cast<std::size_t>(size), '\0');
    ::WideCharToMultiByte(CP_UTF8, 0, text.c_str(), -1, out.data(), size, nullptr, nullptr);
    if (!out.empty()) out.pop_back();
    return out;
}

std::wstring TestName() {
    const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
    std::string name = std::string(info->test_suite_name()) + "." + info->name();
    return std::wstring(name.begin(), name.end());
}

// "Z:\a\b" as the Unix path "/a/b" (the build lies under Wine's Z: drive).
std::string UnixPath(const std::wstring& windowsPath) {
    std::string path = Narrow(windowsPath.substr(2));
    for (char& c : path) {
        if (c == '\\') c = '/';
    }
    return path;
}

std::vector<std::uint8_t> ReadBytes(const std::wstring& path) {
    std::ifstream in(std::filesystem::path(path), std::ios::binary);
    return std::vector<std::uint8_t>((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

// A black-and-white picture, top row first.
struct Picture {
    int width = 0;
    int height = 0;
    std::vector<std::uint8_t> grey;  // 0 black ... 255 white
    std::uint8_t At(int x, int y) const { return grey[static_cast<std::size_t>(y) * width + x]; }
};

// The label as the build drew it (a BMP file: 24 bits, bottom-up).
Picture ReadLabel(const std::wstring& path) {
    Picture p;
    const auto file = ReadBytes(path);
    if (file.size() < 54) return p;
    const std::size_t offset = file[10] | file[11] << 8 | file[12] << 16;
    p.width = kLabelWidth;
    p.height = kLabelHeight;
    const std::size_t row = kLabelWidth * 3;
    if (file.size() < offset + row * kLabelHeight) return Picture{};
    p.grey.resize(static_cast<std::size_t>(p.width) * p.height);
    for (int y = 0; y < p.height; ++y) {
        for (int x = 0; x < p.width; ++x) {
            p.grey[static_cast<std::size_t>(y) * p.width + x] = file[offset + (p.height - 1 - y) * row + x * 3];
        }
    }
    return p;
}

// Ghostscript's rendering of the job (binary PGM).
Picture ReadPgm(const std::wstring& path) {
    Picture p;
    const auto file = ReadBytes(path);
    std::size_t pos = 0;
    std::vector<std::string> fields;
    while (fields.size() < 4 && pos < file.size()) {
        while (pos < file.size() && std::isspace(file[pos])) ++pos;
        if (pos < file.size() && file[pos] == '#') {
            while (pos < file.size() && file[pos] != '\n') ++pos;
            continue;
        }
        std::string field;
        while (pos < file.size() && !std::isspace(file[pos])) field += static_cast<char>(file[pos++]);
        fields.push_back(field);
    }
    ++pos;
    if (fields.size() != 4 || fields[0] != "P5" || fields[3] != "255") return p;
    p.width = std::stoi(fields[1]);
    p.height = std::stoi(fields[2]);
    if (file.size() < pos + static_cast<std::size_t>(p.width) * p.height) return Picture{};
    p.grey.assign(file.begin() + static_cast<std::ptrdiff_t>(pos),
                  file.begin() + static_cast<std::ptrdiff_t>(pos + static_cast<std::size_t>(p.width) * p.height));
    return p;
}

// The vertical resolution of the printer's default device mode as the
// spooler gives it (level 2); -1 when there is none.
int DefaultResolution(const char* printer) {
    HANDLE handle = nullptr;
    PRINTER_DEFAULTSA defaults = {nullptr, nullptr, PRINTER_ACCESS_USE};
    if (!::OpenPrinterA(const_cast<char*>(printer), &handle, &defaults)) return -1;
    DWORD needed = 0;
    ::GetPrinterA(handle, 2, nullptr, 0, &needed);
    std::vector<BYTE> buffer(needed);
    int resolution = -1;
    if (needed > 0 && ::GetPrinterA(handle, 2, buffer.data(), needed, &needed)) {
        const DEVMODEA* mode = reinterpret_cast<const PRINTER_INFO_2A*>(buffer.data())->pDevMode;
        if (mode != nullptr) resolution = mode->dmYResolution;
    }
    ::ClosePrinter(handle);
    return resolution;
}

class TamselPrintHelp : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_FALSE(Env(L"KES_E2E_BUILD_DIR").empty()) << "run through e2e/run_e2e.sh";
        ASSERT_EQ(e2e::SimControl(e2e::SimControlPort(), "clear"), "ok") << "the printer-sim must run";
        build = Env(L"KES_E2E_BUILD_DIR");
        const std::wstring work = build + L"\\e2e\\work";
        ::CreateDirectoryW(work.c_str(), nullptr);
        folder = work + L"\\" + TestName();
        std::filesystem::remove_all(std::filesystem::path(folder));
        std::filesystem::create_directories(std::filesystem::path(folder));
        captures = folder + L"\\capture";
        for (const wchar_t* file : {L"Tamsel.exe", L"Kestrion.dll"}) {
            ASSERT_TRUE(::CopyFileW((ProgramFolder() + L"\\" + file).c_str(), (folder + L"\\" + file).c_str(), FALSE))
                << Narrow(file);
        }
        // Every job of the PostScript printers goes to the capture script;
        // other jobs on those ports reach the simulated printer.
        const std::string command = "/bin/sh " + std::string(KES_E2E_SOURCE_DIR) + "/e2e/print_capture.sh '" +
                                    UnixPath(captures) + "' '" + UnixPath(build) + "/e2e/port-monitor.sh'";
        ASSERT_EQ(e2e::MapPortsToCapture(command), "");
    }

    void TearDown() override {
        program.Terminate();
        EXPECT_EQ(e2e::ApplyPrinterSet("one-usb"), "");
    }

    std::wstring ProgramFolder() const { return build + L"\\panel\\app"; }

    void WithHelp() {
        ASSERT_TRUE(::CopyFileW((ProgramFolder() + L"\\Tamsel.chm").c_str(), (folder + L"\\Tamsel.chm").c_str(), FALSE))
            << "Tamsel.chm missing beside the built program";
    }

    void Start(const char* printers) {
        ASSERT_EQ(e2e::ApplyPrinterSet(printers), "");
        DWORD error = 0;
        program = e2e::Process::Start(folder + L"\\Tamsel.exe", L"", folder, &error);
        ASSERT_TRUE(program.Valid()) << "CreateProcessW error " << error;
    }

    HWND WaitMainWindow() {
        HWND w = e2e::WaitForWindow(program.Id(), L"#32770", kMainTitle, 20s);
        EXPECT_NE(w, nullptr) << "the main window did not show";
        if (w != nullptr) {
            EXPECT_FALSE(e2e::FindMessageBox(program.Id()).has_value()) << "the start-up read should succeed quietly";
        }
        return w;
    }

    void ExpectMessage(const std::wstring& text, const std::wstring& buttons, int answer, const wchar_t* shot = nullptr) {
        const auto box = e2e::WaitForMessageBox(program.Id(), kCaption, 20s);
        ASSERT_TRUE(box.has_value()) << "no message box";
        EXPECT_EQ(Narrow(box->text), Narrow(text));
        EXPECT_EQ(Narrow(box->ButtonTexts()), Narrow(buttons));
        if (shot != nullptr) e2e::Screenshot(shot, box->window);
        EXPECT_TRUE(e2e::Answer(*box, answer));
    }

    // Nothing shows for a while: no message box and no help window.
    void ExpectNothingShows() {
        EXPECT_FALSE(e2e::WaitUntil(
            [&] {
                return e2e::FindMessageBox(program.Id()).has_value() ||
                       !e2e::TopWindows(program.Id(), kHelpClass).empty();
            },
            2s));
    }

    // Alt+H opens the "ヘルプ(&H)" menu (its pull-down window shows), Enter
    // chooses its first item, "ヘルプ目次(&H)\tF1".
    void OpenHelpMenuAndChooseFirstItem(HWND main) {
        ASSERT_TRUE(e2e::WaitUntil(
            [&] {
                e2e::TypeKeys(main, {VK_MENU}, 'H');
                return e2e::WaitUntil([&] { return !e2e::TopWindows(program.Id(), L"#32768").empty(); }, 1s);
            },
            10s))
            << "the help menu did not open";
        ASSERT_TRUE(e2e::TypeKeys(main, {}, VK_RETURN));
    }

    // The rendered jobs kept by the capture script, oldest first.
    std::vector<std::wstring> Jobs() const {
        std::vector<std::wstring> jobs;
        for (int n = 1;; ++n) {
            const std::wstring base = captures + L"\\print-" + std::to_wstring(n);
            if (::GetFileAttributesW((base + L".pgm").c_str()) == INVALID_FILE_ATTRIBUTES) break;
            jobs.push_back(base);
        }
        return jobs;
    }

    // The test print from the main window, answered with OK; the job's files.
    std::wstring PrintAndCapture(HWND main, const wchar_t* shot) {
        e2e::PostCommand(main, kCommandTestPrint);
        ExpectMessage(kTestPrintQuestion, L"OK|キャンセル", IDOK, shot);
        std::wstring job;
        EXPECT_TRUE(e2e::WaitUntil(
            [&] {
                const auto jobs = Jobs();
                if (jobs.empty()) return false;
                job = jobs.front();
                return true;
            },
            60s))
            << "no PostScript job reached the port";
        return job;
    }

    // What the job holds: one document "testprint", one image of the label's
    // pixels, placed at the page's top left and scaled to `scale` dots per
    // pixel; rendered, it is the label.
    void ExpectLabel(const std::wstring& job, int scale, int dpi, const char* printer) {
        ASSERT_FALSE(job.empty());
        const auto bytes = ReadBytes(job + L".ps");
        const std::string ps(bytes.begin(), bytes.end());
        EXPECT_NE(ps.find("%%Title: testprint"), std::string::npos) << "document name";
        const auto name = ReadBytes(job + L".printer");
        EXPECT_EQ(std::string(name.begin(), name.end()), std::string(printer) + "\n");

        // The page in the printer's dots (72 / dpi points each), and the
        // picture: at the top left, 1244 x 707 source pixels drawn over
        // 1244 x scale by 707 x scale dots.
        const std::regex pageSetup(R"(72 (\d+) div 72 (\d+) div scale)");
        std::smatch m;
        ASSERT_TRUE(std::regex_search(ps, m, pageSetup)) << "no page set-up";
        EXPECT_EQ(std::stoi(m[1]), dpi);
        EXPECT_EQ(std::stoi(m[2]), dpi);
        const std::regex image(
            R"(0 0 translate\s+(\d+) (\d+) scale\s+<<\s+/ImageType 1\s+/Width (\d+)\s+/Height (\d+)[^>]*>>\s+image)");
        ASSERT_TRUE(std::regex_search(ps, m, image)) << "no image in the job";
        EXPECT_EQ(std::stoi(m[1]), kLabelWidth * scale);
        EXPECT_EQ(std::stoi(m[2]), kLabelHeight * scale);
        EXPECT_EQ(std::stoi(m[3]), kLabelWidth);
        EXPECT_EQ(std::stoi(m[4]), kLabelHeight);
        int images = 0;
        for (std::size_t at = ps.find(">>\nimage\n"); at != std::string::npos; at = ps.find(">>\nimage\n", at + 1)) ++images;
        EXPECT_EQ(images, 1) << "one picture, one page";
        EXPECT_NE(ps.find("%%Pages: 1"), std::string::npos);

        const Picture page = ReadPgm(job + L".pgm");
        const Picture label = ReadLabel(build + L"\\panel\\res\\testlabel.bmp");
        ASSERT_GT(label.width, 0) << "the built label";
        ASSERT_GE(page.width, kLabelWidth * scale + 40) << "rendered page";
        ASSERT_GE(page.height, kLabelHeight * scale + 40);
        // Each picture pixel is a block of scale x scale dots from the page's
        // top left; a block is black when most of it is.
        long mismatches = 0;
        for (int y = 0; y < kLabelHeight; ++y) {
            for (int x = 0; x < kLabelWidth; ++x) {
                int sum = 0;
                for (int dy = 0; dy < scale; ++dy)
                    for (int dx = 0; dx < scale; ++dx) sum += page.At(x * scale + dx, y * scale + dy);
                const bool black = sum < 128 * scale * scale;
                if (black != (label.At(x, y) == 0)) ++mismatches;
            }
        }
        EXPECT_LT(mismatches, kLabelWidth * kLabelHeight / 1000) << mismatches << " pixels differ";
        // Beyond the picture the page stays white: nothing printed larger.
        long outside = 0;
        for (int y = 0; y < kLabelHeight * scale + 40; ++y)
            for (int x = kLabelWidth * scale + 4; x < kLabelWidth * scale + 40; ++x) outside += page.At(x, y) < 128;
        for (int y = kLabelHeight * scale + 4; y < kLabelHeight * scale + 40; ++y)
            for (int x = 0; x < kLabelWidth * scale; ++x) outside += page.At(x, y) < 128;
        EXPECT_EQ(outside, 0) << "black dots outside the picture";
    }

    std::wstring build;
    std::wstring folder;
    std::wstring captures;
    e2e::Process program;
};

// --- test print ------------------------------------------------------------------

TEST_F(TamselPrintHelp, At305DpiThePictureIsPrintedPixelForPixel) {
    Start("print-305");
    HWND main = WaitMainWindow();
    ASSERT_NE(main, nullptr);
    ASSERT_EQ(DefaultResolution("Vantorelli 305dpi"), 305) << "the test printer's driver reports 305 dpi";
    const std::wstring job = PrintAndCapture(main, L"test-print-question");
    ExpectLabel(job, 1, 305, "Vantorelli 305dpi");
    EXPECT_TRUE(program.Running());
    EXPECT_FALSE(e2e::FindMessageBox(program.Id()).has_value()) << "no message after printing";
}

TEST_F(TamselPrintHelp, At300DpiEveryPixelBecomesTwoByTwoDots) {
    Start("print-300");
    HWND main = WaitMainWindow();
    ASSERT_NE(main, nullptr);
    ASSERT_EQ(DefaultResolution("Vantorelli 300dpi"), 300);
    // The toolbar button gives the same command.
    e2e::ClickToolbarButton(e2e::Child(main, kToolbar, L"ToolbarWindow32"), kToolTestPrint);
    ExpectMessage(kTestPrintQuestion, L"OK|キャンセル", IDOK);
    ASSERT_TRUE(e2e::WaitUntil([&] { return !Jobs().empty(); }, 60s)) << "no PostScript job reached the port";
    ExpectLabel(Jobs().front(), 2, 300, "Vantorelli 300dpi");
}

TEST_F(TamselPrintHelp, CancellingTheQuestionLeavesNoJob) {
    Start("print-305");
    HWND main = WaitMainWindow();
    ASSERT_NE(main, nullptr);
    e2e::PostCommand(main, kCommandTestPrint);
    ExpectMessage(kTestPrintQuestion, L"OK|キャンセル", IDCANCEL);
    // A second command behind the first: once its question shows, the first
    // has ended; still no job.
    e2e::PostCommand(main, kCommandTestPrint);
    ExpectMessage(kTestPrintQuestion, L"OK|キャンセル", IDCANCEL);
    EXPECT_TRUE(Jobs().empty());
    EXPECT_FALSE(std::filesystem::exists(std::filesystem::path(captures + L"\\print-1.ps")));
    EXPECT_TRUE(program.Running());
}

TEST_F(TamselPrintHelp, ANetworkPrinterPrintsThroughItsDriverToo) {
    {
        // The address of the simulated printer, as the address dialog keeps it.
        const int port = e2e::SimPrinterPort();
        ASSERT_GE(port, 10000);
        std::ofstream out(std::filesystem::path(folder + L"\\SetIP"), std::ios::binary);
        const std::uint8_t stored[8] = {127, 0, 0, 1, static_cast<std::uint8_t>(port & 0xFF),
                                        static_cast<std::uint8_t>(port >> 8), 0, 0};
        out.write(reinterpret_cast<const char*>(stored), 8);
    }
    Start("print-net");
    HWND dialog = e2e::WaitForWindow(program.Id(), L"#32770", kAddressTitle, 20s);
    ASSERT_NE(dialog, nullptr);
    e2e::Click(e2e::ChildByText(dialog, L"Button", L"OK"));
    HWND main = WaitMainWindow();
    ASSERT_NE(main, nullptr);
    const std::wstring job = PrintAndCapture(main, nullptr);
    ExpectLabel(job, 1, 305, "Vantorelli Net 305dpi");
}

// --- help ------------------------------------------------------------------------

TEST_F(TamselPrintHelp, F1AndTheMenuItemOpenTheHelpWindow) {
    WithHelp();
    Start("one-usb");
    HWND main = WaitMainWindow();
    ASSERT_NE(main, nullptr);
    e2e::PressKey(main, VK_F1);
    HWND help = e2e::WaitForWindow(program.Id(), kHelpClass, L"", 20s);
    ASSERT_NE(help, nullptr) << "F1 opened no help window";
    EXPECT_FALSE(e2e::FindMessageBox(program.Id()).has_value());
    // The viewer shows the contents tree (its topic pane may stay blank
    // without a browser engine).
    HWND tree = nullptr;
    EXPECT_TRUE(e2e::WaitUntil(
        [&] {
            tree = e2e::Child(help, 0, L"SysTreeView32");
            if (tree == nullptr) {
                for (HWND w : e2e::Descendants(help)) {
                    if (e2e::ClassOf(w) == L"SysTreeView32") tree = w;
                }
            }
            return tree != nullptr && ::SendMessageW(tree, TVM_GETCOUNT, 0, 0) >= 7;
        },
        10s))
        << "no contents tree with the help's topics";
    e2e::Screenshot(L"help-window", help);
    ::PostMessageW(help, WM_CLOSE, 0, 0);
    EXPECT_TRUE(e2e::WaitForWindowGone(help, 10s));

    e2e::PostCommand(main, kCommandHelp);
    help = e2e::WaitForWindow(program.Id(), kHelpClass, L"", 20s);
    EXPECT_NE(help, nullptr) << "the menu command opened no help window";
    EXPECT_FALSE(e2e::FindMessageBox(program.Id()).has_value());
}

TEST_F(TamselPrintHelp, WithoutTheFileAtStartUpTheItemIsGreyAndF1DoesNothing) {
    Start("one-usb");
    HWND main = WaitMainWindow();
    ASSERT_NE(main, nullptr);
    e2e::PressKey(main, VK_F1);
    ExpectNothingShows();
    // Through the menu by keyboard: the greyed item cannot be chosen.
    OpenHelpMenuAndChooseFirstItem(main);
    ExpectNothingShows();
    ASSERT_TRUE(e2e::TypeKeys(main, {}, VK_ESCAPE));
    EXPECT_TRUE(program.Running());
}

TEST_F(TamselPrintHelp, RemovingTheFileAfterStartUpGivesTheMessage) {
    WithHelp();
    Start("one-usb");
    HWND main = WaitMainWindow();
    ASSERT_NE(main, nullptr);
    ASSERT_TRUE(::DeleteFileW((folder + L"\\Tamsel.chm").c_str()));
    e2e::PressKey(main, VK_F1);
    {
        SCOPED_TRACE("F1");
        ExpectMessage(kHelpMissing, L"OK", IDOK, L"help-missing-message");
    }
    EXPECT_TRUE(e2e::TopWindows(program.Id(), kHelpClass).empty());
    // The same through the menu by keyboard: the item was enabled.
    OpenHelpMenuAndChooseFirstItem(main);
    SCOPED_TRACE("menu");
    ExpectMessage(kHelpMissing, L"OK", IDOK);
}

}  // namespace
