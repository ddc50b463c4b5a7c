#pragma once
// A made-up Total Commander installation, shared by every suite that needs one: its settings
// file "wincmd.ini" and whichever of the command list, the icon mapping, the user commands,
// the icon library and the language files a test gives, in a folder of its own that
// COMMANDER_PATH and COMMANDER_INI name while the object lives.
#include "support/TestSupport.h"

#include <filesystem>
#include <optional>
#include <string>

namespace testsupport {

// The files of the installation; one not given is not written.
struct TcFiles {
  std::optional<std::string> commandList = std::nullopt;  // "Totalcmd.inc"
  std::optional<std::string> iconMappings = std::nullopt; // "WCMICONS.INC"
  std::optional<std::string> userCommands = std::nullopt; // "usercmd.ini"
  int icons = 0; // group icons of "wcmicons.dll"; 0 writes none
};

// The files of a language, in the installation's "Language" folder; one not given is not
// written.
struct TcLanguage {
  std::string code; // "DEU" names WCMD_DEU.LNG in wincmd.ini
  std::optional<std::string> commandList =
      std::nullopt; // the localized command list WCMD_<code>.INC
  std::optional<std::string> userCommands =
      std::nullopt; // the localized user commands WCMD_<code>.INI
  std::optional<std::string> languageFile =
      std::nullopt; // Total Commander's language file WCMD_<code>.LNG
};

class TcInstallation {
public:
  // Installs into folder (made when missing) a wincmd.ini naming no language.
  explicit TcInstallation(const std::filesystem::path &folder, const TcFiles &files = {});
  TcInstallation(const TcInstallation &) = delete;
  TcInstallation &operator=(const TcInstallation &) = delete;

  const std::filesystem::path &folder() const { return folder_; }
  std::filesystem::path operator/(const std::string &name) const { return folder_ / name; }

  // Writes a file of the installation, folders made as needed; the profile functions read
  // it afresh.
  void Write(const std::string &relative, const std::string &bytes) const;
  // Makes the language the installation's (its wincmd.ini names it) and writes its files.
  void Localize(const TcLanguage &language) const;

private:
  std::filesystem::path folder_;
  ScopedEnv path_, ini_;
};

} // namespace testsupport
