// The loader over LoadLibraryA: the standard search order (the program's
// folder first), the file name as ANSI text as the system takes it.
#include <windows.h>

#include <string>

#include "link/loader/module_platform.h"

namespace kestrion::loader {

namespace {

// The system's text for `code` in UTF-8, without its line end.
std::string SystemText(DWORD code) {
    wchar_t* text = nullptr;
    const DWORD length = ::FormatMessageW(
        FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, code, 0,
        reinterpret_cast<wchar_t*>(&text), 0, nullptr);
    std::string out;
    if (length > 0) {
        const int n = ::WideCharToMultiByte(CP_UTF8, 0, text, static_cast<int>(length), nullptr, 0, nullptr, nullptr);
        if (n > 0) {
            out.resize(static_cast<std::size_t>(n));
            ::WideCharToMultiByte(CP_UTF8, 0, text, static_cast<int>(length), out.data(), n, nullptr, nullptr);
        }
    }
    if (text != nullptr) ::LocalFree(text);
    while (!out.empty() && (out.back() == '\n' || out.back() == '\r' || out.back() == ' ')) out.pop_back();
    return out.empty() ? std::string("no description") : out;
}

}  // namespace

void* OpenModule(const std::string& fileName, std::string& error) {
    HMODULE module = ::LoadLibraryA(fileName.c_str());
    if (module == nullptr) {
        const DWORD code = ::GetLastError();
        error = SystemText(code) + " (error " + std::to_string(code) + ")";
    }
    return reinterpret_cast<void*>(module);
}

void* FindExport(void* module, const char* name) {
    return reinterpret_cast<void*>(::GetProcAddress(static_cast<HMODULE>(module), name));
}

void CloseModule(void* module) { ::FreeLibrary(static_cast<HMODULE>(module)); }

}  // namespace kestrion::loader
