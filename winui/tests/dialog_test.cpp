// The dialog layer run for real: modal loops, keys posted through them, the
// owner, nested dialogs and child pages.
#include "winui/dialog.h"

#include <gtest/gtest.h>

#include <stdexcept>
#include <string>
#include <vector>

#include "exchange_dialog.h"
#include "scripted_dialog.h"
#include "test_templates_ids.h"
#include "winui/ddx.h"

namespace {

using winui::testing::ExchangeDialog;
using winui::testing::PostKey;
using winui::testing::ScriptedDialog;
using winui::testing::ThisModule;
using Step = ScriptedDialog::Step;

class CommonControls : public ::testing::Environment {
public:
    void SetUp() override { ASSERT_TRUE(winui::LoadCommonControls()); }
};
const auto* const commonControls = ::testing::AddGlobalTestEnvironment(new CommonControls);

// A plain top-level window that records the commands it receives.
class OwnerWindow {
public:
    OwnerWindow() {
        static const ATOM atom = [] {
            WNDCLASSW windowClass = {};
            windowClass.lpfnWndProc = &OwnerWindow::Procedure;
            windowClass.hInstance = ThisModule();
            windowClass.lpszClassName = L"WinuiTestOwner";
            return RegisterClassW(&windowClass);
        }();
        EXPECT_NE(atom, 0);
        window = CreateWindowExW(0, L"WinuiTestOwner", L"owner", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 10, 10, 300,
                                 200, nullptr, nullptr, ThisModule(), nullptr);
        SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
    }
    ~OwnerWindow() { DestroyWindow(window); }

    HWND window = nullptr;
    std::vector<int> commands;

private:
    static LRESULT CALLBACK Procedure(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
        if (msg == WM_COMMAND) {
            auto* self = reinterpret_cast<OwnerWindow*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
            if (self != nullptr) self->commands.push_back(LOWORD(wParam));
            return 0;
        }
        return DefWindowProcW(hwnd, msg, wParam, lParam);
    }
};

int FocusedId() { return GetDlgCtrlID(GetFocus()); }

TEST(ModalDialog, EndInOnInitDialogReturnsTheCodeAndDestroysTheWindow) {
    class EndsAtOnce : public winui::ModalDialog {
    public:
        EndsAtOnce() : ModalDialog(ThisModule(), IDD_HOST) {}
        bool sawWindow = false;

    protected:
        bool OnInitDialog() override {
            sawWindow = Window() != nullptr && Item(IDC_HOST_EDIT) != nullptr;
            End(42);
            return true;
        }
    } dialog;
    EXPECT_EQ(dialog.Run(nullptr), 42);
    EXPECT_TRUE(dialog.sawWindow);
    EXPECT_EQ(dialog.Window(), nullptr);
    EXPECT_FALSE(dialog.Running());
}

TEST(ModalDialog, MissingTemplateFailsWithMinusOne) {
    winui::ModalDialog dialog(ThisModule(), 4711);
    EXPECT_EQ(dialog.Run(nullptr), -1);
    EXPECT_EQ(dialog.Window(), nullptr);
}

TEST(ModalDialog, OwnerIsDisabledWhileRunningAndEnabledAfter) {
    OwnerWindow owner;
    bool enabledDuringRun = true;
    HWND ownerSeen = nullptr;
    ScriptedDialog dialog(IDD_HOST, {[&](ScriptedDialog& d) {
                              enabledDuringRun = IsWindowEnabled(owner.window);
                              ownerSeen = GetWindow(d.Window(), GW_OWNER);
                              d.End(1);
                          }});
    EXPECT_EQ(dialog.Run(owner.window), 1);
    EXPECT_FALSE(enabledDuringRun);
    EXPECT_EQ(ownerSeen, owner.window);
    EXPECT_TRUE(IsWindowEnabled(owner.window));
}

TEST(ModalDialog, OwnerGivenAsChildControlMeansItsTopLevelWindow) {
    OwnerWindow owner;
    HWND child = CreateWindowExW(0, L"BUTTON", L"x", WS_CHILD | WS_VISIBLE, 0, 0, 40, 20, owner.window, nullptr,
                                 ThisModule(), nullptr);
    ASSERT_NE(child, nullptr);
    bool ownerEnabled = true;
    ScriptedDialog dialog(IDD_HOST, {[&](ScriptedDialog& d) {
                              ownerEnabled = IsWindowEnabled(owner.window);
                              d.End(3);
                          }});
    EXPECT_EQ(dialog.Run(child), 3);
    EXPECT_FALSE(ownerEnabled);
    EXPECT_TRUE(IsWindowEnabled(owner.window));
}

TEST(ModalDialog, EnterRunsOnOkWithTheExchangeAndEscapeCancels) {
    struct Case {
        UINT key;
        INT_PTR expectedCode;
        std::wstring expectedText;  // the member after the run
    };
    const Case cases[] = {{VK_RETURN, IDOK, L"入力"}, {VK_ESCAPE, IDCANCEL, L"before"}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.key);
        ExchangeDialog dialog({
            [](ScriptedDialog& d) {
                d.FocusItem(IDC_EDIT);
                d.SetText(IDC_EDIT, L"入力");
            },
            [&](ScriptedDialog& d) { PostKey(d.Item(IDC_EDIT), c.key); },
            [](ScriptedDialog& d) { d.End(99); },  // reached only if the key did not end the dialog
        });
        dialog.text = L"before";
        EXPECT_EQ(dialog.Run(nullptr), c.expectedCode);
        EXPECT_EQ(dialog.text, c.expectedText);
    }
}

