// commands: Total Commander's command catalogue as the command browser shows it.
#include "cli/Cli.h"
#include "document/CommandCatalog.h"
#include "document/Globals.h"

#include <cstdio>
#include <nlohmann/json.hpp>

namespace cli {

namespace {

const char *const CommandsUsage =
    "usage: corvane-cli commands [--category NAME] [--filter TEXT] [--json]\n"
    "Without --category, lists the command browser's categories. With it, lists the rows of\n"
    "the category NAME (its caption, ignoring case, or its 1-based position): name, number,\n"
    "description, and what choosing the row writes (icon reference, command, tooltip).\n"
    "--filter keeps the rows whose raw line holds TEXT, ignoring case (not in user-command\n"
    "categories); without --category it filters \"All\".\n";

const char *KindName(CategoryKind kind) {
  switch (kind) {
  case CategoryKind::All:
    return "all";
  case CategoryKind::Commands:
    return "commands";
  case CategoryKind::UserCommands:
    return "usercommands";
  }
  return "";
}

const char *KindName(RowKind kind) {
  switch (kind) {
  case RowKind::Header:
    return "header";
  case RowKind::Command:
    return "command";
  case RowKind::UserCommand:
    return "usercommand";
  }
  return "";
}

// The category a name stands for: a caption (ignoring case) first, else a position.
size_t FindCategory(const CommandCatalog &catalog, const std::string &name) {
  const auto &categories = catalog.Categories();
  for (size_t i = 0; i < categories.size(); ++i)
    if (LowerAscii(categories[i].Caption) == LowerAscii(name))
      return i;
  if (!name.empty() && name.find_first_not_of("0123456789") == std::string::npos)
    return static_cast<size_t>(
        ParsePosition(name, static_cast<int>(categories.size()), "category position") - 1);
  throw std::runtime_error("no category '" + name + "' (run 'corvane-cli commands' for the list)");
}

void PrintCategories(const CommandCatalog &catalog, bool json) {
  if (json) {
    nlohmann::ordered_json list = nlohmann::ordered_json::array();
    for (const auto &category : catalog.Categories())
      list.push_back({{"caption", JsonText(category.Caption)}, {"kind", KindName(category.Kind)}});
    std::printf("%s\n", nlohmann::ordered_json{{"categories", list}}.dump(2).c_str());
    return;
  }
  size_t position = 0;
  for (const auto &category : catalog.Categories())
    std::printf("%zu %s\n", ++position, category.Caption.c_str());
}

nlohmann::ordered_json Optional(const std::optional<std::string> &text) {
  return text ? nlohmann::ordered_json(JsonText(*text)) : nlohmann::ordered_json(nullptr);
}

void PrintRows(const CommandCatalog &catalog, size_t category, const std::string &filter,
               bool json) {
  const auto rows = catalog.Rows(category, filter);
  if (!json) {
    for (const auto &row : rows) {
      const auto choice = catalog.Choose(row);
      if (row.Kind == RowKind::Header)
        std::printf("== %s ==\n", row.Name.c_str());
      else
        std::printf("%-28s %6s  %-40s %s\n", row.Name.c_str(), row.Number.c_str(),
                    row.Description.c_str(), choice ? choice->IconRef.c_str() : "");
    }
    return;
  }
  nlohmann::ordered_json list = nlohmann::ordered_json::array();
  for (const auto &row : rows) {
    const auto choice = catalog.Choose(row);
    list.push_back({{"kind", KindName(row.Kind)},
                    {"line", JsonText(row.Line)},
                    {"name", JsonText(row.Name)},
                    {"number", JsonText(row.Number)},
                    {"description", JsonText(row.Description)},
                    {"icon", Optional(choice ? std::optional(choice->IconRef) : std::nullopt)},
                    {"command", Optional(choice ? std::optional(choice->Command) : std::nullopt)},
                    {"tooltip", Optional(choice ? choice->Tooltip : std::nullopt)}});
  }
  const auto &chosen = catalog.Categories()[category];
  nlohmann::ordered_json out = {{"category", JsonText(chosen.Caption)},
                                {"kind", KindName(chosen.Kind)},
                                {"filter", JsonText(filter)},
                                {"rows", list}};
  std::printf("%s\n", out.dump(2).c_str());
}

} // namespace

int Commands(const Args &args) {
  const ParsedArgs parsed = ParseArgs(args, {{"--json"}, {"--category", "--filter"}});
  if (parsed.help) {
    std::fputs(CommandsUsage, stdout);
    return 0;
  }
  parsed.RequirePositional(0, 0, {});
  CommandCatalog catalog;
  catalog.Load(ExeFileName);
  if (!catalog.LoadError().empty())
    throw std::runtime_error(catalog.LoadError());
  const auto category = parsed.Value("--category");
  const auto filter = parsed.Value("--filter");
  if (!category && !filter) {
    PrintCategories(catalog, parsed.Has("--json"));
    return 0;
  }
  const size_t index = category ? FindCategory(catalog, *category) : 0;
  PrintRows(catalog, index, filter.value_or(""), parsed.Has("--json"));
  return 0;
}

} // namespace cli
