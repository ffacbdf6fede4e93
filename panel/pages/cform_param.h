// The first parameter page ("パラメータ設定1", dialog 101): eleven radio
// groups, each editing one PARAM element as the position of its chosen button.
#pragma once

#include <cstdint>

#include "panel/pages/settings_page.h"

namespace tamsel {

class CForm_Param : public SettingsPage {
public:
    static constexpr int kTemplateId = 101;

    // Every member -1: no button chosen until a record is loaded.
    CForm_Param() = default;

    void LoadFromRecord(const SettingsRecord& record) override;
    void SaveToRecord(SettingsRecord& record) override;

    // The chosen button of each group, -1 for none.
    std::int32_t backFeedSpeed = -1;           // PARAM[25]
    std::int32_t errorBuzzer = -1;             // PARAM[12]
    std::int32_t powerOnBreakError = -1;       // PARAM[10]
    std::int32_t mirrorPrint = -1;             // PARAM[28]
    std::int32_t printDirection = -1;          // PARAM[27]
    std::int32_t stopPositionAfterClose = -1;  // PARAM[26]
    std::int32_t thinPaperMode = -1;           // PARAM[16]
    std::int32_t autoTopOfForm = -1;           // PARAM[14]
    std::int32_t paperCheckOnClose = -1;       // PARAM[11]
    std::int32_t cutterMode = -1;              // PARAM[13], on hidden buttons
    std::int32_t usbSerialNumber = -1;         // PARAM[30]

protected:
    void Exchange(winui::Ddx& ddx) override;
};

}  // namespace tamsel
