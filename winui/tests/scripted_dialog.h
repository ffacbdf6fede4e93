// Test support: a modal dialog that runs a list of steps, one per posted
// message, inside its own loop. Keys a step posts are handled by the loop
// before the next step runs, so a test reads like what a person does.
#pragma once

#include <windows.h>

#include <functional>
#include <utility>
#include <vector>

#include "winui/dialog.h"

namespace winui::testing {

inline HINSTANCE ThisModule() { return GetModuleHandleW(nullptr); }

// Posts a key press (down and up) to a window, as the keyboard would.
inline void PostKey(HWND target, UINT key) {
    PostMessageW(target, WM_KEYDOWN, key, 1);
    PostMessageW(target, WM_KEYUP, key, 0xC0000001);
}

class ScriptedDialog : public ModalDialog {
public:
    using Step = std::function<void(ScriptedDialog&)>;
    static constexpr INT_PTR kTimedOut = -2;

    ScriptedDialog(int templateId, std::vector<Step> steps)
        : ModalDialog(ThisModule(), templateId), steps(std::move(steps)) {}

    // Ends the run with kTimedOut when the steps never end it.
    static constexpr UINT kTimeoutMs = 10000;

protected:
    static constexpr UINT kNextStep = WM_APP + 1;
    static constexpr UINT_PTR kTimeoutTimer = 1;

    bool OnInitDialog() override {
        const bool result = ModalDialog::OnInitDialog();
        SetTimer(Window(), kTimeoutTimer, kTimeoutMs, nullptr);
        PostMessageW(Window(), kNextStep, 0, 0);
        return result;
    }

    bool OnMessage(UINT msg, WPARAM wParam, LPARAM lParam, INT_PTR& result) override {
        if (msg == kNextStep) {
            const std::size_t index = wParam;
            if (index < steps.size()) {
                steps[index](*this);
                if (index + 1 < steps.size()) PostMessageW(Window(), kNextStep, index + 1, 0);
            }
            result = TRUE;
            return true;
        }
        if (msg == WM_TIMER && wParam == kTimeoutTimer) {
            KillTimer(Window(), kTimeoutTimer);
            End(kTimedOut);
            result = TRUE;
            return true;
        }
        return ModalDialog::OnMessage(msg, wParam, lParam, result);
    }

private:
    std::vector<Step> steps;
};

}  // namespace winui::testing
