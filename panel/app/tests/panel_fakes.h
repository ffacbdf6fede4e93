// Stand-ins for everything the main window's flows reach through their seams,
// each logging what is done to it, and the fixture that wires them to a
// PanelCore. Shared by the flows' tests.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <deque>
#include <functional>
#include <iterator>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "panel/app/panel_core.h"

namespace tamsel::fakes {

// Everything the flows do, in order, as short lines.
using Log = std::vector<std::string>;

class FakeMessages : public MessageSeam {
public:
    explicit FakeMessages(Log& log) : log(log) {}
    MessageAnswer ShowMessage(std::string_view text, MessageButtons buttons, MessageIcon icon) override {
        shown.push_back({std::string(text), buttons, icon});
        log.push_back("message " + std::string(text));
        if (answers.empty()) return buttons == MessageButtons::YesNo || buttons == MessageButtons::YesNoCancel
                                        ? MessageAnswer::No
                                        : MessageAnswer::Ok;
        const MessageAnswer a = answers.front();
        answers.pop_front();
        return a;
    }
    struct Shown {
        std::string text;
        MessageButtons buttons;
        MessageIcon icon;
    };
    std::vector<Shown> shown;
    std::deque<MessageAnswer> answers;
    Log& log;
};

class FakeLink : public LinkSeam {
public:
    explicit FakeLink(Log& log) : log(log) {}

    class Session : public LinkSession {
    public:
        explicit Session(FakeLink& owner) : owner(owner) {}
        ~Session() override { owner.log.push_back("release"); }
        std::int32_t GetPrinterParam(const PrinterTarget& target, std::int32_t* param, std::int32_t* adjust,
                                     std::int32_t* address, std::int32_t* sysError) override {
            owner.log.push_back("read");
            owner.seenName = target.printerName != nullptr ? target.printerName : "";
            owner.seenConnection = target.connection;
            owner.seenPort = target.port;
            owner.seenSysError = *sysError;
            const std::int32_t result = owner.results.empty() ? 0 : owner.results.front();
            if (!owner.results.empty()) owner.results.pop_front();
            if (result == 0) {
                for (int i = 0; i < 31; ++i) param[i] = owner.printerParam[i];
                for (int i = 0; i < 8; ++i) adjust[i] = owner.printerAdjust[i];
                for (int i = 0; i < 6; ++i) address[i] = owner.printerAddress[i];
            }
            return result;
        }
        FakeLink& owner;
    };

    // The printer of a send: sets change what it holds unless it ignores
    // them; the read-back reports what it holds.
    class SendSession : public PrinterLink {
    public:
        explicit SendSession(FakeLink& owner) : owner(owner) {}
        ~SendSession() override { owner.log.push_back("release"); }
        std::int32_t GetStatus(std::int32_t*, std::int32_t*) override {
            owner.log.push_back("status");
            return -1;
        }
        std::int32_t GetParam(std::int32_t* param, std::int32_t* adjust, std::int32_t* address,
                              std::int32_t*) override {
            owner.log.push_back("read back");
            if (owner.readBackResult != 0) return owner.readBackResult;
            std::copy(std::begin(owner.printerParam), std::end(owner.printerParam), param);
            std::copy(std::begin(owner.printerAdjust), std::end(owner.printerAdjust), adjust);
            std::copy(std::begin(owner.printerAddress), std::end(owner.printerAddress), address);
            return 0;
        }
        std::int32_t SetParam(const std::int32_t* param, std::int32_t*) override {
            owner.log.push_back("set param");
            if (owner.setParamResult != 0) return owner.setParamResult;
            // The DIP switches are the printer's own: a set never changes them.
            if (!owner.ignoreSets) std::copy(param + 10, param + 31, owner.printerParam + 10);
            return 0;
        }
        std::int32_t SetAdjust(const std::int32_t* adjust, std::int32_t*) override {
            owner.log.push_back("set adjust");
            if (owner.setAdjustResult != 0) return owner.setAdjustResult;
            if (!owner.ignoreSets && !owner.ignoreAdjust) std::copy(adjust, adjust + 8, owner.printerAdjust);
            return 0;
        }
        std::int32_t SetAddress(const std::int32_t* address, std::int32_t*) override {
            owner.log.push_back("set address");
            if (owner.setAddressResult != 0) return owner.setAddressResult;
            if (!owner.ignoreSets) std::copy(address, address + 6, owner.printerAddress);
            return 0;
        }
        std::int32_t Reset(std::int32_t*) override {
            owner.log.push_back("reset");
            return owner.resetResult;
        }
        FakeLink& owner;
    };

