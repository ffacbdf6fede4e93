// The two commands of the main window that do without the link library: the
// test print through the printer's own driver, and the help file. Their rules
// and questions without a window; the Win32 side implements the seams.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

#include "panel/app/panel_core.h"

namespace tamsel {

// The test label (bitmap 191) is drawn for 305 dpi: one picture pixel per dot.
inline constexpr int kTestLabelWidth = 1244;
inline constexpr int kTestLabelHeight = 707;
inline constexpr int kTestLabelDpi = 305;
// The longest printer name the test print takes.
inline constexpr std::size_t kTestPrintNameMax = 63;
inline constexpr std::string_view kTestPrintDocument = "testprint";

// The help file beside the program, and the size of the buffer its path is
// kept in (terminator included).
inline constexpr std::string_view kHelpFileName = "Tamsel.chm";
inline constexpr std::size_t kHelpPathSize = 260;

namespace texts {
inline constexpr std::string_view kTestPrintQuestion =
    "テスト印刷を行います。\n装置に添付のテスト用ラベルをセットしてください。";
inline constexpr std::string_view kHelpMissing = "ヘルプファイルが見つかりません。";
}  // namespace texts

// 1 when the printer's default device mode gives exactly 305 dots per inch
// vertically, else 2 (every picture pixel becomes 2 x 2 dots).
int TestPrintScale(int verticalResolution);

// The printer as the test print reaches it through the spooler and GDI. The
// name is in the system code page.
class TestPrintSeam {
public:
    virtual ~TestPrintSeam() = default;
    // Opens the printer for use, reads its level-2 information and closes it
    // again: the default device mode's vertical resolution, or nothing when
    // any of that fails or the information carries no device mode.
    virtual std::optional<int> ReadVerticalResolution(const std::string& ansiName) = 0;
    // Prints the label as one document "testprint", every picture pixel as
    // scale x scale dots from the printable area's top left. False when
    // anything failed; whatever was taken is released either way.
    virtual bool PrintLabel(const std::string& ansiName, int scale) = 0;
};

enum class TestPrintOutcome {
    NoPrinter,        // no name, or longer than 63 characters: nothing asked
    PrinterUnreadable,  // the printer's information could not be read
    Cancelled,        // the question was answered with Cancel
    Failed,           // the document could not be printed
    Printed,
};

// The test print command: reads the scale, asks, prints. Failures end the
// command without a message; the outcome is for the caller's tests and logs.
TestPrintOutcome RunTestPrint(const std::string& ansiName, TestPrintSeam& printer, MessageSeam& messages);

// The help file's path: the folder of the running program (the module's file
// name cut after its last backslash) followed by "Tamsel.chm"; nothing when
// it does not fit in the 260-character buffer.
std::optional<std::string> HelpPathFor(std::string_view modulePath);

class HelpSeam {
public:
    virtual ~HelpSeam() = default;
    // Opens the help viewer on the file's default topic; false when no help
    // window resulted (no file, or no viewer).
    virtual bool DisplayHelp(const std::string& helpPath) = 0;
};

// The help command: the viewer, or the message that the file is missing.
void RunShowHelp(const std::string& helpPath, HelpSeam& help, MessageSeam& messages);

}  // namespace tamsel
