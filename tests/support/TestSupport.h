#pragma once
// Helpers shared by the test suites: temporary folders, whole-file access and the
// locations of the project's test data and of the workplace's shared folder.
#include <filesystem>
#include <string>
#include <string_view>

namespace platform {
class ClipboardBackend;
}

namespace testsupport {

// A fresh empty folder below the system's temporary folder, removed with the object.
class TempDir {
public:
  TempDir();
  ~TempDir();
  TempDir(const TempDir &) = delete;
  TempDir &operator=(const TempDir &) = delete;
  const std::filesystem::path &path() const { return path_; }
  std::filesystem::path operator/(const std::string &name) const { return path_ / name; }

private:
  std::filesystem::path path_;
};

// A host path as UTF-8 text, as the program takes it from its arguments and environment.
std::string HostText(const std::filesystem::path &hostPath);

// The Windows name of a host path, taken as UTF-8 on every system.
std::string WindowsNameOf(const std::filesystem::path &hostPath);

// Sets an environment variable for the object's lifetime and restores the old value.
class ScopedEnv {
public:
  ScopedEnv(const std::string &name, const char *value);
  // A host path as the value (the system's narrow form of it).
  ScopedEnv(const std::string &name, const std::filesystem::path &value)
      : ScopedEnv(name, HostText(value).c_str()) {}
  ~ScopedEnv();
  ScopedEnv(const ScopedEnv &) = delete;
  ScopedEnv &operator=(const ScopedEnv &) = delete;

private:
  std::string name_;
  bool had_ = false;
  std::string old_;
};

// Makes a folder the current directory for the object's lifetime.
class ScopedCurrentDirectory {
public:
  explicit ScopedCurrentDirectory(const std::filesystem::path &dir)
      : old_(std::filesystem::current_path()) {
    std::filesystem::current_path(dir);
  }
  ~ScopedCurrentDirectory() { std::filesystem::current_path(old_); }
  ScopedCurrentDirectory(const ScopedCurrentDirectory &) = delete;
  ScopedCurrentDirectory &operator=(const ScopedCurrentDirectory &) = delete;

private:
  std::filesystem::path old_;
};

// Installs a clipboard backend for the object's lifetime and puts the one in use before
// back afterwards, also when a check fails on the way: no backend is left installed that
// is gone.
class ScopedClipboard {
public:
  explicit ScopedClipboard(platform::ClipboardBackend &backend);
  ~ScopedClipboard();
  ScopedClipboard(const ScopedClipboard &) = delete;
  ScopedClipboard &operator=(const ScopedClipboard &) = delete;

private:
  platform::ClipboardBackend &previous_;
};

// Makes a code page the system code page for the object's lifetime.
class ScopedCodePage {
public:
  explicit ScopedCodePage(int codePage);
  ~ScopedCodePage();
  ScopedCodePage(const ScopedCodePage &) = delete;
  ScopedCodePage &operator=(const ScopedCodePage &) = delete;

private:
  int old_;
};

std::string ReadBytes(const std::filesystem::path &file);
void WriteBytes(const std::filesystem::path &file, const std::string &bytes);
// The bytes of a UTF-16 file holding text, its byte order mark first.
std::string Utf16File(std::u16string_view text, bool bigEndian = false);

std::filesystem::path TestData(const std::string &relative);
// The workplace's shared folder, or an empty path when it is not there.
std::filesystem::path SharedDir();

} // namespace testsupport
