// commands: Total Commander's command catalogue as the command browser shows it.
#include "cli/Cli.h"
#include "cli/JsonWriter.h"
#include "document/CommandCatalog.h"
#include "platform/HostFiles.h"
#include "platform/TextRules.h"

#include <algorithm>
#include <cstdio>

namespace cli {

namespace {

const char *const CommandsUsage =
    "usage: corvane-cli commands [--category NAME] [--filter TEXT] [--json] [--bytes]\n"
    "Without --category, lists the command browser's categories. With it, lists the rows of\n"
    "the category NAME (its caption, ignoring case, or its 1-based position): name, number,\n"
    "description, and what choosing the row writes (icon reference, command, tooltip).\n"
    "--filter keeps the rows whose raw line holds TEXT, ignoring case (not in user-command\n"
    "categories); without --category it filters \"All\". NAME and TEXT are taken as UTF-8\n"
    "and texts are printed as characters; --bytes takes and prints them as the bytes of\n"
    "Total Commander's files (in JSON each byte as the code point of the same value).\n";

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

// The category a name (a text of the core) stands for: a caption, ignoring case, first,
// else a position.
size_t FindCategory(const CommandCatalog &catalog, const std::string &name, TextForm form) {
  const auto &categories = catalog.Categories();
  for (size_t i = 0; i < categories.size(); ++i)
    if (platform::EqualNoCase(categories[i].Caption, name))
      return i;
  if (!name.empty() && name.find_first_not_of("0123456789") == std::string::npos)
    return static_cast<size_t>(
        ParsePosition(name, static_cast<int>(categories.size()), "category position") - 1);
  throw Failure("no category '" + ShownText(name, form) +
                "' (run 'corvane-cli commands' for the list)");
}

// The text as printed, padded with spaces to width characters (bytes with --bytes), so
// that columns line up.
std::string Padded(const std::string &text, size_t width, TextForm form) {
  std::string shown = ShownText(text, form);
  size_t length = shown.size();
  if (form == TextForm::Characters) // UTF-8 continuation bytes add no character
    length -= static_cast<size_t>(std::count_if(shown.begin(), shown.end(), [](char c) {
      return (static_cast<unsigned char>(c) & 0xC0) == 0x80;
    }));
  if (length < width)
    shown.append(width - length, ' ');
  return shown;
}

void PrintCategories(const CommandCatalog &catalog, bool asJson, TextForm form) {
  if (asJson) {
    JsonWriter json;
    json.BeginObject();
    json.Key("categories");
    json.BeginArray();
    for (const auto &category : catalog.Categories()) {
      json.BeginObject();
      json.Field("caption", JsonText(category.Caption, form));
      json.Field("kind", KindName(category.Kind));
      json.EndObject();
    }
    json.EndArray();
    json.EndObject();
    json.Finish();
    return;
  }
  size_t position = 0;
  for (const auto &category : catalog.Categories())
    std::printf("%zu %s\n", ++position, ShownText(category.Caption, form).c_str());
}

void PrintRowsText(const CommandCatalog &catalog, const std::vector<CommandRow> &rows,
                   TextForm form) {
  for (const auto &row : rows) {
    const auto choice = catalog.Choose(row);
    if (row.Kind == RowKind::Header)
      std::printf("== %s ==\n", ShownText(row.Name, form).c_str());
    else
      std::printf("%s %6s  %s %s\n", Padded(row.Name, 28, form).c_str(),
                  ShownText(row.Number, form).c_str(), Padded(row.Description, 40, form).c_str(),
                  choice ? ShownText(choice->IconRef, form).c_str() : "");
  }
}

void PrintRows(const CommandCatalog &catalog, size_t category, const std::string &filter,
               bool asJson, TextForm form) {
  const auto rows = catalog.Rows(category, filter);
  if (!asJson) {
    PrintRowsText(catalog, rows, form);
    return;
  }
  const auto &chosen = catalog.Categories()[category];
  JsonWriter json;
  json.BeginObject();
  json.Field("category", JsonText(chosen.Caption, form));
  json.Field("kind", KindName(chosen.Kind));
  json.Field("filter", JsonText(filter, form));
  json.Key("rows");
  json.BeginArray();
  for (const auto &row : rows) {
    const auto choice = catalog.Choose(row);
    json.BeginObject();
    json.Field("kind", KindName(row.Kind));
    json.Field("line", JsonText(row.Line, form));
    json.Field("name", JsonText(row.Name, form));
    json.Field("number", JsonText(row.Number, form));
    json.Field("description", JsonText(row.Description, form));
    OptionalField(json, "icon", choice ? std::optional(choice->IconRef) : std::nullopt, form);
    OptionalField(json, "command", choice ? std::optional(choice->Command) : std::nullopt, form);
    OptionalField(json, "tooltip", choice ? choice->Tooltip : std::nullopt, form);
    json.EndObject();
  }
  json.EndArray();
  json.EndObject();
  json.Finish();
}

} // namespace

int Commands(const Context &context, const Args &args) {
  const ParsedArgs parsed = ParseArgs(args, {{"--json", "--bytes"}, {"--category", "--filter"}});
  if (parsed.help) {
    std::fputs(CommandsUsage, stdout);
    return 0;
  }
  parsed.RequirePositional(0, 0, {});
  CommandCatalog catalog;
  catalog.Load(context.ExeFileName);
  if (catalog.LoadError())
    throw platform::EFileReadError(*catalog.LoadError());
  const TextForm form = parsed.Form();
  const auto category = parsed.Value("--category");
  const auto filter = parsed.Value("--filter");
  if (!category && !filter) {
    PrintCategories(catalog, parsed.Has("--json"), form);
    return 0;
  }
  const size_t index =
      category ? FindCategory(catalog, TakenText(*category, form, "the category"), form) : 0;
  PrintRows(catalog, index, TakenText(filter.value_or(""), form, "the filter"),
            parsed.Has("--json"), form);
  return 0;
}

} // namespace cli
