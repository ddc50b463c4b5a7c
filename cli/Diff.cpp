#include "cli/Cli.h"
#include "cli/JsonWriter.h"
#include "document/BarCompare.h"
#include "document/ButtonList.h"
#include "platform/HostFiles.h"
#include "platform/TextRules.h"

#include <cstdio>

namespace cli {

namespace {

const char *const DiffUsage =
    "usage: corvane-cli diff OLD NEW [--json] [--bytes]\n"
    "Compares two bars as Total Commander reads them: key case, key order, quotes that\n"
    "read back the same, empty keys and the file's encoding make no difference. Buttons\n"
    "are matched by their content and, among equal ones, by their places among their\n"
    "neighbours, so deleting one of many separators is one removal; they are\n"
    "listed as added, removed, moved (from -> to) and changed (field: old -> new), with\n"
    "positions 1-based and fields named by their keys (button, cmd, param, path, menu,\n"
    "iconic); then the keys of other sections that were added, removed or changed.\n"
    "Exit status: 0 the same bar, 1 they differ, 2 a bad argument, 3 a file that cannot\n"
    "be read.\n";

// A button as one line: its tooltip, else its command, quoted.
std::string Label(const barcompare::ButtonContent &button, TextForm form) {
  const std::string &text = button[bfTooltip].empty() ? button[bfCommand] : button[bfTooltip];
  return platform::JoinTexts({"\"", ShownText(text, form), "\""});
}

std::string Quoted(const std::optional<std::string> &text, TextForm form) {
  return text ? platform::JoinTexts({"\"", ShownText(*text, form), "\""}) : "(none)";
}

void PrintText(const barcompare::BarDiff &diff, const barcompare::BarContent &older,
               const barcompare::BarContent &newer, TextForm form) {
  for (int i : diff.Removed)
    std::printf("removed %d %s\n", i + 1, Label(older.Buttons[size_t(i)], form).c_str());
  for (int j : diff.Added)
    std::printf("added %d %s\n", j + 1, Label(newer.Buttons[size_t(j)], form).c_str());
  for (const auto &moved : diff.Moved)
    std::printf("moved %d -> %d %s\n", moved.From + 1, moved.To + 1,
                Label(newer.Buttons[size_t(moved.To)], form).c_str());
  for (const auto &changed : diff.Changed)
    for (const auto &field : changed.Fields)
      std::printf("changed %d -> %d %s: %s -> %s\n", changed.OldPosition + 1,
                  changed.NewPosition + 1, barcompare::FieldKeyName(field.Field),
                  Quoted(field.Old, form).c_str(), Quoted(field.New, form).c_str());
  for (const auto &key : diff.Keys)
    std::printf("%s [%s] %s: %s -> %s\n",
                !key.Old   ? "added"
                : !key.New ? "removed"
                           : "changed",
                ShownText(key.Section, form).c_str(), ShownText(key.Key, form).c_str(),
                Quoted(key.Old, form).c_str(), Quoted(key.New, form).c_str());
}

void PrintButtonList(JsonWriter &json, const char *name, const std::vector<int> &positions,
                     const barcompare::BarContent &bar, TextForm form) {
  json.Key(name);
  json.BeginArray();
  for (int position : positions) {
    json.BeginObject();
    json.Field("position", position + 1);
    for (int field = 0; field < barcompare::FieldCount; ++field)
      json.Field(barcompare::FieldKeyName(field),
                 JsonText(bar.Buttons[size_t(position)][size_t(field)], form));
    json.EndObject();
  }
  json.EndArray();
}

void PrintJsonDiff(const barcompare::BarDiff &diff, const barcompare::BarContent &older,
                   const barcompare::BarContent &newer, TextForm form) {
  JsonWriter json;
  json.BeginObject();
  PrintButtonList(json, "removed", diff.Removed, older, form);
  PrintButtonList(json, "added", diff.Added, newer, form);
  json.Key("moved");
  json.BeginArray();
  for (const auto &moved : diff.Moved) {
    json.BeginObject();
    json.Field("from", moved.From + 1);
    json.Field("to", moved.To + 1);
    json.EndObject();
  }
  json.EndArray();
  json.Key("changed");
  json.BeginArray();
  for (const auto &changed : diff.Changed) {
    json.BeginObject();
    json.Field("from", changed.OldPosition + 1);
    json.Field("to", changed.NewPosition + 1);
    json.Key("fields");
    json.BeginArray();
    for (const auto &field : changed.Fields) {
      json.BeginObject();
      json.Field("field", barcompare::FieldKeyName(field.Field));
      json.Field("old", JsonText(field.Old, form));
      json.Field("new", JsonText(field.New, form));
      json.EndObject();
    }
    json.EndArray();
    json.EndObject();
  }
  json.EndArray();
  json.Key("keys");
  json.BeginArray();
  for (const auto &key : diff.Keys) {
    json.BeginObject();
    json.Field("section", JsonText(key.Section, form));
    json.Field("key", JsonText(key.Key, form));
    OptionalField(json, "old", key.Old, form);
    OptionalField(json, "new", key.New, form);
    json.EndObject();
  }
  json.EndArray();
  json.EndObject();
  json.Finish();
}

} // namespace

barcompare::BarContent ReadBarArgument(const std::string &hostPath) {
  try {
    return barcompare::ReadBarContent(ExistingFile(hostPath));
  } catch (const Failure &e) {
    throw UnreadableBar(e.what());
  } catch (const EBarLoadError &e) {
    throw UnreadableBar(CoreMessageToUtf8(e.what()));
  } catch (const platform::EFileReadError &e) {
    throw UnreadableBar(CoreMessageToUtf8(e.what()));
  }
}

int Diff(const Context &, const Args &args) {
  const ParsedArgs parsed = ParseArgs(args, {{"--json", "--bytes"}, {}});
  if (parsed.help) {
    std::fputs(DiffUsage, stdout);
    return 0;
  }
  parsed.RequirePositional(2, 2, {"OLD bar", "NEW bar"});
  const auto older = ReadBarArgument(parsed.positional[0]);
  const auto newer = ReadBarArgument(parsed.positional[1]);
  const auto diff = barcompare::CompareBars(older, newer);
  if (parsed.Has("--json"))
    PrintJsonDiff(diff, older, newer, parsed.Form());
  else
    PrintText(diff, older, newer, parsed.Form());
  return diff.Same() ? 0 : 1;
}

} // namespace cli
