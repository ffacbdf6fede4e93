// Text conversions at the Windows boundary: the program's texts are UTF-8
// inside, wide at the windows, ANSI (system code page) for the link library.
#pragma once

#include <windows.h>

#include <string>
#include <string_view>

namespace tamsel {

std::wstring Widen(std::string_view utf8);
std::string Narrow(std::wstring_view wide);
// UTF-8 to the system code page, as the link library takes printer names.
std::string ToSystemCodePage(std::string_view utf8);

}  // namespace tamsel
