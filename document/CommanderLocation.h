#pragma once
// Unit misk (HostPaths): finding Total Commander, its folder and its settings file
// wincmd.ini, and telling how each was found. Lookups never report errors: they give
// empty text. Every name is a Windows name, a text of the core; exeFileName is the
// program's own full Windows name, whose folder holds "Corvane.ini" (Settings.h).
#include <optional>
#include <string>

// How Total Commander's folder or its settings file was found, in the order tried.
enum class FoundBy {
  Nothing,         // no step found one: the name is empty (or the empty "wincmd" setting)
  Environment,     // COMMANDER_PATH, COMMANDER_INI
  Setting,         // "commander_path", "wincmd" of the settings file
  CommanderFolder, // wincmd.ini in Total Commander's folder
  SearchPath,      // wincmd.ini in a folder of "Path"
  UninstallEntry,  // a folder an uninstall entry of the Wine prefix's registry names
  UsualFolder,     // a usual installation folder on drive C:
  ApplicationData, // wincmd.ini where Total Commander keeps it by default
};

// What a lookup found and how: Source names what led to it (the variable, the settings
// file, the registry key and value, the application data folder), empty where the rule
// says it all.
struct HostLocation {
  std::string Name;
  FoundBy How = FoundBy::Nothing;
  std::string Source;
};

// Total Commander's directory without a trailing backslash, first found of:
// 1. COMMANDER_PATH naming an existing directory (one trailing backslash removed);
// 2. the "commander_path" setting naming one (likewise);
// 3. a folder holding TOTALCMD.EXE or TOTALCMD64.EXE that an uninstall entry of Total
//    Commander in the machine's registry names (the Wine prefix's, elsewhere than on
//    Windows): the entries "Totalcmd", "Totalcmd64" and "Total Commander" of the key
//    Software\Microsoft\Windows\CurrentVersion\Uninstall, and of the same key below
//    Software\Wow6432Node (where a 32-bit installer writes), each by its values
//    "InstallLocation" (the folder), "DisplayIcon" and "UninstallString" (a file in it,
//    possibly quoted, followed by an icon index or arguments);
// 4. C:\totalcmd, C:\Program Files\totalcmd, C:\Program Files (x86)\totalcmd, when it
//    holds one of those programs.
// Steps 3 and 4 find an installation when nothing names one, as for a program started
// from the desktop's menu. Empty when no step finds one. A folder given as a host path
// ("/home/u/totalcmd") is found as its Windows name ("Z:\home\u\totalcmd"), so that
// every name made from it is one Windows name.
HostLocation LocateCommanderPath(const std::string &exeFileName);
// COMMANDER_PATH as it is set when it names no existing folder, which
// LocateCommanderPath passes over for its next steps; nothing when it is unset or names one.
std::optional<std::string> CommanderPathNamingNoFolder();
// LocateCommanderPath's name.
std::string FindCommanderPath(const std::string &exeFileName);
// The full name of wincmd.ini, first found of:
// 1. COMMANDER_INI, unchecked;
// 2. the file in Total Commander's directory, then in the folders of "Path"
//    (LookUpBareName);
// 3. the "wincmd" setting, unchecked, when it is not empty;
// 4. GHISLER\wincmd.ini, where Total Commander keeps it by default, in the application
//    data folder of the user, APPDATA (elsewhere than on Windows as Wine sets it: the
//    user's "AppData" shell folder, else C:\users\<USERNAME or USER>\AppData\Roaming);
//    only an existing file.
// Empty when no step finds one.
HostLocation LocateWincmdIni(const std::string &exeFileName);
// LocateWincmdIni's name.
std::string FindWincmdIni(const std::string &exeFileName);
// How a location was found, in a few English words without its name or source
// ("uninstall entry in the Wine prefix"): a key the translation may replace.
std::string FoundByText(FoundBy how);
