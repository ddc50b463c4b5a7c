#include "support/TcInstallation.h"

#include "fixtures/PeBuilder.h"
#include "platform/HostFiles.h"
#include "platform/HostPathText.h"
#include "platform/Profile.h"

namespace testsupport {

namespace {

std::string WindowsName(const std::filesystem::path &path) {
  return testsupport::WindowsNameOf(path);
}

} // namespace

TcInstallation::TcInstallation(const std::filesystem::path &folder, const TcFiles &files)
    : folder_(folder), path_("COMMANDER_PATH", WindowsName(folder).c_str()),
      ini_("COMMANDER_INI", WindowsName(folder / "wincmd.ini").c_str()) {
  Write("wincmd.ini", "[Configuration]\r\n");
  if (files.commandList)
    Write("Totalcmd.inc", *files.commandList);
  if (files.iconMappings)
    Write("WCMICONS.INC", *files.iconMappings);
  if (files.userCommands)
    Write("usercmd.ini", *files.userCommands);
  if (files.icons > 0)
    Write("wcmicons.dll", fixtures::BuildIconModule(files.icons));
}

void TcInstallation::Write(const std::string &relative, const std::string &bytes) const {
  WriteBytes(folder_ / platform::HostFsPath(relative), bytes);
  platform::FlushProfileCache();
}

void TcInstallation::Localize(const TcLanguage &language) const {
  const std::string base = "Language/WCMD_" + language.code;
  Write("wincmd.ini", "[Configuration]\r\nLanguageIni=WCMD_" + language.code + ".LNG\r\n");
  if (language.commandList)
    Write(base + ".INC", *language.commandList);
  if (language.userCommands)
    Write(base + ".INI", *language.userCommands);
  if (language.languageFile)
    Write(base + ".LNG", *language.languageFile);
}

} // namespace testsupport
