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
#include "panel/app/send_select_dialog.h"
#include "panel/app/win_link.h"
#include "panel/app/win_settings_files.h"
#include "panel/app/win_test_print.h"
#include "panel/menu/icon_menu.h"
#include "panel/pages/cform_dipsw.h"
#include "panel/pages/cform_param.h"
#include "panel/pages/cform_param2.h"
#include "panel/pages/form_ip.h"
#include "panel/pages/form_set.h"
#include "panel/select/printer_select_dialog.h"
#include "winui/dialog.h"

namespace tamsel {

inline constexpr int kPageCount = 5;

// A setting page as the core sees it.
template <typename Page>
class PageRecords : public RecordPage {
public:
    explicit PageRecords(Page& page) : page(page) {}
    void LoadFromRecord(const SettingsRecord& record) override { page.LoadFromRecord(record); }
    void SaveToRecord(SettingsRecord& record) override { page.SaveToRecord(record); }

private:
    Page& page;
};

class PanelDialog : public winui::ModalDialog, public PanelShell, public MessageSeam {
public:
    PanelDialog();
    ~PanelDialog() override;

    // Run(nullptr) runs the window; IDOK when it closed.

    // PanelShell
    void SelectPage(int page) override;
    void CloseWindow() override;
    void EndProcess(int exitCode) override;
    void ShowPrinterInStatusBar(const std::string& printerName, const std::string& destination) override;
    void EnablePrinterSelection(bool enable) override;
    SelectionOutcome RunPrinterSelection(const SelectionRequest& request) override;
    ReadFailChoice RunReadFailDialog() override;
    int RunSendSelection() override;
    std::string ToAnsi(const std::string& utf8) override;
    int SendToPrinter() override;
    int SaveSettingsFile() override;

    // MessageSeam
    MessageAnswer ShowMessage(std::string_view text, MessageButtons buttons, MessageIcon icon) override;

protected:
    bool PreTranslate(MSG& msg) override;
    bool OnInitDialog() override;
    // Enter and Escape never close the main window.
    void OnOK() override {}
    void OnCancel() override {}
    bool OnCommand(int id, int code, HWND control) override;
    bool OnNotify(int id, NMHDR* header, LRESULT& result) override;
    bool OnMessage(UINT msg, WPARAM wParam, LPARAM lParam, INT_PTR& result) override;

private:
    void OnSize();
    bool OnPaint();
    void CheckRights();
    void CreateMenuBar();
    void CreateToolbar();
    void CreateStatusBar();
    void CreateTabsAndPages();
    void ShowPage(int page);
    HWND PageWindow(int page) const;
    void ShowAbout();
    void SetUpHelp();
    void TestPrint();
    void ShowHelp();

    // The menu bar's pull-down menus, drawn with icons; built from menu 142.
    IconMenu iconMenu;
    HACCEL accelerators = nullptr;
    HICON smallIcon = nullptr;
    HMENU menu = nullptr;
    HWND toolbar = nullptr;
    HWND statusBar = nullptr;
    HWND tab = nullptr;
    HIMAGELIST toolbarImages = nullptr;
    HIMAGELIST tabImages = nullptr;
    wchar_t tipText[80] = {};
    // The help file beside the program (system code page); empty when its
    // path does not fit the 260-character buffer.
    std::string helpPath;
    WinTestPrint testPrinter;
    WinHelp helpViewer;

    PrinterSelectDialog selectDialog;
    SendSelectDialog sendDialog;

    // The pages, in tab order, and how the core reaches them.
    CForm_Param param;
    CForm_Param2 param2;
    CForm_Set set;
    CForm_IP ip;
    CForm_DIPSW dipsw;
    PageRecords<CForm_Param> paramRecords{param};
    PageRecords<CForm_Param2> param2Records{param2};
    PageRecords<CForm_Set> setRecords{set};
    PageRecords<CForm_IP> ipRecords{ip};
    PageRecords<CForm_DIPSW> dipswRecords{dipsw};

    WinLink link;
    WinSettingsFiles files;
    PanelCore core;
};

}  // namespace tamsel
