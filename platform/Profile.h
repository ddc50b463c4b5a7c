#pragma once
// INI profile functions with the Windows semantics the bar files, "Corvane.ini",
// "wincmd.ini" and "WCMICONS.INC" rely on, over Windows file names (see HostFiles.h).
//
// Parsed files are cached and validated against the file's size and modification
// time, so key-by-key access costs O(log n) per key, not a re-read of the file.
// Outside a ProfileBatch every write reaches the disk at once; inside one, writes
// collect in the cache and the files are written once, atomically, on Commit().
// A write that cannot reach the disk throws platform::EFileWriteError.
#include <cstdint>
#include <string>

namespace platform {

// Win32 forms (8-bit). Sizes and results count characters, as the platform does.
uint32_t GetPrivateProfileStringA(const char *section, const char *key, const char *defaultValue,
                                  char *buffer, uint32_t size, const char *file);
uint32_t GetPrivateProfileIntA(const char *section, const char *key, int defaultValue,
                               const char *file);
// A null key deletes the section; a null value deletes the key. Returns true on success;
// a failure to write the file throws EFileWriteError (our layer reports what Windows hides).
bool WritePrivateProfileStringA(const char *section, const char *key, const char *value,
                                const char *file);
// keys: "k=v\0k2=v2\0\0"; an empty list ("\0") empties the section but keeps its header.
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
void DeleteProfileKey(const std::string &section, const std::string &key, const std::string &file);
// Removes every key of the section and leaves its header in place.
void EmptyProfileSection(const std::string &section, const std::string &file);

// Collects every profile write made while it lives (on this thread) and writes each
// changed file once on Commit(). Destroyed without Commit(), it drops the pending
// changes: the files on disk and the cache stay as they were before the batch.
class ProfileBatch {
public:
  ProfileBatch();
  ~ProfileBatch();
  ProfileBatch(const ProfileBatch &) = delete;
  ProfileBatch &operator=(const ProfileBatch &) = delete;
  // Writes every changed file (atomically, one by one); throws EFileWriteError.
  void Commit();
};

// Forgets every cached file (tests that change files behind the layer's back within
// the same second use it; the size/mtime check catches ordinary changes).
void FlushProfileCache();

} // namespace platform
