// Drives a program from outside, as a person at the screen would, through
// window messages and the public Win32 API only: start it, find its windows
// by class and title, read what its controls show, click, type, answer its
// message boxes and read its exit code. Controls whose messages carry
// pointers (list view, tab control, status bar, toolbar, up-down, IP
// address) are read through memory allocated inside the target process.
// Notifications do not cross processes, so clicks are posted as real mouse
// messages at the item's rectangle and the control notifies its parent
// itself. Nothing runs inside the program under test.
#pragma once

#include <windows.h>

#include <chrono>
#include <cstddef>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace e2e {

using Milliseconds = std::chrono::milliseconds;
inline constexpr Milliseconds kDefaultWait{10000};

// Polls `condition` every 20 ms until it holds or `timeout` has passed;
// returns whether it held.
bool WaitUntil(const std::function<bool()>& condition, Milliseconds timeout = kDefaultWait);

// A started program. The destructor ends it if it still runs.
class Process {
public:
    Process() = default;
    Process(const Process&) = delete;
    Process& operator=(const Process&) = delete;
    Process(Process&& other) noexcept;
    Process& operator=(Process&& other) noexcept;
    ~Process();

    // Starts `program` with `arguments` in `workingFolder` (empty: ours).
    // On failure the process is not valid and `error` holds GetLastError().
    static Process Start(const std::wstring& program, const std::wstring& arguments,
                         const std::wstring& workingFolder, DWORD* error = nullptr);

    bool Valid() const { return handle != nullptr; }
    DWORD Id() const { return id; }
    bool Running() const;
    // The exit code once the process has ended within `timeout`.
    std::optional<DWORD> WaitForExit(Milliseconds timeout = kDefaultWait) const;
    void Terminate();

private:
    HANDLE handle = nullptr;
    DWORD id = 0;
};

// --- windows ---------------------------------------------------------------

std::wstring ClassOf(HWND window);
// WM_GETTEXT (marshalled by the system across processes).
std::wstring TextOf(HWND window);
int IdOf(HWND window);
bool IsEnabled(HWND window);
bool IsShown(HWND window);
DWORD ProcessOf(HWND window);

// Top-level windows of process `pid` (all processes when 0), matching class
// and title where those are not empty; only visible ones unless `hiddenToo`.
std::vector<HWND> TopWindows(DWORD pid, const std::wstring& className = L"", const std::wstring& title = L"",
                             bool hiddenToo = false);
// The first such visible window, waiting for it up to `timeout`.
HWND WaitForWindow(DWORD pid, const std::wstring& className, const std::wstring& title,
                   Milliseconds timeout = kDefaultWait);
// Waits until `window` is destroyed or hidden.
bool WaitForWindowGone(HWND window, Milliseconds timeout = kDefaultWait);

// Every descendant of `parent`, in Z order, depth first.
std::vector<HWND> Descendants(HWND parent);
// The first descendant with control id `id` (and class `className` when
// given; a button by class, since the IP address control's fields have id 1
// too).
HWND Child(HWND parent, int id, const std::wstring& className = L"");
// The first descendant of class `className` whose text is `text`.
HWND ChildByText(HWND parent, const std::wstring& className, const std::wstring& text);
// The window with the keyboard focus on the thread of `window`.
HWND FocusOf(HWND window);
// Whether `window` is the foreground window.
bool IsForeground(HWND window);

// --- input -----------------------------------------------------------------

// Posts BM_CLICK (posted, so that a message box it opens does not block us).
void Click(HWND button);
// Posts WM_COMMAND with `id` (code 0, no control) to `window`.
void PostCommand(HWND window, int id);
// Sets a control's text (WM_SETTEXT; the control sends EN_CHANGE itself).
bool SetText(HWND window, const std::wstring& text);
// BM_GETCHECK.
int CheckState(HWND button);
// Posts a left click (or double click) at `point` in `window`'s client area.
void ClickAt(HWND window, POINT point, bool doubleClick = false);
// Posts WM_KEYDOWN/WM_KEYUP of a plain key (Enter, Escape, F1, ...).
void PressKey(HWND window, WORD virtualKey);
// Brings `window` to the foreground and types `virtualKey` with the
// modifiers held (VK_CONTROL, VK_MENU, VK_SHIFT) through SendInput, for
// accelerators that need the real key state.
bool TypeKeys(HWND window, const std::vector<WORD>& modifiers, WORD virtualKey);
// Types text into the focused control of `window`'s thread (SendInput, Unicode).
bool TypeText(HWND window, const std::wstring& text);

