#include "e2e/driver/window_driver.h"

#include <commctrl.h>

#include <algorithm>
#include <cstdlib>
#include <thread>

namespace e2e {
namespace {

using Clock = std::chrono::steady_clock;
constexpr Milliseconds kPoll{20};
// Messages sent to the program never wait longer than this for an answer.
constexpr UINT kSendTimeoutMs = 5000;

LRESULT Send(HWND window, UINT message, WPARAM wParam = 0, LPARAM lParam = 0) {
    DWORD_PTR result = 0;
    if (!::SendMessageTimeoutW(window, message, wParam, lParam, SMTO_ABORTIFHUNG, kSendTimeoutMs, &result)) return 0;
    return static_cast<LRESULT>(result);
}

// Reads a text that the control writes into a buffer we hand it.
template <typename Fill>
std::wstring RemoteText(HWND control, std::size_t structSize, Fill fill) {
    constexpr std::size_t kChars = 1024;
    RemoteBuffer remote(control, structSize + kChars * sizeof(wchar_t));
    if (!remote.Valid()) return L"";
    const std::vector<wchar_t> zero(kChars, L'\0');
    remote.Write(zero.data(), kChars * sizeof(wchar_t), structSize);
    auto* textAddress = reinterpret_cast<wchar_t*>(static_cast<char*>(remote.Address()) + structSize);
    fill(remote, textAddress, static_cast<int>(kChars));
    std::vector<wchar_t> text(kChars, L'\0');
    remote.Read(text.data(), kChars * sizeof(wchar_t), structSize);
    text.back() = L'\0';
    return text.data();
}

RECT RemoteRect(HWND control, UINT message, WPARAM wParam, LONG left = 0) {
    RECT rect{left, 0, 0, 0};
    RemoteBuffer remote(control, sizeof(RECT));
    if (!remote.Valid() || !remote.Write(&rect, sizeof(rect))) return RECT{};
    if (!Send(control, message, wParam, remote.AsParam())) return RECT{};
    remote.Read(&rect, sizeof(rect));
    return rect;
}

POINT Centre(const RECT& r) { return POINT{(r.left + r.right) / 2, (r.top + r.bottom) / 2}; }

}  // namespace

bool WaitUntil(const std::function<bool()>& condition, Milliseconds timeout) {
    const auto end = Clock::now() + timeout;
    for (;;) {
        if (condition()) return true;
        if (Clock::now() >= end) return false;
        std::this_thread::sleep_for(kPoll);
    }
}

// --- Process -----------------------------------------------------------------

Process::Process(Process&& other) noexcept : handle(other.handle), id(other.id) {
    other.handle = nullptr;
    other.id = 0;
}

Process& Process::operator=(Process&& other) noexcept {
    if (this != &other) {
        Terminate();
        handle = other.handle;
        id = other.id;
        other.handle = nullptr;
        other.id = 0;
    }
    return *this;
}

Process::~Process() { Terminate(); }

Process Process::Start(const std::wstring& program, const std::wstring& arguments, const std::wstring& workingFolder,
                       DWORD* error) {
    Process p;
    std::wstring commandLine = L"\"" + program + L"\"";
    if (!arguments.empty()) commandLine += L" " + arguments;
    STARTUPINFOW startup{};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION info{};
    if (!::CreateProcessW(program.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr,
                          workingFolder.empty() ? nullptr : workingFolder.c_str(), &startup, &info)) {
        if (error != nullptr) *error = ::GetLastError();
        return p;
    }
    ::CloseHandle(info.hThread);
    p.handle = info.hProcess;
    p.id = info.dwProcessId;
    if (error != nullptr) *error = 0;
    return p;
}

bool Process::Running() const { return handle != nullptr && ::WaitForSingleObject(handle, 0) == WAIT_TIMEOUT; }

std::optional<DWORD> Process::WaitForExit(Milliseconds timeout) const {
    if (handle == nullptr) return std::nullopt;
    if (::WaitForSingleObject(handle, static_cast<DWORD>(timeout.count())) != WAIT_OBJECT_0) return std::nullopt;
    DWORD code = 0;
    if (!::GetExitCodeProcess(handle, &code)) return std::nullopt;
    return code;
}

void Process::Terminate() {
    if (handle == nullptr) return;
    if (Running()) {
        ::TerminateProcess(handle, 0xDEAD);
        ::WaitForSingleObject(handle, 5000);
    }
    ::CloseHandle(handle);
    handle = nullptr;
    id = 0;
}

// --- windows -------------------------------------------------------------------

std::wstring ClassOf(HWND window) {
    wchar_t name[256] = {};
    ::GetClassNameW(window, name, 256);
    return name;
}

std::wstring TextOf(HWND window) {
    const LRESULT length = Send(window, WM_GETTEXTLENGTH);
    std::vector<wchar_t> text(static_cast<std::size_t>(length) + 2, L'\0');
    Send(window, WM_GETTEXT, text.size(), reinterpret_cast<LPARAM>(text.data()));
    return text.data();
}

int IdOf(HWND window) { return ::GetDlgCtrlID(window); }
bool IsEnabled(HWND window) { return ::IsWindowEnabled(window) != FALSE; }
bool IsShown(HWND window) { return ::IsWindowVisible(window) != FALSE; }

DWORD ProcessOf(HWND window) {
    DWORD pid = 0;
    ::GetWindowThreadProcessId(window, &pid);
    return pid;
}

namespace {

struct TopWindowSearch {
    DWORD pid;
    const std::wstring* className;
    const std::wstring* title;
    bool hiddenToo;
    std::vector<HWND> found;
};

// Enumeration callbacks are named functions: a lambda converts only to a
// pointer of the default calling convention, which 32-bit builds refuse.
BOOL CALLBACK CollectTopWindow(HWND window, LPARAM param) {
    auto& s = *reinterpret_cast<TopWindowSearch*>(param);
    if (s.pid != 0 && ProcessOf(window) != s.pid) return TRUE;
    if (!s.hiddenToo && !::IsWindowVisible(window)) return TRUE;
    if (!s.className->empty() && ClassOf(window) != *s.className) return TRUE;
    if (!s.title->empty() && TextOf(window) != *s.title) return TRUE;
    s.found.push_back(window);
    return TRUE;
}

BOOL CALLBACK CollectChildWindow(HWND window, LPARAM param) {
    reinterpret_cast<std::vector<HWND>*>(param)->push_back(window);
    return TRUE;
}

}  // namespace

std::vector<HWND> TopWindows(DWORD pid, const std::wstring& className, const std::wstring& title, bool hiddenToo) {
    TopWindowSearch search{pid, &className, &title, hiddenToo, {}};
    ::EnumWindows(CollectTopWindow, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

HWND WaitForWindow(DWORD pid, const std::wstring& className, const std::wstring& title, Milliseconds timeout) {
    HWND found = nullptr;
    WaitUntil(
        [&] {
            const auto windows = TopWindows(pid, className, title);
            found = windows.empty() ? nullptr : windows.front();
            return found != nullptr;
        },
        timeout);
    return found;
}

bool WaitForWindowGone(HWND window, Milliseconds timeout) {
    return WaitUntil([&] { return !::IsWindow(window) || !::IsWindowVisible(window); }, timeout);
}

std::vector<HWND> Descendants(HWND parent) {
    std::vector<HWND> all;
    ::EnumChildWindows(parent, CollectChildWindow, reinterpret_cast<LPARAM>(&all));
    return all;
}

HWND Child(HWND parent, int id, const std::wstring& className) {
    for (HWND w : Descendants(parent)) {
        if (IdOf(w) == id && (className.empty() || ClassOf(w) == className)) return w;
    }
    return nullptr;
}

HWND ChildByText(HWND parent, const std::wstring& className, const std::wstring& text) {
    for (HWND w : Descendants(parent)) {
        if ((className.empty() || ClassOf(w) == className) && TextOf(w) == text) return w;
    }
    return nullptr;
}

HWND FocusOf(HWND window) {
    GUITHREADINFO info{};
    info.cbSize = sizeof(info);
    if (!::GetGUIThreadInfo(::GetWindowThreadProcessId(window, nullptr), &info)) return nullptr;
    return info.hwndFocus;
}

bool IsForeground(HWND window) { return ::GetForegroundWindow() == window; }

// --- input -------------------------------------------------------------------

void Click(HWND button) { ::PostMessageW(button, BM_CLICK, 0, 0); }

void PostCommand(HWND window, int id) { ::PostMessageW(window, WM_COMMAND, MAKEWPARAM(id, 0), 0); }

bool SetText(HWND window, const std::wstring& text) {
    return Send(window, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text.c_str())) != 0;
}

int CheckState(HWND button) { return static_cast<int>(Send(button, BM_GETCHECK)); }

void ClickAt(HWND window, POINT point, bool doubleClick) {
    const LPARAM at = MAKELPARAM(point.x, point.y);
    ::PostMessageW(window, WM_MOUSEMOVE, 0, at);
    ::PostMessageW(window, WM_LBUTTONDOWN, MK_LBUTTON, at);
    ::PostMessageW(window, WM_LBUTTONUP, 0, at);
    if (doubleClick) {
        ::PostMessageW(window, WM_LBUTTONDBLCLK, MK_LBUTTON, at);
        ::PostMessageW(window, WM_LBUTTONUP, 0, at);
    }
}

void PressKey(HWND window, WORD virtualKey) {
    const UINT scan = ::MapVirtualKeyW(virtualKey, MAPVK_VK_TO_VSC);
    ::PostMessageW(window, WM_KEYDOWN, virtualKey, 1 | (static_cast<LPARAM>(scan) << 16));
    ::PostMessageW(window, WM_KEYUP, virtualKey, 1 | (static_cast<LPARAM>(scan) << 16) | (3LL << 30));
}

namespace {

INPUT Key(WORD virtualKey, bool up) {
    INPUT input{};
    input.type = INPUT_KEYBOARD;
    input.ki.wVk = virtualKey;
    input.ki.wScan = static_cast<WORD>(::MapVirtualKeyW(virtualKey, MAPVK_VK_TO_VSC));
    input.ki.dwFlags = up ? KEYEVENTF_KEYUP : 0;
    return input;
}

bool BringToFront(HWND window) {
    HWND top = ::GetAncestor(window, GA_ROOT);
    ::SetForegroundWindow(top);
    return WaitUntil([&] { return ::GetForegroundWindow() == top; }, Milliseconds(2000));
}

}  // namespace

bool TypeKeys(HWND window, const std::vector<WORD>& modifiers, WORD virtualKey) {
    if (!BringToFront(window)) return false;
    std::vector<INPUT> inputs;
    for (WORD m : modifiers) inputs.push_back(Key(m, false));
    inputs.push_back(Key(virtualKey, false));
    inputs.push_back(Key(virtualKey, true));
    for (auto m = modifiers.rbegin(); m != modifiers.rend(); ++m) inputs.push_back(Key(*m, true));
    return ::SendInput(static_cast<UINT>(inputs.size()), inputs.data(), sizeof(INPUT)) == inputs.size();
}

bool FocusAndSelectAll(HWND edit) {
    if (!BringToFront(edit)) return false;
    // Only a field without the focus is clicked: a click still queued would
    // land after the selection below and put the caret in the middle.
    if (FocusOf(edit) != edit) {
        RECT r{};
        ::GetClientRect(edit, &r);
        ClickAt(edit, POINT{r.right / 2, r.bottom / 2});
        if (!WaitUntil([&] { return FocusOf(edit) == edit; }, Milliseconds(5000))) return false;
    }
    Send(edit, EM_SETSEL, 0, -1);
    return true;
}

bool TypeText(HWND window, const std::wstring& text) {
    if (!BringToFront(window)) return false;
    std::vector<INPUT> inputs;
    for (wchar_t c : text) {
        INPUT input{};
        input.type = INPUT_KEYBOARD;
        input.ki.wScan = c;
        input.ki.dwFlags = KEYEVENTF_UNICODE;
        inputs.push_back(input);
        input.ki.dwFlags = KEYEVENTF_UNICODE | KEYEVENTF_KEYUP;
        inputs.push_back(input);
    }
    return ::SendInput(static_cast<UINT>(inputs.size()), inputs.data(), sizeof(INPUT)) == inputs.size();
}

// --- RemoteBuffer ----------------------------------------------------------------

RemoteBuffer::RemoteBuffer(HWND owner, std::size_t bytes) : size(bytes) {
    process = ::OpenProcess(PROCESS_VM_OPERATION | PROCESS_VM_READ | PROCESS_VM_WRITE, FALSE, ProcessOf(owner));
    if (process == nullptr) return;
    address = ::VirtualAllocEx(process, nullptr, bytes, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE);
}

RemoteBuffer::~RemoteBuffer() {
    if (address != nullptr) ::VirtualFreeEx(process, address, 0, MEM_RELEASE);
    if (process != nullptr) ::CloseHandle(process);
}

bool RemoteBuffer::Write(const void* data, std::size_t bytes, std::size_t offset) {
    if (address == nullptr || offset + bytes > size) return false;
    SIZE_T written = 0;
    return ::WriteProcessMemory(process, static_cast<char*>(address) + offset, data, bytes, &written) &&
           written == bytes;
}

bool RemoteBuffer::Read(void* data, std::size_t bytes, std::size_t offset) const {
    if (address == nullptr || offset + bytes > size) return false;
    SIZE_T read = 0;
    return ::ReadProcessMemory(process, static_cast<char*>(address) + offset, data, bytes, &read) && read == bytes;
}

// --- list view ---------------------------------------------------------------------

int ListCount(HWND list) { return static_cast<int>(Send(list, LVM_GETITEMCOUNT)); }

std::wstring ListText(HWND list, int row, int column) {
    return RemoteText(list, sizeof(LVITEMW), [&](RemoteBuffer& remote, wchar_t* text, int chars) {
        LVITEMW item{};
        item.iSubItem = column;
        item.pszText = text;
        item.cchTextMax = chars;
        remote.Write(&item, sizeof(item));
        Send(list, LVM_GETITEMTEXTW, static_cast<WPARAM>(row), remote.AsParam());
    });
}

std::vector<std::vector<std::wstring>> ListRows(HWND list, int columns) {
    std::vector<std::vector<std::wstring>> rows;
    const int count = ListCount(list);
    for (int r = 0; r < count; ++r) {
        std::vector<std::wstring> row;
        for (int c = 0; c < columns; ++c) row.push_back(ListText(list, r, c));
        rows.push_back(row);
    }
    return rows;
}

std::vector<std::wstring> ListColumns(HWND list) {
    std::vector<std::wstring> names;
    HWND header = reinterpret_cast<HWND>(Send(list, LVM_GETHEADER));
    const int count = header == nullptr ? 0 : static_cast<int>(Send(header, HDM_GETITEMCOUNT));
    for (int c = 0; c < count; ++c) {
        names.push_back(RemoteText(list, sizeof(LVCOLUMNW), [&](RemoteBuffer& remote, wchar_t* text, int chars) {
            LVCOLUMNW column{};
            column.mask = LVCF_TEXT;
            column.pszText = text;
            column.cchTextMax = chars;
            remote.Write(&column, sizeof(column));
            Send(list, LVM_GETCOLUMNW, static_cast<WPARAM>(c), remote.AsParam());
        }));
    }
    return names;
}

std::vector<int> ListColumnWidths(HWND list) {
    std::vector<int> widths;
    HWND header = reinterpret_cast<HWND>(Send(list, LVM_GETHEADER));
    const int count = header == nullptr ? 0 : static_cast<int>(Send(header, HDM_GETITEMCOUNT));
    for (int c = 0; c < count; ++c) widths.push_back(static_cast<int>(Send(list, LVM_GETCOLUMNWIDTH, c)));
    return widths;
}

int ListSelected(HWND list) {
    return static_cast<int>(Send(list, LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_SELECTED));
}

bool ListItemState(HWND list, int row, UINT mask) {
    return (static_cast<UINT>(Send(list, LVM_GETITEMSTATE, static_cast<WPARAM>(row), mask)) & mask) != 0;
}

RECT ListItemRect(HWND list, int row) { return RemoteRect(list, LVM_GETITEMRECT, static_cast<WPARAM>(row), LVIR_LABEL); }

void ClickListRow(HWND list, int row, bool doubleClick) { ClickAt(list, Centre(ListItemRect(list, row)), doubleClick); }

// --- tab control ---------------------------------------------------------------------

int TabCount(HWND tab) { return static_cast<int>(Send(tab, TCM_GETITEMCOUNT)); }

std::wstring TabText(HWND tab, int index) {
    return RemoteText(tab, sizeof(TCITEMW), [&](RemoteBuffer& remote, wchar_t* text, int chars) {
        TCITEMW item{};
        item.mask = TCIF_TEXT;
        item.pszText = text;
        item.cchTextMax = chars;
        remote.Write(&item, sizeof(item));
        Send(tab, TCM_GETITEMW, static_cast<WPARAM>(index), remote.AsParam());
    });
}

int TabSelected(HWND tab) { return static_cast<int>(Send(tab, TCM_GETCURSEL)); }

void ClickTab(HWND tab, int index) {
    ClickAt(tab, Centre(RemoteRect(tab, TCM_GETITEMRECT, static_cast<WPARAM>(index))));
}

// --- status bar ----------------------------------------------------------------------

std::vector<int> StatusParts(HWND statusBar) {
    constexpr int kMaxParts = 256;
    RemoteBuffer remote(statusBar, kMaxParts * sizeof(int));
    if (!remote.Valid()) return {};
    const int count = static_cast<int>(Send(statusBar, SB_GETPARTS, kMaxParts, remote.AsParam()));
    std::vector<int> edges(static_cast<std::size_t>(std::max(count, 0)));
    if (count > 0) remote.Read(edges.data(), edges.size() * sizeof(int));
    return edges;
}

std::wstring StatusText(HWND statusBar, int part) {
    return RemoteText(statusBar, 0, [&](RemoteBuffer& remote, wchar_t*, int) {
        Send(statusBar, SB_GETTEXTW, static_cast<WPARAM>(part), remote.AsParam());
    });
}

// --- toolbar ---------------------------------------------------------------------------

std::vector<ToolbarButton> ToolbarButtons(HWND toolbar) {
    std::vector<ToolbarButton> buttons;
    const int count = static_cast<int>(Send(toolbar, TB_BUTTONCOUNT));
    RemoteBuffer remote(toolbar, sizeof(TBBUTTON));
    for (int i = 0; i < count && remote.Valid(); ++i) {
        TBBUTTON button{};
        if (!Send(toolbar, TB_GETBUTTON, static_cast<WPARAM>(i), remote.AsParam())) continue;
        remote.Read(&button, sizeof(button));
        buttons.push_back({button.idCommand, (button.fsStyle & BTNS_SEP) != 0, (button.fsState & TBSTATE_ENABLED) != 0});
    }
    return buttons;
}

void ClickToolbarButton(HWND toolbar, int command) {
    const LRESULT index = Send(toolbar, TB_COMMANDTOINDEX, static_cast<WPARAM>(command));
    ClickAt(toolbar, Centre(RemoteRect(toolbar, TB_GETITEMRECT, static_cast<WPARAM>(index))));
}

std::wstring ToolbarTooltip(HWND toolbar, int command) {
    HWND tooltip = reinterpret_cast<HWND>(Send(toolbar, TB_GETTOOLTIPS));
    if (tooltip == nullptr) return L"";
    return RemoteText(tooltip, sizeof(TTTOOLINFOW), [&](RemoteBuffer& remote, wchar_t* text, int chars) {
        TTTOOLINFOW info{};
        info.cbSize = sizeof(info);
        info.hwnd = toolbar;
        info.uId = static_cast<UINT_PTR>(command);
        info.lpszText = text;
        remote.Write(&info, sizeof(info));
        Send(tooltip, TTM_GETTEXTW, static_cast<WPARAM>(chars), remote.AsParam());
    });
}

// --- up-down and IP address --------------------------------------------------------------

int UpDownPosition(HWND upDown) { return static_cast<int>(Send(upDown, UDM_GETPOS32)); }

std::pair<int, int> UpDownRange(HWND upDown) {
    int range[2] = {0, 0};
    RemoteBuffer remote(upDown, sizeof(range));
    if (!remote.Valid()) return {0, 0};
    remote.Write(range, sizeof(range));
    Send(upDown, UDM_GETRANGE32, static_cast<WPARAM>(remote.AsParam(0)), remote.AsParam(sizeof(int)));
    remote.Read(range, sizeof(range));
    return {range[0], range[1]};
}

void ClickUpDown(HWND upDown, bool up) {
    RECT r{};
    ::GetClientRect(upDown, &r);
    // A vertical up-down: the upper half is the up arrow.
    const LONG y = up ? r.bottom / 4 : (r.bottom * 3) / 4;
    ClickAt(upDown, POINT{r.right / 2, y});
}

std::optional<DWORD> IpAddress(HWND ipControl) {
    DWORD address = 0;
    RemoteBuffer remote(ipControl, sizeof(address));
    if (!remote.Valid() || !remote.Write(&address, sizeof(address))) return std::nullopt;
    Send(ipControl, IPM_GETADDRESS, 0, remote.AsParam());
    if (!remote.Read(&address, sizeof(address))) return std::nullopt;
    return address;
}

std::vector<HWND> IpFields(HWND ipControl) {
    std::vector<HWND> fields;
    for (HWND w : Descendants(ipControl)) {
        if (ClassOf(w) == L"Edit") fields.push_back(w);
    }
    // Left to right on the screen.
    std::sort(fields.begin(), fields.end(), [](HWND a, HWND b) {
        RECT ra{}, rb{};
        ::GetWindowRect(a, &ra);
        ::GetWindowRect(b, &rb);
        return ra.left < rb.left;
    });
    return fields;
}

// --- message boxes -------------------------------------------------------------------------

std::wstring MessageBoxView::ButtonTexts() const {
    std::wstring joined;
    for (const auto& [id, text] : buttons) {
        if (!joined.empty()) joined += L"|";
        joined += text;
    }
    return joined;
}

std::optional<MessageBoxView> FindMessageBox(DWORD pid, const std::wstring& caption) {
    for (HWND window : TopWindows(pid, L"#32770", caption)) {
        MessageBoxView view;
        view.window = window;
        view.caption = TextOf(window);
        bool onlyStaticsAndButtons = true;
        std::vector<std::pair<LONG, std::pair<int, std::wstring>>> buttons;
        for (HWND child : Descendants(window)) {
            const std::wstring cls = ClassOf(child);
            if (cls == L"Static") {
                // An icon or picture static's "text" is its resource reference.
                const LONG type = ::GetWindowLongW(child, GWL_STYLE) & SS_TYPEMASK;
                if (type == SS_ICON || type == SS_BITMAP || type == SS_ENHMETAFILE) continue;
                const std::wstring text = TextOf(child);
                if (!text.empty()) view.text += view.text.empty() ? text : L"\n" + text;
            } else if (cls == L"Button") {
                if (!::IsWindowVisible(child)) continue;
                RECT r{};
                ::GetWindowRect(child, &r);
                buttons.push_back({r.left, {IdOf(child), TextOf(child)}});
            } else {
                onlyStaticsAndButtons = false;
            }
        }
        if (!onlyStaticsAndButtons || buttons.empty()) continue;
        std::sort(buttons.begin(), buttons.end(), [](const auto& a, const auto& b) { return a.first < b.first; });
        for (auto& b : buttons) view.buttons.push_back(b.second);
        return view;
    }
    return std::nullopt;
}

std::optional<MessageBoxView> WaitForMessageBox(DWORD pid, const std::wstring& caption, Milliseconds timeout) {
    std::optional<MessageBoxView> found;
    WaitUntil(
        [&] {
            found = FindMessageBox(pid, caption);
            return found.has_value();
        },
        timeout);
    return found;
}

bool Answer(const MessageBoxView& box, int id) {
    for (HWND child : Descendants(box.window)) {
        if (ClassOf(child) == L"Button" && IdOf(child) == id) {
            Click(child);
            return WaitForWindowGone(box.window);
        }
    }
    return false;
}

// --- screenshots ------------------------------------------------------------------------------

std::wstring Screenshot(const std::wstring& name, HWND window) {
    const wchar_t* folder = _wgetenv(L"KES_E2E_SHOTS");
    if (folder == nullptr || *folder == L'\0') return L"";
    if (window != nullptr) {
        // Wine paints when the program's queue runs dry: ask for a full
        // repaint, let one message through, then give the painting a moment.
        ::RedrawWindow(window, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_ALLCHILDREN);
        Send(window, WM_NULL);
        std::this_thread::sleep_for(Milliseconds(300));
    }
    const std::wstring picture = std::wstring(folder) + L"\\" + name + L".png";
    const std::wstring request = std::wstring(folder) + L"\\" + name + L".request";
    ::DeleteFileW(picture.c_str());
    HANDLE file = ::CreateFileW(request.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return L"";
    ::CloseHandle(file);
    const bool taken = WaitUntil([&] { return ::GetFileAttributesW(picture.c_str()) != INVALID_FILE_ATTRIBUTES; },
                                 Milliseconds(10000));
    return taken ? picture : L"";
}

}  // namespace e2e
