// Our small dialog layer: a dialog object over a dialog template, a modal run
// with its own message loop, and child pages created inside a parent. The
// window procedure only unpacks messages and calls the On... members.
#pragma once

#include <windows.h>

#include <string>
#include <string_view>

namespace winui {

class Ddx;

// Registers the common control classes the dialogs use (tab, list view,
// up-down, IP address, toolbar, status bar). Call once before the first
// dialog; false when the system refused.
bool LoadCommonControls();

class Dialog {
public:
    Dialog() = default;
    Dialog(const Dialog&) = delete;
    Dialog& operator=(const Dialog&) = delete;
    // Destroys the window if it still exists; no handler runs any more.
    virtual ~Dialog();

    HWND Window() const { return window; }
    HWND Item(int id) const;

    std::wstring Text(int id) const;
    void SetText(int id, std::wstring_view text);
    // Disabling the control that has the keyboard focus first moves the focus
    // to the next control of the dialog, so the keyboard never gets stuck on
    // a disabled window.
    void Enable(int id, bool on);
    bool IsEnabled(int id) const;
    void Check(int id, bool on);
    bool IsChecked(int id) const;
    void Show(bool on);
    // Moves the keyboard focus to a control the way the dialog manager does
    // (default button and edit selection follow).
    void FocusItem(int id);

    // Runs Exchange in one direction: save = true copies controls to members,
    // false members to controls. False when the exchange refused an input
    // (Ddx::Fail); the focus is then on the refused control.
    bool UpdateData(bool save);

protected:
    // Default: UpdateData(false), then true (the dialog manager sets the
    // focus). Return false when the handler set the focus itself.
    virtual bool OnInitDialog();
    // WM_COMMAND. True = handled. Unhandled IDOK and IDCANCEL clicks go to
    // OnOK and OnCancel.
    virtual bool OnCommand(int id, int code, HWND control);
    // WM_NOTIFY. True = handled; `result` becomes the message's result.
    virtual bool OnNotify(int id, NMHDR* header, LRESULT& result);
    // Default: nothing (a page or a window that must not close on Enter or
    // Escape). ModalDialog ends the run.
    virtual void OnOK();
    virtual void OnCancel();
    // Every other message. True = handled, `result` is what the dialog
    // procedure returns (for messages whose result goes through
    // DWLP_MSGRESULT, call SetMessageResult as well).
    virtual bool OnMessage(UINT msg, WPARAM wParam, LPARAM lParam, INT_PTR& result);
    // The data exchange, declared once for both directions.
    virtual void Exchange(Ddx& ddx);

    void SetMessageResult(LRESULT result);

    // The one dialog procedure of every Dialog; `this` travels in the
    // creation parameter and is kept in DWLP_USER from WM_INITDIALOG on.
    static INT_PTR CALLBACK DialogProc(HWND window, UINT msg, WPARAM wParam, LPARAM lParam);

    // Called for WM_COMMAND after OnCommand and the OK/Cancel mapping did not
    // handle it. Default: not handled.
    virtual bool OnUnhandledCommand(WPARAM wParam, LPARAM lParam);

private:
    INT_PTR Dispatch(UINT msg, WPARAM wParam, LPARAM lParam);
    // Forgets the window without destroying it (WM_NCDESTROY).
    void Detach();

    HWND window = nullptr;
};

// A modal dialog with its own message loop, so that a caller can see every
// message first (PreTranslate: accelerators). Run(nullptr) runs a main
// window; the program ends when it returns.
class ModalDialog : public Dialog {
public:
    ModalDialog(HINSTANCE instance, int templateId);

    // Creates the dialog, disables the owner's top-level window, runs the loop
    // until End, enables the owner again and destroys the dialog. Returns the
    // code given to End; -1 when the dialog could not be created, or when a
    // WM_QUIT arrived before End (the quit is posted again for the caller).
    INT_PTR Run(HWND owner);
    // Ends the run after the current message; Run returns `code`.
    void End(INT_PTR code);
    bool Running() const { return running; }

protected:
    // Sees every message of the loop before the dialog manager. True =
    // consumed (for example translated as an accelerator).
    virtual bool PreTranslate(MSG& msg);
    // OnOK: UpdateData(true) and, when it succeeded, End(IDOK).
    void OnOK() override;
    // OnCancel: End(IDCANCEL).
    void OnCancel() override;
    // A command (id 0x8000-0xEFFF, from a menu, an accelerator, a button
    // click or sent by the dialog to itself) that the dialog does not handle
    // goes on to the owner window.
    bool OnUnhandledCommand(WPARAM wParam, LPARAM lParam) override;

    HINSTANCE Instance() const { return instance; }

private:
    HINSTANCE instance;
    int templateId;
    HWND owner = nullptr;
    bool running = false;
    bool ended = false;
    INT_PTR endCode = -1;
};

// A page created from a DS_CONTROL template inside a parent window; the
// parent's dialog manager walks into its controls with Tab.
class ChildPage : public Dialog {
public:
    // False when the template could not be found or the window not created.
    bool Create(HINSTANCE instance, int templateId, HWND parent);
};

}  // namespace winui
