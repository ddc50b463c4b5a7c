#pragma once
// Unit misk (HostPaths): what the platform's shell tells about files: the program a
// document opens with, and the Windows directory. Windows names, texts of the core.
#include <cstddef>
#include <string>

// The program the platform opens the document with, or empty.
std::string FindAssociatedExecutable(const std::string &document, const std::string &directory);
// The text of the platform's executable-name buffer: zero bytes before the first pair of
// zero bytes stand for spaces (a long name may come back so); the text ends at the
// first zero byte left.
std::string ExecutableBufferText(const char *buffer, size_t size);
// The Windows directory.
std::string WindowsDirectory();
