// The settings files as Windows gives them: the standard open and save-as
// dialogs (no owner, starting in the program's folder) and the file opened
// with CreateFileW, so that only a real "access denied" offers another name.
#pragma once

#include <windows.h>

#include "panel/app/panel_core.h"

namespace tamsel {

class WinSettingsFiles : public SettingsFileSeam {
public:
    // The dialogs have no owner; the main window is disabled while one runs
    // so that no command of it can start meanwhile.
    void SetMainWindow(HWND window) { mainWindow = window; }

    std::optional<std::string> AskOpenPath() override;
    std::optional<std::string> AskSavePath() override;
    FileReadResult ReadStart(const std::string& path, std::uint8_t* buffer, std::size_t size,
                             std::size_t& got) override;
    FileWriteResult WriteStart(const std::string& path, const std::uint8_t* data, std::size_t size) override;

private:
    std::optional<std::string> RunDialog(bool save);

    HWND mainWindow = nullptr;
};

// The filter of both dialogs, in the '|' form, and as the dialog takes it:
// every '|' a terminator, the list ending in two.
inline constexpr wchar_t kSettingsFileFilter[] = L"SB設定ファイル (*.dat)|*.dat|すべてのﾌｧｲﾙ (*.*)|*.*||";
inline constexpr wchar_t kSettingsFileExtension[] = L"dat";
inline constexpr wchar_t kSettingsFileInitialName[] = L"*.dat";

}  // namespace tamsel
