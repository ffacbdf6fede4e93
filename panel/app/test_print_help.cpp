#include "panel/app/test_print_help.h"

namespace tamsel {

int TestPrintScale(int verticalResolution) { return verticalResolution == kTestLabelDpi ? 1 : 2; }

TestPrintOutcome RunTestPrint(const std::string& ansiName, TestPrintSeam& printer, MessageSeam& messages) {
    // A longer name would not fit the 64-byte name the printer is opened by;
    // rather than open another printer by a cut name, the command ends.
    if (ansiName.empty() || ansiName.size() > kTestPrintNameMax) return TestPrintOutcome::NoPrinter;
    const auto resolution = printer.ReadVerticalResolution(ansiName);
    if (!resolution) return TestPrintOutcome::PrinterUnreadable;
    const int scale = TestPrintScale(*resolution);
    if (messages.ShowMessage(texts::kTestPrintQuestion, MessageButtons::OkCancel, MessageIcon::Information) !=
        MessageAnswer::Ok) {
        return TestPrintOutcome::Cancelled;
    }
    return printer.PrintLabel(ansiName, scale) ? TestPrintOutcome::Printed : TestPrintOutcome::Failed;
}

std::optional<std::string> HelpPathFor(std::string_view modulePath) {
    const std::size_t slash = modulePath.find_last_of('\\');
    const std::string_view folder = slash == std::string_view::npos ? std::string_view() : modulePath.substr(0, slash + 1);
    std::string path = std::string(folder) + std::string(kHelpFileName);
    if (path.size() >= kHelpPathSize) return std::nullopt;
    return path;
}

void RunShowHelp(const std::string& helpPath, HelpSeam& help, MessageSeam& messages) {
    if (helpPath.empty() || !help.DisplayHelp(helpPath)) {
        messages.ShowMessage(texts::kHelpMissing, MessageButtons::Ok, MessageIcon::Exclamation);
    }
}

}  // namespace tamsel
