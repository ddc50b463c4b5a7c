// The start of either front end.
#include "document/Program.h"

#include "document/Settings.h"
#include "platform/HostFiles.h"

ProgramStart StartProgram(const std::string &exeHostPath) {
  ProgramStart start;
  start.SettingsProblem = PrepareSettingsFile(platform::WindowsName(exeHostPath));
  ApplyCodePageSetting(platform::WindowsName(exeHostPath));
  // The program's own name is a text of the core as well: taken again in the code page.
  start.ExeFileName = platform::WindowsName(exeHostPath);
  return start;
}
