#pragma once
// Shell lookups. On Windows the platform's own; elsewhere the same rules over the files
// of the Wine prefix, so that Corvane and Total Commander under Wine agree.
#include <cstdint>

namespace platform {

constexpr intptr_t kShellFileNotFound = 2;   // SE_ERR_FNF
constexpr intptr_t kShellNoAssociation = 31; // SE_ERR_NOASSOC
constexpr uint32_t kShellResultSize = 260;   // MAX_PATH: the size of FindExecutableA's result

// The program that opens the document file (a Windows name, relative to directory when
// directory is given and not empty, else to the current directory), written to result
// (kShellResultSize bytes, always terminated). Returns more than 32 on success: an .exe
// or .com file names itself, any other file the program of its extension's "open"
// command. A missing document gives kShellFileNotFound, a file without an associated
// program kShellNoAssociation; result is then empty.
intptr_t FindExecutableA(const char *file, const char *directory, char *result);

} // namespace platform
