// The registry on Windows: the system's own.
#include "platform/Registry.h"
#include "platform/WideText.h"

#include <algorithm>

#include <windows.h>

namespace platform {

namespace {

// A string value of an open key as it is stored: REG_EXPAND_SZ unexpanded, as Wine's
// files hold it. The value may grow between asking its size and reading it: then ask
// again, a few times.
std::optional<RegistryValue> StringValue(HKEY key, const std::wstring &name) {
  const DWORD flags = RRF_RT_REG_SZ | RRF_RT_REG_EXPAND_SZ | RRF_NOEXPAND;
  for (int attempt = 0; attempt < 4; ++attempt) {
    DWORD type = 0;
    DWORD bytes = 0;
    if (::RegGetValueW(key, nullptr, name.c_str(), flags, &type, nullptr, &bytes) != ERROR_SUCCESS)
      return std::nullopt;
    std::wstring text(bytes / sizeof(wchar_t) + 1, L'\0');
    bytes = static_cast<DWORD>(text.size() * sizeof(wchar_t));
    const LONG status =
        ::RegGetValueW(key, nullptr, name.c_str(), flags, &type, text.data(), &bytes);
    if (status == ERROR_MORE_DATA)
      continue;
    if (status != ERROR_SUCCESS)
      return std::nullopt;
    // A string ends at its first zero; the system adds one where the data lacks it.
    text.resize(std::min<size_t>(bytes / sizeof(wchar_t), text.find(L'\0')));
    return RegistryValue{Utf8OfWide(text), type == REG_EXPAND_SZ};
  }
  return std::nullopt;
}

} // namespace

std::optional<RegistryValue> ReadRegistryValue(RegistryHive hive, const std::string &keyPath,
                                               const std::string &valueName) {
  HKEY root = hive == RegistryHive::LocalMachine ? HKEY_LOCAL_MACHINE : HKEY_CURRENT_USER;
  HKEY key = nullptr;
  // The 64-bit view whatever this program's width: a 32-bit program's keys are read below
  // Software\Wow6432Node, by that name, as in Wine's files.
  if (::RegOpenKeyExW(root, WideOfUtf8(keyPath).c_str(), 0, KEY_QUERY_VALUE | KEY_WOW64_64KEY,
                      &key) != ERROR_SUCCESS)
    return std::nullopt;
  auto value = StringValue(key, WideOfUtf8(valueName));
  ::RegCloseKey(key);
  return value;
}

} // namespace platform
