// Windows names on Windows: the name is the path, and the system resolves drive letters,
// letter case and trailing dots and blanks itself. Host paths are UTF-8 as on every
// system; the calls here take them as UTF-16.
#include "platform/HostFiles.h"

#include "platform/CodePage.h"
#include "platform/WideText.h"

#include <algorithm>
#include <atomic>
#include <cstdint>
#include <limits>
#include <vector>

#include <windows.h>
// windows.h names its own functions over ours: ReplaceFile would become ReplaceFileA.
#undef ReplaceFile

namespace platform {

namespace {

std::wstring SystemPath(const std::string &windowsName) {
  return WideOfUtf8(HostPath(windowsName));
}

// The system's text for an error, in its code page as the core's texts are.
std::string ErrorText(DWORD error) {
  char *text = nullptr;
  const DWORD size = ::FormatMessageA(
      FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
      nullptr, error, 0, reinterpret_cast<char *>(&text), 0, nullptr);
  std::string message = size ? std::string(text, size) : "error " + std::to_string(error);
  ::LocalFree(text);
  while (!message.empty() && (message.back() == '\n' || message.back() == '\r' ||
                              message.back() == '.' || message.back() == ' '))
    message.pop_back();
  return message;
}

MessageText WriteErrorText(const std::string &windowsName, DWORD error) {
  return Message("Cannot write file %s: %s", {Verbatim(windowsName), Verbatim(ErrorText(error))});
}

class Handle {
public:
  explicit Handle(HANDLE handle) : handle_(handle) {}
  ~Handle() {
    if (Valid())
      ::CloseHandle(handle_);
  }
  Handle(const Handle &) = delete;
  Handle &operator=(const Handle &) = delete;
  bool Valid() const { return handle_ != INVALID_HANDLE_VALUE; }
  HANDLE Get() const { return handle_; }

private:
  HANDLE handle_;
};

// Opened to read, sharing with every other user: a file being written or replaced by
// someone else can still be read, as on POSIX.
HANDLE OpenToRead(const std::wstring &path) {
  return ::CreateFileW(path.c_str(), GENERIC_READ,
                       FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                       OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
}

// FILETIME counts 100 ns from 1601; a stamp counts nanoseconds from 1970.
int64_t UnixNs(FILETIME time) {
  const int64_t ticks = int64_t(uint64_t(time.dwHighDateTime) << 32 | time.dwLowDateTime);
  return (ticks - 116444736000000000) * 100;
}

std::optional<FileStamp> StampOf(HANDLE file) {
  BY_HANDLE_FILE_INFORMATION info{};
  if (!::GetFileInformationByHandle(file, &info) ||
      (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
    return std::nullopt;
  FileStamp stamp;
  stamp.size = uint64_t(info.nFileSizeHigh) << 32 | info.nFileSizeLow;
  stamp.modifiedNs = UnixNs(info.ftLastWriteTime);
  // The file index is unique on its volume, and a replaced file gets a new one.
  stamp.identity = (uint64_t(info.nFileIndexHigh) << 32 | info.nFileIndexLow) ^
                   (uint64_t(info.dwVolumeSerialNumber) << 40);
  return stamp;
}

// Reads from offset until dest is full or the file ends; how many bytes were read, or
// nothing on an error.
std::optional<size_t> ReadAt(HANDLE file, uint64_t offset, std::span<uint8_t> dest) {
  size_t done = 0;
  while (done < dest.size()) {
    const uint64_t at = offset + done;
    if (at < offset)
      return std::nullopt;
    OVERLAPPED position{};
    position.Offset = static_cast<DWORD>(at);
    position.OffsetHigh = static_cast<DWORD>(at >> 32);
    const DWORD want = static_cast<DWORD>(std::min<size_t>(dest.size() - done, 1u << 30));
    DWORD got = 0;
    if (!::ReadFile(file, dest.data() + done, want, &got, &position))
      return ::GetLastError() == ERROR_HANDLE_EOF ? std::optional<size_t>(done) : std::nullopt;
    if (got == 0)
      break;
    done += got;
  }
  return done;
}

// Writes all bytes from the start of the file; 0, or the error of the failed write.
DWORD WriteAll(HANDLE file, std::string_view bytes) {
  size_t done = 0;
  while (done < bytes.size()) {
    OVERLAPPED position{};
    position.Offset = static_cast<DWORD>(uint64_t(done));
    position.OffsetHigh = static_cast<DWORD>(uint64_t(done) >> 32);
    const DWORD want = static_cast<DWORD>(std::min<size_t>(bytes.size() - done, 1u << 30));
    DWORD put = 0;
    if (!::WriteFile(file, bytes.data() + done, want, &put, &position))
      return ::GetLastError();
    done += put;
  }
  return 0;
}

// Cuts (or extends) the file to size bytes and flushes it; 0 or the error.
DWORD EndAndFlush(HANDLE file, uint64_t size) {
  LARGE_INTEGER end{};
  end.QuadPart = static_cast<LONGLONG>(size);
  if (!::SetFilePointerEx(file, end, nullptr, FILE_BEGIN) || !::SetEndOfFile(file) ||
      !::FlushFileBuffers(file))
    return ::GetLastError();
  return 0;
}

std::optional<std::string> ReadAtMost(const std::string &windowsName, uint64_t count) {
  const Handle file(OpenToRead(SystemPath(windowsName)));
  if (!file.Valid())
    return std::nullopt;
  const auto stamp = StampOf(file.Get());
  if (!stamp)
    return std::nullopt;
  std::string bytes(static_cast<size_t>(std::min(count, stamp->size)), '\0');
  const auto read =
      ReadAt(file.Get(), 0, {reinterpret_cast<uint8_t *>(bytes.data()), bytes.size()});
  if (!read)
    return std::nullopt;
  bytes.resize(*read); // a file that shrank meanwhile keeps what could be read
  return bytes;
}

// Writes the file over its old bytes, for a folder that refuses the temporary file beside
// it but lets the file be written; the old bytes are put back when a write fails.
void WriteInPlace(const std::string &windowsName, const std::wstring &path, std::string_view bytes,
                  DWORD refusal) {
  const Handle file(::CreateFileW(path.c_str(), GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ,
                                  nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file.Valid()) {
    const DWORD error = ::GetLastError();
    throw EFileWriteError(
        WriteErrorText(windowsName, error == ERROR_FILE_NOT_FOUND ? refusal : error));
  }
  std::optional<std::string> old;
  if (const auto stamp = StampOf(file.Get())) {
    old.emplace(static_cast<size_t>(stamp->size), '\0');
    if (ReadAt(file.Get(), 0, {reinterpret_cast<uint8_t *>(old->data()), old->size()}) !=
        old->size())
      old.reset();
  }
  DWORD error = WriteAll(file.Get(), bytes);
  if (error == 0)
    error = EndAndFlush(file.Get(), bytes.size());
  if (error != 0 && old && WriteAll(file.Get(), *old) == 0)
    EndAndFlush(file.Get(), old->size());
  if (error != 0)
    throw EFileWriteError(WriteErrorText(windowsName, error));
}

} // namespace

std::string HostPath(const std::string &windowsName) {
  return TextToUtf8(windowsName);
}

// Relative names and "." and ".." are resolved against the current directory, as the
// system does.
std::string WindowsName(const std::string &hostPath) {
  const std::wstring path = WideOfUtf8(hostPath);
  if (path.empty())
    return std::string();
  const DWORD size = ::GetFullPathNameW(path.c_str(), 0, nullptr, nullptr);
  std::wstring full(size, L'\0');
  const DWORD length = size ? ::GetFullPathNameW(path.c_str(), size, full.data(), nullptr) : 0;
  full.resize(length && length < size ? length : 0);
  return Utf8ToText(Utf8OfWide(full.empty() ? path : full));
}

bool FileExists(const std::string &windowsName) {
  const DWORD attributes = ::GetFileAttributesW(SystemPath(windowsName).c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

bool DirectoryExists(const std::string &windowsName) {
  const DWORD attributes = ::GetFileAttributesW(SystemPath(windowsName).c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

// Opened for its attributes only, which no other user's sharing mode can refuse.
std::optional<FileStamp> GetFileStamp(const std::string &windowsName) {
  const Handle file(::CreateFileW(SystemPath(windowsName).c_str(), FILE_READ_ATTRIBUTES,
                                  FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                  OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  return file.Valid() ? StampOf(file.Get()) : std::nullopt;
}

// Folders open only with backup semantics.
std::string FileIdentity(const std::string &windowsName) {
  const Handle file(::CreateFileW(SystemPath(windowsName).c_str(), FILE_READ_ATTRIBUTES,
                                  FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                  OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
  BY_HANDLE_FILE_INFORMATION info{};
  if (!file.Valid() || !::GetFileInformationByHandle(file.Get(), &info))
    return std::string();
  return std::to_string(info.dwVolumeSerialNumber) + ":" +
         std::to_string(uint64_t(info.nFileIndexHigh) << 32 | info.nFileIndexLow);
}

struct ReadOnlyFile::Descriptor {
  explicit Descriptor(HANDLE handle) : file(handle) {}
  Handle file;
};

std::optional<ReadOnlyFile> ReadOnlyFile::Open(const std::string &windowsName) {
  auto descriptor = std::make_shared<const Descriptor>(OpenToRead(SystemPath(windowsName)));
  if (!descriptor->file.Valid() || ::GetFileType(descriptor->file.Get()) != FILE_TYPE_DISK)
    return std::nullopt;
  const auto stamp = StampOf(descriptor->file.Get());
  if (!stamp)
    return std::nullopt;
  return ReadOnlyFile(std::move(descriptor), *stamp);
}

bool ReadOnlyFile::ReadInto(uint64_t offset, std::span<uint8_t> dest) const {
  return ReadAt(descriptor_->file.Get(), offset, dest) == dest.size();
}

std::optional<std::string> ReadFileBytes(const std::string &windowsName) {
  return ReadAtMost(windowsName, std::numeric_limits<uint64_t>::max());
}

std::optional<std::string> ReadFileHead(const std::string &windowsName, size_t count) {
  return ReadAtMost(windowsName, count);
}

void WriteFileAtomic(const std::string &windowsName, std::string_view bytes) {
  const std::wstring path = SystemPath(windowsName);
  if (path.empty())
    throw EFileWriteError(
        Message("Cannot write file %s: the name cannot be mapped", {Verbatim(windowsName)}));
  const DWORD attributes = ::GetFileAttributesW(path.c_str());
  const bool exists = attributes != INVALID_FILE_ATTRIBUTES;
  if (exists && (attributes & FILE_ATTRIBUTE_READONLY))
    throw EFileWriteError(
        Message("Cannot write file %s: the file is read-only", {Verbatim(windowsName)}));
  // A temporary file beside the target, so the move stays on one volume and a crash or a
  // full disk never leaves a half-written file under the real name.
  const std::wstring temp = path + L".corvane-tmp-" + std::to_wstring(::GetCurrentProcessId());
  DWORD error = 0;
  {
    const Handle file(::CreateFileW(temp.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                    FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file.Valid()) {
      error = ::GetLastError();
      if (error == ERROR_ACCESS_DENIED && exists)
        return WriteInPlace(windowsName, path, bytes, error);
      throw EFileWriteError(WriteErrorText(windowsName, error));
    }
    error = WriteAll(file.Get(), bytes);
    if (error == 0 && !::FlushFileBuffers(file.Get()))
      error = ::GetLastError();
  }
  // A hidden or system file stays so.
  if (error == 0 && exists)
    ::SetFileAttributesW(temp.c_str(), attributes & (FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM |
                                                     FILE_ATTRIBUTE_ARCHIVE));
  if (error == 0 && !::MoveFileExW(temp.c_str(), path.c_str(),
                                   MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
    error = ::GetLastError();
  if (error != 0) {
    ::DeleteFileW(temp.c_str());
    throw EFileWriteError(WriteErrorText(windowsName, error));
  }
}

void ReplaceFile(const std::string &fromWindowsName, const std::string &toWindowsName) {
  const std::wstring from = SystemPath(fromWindowsName);
  const std::wstring to = SystemPath(toWindowsName);
  if (from.empty() || to.empty() ||
      !::MoveFileExW(from.c_str(), to.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
    throw EFileWriteError(WriteErrorText(toWindowsName, ::GetLastError()));
}

// A file another handle still holds open (the icon reader keeps the modules it read last)
// is only marked for deletion, and its name stays taken until that handle closes: a save
// that moves a file to the same name again would fail. It is therefore renamed to a name
// of its own first, which frees its name at once, and deleted under that one.
bool DeleteFileA(const std::string &windowsName) {
  static std::atomic<unsigned> deleted{0};
  const std::wstring path = SystemPath(windowsName);
  if (path.empty())
    return false;
  const std::wstring aside = path + L".corvane-deleted-" +
                             std::to_wstring(::GetCurrentProcessId()) + L"-" +
                             std::to_wstring(deleted++);
  if (!::MoveFileExW(path.c_str(), aside.c_str(), 0))
    return ::DeleteFileW(path.c_str());
  if (::DeleteFileW(aside.c_str()))
    return true;
  ::MoveFileExW(aside.c_str(), path.c_str(), 0); // not deleted: the file keeps its name
  return false;
}

std::string GetCurrentDirectoryA() {
  const DWORD size = ::GetCurrentDirectoryW(0, nullptr);
  std::wstring current(size, L'\0');
  const DWORD length = size ? ::GetCurrentDirectoryW(size, current.data()) : 0;
  current.resize(length && length < size ? length : 0);
  return Utf8ToText(Utf8OfWide(current));
}

} // namespace platform
