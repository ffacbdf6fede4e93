// Test support: one page created inside an empty modal host dialog, and a
// list of steps run one after the other inside the host's own loop, so that
// keys and clicks a step posts are handled before the next step looks.
#pragma once

#include <windows.h>

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "page_host_ids.h"
#include "winui/dialog.h"
#include "winui/text.h"

namespace tamsel::testing {

inline HINSTANCE ThisModule() { return GetModuleHandleW(nullptr); }

template <class Page>
class PageHost : public winui::ModalDialog {
public:
    using Step = std::function<void(Page&)>;
    static constexpr INT_PTR kDone = 1;
    static constexpr INT_PTR kNoPage = -3;
    static constexpr INT_PTR kTimedOut = -2;

    explicit PageHost(Page& page) : ModalDialog(ThisModule(), IDD_PAGE_HOST), page(page) {}

    // Runs the steps; kDone when all ran.
    INT_PTR RunSteps(std::vector<Step> list) {
        steps = std::move(list);
        return Run(nullptr);
    }

protected:
    static constexpr UINT kNextStep = WM_APP + 1;
    static constexpr UINT_PTR kTimeoutTimer = 1;

    bool OnInitDialog() override {
        if (!page.Create(ThisModule(), Page::kTemplateId, Window())) {
            End(kNoPage);
            return true;
        }
        SetTimer(Window(), kTimeoutTimer, 10000, nullptr);
        PostMessageW(Window(), kNextStep, 0, 0);
        return true;
    }

    bool OnMessage(UINT msg, WPARAM wParam, LPARAM lParam, INT_PTR& result) override {
        if (msg == kNextStep) {
            const std::size_t index = wParam;
            if (index < steps.size()) steps[index](page);
            if (index + 1 < steps.size()) {
                PostMessageW(Window(), kNextStep, index + 1, 0);
            } else {
                End(kDone);
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
    Page& page;
    std::vector<Step> steps;
};

// Runs the steps on a fresh page inside a host; fails the test when the host
// could not run them all.
template <class Page>
void RunOnPage(Page& page, std::vector<typename PageHost<Page>::Step> steps) {
    PageHost<Page> host(page);
    EXPECT_EQ(host.RunSteps(std::move(steps)), PageHost<Page>::kDone);
}

inline std::string ItemText(HWND parent, int id) {
    HWND item = GetDlgItem(parent, id);
    const int length = GetWindowTextLengthW(item);
    std::wstring text(static_cast<std::size_t>(length > 0 ? length : 0) + 1, L'\0');
    const int copied = GetWindowTextW(item, text.data(), length + 1);
    text.resize(copied > 0 ? static_cast<std::size_t>(copied) : 0);
    return winui::Narrow(text);
}

// Types the characters into the window as the keyboard would (through the
// host's loop and the dialog manager).
inline void PostTyping(HWND target, const std::string& utf8) {
    for (wchar_t c : winui::Widen(utf8)) PostMessageW(target, WM_CHAR, c, 1);
}

// Clicks a point of a window (client coordinates) with the left button.
inline void PostClick(HWND target, int x, int y) {
    PostMessageW(target, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(x, y));
    PostMessageW(target, WM_LBUTTONUP, 0, MAKELPARAM(x, y));
}

// Clicks the upper (up) or lower (down) arrow of a vertical up-down control.
inline void PostSpinClick(HWND spin, bool up) {
    RECT area;
    GetClientRect(spin, &area);
    PostClick(spin, (area.right - area.left) / 2, up ? area.bottom / 4 : area.bottom * 3 / 4);
}

}  // namespace tamsel::testing
