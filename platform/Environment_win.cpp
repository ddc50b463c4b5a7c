// The environment on Windows: the system's own, read through its wide functions and
// converted to the core's code page, which need not be the system's ANSI code page.
#include "platform/CodePage.h"
#include "platform/Environment.h"
#include "platform/ShellFolderTable.h"
#include "platform/WideText.h"

#include <windows.h>

#include <shlobj.h>

namespace platform {

namespace {

std::wstring WideOfText(const std::string &text) {
  return WideOfUtf8(TextToUtf8(text));
}

std::string TextOfWide(std::wstring_view wide) {
  return Utf8ToText(Utf8OfWide(wide));
}

} // namespace

std::optional<std::string> EnvironmentValue(const std::string &name) {
  const std::wstring wideName = WideOfText(name);
  const DWORD needed = ::GetEnvironmentVariableW(wideName.c_str(), nullptr, 0);
  if (needed == 0)
    return std::nullopt;
  std::wstring value(needed, L'\0');
  const DWORD got = ::GetEnvironmentVariableW(wideName.c_str(), value.data(), needed);
  if (got >= needed)
    return std::nullopt;
  return TextOfWide(std::wstring_view(value.data(), got));
}

std::string WindowsDirectory() {
  const UINT needed = ::GetWindowsDirectoryW(nullptr, 0);
  std::wstring folder(needed, L'\0');
  const UINT got = needed ? ::GetWindowsDirectoryW(folder.data(), needed) : 0;
  return got < needed ? TextOfWide(std::wstring_view(folder.data(), got)) : std::string();
}

std::optional<std::string> ShellFolderPath(const std::string &name) {
  const ShellFolderEntry *folder = FindShellFolder(name);
  if (!folder)
    return std::nullopt;
  wchar_t path[MAX_PATH] = {};
  if (FAILED(::SHGetFolderPathW(nullptr, folder->csidl, nullptr, SHGFP_TYPE_CURRENT, path)))
    return std::nullopt;
  return TextOfWide(path);
}

std::string ExpandEnvironmentText(const std::string &text) {
  const std::wstring wide = WideOfText(text);
  const DWORD needed = ::ExpandEnvironmentStringsW(wide.c_str(), nullptr, 0);
  std::wstring out(needed, L'\0');
  const DWORD got = needed ? ::ExpandEnvironmentStringsW(wide.c_str(), out.data(), needed) : 0;
  if (got == 0 || got > needed)
    return text;
  return TextOfWide(std::wstring_view(out.data(), got - 1));
}

} // namespace platform
