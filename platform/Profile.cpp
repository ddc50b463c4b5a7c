#include "platform/Profile.h"

#include "platform/HostFiles.h"
#include "platform/IniFile.h"

#include <cerrno>
#include <cstring>
#include <optional>
#include <unordered_map>
#include <utility>
#include <vector>

namespace platform {

namespace {

// One parsed file. Outside a batch it mirrors the disk; inside one it may hold changes
// not yet written (pending), which win over the disk until Commit or the batch's end.
struct CachedFile {
  std::string key;         // the cache key (host path)
  std::string windowsName; // the name the file was first opened by; writes go there
  IniFile ini;
  bool exists = false;
  std::optional<FileStamp> stamp;
  bool pending = false;
  uint64_t trustedIn = 0; // the batch in which the stamp was last checked
  // Why a file that is there could not be read (no permission, an I/O error, a folder
  // of that name); empty when it was read or is missing. Such a file reads as empty
  // but is never written over, and it is read again at every access.
  std::string unreadable;
  bool unreadableSaidBySystem = false; // the system's words, not the program's
};

MessageText UnreadableReason(const CachedFile &cached) {
  return cached.unreadableSaidBySystem ? Verbatim(cached.unreadable) : Message(cached.unreadable);
}

// Each thread keeps its own cache and batch, so nothing here needs a lock.
struct ProfileState {
  std::unordered_map<std::string, CachedFile> files;
  int batchDepth = 0;
  uint64_t batchGeneration = 0;
  std::unordered_map<std::string, std::string> batchNames; // Windows name → cache key
  std::vector<std::string> pending;                        // cache keys, in first-change order
  // The file of the last access within the batch, by the name it was asked by; a bar
  // is read and written key by key, so nearly every access hits it.
  std::string lastName;
  CachedFile *lastFile = nullptr;
};

ProfileState &State() {
  thread_local ProfileState state;
  return state;
}

constexpr size_t kMaxCachedFiles = 64;

std::string CacheKey(const std::string &file) {
  std::string host = HostPath(file);
  // A name no drive maps reads as a missing file; its key cannot clash with a path.
  return host.empty() ? "\n" + file : host;
}

void Load(CachedFile &cached, const std::string &file, const std::optional<FileStamp> &stamp) {
  std::optional<std::string> bytes;
  cached.unreadable.clear();
  cached.unreadableSaidBySystem = false;
  if (stamp) {
    errno = 0;
    bytes = ReadFileBytes(file);
    if (!bytes) {
      cached.unreadable = errno != 0 ? std::strerror(errno) : "read error";
      cached.unreadableSaidBySystem = errno != 0;
    }
  } else if (DirectoryExists(file)) {
    cached.unreadable = "it is a folder";
  }
  cached.ini = IniFile::ParseTaking(bytes ? std::move(*bytes) : std::string());
  cached.exists = stamp.has_value();
  cached.stamp = stamp;
  cached.windowsName = file;
}

// The parsed file, checked against the disk's size and modification time, except
// that within a batch a file checked once is trusted until the batch ends.
CachedFile &Open(const char *name) {
  ProfileState &st = State();
  if (st.lastFile && st.batchDepth > 0 && st.lastName == name &&
      st.lastFile->trustedIn == st.batchGeneration)
    return *st.lastFile;
  const std::string file = name;
  if (st.batchDepth > 0) {
    const auto named = st.batchNames.find(file);
    if (named != st.batchNames.end()) {
      const auto it = st.files.find(named->second);
      if (it != st.files.end() && it->second.trustedIn == st.batchGeneration) {
        st.lastName = file;
        st.lastFile = &it->second;
        return it->second;
      }
    }
  }
  std::string key = CacheKey(file);
  const std::optional<FileStamp> stamp = GetFileStamp(file);
  if (st.batchDepth == 0 && st.files.size() >= kMaxCachedFiles && !st.files.count(key)) {
    st.files.clear();
    st.lastFile = nullptr;
  }
  auto [it, added] = st.files.try_emplace(key);
  CachedFile &cached = it->second;
  if (added || (!cached.pending && (cached.stamp != stamp || !cached.unreadable.empty()))) {
    cached.key = key;
    Load(cached, file, stamp);
  }
  if (st.batchDepth > 0) {
    cached.trustedIn = st.batchGeneration;
    st.batchNames[file] = std::move(key);
    st.lastName = file;
    st.lastFile = &cached;
  }
  return cached;
}

void Store(CachedFile &cached) {
  try {
    WriteFileAtomic(cached.windowsName, cached.ini.Serialize());
  } catch (...) {
    // What the disk holds is unknown to the cache now; the next access reads it again.
    State().lastFile = nullptr;
    State().files.erase(cached.key);
    throw;
  }
  cached.pending = false;
  cached.exists = true;
  cached.stamp = GetFileStamp(cached.windowsName);
}

// Applies one edit; a changed file is written at once, or at Commit within a batch.
// A missing file is created even by an edit that changes nothing, as Windows does.
template <class Edit> void EditProfile(const char *file, Edit edit) {
  CachedFile &cached = Open(file);
  // Writing what was read would replace the whole file with the one key written.
  if (!cached.unreadable.empty())
    throw EFileWriteError(Message("Cannot write file %s: it cannot be read (%s)",
                                  {Verbatim(file), UnreadableReason(cached)}));
  const bool changed = edit(cached.ini);
  if (!changed && cached.exists)
    return;
  ProfileState &st = State();
  if (st.batchDepth == 0) {
    Store(cached);
    return;
  }
  if (!cached.pending)
    st.pending.push_back(cached.key);
  cached.pending = true;
  cached.exists = true;
}

const IniFile *Read(const char *file) {
  return file ? &Open(file).ini : nullptr;
}

// Trailing spaces of a default go, though never its first character (as Windows does).
std::string_view TrimDefault(std::string_view value) {
  size_t end = value.size();
  while (end > 1 && value[end - 1] == ' ')
    --end;
  return value.substr(0, end);
}

bool IsQuoted(std::string_view value) {
  return value.size() >= 2 && (value.front() == '"' || value.front() == '\'') &&
         value.back() == value.front();
}

// One pair of enclosing double or single quotes is not part of the value.
std::string_view Unquote(std::string_view value) {
  value = value.substr(0, value.find('\0'));
  return IsQuoted(value) ? value.substr(1, value.size() - 2) : value;
}

// Copies a value without its quotes, cut to size - 1 characters, and a NUL; size > 0.
// The raw value is cut first and the quotes come off what is left, as Windows does: a
// quoted value cut short loses its opening quote only, so it arrives one character
// shorter than its unquoted text cut to the buffer would be.
uint32_t CopyValue(char *buffer, uint32_t size, std::string_view value) {
  value = value.substr(0, value.find('\0'));
  std::string_view copied = value.substr(0, size - 1);
  if (IsQuoted(value) && !copied.empty())
    copied = copied.substr(1, copied.size() - (copied.size() == value.size() ? 2 : 1));
  std::memcpy(buffer, copied.data(), copied.size());
  buffer[copied.size()] = '\0';
  return static_cast<uint32_t>(copied.size());
}

// Copies at most room - 1 characters and a NUL (lstrcpyn); room > 0.
uint32_t CopyCut(char *out, uint32_t room, std::string_view text) {
  const size_t n = std::min<size_t>(text.size(), room - 1);
  std::memcpy(out, text.data(), n);
  out[n] = '\0';
  return static_cast<uint32_t>(n);
}

struct ListResult {
  uint32_t length = 0; // characters written without the list's final NUL
  bool cut = false;
};

// The lines of a section as a list of NUL-ended strings closed by a second NUL, with
// the platform's rules: comment lines are left out, and so are lines without "=" in
// a key list; a list that does not fit ends in a cut string and two NULs, and its
// length is size - 2.
ListResult WriteList(char *buffer, uint32_t size, const std::vector<IniFile::Entry> &entries,
                     bool withValues) {
  if (size <= 2) {
    buffer[0] = '\0';
    return {};
  }
  uint32_t left = size;
  char *out = buffer;
  for (const IniFile::Entry &entry : entries) {
    if (left <= 2)
      break;
    if ((entry.name.empty() && !entry.value) || (!entry.name.empty() && entry.name[0] == ';'))
      continue;
    if (!withValues && !entry.value)
      continue;
    uint32_t n = CopyCut(out, left - 1, entry.name);
    left -= n + 1;
    out += n + 1;
    if (left < 2)
      break;
    if (withValues && entry.value) {
      out[-1] = '=';
      n = CopyCut(out, left - 1, *entry.value);
      left -= n + 1;
      out += n + 1;
    }
  }
  *out = '\0';
  if (left <= 1) {
    out[-1] = '\0';
    return {size - 2, true};
  }
  return {size - left, false};
}

// Section names as a NUL-separated list closed by a second NUL; cut like WriteList.
uint32_t WriteNames(char *buffer, uint32_t size, const std::vector<std::string> &names) {
  if (size == 1)
    buffer[0] = '\0';
  if (size <= 1)
    return 0;
  uint32_t left = size - 1;
  char *out = buffer;
  for (const std::string &name : names) {
    const auto needed = static_cast<uint32_t>(std::min<size_t>(name.size() + 1, UINT32_MAX));
    if (needed >= left) {
      std::memcpy(out, name.data(), left - 1);
      out += left - 1;
      *out++ = '\0';
      *out = '\0';
      return size - 2;
    }
    std::memcpy(out, name.data(), needed);
    out += needed;
    left -= needed;
  }
  *out = '\0';
  return static_cast<uint32_t>(out - buffer);
}

uint32_t KeyList(const char *section, const char *defaultValue, char *buffer, uint32_t size,
                 const IniFile *ini) {
  std::vector<char> list(size, '\0');
  const ListResult result = WriteList(
      list.data(), size, ini ? ini->Entries(section) : std::vector<IniFile::Entry>{}, false);
  if (list[0] == '\0')
    return CopyValue(buffer, size, defaultValue);
  std::memcpy(buffer, list.data(), result.length);
  buffer[result.length] = '\0';
  if (result.cut)
    buffer[result.length + 1] = '\0';
  return result.length;
}

// The leading signed decimal number after blanks, modulo 2^32; 0 when there is none.
uint32_t LeadingNumber(const char *text) {
  while (*text != '\0' && static_cast<unsigned char>(*text) <= ' ')
    ++text;
  const bool negative = *text == '-';
  if (*text == '-' || *text == '+')
    ++text;
  uint32_t value = 0;
  for (; *text >= '0' && *text <= '9'; ++text)
    value = value * 10u + static_cast<uint32_t>(*text - '0');
  return negative ? 0u - value : value;
}

} // namespace

uint32_t GetPrivateProfileStringA(const char *section, const char *key, const char *defaultValue,
                                  char *buffer, uint32_t size, const char *file) {
  if (!buffer || size == 0)
    return 0;
  const char *dflt = defaultValue ? defaultValue : "";
  const IniFile *ini = Read(file);
  if (!section)
    return WriteNames(buffer, size, ini ? ini->SectionNames() : std::vector<std::string>{});
  if (!key)
    return KeyList(section, dflt, buffer, size, ini);
  const std::optional<std::string_view> value = ini ? ini->Get(section, key) : std::nullopt;
  return CopyValue(buffer, size, value ? *value : TrimDefault(dflt));
}

uint32_t GetPrivateProfileIntA(const char *section, const char *key, int defaultValue,
                               const char *file) {
  // Windows reads the number through a 30-character buffer.
  char buffer[30];
  if (GetPrivateProfileStringA(section, key, "", buffer, sizeof buffer, file) == 0)
    return static_cast<uint32_t>(defaultValue);
  return LeadingNumber(buffer);
}

bool WritePrivateProfileStringA(const char *section, const char *key, const char *value,
                                const char *file) {
  // All three null asks Windows to flush its cache; ours holds nothing unwritten
  // outside a batch, and Windows answers false all the same.
  if (!file || !section)
    return false;
  if (!key)
    EditProfile(file, [&](IniFile &ini) { return ini.DeleteSection(section); });
  else if (!value)
    EditProfile(file, [&](IniFile &ini) { return ini.DeleteKey(section, key); });
  else
    EditProfile(file, [&](IniFile &ini) { return ini.Set(section, key, value); });
  return true;
}

bool WritePrivateProfileSectionA(const char *section, const char *keys, const char *file) {
  if (!file || !section)
    return false;
  if (!keys) {
    EditProfile(file, [&](IniFile &ini) { return ini.DeleteSection(section); });
    return true;
  }
  // An empty list for a file that is not there creates nothing, as Windows does.
  if (keys[0] == '\0' && !Open(file).exists && Open(file).unreadable.empty())
    return true;
  EditProfile(file, [&](IniFile &ini) {
    bool changed = ini.EmptySections(section);
    // Entries without "=" are passed over, as Windows does.
    for (const char *entry = keys; *entry != '\0'; entry += std::strlen(entry) + 1) {
      const char *eq = std::strchr(entry, '=');
      if (eq)
        changed =
            ini.Add(section, std::string_view(entry, static_cast<size_t>(eq - entry)), eq + 1) ||
            changed;
    }
    return changed;
  });
  return true;
}

uint32_t GetPrivateProfileSectionA(const char *section, char *buffer, uint32_t size,
                                   const char *file) {
  if (!section || !buffer || size == 0)
    return 0;
  const IniFile *ini = Read(file);
  const ListResult result =
      WriteList(buffer, size, ini ? ini->Entries(section) : std::vector<IniFile::Entry>{}, true);
  // An empty section reads as an empty list: two NULs.
  if (result.length == 0 && size >= 2)
    buffer[1] = '\0';
  return result.length;
}

uint32_t GetPrivateProfileSectionNamesA(char *buffer, uint32_t size, const char *file) {
  if (!buffer || size == 0)
    return 0;
  const IniFile *ini = Read(file);
  return WriteNames(buffer, size, ini ? ini->SectionNames() : std::vector<std::string>{});
}

std::string ReadProfileString(const std::string &section, const std::string &key,
                              const std::string &defaultValue, const std::string &file,
                              uint32_t bufferSize) {
  if (bufferSize != 0) {
    std::string buffer(bufferSize, '\0');
    buffer.resize(GetPrivateProfileStringA(section.c_str(), key.c_str(), defaultValue.c_str(),
                                           buffer.data(), bufferSize, file.c_str()));
    return buffer;
  }
  const std::optional<std::string_view> value = Open(file.c_str()).ini.Get(section, key);
  return std::string(Unquote(value ? *value : TrimDefault(defaultValue.c_str())));
}

int ReadProfileInt(const std::string &section, const std::string &key, int defaultValue,
                   const std::string &file) {
  return static_cast<int>(
      GetPrivateProfileIntA(section.c_str(), key.c_str(), defaultValue, file.c_str()));
}

void VisitProfileSection(
    const std::string &section, const std::string &file,
    const std::function<void(std::string_view key, std::optional<std::string_view> value)> &visit) {
  Open(file.c_str())
      .ini.VisitKeys(section, [&](std::string_view key, std::optional<std::string_view> value) {
        visit(key, value ? std::optional<std::string_view>(Unquote(*value)) : std::nullopt);
      });
}

std::vector<ProfileLine> ProfileSectionLines(const std::string &section, const std::string &file) {
  std::vector<ProfileLine> lines;
  for (auto &line : Open(file.c_str()).ini.SectionLines(section)) {
    ProfileLine &entry = lines.emplace_back();
    entry.isKey = line.isKey;
    entry.key = std::move(line.name);
    if (line.value)
      entry.value = std::string(Unquote(*line.value));
  }
  return lines;
}

void RewriteProfileSection(const std::string &section, const std::vector<ProfileLineEdit> &lines,
                           const std::string &file) {
  std::vector<IniFile::LineEdit> edits;
  edits.reserve(lines.size());
  for (const ProfileLineEdit &line : lines)
    edits.push_back({line.line, line.key, line.value});
  EditProfile(file.c_str(), [&](IniFile &ini) { return ini.RewriteSection(section, edits); });
}

std::vector<std::string> ProfileSectionNames(const std::string &file) {
  return Open(file.c_str()).ini.DistinctSectionNames();
}

int ProfileValueToInt(std::optional<std::string_view> value, int defaultValue) {
  // The same 30-character buffer GetPrivateProfileIntA reads through.
  char buffer[30];
  if (!value || CopyCut(buffer, sizeof buffer, *value) == 0)
    return defaultValue;
  return static_cast<int>(LeadingNumber(buffer));
}

void WriteProfileString(const std::string &section, const std::string &key,
                        const std::string &value, const std::string &file) {
  WritePrivateProfileStringA(section.c_str(), key.c_str(), value.c_str(), file.c_str());
}

void AppendProfileString(const std::string &section, const std::string &key,
                         const std::string &value, const std::string &file) {
  EditProfile(file.c_str(), [&](IniFile &ini) { return ini.Add(section, key, value); });
}

void DeleteProfileKey(const std::string &section, const std::string &key, const std::string &file) {
  WritePrivateProfileStringA(section.c_str(), key.c_str(), nullptr, file.c_str());
}

void EmptyProfileSection(const std::string &section, const std::string &file) {
  if (!Open(file.c_str()).exists)
    return;
  EditProfile(file.c_str(), [&](IniFile &ini) { return ini.EmptyFirstSection(section); });
}

void CheckProfileReadable(const std::string &file) {
  const CachedFile &cached = Open(file.c_str());
  if (!cached.unreadable.empty())
    throw EFileReadError(
        Message("Cannot read file %s: %s", {Verbatim(file), UnreadableReason(cached)}));
}

std::string ExactProfileValue(std::string_view text) {
  const bool blankAtEnd = !text.empty() && (IsIniBlank(text.front()) || IsIniBlank(text.back()));
  if (!blankAtEnd && !IsQuoted(text))
    return std::string(text);
  std::string wrapped;
  wrapped.reserve(text.size() + 2);
  wrapped += '"';
  wrapped += text;
  wrapped += '"';
  return wrapped;
}

ProfileBatch::ProfileBatch() {
  ProfileState &st = State();
  if (st.batchDepth++ == 0)
    ++st.batchGeneration;
}

ProfileBatch::~ProfileBatch() {
  ProfileState &st = State();
  if (--st.batchDepth > 0)
    return;
  st.lastFile = nullptr;
  for (const std::string &key : st.pending)
    st.files.erase(key);
  st.pending.clear();
  st.batchNames.clear();
}

void ProfileBatch::Commit() {
  ProfileState &st = State();
  std::vector<std::string> keys;
  keys.swap(st.pending);
  for (size_t i = 0; i < keys.size(); ++i) {
    const auto it = st.files.find(keys[i]);
    if (it == st.files.end() || !it->second.pending)
      continue;
    try {
      Store(it->second);
    } catch (...) {
      // The files not written lose their changes, so the cache says what the disk says.
      st.lastFile = nullptr;
      for (size_t j = i + 1; j < keys.size(); ++j)
        st.files.erase(keys[j]);
      throw;
    }
  }
}

void FlushProfileCache() {
  ProfileState &st = State();
  st.lastFile = nullptr;
  st.files.clear();
  st.pending.clear();
  st.batchNames.clear();
}

} // namespace platform
