#pragma once
// Host paths are held as UTF-8 text; the standard library's paths take a narrow string in
// the system's ANSI code page on Windows, which lacks most characters. These convert
// between the two by UTF-8 on every system.
#include <filesystem>
#include <string>
#include <string_view>

namespace platform {

inline std::filesystem::path HostFsPath(std::string_view utf8) {
  return std::filesystem::path(std::u8string(utf8.begin(), utf8.end()));
}

inline std::string HostPathText(const std::filesystem::path &path) {
  const std::u8string utf8 = path.u8string();
  return std::string(utf8.begin(), utf8.end());
}

} // namespace platform
