// The user-defined commands of Total Commander, read whole from "usercmd.ini" beside
// its settings file and from the localized user-command file.
#include "document/UserCmdList.h"

#include "document/CommanderLocation.h"
#include "document/FileNames.h"
#include "document/Resolve.h"
#include "platform/TextFile.h"
#include "platform/TextRules.h"

#include <string_view>

namespace {

// The field a key of a user command fills, or none. Names are compared lower-cased as
// they stand: a blank before "=" makes the name match nothing.
std::string *FieldOfKey(Button &command, const std::string &name) {
  if (name == "button")
    return &command.IconRef;
  if (name == "cmd")
    return &command.Command;
  if (name == "param")
    return &command.Params;
  if (name == "path")
    return &command.StartPath;
  if (name == "menu")
    return &command.Tooltip;
  return nullptr;
}

} // namespace

UserCmdList::UserCmdList(const std::string &exeFileName) {
  ReadFile(ExtractFilePath(FindWincmdIni(exeFileName)) + "usercmd.ini");
  const std::string localized = FindLocalizedCommandList(exeFileName);
  if (!localized.empty())
    ReadFile(ChangeFileExt(localized, ".ini"));
}

void UserCmdList::ReadFile(const std::string &fileName) {
  const auto text = platform::ReadTextFile(fileName);
  if (!text)
    return;
  for (const std::string_view line : platform::SplitLines(*text)) {
    if (line.empty())
      continue;
    if (line.front() == '[' && line.back() == ']') {
      auto command = std::make_unique<Button>();
      command->SourceFile = fileName;
      command->Section = std::string(line);
      Commands.push_back(std::move(command));
    }
    // Key lines before the first header of the whole list belong to no command.
    if (Commands.empty())
      continue;
    const size_t equals = line.find('=');
    const std::string_view name = equals == std::string_view::npos ? "" : line.substr(0, equals);
    const std::string_view value = equals == std::string_view::npos ? "" : line.substr(equals + 1);
    if (std::string *field = FieldOfKey(*Commands.back(), platform::LowerText(name)))
      *field = std::string(value);
  }
}
