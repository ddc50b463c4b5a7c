// export-dc and import-dc: bars carried to Double Commander's toolbar and back.
#include "cli/Cli.h"
#include "document/DcExchange.h"
#include "document/FileNames.h"
#include "platform/HostFiles.h"
#include "platform/HostPathText.h"

#include <cstdio>
#include <filesystem>

namespace cli {

namespace {

const char *const ExportUsage =
    "usage: corvane-cli export-dc BAR -o OUT.xml [--recursive] [--icons DIR] [--wine]\n"
    "                             [--icon-size N]\n"
    "Writes BAR as a Double Commander toolbar: OUT.xml is a doublecmd.xml holding only the\n"
    "toolbar (<Toolbars><MainToolbar>), which Double Commander reads as its configuration\n"
    "and whose toolbar section can be copied into an existing one. Each button becomes an\n"
    "item: an internal command a command item under Double Commander's name for it, a\n"
    "program a program item (its %VARIABLES% expanded and its names resolved as check\n"
    "resolves them, written as host paths; parameters as they are), an empty button a\n"
    "separator, a sub-bar a menu of that bar's buttons with --recursive (a sub-bar leading\n"
    "back to a bar on the way is left out). The tooltip becomes the hint and the caption.\n"
    "Each icon is written once as a PNG of N pixels (default 16, the size Double Commander\n"
    "shows its toolbar icons at) into DIR (default: OUT-icons beside OUT).\n"
    "--wine starts Windows programs (.exe, .com, .bat, .cmd) through wine with their\n"
    "Windows names.\n"
    "What cannot be carried (user commands em_..., keyword commands such as OPENTABS,\n"
    "commands Double Commander lacks, icons that cannot be read, a window state, sub-bars\n"
    "without --recursive) is listed at the end as BAR:BUTTON: what.\n"
    "Exit status: 0 when every button was carried, 4 when the toolbar was written but\n"
    "something was left out, 1 when it could not be written, 2 for a bad argument.\n";

const char *const ImportUsage =
    "usage: corvane-cli import-dc TOOLBAR.xml -o OUT.bar [--icl LIB.icl] [--theme DIR]\n"
    "Writes the toolbar of a Double Commander configuration (the first <MainToolbar> of\n"
    "TOOLBAR.xml, such as its doublecmd.xml or a file export-dc wrote) as the bar OUT.bar:\n"
    "programs with their parameters and start paths, hints as tooltips, separators as\n"
    "empty buttons, internal commands under Total Commander's name for them. Each menu\n"
    "becomes a sub-bar OUT-N.bar beside OUT (N from 1). PNG and SVG icons, and Double\n"
    "Commander's theme icons (cm_copy) from its icon theme DIR (default\n"
    "/usr/share/doublecmd/pixmaps), go into one 32-bit icon library LIB.icl (default:\n"
    "OUT-icons.icl beside OUT) and the buttons point into it; other icon\n"
    "files are referred to as they are. Names are written as Windows names, paths into\n"
    "Total Commander's folder from %COMMANDER_PATH%. The bars are saved without an icon\n"
    "cache. Only OUT may be replaced: when the library or a sub-bar exists already,\n"
    "nothing is written. What cannot be carried (an icon not found) is listed at the end.\n"
    "Exit status: 0 when every item was carried, 4 when the bar was written but something\n"
    "was left out, 1 when it could not be written, 2 for a bad argument.\n";

// Written, but something of the source is missing from what was written: told apart from
// a failure, after which nothing is written.
constexpr int kSomethingLeftOut = 4;

// OUT's name without its extension, with the suffix: where files beside OUT go.
std::string Beside(const std::string &hostPath, const std::string &suffix) {
  const std::filesystem::path path = platform::HostFsPath(hostPath);
  return platform::HostPathText(path.parent_path() / path.stem()) + suffix;
}

std::string RequiredOutput(const ParsedArgs &parsed) {
  auto out = parsed.Value("-o");
  if (!out || out->empty())
    throw UsageError("no output file given (-o)");
  return *out;
}

// A host path as printed: below the current folder relative to it, as the user would
// write it; elsewhere whole.
std::string Shown(const std::string &windowsName) {
  const std::string host = platform::HostPath(windowsName);
  std::error_code ec;
  const std::filesystem::path relative =
      std::filesystem::proximate(platform::HostFsPath(host).lexically_normal(), ec);
  if (ec || relative.empty() || *relative.begin() == "..")
    return host;
  return platform::HostPathText(relative);
}

int ReportLeftOut(const std::vector<dctoolbar::Omission> &leftOut) {
  if (leftOut.empty())
    return 0;
  std::printf("Left out:\n");
  for (const auto &omission : leftOut)
    std::printf("%s:%d: %s\n", Shown(omission.Bar).c_str(), omission.Button + 1,
                ShownText(omission.What, TextForm::Characters).c_str());
  return kSomethingLeftOut;
}

size_t CountItems(const std::vector<dctoolbar::Item> &items) {
  size_t count = items.size();
  for (const auto &item : items)
    count += CountItems(item.Items);
  return count;
}

// The toolbar file's bytes; a configuration is some kilobytes, and a file far larger is
// no toolbar worth reading whole.
std::string ReadToolbarFile(const std::string &hostPath) {
  constexpr uintmax_t kLargest = 64u << 20;
  std::error_code ec;
  if (std::filesystem::file_size(platform::HostFsPath(hostPath), ec) > kLargest && !ec)
    throw Failure(hostPath + " is larger than 64 MB: no toolbar");
  auto bytes = platform::ReadFileBytes(ExistingFile(hostPath));
  if (!bytes)
    throw Failure("cannot read " + hostPath);
  return *bytes;
}

} // namespace

int ExportDc(const Context &context, const Args &args) {
  const ParsedArgs parsed =
      ParseArgs(args, {{"--recursive", "--wine"}, {"-o", "--icons", "--icon-size"}});
  if (parsed.help) {
    std::fputs(ExportUsage, stdout);
    return 0;
  }
  parsed.RequirePositional(1, 1, {"bar file"});
  const std::string out = RequiredOutput(parsed);
  const std::string bar = ExistingFile(parsed.positional[0]);
  const std::string iconFolder = parsed.Value("--icons").value_or(Beside(out, "-icons"));
  dctoolbar::ExportOptions options;
  options.ProgramFile = context.ExeFileName;
  options.Recursive = parsed.Has("--recursive");
  options.Wine = parsed.Has("--wine");
  if (auto size = parsed.Value("--icon-size"))
    options.IconSize = ParseNumber(*size, 16, 256, "--icon-size");
  options.IconFolder = WindowsNameOfArgument(iconFolder);

  const dctoolbar::ExportResult result = dctoolbar::ExportBar(bar, options);
  if (!result.Icons.empty()) {
    std::error_code ec;
    std::filesystem::create_directories(platform::HostFsPath(iconFolder), ec);
    if (ec)
      throw Failure("cannot make the folder " + iconFolder + ": " + ec.message());
  }
  for (const auto &icon : result.Icons)
    platform::WriteFileAtomic(icon.File, icon.Png);
  platform::WriteFileAtomic(WindowsNameOfArgument(out), dctoolbar::ToolbarXml(result.Items));
  std::printf("%s: %zu items, %zu icons in %s\n", out.c_str(), CountItems(result.Items),
              result.Icons.size(), iconFolder.c_str());
  return ReportLeftOut(result.LeftOut);
}

int ImportDc(const Context &context, const Args &args) {
  const ParsedArgs parsed = ParseArgs(args, {{}, {"-o", "--icl", "--theme"}});
  if (parsed.help) {
    std::fputs(ImportUsage, stdout);
    return 0;
  }
  parsed.RequirePositional(1, 1, {"toolbar file"});
  const std::string out = RequiredOutput(parsed);
  std::vector<dctoolbar::Item> items;
  try {
    items = dctoolbar::ReadToolbarXml(ReadToolbarFile(parsed.positional[0]));
  } catch (const dctoolbar::EToolbarError &e) {
    throw Failure(parsed.positional[0] + ": " + e.what());
  }
  dctoolbar::ImportOptions options;
  options.ProgramFile = context.ExeFileName;
  const std::string library = parsed.Value("--icl").value_or(Beside(out, "-icons.icl"));
  options.Library = WindowsNameOfArgument(library);
  const std::string theme = parsed.Value("--theme").value_or("/usr/share/doublecmd/pixmaps");
  if (std::filesystem::is_directory(platform::HostFsPath(theme)))
    options.ThemeFolder = WindowsNameOfArgument(theme);

  const dctoolbar::ImportResult result =
      dctoolbar::ImportToolbar(items, WindowsNameOfArgument(out), options);
  for (const std::string &bar : result.Bars)
    std::printf("%s\n", Shown(bar).c_str());
  std::printf("%d icon%s in %s\n", result.Icons, result.Icons == 1 ? "" : "s", library.c_str());
  return ReportLeftOut(result.LeftOut);
}

} // namespace cli
