// The DIP switch page ("DIPSW状態表示", dialog 207): a picture of the switch
// block with each lever up or down and the seven lines that say what the
// switch combinations select. Read only: the switches are set on the printer.
#pragma once

#include <array>
#include <cstdint>

#include "core/protocol.h"
#include "panel/pages/settings_page.h"

namespace tamsel {

class CForm_DIPSW : public SettingsPage {
public:
    static constexpr int kTemplateId = 207;

    // Copies PARAM[0..30] (only the first ten are shown) and redraws at once.
    void LoadFromRecord(const SettingsRecord& record) override;
    // Writes nothing: the page has no values of its own to give back.
    void SaveToRecord(SettingsRecord& record) override;

    // The states shown, switch n at [n - 1]: 0 off (lever down), 1 on (lever
    // up), anything else unknown (empty slot, "不明"). All 0 until the first
    // load.
    const std::array<std::int32_t, kestrion::kParamCount>& SwitchStates() const { return switchStates; }

protected:
    bool OnMessage(UINT msg, WPARAM wParam, LPARAM lParam, INT_PTR& result) override;

private:
    void OnPaint();
    void DrawSwitches();

    std::array<std::int32_t, kestrion::kParamCount> switchStates = {};
};

}  // namespace tamsel