TEST(ModalDialog, RefusedExchangeKeepsTheDialogOpenWithTheFocusOnTheControl) {
    int focusAfterEnter = 0;
    bool stillRunning = false;
    ExchangeDialog dialog({
        [](ScriptedDialog& d) {
            d.SetText(IDC_EDIT, L"");
            d.FocusItem(IDOK);
        },
        [](ScriptedDialog& d) { PostKey(d.Item(IDOK), VK_RETURN); },
        [&](ScriptedDialog& d) {
            focusAfterEnter = FocusedId();
            stillRunning = d.Running();
            d.End(7);
        },
    });
    dialog.refuseEmptyText = true;
    EXPECT_EQ(dialog.Run(nullptr), 7);
    EXPECT_TRUE(stillRunning);
    EXPECT_EQ(focusAfterEnter, IDC_EDIT);
}

TEST(ModalDialog, PreTranslateSeesKeysBeforeTheDialogManager) {
    class Hooked : public ScriptedDialog {
    public:
        using ScriptedDialog::ScriptedDialog;
        int escapes = 0;

    protected:
        bool PreTranslate(MSG& msg) override {
            if (msg.message != WM_KEYDOWN || msg.wParam != VK_ESCAPE) return false;
            ++escapes;
            return true;
        }
    };
    Hooked dialog(IDD_HOST, {
                                [](ScriptedDialog& d) {
                                    d.FocusItem(IDC_HOST_EDIT);
                                    PostKey(d.Item(IDC_HOST_EDIT), VK_ESCAPE);
                                },
                                [](ScriptedDialog& d) { d.End(100); },
                            });
    // Had the Escape reached the dialog manager, the run would have ended
    // with IDCANCEL before the second step.
    EXPECT_EQ(dialog.Run(nullptr), 100);
    EXPECT_EQ(dialog.escapes, 1);
}

class CommandDialog : public ScriptedDialog {
public:
    using ScriptedDialog::ScriptedDialog;
    std::vector<int> handled;

protected:
    bool OnCommand(int id, int, HWND) override {
        if (id == 32806) {
            handled.push_back(id);
            return true;
        }
        if (id == 32900) throw std::runtime_error("handler failed");
        return false;
    }
};

TEST(ModalDialog, UnhandledCommandsGoToTheOwnerControlNotificationsDoNot) {
    OwnerWindow owner;
    CommandDialog dialog(IDD_HOST, {[](ScriptedDialog& d) {
                             // A command the dialog sends to itself and does not handle.
                             SendMessageW(d.Window(), WM_COMMAND, MAKEWPARAM(32805, 0), 0);
                             // One it handles.
                             SendMessageW(d.Window(), WM_COMMAND, MAKEWPARAM(32806, 0), 0);
                             // A click of a command button.
                             SendMessageW(d.Window(), WM_COMMAND, MAKEWPARAM(32810, BN_CLICKED),
                                          reinterpret_cast<LPARAM>(d.Item(IDOK)));
                             // A control's notification: stays with the dialog.
                             SendMessageW(d.Window(), WM_COMMAND, MAKEWPARAM(IDC_HOST_EDIT, EN_CHANGE),
                                          reinterpret_cast<LPARAM>(d.Item(IDC_HOST_EDIT)));
                             // A low id (a control of the dialog) clicked: not the owner's.
                             SendMessageW(d.Window(), WM_COMMAND, MAKEWPARAM(16, BN_CLICKED),
                                          reinterpret_cast<LPARAM>(d.Item(IDC_HOST_EDIT)));
                             d.End(5);
                         }});
    EXPECT_EQ(dialog.Run(owner.window), 5);
    EXPECT_EQ(owner.commands, (std::vector<int>{32805, 32810}));
    EXPECT_EQ(dialog.handled, std::vector<int>{32806});
}

