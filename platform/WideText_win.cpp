#include "platform/WideText.h"

#include <limits>
#include <windows.h>

namespace platform {

std::wstring WideOfUtf8(std::string_view utf8) {
  if (utf8.empty() || utf8.size() > size_t(std::numeric_limits<int>::max()))
    return std::wstring();
  const int size = static_cast<int>(utf8.size());
  const int count = ::MultiByteToWideChar(CP_UTF8, 0, utf8.data(), size, nullptr, 0);
  std::wstring wide(size_t(count > 0 ? count : 0), L'\0');
  ::MultiByteToWideChar(CP_UTF8, 0, utf8.data(), size, wide.data(), count);
  return wide;
}

std::string Utf8OfWide(std::wstring_view wide) {
  if (wide.empty() || wide.size() > size_t(std::numeric_limits<int>::max()))
    return std::string();
  const int size = static_cast<int>(wide.size());
  const int count =
      ::WideCharToMultiByte(CP_UTF8, 0, wide.data(), size, nullptr, 0, nullptr, nullptr);
  std::string utf8(size_t(count > 0 ? count : 0), '\0');
  ::WideCharToMultiByte(CP_UTF8, 0, wide.data(), size, utf8.data(), count, nullptr, nullptr);
  return utf8;
}

} // namespace platform
