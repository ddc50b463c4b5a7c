// The running program on Linux: the executable through /proc, the settings folder after
// the XDG base directories, streams and arguments as the system gives them.
#include "platform/Process.h"

#include "platform/CodePage.h"
#include "platform/Environment.h"

#include <filesystem>

namespace platform {

namespace {

// A folder of the host an environment variable names, as a host path; empty unless the
// value is an absolute path.
std::string HostFolderVariable(const char *name) {
  const auto value = EnvironmentValue(name);
  const std::string folder = value ? TextToUtf8(*value) : std::string();
  return !folder.empty() && folder[0] == '/' ? folder : std::string();
}

} // namespace

std::string ExecutableHostPath() {
  std::error_code ec;
  const auto self = std::filesystem::read_symlink("/proc/self/exe", ec);
  return ec ? std::string() : self.string();
}

std::string UserSettingsHostFolder() {
  std::string base = HostFolderVariable("XDG_CONFIG_HOME");
  if (base.empty()) {
    const std::string home = HostFolderVariable("HOME");
    if (home.empty())
      return std::string();
    base = home + "/.config";
  }
  return base + "/corvane";
}

std::string NoUserSettingsFolderReason() {
  return "neither XDG_CONFIG_HOME nor HOME names one";
}

bool IsHostPathArgument(const std::string &argument) {
  return !argument.empty() && argument[0] == '/';
}

void UseBinaryStandardStreams() {}

std::vector<std::string> Utf8Arguments(int argc, char **argv) {
  return std::vector<std::string>(argv, argv + argc);
}

} // namespace platform
