#include "panel/app/panel_core.h"

#include <algorithm>
#include <cstring>
#include <limits>

#include "panel/pages/ip_page_rules.h"

namespace tamsel {

std::uint32_t PortNumber(std::string_view portText) {
    std::uint64_t value = 0;
    for (char c : portText) {
        if (c < '0' || c > '9') break;
        value = value * 10 + static_cast<std::uint64_t>(c - '0');
        // Saturate rather than wrap: an absurd text must not become a
        // plausible port.
        if (value > std::numeric_limits<std::uint32_t>::max()) return std::numeric_limits<std::uint32_t>::max();
    }
    return static_cast<std::uint32_t>(value);
}

void FillTarget(const CurrentPrinter& printer, std::string_view ansiName, LinkTarget& out) {
    std::memset(out.nameBuffer, 0, sizeof out.nameBuffer);
    out.target = PrinterTarget{};
    if (printer.portKind == PortKind::Network) {
        out.target.connection = 1;
        out.target.nameLength = 0;
        out.target.printerName = nullptr;
        std::copy(printer.ipAddress.begin(), printer.ipAddress.end(), out.target.ipAddress);
        out.target.port = PortNumber(printer.portText);
        return;
    }
    const std::size_t length = std::min(ansiName.size(), kNameBufferSize - 1);
    std::memcpy(out.nameBuffer, ansiName.data(), length);
    out.target.connection = 0;
    out.target.nameLength = static_cast<std::uint32_t>(std::strlen(out.nameBuffer));
    out.target.printerName = out.nameBuffer;
}

PanelCore::PanelCore(PanelShell& shell, MessageSeam& messages, LinkSeam& link, SettingsFileSeam& files,
                     PanelPages pages)
    : shell(shell), messages(messages), link(link), files(files), pages(pages) {}

void PanelCore::Close() {
    if (finished) return;
    finished = true;
    shell.CloseWindow();
}

void PanelCore::EndProcess(int exitCode) {
    finished = true;
    shell.EndProcess(exitCode);
}

void PanelCore::LoadPages(const SettingsRecord& record) {
    for (RecordPage* page : {pages.param, pages.param2, pages.set, pages.ip, pages.dipsw}) {
        if (page != nullptr) page->LoadFromRecord(record);
    }
}

void PanelCore::StorePages(SettingsRecord& record) {
    // The DIP switch page only shows values; it never writes them back.
    for (RecordPage* page : {pages.param, pages.param2, pages.set, pages.ip}) {
        if (page != nullptr) page->SaveToRecord(record);
    }
}

bool PanelCore::StorePagesCheckingPort() {
    if (pages.portCheck == nullptr) {
        StorePages(currentRecord);
        return true;
    }
    *pages.portCheck = kPortCheckRequested;
    StorePages(currentRecord);
    const bool refused = *pages.portCheck == kPortCheckFailed;
    *pages.portCheck = kPortCheckOff;
    return !refused;
}

void PanelCore::Initialise() {
    currentRecord = SettingsRecord::Zero();
    fileBaseline = SettingsRecord::Zero();
    printerBaseline = SettingsRecord::Zero();
    initialised = 0;
    SelectPrinter();
    if (finished) return;
    LoadPages(currentRecord);
    initialised = 1;
    if (pages.portCheck != nullptr) *pages.portCheck = 0;
}

void PanelCore::SelectPrinter() {
    if (initialised == 1) {
        StorePages(currentRecord);
        const bool changedPrinter = ChangedAgainstPrinter();
        const bool changedFile = ChangedAgainstFile();
        if (changedPrinter) {
            const auto answer =
                messages.ShowMessage(texts::kChangeSendFirst, MessageButtons::YesNoCancel, MessageIcon::Exclamation);
            if (answer == MessageAnswer::Cancel) return;
            if (answer == MessageAnswer::Yes && shell.SendToPrinter() == 1) return;
            if (finished) return;
        }
        if (changedFile) {
            const auto answer =
                messages.ShowMessage(texts::kChangeSaveFirst, MessageButtons::YesNoCancel, MessageIcon::Exclamation);
            if (answer == MessageAnswer::Cancel) return;
            if (answer == MessageAnswer::Yes && shell.SaveSettingsFile() == 1) return;
            if (finished) return;
        }
    }

    SelectionRequest request;
    request.reselect = initialised;
    request.printerName = printer.printerName;
    request.destination = printer.destination;
    const SelectionOutcome outcome = shell.RunPrinterSelection(request);
    if (finished) return;  // the selection ended the process
    if (!outcome.confirmed) {
        // At start-up a cancelled selection ends the program; afterwards the
        // previous printer stays in use.
        if (initialised == 0) Close();
        return;
    }
    shell.EnablePrinterSelection(outcome.printerCount > 1);
    shell.ShowPrinterInStatusBar(std::string(texts::kStatusPrinter) + outcome.printer.printerName,
                                 std::string(texts::kStatusDestination) + outcome.printer.destination);
    printer = outcome.printer;
    if (ReadFromPrinter() == 1) Close();
}

int PanelCore::ReadFromPrinter() {
    if (initialised == 1) {
        StorePages(currentRecord);
        const auto answer = messages.ShowMessage(texts::kReadConfirm, MessageButtons::YesNo, MessageIcon::Exclamation);
        if (answer != MessageAnswer::Yes) return 0;
    }

    std::int32_t param[kestrion::kParamCount] = {};
    std::int32_t adjust[kestrion::kAdjustCount] = {};
    std::int32_t address[kestrion::kAddressCount] = {};
    workRecord = SettingsRecord::Zero();
    LinkTarget target;
    FillTarget(printer, shell.ToAnsi(printer.printerName), target);

    std::unique_ptr<LinkSession> session = link.OpenForReading();
    if (!session) {
        messages.ShowMessage(texts::kDllOpenFailed, MessageButtons::Ok, MessageIcon::Information);
        EndProcess(0);
        return 1;
    }

    bool readOk = false;
    for (;;) {
        std::int32_t sysError = 0;
        if (session->GetPrinterParam(target.target, param, adjust, address, &sysError) == 0) {
            workRecord = SettingsRecord::FromBlocks(param, adjust, address);
            readOk = true;
            break;
        }
        const ReadFailChoice choice = shell.RunReadFailDialog();
        if (choice == ReadFailChoice::Retry) continue;  // the library stays loaded
        if (choice == ReadFailChoice::EndProgram) {
            messages.ShowMessage(texts::kEnding, MessageButtons::Ok, MessageIcon::Information);
            session.reset();
            // During start-up the caller closes the window.
            if (initialised == 1) Close();
            return 1;
        }
        ApplyFactoryDefaults(workRecord);
        for (std::size_t i = 0; i < kestrion::kDipSwitchCount; ++i) workRecord.param[i] = kDipNotAvailable;
        shell.SelectPage(0);
        messages.ShowMessage(texts::kShowingFactory, MessageButtons::Ok, MessageIcon::Information);
        break;
    }
    session.reset();

    currentRecord = workRecord;
    fileBaseline = workRecord;
    printerBaseline = workRecord;
    LoadPages(currentRecord);
    if (initialised == 1 && readOk) {
        shell.SelectPage(0);
        messages.ShowMessage(texts::kReadDone, MessageButtons::Ok, MessageIcon::Information);
    }
    return 0;
}

void PanelCore::ExitPanel() {
    StorePages(currentRecord);
    workRecord = currentRecord;
    const bool changedPrinter = ChangedAgainstPrinter();
    const bool changedFile = ChangedAgainstFile();
    if (changedPrinter) {
        const auto answer =
            messages.ShowMessage(texts::kExitSendFirst, MessageButtons::YesNoCancel, MessageIcon::Exclamation);
        if (answer == MessageAnswer::Cancel) return;
        if (answer == MessageAnswer::Yes) shell.SendToPrinter();  // whatever it returns, go on
        if (finished) return;
    }
    if (changedFile) {
        const auto answer =
            messages.ShowMessage(texts::kExitSaveFirst, MessageButtons::YesNoCancel, MessageIcon::Exclamation);
        if (answer == MessageAnswer::Cancel) return;
        if (answer == MessageAnswer::Yes && shell.SaveSettingsFile() == 1) return;
        if (finished) return;
    }
    Close();
}

// --- Sending ------------------------------------------------------------------------------

int PanelCore::SendToPrinter() {
    if (printer.destination.empty() || printer.printerName.empty()) {
        messages.ShowMessage(texts::kNoPrinter, MessageButtons::Ok, MessageIcon::Exclamation);
        SelectPrinter();
        if (finished) return 1;
        // Whatever printer is current now is the one sent to.
    }
    LinkTarget target;
    FillTarget(printer, shell.ToAnsi(printer.printerName), target);

    if (!StorePagesCheckingPort()) return 1;
    workRecord = currentRecord;
    SettingsRecord snapshot = printerBaseline;

    const int choice = shell.RunSendSelection();
    if (finished) return 1;

    std::unique_ptr<PrinterLink> session = link.OpenForSending(target.target);
    if (!session) {
        messages.ShowMessage(texts::kDllOpenFailed, MessageButtons::Ok, MessageIcon::Information);
        EndProcess(0);
        return 1;
    }
    if (choice == -1) return 1;  // the session releases the library
    if (choice == static_cast<int>(SendChoice::Address) || choice == static_cast<int>(SendChoice::All)) {
        const auto answer =
            messages.ShowMessage(texts::kAddressWillChange, MessageButtons::OkCancel, MessageIcon::Exclamation);
        if (answer != MessageAnswer::Ok) return 1;
    }

    // The blocks always come from workRecord; a choice outside 0-3 sends
    // nothing and shows nothing.
    const SendReport report = SendToPrinterBlocks(*session, static_cast<SendChoice>(choice), workRecord,
                                                  printer.portKind != PortKind::Local, snapshot);
    if (const char* text = SendOutcomeText(report.outcome, static_cast<SendChoice>(choice)); text != nullptr) {
        messages.ShowMessage(text, MessageButtons::Ok, SendOutcomeIcon(report.outcome));
    }
    // Only the blocks that were accepted changed in the snapshot.
    printerBaseline = snapshot;
    return 0;
}

void PanelCore::ShowFactorySettings() {
    const auto answer =
        messages.ShowMessage(texts::kFactoryConfirm, MessageButtons::OkCancel, MessageIcon::Exclamation);
    if (answer != MessageAnswer::Ok) return;
    // The DIP switch states stay those workRecord holds: the printer's own.
    ApplyFactoryDefaults(workRecord);
    currentRecord = workRecord;
    LoadPages(currentRecord);
    shell.SelectPage(0);
    messages.ShowMessage(texts::kFactoryShown, MessageButtons::Ok, MessageIcon::Information);
}

// --- Settings files -------------------------------------------------------------------------

void PanelCore::OpenSettingsFile() {
    if (initialised == 1) {
        StorePages(currentRecord);
        if (ChangedAgainstFile()) {
            const auto answer =
                messages.ShowMessage(texts::kDiscardChanges, MessageButtons::YesNo, MessageIcon::Exclamation);
            if (answer != MessageAnswer::Yes) return;
        }
    }
    if (const std::optional<std::string> path = files.AskOpenPath(); path) {
        std::uint8_t image[kRecordSize] = {};
        std::size_t got = 0;
        const FileReadResult read = files.ReadStart(*path, image, sizeof image, got);
        // Nothing but a whole record with the right header replaces the
        // shown values: a short file would leave them half old, half new.
        const LoadResult loaded =
            read == FileReadResult::Read ? LoadRecordImage(image, got, currentRecord) : LoadResult::CannotOpen;
        switch (loaded) {
        case LoadResult::Loaded:
            LoadPages(currentRecord);
            fileBaseline = currentRecord;
            break;
        case LoadResult::NotSettingsFile:
            messages.ShowMessage(texts::kNotSettingsFile, MessageButtons::Ok, MessageIcon::Exclamation);
            break;
        case LoadResult::CannotOpen:
            messages.ShowMessage(texts::kFileReadFailed, MessageButtons::Ok, MessageIcon::Exclamation);
            break;
        }
    }
    shell.SelectPage(0);
}

int PanelCore::SaveSettingsFile() {
    if (!StorePagesCheckingPort()) return 1;
    std::optional<std::string> path = files.AskSavePath();
    while (path) {
        const FileWriteResult result = files.WriteStart(*path, currentRecord.Bytes(), kRecordSize);
        if (result == FileWriteResult::Written) {
            fileBaseline = currentRecord;
            return 0;
        }
        messages.ShowMessage(texts::kFileWriteFailed, MessageButtons::Ok, MessageIcon::Stop);
        if (result != FileWriteResult::AccessDenied) return 1;
        // Access denied: another name, perhaps in another folder.
        path = files.AskSavePath();
    }
    return 1;  // cancelled: nothing was kept
}

}  // namespace tamsel
