// resolve: which file a name written in a button stands for, and why.
#include "document/Resolve.h"
#include "cli/Cli.h"
#include "document/ButtonList.h"
#include "document/CommanderLocation.h"
#include "document/FileSearch.h"
#include "document/HostEnvironment.h"
#include "document/Settings.h"
#include "platform/CodePage.h"
#include "platform/HostFiles.h"

#include <cstdio>

namespace cli {

namespace {

const char *const ResolveUsage =
    "usage: corvane-cli resolve NAME [--start-path DIR] [--explain] [--bytes]\n"
    "Prints the file NAME (as written in a button: bare, relative, quoted or holding\n"
    "%VARIABLE%) resolves to, through Total Commander's folder and the search path (a\n"
    "relative name is Total Commander's, whatever the current folder); with\n"
    "--start-path as the bar list looks up a command in its start path too. --explain\n"
    "names the settings file read, Total Commander's folder and its wincmd.ini and how each\n"
    "was found, warns of a COMMANDER_PATH that names no folder and of a %VARIABLE% nothing\n"
    "sets, and lists each step tried. NAME and DIR are taken as UTF-8 and names are\n"
    "printed as characters; --bytes takes and prints them as the bytes a bar holds.\n";

const char *YesNo(bool value) {
  return value ? "yes" : "no";
}

std::string Existence(bool exists) {
  return exists ? " (exists)" : " (missing)";
}

// One step of the lookup as a line of the explanation; names as printed.
std::string StepLine(const ResolveStep &step, TextForm form) {
  const std::string name = ShownText(step.Name, form);
  switch (step.Rule) {
  case ResolveRule::Expanded:
    return "holds %: every reference is expanded and taken without a check: " + name;
  case ResolveRule::Unquoted:
    return "double quotes removed: " + name;
  case ResolveRule::RootedName:
    return "a name from a drive or a root: taken as it stands";
  case ResolveRule::NoCommanderPath:
    return "Total Commander's folder not found (neither COMMANDER_PATH nor \"commander_path\" "
           "names one, nor is one installed in the Wine prefix): its steps are skipped";
  case ResolveRule::InCommanderPath:
    return "in Total Commander's folder: " + name + Existence(step.Exists);
  case ResolveRule::OnSearchPath:
    return "search path for " + name + ": " +
           (step.Exists ? ShownText(step.Found, form) : std::string("not found"));
  case ResolveRule::InFolderOfItsName:
    return "in a folder of its own name: " + name + Existence(step.Exists);
  case ResolveRule::NothingFound:
    return "nothing found: " + name;
  case ResolveRule::StartPathUnused:
    return "changed, so the start path is not used";
  case ResolveRule::AfterStartPath:
    return "not found, so after the start path: " + name + Existence(step.Exists);
  case ResolveRule::RelativeInCommanderPath:
    return "a relative name: in Total Commander's folder: " + name + Existence(step.Exists);
  case ResolveRule::StartPathNotRooted:
    return "the start path " + name + " is relative (to the panel): not tried";
  }
  return {};
}

// "what: name (how: source)", or "what: not found".
void PrintLocation(const char *what, const HostLocation &found, TextForm form) {
  if (found.Name.empty() && found.How == FoundBy::Nothing) {
    std::printf("%s: not found\n", what);
    return;
  }
  const std::string source = found.Source.empty() ? "" : ": " + ShownText(found.Source, form);
  std::printf("%s: %s (%s%s)\n", what, ShownText(found.Name, form).c_str(),
              FoundByText(found.How).c_str(), source.c_str());
}

// What every lookup starts from: the settings read, Total Commander's folder and settings.
// A COMMANDER_PATH the lookup passed over is said, as it is most likely a mistake.
void PrintLocations(const std::string &exeFileName, TextForm form) {
  std::printf("settings: %s\n", ShownText(SettingsFileName(exeFileName), form).c_str());
  if (const auto ignored = CommanderPathNamingNoFolder())
    std::printf("warning: COMMANDER_PATH names no folder: %s\n", ShownText(*ignored, form).c_str());
  PrintLocation("Total Commander's folder", LocateCommanderPath(exeFileName), form);
  PrintLocation("wincmd.ini", LocateWincmdIni(exeFileName), form);
}

// The variables of the name nothing sets: their references stay as written.
void PrintUnsetVariables(const std::string &exeFileName, const std::string &name, TextForm form) {
  for (const std::string &variable : UnsetVariables(exeFileName, name))
    std::printf("warning: %%%s%% is not set: the reference is kept as written\n",
                ShownText(variable, form).c_str());
}

// The steps the lookup took, numbered; the size of the search path before its first use.
void PrintSteps(const ResolveTrace &trace, TextForm form) {
  std::vector<std::string> lines;
  bool searchPathShown = false;
  for (const ResolveStep &step : trace) {
    if (step.Rule == ResolveRule::OnSearchPath && !searchPathShown) {
      std::vector<std::string> dirs;
      lines.push_back("search path (\"Path\"): " + std::to_string(SplitSearchPath(dirs)) +
                      " folders");
      searchPathShown = true;
    }
    lines.push_back(StepLine(step, form));
  }
  std::printf("steps:\n");
  for (size_t i = 0; i < lines.size(); ++i)
    std::printf("  %zu. %s\n", i + 1, lines[i].c_str());
}

// The program of a name that is a quoted program followed by arguments
// ("\"C:\\x\\a b.exe\" /play"), else the name itself.
std::string QuotedProgram(const std::string &name) {
  const size_t start =
      name.find_first_not_of(" \t", platform::IsMarked(name) ? platform::Utf8Mark.size() : 0);
  if (start == std::string::npos || name[start] != '"')
    return name;
  const size_t close = name.find('"', start + 1);
  if (close == std::string::npos || name.find_first_not_of(" \t", close + 1) == std::string::npos)
    return name;
  return ButtonBar::ProgramOf(name);
}

} // namespace

int Resolve(const Context &context, const Args &args) {
  const ParsedArgs parsed = ParseArgs(args, {{"--explain", "--bytes"}, {"--start-path"}});
  if (parsed.help) {
    std::fputs(ResolveUsage, stdout);
    return 0;
  }
  parsed.RequirePositional(1, 1, {"name"});
  const TextForm form = parsed.Form();
  const std::string name = TakenText(parsed.positional[0], form, "the name");
  auto startPath = parsed.Value("--start-path");
  if (startPath)
    startPath = TakenText(*startPath, form, "the start path");
  ResolveTrace trace;
  ResolveTrace *steps = parsed.Has("--explain") ? &trace : nullptr;
  // A quoted program followed by its arguments is looked up as the check looks up a
  // command: the program alone.
  const std::string program = QuotedProgram(name);
  const std::string resolved =
      startPath ? ResolveWithStartPath(context.ExeFileName, program, *startPath, steps)
                : ResolveFile(context.ExeFileName, program, steps);
  if (steps) {
    PrintLocations(context.ExeFileName, form);
    if (program != name)
      std::printf("a quoted program with arguments: the program is %s\n",
                  ShownText(program, form).c_str());
    PrintUnsetVariables(context.ExeFileName, program, form);
    PrintSteps(trace, form);
  }
  const std::string host = platform::HostPath(resolved);
  std::printf("name: %s\nresolved: %s\nhost path: %s\nexists: %s\n", ShownText(name, form).c_str(),
              ShownText(resolved, form).c_str(), host.c_str(),
              YesNo(platform::FileExists(resolved)));
  return 0;
}

} // namespace cli
