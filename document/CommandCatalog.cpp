// The command catalogue: reading "Totalcmd.inc", the localized command list and
// "WCMICONS.INC", and the rules that turn their lines into categories, rows and choices.
#include "document/CommandCatalog.h"
#include "document/FileNames.h"
#include "document/Resolve.h"
#include "document/UserCmdList.h"
#include "platform/HostFiles.h"
#include "platform/Profile.h"
#include "platform/TextFile.h"
#include "platform/TextRules.h"

#include <algorithm>

namespace {

bool Contains(std::string_view text, std::string_view part) {
  return text.find(part) != std::string_view::npos;
}

std::string WithoutChar(std::string text, char gone) {
  text.erase(std::remove(text.begin(), text.end(), gone), text.end());
  return text;
}

bool IsBlank(std::string_view line) {
  return line.find_first_not_of(" \t") == std::string_view::npos;
}

bool IsComment(std::string_view line) {
  return !line.empty() && line.front() == ';';
}

// A line holding two underscores ends a category and is drawn as a header row.
bool IsHeaderRow(std::string_view line) {
  return Contains(line, "__");
}

std::string FileNameOnly(const std::string &name) {
  return name.substr(ExtractFilePath(name).size());
}

} // namespace

std::string SplitCommandLine(const std::string &line, int part) {
  const size_t equals = line.find('=');
  if (part == 1)
    return equals == std::string::npos ? std::string() : line.substr(0, equals);
  if (IsHeaderRow(line))
    return {};
  const size_t semicolon = line.find(';');
  if (part == 2) {
    const size_t from = equals == std::string::npos ? 0 : equals + 1;
    if (semicolon == std::string::npos || semicolon < from)
      return {};
    return line.substr(from, semicolon - from);
  }
  if (part == 3)
    return semicolon == std::string::npos ? line : line.substr(semicolon + 1);
  return {};
}

std::string CategoryName(const std::string &headerLine) {
  const std::string bare = WithoutChar(headerLine, '_');
  return bare.size() < 4 ? std::string() : bare.substr(1, bare.size() - 4);
}

std::string HeaderName(const std::string &text) {
  return StripEnds(WithoutChar(text, '_'));
}

std::string StripEnds(const std::string &text) {
  return text.size() < 2 ? std::string() : text.substr(1, text.size() - 2);
}

bool FilterMatches(const std::string &filter, const std::string &line) {
  return filter.empty() || Contains(platform::LowerText(line), platform::LowerText(filter));
}

std::vector<std::string> CleanLocalizedLines(std::string_view text) {
  std::vector<std::string> lines;
  for (const std::string_view line : platform::SplitLines(text)) {
    if (IsComment(line))
      continue;
    std::string clean = WithoutChar(std::string(line), '"');
    if (!clean.empty())
      lines.push_back(std::move(clean));
  }
  return lines;
}

std::vector<std::string> CollectAll(const std::vector<std::string> &commandLines) {
  std::vector<std::string> lines;
  for (const auto &line : commandLines)
    if (!IsComment(line))
      lines.push_back(line);
  return lines;
}

std::vector<std::string> CollectCategory(const std::vector<std::string> &commandLines,
                                         size_t headerLine) {
  std::vector<std::string> lines;
  for (size_t i = headerLine + 1; i < commandLines.size(); ++i) {
    // A comment holding two underscores still ends the category.
    if (IsHeaderRow(commandLines[i]))
      break;
    if (!IsComment(commandLines[i]))
      lines.push_back(commandLines[i]);
  }
  return lines;
}

LocalizedTexts::LocalizedTexts(std::vector<std::string> lines) : lines_(std::move(lines)) {
  for (const auto &line : lines_) {
    const size_t equals = line.find('=');
    if (equals != std::string::npos)
      byKey_.emplace(platform::LowerText(line.substr(0, equals)), line.substr(equals + 1));
  }
}

std::string LocalizedTexts::Lookup(const std::string &key) const {
  auto found = byKey_.find(platform::LowerText(key));
  return found == byKey_.end() ? std::string() : found->second;
}

void CommandCatalog::Load(const std::string &exeFileName) {
  *this = CommandCatalog();
  exeFileName_ = exeFileName;
  const std::string listFile = ResolveFile(exeFileName, "Totalcmd.inc");
  const auto text = platform::ReadTextFile(listFile);
  if (!text) {
    loadError_ = platform::EFileReadError::CannotOpen(listFile).Message();
    return;
  }
  for (const std::string_view line : platform::SplitLines(*text))
    if (!IsBlank(line))
      commandLines_.emplace_back(line);
  const std::string localizedName = FindLocalizedCommandList(exeFileName);
  if (!localizedName.empty())
    if (auto localized = platform::ReadTextFile(localizedName))
      localized_ = LocalizedTexts(CleanLocalizedLines(*localized));
  const std::string mapping = ResolveFile(exeFileName, "WCMICONS.INC");
  if (platform::FileExists(mapping))
    iconMappingFile_ = mapping;

  // A localized list that is configured but missing (or holds nothing) leaves the
  // browser untranslated, "All" included, rather than showing an empty first entry.
  categories_.push_back(
      {IsLocalized() ? localized_.Lookup("All") : "All", CategoryKind::All, {}, {}});
  AddCommandCategories();
  AddUserCommandCategories(localizedName);
}

