#include "winui/dialog.h"

#include <commctrl.h>

#include <exception>

#include "winui/ddx.h"

namespace winui {

namespace {

// A handler that throws must not unwind through the system's dialog code: the
// message counts as not handled and the reason goes to the debugger.
void ReportException(const char* what) {
    OutputDebugStringA("winui: exception in a dialog handler: ");
    OutputDebugStringA(what);
    OutputDebugStringA("\n");
}

// Commands in this range come from menus, accelerators and command buttons;
// lower ids are controls of the dialog itself and mean nothing to its owner.
constexpr int kFirstCommandId = 0x8000;
constexpr int kLastCommandId = 0xEFFF;

}  // namespace

bool LoadCommonControls() {
    INITCOMMONCONTROLSEX controls = {};
    controls.dwSize = sizeof controls;
    controls.dwICC = ICC_WIN95_CLASSES | ICC_INTERNET_CLASSES | ICC_TAB_CLASSES | ICC_BAR_CLASSES |
                     ICC_LISTVIEW_CLASSES | ICC_UPDOWN_CLASS | ICC_STANDARD_CLASSES;
    return InitCommonControlsEx(&controls) != FALSE;
}

Dialog::~Dialog() {
    if (window == nullptr) return;
    // Detach first: the window's last messages must not reach a half-destroyed
    // object.
    HWND doomed = window;
    SetWindowLongPtrW(doomed, DWLP_USER, 0);
    window = nullptr;
    DestroyWindow(doomed);
}

HWND Dialog::Item(int id) const { return window ? GetDlgItem(window, id) : nullptr; }

std::wstring Dialog::Text(int id) const {
    HWND item = Item(id);
    if (item == nullptr) return {};
    const int length = GetWindowTextLengthW(item);
    if (length <= 0) return {};
    std::wstring text(static_cast<std::size_t>(length) + 1, L'\0');
    const int copied = GetWindowTextW(item, text.data(), length + 1);
    text.resize(copied > 0 ? static_cast<std::size_t>(copied) : 0);
    return text;
}

void Dialog::SetText(int id, std::wstring_view text) {
    HWND item = Item(id);
    if (item == nullptr) return;
    const std::wstring terminated(text);
    SetWindowTextW(item, terminated.c_str());
}

void Dialog::Enable(int id, bool on) {
    HWND item = Item(id);
    if (item == nullptr) return;
    if (!on) {
        HWND focus = GetFocus();
        if (focus != nullptr && (focus == item || IsChild(item, focus))) {
            HWND root = GetAncestor(window, GA_ROOT);
            SendMessageW(root, WM_NEXTDLGCTL, 0, FALSE);
            // The only control that takes the focus: leave it with the dialog.
            if (GetFocus() == focus) SetFocus(root);
        }
    }
    EnableWindow(item, on ? TRUE : FALSE);
}

bool Dialog::IsEnabled(int id) const {
    HWND item = Item(id);
    return item != nullptr && IsWindowEnabled(item);
}

void Dialog::Check(int id, bool on) {
    HWND item = Item(id);
    if (item != nullptr) SendMessageW(item, BM_SETCHECK, on ? BST_CHECKED : BST_UNCHECKED, 0);
}

bool Dialog::IsChecked(int id) const {
    HWND item = Item(id);
    return item != nullptr && SendMessageW(item, BM_GETCHECK, 0, 0) == BST_CHECKED;
}

void Dialog::Show(bool on) {
    if (window != nullptr) ShowWindow(window, on ? SW_SHOW : SW_HIDE);
}

void Dialog::FocusItem(int id) {
    HWND item = Item(id);
    if (item == nullptr) return;
    SendMessageW(GetAncestor(window, GA_ROOT), WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(item), TRUE);
}

bool Dialog::UpdateData(bool save) {
    if (window == nullptr) return false;
    Ddx ddx(*this, save);
    Exchange(ddx);
    return !ddx.Failed();
}

bool Dialog::OnInitDialog() {
    UpdateData(false);
    return true;
}

bool Dialog::OnCommand(int, int, HWND) { return false; }
bool Dialog::OnNotify(int, NMHDR*, LRESULT&) { return false; }
void Dialog::OnOK() {}
void Dialog::OnCancel() {}
bool Dialog::OnMessage(UINT, WPARAM, LPARAM, INT_PTR&) { return false; }
void Dialog::Exchange(Ddx&) {}
bool Dialog::OnUnhandledCommand(WPARAM, LPARAM) { return false; }

void Dialog::SetMessageResult(LRESULT result) {
    if (window != nullptr) SetWindowLongPtrW(window, DWLP_MSGRESULT, result);
}

void Dialog::Detach() { window = nullptr; }

INT_PTR CALLBACK Dialog::DialogProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    Dialog* self = nullptr;
    if (msg == WM_INITDIALOG) {
        self = reinterpret_cast<Dialog*>(lParam);
        if (self == nullptr) return FALSE;
        self->window = hwnd;
        SetWindowLongPtrW(hwnd, DWLP_USER, reinterpret_cast<LONG_PTR>(self));
    } else {
        self = reinterpret_cast<Dialog*>(GetWindowLongPtrW(hwnd, DWLP_USER));
    }
    // Messages before WM_INITDIALOG (WM_SETFONT, ...) and after the object let
    // go of the window take the default handling.
    if (self == nullptr) return FALSE;

