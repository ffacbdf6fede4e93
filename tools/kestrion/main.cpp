// Entry point of the kestrion tool: binds the link library and the console of
// the platform, then runs the portable command line.
#include <iostream>
#include <optional>
#include <type_traits>
#include <string>
#include <vector>

#include "tools/kestrion/cli.h"
#ifdef _WIN32
#include "link/link_library.h"
#endif

#ifdef _WIN32
#include <windows.h>
#include <shellapi.h>
#include <io.h>
#include <cstdio>
#else
#include <cstdio>
#include <cstring>
#include <unistd.h>
#endif

namespace {

#ifdef _WIN32

std::string ToUtf8(const wchar_t* text, int length = -1) {
    const int n = WideCharToMultiByte(CP_UTF8, 0, text, length, nullptr, 0, nullptr, nullptr);
    std::string out(static_cast<std::size_t>(n > 0 ? n : 0), '\0');
    if (n > 0) WideCharToMultiByte(CP_UTF8, 0, text, length, out.data(), n, nullptr, nullptr);
    if (length == -1 && !out.empty()) out.pop_back();  // the terminator
    return out;
}

std::wstring FromUtf8(const std::string& text) {
    const int n = MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
    std::wstring out(static_cast<std::size_t>(n > 0 ? n : 0), L'\0');
    if (n > 0) MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), out.data(), n);
    return out;
}

// The printer name crosses the link library as ANSI text.
std::string ToAnsi(const std::string& utf8) {
    const std::wstring wide = FromUtf8(utf8);
    const int n = WideCharToMultiByte(CP_ACP, 0, wide.data(), static_cast<int>(wide.size()), nullptr, 0, nullptr, nullptr);
    std::string out(static_cast<std::size_t>(n > 0 ? n : 0), '\0');
    if (n > 0) WideCharToMultiByte(CP_ACP, 0, wide.data(), static_cast<int>(wide.size()), out.data(), n, nullptr, nullptr);
    return out;
}

std::string SystemErrorText(std::int32_t code) {
    wchar_t* text = nullptr;
    const DWORD n = FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
                                   nullptr, static_cast<DWORD>(code), 0, reinterpret_cast<wchar_t*>(&text), 0, nullptr);
    std::string out = n ? ToUtf8(text) : "no description";
    if (text) LocalFree(text);
    while (!out.empty() && (out.back() == '\n' || out.back() == '\r' || out.back() == ' ')) out.pop_back();
    return out;
}

std::optional<tamsel::LinkOperations> BindLibrary(std::string& error) {
    static kestrion::LinkLibrary library;  // stays loaded until the tool ends
    if (!library.IsLoaded() && !library.Load(kestrion::kLinkLibraryFileName)) {
        error = "Kestrion.dll cannot be loaded: " + library.LoadError();
        return std::nullopt;
    }
    tamsel::LinkOperations ops;
    std::string missing;
    if (!library.BindAll(ops, &missing)) {
        error = "Kestrion.dll has no operation " + missing;
        return std::nullopt;
    }
    return ops;
}

std::vector<std::string> Arguments() {
    int count = 0;
    wchar_t** argv = CommandLineToArgvW(GetCommandLineW(), &count);
    std::vector<std::string> args;
    for (int i = 1; argv && i < count; ++i) args.push_back(ToUtf8(argv[i]));
    if (argv) LocalFree(argv);
    return args;
}

#else

std::optional<tamsel::LinkOperations> BindLibrary(std::string&) {
    return tamsel::LinkOperations{DllGetPrinterStatus, DllGetPrinterParam, DllSetPrinterParam,
                                  DllSetPrinterAdjust, DllSetPrinterAdd,   DllResetPrinter};
}

std::string SystemErrorText(std::int32_t code) { return std::strerror(code); }

std::string ToAnsi(const std::string& utf8) { return utf8; }

#endif

}  // namespace

int main(int argc, char** argv) {
#ifdef _WIN32
    (void)argc;
    (void)argv;
    SetConsoleOutputCP(CP_UTF8);
    const std::vector<std::string> args = Arguments();
#else
    const std::vector<std::string> args(argv + 1, argv + argc);
#endif
    kestrion_cli::Environment env{BindLibrary, SystemErrorText, ToAnsi};
#ifdef _WIN32
    env.progressLine = _isatty(_fileno(stderr)) != 0;
#else
    env.spoolerTargets = false;  // spooler targets need Windows
    env.progressLine = ::isatty(STDERR_FILENO) != 0;
#endif
    const int code = kestrion_cli::RunKestrion(args, std::cout, std::cerr, env);
    std::cout.flush();
    return code;
}
