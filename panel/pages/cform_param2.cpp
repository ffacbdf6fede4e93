#include "panel/pages/cform_param2.h"

#include "panel/pages/page_rules.h"
#include "panel/res/pages_param_ids.h"
#include "winui/ddx.h"

namespace tamsel {

namespace {

// The PARAM elements of this page.
constexpr std::size_t kAutoCutReturnTime = 15;
constexpr std::size_t kBlackMarkTopControl = 17;
constexpr std::size_t kZeroSlash = 18;
constexpr std::size_t kStartupState = 19;
constexpr std::size_t kFeedSwitchPrint = 20;
constexpr std::size_t kAutoCutFeed = 21;
constexpr std::size_t kAckWidth = 22;
constexpr std::size_t kInputPrime = 23;
constexpr std::size_t kStatusAutoSend = 24;
constexpr std::size_t kPageControl = 29;

constexpr int kReturnTimeButtons[] = {IDC_PARAM2_RETURN_UNLIMITED, IDC_PARAM2_RETURN_8S, IDC_PARAM2_RETURN_15S};

}  // namespace

void CForm_Param2::Exchange(winui::Ddx& ddx) {
    ddx.Radio(IDC_PARAM2_AUTO_CUT_FEED_ON, autoCutFeed);
    ddx.Radio(IDC_PARAM2_BLACK_MARK_TOP, blackMarkTopControl);
    ddx.Radio(IDC_PARAM2_ACK_HALF_US, ackWidth);
    ddx.Radio(IDC_PARAM2_FEED_PRINT_OFF, feedSwitchPrint);
    ddx.Radio(IDC_PARAM2_PRIME_OFF, inputPrime);
    ddx.Radio(IDC_PARAM2_STARTUP_ONLINE, startupState);
    ddx.Radio(IDC_PARAM2_ZERO_SLASH_OFF, zeroSlash);
    ddx.Radio(IDC_PARAM2_STATUS_OFF, statusAutoSend);
    ddx.Radio(IDC_PARAM2_RETURN_UNLIMITED, autoCutReturnTime);
    ddx.Radio(IDC_PARAM2_PAGE_SENSOR, pageControl);
}

bool CForm_Param2::OnCommand(int id, int, HWND) {
    UpdateData(true);
    if (id == IDC_PARAM2_AUTO_CUT_FEED_ON || id == IDC_PARAM2_AUTO_CUT_FEED_OFF) ApplyReturnTimeRule();
    return false;
}

void CForm_Param2::ApplyReturnTimeRule() {
    const bool enabled = ReturnTimeEnabled(autoCutFeed);
    for (int id : kReturnTimeButtons) Enable(id, enabled);
}

void CForm_Param2::LoadFromRecord(const SettingsRecord& record) {
    autoCutReturnTime = record.param[kAutoCutReturnTime];
    blackMarkTopControl = record.param[kBlackMarkTopControl];
    zeroSlash = record.param[kZeroSlash];
    startupState = record.param[kStartupState];
    feedSwitchPrint = record.param[kFeedSwitchPrint];
    autoCutFeed = record.param[kAutoCutFeed];
    ackWidth = record.param[kAckWidth];
    inputPrime = record.param[kInputPrime];
    statusAutoSend = record.param[kStatusAutoSend];
    pageControl = record.param[kPageControl];
    ApplyReturnTimeRule();
    UpdateData(false);
}

void CForm_Param2::SaveToRecord(SettingsRecord& record) {
    UpdateData(true);
    record.param[kAutoCutReturnTime] = autoCutReturnTime;
    record.param[kBlackMarkTopControl] = blackMarkTopControl;
    record.param[kZeroSlash] = zeroSlash;
    record.param[kStartupState] = startupState;
    record.param[kFeedSwitchPrint] = feedSwitchPrint;
    record.param[kAutoCutFeed] = autoCutFeed;
    record.param[kAckWidth] = ackWidth;
    record.param[kInputPrime] = inputPrime;
    record.param[kStatusAutoSend] = statusAutoSend;
    record.param[kPageControl] = pageControl;
}

}  // namespace tamsel
