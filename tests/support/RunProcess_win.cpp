#include "support/RunProcess.h"
#include "support/TestSupport.h"

#include <windows.h>

namespace testsupport {

namespace {

std::wstring Wide(const std::string &utf8) {
  if (utf8.empty())
    return {};
  const int size =
      MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), nullptr, 0);
  std::wstring wide(static_cast<size_t>(size), L'\0');
  MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), wide.data(), size);
  return wide;
}

// One argument quoted so that the C runtime's parser of the command line gives it back as
// it is: backslashes count only before a quote, where each is doubled.
void AppendQuoted(std::wstring &line, const std::wstring &arg) {
  line += L'"';
  size_t backslashes = 0;
  for (const wchar_t c : arg) {
    if (c == L'\\') {
      ++backslashes;
      continue;
    }
    line.append(c == L'"' ? backslashes * 2 + 1 : backslashes, L'\\');
    backslashes = 0;
    line += c;
  }
  line.append(backslashes * 2, L'\\');
  line += L'"';
}

// Files the child inherits as standard streams.
HANDLE InheritedOutput(const std::filesystem::path &file) {
  SECURITY_ATTRIBUTES inherit{sizeof(inherit), nullptr, TRUE};
  return CreateFileW(file.wstring().c_str(), GENERIC_WRITE, FILE_SHARE_READ, &inherit,
                     CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
}
HANDLE InheritedInput(const std::filesystem::path &file) {
  SECURITY_ATTRIBUTES inherit{sizeof(inherit), nullptr, TRUE};
  return CreateFileW(file.wstring().c_str(), GENERIC_READ, FILE_SHARE_READ, &inherit, OPEN_EXISTING,
                     FILE_ATTRIBUTE_NORMAL, nullptr);
}

} // namespace

const char kSearchPathSeparator = ';';

ProcessResult RunProcess(const std::string &program, const std::vector<std::string> &args,
                         const std::filesystem::path &input) {
  TempDir dir;
  std::wstring line;
  AppendQuoted(line, Wide(program));
  for (const auto &arg : args) {
    line += L' ';
    AppendQuoted(line, Wide(arg));
  }
  HANDLE out = InheritedOutput(dir / "out"), err = InheritedOutput(dir / "err");
  STARTUPINFOW startup{};
  startup.cb = sizeof(startup);
  startup.dwFlags = STARTF_USESTDHANDLES;
  HANDLE in = input.empty() ? GetStdHandle(STD_INPUT_HANDLE) : InheritedInput(input);
  startup.hStdInput = in;
  startup.hStdOutput = out;
  startup.hStdError = err;
  PROCESS_INFORMATION child{};
  ProcessResult result;
  if (in != INVALID_HANDLE_VALUE && out != INVALID_HANDLE_VALUE && err != INVALID_HANDLE_VALUE &&
      CreateProcessW(Wide(program).c_str(), line.data(), nullptr, nullptr, TRUE, 0, nullptr,
                     nullptr, &startup, &child)) {
    WaitForSingleObject(child.hProcess, INFINITE);
    DWORD status = 0;
    if (GetExitCodeProcess(child.hProcess, &status))
      result.status = static_cast<int>(status);
    CloseHandle(child.hThread);
    CloseHandle(child.hProcess);
  }
  for (HANDLE file : {out, err})
    if (file != INVALID_HANDLE_VALUE)
      CloseHandle(file);
  if (!input.empty() && in != INVALID_HANDLE_VALUE)
    CloseHandle(in);
  result.out = ReadBytes(dir / "out");
  result.err = ReadBytes(dir / "err");
  return result;
}

} // namespace testsupport
