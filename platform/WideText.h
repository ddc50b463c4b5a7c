#pragma once
// UTF-8 and the UTF-16 of the Windows API's wide functions, for the Windows back ends: the
// core's texts go to the system through UTF-8, so no character is lost to the ANSI code
// page. Built for Windows only (WideText_win.cpp).
#include <string>
#include <string_view>

namespace platform {

std::wstring WideOfUtf8(std::string_view utf8);
std::string Utf8OfWide(std::wstring_view wide);

} // namespace platform
