#include "cli/Cli.h"
#include "document/ButtonList.h"
#include "platform/HostFiles.h"

#include <cstdio>
#include <nlohmann/json.hpp>

namespace cli {

namespace {

const char *const ShowUsage = "usage: corvane-cli show BAR [--json]\n"
                              "Loads BAR as the editor does and prints its buttons (positions "
                              "1-based, as in the file's keys).\n";

const char *const FieldNames[] = {"icon", "command", "params", "path", "tooltip", "runmode"};

void PrintText(const std::string &name, const ButtonsList &bar) {
  std::printf("File: %s\nButtons: %d\n", name.c_str(), bar.Count());
  for (int position = 0; position < bar.Count(); ++position) {
    std::printf("%d\n", position + 1);
    for (int field = bfIconRef; field <= bfRunMode; ++field)
      std::printf("  %-8s %s\n", (std::string(FieldNames[field]) + ":").c_str(),
                  bar.GetField(position, field).c_str());
  }
}

void PrintJson(const std::string &name, const ButtonsList &bar) {
  nlohmann::ordered_json buttons = nlohmann::ordered_json::array();
  for (const auto &button : bar.Buttons) {
    buttons.push_back({{"icon", JsonText(button->IconRef)},
                       {"command", JsonText(button->Command)},
                       {"params", JsonText(button->Params)},
                       {"path", JsonText(button->StartPath)},
                       {"tooltip", JsonText(button->Tooltip)},
                       {"runmode", button->RunMode}});
  }
  nlohmann::ordered_json out = {
      {"file", JsonText(name)}, {"count", bar.Count()}, {"buttons", buttons}};
  std::printf("%s\n", out.dump(2).c_str());
}

} // namespace

int Show(const Args &args) {
  std::string file;
  bool json = false;
  for (const auto &arg : args) {
    if (arg == "--help") {
      std::fputs(ShowUsage, stdout);
      return 0;
    }
    if (arg == "--json")
      json = true;
    else if (file.empty() && (arg.empty() || arg[0] != '-'))
      file = arg;
    else
      throw UsageError("unexpected argument '" + arg + "'");
  }
  if (file.empty())
    throw UsageError("no bar file given");
  const std::string name = WindowsNameOfArgument(file);
  if (!platform::FileExists(name))
    throw std::runtime_error("cannot open " + file + ": no such file");
  ButtonsList bar(name);
  if (json)
    PrintJson(name, bar);
  else
    PrintText(name, bar);
  return 0;
}

} // namespace cli
