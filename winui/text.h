// Text conversions at the edge of the Windows API: our sources and portable
// code hold UTF-8, the windows take UTF-16 through the wide (W) functions, and
// a few interfaces (the link library's printer name) are ANSI by definition.
#pragma once

#include <string>
#include <string_view>

namespace winui {

// UTF-8 to UTF-16. Invalid sequences become U+FFFD; never throws on bad input.
std::wstring Widen(std::string_view utf8);
// UTF-16 to UTF-8. A lone surrogate becomes U+FFFD.
std::string Narrow(std::wstring_view wide);

// The system's ANSI code page (932 on a Japanese system) in both directions,
// for interfaces that are ANSI by definition. Characters the code page cannot
// hold become its default character ("?").
std::string ToAnsi(std::wstring_view wide);
std::wstring FromAnsi(std::string_view ansi);

}  // namespace winui
