#pragma once
// INI profile functions with the Windows semantics the bar files, "Corvane.ini",
// "wincmd.ini" and "WCMICONS.INC" rely on, over Windows file names (see HostFiles.h).
//
// Parsed files are cached and validated against the file's size and modification
// time, so key-by-key access costs O(1) per key, not a re-read of the file. Edits
// change only the lines they concern and keep every other byte, the file's line-end
// style (CR LF for a new file) and its encoding (see IniFile.h for the reading rules).
// Outside a ProfileBatch every write reaches the disk at once; inside one, writes
// collect in the cache and the files are written once, atomically, on Commit().
// A write that cannot reach the disk throws platform::EFileWriteError.
// The cache and the batch belong to the calling thread.
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace platform {

// Win32 forms (8-bit). Sizes and results count characters, as the platform does.
// A value arrives without blanks around it and without one pair of enclosing double or
// single quotes, cut to size - 1 characters; a null key gives the section's key list,
// a null section the list of section names, each string NUL-ended and the list closed
// by a second NUL (a list cut by the buffer ends in two NULs and counts size - 2).
// An integer is the value's leading signed decimal number, modulo 2^32.
uint32_t GetPrivateProfileStringA(const char *section, const char *key, const char *defaultValue,
                                  char *buffer, uint32_t size, const char *file);
uint32_t GetPrivateProfileIntA(const char *section, const char *key, int defaultValue,
                               const char *file);
// A null key deletes the section; a null value deletes the key. Returns true on success,
// false for a null section or file; a failure to write the file throws EFileWriteError
// (our layer reports what Windows hides). A write to a missing file creates it, even
// when it changes nothing (deleting a section of a missing file leaves an empty file).
bool WritePrivateProfileStringA(const char *section, const char *key, const char *value,
                                const char *file);
// keys: "k=v\0k2=v2\0\0"; an empty list ("\0") empties the section but keeps its header.
// Every section of that name is emptied; the entries go to the first one, in order.
bool WritePrivateProfileSectionA(const char *section, const char *keys, const char *file);
uint32_t GetPrivateProfileSectionA(const char *section, char *buffer, uint32_t size,
                                   const char *file);
uint32_t GetPrivateProfileSectionNamesA(char *buffer, uint32_t size, const char *file);

// std::string helpers for the rest of the code.
// bufferSize as the Win32 call would get it (the value arrives cut to bufferSize - 1);
// 0 means unlimited: the value arrives whole.
std::string ReadProfileString(const std::string &section, const std::string &key,
                              const std::string &defaultValue, const std::string &file,
                              uint32_t bufferSize = 0);
int ReadProfileInt(const std::string &section, const std::string &key, int defaultValue,
                   const std::string &file);
void WriteProfileString(const std::string &section, const std::string &key,
                        const std::string &value, const std::string &file);
// Appends the key at the end of its section without looking for one of the same name:
// for filling a section just emptied, where no key can be there yet. Never builds the
// section's key index, so writing a whole section costs one pass.
void AppendProfileString(const std::string &section, const std::string &key,
                         const std::string &value, const std::string &file);
void DeleteProfileKey(const std::string &section, const std::string &key, const std::string &file);
// Reads a whole section in one pass, for callers that would otherwise look up most of
// its keys one by one: calls visit(key, value) for every key line in file order, with
// the key as lookups match it and the value exactly as ReadProfileString would give it
// whole, or nothing for a line without "=" (which a lookup finds but reads as missing).
// Where a key stands twice, the first line is the one a lookup finds.
void VisitProfileSection(
    const std::string &section, const std::string &file,
    const std::function<void(std::string_view key, std::optional<std::string_view> value)> &visit);
// One line of a section as it stands, for rewriting the section line by line: a key
// line has its key as lookups match it and, with "=", its value as ReadProfileString
// gives it whole; a blank line is no key.
struct ProfileLine {
  bool isKey = false;
  std::string key;
  std::optional<std::string> value;
};
// Every line after the header of the first section of that name (the one lookups read),
// blank lines and comments included, in file order; empty when there is none.
std::vector<ProfileLine> ProfileSectionLines(const std::string &section, const std::string &file);
// One line of a rewritten section: the line at that index of ProfileSectionLines with a
// new key name and value (as written: quotes and all) where given, or a new line.
struct ProfileLineEdit {
  std::optional<size_t> line;
  std::optional<std::string> key;
  std::optional<std::string> value;
};
// Gives the first section of that name exactly these lines, in this order, and drops its
// other lines; each kept line keeps every byte but what is replaced, and its line end.
// Nothing happens to a file without the section.
void RewriteProfileSection(const std::string &section, const std::vector<ProfileLineEdit> &lines,
                           const std::string &file);
// The names of the file's sections in file order, each name once (as its first section,
// the one lookups read, writes it); the lines before the first header are left out.
std::vector<std::string> ProfileSectionNames(const std::string &file);
// The number GetPrivateProfileIntA reads from a value VisitProfileSection gave, or the
// default for a value that reads as empty.
int ProfileValueToInt(std::optional<std::string_view> value, int defaultValue);

// Removes every key of the first section of that name (the one lookups read) and
// leaves its header in place; later sections of the same name keep their keys. A file
// that is not there stays so.
void EmptyProfileSection(const std::string &section, const std::string &file);

// Throws EFileReadError when the file is there but cannot be read (no permission, an
// I/O error, a folder of that name). Such a file reads as empty, and every write to it
// throws EFileWriteError rather than replace what could not be read; a missing file
// passes.
void CheckProfileReadable(const std::string &file);

// The value to write so that reading it back gives exactly text (a text without line
// breaks): a text with blanks at either end, or enclosed in a pair of the same quote
// character, is wrapped in one more pair of double quotes, as Total Commander writes
// such values; any other text is written as it is.
std::string ExactProfileValue(std::string_view text);

// Collects every profile write made while it lives (on this thread) and writes each
// changed file once on Commit(). Destroyed without Commit(), it drops the pending
// changes: the files on disk and the cache stay as they were before the batch.
// A batch also makes reads trust the cache after the first check of each file, so a
// loader holds one (never committed, nothing written) while it reads a bar key by key;
// a change made on disk meanwhile is seen after the batch. A batch opened inside
// another joins it: its end leaves the pending changes to the outer one, and Commit()
// at any level writes all of them.
class ProfileBatch {
public:
  ProfileBatch();
  ~ProfileBatch();
  ProfileBatch(const ProfileBatch &) = delete;
  ProfileBatch &operator=(const ProfileBatch &) = delete;
  // Writes every changed file (atomically, one by one); throws EFileWriteError. The
  // files not written by then lose their pending changes, so the cache matches the disk.
  void Commit();
};

// Forgets every cached file, pending changes included (tests that change files behind
// the layer's back within the same clock tick use it; the size/mtime check catches
// ordinary changes).
void FlushProfileCache();

} // namespace platform
