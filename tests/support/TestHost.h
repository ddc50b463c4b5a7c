#pragma once
// What the test helpers ask of the host system, with a back end for each: TestHost_posix.cpp
// and TestHost_win.cpp, picked by the build.
#include <string>

namespace testsupport {

// Sets a variable of this process's environment, or removes it when `value` is null.
void SetHostVariable(const std::string &name, const char *value);

// This process's number, to tell apart the temporary folders of suites run side by side.
unsigned long HostProcessId();

// The variable that names the base of the user's settings folder: XDG_CONFIG_HOME on
// POSIX systems, APPDATA on Windows.
extern const char *const kUserSettingsBase;

// Whether a test can take away its own right to read a file it owns: not on Windows, where
// the owner keeps it, nor for root, whom no mode stops.
bool CanDenyReading();

} // namespace testsupport
