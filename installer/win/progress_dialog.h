// ProgressDialog (129): the window whose worker thread installs or
// uninstalls, driving the bar and the texts by messages.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "installer/core/setup_rules.h"
#include "winui/dialog.h"

namespace veldra::win {

struct ProgressArgs {
    enum class Role { Install, Uninstall };
    Role role = Role::Install;
    SetupValues values;         // installFolder holds the destination
    std::string sourceFolder;   // install: the distribution folder
    bool expand = true;         // install: expand compressed files
    std::string programPath;    // install: the running program
    std::string setupFile;      // install: its setup information file
};

class ProgressDialog : public winui::ModalDialog {
public:
    ProgressDialog(HINSTANCE instance, ProgressArgs args);
    ~ProgressDialog() override;

protected:
    bool OnInitDialog() override;
    bool OnMessage(UINT msg, WPARAM wParam, LPARAM lParam, INT_PTR& result) override;
    // Enter and Escape do not close the window while its worker runs.
    void OnOK() override {}
    void OnCancel() override {}

private:
    static DWORD WINAPI WorkerMain(void* self);
    void InstallWorker();
    void UninstallWorker();

    // The worker's calls on the window (by messages).
    void SetRange(int upper);
    void ProgressStep(const std::string& message);
    void SetItemText(int id, const std::string& text);
    int Show(const std::string& text, UINT flags);

    void CreateShortcuts();
    void WriteUninstallKey();
    bool RemoveShortcutFolder(bool report);
    bool RemoveUninstallKey();

    ProgressArgs args;
    HANDLE worker = nullptr;
    bool comStarted = false;
};

}  // namespace veldra::win