// One entry per header. Untranslated, a repeated name is listed once and that entry
// stands for every header of the name, in file order, so no header is lost and every
// other entry still shows its own header's commands. Translated, every header is
// listed, each with its own commands.
void CommandCatalog::AddCommandCategories() {
  for (size_t i = 0; i < commandLines_.size(); ++i) {
    const std::string &line = commandLines_[i];
    if (!Contains(line, "[__"))
      continue;
    categoryHeaders_.push_back(line);
    headerPositions_.push_back(i);
    const std::string name = CategoryName(line);
    if (IsLocalized()) {
      categories_.push_back({localized_.Lookup(name), CategoryKind::Commands, {i}, {}});
      continue;
    }
    auto same = std::find_if(categories_.begin(), categories_.end(), [&](const auto &category) {
      return platform::EqualNoCase(category.Caption, name);
    });
    if (same == categories_.end())
      categories_.push_back({name, CategoryKind::Commands, {i}, {}});
    else if (same->Kind == CategoryKind::Commands)
      same->HeaderLines.push_back(i);
    // A category named like the "All" entry is reached through "All".
  }
}

void CommandCatalog::AddUserCommandCategories(const std::string &localizedName) {
  categories_.push_back({"usercmd.ini", CategoryKind::UserCommands, {}, "usercmd.ini"});
  const std::string userFile = ChangeFileExt(localizedName, ".ini");
  // Without a localized list the name is just ".ini".
  if (userFile.size() > 4) {
    const std::string name = FileNameOnly(userFile);
    categories_.push_back({name, CategoryKind::UserCommands, {}, name});
  }
}

std::vector<CommandRow> CommandCatalog::Rows(size_t category, const std::string &filter) const {
  if (category >= categories_.size())
    return {};
  const CommandCategory &chosen = categories_[category];
  if (chosen.Kind == CategoryKind::UserCommands)
    return UserCommandRows(chosen.UserFile);
  std::vector<std::string> lines;
  if (chosen.Kind == CategoryKind::All) {
    lines = CollectAll(commandLines_);
  } else {
    for (size_t header : chosen.HeaderLines) {
      auto part = CollectCategory(commandLines_, header);
      lines.insert(lines.end(), part.begin(), part.end());
    }
  }
  std::vector<CommandRow> rows;
  for (const auto &line : lines)
    if (FilterMatches(filter, line))
      rows.push_back(CommandListRow(line));
  return rows;
}

CommandRow CommandCatalog::CommandListRow(const std::string &line) const {
  CommandRow row;
  row.Line = line;
  const std::string name = SplitCommandLine(line, 1);
  if (IsHeaderRow(name)) {
    row.Kind = RowKind::Header;
    row.Name = IsLocalized() ? localized_.Lookup(HeaderName(name)) : HeaderName(name);
    return row;
  }
  // A line holding "__" only after its "=" is drawn as a command line (with empty
  // number and description), but like a header it cannot be chosen.
  row.Kind = RowKind::Command;
  row.Name = name;
  row.Number = SplitCommandLine(line, 2);
  row.Description = IsLocalized() ? localized_.Lookup(row.Number) : SplitCommandLine(line, 3);
  return row;
}

std::vector<CommandRow> CommandCatalog::UserCommandRows(const std::string &userFile) const {
  std::vector<CommandRow> rows;
  const auto commands = UserCmdList::Create(exeFileName_);
  for (const auto &command : commands->Commands) {
    if (FileNameOnly(command->SourceFile) != userFile)
      continue;
    CommandRow row;
    row.Line = command->Section + "=;" + command->Command;
    row.Kind = RowKind::UserCommand;
    row.Name = StripEnds(SplitCommandLine(row.Line, 1));
    const size_t semicolon = row.Line.find(';');
    row.Description = row.Line.substr(semicolon + 1);
    rows.push_back(std::move(row));
  }
  return rows;
}

std::optional<CommandChoice> CommandCatalog::Choose(const CommandRow &row) const {
  const std::string iconFile = "wcmicons.dll,";
  if (row.Kind == RowKind::UserCommand)
    return CommandChoice{iconFile + std::to_string(MappedIconIndex("106")),
                         StripEnds(SplitCommandLine(row.Line, 1)), std::nullopt};
  if (IsHeaderRow(row.Line))
    return std::nullopt;
  const std::string number = SplitCommandLine(row.Line, 2);
  return CommandChoice{iconFile + std::to_string(MappedIconIndex(number)),
                       SplitCommandLine(row.Line, 1),
                       IsLocalized() ? localized_.Lookup(number) : SplitCommandLine(row.Line, 3)};
}

int CommandCatalog::MappedIconIndex(const std::string &number) const {
  if (iconMappingFile_.empty() || number.empty())
    return 0;
  return platform::ReadProfileInt("mappings", number, 0, iconMappingFile_);
}
