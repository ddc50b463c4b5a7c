// The running program on Windows: the executable from the module's own name, the
// settings folder in the roaming application data, binary streams, UTF-16 arguments.
#include "platform/Process.h"
#include "platform/WideText.h"

#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <io.h>

#include <windows.h>
// After windows.h, which it builds on.
#include <shellapi.h>

namespace platform {

std::string ExecutableHostPath() {
  // A path longer than the buffer is cut to fit: grow until it is not.
  std::wstring path(MAX_PATH, L'\0');
  for (;;) {
    const DWORD length =
        ::GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
    if (length == 0)
      return std::string();
    if (length < path.size())
      return Utf8OfWide(std::wstring_view(path.data(), length));
    path.resize(path.size() * 2);
  }
}

std::string UserSettingsHostFolder() {
  const wchar_t *appData = ::_wgetenv(L"APPDATA");
  if (appData == nullptr || *appData == L'\0')
    return std::string();
  return Utf8OfWide(std::wstring_view(appData, std::wcslen(appData))) + "\\corvane";
}

std::string NoUserSettingsFolderReason() {
  return "APPDATA names none";
}

bool IsHostPathArgument(const std::string &argument) {
  return !argument.empty();
}

void UseBinaryStandardStreams() {
  ::_setmode(::_fileno(stdin), _O_BINARY);
  ::_setmode(::_fileno(stdout), _O_BINARY);
  ::_setmode(::_fileno(stderr), _O_BINARY);
}

std::vector<std::string> Utf8Arguments(int argc, char **argv) {
  int count = 0;
  wchar_t **wide = ::CommandLineToArgvW(::GetCommandLineW(), &count);
  if (wide == nullptr)
    return std::vector<std::string>(argv, argv + argc);
  std::vector<std::string> arguments;
  for (int i = 0; i < count; ++i)
    arguments.push_back(Utf8OfWide(std::wstring_view(wide[i], std::wcslen(wide[i]))));
  ::LocalFree(wide);
  return arguments;
}

} // namespace platform