TEST(ModalDialog, ExceptionInAHandlerDoesNotCrossTheCallback) {
    LRESULT answer = 1;
    CommandDialog dialog(IDD_HOST, {
                                       [&](ScriptedDialog& d) {
                                           answer = SendMessageW(d.Window(), WM_COMMAND, MAKEWPARAM(32900, 0), 0);
                                       },
                                       [](ScriptedDialog& d) { d.End(9); },
                                   });
    EXPECT_EQ(dialog.Run(nullptr), 9);
    EXPECT_EQ(answer, 0);  // not handled
}

TEST(ModalDialog, QuitMessageEndsTheRunAndIsPostedAgain) {
    ScriptedDialog dialog(IDD_HOST, {[](ScriptedDialog&) { PostQuitMessage(3); }});
    EXPECT_EQ(dialog.Run(nullptr), -1);
    EXPECT_EQ(dialog.Window(), nullptr);
    MSG msg = {};
    ASSERT_TRUE(PeekMessageW(&msg, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE));
    EXPECT_EQ(msg.wParam, 3u);
}

TEST(ModalDialog, NestedDialogDisablesItsOwnerAndTheOuterEndTakesEffectAfterwards) {
    bool outerEnabledDuringInner = true;
    bool outerEnabledAfterInner = false;
    INT_PTR innerCode = 0;
    ScriptedDialog outer(IDD_HOST, {[&](ScriptedDialog& o) {
                             ScriptedDialog inner(IDD_HOST, {[&](ScriptedDialog& i) {
                                                      outerEnabledDuringInner = IsWindowEnabled(o.Window());
                                                      // Ending the outer run from inside the inner loop.
                                                      o.End(11);
                                                      i.End(12);
                                                  }});
                             innerCode = inner.Run(o.Window());
                             outerEnabledAfterInner = IsWindowEnabled(o.Window());
                         }});
    EXPECT_EQ(outer.Run(nullptr), 11);
    EXPECT_EQ(innerCode, 12);
    EXPECT_FALSE(outerEnabledDuringInner);
    EXPECT_TRUE(outerEnabledAfterInner);
}

TEST(Dialog, DisablingTheFocusedControlMovesTheFocusFirst) {
    int focusBefore = 0;
    int focusAfter = 0;
    bool editEnabled = true;
    ExchangeDialog dialog({[&](ScriptedDialog& d) {
        d.FocusItem(IDC_EDIT);
        focusBefore = FocusedId();
        d.Enable(IDC_EDIT, false);
        focusAfter = FocusedId();
        editEnabled = d.IsEnabled(IDC_EDIT);
        d.End(1);
    }});
    EXPECT_EQ(dialog.Run(nullptr), 1);
    EXPECT_EQ(focusBefore, IDC_EDIT);
    EXPECT_NE(focusAfter, IDC_EDIT);
    EXPECT_NE(focusAfter, 0);
    EXPECT_FALSE(editEnabled);
}

TEST(Dialog, TextCheckAndEnableHelpers) {
    std::wstring text;
    bool checkedAfterCheck = false;
    bool checkedAfterClear = true;
    bool enabledAgain = false;
    ExchangeDialog dialog({[&](ScriptedDialog& d) {
        d.SetText(IDC_EDIT, L"ＭＳ Ｐゴシック");
        text = d.Text(IDC_EDIT);
        d.Check(IDC_CHECK, true);
        checkedAfterCheck = d.IsChecked(IDC_CHECK);
        d.Check(IDC_CHECK, false);
        checkedAfterClear = d.IsChecked(IDC_CHECK);
        d.Enable(IDC_LIST, false);
        d.Enable(IDC_LIST, true);
        enabledAgain = d.IsEnabled(IDC_LIST);
        d.End(1);
    }});
    EXPECT_EQ(dialog.Run(nullptr), 1);
    EXPECT_EQ(text, L"ＭＳ Ｐゴシック");
    EXPECT_TRUE(checkedAfterCheck);
    EXPECT_FALSE(checkedAfterClear);
    EXPECT_TRUE(enabledAgain);
    // Helpers on ids that do not exist do nothing and report nothing.
    EXPECT_EQ(dialog.Text(IDC_EDIT), L"");
    EXPECT_FALSE(dialog.IsChecked(IDC_CHECK));
}

// --- Child pages ----------------------------------------------------------------

class TestPage : public winui::ChildPage {
public:
    int choice = -1;
    std::wstring text;

protected:
    void Exchange(winui::Ddx& ddx) override {
        ddx.Radio(IDC_P0, choice);
        ddx.Text(IDC_PAGE_EDIT, text);
    }
};

