// The main window: dialog 102 with menu, toolbar, status bar and the tab
// control with the five setting pages. It owns the current printer and the
// four records (in PanelCore) and turns commands into the core's flows.
#pragma once

#include <windows.h>
#include <commctrl.h>

#include <array>
#include <memory>
#include <string>

#include "panel/app/panel_core.h"
#include "panel/app/placeholder_parts.h"
#include "panel/app/win_link.h"
#include "panel/menu/icon_menu.h"

namespace tamsel {

inline constexpr int kPageCount = 5;

class PanelDialog : public PanelShell, public MessageSeam {
public:
    PanelDialog();
    ~PanelDialog() override;
    PanelDialog(const PanelDialog&) = delete;
    PanelDialog& operator=(const PanelDialog&) = delete;

    // Runs the window modally; returns IDOK when it closed.
    INT_PTR Run();

    // PanelShell
    void SelectPage(int page) override;
    void CloseWindow() override;
    void EndProcess(int exitCode) override;
    void ShowPrinterInStatusBar(const std::string& printerName, const std::string& destination) override;
    void EnablePrinterSelection(bool enable) override;
    SelectionOutcome RunPrinterSelection(const SelectionRequest& request) override;
    ReadFailChoice RunReadFailDialog() override;
    std::string ToAnsi(const std::string& utf8) override;
    int SendToPrinter() override;
    int SaveSettingsFile() override;

    // MessageSeam
    MessageAnswer ShowMessage(std::string_view text, MessageButtons buttons, MessageIcon icon) override;

private:
    static INT_PTR CALLBACK Proc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
    INT_PTR HandleMessage(UINT message, WPARAM wParam, LPARAM lParam);

    bool PreTranslate(MSG& msg);
    BOOL OnInitDialog();
    void OnOK() {}
    void OnCancel() {}
    void OnCommand(int id);
    LRESULT OnNotify(const NMHDR& header);
    void OnSize();
    bool OnPaint();
    LRESULT OnMenuChar(wchar_t typed, UINT flags, HMENU popup);
    void OnDestroy();
    void CheckRights();
    void CreateMenuBar();
    void CreateToolbar();
    void CreateStatusBar();
    void CreateTabsAndPages();
    void ShowPage(int page);
    void ShowAbout();

    // The menu bar's pull-down menus, drawn with icons; built from menu 142.
    IconMenu iconMenu;
    HWND hwnd = nullptr;
    HACCEL accelerators = nullptr;
    HICON smallIcon = nullptr;
    HMENU menu = nullptr;
    HWND toolbar = nullptr;
    HWND statusBar = nullptr;
    HWND tab = nullptr;
    HIMAGELIST toolbarImages = nullptr;
    HIMAGELIST tabImages = nullptr;
    wchar_t tipText[80] = {};
    std::wstring helpPath;

    bool ended = false;
    INT_PTR endCode = IDOK;

    // The pages, in tab order. Stand-ins until the real pages are merged.
    PlaceholderPage param;
    PlaceholderPage param2;
    PlaceholderPage set;
    PlaceholderPage ip;
    PlaceholderPage dipsw;
    int portCheck = 0;

    WinLink link;
    PanelCore core;
};

}  // namespace tamsel
