#pragma once
// What CodePage.cpp takes from the host: the conversions of the code pages, Unicode's
// letter case and the code page a run starts in. The build picks the back end:
// CodePageSystem_posix.cpp over glibc's iconv and locales, with the code page chosen as
// Wine chooses it; CodePageSystem_win.cpp over the system's own (MultiByteToWideChar,
// WideCharToMultiByte, LCMapStringEx, GetACP). Only CodePage.cpp includes this header.
#include <cstddef>
#include <string>
#include <string_view>

namespace platform {

// The bytes of the code page as UTF-8, up to the first byte sequence it does not define
// (or a lead byte without its trail byte); consumed is set to the bytes converted.
std::string DecodeCodePageRun(std::string_view bytes, int codePage, size_t &consumed);
// The UTF-8 text in the code page, up to the first character it has no byte form for;
// consumed is set to the UTF-8 bytes converted.
std::string EncodeCodePageRun(std::string_view utf8, int codePage, size_t &consumed);

} // namespace platform
