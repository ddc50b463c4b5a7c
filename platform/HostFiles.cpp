#include "platform/HostFiles.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <sys/stat.h>
#include <unistd.h>

namespace fs = std::filesystem;

namespace platform {

// Identity mapping for now: host paths are used as they are written.
std::string HostPath(const std::string &windowsName) { return windowsName; }
std::string WindowsName(const std::string &hostPath) { return hostPath; }

namespace {

std::optional<struct stat> StatOf(const std::string &windowsName) {
  const std::string host = HostPath(windowsName);
  struct stat st {};
  if (host.empty() || ::stat(host.c_str(), &st) != 0)
    return std::nullopt;
  return st;
}

std::string WriteErrorText(const std::string &windowsName, int error) {
  return "Cannot write file " + windowsName + ": " + std::strerror(error);
}

} // namespace

bool FileExists(const std::string &windowsName) {
  auto st = StatOf(windowsName);
  return st && S_ISREG(st->st_mode);
}

bool DirectoryExists(const std::string &windowsName) {
  auto st = StatOf(windowsName);
  return st && S_ISDIR(st->st_mode);
}

std::optional<FileStamp> GetFileStamp(const std::string &windowsName) {
  auto st = StatOf(windowsName);
  if (!st || !S_ISREG(st->st_mode))
    return std::nullopt;
  FileStamp stamp;
  stamp.size = static_cast<uint64_t>(st->st_size);
  stamp.modifiedNs = static_cast<int64_t>(st->st_mtim.tv_sec) * 1000000000 + st->st_mtim.tv_nsec;
  return stamp;
}

std::optional<std::string> ReadFileBytes(const std::string &windowsName) {
  const std::string host = HostPath(windowsName);
  if (host.empty() || !FileExists(windowsName))
    return std::nullopt;
  FILE *f = std::fopen(host.c_str(), "rb");
  if (!f)
    return std::nullopt;
  std::string bytes;
  char chunk[65536];
  size_t got;
  while ((got = std::fread(chunk, 1, sizeof chunk, f)) > 0)
    bytes.append(chunk, got);
  const bool failed = std::ferror(f) != 0;
  std::fclose(f);
  if (failed)
    return std::nullopt;
  return bytes;
}

void WriteFileAtomic(const std::string &windowsName, std::string_view bytes) {
  const std::string host = HostPath(windowsName);
  if (host.empty())
    throw EFileWriteError("Cannot write file " + windowsName + ": the name cannot be mapped");
  // A file without any write permission is read-only, as the Windows attribute would make
  // it; refuse it even when the process could override the permission (root).
  struct stat current {};
  if (::stat(host.c_str(), &current) == 0 && (current.st_mode & 0222) == 0)
    throw EFileWriteError("Cannot write file " + windowsName + ": the file is read-only");
  // A temporary file beside the target, so the rename stays on one file system and a
  // crash or a full disk never leaves a half-written file under the real name.
  std::string temp = host + ".corvane-tmp-" + std::to_string(::getpid());
  int fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
  if (fd < 0)
    throw EFileWriteError(WriteErrorText(windowsName, errno));
  size_t done = 0;
  while (done < bytes.size()) {
    ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
    if (n < 0) {
      if (errno == EINTR)
        continue;
      int error = errno;
      ::close(fd);
      ::unlink(temp.c_str());
      throw EFileWriteError(WriteErrorText(windowsName, error));
    }
    done += static_cast<size_t>(n);
  }
  if (::fsync(fd) != 0 || ::close(fd) != 0) {
    int error = errno;
    ::unlink(temp.c_str());
    throw EFileWriteError(WriteErrorText(windowsName, error));
  }
  // Keep the permissions of the file being replaced.
  if (::stat(host.c_str(), &current) == 0)
    ::chmod(temp.c_str(), current.st_mode & 07777);
  if (::rename(temp.c_str(), host.c_str()) != 0) {
    int error = errno;
    ::unlink(temp.c_str());
    throw EFileWriteError(WriteErrorText(windowsName, error));
  }
}

void ReplaceFile(const std::string &fromWindowsName, const std::string &toWindowsName) {
  const std::string from = HostPath(fromWindowsName);
  const std::string to = HostPath(toWindowsName);
  if (from.empty() || to.empty() || ::rename(from.c_str(), to.c_str()) != 0)
    throw EFileWriteError(WriteErrorText(toWindowsName, errno));
}

bool DeleteFileA(const std::string &windowsName) {
  const std::string host = HostPath(windowsName);
  return !host.empty() && ::unlink(host.c_str()) == 0;
}

std::string GetCurrentDirectoryA() {
  std::error_code ec;
  auto cwd = fs::current_path(ec);
  return ec ? std::string() : WindowsName(cwd.string());
}

} // namespace platform
