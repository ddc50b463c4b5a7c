#include "cli/Cli.h"
#include "cli/JsonWriter.h"
#include "document/ButtonList.h"
#include "platform/HostFiles.h"

#include <cstdio>

namespace cli {

namespace {

const char *const ShowUsage =
    "usage: corvane-cli show BAR [--json] [--bytes]\n"
    "Loads BAR as the editor does and prints its buttons (positions 1-based, as in the\n"
    "file's keys). Texts are printed as characters in UTF-8, decoded from the system code\n"
    "page; --bytes prints the bytes the bar holds (in JSON each byte as the code point of\n"
    "the same value).\n";

const char *const FieldNames[] = {"icon", "command", "params", "path", "tooltip", "runmode"};

void PrintText(const std::string &name, const ButtonsList &bar, TextForm form) {
  std::printf("File: %s\nButtons: %d\n", ShownText(name, form).c_str(), bar.Count());
  for (int position = 0; position < bar.Count(); ++position) {
    std::printf("%d\n", position + 1);
    for (int field = bfIconRef; field <= bfRunMode; ++field)
      std::printf("  %-8s %s\n", (std::string(FieldNames[field]) + ":").c_str(),
                  ShownText(bar.GetField(position, field), form).c_str());
  }
}

void PrintBarJson(const std::string &name, const ButtonsList &bar, TextForm form) {
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

int Show(const Args &args) {
  const ParsedArgs parsed = ParseArgs(args, {{"--json", "--bytes"}, {}});
  if (parsed.help) {
    std::fputs(ShowUsage, stdout);
    return 0;
  }
  parsed.RequirePositional(1, 1, {"bar file"});
  const std::string name = ExistingFile(parsed.positional[0]);
  ButtonsList bar(name);
  if (parsed.Has("--json"))
    PrintBarJson(name, bar, parsed.Form());
  else
    PrintText(name, bar, parsed.Form());
  return 0;
}

} // namespace cli