    std::unique_ptr<LinkSession> OpenForReading() override {
        log.push_back("load");
        if (missing) return nullptr;
        return std::make_unique<Session>(*this);
    }

    std::unique_ptr<PrinterLink> OpenForSending(const PrinterTarget& target) override {
        log.push_back("load");
        if (missing) return nullptr;
        seenName = target.printerName != nullptr ? target.printerName : "";
        seenConnection = target.connection;
        seenPort = target.port;
        return std::make_unique<SendSession>(*this);
    }

    bool missing = false;
    std::int32_t setParamResult = 0, setAdjustResult = 0, setAddressResult = 0, readBackResult = 0,
                 resetResult = 0;
    bool ignoreSets = false;    // every set is taken and dropped
    bool ignoreAdjust = false;  // only the fine-adjust set is dropped
    std::deque<std::int32_t> results;  // one per call; 0 when empty
    std::int32_t printerParam[31] = {1, 0, 1, 0, 1, 0, 1, 0, 1, 0, 1, 0, 1, 1, 0, 2, 1, 0, 1, 0, 1,
                                     0, 1, 0, 2, 3, 0, 2, 2, 1, 0};
    std::int32_t printerAdjust[8] = {3, -2, 12, -40, 5, 0, -7, 99};
    std::int32_t printerAddress[6] = {0x0100000A, 0x00FFFFFF, 0x0100000A, 1, 0, 2560};
    std::string seenName;
    std::int32_t seenConnection = -1;
    std::uint32_t seenPort = 0;
    std::int32_t seenSysError = -1;
    Log& log;
};

class FakePage : public RecordPage {
public:
    FakePage(Log& log, std::string name) : log(log), name(std::move(name)) {}
    void LoadFromRecord(const SettingsRecord& record) override {
        log.push_back("load " + name);
        shown = record;
    }
    void SaveToRecord(SettingsRecord& record) override {
        log.push_back("save " + name);
        if (edit) edit(record);
    }
    Log& log;
    std::string name;
    SettingsRecord shown = SettingsRecord::Zero();
    std::function<void(SettingsRecord&)> edit;
};

// Files in memory, written as the program writes them: over the start of an
// existing file, which keeps its length.
class FakeFiles : public SettingsFileSeam {
public:
    explicit FakeFiles(Log& log) : log(log) {}
    std::optional<std::string> AskOpenPath() override {
        log.push_back("open dialog");
        return Next(openAnswers);
    }
    std::optional<std::string> AskSavePath() override {
        log.push_back("save dialog");
        return Next(saveAnswers);
    }
    FileReadResult ReadStart(const std::string& path, std::uint8_t* buffer, std::size_t size,
                             std::size_t& got) override {
        log.push_back("read " + path);
        got = 0;
        const auto it = contents.find(path);
        if (it == contents.end() || unreadable.count(path) != 0) return FileReadResult::CannotOpen;
        got = std::min(size, it->second.size());
        std::copy(it->second.begin(), it->second.begin() + static_cast<std::ptrdiff_t>(got), buffer);
        return FileReadResult::Read;
    }
    FileWriteResult WriteStart(const std::string& path, const std::uint8_t* data, std::size_t size) override {
        log.push_back("write " + path);
        if (const auto it = failures.find(path); it != failures.end()) return it->second;
        auto& file = contents[path];
        if (file.size() < size) file.resize(size);
        std::copy(data, data + size, file.begin());
        return FileWriteResult::Written;
    }

