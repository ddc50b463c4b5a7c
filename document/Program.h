#pragma once
// The start of either front end, the one owner of what the whole process shares: the
// program's own file, the user's copy of its settings, and the system code page the
// settings choose. Both the editor and corvane-cli run it first, before anything reads a
// file; nothing else sets these. Everything that needs the program's file is given it.
#include <optional>
#include <string>

// What the start settled.
struct ProgramStart {
  // The executable's full Windows name, in the code page the settings chose: the base of
  // every lookup of Total Commander's files and the folder of "Corvane.ini", the
  // language files and "corvane.icl".
  std::string ExeFileName;
  // Why the user's own copy of the settings could not be made (the installed ones are
  // read then), or nothing.
  std::optional<std::string> SettingsProblem;
};

// Starts the program whose executable is the host path exeHostPath: an installed program
// gets the user's own copy of its settings (PrepareSettingsFile), then the "CodePage"
// setting becomes the system code page (ApplyCodePageSetting), and the program's name is
// taken in it.
ProgramStart StartProgram(const std::string &exeHostPath);
