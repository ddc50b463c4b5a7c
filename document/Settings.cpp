#include "document/Settings.h"

#include "document/Globals.h"
#include "document/HostPaths.h"
#include "platform/CodePage.h"
#include "platform/Profile.h"

std::string SettingsFileName() {
  return ExtractFilePath(ExeFileName) + "Corvane.ini";
}

void ApplyCodePageSetting() {
  ApplyCodePageSetting(SettingsFileName());
}

void ApplyCodePageSetting(const std::string &settingsFile) {
  const int codePage = platform::ReadProfileInt("Main", "CodePage", 0, settingsFile);
  if (!platform::SetSystemCodePage(codePage))
    platform::SetSystemCodePage(0);
  platform::FlushProfileCache();
}