// --- memory inside the target process ---------------------------------------

class RemoteBuffer {
public:
    RemoteBuffer(HWND owner, std::size_t size);
    RemoteBuffer(const RemoteBuffer&) = delete;
    RemoteBuffer& operator=(const RemoteBuffer&) = delete;
    ~RemoteBuffer();

    bool Valid() const { return address != nullptr; }
    void* Address() const { return address; }
    LPARAM AsParam(std::size_t offset = 0) const { return reinterpret_cast<LPARAM>(static_cast<char*>(address) + offset); }
    bool Write(const void* data, std::size_t size, std::size_t offset = 0);
    bool Read(void* data, std::size_t size, std::size_t offset = 0) const;

private:
    HANDLE process = nullptr;
    void* address = nullptr;
    std::size_t size = 0;
};

// --- common controls --------------------------------------------------------

int ListCount(HWND list);
std::wstring ListText(HWND list, int row, int column);
std::vector<std::vector<std::wstring>> ListRows(HWND list, int columns);
std::vector<std::wstring> ListColumns(HWND list);
std::vector<int> ListColumnWidths(HWND list);
int ListSelected(HWND list);  // -1 when none
bool ListItemState(HWND list, int row, UINT mask);
RECT ListItemRect(HWND list, int row);
void ClickListRow(HWND list, int row, bool doubleClick = false);

int TabCount(HWND tab);
std::wstring TabText(HWND tab, int index);
int TabSelected(HWND tab);
void ClickTab(HWND tab, int index);

std::vector<int> StatusParts(HWND statusBar);  // right edges
std::wstring StatusText(HWND statusBar, int part);

struct ToolbarButton {
    int command;
    bool separator;
    bool enabled;
};
std::vector<ToolbarButton> ToolbarButtons(HWND toolbar);
void ClickToolbarButton(HWND toolbar, int command);
// The tooltip text of a toolbar button (TTM_GETTEXTW on its tooltip).
std::wstring ToolbarTooltip(HWND toolbar, int command);

int UpDownPosition(HWND upDown);
std::pair<int, int> UpDownRange(HWND upDown);
void ClickUpDown(HWND upDown, bool up);

// The IP address control's address (first octet in the high byte), and its
// four field edits, first field first.
std::optional<DWORD> IpAddress(HWND ipControl);
std::vector<HWND> IpFields(HWND ipControl);

// --- message boxes -----------------------------------------------------------

struct MessageBoxView {
    HWND window = nullptr;
    std::wstring caption;
    std::wstring text;
    // (id, text) of each button, left to right.
    std::vector<std::pair<int, std::wstring>> buttons;
    std::wstring ButtonTexts() const;  // texts joined with '|'
};

// A visible message box (dialog class "#32770" whose only children are
// statics and push buttons) of process `pid` with caption `caption`.
std::optional<MessageBoxView> FindMessageBox(DWORD pid, const std::wstring& caption = L"");
std::optional<MessageBoxView> WaitForMessageBox(DWORD pid, const std::wstring& caption = L"",
                                                Milliseconds timeout = kDefaultWait);
// Presses the button `id` (IDOK, IDYES, IDRETRY, ...) and waits for the box to go.
bool Answer(const MessageBoxView& box, int id);

// --- screenshots -----------------------------------------------------------

// When KES_E2E_SHOTS names a folder, asks the screenshot watcher started by
// the run script for `<name>.png` there and waits for it; otherwise does
// nothing. `window`, when given, is repainted first (all its children) and
// given a moment to finish. Returns the picture's path, or "" when none was
// taken.
std::wstring Screenshot(const std::wstring& name, HWND window = nullptr);

}  // namespace e2e