class HostDialog : public ScriptedDialog {
public:
    HostDialog(TestPage& page, std::vector<Step> steps) : ScriptedDialog(IDD_HOST, std::move(steps)), page(page) {}
    bool pageCreated = false;

protected:
    bool OnInitDialog() override {
        pageCreated = page.Create(ThisModule(), IDD_PAGE, Window());
        if (pageCreated) SetWindowPos(page.Window(), nullptr, 10, 40, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
        return ScriptedDialog::OnInitDialog();
    }

private:
    TestPage& page;
};

TEST(ChildPage, CreatedInsideItsParentWithTheControlParentStyle) {
    TestPage page;
    bool parentIsHost = false;
    LONG_PTR style = 0;
    LONG_PTR exStyle = 0;
    HostDialog host(page, {[&](ScriptedDialog& d) {
                        parentIsHost = GetParent(page.Window()) == d.Window();
                        style = GetWindowLongPtrW(page.Window(), GWL_STYLE);
                        exStyle = GetWindowLongPtrW(page.Window(), GWL_EXSTYLE);
                        d.End(1);
                    }});
    EXPECT_EQ(host.Run(nullptr), 1);
    ASSERT_TRUE(host.pageCreated);
    EXPECT_TRUE(parentIsHost);
    EXPECT_TRUE(style & WS_CHILD);
    EXPECT_TRUE(exStyle & WS_EX_CONTROLPARENT);
    // The host's end destroyed the page's window; the page object let go of it.
    EXPECT_EQ(page.Window(), nullptr);
}

TEST(ChildPage, CreateFailsWithoutParentOrTemplate) {
    TestPage page;
    EXPECT_FALSE(page.Create(ThisModule(), IDD_PAGE, nullptr));
    OwnerWindow owner;
    EXPECT_FALSE(page.Create(ThisModule(), 4711, owner.window));
    EXPECT_EQ(page.Window(), nullptr);
}

TEST(ChildPage, ExchangesItsOwnControlsBothWays) {
    TestPage page;
    bool p1CheckedAfterLoad = false;
    std::wstring editAfterLoad;
    HostDialog host(page, {[&](ScriptedDialog& d) {
                        page.choice = 1;
                        page.text = L"ページ";
                        EXPECT_TRUE(page.UpdateData(false));
                        p1CheckedAfterLoad = page.IsChecked(IDC_P1);
                        editAfterLoad = page.Text(IDC_PAGE_EDIT);
                        // The user's choice comes back on save.
                        SendMessageW(page.Item(IDC_P0), BM_CLICK, 0, 0);
                        page.SetText(IDC_PAGE_EDIT, L"変更");
                        EXPECT_TRUE(page.UpdateData(true));
                        d.End(1);
                    }});
    EXPECT_EQ(host.Run(nullptr), 1);
    EXPECT_TRUE(p1CheckedAfterLoad);
    EXPECT_EQ(editAfterLoad, L"ページ");
    EXPECT_EQ(page.choice, 0);
    EXPECT_EQ(page.text, L"変更");
}

TEST(ChildPage, TabWalksFromTheHostIntoThePageControls) {
    TestPage page;
    struct Visit {
        int id;
        bool inPage;
    };
    std::vector<Visit> visits;
    std::vector<Step> steps;
    steps.push_back([&](ScriptedDialog& d) {
        // A radio group takes the focus at its checked button.
        page.choice = 0;
        page.UpdateData(false);
        d.FocusItem(IDC_HOST_EDIT);
    });
    for (int i = 0; i < 6; ++i) {
        steps.push_back([&](ScriptedDialog&) {
            HWND focus = GetFocus();
            visits.push_back({GetDlgCtrlID(focus), focus != nullptr && IsChild(page.Window(), focus)});
            PostKey(focus, VK_TAB);
        });
    }
    steps.push_back([](ScriptedDialog& d) { d.End(1); });
    HostDialog host(page, std::move(steps));
    EXPECT_EQ(host.Run(nullptr), 1);
    ASSERT_TRUE(host.pageCreated);
    auto visited = [&](int id, bool inPage) {
        for (const Visit& visit : visits) {
            if (visit.id == id && visit.inPage == inPage) return true;
        }
        return false;
    };
    // Six Tabs go round the five tab stops: the host's edit, OK and Cancel,
    // the page's checked radio button and its edit.
    EXPECT_TRUE(visited(IDC_HOST_EDIT, false));
    EXPECT_TRUE(visited(IDOK, false));
    EXPECT_TRUE(visited(IDCANCEL, false));
    EXPECT_TRUE(visited(IDC_P0, true));
    EXPECT_TRUE(visited(IDC_PAGE_EDIT, true));
}

}  // namespace
