// check and fix: the bar doctor on the command line.
#include "cli/Cli.h"
#include "document/BarDoctor.h"
#include "document/BarEdits.h"
#include "document/CommanderLocation.h"
#include "platform/HostFiles.h"
#include "platform/HostPathText.h"
#include "platform/Profile.h"

#include <cstdio>
#include <filesystem>
#include <memory>
#include <nlohmann/json.hpp>

namespace cli {

namespace {

const char *const CheckUsage =
    "usage: corvane-cli check BAR [--recursive] [--json] [--bytes]\n"
    "Prints the problems of BAR, one line each: the bar, the button (1-based), the kind and\n"
    "what was found (and, for a path that can be made portable, the text the fix writes),\n"
    "then a count. Names resolve as in the editor: Total Commander's folder, the search\n"
    "path, the button's start path, %VARIABLES%. Kinds:\n"
    "  missing-program     the program or document the command runs does not exist\n"
    "  unknown-command     a cm_ command not in Totalcmd.inc, an em_ command not in the\n"
    "                      user command files\n"
    "  missing-icon-file   the icon reference's file does not exist\n"
    "  icon-index          the icon file has no icon at the reference's index\n"
    "  missing-start-path  the start path is no existing folder\n"
    "  missing-sub-bar     the command names a .bar file that does not exist\n"
    "  not-a-bar           the command names a .bar file that holds binary data, or\n"
    "                      text without a [Buttonbar] section\n"
    "  sub-bar-loop        following sub-bars leads back to a bar already on the way\n"
    "  non-portable-path   a drive path into Total Commander's folder (see fix --portable)\n"
    "  mixed-icon-names    one icon file named differently in the same bar\n"
    "  unset-variable      a %VARIABLE% that nothing sets (it is not taken as empty)\n"
    "  bad-count           the bar's Buttoncount is missing, 0 or below its highest button\n"
    "                      (see fix --count)\n"
    "A sub-bar is a button whose command is a .bar file (OPENBAR commands are not\n"
    "followed). --recursive checks every bar the sub-bars lead to as well, each once.\n"
    "--json prints {\"bars\": [{\"file\", \"buttons\", \"problems\": [{\"button\", \"kind\",\n"
    "\"message\", \"fix\"}]}]}, fix being null when there is none. Texts are printed as\n"
    "characters in UTF-8; --bytes prints the bytes the bars hold.\n"
    "Exit status: 0 when nothing is found, 1 when problems are found, 2 for a bad\n"
    "argument, 3 when BAR cannot be read or is no bar (a sub-bar that cannot be read is\n"
    "a missing-sub-bar problem, one that is no bar a not-a-bar problem).\n";

const char *const FixUsage =
    "usage: corvane-cli fix BAR [--portable] [--count] [--recursive] [--dry-run]\n"
    "                       [--cache off|links|tcmenu] [--bytes]\n"
    "--portable writes every drive path into Total Commander's folder (in commands,\n"
    "parameters, start paths and icon references) from %COMMANDER_PATH%, the change one\n"
    "edit. --count repairs a count that cannot be trusted (a missing Buttoncount, 0, or one\n"
    "below the highest button number present): it writes the highest number as the count\n"
    "and keeps every button up to it as it is. Say one or both. Each changed bar is saved\n"
    "as the editor saves it. --recursive fixes every bar the sub-bars lead to as well, each\n"
    "once. Every bar is read and changed before any is saved. --dry-run prints the changes\n"
    "as BAR:BUTTON: FIELD: OLD -> NEW, each value exactly as the save writes it into the\n"
    "bar file, and BAR: count: OLD -> NEW (OLD \"none\" for a missing count), and writes\n"
    "nothing. The icon cache mode of the save is --cache, else\n"
    "\"DefaultCache\" of Corvane.ini. Exit status 0 when done (also when nothing is to\n"
    "change), 1 when a bar cannot be read or saved, 2 for a bad argument.\n";

const char *FieldName(int field) {
  switch (field) {
  case bfIconRef:
    return "icon";
  case bfParams:
    return "params";
  case bfStartPath:
    return "path";
  default:
    return "command";
  }
}

// Exit status of check when the bar named cannot be read: apart from problems found (1)
// and a bad argument (2), so that a script tells a broken bar from a missing one.
constexpr int kBarUnreadable = 3;

// A field's text as the save writes it into the bar file: a command as Total Commander
// reads it back, any other value so that it reads back as it is.
std::string WrittenText(int field, const std::string &text) {
  return field == bfCommand ? ButtonBar::QuoteCommand(text) : platform::ExactProfileValue(text);
}

// A bar as the lines name it: its host path, relative to the current folder below it.
std::string ShownBar(const std::string &windowsName) {
  namespace fs = std::filesystem;
  std::error_code ec;
  const fs::path host =
      fs::weakly_canonical(platform::HostFsPath(platform::HostPath(windowsName)), ec);
  const fs::path current = fs::current_path(ec);
  const fs::path relative = host.lexically_relative(current);
  const bool below = !ec && !relative.empty() && *relative.begin() != "..";
  return platform::HostPathText(below ? relative : host);
}

void PrintReports(const std::vector<doctor::BarReport> &reports, TextForm form) {
  size_t problems = 0, buttons = 0;
  for (const doctor::BarReport &report : reports) {
    const std::string bar = ShownBar(report.File);
    for (const doctor::Problem &problem : report.Problems) {
      std::string line = bar + ":" + std::to_string(problem.Button + 1) + ": " +
                         std::string(doctor::KindName(problem.Kind)) + ": " +
                         ShownText(problem.Message, form);
      if (problem.Fix)
        line += "; fix: " + ShownText(*problem.Fix, form);
      WriteOut(line + "\n");
    }
    problems += report.Problems.size();
    buttons += static_cast<size_t>(report.Buttons);
  }
  std::printf("%zu problem%s in %zu bar%s of %zu buttons\n", problems, problems == 1 ? "" : "s",
              reports.size(), reports.size() == 1 ? "" : "s", buttons);
}

void PrintReportsJson(const std::vector<doctor::BarReport> &reports, TextForm form) {
  nlohmann::ordered_json bars = nlohmann::ordered_json::array();
  for (const doctor::BarReport &report : reports) {
    nlohmann::ordered_json problems = nlohmann::ordered_json::array();
    for (const doctor::Problem &problem : report.Problems)
      problems.push_back({{"button", problem.Button + 1},
                          {"kind", doctor::KindName(problem.Kind)},
                          {"message", JsonText(problem.Message, form)},
                          {"fix", problem.Fix ? nlohmann::ordered_json(JsonText(*problem.Fix, form))
                                              : nlohmann::ordered_json()}});
    bars.push_back({{"file", JsonText(report.File, form)},
                    {"buttons", report.Buttons},
                    {"problems", problems}});
  }
  PrintJson({{"bars", bars}});
}

bool AnyProblem(const std::vector<doctor::BarReport> &reports) {
  for (const doctor::BarReport &report : reports)
    if (!report.Problems.empty())
      return true;
  return false;
}

// A bar with its paths made portable in memory: the change is one edit of its history.
struct FixedBar {
  std::unique_ptr<ButtonBar> bar;
  edits::History history;
};

// What fix is asked to do, and how many changes it found of each.
struct FixRequest {
  bool portable = false;
  bool count = false;
  bool dryRun = false;
  size_t portableChanges = 0;
  size_t countRepairs = 0;
};

// The bar to fix. With a count to repair, a bar whose count cannot be trusted is read
// with as many buttons as its highest number (and so Modified), the change printed.
std::unique_ptr<ButtonBar> ReadBarToFix(const std::string &file, const std::string &exeFileName,
                                        TextForm form, FixRequest &request) {
  try {
    return std::make_unique<ButtonBar>(file, exeFileName);
  } catch (const EBarCountError &e) {
    if (!request.count)
      throw Failure(CoreMessageToUtf8(e.what()) + " (--count repairs it)");
    WriteOut(ShownBar(file) +
             ": count: " + (e.CountText() ? ShownText(*e.CountText(), form) : "none") + " -> " +
             std::to_string(e.Highest()) + "\n");
    ++request.countRepairs;
    return std::make_unique<ButtonBar>(file, e.Highest(), exeFileName);
  }
}

// Loads the bar and prints each change; unless dryRun, applies them (the paths as one
// edit) and keeps the bar in fixed.
void FixBar(const std::string &file, const doctor::DoctorContext &context, TextForm form,
            FixRequest &request, std::vector<FixedBar> &fixed) {
  auto bar = ReadBarToFix(file, context.ProgramFile(), form, request);
  const auto changes = request.portable ? doctor::PortableChanges(*bar, context)
                                        : std::vector<doctor::PortableChange>();
  const std::string shown = ShownBar(file);
  for (const doctor::PortableChange &change : changes)
    WriteOut(shown + ":" + std::to_string(change.Button + 1) + ": " + FieldName(change.Field) +
             ": " + ShownText(WrittenText(change.Field, change.Old), form) + " -> " +
             ShownText(WrittenText(change.Field, change.New), form) + "\n");
  request.portableChanges += changes.size();
  if ((changes.empty() && !bar->Modified) || request.dryRun)
    return;
  FixedBar &one = fixed.emplace_back(FixedBar{std::move(bar), {}});
  one.history.Attach(*one.bar);
  if (!changes.empty())
    one.history.Do(doctor::PortablePathsEdit(*one.bar, context), -1);
}

// The bar and, with recursive, every bar its sub-bars lead to.
std::vector<std::string> BarsToFix(const std::string &file, bool recursive,
                                   const doctor::DoctorContext &context) {
  if (!recursive)
    return {file};
  std::vector<std::string> bars;
  for (const doctor::BarReport &report : doctor::CheckBarTree(file, true, context))
    bars.push_back(report.File);
  return bars;
}

} // namespace

int Check(const Context &program, const Args &args) {
  const ParsedArgs parsed = ParseArgs(args, {{"--recursive", "--json", "--bytes"}, {}});
  if (parsed.help) {
    std::fputs(CheckUsage, stdout);
    return 0;
  }
  parsed.RequirePositional(1, 1, {"bar file"});
  // Total Commander's folder is then looked for elsewhere, and every answer depends on it.
  if (const auto ignored = CommanderPathNamingNoFolder())
    std::fprintf(stderr, "corvane-cli: warning: COMMANDER_PATH names no folder: %s\n",
                 ShownText(*ignored, parsed.Form()).c_str());
  std::vector<doctor::BarReport> reports;
  try {
    const std::string file = ExistingFile(parsed.positional[0]);
    const doctor::DoctorContext context(program.ExeFileName);
    reports = doctor::CheckBarTree(file, parsed.Has("--recursive"), context);
  } catch (const Failure &e) {
    std::fprintf(stderr, "corvane-cli check: %s\n", e.what());
    return kBarUnreadable;
  } catch (const EBarLoadError &e) {
    std::fprintf(stderr, "corvane-cli check: %s\n", CoreMessageToUtf8(e.what()).c_str());
    return kBarUnreadable;
  } catch (const platform::EFileReadError &e) {
    std::fprintf(stderr, "corvane-cli check: %s\n", CoreMessageToUtf8(e.what()).c_str());
    return kBarUnreadable;
  }
  if (parsed.Has("--json"))
    PrintReportsJson(reports, parsed.Form());
  else
    PrintReports(reports, parsed.Form());
  return AnyProblem(reports) ? 1 : 0;
}

int Fix(const Context &program, const Args &args) {
  const ParsedArgs parsed = ParseArgs(
      args, {{"--portable", "--count", "--recursive", "--dry-run", "--bytes"}, {"--cache"}});
  if (parsed.help) {
    std::fputs(FixUsage, stdout);
    return 0;
  }
  parsed.RequirePositional(1, 1, {"bar file"});
  FixRequest request{parsed.Has("--portable"), parsed.Has("--count"), parsed.Has("--dry-run")};
  if (!request.portable && !request.count)
    throw UsageError("say what to fix: --portable, --count or both");
  const auto cache = parsed.Value("--cache");
  const uint8_t cacheMode = cache ? ParseCacheMode(*cache) : DefaultCacheMode(program);
  const std::string file = ExistingFile(parsed.positional[0]);
  const doctor::DoctorContext context(program.ExeFileName);
  // Every bar is read and changed before any is written, so that a bar that cannot be
  // read leaves every file as it was.
  std::vector<FixedBar> fixed;
  for (const std::string &bar : BarsToFix(file, parsed.Has("--recursive"), context))
    FixBar(bar, context, parsed.Form(), request, fixed);
  for (FixedBar &one : fixed) {
    one.bar->CacheMode = cacheMode;
    SaveBar(*one.bar, one.bar->FileName);
    std::printf("%s: saved\n", ShownBar(one.bar->FileName).c_str());
  }
  if (request.portable && request.portableChanges == 0)
    std::printf("nothing to make portable\n");
  if (request.count && request.countRepairs == 0)
    std::printf("no count to repair\n");
  return 0;
}

} // namespace cli