    std::deque<std::optional<std::string>> openAnswers, saveAnswers;  // nothing left: cancelled
    std::map<std::string, std::vector<std::uint8_t>> contents;
    std::set<std::string> unreadable;
    std::map<std::string, FileWriteResult> failures;
    Log& log;

private:
    static std::optional<std::string> Next(std::deque<std::optional<std::string>>& answers) {
        if (answers.empty()) return std::nullopt;
        auto a = answers.front();
        answers.pop_front();
        return a;
    }
};

class FakeShell : public PanelShell {
public:
    explicit FakeShell(Log& log) : log(log) {}
    void SelectPage(int page) override { log.push_back("page " + std::to_string(page)); }
    void CloseWindow() override {
        log.push_back("close");
        ++closes;
    }
    void EndProcess(int exitCode) override {
        log.push_back("exit " + std::to_string(exitCode));
        exitCodes.push_back(exitCode);
    }
    void ShowPrinterInStatusBar(const std::string& printerName, const std::string& destination) override {
        statusPrinter = printerName;
        statusDestination = destination;
        log.push_back("status");
    }
    void EnablePrinterSelection(bool enable) override {
        selectionEnabled = enable;
        log.push_back(enable ? "enable select" : "grey select");
    }
    SelectionOutcome RunPrinterSelection(const SelectionRequest& request) override {
        log.push_back("select");
        requests.push_back(request);
        return selection;
    }
    int RunSendSelection() override {
        log.push_back("send dialog");
        return sendChoice;
    }
    ReadFailChoice RunReadFailDialog() override {
        log.push_back("readfail");
        const ReadFailChoice c = readFailChoices.empty() ? ReadFailChoice::Retry : readFailChoices.front();
        if (!readFailChoices.empty()) readFailChoices.pop_front();
        return c;
    }
    std::string ToAnsi(const std::string& utf8) override { return "ansi:" + utf8; }
    // The commands other flows call: stand-ins answering sendResult and
    // saveResult, or the core's real commands once `core` is set.
    int SendToPrinter() override {
        log.push_back("send");
        return core != nullptr ? core->SendToPrinter() : sendResult;
    }
    int SaveSettingsFile() override {
        log.push_back("save file");
        return core != nullptr ? core->SaveSettingsFile() : saveResult;
    }

    PanelCore* core = nullptr;
    int sendChoice = 0;

    Log& log;
    int closes = 0;
    std::vector<int> exitCodes;
    std::string statusPrinter, statusDestination;
    bool selectionEnabled = true;
    std::vector<SelectionRequest> requests;
    SelectionOutcome selection;
    std::deque<ReadFailChoice> readFailChoices;
    int sendResult = 0;
    int saveResult = 0;
};

inline SelectionOutcome UsbPrinter(int count) {
    SelectionOutcome o;
    o.confirmed = true;
    o.printerCount = count;
    o.printer.printerName = "KVT ラベル";
    o.printer.destination = "USB001";
    o.printer.portKind = PortKind::Usb;
    return o;
}

class PanelCoreTest : public ::testing::Test {
protected:
    PanelCoreTest()
        : messages(log), link(log), shell(log), param(log, "param"), param2(log, "param2"), set(log, "set"),
          ip(log, "ip"), dipsw(log, "dipsw"), files(log),
          core(shell, messages, link, files, PanelPages{&param, &param2, &set, &ip, &dipsw, &portCheck}) {}

    SettingsRecord PrinterRecord() const {
        return SettingsRecord::FromBlocks(link.printerParam, link.printerAdjust, link.printerAddress);
    }
    // Starts up against one USB printer and forgets what that logged.
    void StartUp() {
        shell.selection = UsbPrinter(2);
        core.Initialise();
        ASSERT_EQ(core.initialised, 1);
        log.clear();
        messages.shown.clear();
    }
    bool Logged(const std::string& line) const { return std::find(log.begin(), log.end(), line) != log.end(); }
    std::vector<std::string> MessageTexts() const {
        std::vector<std::string> t;
        for (const auto& m : messages.shown) t.push_back(m.text);
        return t;
    }

    Log log;
    FakeMessages messages;
    FakeLink link;
    FakeShell shell;
    FakePage param, param2, set, ip, dipsw;
    FakeFiles files;
    int portCheck = 7;
    PanelCore core;
};

}  // namespace tamsel::fakes
