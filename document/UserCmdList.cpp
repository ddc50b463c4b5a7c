// The user-defined commands of Total Commander, read whole from "usercmd.ini" beside
// its settings file and from the localized user-command file.
#include "document/ButtonList.h"
#include "document/Globals.h"
#include "document/misk.h"
#include "platform/HostFiles.h"

#include <cctype>
#include <string_view>

namespace {

std::string LowerCase(std::string_view text) {
  std::string lower(text);
  for (char &c : lower)
    c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return lower;
}

// Calls take(line) for each line of the text; CR LF, LF and a lone CR all end a line.
template <typename Take> void ForEachLine(std::string_view text, Take take) {
  size_t start = 0;
  while (start < text.size()) {
    size_t end = text.find_first_of("\r\n", start);
    if (end == std::string_view::npos) {
      take(text.substr(start));
      return;
    }
    take(text.substr(start, end - start));
    start = end + (text.compare(end, 2, "\r\n") == 0 ? 2 : 1);
  }
}

// The field a key of a user command fills, or none. Names are compared lower-cased as
// they stand: a blank before "=" makes the name match nothing.
std::string *FieldOfKey(TButts &command, const std::string &name) {
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

UserCmdList::UserCmdList() {
  ReadFile(ExtractFilePath(FindWincmdIni(ExeFileName)) + "usercmd.ini");
  const std::string localized = FindLocalizedCommandList(ExeFileName);
  if (!localized.empty())
    ReadFile(ChangeFileExt(localized, ".ini"));
}

void UserCmdList::ReadFile(const std::string &fileName) {
  const auto text = platform::ReadFileBytes(fileName);
  if (!text)
    return;
  ForEachLine(*text, [&](std::string_view line) {
    if (line.empty())
      return;
    if (line.front() == '[' && line.back() == ']') {
      auto command = std::make_unique<TButts>();
      command->SourceFile = fileName;
      command->Section = std::string(line);
      Commands.push_back(std::move(command));
    }
    // Key lines before the first header of the whole list belong to no command.
    if (Commands.empty())
      return;
    const size_t equals = line.find('=');
    const std::string_view name = equals == std::string_view::npos ? "" : line.substr(0, equals);
    const std::string_view value = equals == std::string_view::npos ? "" : line.substr(equals + 1);
    if (std::string *field = FieldOfKey(*Commands.back(), LowerCase(name)))
      *field = std::string(value);
  });
}
