#include "support/TestHost.h"

#include <atomic>
#include <cstdlib>
#include <process.h>
#include <vector>
#include <windows.h>

namespace testsupport {

namespace {

std::wstring Wide(const std::string &utf8) {
  const int size = ::MultiByteToWideChar(CP_UTF8, 0, utf8.data(), int(utf8.size()), nullptr, 0);
  std::wstring wide(size_t(size), L'\0');
  ::MultiByteToWideChar(CP_UTF8, 0, utf8.data(), int(utf8.size()), wide.data(), size);
  return wide;
}

std::string Utf8(const std::wstring &wide) {
  const int size = ::WideCharToMultiByte(CP_UTF8, 0, wide.data(), int(wide.size()), nullptr, 0,
                                         nullptr, nullptr);
  std::string utf8(size_t(size), '\0');
  ::WideCharToMultiByte(CP_UTF8, 0, wide.data(), int(wide.size()), utf8.data(), size, nullptr,
                        nullptr);
  return utf8;
}

} // namespace

// The C runtime's setter, so that both its own copies of the environment and the system's
// (GetEnvironmentVariable) change. An empty value removes a variable there, so an empty
// value cannot be set on Windows.
void SetHostVariable(const std::string &name, const char *value) {
  _wputenv_s(Wide(name).c_str(), value ? Wide(value).c_str() : L"");
}

std::optional<std::string> HostVariable(const std::string &name) {
  const wchar_t *value = _wgetenv(Wide(name).c_str());
  return value ? std::optional<std::string>(Utf8(value)) : std::nullopt;
}

unsigned long HostProcessId() {
  return static_cast<unsigned long>(_getpid());
}

void RemoveTree(const std::filesystem::path &folder) {
  static std::atomic<unsigned> moved{0};
  std::error_code ignored;
  std::vector<std::filesystem::path> files;
  for (auto it = std::filesystem::recursive_directory_iterator(folder, ignored);
       it != std::filesystem::recursive_directory_iterator(); it.increment(ignored))
    if (!it->is_directory(ignored))
      files.push_back(it->path());
  const auto aside = folder.parent_path();
  for (const auto &file : files) {
    const auto away =
        aside / ("corvane-removed-" + std::to_string(_getpid()) + "-" + std::to_string(moved++));
    ::SetFileAttributesW(file.c_str(), FILE_ATTRIBUTE_NORMAL);
    if (::MoveFileExW(file.c_str(), away.c_str(), 0))
      ::DeleteFileW(away.c_str());
  }
  std::filesystem::remove_all(folder, ignored);
}

const char *const kUserSettingsBase = "APPDATA";

bool CanDenyReading() {
  return false;
}

} // namespace testsupport
