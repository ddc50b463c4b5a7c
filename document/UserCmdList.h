#pragma once
// Unit ButtonList (UserCmdList): the user-defined commands of Total Commander, read whole
// from "usercmd.ini" beside its settings file and from the localized user-command file,
// each a Button with the section and file it came from.
#include "document/ButtonList.h"

#include <memory>
#include <string>
#include <vector>

// The user-defined commands of "usercmd.ini" and of the localized user-command file.
class UserCmdList {
public:
  // exeFileName: the program's full Windows name, whose settings may name wincmd.ini.
  explicit UserCmdList(const std::string &exeFileName);
  static std::unique_ptr<UserCmdList> Create(const std::string &exeFileName) {
    return std::make_unique<UserCmdList>(exeFileName);
  }
  std::vector<std::unique_ptr<Button>> Commands;

private:
  void ReadFile(const std::string &fileName);
};
