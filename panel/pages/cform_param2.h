// The second parameter page ("パラメータ設定2", dialog 219): ten radio groups,
// one of them nested in the automatic-cut group and usable only while the
// automatic cut feed is on.
#pragma once

#include <cstdint>

#include "panel/pages/settings_page.h"

namespace tamsel {

class CForm_Param2 : public SettingsPage {
public:
    static constexpr int kTemplateId = 219;

    CForm_Param2() = default;

    // Loads the members, applies the enabling rule with the new autoCutFeed,
    // then shows the members.
    void LoadFromRecord(const SettingsRecord& record) override;
    void SaveToRecord(SettingsRecord& record) override;

    // The chosen button of each group, -1 for none.
    std::int32_t autoCutFeed = -1;          // PARAM[21]
    std::int32_t blackMarkTopControl = -1;  // PARAM[17]
    std::int32_t ackWidth = -1;             // PARAM[22]
    std::int32_t feedSwitchPrint = -1;      // PARAM[20]
    std::int32_t inputPrime = -1;           // PARAM[23]
    std::int32_t startupState = -1;         // PARAM[19]
    std::int32_t zeroSlash = -1;            // PARAM[18]
    std::int32_t statusAutoSend = -1;       // PARAM[24]
    std::int32_t autoCutReturnTime = -1;    // PARAM[15]
    std::int32_t pageControl = -1;          // PARAM[29]

protected:
    void Exchange(winui::Ddx& ddx) override;
    // Every command refreshes the members from the controls; a click of
    // either automatic-cut button then applies the enabling rule. Never
    // handled: the normal processing follows.
    bool OnCommand(int id, int code, HWND control) override;

private:
    // The three return-time buttons follow autoCutFeed; the group box stays
    // enabled and the chosen button stays chosen.
    void ApplyReturnTimeRule();
};

}  // namespace tamsel
