#include "panel/pages/cform_param.h"

#include "panel/res/pages_param_ids.h"
#include "winui/ddx.h"

namespace tamsel {

namespace {

// The PARAM elements of this page.
constexpr std::size_t kPowerOnBreakError = 10;
constexpr std::size_t kPaperCheckOnClose = 11;
constexpr std::size_t kErrorBuzzer = 12;
constexpr std::size_t kCutterMode = 13;
constexpr std::size_t kAutoTopOfForm = 14;
constexpr std::size_t kThinPaperMode = 16;
constexpr std::size_t kBackFeedSpeed = 25;
constexpr std::size_t kStopPositionAfterClose = 26;
constexpr std::size_t kPrintDirection = 27;
constexpr std::size_t kMirrorPrint = 28;
constexpr std::size_t kUsbSerialNumber = 30;

}  // namespace

void CForm_Param::Exchange(winui::Ddx& ddx) {
    ddx.Radio(IDC_PARAM_BACKFEED_6IPS, backFeedSpeed);
    ddx.Radio(IDC_PARAM_BUZZER_ON, errorBuzzer);
    ddx.Radio(IDC_PARAM_BREAK_ERROR_ON, powerOnBreakError);
    ddx.Radio(IDC_PARAM_MIRROR_COMMAND, mirrorPrint);
    ddx.Radio(IDC_PARAM_DIRECTION_COMMAND, printDirection);
    ddx.Radio(IDC_PARAM_STOP_KEEP, stopPositionAfterClose);
    ddx.Radio(IDC_PARAM_THIN_PAPER_OFF, thinPaperMode);
    ddx.Radio(IDC_PARAM_TOP_OF_FORM_ON, autoTopOfForm);
    ddx.Radio(IDC_PARAM_PAPER_CHECK_ON, paperCheckOnClose);
    ddx.Radio(IDC_PARAM_CUTTER_FULL, cutterMode);
    ddx.Radio(IDC_PARAM_USB_SERIAL_SEND, usbSerialNumber);
}

void CForm_Param::LoadFromRecord(const SettingsRecord& record) {
    powerOnBreakError = record.param[kPowerOnBreakError];
    paperCheckOnClose = record.param[kPaperCheckOnClose];
    errorBuzzer = record.param[kErrorBuzzer];
    cutterMode = record.param[kCutterMode];
    autoTopOfForm = record.param[kAutoTopOfForm];
    thinPaperMode = record.param[kThinPaperMode];
    backFeedSpeed = record.param[kBackFeedSpeed];
    stopPositionAfterClose = record.param[kStopPositionAfterClose];
    printDirection = record.param[kPrintDirection];
    mirrorPrint = record.param[kMirrorPrint];
    usbSerialNumber = record.param[kUsbSerialNumber];
    UpdateData(false);
}

void CForm_Param::SaveToRecord(SettingsRecord& record) {
    UpdateData(true);
    record.param[kPowerOnBreakError] = powerOnBreakError;
    record.param[kPaperCheckOnClose] = paperCheckOnClose;
    record.param[kErrorBuzzer] = errorBuzzer;
    record.param[kCutterMode] = cutterMode;
    record.param[kAutoTopOfForm] = autoTopOfForm;
    record.param[kThinPaperMode] = thinPaperMode;
    record.param[kBackFeedSpeed] = backFeedSpeed;
    record.param[kStopPositionAfterClose] = stopPositionAfterClose;
    record.param[kPrintDirection] = printDirection;
    record.param[kMirrorPrint] = mirrorPrint;
    record.param[kUsbSerialNumber] = usbSerialNumber;
}

}  // namespace tamsel
