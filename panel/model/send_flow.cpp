#include "send_flow.h"

#include <algorithm>
#include <cstring>

namespace tamsel {

using namespace kestrion;

std::int32_t LibraryLink::GetStatus(std::int32_t* status, std::int32_t* sysError) {
    return linkOps.getStatus(&printerTarget, status, sysError);
}
std::int32_t LibraryLink::GetParam(std::int32_t* param, std::int32_t* adjust, std::int32_t* address,
                                   std::int32_t* sysError) {
    return linkOps.getParam(&printerTarget, param, adjust, address, sysError);
}
std::int32_t LibraryLink::SetParam(const std::int32_t* param, std::int32_t* sysError) {
    return linkOps.setParam(&printerTarget, param, sysError);
}
std::int32_t LibraryLink::SetAdjust(const std::int32_t* adjust, std::int32_t* sysError) {
    return linkOps.setAdjust(&printerTarget, adjust, sysError);
}
std::int32_t LibraryLink::SetAddress(const std::int32_t* address, std::int32_t* sysError) {
    return linkOps.setAddress(&printerTarget, address, sysError);
}
std::int32_t LibraryLink::Reset(std::int32_t* sysError) { return linkOps.reset(&printerTarget, sysError); }

namespace {

// One of the three blocks a send may carry: the choices that include it, the
// operation that sets it, and where the values sent, read back and accepted
// are kept.
struct Block {
    const char* name;  // "PARAM", "ADJUST" or "ADDRESS", as differences name it
    SendChoice own;    // the choice that sends this block alone (All sends every block)
    std::int32_t (PrinterLink::*set)(const std::int32_t*, std::int32_t*);
    const char* setOperation;  // export name of the set operation
    std::int32_t* sent;        // the values to send; for PARAM the DIP switches are replaced by the read-back
    const std::int32_t* read;  // what the read-back found
    std::int32_t* accepted;    // the block in the caller's snapshot
    std::size_t count;
};

bool Sends(SendChoice choice, const Block& block) { return choice == block.own || choice == SendChoice::All; }

}  // namespace

SendReport SendToPrinterBlocks(PrinterLink& link, SendChoice choice, const SettingsRecord& work, bool readBack,
                               SettingsRecord& snapshot) {
    SendReport report;
    const int choiceValue = static_cast<int>(choice);
    if (choiceValue < 0 || choiceValue > 3) return report;  // nothing sent, no message

    ParamBlock param{};
    AdjustBlock adjust{};
    AddressBlock address{};
    std::memcpy(param.data(), work.param, sizeof work.param);
    std::memcpy(adjust.data(), work.adjust, sizeof work.adjust);
    std::memcpy(address.data(), work.address, sizeof work.address);
    ParamBlock readParam{};
    AdjustBlock readAdjust{};
    AddressBlock readAddress{};

    // In the order they are set.
    const Block blocks[] = {
        {"PARAM", SendChoice::Param, &PrinterLink::SetParam, "DllSetPrinterParam", param.data(), readParam.data(),
         snapshot.param, kParamCount},
        {"ADJUST", SendChoice::Adjust, &PrinterLink::SetAdjust, "DllSetPrinterAdjust", adjust.data(), readAdjust.data(),
         snapshot.adjust, kAdjustCount},
        {"ADDRESS", SendChoice::Address, &PrinterLink::SetAddress, "DllSetPrinterAdd", address.data(),
         readAddress.data(), snapshot.address, kAddressCount},
    };

    // Set operations, stopping at the first failure.
    std::int32_t sysError = 0;
    for (const Block& block : blocks) {
        if (!Sends(choice, block)) continue;
        if (const std::int32_t r = (link.*block.set)(block.sent, &sysError); r != 0) {
            report.outcome = SendOutcome::SetFailed;
            report.failure = FailedCall{block.setOperation, r, sysError};
            return report;
        }
    }

    // Read back what the printer now holds. A printer on a local port cannot
    // answer, so what was set is taken as accepted.
    if (readBack) {
        if (const std::int32_t r = link.GetParam(readParam.data(), readAdjust.data(), readAddress.data(), &sysError);
            r != 0) {
            report.outcome = SendOutcome::ReadBackFailed;
            report.failure = FailedCall{"DllGetPrinterParam", r, sysError};
            return report;
        }
        // The DIP switches are the printer's own; they never count as a difference.
        std::copy(readParam.begin(), readParam.begin() + kDipSwitchCount, param.begin());
        for (const Block& block : blocks) {
            if (!Sends(choice, block)) continue;
            for (std::size_t i = 0; i < block.count; ++i) {
                if (block.sent[i] != block.read[i]) {
                    report.differences.push_back({block.name, i, block.sent[i], block.read[i]});
                }
            }
        }
        if (!report.differences.empty()) {
            report.outcome = SendOutcome::ReadBackDiffers;
            return report;
        }
    }

    // Accepted: the sent blocks become what the printer is known to hold.
    for (const Block& block : blocks) {
        if (Sends(choice, block)) std::copy(block.sent, block.sent + block.count, block.accepted);
    }

    // Restart so that the printer applies the new values. A failed restart
    // does not undo the acceptance.
    if (const std::int32_t r = link.Reset(&sysError); r != 0) {
        report.outcome = SendOutcome::ResetFailed;
        report.failure = FailedCall{"DllResetPrinter", r, sysError};
        return report;
    }
    report.outcome = SendOutcome::Sent;
    return report;
}

const char* SendOutcomeText(SendOutcome outcome, SendChoice choice) {
    switch (outcome) {
        case SendOutcome::SetFailed: return "送信に失敗しました。\n接続を確認して再度送信してください。";
        case SendOutcome::ReadBackFailed: return "設定データ取得に失敗しました。";
        case SendOutcome::ReadBackDiffers: return "データセットに失敗しました。";
        case SendOutcome::ResetFailed: return "リセット送信に失敗しました。";
        case SendOutcome::NothingSent: return nullptr;
        case SendOutcome::Sent: break;
    }
    switch (choice) {
        case SendChoice::Param: return "（パラメータ設定値）\nプリンタに設定値を送信しました。";
        case SendChoice::Adjust: return "（微調整設定値）\nプリンタに設定値を送信しました。";
        case SendChoice::Address: return "（IPアドレス設定値）\nプリンタに設定値を送信しました。";
        case SendChoice::All: return "（一括送信）\nプリンタに設定値を送信しました。";
    }
    return nullptr;
}

MessageIcon SendOutcomeIcon(SendOutcome outcome) {
    switch (outcome) {
        case SendOutcome::ReadBackFailed:
        case SendOutcome::ResetFailed: return MessageIcon::Stop;
        case SendOutcome::ReadBackDiffers: return MessageIcon::Exclamation;
        default: return MessageIcon::Information;
    }
}

const char* ResultCodeMeaning(std::int32_t code) {
    switch (code) {
        case LINK_OK: return "success";
        case LINK_E_TARGET: return "bad printer target";
        case LINK_E_STATUS_REPLY: return "no valid status reply";
        case LINK_E_PARAM_REPLY: return "no valid settings reply";
        case LINK_E_SPOOLER: return "spooler call failed";
        case LINK_E_NO_BIDI: return "bidirectional support is off";
        case LINK_E_NETWORK: return "network failure";
        case LINK_E_NULL_ARG: return "null argument";
        default: return "unknown result";
    }
}

}  // namespace tamsel
