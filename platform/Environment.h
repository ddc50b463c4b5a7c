#pragma once
// Environment variables as a Windows program sees them. On Windows these are the
// platform's own. Elsewhere the environment is a Windows-like one, built as Wine builds
// it: names match without regard to case over the process environment; WINDIR and
// SystemRoot default to C:\windows; "Path" is never the host's PATH (a list of host
// folders separated by ":") but the PATH value of the Wine prefix's registry, or the
// Windows default when the prefix has none.
#include <cstdint>
#include <optional>
#include <string>

namespace platform {

// Win32 form: with a buffer large enough, copies the value with its terminating zero and
// returns its length; with no buffer or one too small, returns the size needed including
// the terminating zero; returns 0 for an unset variable (and for an empty value).
uint32_t GetEnvironmentVariableA(const char *name, char *buffer, uint32_t size);

// Win32 form, as GetEnvironmentVariableA counts; elsewhere "C:\windows".
uint32_t GetWindowsDirectoryA(char *buffer, uint32_t size);

// The value of a variable, or nothing when it is unset.
std::optional<std::string> EnvironmentValue(const std::string &name);

// Every %NAME% of a set variable replaced by its value; references to unset variables and
// a lone "%" stay as they are (the rule of the platform's ExpandEnvironmentStrings).
std::string ExpandEnvironmentText(const std::string &text);

} // namespace platform
