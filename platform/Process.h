#pragma once
// The running program as its host knows it: where its executable lies, where the user's
// own settings go, and its standard streams and arguments in the forms the core takes.
// The build picks the back end: Process_posix.cpp or Process_win.cpp. The start of each
// front end asks these once (StartProgram and the programs' main functions).
#include <string>
#include <vector>

namespace platform {

// The host path of the running executable; empty when the system does not tell.
std::string ExecutableHostPath();

// The host folder of the user's own settings: %APPDATA%\corvane on Windows, elsewhere
// $XDG_CONFIG_HOME/corvane, else ~/.config/corvane. Empty when the environment names no
// absolute folder for them.
std::string UserSettingsHostFolder();
// Why UserSettingsHostFolder() is empty: the variables that name no folder.
std::string NoUserSettingsFolderReason();

// Whether a file named on the command line is a host path: on Windows every name is one;
// elsewhere a name starting with "/" is, and any other is a Windows name as typed.
bool IsHostPathArgument(const std::string &argument);

// Standard input, output and error carry bytes as they are: no CR added before an LF written,
// none dropped from input read, and no byte taken for the end of input.
void UseBinaryStandardStreams();

// The program's arguments as UTF-8, the program's name first. Windows hands a program
// its arguments in the ANSI code page, which lacks most characters: they are taken from
// its UTF-16 command line instead. Elsewhere they are the arguments as given.
std::vector<std::string> Utf8Arguments(int argc, char **argv);

} // namespace platform
