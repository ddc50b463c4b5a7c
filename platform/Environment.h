#pragma once
// Environment variables as a Windows program sees them. On Windows these are the
// platform's own (Environment_win.cpp). Elsewhere (Environment_posix.cpp) the environment is a
// Windows-like one, built as Wine builds it, over the Wine prefix's registry:
// - names match without regard to case;
// - a variable of the process environment holds, except TEMP and TMP, whose host values
//   are host paths that Wine never passes on, and "Path", which is never the
//   host's PATH (a list of host folders separated by ":") but the PATH value of the
//   prefix's registry, or the Windows default when the prefix has none;
// - else the prefix's registry: the "Environment" and "Volatile Environment" keys of the
//   user's hive, then the system's environment key of the machine's hive;
// - else, for the variables Wine sets for every program (ProgramFiles,
//   ProgramFiles(x86), CommonProgramFiles, CommonProgramFiles(x86), ProgramData,
//   ALLUSERSPROFILE, PUBLIC, USERPROFILE, USERNAME, APPDATA, LOCALAPPDATA, TEMP, TMP,
//   SystemRoot, windir, SystemDrive, HOMEDRIVE, HOMEPATH), the registry value Wine takes it from
//   (the program folders of Software\Microsoft\Windows\CurrentVersion, the profile list, the shell
//   folders), and Wine's default where the prefix holds none: C:\Program Files, C:\Program Files
//   (x86), their Common Files, C:\ProgramData, C:\users\Public, C:\users\<USERNAME or USER> with
//   its AppData\Roaming, AppData\Local and AppData\Local\Temp, C:\windows, C: and \users\<USERNAME
//   or USER>.
// Registry values are texts of the core like every value; expandable ones are expanded.
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
// The Windows folder: the system's on Windows, elsewhere "C:\windows".
std::string WindowsDirectory();

// The value of a variable, or nothing when it is unset.
std::optional<std::string> EnvironmentValue(const std::string &name);

// The shell's special folder of a name as Total Commander writes it after "%$" (DESKTOP,
// PERSONAL, APPDATA, LOCAL_APPDATA, WINDOWS, SYSTEM, PROGRAM_FILES, COMMON_APPDATA, ...:
// ShellFolderTable.h), letter case ignored; nothing for a name the shell does not know.
// On Windows the shell's answer; elsewhere the prefix's "User Shell Folders", then its
// "Shell Folders" key, then Wine's default.
std::optional<std::string> ShellFolderPath(const std::string &name);

// Every %NAME% of a set variable replaced by its value; references to unset variables and
// a lone "%" stay as they are (the rule of the platform's ExpandEnvironmentStrings).
std::string ExpandEnvironmentText(const std::string &text);

} // namespace platform
