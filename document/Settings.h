#pragma once
// The program's own settings file "Corvane.ini": the one place that knows where it lies, its
// keys and their defaults, for the editor and corvane-cli alike, and the settings both front
// ends apply when they start.
//
// Where it lies: a program run from its build folder (or copied anywhere as a folder of its
// own) reads "Corvane.ini" beside the executable. An installed program cannot count on
// writing into its own folder, and its user edits the path menu and the other settings, so
// it reads the user's own copy, $XDG_CONFIG_HOME/corvane/Corvane.ini ($XDG_CONFIG_HOME is
// ~/.config when unset or not an absolute path), made from the installed defaults beside
// the executable on first use. The installation tells itself so by a marker file,
// "corvane.installed", beside the executable; the installed defaults are read while the
// user's copy does not exist.
//
// The program only reads the file. Every key sits in section "main" (section names compare
// without regard to case, so "Main" is the same section). Text values arrive as the profile
// functions give them through a buffer of 260 characters: at most 259 characters are used.
// A missing file or key gives the default. Nothing is kept between calls: each reads the
// file (through the profile cache), so a setting changed on disk counts at the next call.
// exeFileName is the executable's full Windows name (ProgramStart::ExeFileName); the file
// lies in its folder.
#include <cstdint>
#include <optional>
#include <string>

// Whether the program runs installed: "corvane.installed" lies in the folder of exeFileName.
bool RunsInstalled(const std::string &exeFileName);
// The user's own "Corvane.ini" as a Windows name (see above); empty when neither
// XDG_CONFIG_HOME nor HOME names a folder.
std::string UserSettingsFileName();
// The full Windows name of the "Corvane.ini" in use: the user's own copy when the program
// runs installed and the copy exists, else the one in the folder of exeFileName.
std::string SettingsFileName(const std::string &exeFileName);
// Run once at start: an installed program without the user's own copy gets one, a copy of
// the installed defaults (the folder made as needed); nothing otherwise, nor without
// defaults to copy. Returns why the copy could not be made (the installed defaults are then
// read), or nothing.
std::optional<std::string> PrepareSettingsFile(const std::string &exeFileName);

// "Language" (default "English"): the base name of the program's language file.
std::string LanguageSetting(const std::string &exeFileName);
// "DefaultCache" (default 0): the CacheMode of a bar made or opened, kept as the byte the
// bar holds it in (0 no icon cache, 1 "Links to icl", 2 "With TCMenu").
uint8_t DefaultCacheSetting(const std::string &exeFileName);
// "UseBarIclIcons" (default 1): non-zero checks the files of file commands on disk; exactly
// 1 draws placeholders for missing files and missing icons.
int UseBarIclIconsSetting(const std::string &exeFileName);
// "AskToSaveOnExit" (default 0): whether closing with a modified bar asks to save.
bool AskToSaveOnExitSetting(const std::string &exeFileName);
// "DefIconLib" (default "WCMICONS.DLL"): the icon file the default-library button puts in.
std::string DefIconLibSetting(const std::string &exeFileName);
// "wincmd" (default empty): Total Commander's settings file, when nothing else names one.
std::string WincmdSetting(const std::string &exeFileName);
// "commander_path" (default empty): Total Commander's folder, when COMMANDER_PATH names none.
std::string CommanderPathSetting(const std::string &exeFileName);
// "LocalizedInc" (default empty): the localized command list, when the host's language
// folder holds none.
std::string LocalizedIncSetting(const std::string &exeFileName);
// "CodePage" (default 0): the system code page to use; 0 detects it.
int CodePageSetting(const std::string &exeFileName);
// Makes "CodePage" the system code page, or the detected one when it is missing, 0 or not a
// supported code page. Run at start (StartProgram) before any other file is read: files
// parsed before are read again in the new code page.
void ApplyCodePageSetting(const std::string &exeFileName);