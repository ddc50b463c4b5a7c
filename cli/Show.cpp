#include "cli/Cli.h"
#include "cli/JsonWriter.h"
#include "document/ButtonList.h"
#include "platform/HostFiles.h"
#include "platform/Profile.h"
#include "platform/TextRules.h"

#include <cstdio>
#include <memory>
#include <optional>

namespace cli {

namespace {

const char *const ShowUsage =
    "usage: corvane-cli show BAR [--json | --text] [--bytes]\n"
    "Loads BAR as the editor does and prints its buttons (positions 1-based, as in the\n"
    "file's keys). Texts are printed as characters in UTF-8, decoded from the system code\n"
    "page; --bytes prints the bytes the bar holds (in JSON each byte as the code point of\n"
    "the same value).\n"
    "--text prints the bar for comparing its versions (git's textconv): a line \"button\"\n"
    "per button followed by its non-empty fields, one per line, without numbers,\n"
    "then every key of the file's other sections as \"[Section] key = value\". Key case,\n"
    "key order, quoting that reads back the same and the file's encoding do not show. A\n"
    "bar whose count cannot be trusted is printed with every button it holds and a line\n"
    "saying so. A text file that is no bar is printed as it is; binary data is refused.\n";

const char *const FieldNames[] = {"icon", "command", "params", "path", "tooltip", "runmode"};

void PrintText(const std::string &name, const ButtonBar &bar, TextForm form) {
  std::printf("File: %s\nButtons: %d\n", ShownText(name, form).c_str(), bar.Count());
  for (int position = 0; position < bar.Count(); ++position) {
    std::printf("%d\n", position + 1);
    for (int field = bfIconRef; field <= bfRunMode; ++field)
      std::printf("  %-8s %s\n", (std::string(FieldNames[field]) + ":").c_str(),
                  ShownText(bar.GetField(position, field), form).c_str());
  }
}

// One line per field that is set, under a line of its own per button with no number on
// it: a button inserted or removed shows as a block of lines added or removed, and the
// lines of every other button stay as they were.
void PrintStableButtons(const ButtonBar &bar, TextForm form) {
  for (int position = 0; position < bar.Count(); ++position) {
    std::string block = "button\n";
    for (int field = bfIconRef; field <= bfTooltip; ++field) {
      const std::string text = bar.GetField(position, field);
      if (!text.empty())
        block += "  " + std::string(FieldNames[field]) + ": " + ShownText(text, form) + "\n";
    }
    if (const int32_t runMode = bar.Buttons[size_t(position)]->RunMode; runMode != 0)
      block += "  runmode: " + std::to_string(runMode) + "\n";
    WriteOut(block);
  }
}

// Each key line of the section as "[Section] key = value" (a line without "=" without
// " = value"), in file order, with the value as a lookup reads it.
std::string SectionLines(const std::string &section, const std::string &name, TextForm form) {
  const std::string prefix = platform::JoinTexts({"[", ShownText(section, form), "] "});
  std::string lines;
  platform::VisitProfileSection(section, name,
                                [&](std::string_view key, std::optional<std::string_view> value) {
                                  lines += prefix + ShownText(std::string(key), form);
                                  if (value)
                                    lines += " = " + ShownText(std::string(*value), form);
                                  lines += "\n";
                                });
  return lines;
}

// Every section but the bar's own; a section without keys shows its name alone.
void PrintOtherSections(const std::string &name, TextForm form) {
  for (const std::string &section : platform::ProfileSectionNames(name)) {
    if (LowerAscii(section) == "buttonbar")
      continue;
    const std::string lines = SectionLines(section, name, form);
    WriteOut(lines.empty() ? platform::JoinTexts({"[", ShownText(section, form), "]\n"}) : lines);
  }
}

// The text a version-control system compares: never a failure for a text file that can
// be read, as a file in a repository may hold anything; a text that is no bar is printed
// as it is, so that no change of it is hidden. Binary data has no text to compare and is
// refused (ENotABarError). It never names the file, which git gives as a temporary copy
// for one side of a comparison.
void PrintStableText(const std::string &name, const std::string &exeFileName, TextForm form) {
  platform::CheckProfileReadable(name);
  std::unique_ptr<ButtonBar> bar;
  try {
    bar = ButtonBar::Create(name, exeFileName);
  } catch (const ENotABarError &e) {
    const std::optional<std::string> bytes = platform::ReadFileBytes(name);
    if (e.Kind() != BarFileKind::NoBarSection || !bytes)
      throw;
    WriteOut(*bytes);
    return;
  } catch (const EBarCountError &e) {
    const std::string count =
        e.CountText() ? "is \"" + ShownText(*e.CountText(), form) + "\"" : "is missing";
    WriteOut("count untrusted: \"Buttoncount\" " + count + ", buttons up to " +
             std::to_string(e.Highest()) + " shown\n");
    bar = ButtonBar::Create(name, e.Highest(), exeFileName);
  } catch (const EBarLoadError &) {
    // The file was readable, so only a count or a button number beyond what is
    // supported is left.
    WriteOut("count untrusted: more buttons than supported, the keys as they stand\n");
    WriteOut(SectionLines("Buttonbar", name, form));
  }
  if (bar)
    PrintStableButtons(*bar, form);
  PrintOtherSections(name, form);
}

void PrintBarJson(const std::string &name, const ButtonBar &bar, TextForm form) {
  JsonWriter json;
  json.BeginObject();
  json.Field("file", JsonText(name, form));
  json.Field("count", bar.Count());
  json.Key("buttons");
  json.BeginArray();
  for (const auto &button : bar.Buttons) {
    json.BeginObject();
    json.Field("icon", JsonText(button->IconRef, form));
    json.Field("command", JsonText(button->Command, form));
    json.Field("params", JsonText(button->Params, form));
    json.Field("path", JsonText(button->StartPath, form));
    json.Field("tooltip", JsonText(button->Tooltip, form));
    json.Field("runmode", button->RunMode);
    json.EndObject();
  }
  json.EndArray();
  json.EndObject();
  json.Finish();
}

} // namespace

int Show(const Context &context, const Args &args) {
  const ParsedArgs parsed = ParseArgs(args, {{"--json", "--text", "--bytes"}, {}});
  if (parsed.help) {
    std::fputs(ShowUsage, stdout);
    return 0;
  }
  parsed.RequirePositional(1, 1, {"bar file"});
  if (parsed.Has("--json") && parsed.Has("--text"))
    throw UsageError("--json and --text cannot be combined");
  const std::string name = ExistingFile(parsed.positional[0]);
  if (parsed.Has("--text")) {
    PrintStableText(name, context.ExeFileName, parsed.Form());
    return 0;
  }
  ButtonBar bar(name, context.ExeFileName);
  if (parsed.Has("--json"))
    PrintBarJson(name, bar, parsed.Form());
  else
    PrintText(name, bar, parsed.Form());
  return 0;
}

} // namespace cli
