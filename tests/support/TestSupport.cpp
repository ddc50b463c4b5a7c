#include "support/TestSupport.h"
#include "support/RunProcess.h"
#include "support/TestHost.h"

#include "platform/Clipboard.h"
#include "platform/CodePage.h"
#include "platform/HostFiles.h"
#include "platform/HostPathText.h"
#include "platform/Profile.h"

#include <atomic>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <stdexcept>

namespace testsupport {

std::optional<std::string> FindOnPath(const std::string &program) {
  const char *path = std::getenv("PATH");
  std::stringstream dirs(path ? path : "");
  for (std::string dir; std::getline(dirs, dir, kSearchPathSeparator);) {
    if (dir.empty())
      continue;
    for (const std::string &name : {program, program + ".exe"}) {
      const std::filesystem::path candidate = std::filesystem::path(dir) / name;
      std::error_code error;
      if (std::filesystem::is_regular_file(candidate, error))
        return candidate.string();
    }
  }
  return std::nullopt;
}

TempDir::TempDir() {
  static std::atomic<int> counter{0};
  auto base = std::filesystem::temp_directory_path();
  for (int attempt = 0; attempt < 1000; ++attempt) {
    auto candidate = base / ("corvane-test-" + std::to_string(HostProcessId()) + "-" +
                             std::to_string(counter++));
    if (std::filesystem::create_directory(candidate)) {
      path_ = candidate;
      return;
    }
  }
  throw std::runtime_error("cannot create a temporary folder");
}

TempDir::~TempDir() {
  std::error_code ignored;
  std::filesystem::permissions(path_, std::filesystem::perms::owner_all,
                               std::filesystem::perm_options::add, ignored);
  RemoveTree(path_);
}

std::string HostText(const std::filesystem::path &hostPath) {
  return platform::HostPathText(hostPath);
}

std::string WindowsNameOf(const std::filesystem::path &hostPath) {
  return platform::WindowsName(HostText(hostPath));
}

ScopedEnv::ScopedEnv(const std::string &name, const char *value) : name_(name) {
  if (auto old = HostVariable(name)) {
    had_ = true;
    old_ = *old;
  }
  SetHostVariable(name, value);
}

ScopedEnv::~ScopedEnv() {
  SetHostVariable(name_, had_ ? old_.c_str() : nullptr);
}

ScopedClipboard::ScopedClipboard(platform::ClipboardBackend &backend)
    : previous_(platform::Clipboard()) {
  platform::SetClipboardBackend(&backend);
}

ScopedClipboard::~ScopedClipboard() {
  platform::SetClipboardBackend(&previous_);
}

ScopedCodePage::ScopedCodePage(int codePage) : old_(platform::SystemCodePage()) {
  platform::SetSystemCodePage(codePage);
  platform::FlushProfileCache();
}

ScopedCodePage::~ScopedCodePage() {
  platform::SetSystemCodePage(old_);
  platform::FlushProfileCache();
}

std::string ReadBytes(const std::filesystem::path &file) {
  std::ifstream in(file, std::ios::binary);
  if (!in)
    throw std::runtime_error("cannot read " + file.string());
  std::ostringstream out;
  out << in.rdbuf();
  return out.str();
}

void WriteBytes(const std::filesystem::path &file, const std::string &bytes) {
  std::filesystem::create_directories(file.parent_path());
  std::ofstream out(file, std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  if (!out)
    throw std::runtime_error("cannot write " + file.string());
}

std::string Utf16File(std::u16string_view text, bool bigEndian) {
  std::string bytes = bigEndian ? "\xFE\xFF" : "\xFF\xFE";
  for (const char16_t unit : text) {
    const char high = static_cast<char>(unit >> 8), low = static_cast<char>(unit & 0xFF);
    bytes += bigEndian ? high : low;
    bytes += bigEndian ? low : high;
  }
  return bytes;
}

std::filesystem::path TestData(const std::string &relative) {
  return std::filesystem::path(CORVANE_TEST_DATA) / relative;
}

std::filesystem::path SharedDir() {
  std::filesystem::path dir(CORVANE_SHARED_DIR);
  std::error_code ec;
  return std::filesystem::is_directory(dir, ec) ? dir : std::filesystem::path();
}

} // namespace testsupport
