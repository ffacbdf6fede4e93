// Prints what a person would see of a running program's windows: every
// visible top-level window whose title contains TEXT (all when none given),
// with its controls (class, id, text, enabled/shown) and what the list
// views, tab controls, status bars and toolbars hold. For exploring a
// program under the end-to-end prefix; the tests use the same driver.
//
//   e2e-inspect [TEXT]
#include <windows.h>

#include <cstdio>
#include <string>

#include "e2e/driver/window_driver.h"

namespace {

std::string Utf8(const std::wstring& text) {
    const int size = ::WideCharToMultiByte(CP_UTF8, 0, text.c_str(), -1, nullptr, 0, nullptr, nullptr);
    std::string out(static_cast<std::size_t>(size), '\0');
    ::WideCharToMultiByte(CP_UTF8, 0, text.c_str(), -1, out.data(), size, nullptr, nullptr);
    if (!out.empty()) out.pop_back();
    return out;
}

void Describe(HWND w, int depth) {
    const std::wstring cls = e2e::ClassOf(w);
    RECT r{};
    ::GetWindowRect(w, &r);
    std::printf("%*s%s id=%d \"%s\" %s%s (%ld,%ld %ldx%ld)\n", depth * 2, "", Utf8(cls).c_str(), e2e::IdOf(w),
                Utf8(e2e::TextOf(w)).c_str(), e2e::IsShown(w) ? "shown" : "hidden",
                e2e::IsEnabled(w) ? "" : " disabled", r.left, r.top, r.right - r.left, r.bottom - r.top);
    if (cls == L"SysListView32") {
        const auto columns = e2e::ListColumns(w);
        for (const auto& row : e2e::ListRows(w, static_cast<int>(columns.size()))) {
            std::string line;
            for (const auto& cell : row) line += "[" + Utf8(cell) + "]";
            std::printf("%*s  row %s\n", depth * 2, "", line.c_str());
        }
        std::printf("%*s  selected %d\n", depth * 2, "", e2e::ListSelected(w));
    } else if (cls == L"SysTabControl32") {
        for (int i = 0; i < e2e::TabCount(w); ++i) {
            std::printf("%*s  tab %d \"%s\"\n", depth * 2, "", i, Utf8(e2e::TabText(w, i)).c_str());
        }
        std::printf("%*s  selected %d\n", depth * 2, "", e2e::TabSelected(w));
    } else if (cls == L"msctls_statusbar32") {
        const auto parts = e2e::StatusParts(w);
        for (std::size_t i = 0; i < parts.size(); ++i) {
            std::printf("%*s  part %zu to %d \"%s\"\n", depth * 2, "", i, parts[i],
                        Utf8(e2e::StatusText(w, static_cast<int>(i))).c_str());
        }
    } else if (cls == L"ToolbarWindow32") {
        for (const auto& b : e2e::ToolbarButtons(w)) {
            if (b.separator) {
                std::printf("%*s  separator\n", depth * 2, "");
            } else {
                std::printf("%*s  button %d%s \"%s\"\n", depth * 2, "", b.command, b.enabled ? "" : " disabled",
                            Utf8(e2e::ToolbarTooltip(w, b.command)).c_str());
            }
        }
    } else if (cls == L"msctls_updown32") {
        const auto range = e2e::UpDownRange(w);
        std::printf("%*s  position %d range %d..%d\n", depth * 2, "", e2e::UpDownPosition(w), range.first,
                    range.second);
    }
    for (HWND child = ::GetWindow(w, GW_CHILD); child != nullptr; child = ::GetWindow(child, GW_HWNDNEXT)) {
        Describe(child, depth + 1);
    }
}

}  // namespace

int main(int argc, char** argv) {
    std::wstring filter;
    if (argc > 1) {
        const int size = ::MultiByteToWideChar(CP_ACP, 0, argv[1], -1, nullptr, 0);
        filter.resize(static_cast<std::size_t>(size));
        ::MultiByteToWideChar(CP_ACP, 0, argv[1], -1, filter.data(), size);
        filter.pop_back();
    }
    for (HWND w : e2e::TopWindows(0)) {
        const std::wstring title = e2e::TextOf(w);
        if (!filter.empty() && title.find(filter) == std::wstring::npos) continue;
        std::printf("process %lu%s\n", e2e::ProcessOf(w), ::IsIconic(w) ? " (minimised)" : "");
        Describe(w, 0);
    }
    return 0;
}
