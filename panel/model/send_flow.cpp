#include "send_flow.h"

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

bool SendsParam(SendChoice c) { return c == SendChoice::Param || c == SendChoice::All; }
bool SendsAdjust(SendChoice c) { return c == SendChoice::Adjust || c == SendChoice::All; }
bool SendsAddress(SendChoice c) { return c == SendChoice::Address || c == SendChoice::All; }

template <std::size_t N>
void Compare(const char* block, const std::array<std::int32_t, N>& sent, const std::array<std::int32_t, N>& read,
             std::vector<Difference>& out) {
    for (std::size_t i = 0; i < N; ++i) {
        if (sent[i] != read[i]) out.push_back({block, i, sent[i], read[i]});
    }
}

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

    // Set operations, in this order, stopping at the first failure.
    std::int32_t sysError = 0;
    const auto failed = [&](const char* operation, std::int32_t result) {
        report.outcome = SendOutcome::SetFailed;
        report.failure = FailedCall{operation, result, sysError};
        return report;
    };
    if (SendsParam(choice)) {
        if (const std::int32_t r = link.SetParam(param.data(), &sysError); r != 0) return failed("DllSetPrinterParam", r);
    }
    if (SendsAdjust(choice)) {
        if (const std::int32_t r = link.SetAdjust(adjust.data(), &sysError); r != 0) return failed("DllSetPrinterAdjust", r);
    }
    if (SendsAddress(choice)) {
        if (const std::int32_t r = link.SetAddress(address.data(), &sysError); r != 0) return failed("DllSetPrinterAdd", r);
    }

    // Read back what the printer now holds. A printer on a local port cannot
    // answer, so what was set is taken as accepted.
    if (readBack) {
        ParamBlock readParam{};
        AdjustBlock readAdjust{};
        AddressBlock readAddress{};
        if (const std::int32_t r = link.GetParam(readParam.data(), readAdjust.data(), readAddress.data(), &sysError);
            r != 0) {
            report.outcome = SendOutcome::ReadBackFailed;
            report.failure = FailedCall{"DllGetPrinterParam", r, sysError};
            return report;
        }
        // The DIP switches are the printer's own; they never count as a difference.
        std::copy(readParam.begin(), readParam.begin() + kDipSwitchCount, param.begin());
        if (SendsParam(choice)) Compare("PARAM", param, readParam, report.differences);
        if (SendsAdjust(choice)) Compare("ADJUST", adjust, readAdjust, report.differences);
        if (SendsAddress(choice)) Compare("ADDRESS", address, readAddress, report.differences);
        if (!report.differences.empty()) {
            report.outcome = SendOutcome::ReadBackDiffers;
            return report;
        }
    }

    // Accepted: the sent blocks become what the printer is known to hold.
    if (SendsParam(choice)) std::memcpy(snapshot.param, param.data(), sizeof snapshot.param);
    if (SendsAdjust(choice)) std::memcpy(snapshot.adjust, adjust.data(), sizeof snapshot.adjust);
    if (SendsAddress(choice)) std::memcpy(snapshot.address, address.data(), sizeof snapshot.address);

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
