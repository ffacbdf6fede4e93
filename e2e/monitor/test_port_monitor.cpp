// A small port monitor for the end-to-end prefix: it only reports ports with
// the descriptions real port monitors give ("Virtual printer port for USB",
// "標準の TCP/IP ポート", ...), so that the panel program's port
// classification meets them in Wine's EnumPorts. The job data of its ports
// never reaches it: the ports that print are mapped to a command under
// HKCU\Software\Wine\Printing\Spooler, and Wine then writes there instead.
//
// The ports are read from HKLM\<kMonitorPortsKey> on every enumeration
// (value name = port, REG_SZ data = description) with the plain registry
// API: Wine does not implement the MONITORINIT registry callbacks.
#include <windows.h>
#include <winspool.h>
#include <winsplp.h>

#include <cstring>
#include <string>
#include <utility>
#include <vector>

#include "e2e/fixture/test_printers.h"

namespace {

const wchar_t kMonitorNameW[] = L"Solvena Test Port Monitor";

std::vector<std::pair<std::wstring, std::wstring>> ReadPorts() {
    std::vector<std::pair<std::wstring, std::wstring>> ports;
    HKEY key = nullptr;
    if (::RegOpenKeyExW(HKEY_LOCAL_MACHINE, e2e::kMonitorPortsKey, 0, KEY_READ, &key) != ERROR_SUCCESS) return ports;
    for (DWORD index = 0;; ++index) {
        wchar_t name[256];
        DWORD nameLength = 256;
        wchar_t data[1024] = {};
        DWORD dataSize = sizeof(data) - sizeof(wchar_t);
        DWORD type = 0;
        const LONG r = ::RegEnumValueW(key, index, name, &nameLength, nullptr, &type,
                                       reinterpret_cast<BYTE*>(data), &dataSize);
        if (r == ERROR_NO_MORE_ITEMS) break;
        if (r != ERROR_SUCCESS || type != REG_SZ) continue;
        ports.emplace_back(name, data);
    }
    ::RegCloseKey(key);
    return ports;
}

// Fills PORT_INFO_1W or PORT_INFO_2W entries at the front of the buffer and
// their strings from the back, as the spooler expects.
BOOL WINAPI EnumPortsImpl(HANDLE, LPWSTR, DWORD level, LPBYTE buffer, DWORD bufferSize, LPDWORD needed,
                          LPDWORD returned) {
    if (level != 1 && level != 2) {
        ::SetLastError(ERROR_INVALID_LEVEL);
        return FALSE;
    }
    const auto ports = ReadPorts();
    const size_t entrySize = level == 1 ? sizeof(PORT_INFO_1W) : sizeof(PORT_INFO_2W);
    size_t total = 0;
    for (const auto& [name, description] : ports) {
        total += entrySize + (name.size() + 1) * sizeof(wchar_t);
        if (level == 2) total += (std::wcslen(kMonitorNameW) + 1 + description.size() + 1) * sizeof(wchar_t);
    }
    *needed = static_cast<DWORD>(total);
    *returned = 0;
    if (buffer == nullptr || bufferSize < total) {
        ::SetLastError(ERROR_INSUFFICIENT_BUFFER);
        return FALSE;
    }
    BYTE* stringEnd = buffer + total;
    const auto place = [&stringEnd](const std::wstring& text) {
        const size_t bytes = (text.size() + 1) * sizeof(wchar_t);
        stringEnd -= bytes;
        std::memcpy(stringEnd, text.c_str(), bytes);
        return reinterpret_cast<LPWSTR>(stringEnd);
    };
    for (size_t i = 0; i < ports.size(); ++i) {
        if (level == 1) {
            auto* info = reinterpret_cast<PORT_INFO_1W*>(buffer) + i;
            info->pName = place(ports[i].first);
        } else {
            auto* info = reinterpret_cast<PORT_INFO_2W*>(buffer) + i;
            info->pPortName = place(ports[i].first);
            info->pMonitorName = place(kMonitorNameW);
            info->pDescription = place(ports[i].second);
            info->fPortType = PORT_TYPE_WRITE | PORT_TYPE_READ;
            info->Reserved = 0;
        }
    }
    *returned = static_cast<DWORD>(ports.size());
    return TRUE;
}

// Jobs of an unmapped port are taken and dropped.
BOOL WINAPI OpenPortImpl(HANDLE, LPWSTR, PHANDLE handle) {
    *handle = reinterpret_cast<HANDLE>(static_cast<INT_PTR>(1));
    return TRUE;
}
BOOL WINAPI StartDocPortImpl(HANDLE, LPWSTR, DWORD, DWORD, LPBYTE) { return TRUE; }
BOOL WINAPI WritePortImpl(HANDLE, LPBYTE, DWORD size, LPDWORD written) {
    *written = size;
    return TRUE;
}
BOOL WINAPI EndDocPortImpl(HANDLE) { return TRUE; }
BOOL WINAPI ClosePortImpl(HANDLE) { return TRUE; }

MONITOR2 MakeMonitor() {
    MONITOR2 m{};
    m.cbSize = sizeof(MONITOR2);
    m.pfnEnumPorts = EnumPortsImpl;
    m.pfnOpenPort = OpenPortImpl;
    m.pfnStartDocPort = StartDocPortImpl;
    m.pfnWritePort = WritePortImpl;
    m.pfnEndDocPort = EndDocPortImpl;
    m.pfnClosePort = ClosePortImpl;
    return m;
}

MONITOR2 monitor = MakeMonitor();

}  // namespace

extern "C" __declspec(dllexport) LPMONITOR2 WINAPI InitializePrintMonitor2(PMONITORINIT, PHANDLE handle) {
    *handle = reinterpret_cast<HANDLE>(&monitor);
    return &monitor;
}
