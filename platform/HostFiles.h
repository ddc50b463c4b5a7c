#pragma once
// Windows file names over the host's file system. Every file name inside the core is a
// Windows name ("C:\Tools\tool.exe", "Language\deu.inc"); only this layer turns one into
// a host path. The build picks the back end. On Windows (HostFiles_win.cpp) the name is
// the path, spelled in UTF-8 as every host path is, and the system finds the file.
// Elsewhere (HostFiles_posix.cpp) names follow Wine's view of the disk: drive letters
// map through $WINEPREFIX/dosdevices/<letter>: (prefix ~/.wine when WINEPREFIX is
// unset), Z: is / when no prefix maps it, a name starting with / is already a host
// path, \ and / both separate, a relative name is relative to the current directory
// (".." stops at its drive's root), and each component that does not exist as written
// is matched without regard to case. As on Windows, trailing blanks and dots of a
// component are dropped, both to find a file and to create one ("x.txt." is "x.txt");
// a component of only dots and blanks other than ".." names its folder, like ".". A
// host path keeps its components as written. UNC names find nothing. A folder is
// listed for such matching at most once while it stays unchanged, however many names are
// looked up in it; a change made there by anyone is seen by the next lookup.
//
// Windows names are texts of the core: code page bytes, or UTF-8 marked for a character
// the code page lacks (CodePage.h). Host names are UTF-8, as Wine keeps them on the disk;
// the two are converted into each other here and nowhere else. Letter case is compared
// by Unicode, character for character ("ΩMEGA.EXE" finds "ωmega.exe"; "SS" is not "ß").
#include "platform/MessageText.h"

#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <stdexcept>
#include <string>
#include <string_view>

namespace platform {

// A write that did not reach the disk; what() names the file and the reason.
class EFileWriteError : public EMessageError {
public:
  using EMessageError::EMessageError;
};

// A file could not be read; what() names the file, and the reason when the file is there.
class EFileReadError : public EMessageError {
public:
  using EMessageError::EMessageError;
  // A file that is missing or cannot be opened: "Cannot open file "name"".
  static EFileReadError CannotOpen(const std::string &windowsName);
};

// The host path of a Windows name; for a name that does not exist (yet), the path it
// would be created at. Empty when the name cannot be mapped (UNC, unmapped drive). A
// name starting with "/" is a host path and taken as its bytes when they are UTF-8,
// else as code page text. A name that is no UTF-8 and is not found as code page text is
// looked up by its bytes, as WindowsName keeps them.
std::string HostPath(const std::string &windowsName);
// The Windows name of a host path: the mapped drive with the longest matching target,
// else Z: with backslashes; in the code page, or marked UTF-8 when the code page lacks
// a character of it. A host path that is no UTF-8 keeps its bytes.
std::string WindowsName(const std::string &hostPath);

bool FileExists(const std::string &windowsName);      // an existing regular file
bool DirectoryExists(const std::string &windowsName); // an existing directory

// What tells one version of a file from another: a replaced file (written beside and
// renamed over) has a new identity even when size and time agree.
struct FileStamp {
  uint64_t size = 0;
  int64_t modifiedNs = 0;
  uint64_t identity = 0;
  bool operator==(const FileStamp &) const = default;
};
std::optional<FileStamp> GetFileStamp(const std::string &windowsName);

// Which file or folder a name stands for, the same for every name of it (other letter
// case, a link, a short name): its volume and its number there. Empty when it is missing.
std::string FileIdentity(const std::string &windowsName);

// A regular file open for reading, its bytes read by range: a reader of a large module
// takes its headers, its resource directory and the resources it uses, and no other
// byte is read. Reads go by offset (pread) rather than through a mapping, so a file that
// shrinks or changes while open can never fault its reader: bytes the file no longer
// holds are simply not read. Copies share the open file, closed with the last of them.
class ReadOnlyFile {
public:
  // Nothing when the name cannot be mapped, or names no regular file that opens.
  static std::optional<ReadOnlyFile> Open(const std::string &windowsName);
  // The file's size and stamp as they were when it was opened.
  uint64_t Size() const { return stamp_.size; }
  const FileStamp &Stamp() const { return stamp_; }
  // Fills dest with the bytes at offset; false when the file ends before them (it may
  // have shrunk since it was opened) or the read fails. dest is written, never cleared.
  bool ReadInto(uint64_t offset, std::span<uint8_t> dest) const;

private:
  struct Descriptor;
  ReadOnlyFile(std::shared_ptr<const Descriptor> descriptor, FileStamp stamp)
      : descriptor_(std::move(descriptor)), stamp_(stamp) {}
  std::shared_ptr<const Descriptor> descriptor_;
  FileStamp stamp_;
};

// The file's bytes, or nothing when it is missing or unreadable.
std::optional<std::string> ReadFileBytes(const std::string &windowsName);
// At most the first count bytes of the file, or nothing when it is missing or unreadable.
std::optional<std::string> ReadFileHead(const std::string &windowsName, size_t count);
// Replaces the file atomically: a temporary file beside it, flushed, renamed over it; on
// failure the old file is untouched. A folder that refuses the temporary file for want of
// permission may still hold a writable file: that file is then written over in place, as
// Windows saves it, and a failure puts the old bytes back where it can. A file without
// write permission is refused as read-only. Throws EFileWriteError naming the file.
void WriteFileAtomic(const std::string &windowsName, std::string_view bytes);
// Renames a file over another (both Windows names); throws EFileWriteError.
void ReplaceFile(const std::string &fromWindowsName, const std::string &toWindowsName);
bool DeleteFileA(const std::string &windowsName);

// The current directory as a Windows name.
std::string GetCurrentDirectoryA();

} // namespace platform
