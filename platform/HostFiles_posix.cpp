// Windows names over a POSIX file system, as Wine lays Windows' view of the disk out:
// drive letters through the prefix's dosdevices links, letter case matched by Unicode.
#include "platform/HostFiles.h"

#include "platform/CodePage.h"
#include "platform/Utf8.h"
#include "platform/WinePrefix.h"

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <dirent.h>
#include <fcntl.h>
#include <filesystem>
#include <initializer_list>
#include <limits>
#include <mutex>
#include <sys/stat.h>
#include <unistd.h>
#include <unordered_map>
#include <vector>

namespace fs = std::filesystem;

namespace platform {

namespace {

bool IsSeparator(char c) {
  return c == '\\' || c == '/';
}

char LowerAscii(char c) {
  return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

bool IsUtf8(std::string_view text) {
  for (size_t i = 0; i < text.size();)
    if (!NextCodePoint(text, i))
      return false;
  return true;
}

// The key a host name is looked up by without regard to case: each character lower-cased
// by Unicode, one for one (no character stands for two, so "SS" never finds "ß"); bytes
// that are no UTF-8 stay as they are.
std::string FoldedName(std::string_view name) {
  std::string folded;
  folded.reserve(name.size());
  for (size_t i = 0; i < name.size();) {
    const size_t start = i;
    if (static_cast<unsigned char>(name[i]) < 0x80) {
      folded += LowerAscii(name[i++]);
    } else if (const std::optional<uint32_t> cp = NextCodePoint(name, i)) {
      AppendUtf8(LowerCodePoint(*cp), folded);
    } else {
      folded += name[start];
      i = start + 1;
    }
  }
  return folded;
}

std::string JoinHost(const std::string &dir, std::string_view name) {
  std::string joined = dir;
  if (joined.empty() || joined.back() != '/')
    joined += '/';
  joined += name;
  return joined;
}

int64_t ModifiedNs(const struct stat &st) {
  return static_cast<int64_t>(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec;
}

// How long after a change another change may leave a folder's time as it was: a file
// system that keeps times to the second may take the rest of that second (FAT keeps
// them to two); one that keeps finer times moves them on with the kernel's clock, whose
// tick is a few milliseconds.
// A listing or table read within that time of the change is read again when next used.
int64_t SameTickNs(int64_t modifiedNs) {
  return modifiedNs % 1000000000 == 0 ? 2000000000 : 50000000;
}

int64_t NowNs() {
  timespec now{};
  ::clock_gettime(CLOCK_REALTIME, &now);
  return static_cast<int64_t>(now.tv_sec) * 1000000000 + now.tv_nsec;
}

// Host folder of each drive letter of one prefix; empty for an unmapped letter.
using DriveTable = std::array<std::string, 26>;

DriveTable ReadDriveTable(const std::string &prefix) {
  DriveTable drives;
  for (int i = 0; i < 26 && !prefix.empty(); ++i) {
    // Targets are canonical so that host paths reached through symlinks still find
    // their drive in the inverse mapping.
    const std::string link = prefix + "/dosdevices/" + static_cast<char>('a' + i) + ":";
    std::error_code ec;
    auto target = fs::canonical(link, ec);
    if (!ec && fs::is_directory(target, ec))
      drives[static_cast<size_t>(i)] = target.string();
  }
  if (drives[25].empty())
    drives[25] = std::string("/");
  return drives;
}

// Case-insensitive lookup of names within one folder, each folder listed at most once
// while it stays unchanged, however many names are looked up in it (a search path of
// thousands of files is searched for every name a bar holds). A listing is kept while
// the folder's identity and modification time stay the same; one taken within a clock
// tick of the folder's last change (SameTickNs) is not trusted, as a change in the same
// tick leaves the time alone. A trusted listing answers for its folder, at the cost of one stat of
// the folder, instead of a look for the name on the disk. The listings are bounded:
// past kMaxFolders they are all dropped and taken afresh.
class FolderListings {
public:
  // What the trusted listing of `dir` says of `name`: the entry as on disk (as written
  // when the folder holds it so, else the one matching without regard to case), or a
  // missing entry. Nothing when no listing of the folder can be trusted: the disk must
  // tell.
  struct Known {
    std::optional<std::string> entry;
    unsigned char type = DT_UNKNOWN; // the entry's kind as listed (readdir's d_type)
  };
  std::optional<Known> Lookup(const std::string &dir, std::string_view name) {
    std::lock_guard<std::mutex> guard(lock_);
    auto it = listings_.find(dir);
    if (it == listings_.end())
      return std::nullopt;
    struct stat st {};
    if (::stat(dir.c_str(), &st) != 0 || !Trusted(it->second, st))
      return std::nullopt;
    return Match(it->second, name);
  }

  // The entry of `dir` matching `name` without regard to case, listing the folder when
  // no listing of it can be trusted.
  std::optional<std::string> Find(const std::string &dir, std::string_view name) {
    struct stat st {};
    if (::stat(dir.c_str(), &st) != 0 || !S_ISDIR(st.st_mode))
      return std::nullopt;
    std::lock_guard<std::mutex> guard(lock_);
    auto it = listings_.find(dir);
    if (it == listings_.end() || !Trusted(it->second, st)) {
      if (listings_.size() >= kMaxFolders)
        listings_.clear();
      it = listings_.insert_or_assign(dir, Scan(dir, st)).first;
    }
    auto hit = it->second.folded.find(FoldedName(name));
    if (hit == it->second.folded.end())
      return std::nullopt;
    return hit->second;
  }

private:
  struct Listing {
    int64_t modifiedNs = 0;
    uint64_t identity = 0;
    int64_t scannedNs = 0;
    std::unordered_map<std::string, unsigned char> onDisk; // name → d_type
    std::unordered_map<std::string, std::string> folded;   // FoldedName → as on disk
  };
  static constexpr size_t kMaxFolders = 256;

  static uint64_t IdentityOf(const struct stat &st) {
    return (static_cast<uint64_t>(st.st_dev) << 32) ^ static_cast<uint64_t>(st.st_ino);
  }

  // Whether the listing still is the folder's: the same folder, unchanged since, and
  // taken a clock tick or more after its last change.
  static bool Trusted(const Listing &listing, const struct stat &st) {
    return S_ISDIR(st.st_mode) && listing.identity == IdentityOf(st) &&
           listing.modifiedNs == ModifiedNs(st) &&
           listing.scannedNs - listing.modifiedNs >= SameTickNs(listing.modifiedNs);
  }

  static Known Match(const Listing &listing, std::string_view name) {
    auto exact = listing.onDisk.find(std::string(name));
    if (exact == listing.onDisk.end()) {
      auto hit = listing.folded.find(FoldedName(name));
      if (hit == listing.folded.end())
        return {};
      exact = listing.onDisk.find(hit->second);
    }
    return {exact->first, exact->second};
  }

  static Listing Scan(const std::string &dir, const struct stat &st) {
    Listing listing;
    listing.modifiedNs = ModifiedNs(st);
    listing.identity = IdentityOf(st);
    listing.scannedNs = NowNs();
    DIR *d = ::opendir(dir.c_str());
    if (!d)
      return listing;
    while (const dirent *entry = ::readdir(d)) {
      std::string onDisk = entry->d_name;
      // Of several names differing only in case, the smallest wins, whatever order
      // the folder lists them in.
      auto [pos, added] = listing.folded.emplace(FoldedName(onDisk), onDisk);
      if (!added && onDisk < pos->second)
        pos->second = onDisk;
      listing.onDisk.emplace(std::move(onDisk), entry->d_type);
    }
    ::closedir(d);
    return listing;
  }

  std::mutex lock_;
  std::unordered_map<std::string, Listing> listings_;
};

FolderListings &Listings() {
  static FolderListings listings;
  return listings;
}

// The drive table of the current prefix. It is re-read when WINEPREFIX (or HOME) names
// another prefix or when the dosdevices folder changes, so the table costs one stat; a
// table read within a clock tick of a change is read again, as a change in the same
// tick leaves the folder's time alone. Shared, not copied, by every lookup.
std::shared_ptr<const DriveTable> Drives() {
  static std::mutex lock;
  static std::string cachedKey;
  static std::shared_ptr<const DriveTable> cached;
  static int64_t readNs = 0;
  static int64_t changedNs = 0;
  const std::string prefix = WinePrefixDir();
  struct stat st {};
  std::string key = prefix;
  int64_t changed = 0;
  if (!prefix.empty() && ::stat((prefix + "/dosdevices").c_str(), &st) == 0) {
    changed = ModifiedNs(st);
    key += '\n';
    key += std::to_string(changed);
    key += '\n';
    key += std::to_string(st.st_ino);
  }
  std::lock_guard<std::mutex> guard(lock);
  if (!cached || key != cachedKey || readNs - changedNs < SameTickNs(changedNs)) {
    readNs = NowNs();
    cached = std::make_shared<const DriveTable>(ReadDriveTable(prefix));
    cachedKey = key;
    changedNs = changed;
  }
  return cached;
}

// How the components of a name are spelled: a Windows name drops trailing blanks and
// dots of each component, as Windows does when it looks a file up or creates one; a host
// path keeps them, as such names are legal there.
enum class Spelling { Windows, Host };

// The component as Windows reads it: without trailing blanks and dots, except "." and
// "..". A component made only of dots and blanks ("...", " . ") keeps nothing and so
// names the folder it is in, like ".".
std::string_view WindowsComponent(std::string_view component) {
  if (component == "." || component == "..")
    return component;
  while (!component.empty() && (component.back() == ' ' || component.back() == '.'))
    component.remove_suffix(1);
  return component;
}

// Walks the components of a name down from a host folder. ".." never climbs above the
// folder the walk starts from (a drive's root). While the folders exist, a component
// missing as written is looked up without regard to case; below a missing folder the
// components are kept as written, which is where a new file would go.
class PathWalk {
public:
  explicit PathWalk(std::string root) : path_(std::move(root)) {}

  void Add(std::string_view component, Spelling spelling) {
    if (spelling == Spelling::Windows)
      component = WindowsComponent(component);
    if (component.empty() || component == ".")
      return;
    if (component == "..") {
      listedType_ = DT_UNKNOWN;
      if (!marks_.empty()) {
        path_.resize(marks_.back());
        marks_.pop_back();
        existing_ = std::min(existing_, marks_.size());
      }
      return;
    }
    const bool parentExists = existing_ == marks_.size();
    marks_.push_back(path_.size());
    std::string asWritten = JoinHost(path_, component);
    if (auto known = parentExists ? Listings().Lookup(path_, component) : std::nullopt) {
      if (!known->entry) {
        path_ = std::move(asWritten);
        return;
      }
      path_ = JoinHost(path_, *known->entry);
      existing_ = marks_.size();
      listedType_ = known->type;
      return;
    }
    listedType_ = DT_UNKNOWN;
    struct stat st {};
    if (parentExists && ::lstat(asWritten.c_str(), &st) == 0) {
      path_ = std::move(asWritten);
      existing_ = marks_.size();
    } else if (auto found = parentExists ? Listings().Find(path_, component) : std::nullopt) {
      path_ = JoinHost(path_, *found);
      existing_ = marks_.size();
    } else {
      path_ = std::move(asWritten);
    }
  }

  void AddAll(std::string_view rest, Spelling spelling) {
    size_t start = 0;
    for (size_t i = 0; i <= rest.size(); ++i) {
      if (i == rest.size() || IsSeparator(rest[i])) {
        Add(rest.substr(start, i - start), spelling);
        start = i + 1;
      }
    }
  }

  // Adds the components of the pieces at once, when they name an entry of a folder whose
  // trusted listing is kept under the path the other components spell as written: one
  // look at that folder then stands for the look at each component, as the folder found
  // under that path is the one listed, unchanged, and every component on the way exists
  // as written. False, having added nothing, when the components must be added one by
  // one: a ".." among them, or no such listing (a folder spelled in another letter case
  // than on the disk, or not listed yet, or changed since).
  bool AddListed(std::initializer_list<std::pair<std::string_view, Spelling>> pieces) {
    if (path_.empty() || existing_ != marks_.size())
      return false;
    std::vector<std::string_view> components;
    for (auto [rest, spelling] : pieces) {
      size_t start = 0;
      for (size_t i = 0; i <= rest.size(); ++i) {
        if (i != rest.size() && !IsSeparator(rest[i]))
          continue;
        std::string_view component = rest.substr(start, i - start);
        start = i + 1;
        if (spelling == Spelling::Windows)
          component = WindowsComponent(component);
        if (component == "..")
          return false;
        if (!component.empty() && component != ".")
          components.push_back(component);
      }
    }
    if (components.empty())
      return false;
    std::string folder = path_;
    std::vector<size_t> marks;
    for (size_t i = 0; i + 1 < components.size(); ++i) {
      marks.push_back(folder.size());
      folder = JoinHost(folder, components[i]);
    }
    const auto known = Listings().Lookup(folder, components.back());
    if (!known)
      return false;
    marks_.insert(marks_.end(), marks.begin(), marks.end());
    marks_.push_back(folder.size());
    existing_ = marks_.size() - 1;
    listedType_ = known->type;
    path_ = JoinHost(folder, known->entry ? *known->entry : components.back());
    if (known->entry)
      existing_ = marks_.size();
    return true;
  }

  const std::string &Path() const { return path_; }
  // The kind of the last entry as its folder's trusted listing gives it (a file, a
  // folder, a link), DT_UNKNOWN when the disk was asked instead.
  unsigned char ListedType() const { return listedType_; }
  // Whether every component added names an existing entry (an empty walk names none).
  bool Exists() const { return !path_.empty() && existing_ == marks_.size(); }

private:
  std::string path_;
  std::vector<size_t> marks_; // length of path_ before each added component
  size_t existing_ = 0;       // how many added components are known to exist
  unsigned char listedType_ = DT_UNKNOWN;
};

std::string HostCurrentDirectory() {
  std::error_code ec;
  auto cwd = fs::current_path(ec);
  return ec ? std::string() : cwd.string();
}

int DriveIndex(char letter) {
  const char lower = LowerAscii(letter);
  return (lower >= 'a' && lower <= 'z') ? lower - 'a' : -1;
}

// True when host path p lies in folder dir (or is it); both canonical, without a
// trailing slash unless they are the root.
bool LiesIn(const std::string &p, const std::string &dir) {
  if (dir == "/")
    return !p.empty() && p[0] == '/';
  return p.size() >= dir.size() && p.compare(0, dir.size(), dir) == 0 &&
         (p.size() == dir.size() || p[dir.size()] == '/');
}

// The drive whose folder holds host path p (canonical, without a trailing slash): of the
// mapped drives whose targets contain p, the one with the longest target; -1 when none does.
int DriveHolding(const std::string &p, const DriveTable &drives) {
  int best = -1;
  for (int i = 0; i < 26; ++i) {
    const std::string &target = drives[static_cast<size_t>(i)];
    if (!target.empty() && LiesIn(p, target) &&
        (best < 0 || target.size() > drives[static_cast<size_t>(best)].size()))
      best = i;
  }
  return best;
}

std::string BackslashedName(char letter, std::string_view rest) {
  std::string name{letter, ':', '\\'};
  while (!rest.empty() && rest.front() == '/')
    rest.remove_prefix(1);
  for (char c : rest)
    name += (c == '/') ? '\\' : c;
  return name;
}

// The name as the host spells it, in UTF-8: code page text converted, marked text
// without its mark. A name starting with "/" is a host path already, unless it is no
// UTF-8: then it is code page text, as a button holds it.
std::string HostSpelling(const std::string &name) {
  if (name[0] == '/' && IsUtf8(name))
    return name;
  return TextToUtf8(name);
}

// The walk of a non-empty name in the host's spelling (see HostSpelling). Converting
// before the walk splits at the right places: in a double-byte code page the second byte
// of a character may be a backslash.
PathWalk Walk(const std::string &name) {
  // "\\server\share" and "\\?\..." are UNC names, which no drive maps; "//x" stays a
  // host path, as the host reads it.
  if (name.size() >= 2 && IsSeparator(name[0]) && IsSeparator(name[1]) &&
      (name[0] == '\\' || name[1] == '\\'))
    return PathWalk(std::string());
  if (name[0] == '/') {
    PathWalk walk("/");
    if (!walk.AddListed({{name, Spelling::Host}}))
      walk.AddAll(name, Spelling::Host);
    return walk;
  }
  const std::shared_ptr<const DriveTable> table = Drives();
  const DriveTable &drives = *table;
  if (name.size() >= 2 && name[1] == ':' && DriveIndex(name[0]) >= 0) {
    // "C:foo" is taken from the drive's root: Corvane keeps no current folder per drive.
    const std::string &root = drives[static_cast<size_t>(DriveIndex(name[0]))];
    PathWalk walk(root);
    const std::string_view rest = std::string_view(name).substr(2);
    if (!root.empty() && !walk.AddListed({{rest, Spelling::Windows}}))
      walk.AddAll(rest, Spelling::Windows);
    return walk;
  }
  // A rooted name starts at the root of the current directory's drive, a relative name
  // at the current directory within that drive, so that ".." stops at the drive's root
  // as in a name with a drive letter. A current directory outside every drive (Z: mapped
  // elsewhere) is taken from the host's root.
  const std::string cwd = HostCurrentDirectory();
  const int drive = DriveHolding(cwd, drives);
  const std::string root = drive < 0 ? "/" : drives[static_cast<size_t>(drive)];
  PathWalk walk(root);
  const std::string_view within = name[0] == '\\'
                                      ? std::string_view()
                                      : std::string_view(cwd).substr(root == "/" ? 0 : root.size());
  if (walk.AddListed({{within, Spelling::Host}, {name, Spelling::Windows}}))
    return walk;
  walk.AddAll(within, Spelling::Host);
  walk.AddAll(name, Spelling::Windows);
  return walk;
}

// The walk that finds a Windows name on the host (see HostPath).
PathWalk WalkOf(const std::string &windowsName) {
  const std::string name = windowsName.empty() ? std::string() : HostSpelling(windowsName);
  if (name.empty())
    return PathWalk(std::string());
  PathWalk walk = Walk(name);
  // WindowsName keeps the bytes of a host name that is no UTF-8; such a name, when it is
  // not found as code page text, is found again by its bytes.
  if (walk.Exists() || IsMarked(windowsName) || IsUtf8(windowsName))
    return walk;
  PathWalk asBytes = Walk(windowsName);
  return asBytes.Exists() ? asBytes : walk;
}

} // namespace

std::string HostPath(const std::string &windowsName) {
  return WalkOf(windowsName).Path();
}

std::string WindowsName(const std::string &hostPath) {
  if (hostPath.empty())
    return std::string();
  fs::path path(hostPath);
  if (path.is_relative())
    path = fs::path(HostCurrentDirectory()) / path;
  std::error_code ec;
  fs::path canonical = fs::weakly_canonical(path, ec);
  std::string host = (ec ? path.lexically_normal() : canonical.lexically_normal()).string();
  while (host.size() > 1 && host.back() == '/')
    host.pop_back();
  const std::shared_ptr<const DriveTable> table = Drives();
  const DriveTable &drives = *table;
  const int best = DriveHolding(host, drives);
  std::string name;
  if (best < 0) {
    name = BackslashedName('Z', host);
  } else {
    const std::string &target = drives[static_cast<size_t>(best)];
    const size_t skip = target == "/" ? 0 : target.size();
    name = BackslashedName(static_cast<char>('A' + best), std::string_view(host).substr(skip));
  }
  // A host name that is no UTF-8 has no characters to convert: its bytes stay.
  return IsUtf8(name) ? Utf8ToText(name) : name;
}

namespace {

std::optional<struct stat> StatOf(const std::string &windowsName) {
  const std::string host = HostPath(windowsName);
  struct stat st {};
  if (host.empty() || ::stat(host.c_str(), &st) != 0)
    return std::nullopt;
  return st;
}

MessageText WriteErrorText(const std::string &windowsName, int error) {
  return Message("Cannot write file %s: %s",
                 {Verbatim(windowsName), Verbatim(std::strerror(error))});
}

// Writes all bytes to fd from the start of the file; 0, or the errno of the failed write.
int WriteAll(int fd, std::string_view bytes) {
  size_t done = 0;
  while (done < bytes.size()) {
    ssize_t n = ::pwrite(fd, bytes.data() + done, bytes.size() - done, static_cast<off_t>(done));
    if (n < 0 && errno == EINTR)
      continue;
    if (n < 0)
      return errno;
    done += static_cast<size_t>(n);
  }
  return 0;
}

// The bytes of the open regular file of the given size, or nothing when they cannot be
// read.
std::optional<std::string> ReadAll(int fd, off_t size) {
  std::string bytes(static_cast<size_t>(size), '\0');
  size_t done = 0;
  while (done < bytes.size()) {
    ssize_t n = ::pread(fd, bytes.data() + done, bytes.size() - done, static_cast<off_t>(done));
    if (n < 0 && errno == EINTR)
      continue;
    if (n <= 0)
      return std::nullopt;
    done += static_cast<size_t>(n);
  }
  return bytes;
}

// Errors with which a folder refuses a new entry while its files may still be written:
// no permission to add one. A read-only mount (EROFS) is not among them, as it refuses
// writing the file just as well.
bool RefusesNewFiles(int error) {
  return error == EACCES || error == EPERM;
}

// Opens an existing regular file to write over it, for reading too when allowed. Throws
// EFileWriteError: with `refusal` when there is no such file, else with the open's error.
int OpenToWriteOver(const std::string &windowsName, const std::string &host, int refusal) {
  // Non-blocking, so that a FIFO under the name cannot hold the open; it is refused below.
  int fd = ::open(host.c_str(), O_RDWR | O_CLOEXEC | O_NONBLOCK);
  if (fd < 0 && errno == EACCES)
    fd = ::open(host.c_str(), O_WRONLY | O_CLOEXEC | O_NONBLOCK);
  if (fd < 0)
    throw EFileWriteError(WriteErrorText(windowsName, errno == ENOENT ? refusal : errno));
  struct stat st {};
  if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
    ::close(fd);
    throw EFileWriteError(WriteErrorText(windowsName, refusal));
  }
  return fd;
}

// Writes the file over its old bytes, for a folder that refuses the temporary file beside
// it (with error `refusal`) but lets the file be written, as Windows saves there. The file
// is opened without truncation and cut to the new length only once every byte is
// written, so the old blocks are reused and a full disk rarely strikes. When a write
// fails partway, the old bytes (read first, when the file is readable) are written back;
// only when that fails too, or the file could not be read, is the file left a mix: the new
// bytes up to the failure, then the old ones, as after a crash in the middle of the write.
// Throws EFileWriteError naming the file.
void WriteInPlace(const std::string &windowsName, const std::string &host, std::string_view bytes,
                  int refusal) {
  const int fd = OpenToWriteOver(windowsName, host, refusal);
  struct stat st {};
  const std::optional<std::string> old =
      ::fstat(fd, &st) == 0 ? ReadAll(fd, st.st_size) : std::nullopt;
  int error = WriteAll(fd, bytes);
  if (error == 0 && ::ftruncate(fd, static_cast<off_t>(bytes.size())) != 0)
    error = errno;
  if (error == 0 && ::fsync(fd) != 0)
    error = errno;
  if (error != 0 && old && WriteAll(fd, *old) == 0 &&
      ::ftruncate(fd, static_cast<off_t>(old->size())) == 0)
    ::fsync(fd);
  if (::close(fd) != 0 && error == 0)
    error = errno;
  if (error != 0)
    throw EFileWriteError(WriteErrorText(windowsName, error));
}

} // namespace

namespace {

// What a Windows name names: a regular file, a folder, something else or nothing. A name
// the walk did not find is nothing, and an entry that a trusted listing names as a file
// or a folder is one, without a further look at the disk; a link is followed.
enum class EntryKind { Missing, File, Directory, Other };

EntryKind KindOf(const std::string &windowsName) {
  const PathWalk walk = WalkOf(windowsName);
  if (walk.Path().empty() || !walk.Exists())
    return EntryKind::Missing;
  if (walk.ListedType() == DT_REG)
    return EntryKind::File;
  if (walk.ListedType() == DT_DIR)
    return EntryKind::Directory;
  struct stat st {};
  if (::stat(walk.Path().c_str(), &st) != 0)
    return EntryKind::Missing;
  return S_ISREG(st.st_mode)   ? EntryKind::File
         : S_ISDIR(st.st_mode) ? EntryKind::Directory
                               : EntryKind::Other;
}

} // namespace

bool FileExists(const std::string &windowsName) {
  return KindOf(windowsName) == EntryKind::File;
}

bool DirectoryExists(const std::string &windowsName) {
  return KindOf(windowsName) == EntryKind::Directory;
}

namespace {

FileStamp StampOf(const struct stat &st) {
  FileStamp stamp;
  stamp.size = static_cast<uint64_t>(st.st_size);
  stamp.modifiedNs = ModifiedNs(st);
  stamp.identity = (static_cast<uint64_t>(st.st_dev) << 32) ^ static_cast<uint64_t>(st.st_ino);
  return stamp;
}

} // namespace

std::string FileIdentity(const std::string &windowsName) {
  const auto st = StatOf(windowsName);
  return st ? std::to_string(st->st_dev) + ":" + std::to_string(st->st_ino) : std::string();
}

std::optional<FileStamp> GetFileStamp(const std::string &windowsName) {
  auto st = StatOf(windowsName);
  if (!st || !S_ISREG(st->st_mode))
    return std::nullopt;
  return StampOf(*st);
}

struct ReadOnlyFile::Descriptor {
  explicit Descriptor(int fd) : fd(fd) {}
  ~Descriptor() { ::close(fd); }
  Descriptor(const Descriptor &) = delete;
  Descriptor &operator=(const Descriptor &) = delete;
  const int fd;
};

std::optional<ReadOnlyFile> ReadOnlyFile::Open(const std::string &windowsName) {
  const std::string host = HostPath(windowsName);
  // Non-blocking, so that a FIFO under the name cannot hold the open; it is refused below.
  const int fd = host.empty() ? -1 : ::open(host.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
  if (fd < 0)
    return std::nullopt;
  auto descriptor = std::make_shared<const Descriptor>(fd);
  struct stat st {};
  if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode))
    return std::nullopt;
  return ReadOnlyFile(std::move(descriptor), StampOf(st));
}

bool ReadOnlyFile::ReadInto(uint64_t offset, std::span<uint8_t> dest) const {
  size_t done = 0;
  while (done < dest.size()) {
    const uint64_t at = offset + done;
    if (at < offset || at > static_cast<uint64_t>(std::numeric_limits<off_t>::max()))
      return false;
    const ssize_t n =
        ::pread(descriptor_->fd, dest.data() + done, dest.size() - done, static_cast<off_t>(at));
    if (n < 0 && errno == EINTR)
      continue;
    if (n <= 0)
      return false; // an error, or the end of a file shorter than it was
    done += static_cast<size_t>(n);
  }
  return true;
}

std::optional<std::string> ReadFileBytes(const std::string &windowsName) {
  const std::string host = HostPath(windowsName);
  FILE *f = host.empty() ? nullptr : std::fopen(host.c_str(), "rb");
  if (!f)
    return std::nullopt;
  // One read into a buffer of the file's size: icon modules run to megabytes, and a
  // growing buffer filled in chunks costs twice the time.
  struct stat info {};
  std::optional<std::string> bytes;
  if (::fstat(::fileno(f), &info) == 0 && S_ISREG(info.st_mode)) {
    bytes.emplace(static_cast<size_t>(info.st_size), '\0');
    // A file that shrank meanwhile keeps what could be read.
    bytes->resize(std::fread(bytes->data(), 1, bytes->size(), f));
    if (std::ferror(f))
      bytes.reset();
  }
  std::fclose(f);
  return bytes;
}

std::optional<std::string> ReadFileHead(const std::string &windowsName, size_t count) {
  const std::string host = HostPath(windowsName);
  FILE *f = host.empty() ? nullptr : std::fopen(host.c_str(), "rb");
  if (!f)
    return std::nullopt;
  std::optional<std::string> bytes(std::string(count, '\0'));
  bytes->resize(std::fread(bytes->data(), 1, count, f));
  if (std::ferror(f))
    bytes.reset();
  std::fclose(f);
  return bytes;
}

void WriteFileAtomic(const std::string &windowsName, std::string_view bytes) {
  const std::string host = HostPath(windowsName);
  if (host.empty())
    throw EFileWriteError(
        Message("Cannot write file %s: the name cannot be mapped", {Verbatim(windowsName)}));
  // A file without any write permission is read-only, as the Windows attribute would make
  // it; refuse it even when the process could override the permission (root).
  struct stat current {};
  if (::stat(host.c_str(), &current) == 0 && (current.st_mode & 0222) == 0)
    throw EFileWriteError(
        Message("Cannot write file %s: the file is read-only", {Verbatim(windowsName)}));
  // A temporary file beside the target, so the rename stays on one file system and a
  // crash or a full disk never leaves a half-written file under the real name.
  std::string temp = host + ".corvane-tmp-" + std::to_string(::getpid());
  int fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
  if (fd < 0) {
    const int error = errno;
    // Windows saves a writable file in a folder that takes no new file; so do we, in place.
    if (RefusesNewFiles(error))
      return WriteInPlace(windowsName, host, bytes, error);
    throw EFileWriteError(WriteErrorText(windowsName, error));
  }
  int error = WriteAll(fd, bytes);
  if (error == 0 && ::fsync(fd) != 0)
    error = errno;
  if (::close(fd) != 0 && error == 0)
    error = errno;
  if (error != 0) {
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
