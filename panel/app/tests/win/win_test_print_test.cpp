// The test print's Windows side where it must end quietly: a printer that
// cannot be opened gives no resolution and prints nothing, and the command
// then asks nothing. (Printing itself is checked end to end under Wine.)
#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "panel/app/win_test_print.h"

namespace tamsel {
namespace {

class RecordingMessages : public MessageSeam {
public:
    MessageAnswer ShowMessage(std::string_view text, MessageButtons, MessageIcon) override {
        shown.emplace_back(text);
        return MessageAnswer::Ok;
    }
    std::vector<std::string> shown;
};

TEST(WinTestPrint, AMissingPrinterEndsTheCommandWithoutAQuestion) {
    const std::string missing = "Vantorelli Missing Test Printer";
    WinTestPrint printer;
    EXPECT_EQ(printer.ReadVerticalResolution(missing), std::nullopt);
    EXPECT_FALSE(printer.PrintLabel(missing, 1));
    RecordingMessages messages;
    EXPECT_EQ(RunTestPrint(missing, printer, messages), TestPrintOutcome::PrinterUnreadable);
    EXPECT_TRUE(messages.shown.empty());
}

TEST(WinHelp, AMissingFileOpensNoViewerAndGivesTheMessage) {
    char folder[MAX_PATH] = {};
    ASSERT_GT(GetTempPathA(MAX_PATH, folder), 0u);
    const std::string path = std::string(folder) + "no-such-folder-for-tamsel\\Tamsel.chm";
    WinHelp help;
    EXPECT_FALSE(help.DisplayHelp(path));
    RecordingMessages messages;
    RunShowHelp(path, help, messages);
    EXPECT_EQ(messages.shown, std::vector<std::string>{std::string(texts::kHelpMissing)});
}

}  // namespace
}  // namespace tamsel
