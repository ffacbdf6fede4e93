#include "panel/app/test_print_help.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace tamsel {
namespace {

// Every seam call, in order, as short lines.
using Log = std::vector<std::string>;

class ScriptedMessages : public MessageSeam {
public:
    explicit ScriptedMessages(Log& log) : log(log) {}
    MessageAnswer ShowMessage(std::string_view text, MessageButtons buttons, MessageIcon icon) override {
        log.push_back("message " + std::string(text));
        lastButtons = buttons;
        lastIcon = icon;
        return answer;
    }
    MessageAnswer answer = MessageAnswer::Ok;
    MessageButtons lastButtons = MessageButtons::Ok;
    MessageIcon lastIcon = MessageIcon::Stop;
    Log& log;
};

class FakePrinter : public TestPrintSeam {
public:
    explicit FakePrinter(Log& log) : log(log) {}
    std::optional<int> ReadVerticalResolution(const std::string& ansiName) override {
        log.push_back("read " + ansiName);
        return resolution;
    }
    bool PrintLabel(const std::string& ansiName, int scale) override {
        log.push_back("print " + ansiName + " x" + std::to_string(scale));
        return printOk;
    }
    std::optional<int> resolution = 305;
    bool printOk = true;
    Log& log;
};

const std::string kQuestion = "message " + std::string(texts::kTestPrintQuestion);

TEST(TestPrintScale, OnlyExactly305DotsPerInchPrintsPixelForPixel) {
    struct Case {
        int resolution;
        int scale;
    };
    for (const Case c : {Case{305, 1}, Case{300, 2}, Case{304, 2}, Case{306, 2}, Case{610, 2}, Case{600, 2},
                         Case{0, 2}, Case{-1, 2}}) {
        EXPECT_EQ(TestPrintScale(c.resolution), c.scale) << c.resolution;
    }
}

TEST(RunTestPrint, ReadsTheScaleAsksAndPrints) {
    struct Case {
        std::optional<int> resolution;
        MessageAnswer answer;
        bool printOk;
        TestPrintOutcome outcome;
        Log log;
    };
    const std::string read = "read Vantorelli USB";
    const Case cases[] = {
        {305, MessageAnswer::Ok, true, TestPrintOutcome::Printed, {read, kQuestion, "print Vantorelli USB x1"}},
        {300, MessageAnswer::Ok, true, TestPrintOutcome::Printed, {read, kQuestion, "print Vantorelli USB x2"}},
        // Cancel: nothing printed, so no job.
        {305, MessageAnswer::Cancel, true, TestPrintOutcome::Cancelled, {read, kQuestion}},
        // The printer cannot be opened or read, or has no device mode: no
        // question and no message.
        {std::nullopt, MessageAnswer::Ok, true, TestPrintOutcome::PrinterUnreadable, {read}},
        // The document cannot be started: silent as well.
        {300, MessageAnswer::Ok, false, TestPrintOutcome::Failed, {read, kQuestion, "print Vantorelli USB x2"}},
    };
    for (const auto& c : cases) {
        Log log;
        ScriptedMessages messages(log);
        messages.answer = c.answer;
        FakePrinter printer(log);
        printer.resolution = c.resolution;
        printer.printOk = c.printOk;
        EXPECT_EQ(RunTestPrint("Vantorelli USB", printer, messages), c.outcome);
        EXPECT_EQ(log, c.log);
        if (log.size() > 1) {
            EXPECT_EQ(messages.lastButtons, MessageButtons::OkCancel);
            EXPECT_EQ(messages.lastIcon, MessageIcon::Information);
        }
    }
}

TEST(RunTestPrint, NamesOverSixtyThreeCharactersOrEmptyEndTheCommandUntouched) {
    struct Case {
        std::string name;
        bool runs;
    };
    const Case cases[] = {
        {std::string(63, 'P'), true},
        {std::string(64, 'P'), false},
        {std::string(259, 'P'), false},
        {"", false},
        // Japanese in the system code page: two bytes a character count.
        {std::string(62, 'P') + "\x83\x76", false},
        {std::string(61, 'P') + "\x83\x76", true},
    };
    for (const auto& c : cases) {
        Log log;
        ScriptedMessages messages(log);
        FakePrinter printer(log);
        const auto outcome = RunTestPrint(c.name, printer, messages);
        if (c.runs) {
            EXPECT_EQ(outcome, TestPrintOutcome::Printed) << c.name.size();
            EXPECT_EQ(log.back(), "print " + c.name + " x1");
        } else {
            EXPECT_EQ(outcome, TestPrintOutcome::NoPrinter) << c.name.size();
            EXPECT_TRUE(log.empty()) << "neither the printer nor the user is asked";
        }
    }
}

TEST(HelpPathFor, TheChmBesideTheProgramWhenItFitsTheBuffer) {
    struct Case {
        std::string module;
        std::optional<std::string> path;
    };
    const std::string folder249 = "C:\\" + std::string(245, 'd') + "\\";  // 249 characters
    ASSERT_EQ(folder249.size(), 249u);
    const std::string folder250 = "C:\\" + std::string(246, 'd') + "\\";
    const Case cases[] = {
        {"C:\\Program Files\\Solvena\\Tamsel.exe", "C:\\Program Files\\Solvena\\Tamsel.chm"},
        {"Z:\\work\\a.b\\TAMSEL.EXE", "Z:\\work\\a.b\\Tamsel.chm"},
        {"\\\\server\\share\\Tamsel.exe", "\\\\server\\share\\Tamsel.chm"},
        {"Tamsel.exe", "Tamsel.chm"},
        // 249 + 10 characters and the terminator fill the 260 exactly.
        {folder249 + "Tamsel.exe", folder249 + "Tamsel.chm"},
        {folder250 + "Tamsel.exe", std::nullopt},
    };
    for (const auto& c : cases) EXPECT_EQ(HelpPathFor(c.module), c.path) << c.module;
}

class FakeHelp : public HelpSeam {
public:
    explicit FakeHelp(Log& log) : log(log) {}
    bool DisplayHelp(const std::string& helpPath) override {
        log.push_back("help " + helpPath);
        return shows;
    }
    bool shows = true;
    Log& log;
};

TEST(RunShowHelp, OpensTheViewerOrSaysTheFileIsMissing) {
    const std::string missing = "message " + std::string(texts::kHelpMissing);
    struct Case {
        std::string path;
        bool shows;
        Log log;
    };
    const Case cases[] = {
        {"C:\\p\\Tamsel.chm", true, {"help C:\\p\\Tamsel.chm"}},
        {"C:\\p\\Tamsel.chm", false, {"help C:\\p\\Tamsel.chm", missing}},
        // No path could be formed: the viewer is not asked.
        {"", true, {missing}},
    };
    for (const auto& c : cases) {
        Log log;
        ScriptedMessages messages(log);
        FakeHelp help(log);
        help.shows = c.shows;
        RunShowHelp(c.path, help, messages);
        EXPECT_EQ(log, c.log);
        if (log.back() == missing) {
            EXPECT_EQ(messages.lastButtons, MessageButtons::Ok);
            EXPECT_EQ(messages.lastIcon, MessageIcon::Exclamation);
        }
    }
}

}  // namespace
}  // namespace tamsel
