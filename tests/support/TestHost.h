#pragma once
// What the test helpers ask of the host system, with a back end for each: TestHost_posix.cpp
// and TestHost_win.cpp, picked by the build.
#include <filesystem>
#include <optional>
#include <string>

namespace testsupport {

// Sets a variable of this process's environment to UTF-8 text, or removes it when `value`
// is null.
void SetHostVariable(const std::string &name, const char *value);
// The variable's value as UTF-8, or nothing when it is unset.
std::optional<std::string> HostVariable(const std::string &name);

// This process's number, to tell apart the temporary folders of suites run side by side.
unsigned long HostProcessId();

// Removes a folder with everything in it, as far as it can. On Windows a file the program
// still holds open (the icon reader keeps the modules it read last) is only marked for
// deletion and keeps its folder from being removed: it is moved out of the folder first.
void RemoveTree(const std::filesystem::path &folder);

// The variable that names the base of the user's settings folder: XDG_CONFIG_HOME on
// POSIX systems, APPDATA on Windows.
extern const char *const kUserSettingsBase;

// Whether a test can take away its own right to read a file it owns: not on Windows, where
// the owner keeps it, nor for root, whom no mode stops.
bool CanDenyReading();

} // namespace testsupport