    if (msg == WM_NCDESTROY) {
        SetWindowLongPtrW(hwnd, DWLP_USER, 0);
        INT_PTR result = FALSE;
        try {
            self->OnMessage(msg, wParam, lParam, result);
        } catch (const std::exception& error) {
            ReportException(error.what());
        } catch (...) {
            ReportException("unknown");
        }
        self->Detach();
        return result;
    }

    try {
        return self->Dispatch(msg, wParam, lParam);
    } catch (const std::exception& error) {
        ReportException(error.what());
    } catch (...) {
        ReportException("unknown");
    }
    // WM_INITDIALOG that threw: let the dialog manager set the focus.
    return msg == WM_INITDIALOG ? TRUE : FALSE;
}

INT_PTR Dialog::Dispatch(UINT msg, WPARAM wParam, LPARAM lParam) {
    switch (msg) {
    case WM_INITDIALOG:
        return OnInitDialog() ? TRUE : FALSE;
    case WM_COMMAND: {
        const int id = LOWORD(wParam);
        const int code = HIWORD(wParam);
        HWND control = reinterpret_cast<HWND>(lParam);
        if (OnCommand(id, code, control)) return TRUE;
        // A click of the button, Enter/Escape from the dialog manager, or an
        // accelerator; not the notifications of some control that happens to
        // have the id 1 or 2.
        const bool clicked = control == nullptr || code == BN_CLICKED;
        if (clicked && id == IDOK) {
            OnOK();
            return TRUE;
        }
        if (clicked && id == IDCANCEL) {
            OnCancel();
            return TRUE;
        }
        return OnUnhandledCommand(wParam, lParam) ? TRUE : FALSE;
    }
    case WM_NOTIFY: {
        NMHDR* header = reinterpret_cast<NMHDR*>(lParam);
        if (header == nullptr) return FALSE;
        LRESULT result = 0;
        if (!OnNotify(static_cast<int>(header->idFrom), header, result)) return FALSE;
        SetMessageResult(result);
        return TRUE;
    }
    default: {
        INT_PTR result = FALSE;
        return OnMessage(msg, wParam, lParam, result) ? result : FALSE;
    }
    }
}

// --- ModalDialog ----------------------------------------------------------------

ModalDialog::ModalDialog(HINSTANCE instance, int templateId) : instance(instance), templateId(templateId) {}

INT_PTR ModalDialog::Run(HWND ownerWindow) {
    if (running || Window() != nullptr) return -1;
    owner = ownerWindow != nullptr ? GetAncestor(ownerWindow, GA_ROOT) : nullptr;
    ended = false;
    endCode = -1;
    running = true;

    HWND dialog = CreateDialogParamW(instance, MAKEINTRESOURCEW(templateId), owner, &Dialog::DialogProc,
                                     reinterpret_cast<LPARAM>(static_cast<Dialog*>(this)));
    if (dialog == nullptr) {
        running = false;
        owner = nullptr;
        return -1;
    }
    const bool ownerWasEnabled = owner != nullptr && IsWindowEnabled(owner);
    if (ownerWasEnabled) EnableWindow(owner, FALSE);
    if (!ended) ShowWindow(dialog, SW_SHOW);

    MSG msg;
    while (!ended && IsWindow(dialog)) {
        const BOOL got = GetMessageW(&msg, nullptr, 0, 0);
        if (got == -1) break;
        if (got == 0) {
            // Somebody asked the thread to quit: leave the loop and let the
            // outer loop see the quit too.
            PostQuitMessage(static_cast<int>(msg.wParam));
            break;
        }
        if (PreTranslate(msg)) continue;
        if (IsDialogMessageW(dialog, &msg)) continue;
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }

    // The owner is enabled before the dialog goes, so that the activation
    // returns to it rather than to some other program.
    if (ownerWasEnabled) EnableWindow(owner, TRUE);
    if (IsWindow(dialog)) {
        if (owner != nullptr && GetActiveWindow() == dialog) SetActiveWindow(owner);
        DestroyWindow(dialog);
    }
    running = false;
    owner = nullptr;
    return ended ? endCode : -1;
}

void ModalDialog::End(INT_PTR code) {
    if (ended) return;
    ended = true;
    endCode = code;
    // Wakes the loop when End is called from a nested loop (a message box).
    if (Window() != nullptr) PostMessageW(Window(), WM_NULL, 0, 0);
}

bool ModalDialog::PreTranslate(MSG&) { return false; }

void ModalDialog::OnOK() {
    if (UpdateData(true)) End(IDOK);
}

void ModalDialog::OnCancel() { End(IDCANCEL); }

bool ModalDialog::OnUnhandledCommand(WPARAM wParam, LPARAM lParam) {
    const int id = LOWORD(wParam);
    const int code = HIWORD(wParam);
    const bool command = lParam == 0 || code == BN_CLICKED;
    if (!command || id < kFirstCommandId || id > kLastCommandId || owner == nullptr) return false;
    // As a plain command: the owner knows nothing of our control windows.
    SendMessageW(owner, WM_COMMAND, MAKEWPARAM(id, 0), 0);
    return true;
}

// --- ChildPage ------------------------------------------------------------------

bool ChildPage::Create(HINSTANCE instance, int templateId, HWND parent) {
    if (Window() != nullptr || parent == nullptr) return false;
    HWND page = CreateDialogParamW(instance, MAKEINTRESOURCEW(templateId), parent, &Dialog::DialogProc,
                                   reinterpret_cast<LPARAM>(static_cast<Dialog*>(this)));
    return page != nullptr;
}

}  // namespace winui
