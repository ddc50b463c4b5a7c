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
    "usage: corvane-cli export-dc BAR (-o OUT.xml | --into CONFIG.xml) [--recursive]\n"
    "                             [--icons DIR] [--wine] [--icon-size N]\n"
    "Writes BAR as a Double Commander toolbar.\n"
    "-o OUT.xml writes a doublecmd.xml holding only the toolbar (<Toolbars><MainToolbar>),\n"
    "which Double Commander's Options > Toolbar > Import... \"from a Toolbar File\" reads into\n"
    "its toolbar. OUT.xml is a new file or one export-dc wrote: any other file is kept, and\n"
    "nothing is written (a doublecmd.xml holding all of Double Commander's settings among\n"
    "them).\n"
    "--into CONFIG.xml replaces the main toolbar (the first <MainToolbar>) of an existing\n"
    "Double Commander configuration, such as ~/.config/doublecmd/doublecmd.xml, and keeps\n"
    "everything else in it as it stands; a file that is no such configuration is kept.\n"
    "Each button becomes an item: an internal command a command item under Double\n"
    "Commander's name for it, a program a program item (its %VARIABLES% expanded and its\n"
    "names resolved as check resolves them, written as host paths; parameters as they are),\n"
    "an empty button a separator, a sub-bar a menu of that bar's buttons with --recursive (a\n"
    "sub-bar leading back to a bar on the way is left out). The tooltip becomes the hint\n"
    "and the caption. Each icon is written once as a PNG of N pixels (default 16, the size\n"
    "Double Commander shows its toolbar icons at) into DIR (default: OUT-icons or\n"
    "CONFIG-icons beside the file written).\n"
    "--wine starts Windows programs (.exe, .com, .bat, .cmd) through wine with their\n"
    "Windows names.\n"
    "What cannot be carried (user commands em_..., keyword commands such as OPENTABS,\n"
    "commands Double Commander lacks, icons that cannot be read, a window state, sub-bars\n"
    "without --recursive) is listed at the end as BAR:BUTTON: what.\n"
    "Exit status: 0 when every button was carried, 4 when the toolbar was written but\n"
    "something was left out, 1 when nothing was written (a file refused as above among\n"
    "them), 2 for a bad argument.\n";

const char *const ImportUsage =
    "usage: corvane-cli import-dc TOOLBAR.xml -o OUT.bar [--icl LIB.icl] [--theme DIR]\n"
    "Writes the toolbar of a Double Commander configuration (the first <MainToolbar> of\n"
    "TOOLBAR.xml, such as its doublecmd.xml or a file export-dc wrote) as the bar OUT.bar:\n"
    "programs with their parameters and start paths, hints as tooltips, separators as\n"
    "empty buttons, internal commands under Total Commander's name for them. Each menu\n"
    "becomes a sub-bar OUT-N.bar beside OUT (N from 1). PNG and SVG icons, and Double\n"
    "Commander's theme icons (cm_copy) from its icon theme DIR (default\n"
    "/usr/share/doublecmd/pixmaps), go into one 32-bit icon library LIB.icl (default:\n"
    "OUT-icons.icl beside OUT; written only when an item has such an icon) and the buttons\n"
    "point into it; other icon files are referred to as they are. Names are written as\n"
    "Windows names, paths into Total Commander's folder from %COMMANDER_PATH%. The bars are\n"
    "saved without an icon cache. Only OUT may be replaced: when the library or a sub-bar\n"
    "exists already, nothing is written. What cannot be carried (an icon not found, a\n"
    "command Total Commander lacks, named as the bar holds it) is listed at the end.\n"
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

// Where export-dc writes: a toolbar file of its own, or the toolbar inside a configuration.
struct ExportTarget {
  std::string Given; // as the command line named it
  bool Into = false;
};

ExportTarget ExportTargetOf(const ParsedArgs &parsed) {
  const auto out = parsed.Value("-o");
  const auto into = parsed.Value("--into");
  if (out && into)
    throw UsageError("-o and --into both name the file to write: give one");
  if ((!out || out->empty()) && (!into || into->empty()))
    throw UsageError("no output file given (-o, or --into a configuration)");
  return out ? ExportTarget{*out, false} : ExportTarget{*into, true};
}

// The name a write goes to: the file a symbolic link leads to, so that a configuration
// kept elsewhere and linked into place is written where it lies, the link kept.
std::string WrittenName(const std::string &hostPath) {
  const std::filesystem::path path = platform::HostFsPath(hostPath);
  std::error_code ec;
  if (std::filesystem::is_symlink(path, ec)) {
    const std::filesystem::path target = std::filesystem::weakly_canonical(path, ec);
    if (!ec)
      return WindowsNameOfArgument(platform::HostPathText(target));
  }
  return WindowsNameOfArgument(hostPath);
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

// What was left out, then what was written but cannot work as it did, each in button order.
int ReportLeftOut(const std::vector<dctoolbar::Omission> &leftOut) {
  for (const bool written : {false, true}) {
    bool headed = false;
    for (const auto &omission : leftOut) {
      if (omission.Written != written)
        continue;
      if (!headed)
        std::printf(written ? "Written, but cannot work as in Total Commander:\n" : "Left out:\n");
      headed = true;
      std::printf("%s:%d: %s\n", Shown(omission.Bar).c_str(), omission.Button + 1,
                  ShownText(omission.What, TextForm::Characters).c_str());
    }
  }
  return leftOut.empty() ? 0 : kSomethingLeftOut;
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

// The bytes export-dc writes as the target: its own toolbar file, or the configuration with
// the toolbar in it. Decided before anything is written, so that a refusal leaves every
// file as it was. -o replaces nothing but a toolbar export-dc wrote: anything else under
// the name (Double Commander's whole configuration, which it would then save back without
// every other setting) is kept.
std::string ExportedXml(const ExportTarget &target, const std::vector<dctoolbar::Item> &items) {
  if (target.Into) {
    const std::string configuration = ReadToolbarFile(target.Given);
    try {
      return dctoolbar::ReplaceMainToolbar(configuration, items);
    } catch (const dctoolbar::EToolbarError &e) {
      throw Failure(target.Given + " is kept: " + e.what());
    }
  }
  const std::filesystem::path path = platform::HostFsPath(target.Given);
  std::error_code ec;
  if (std::filesystem::exists(path, ec) || ec) {
    std::optional<std::string> bytes;
    try {
      bytes = ReadToolbarFile(target.Given);
    } catch (const Failure &) {
      // Unreadable, or larger than any toolbar: no file export-dc wrote either.
    }
    if (!bytes || !dctoolbar::IsToolbarExport(*bytes))
      throw Failure(target.Given +
                    " exists and is no toolbar export-dc wrote; it is kept (--into " +
                    target.Given + " replaces the main toolbar inside a Double Commander " +
                    "configuration)");
  }
  return dctoolbar::ToolbarXml(items);
}

} // namespace

int ExportDc(const Context &context, const Args &args) {
  const ParsedArgs parsed =
      ParseArgs(args, {{"--recursive", "--wine"}, {"-o", "--into", "--icons", "--icon-size"}});
  if (parsed.help) {
    std::fputs(ExportUsage, stdout);
    return 0;
  }
  parsed.RequirePositional(1, 1, {"bar file"});
  const ExportTarget target = ExportTargetOf(parsed);
  const std::string bar = ExistingFile(parsed.positional[0]);
  const std::string iconFolder = parsed.Value("--icons").value_or(Beside(target.Given, "-icons"));
  dctoolbar::ExportOptions options;
  options.ProgramFile = context.ExeFileName;
  options.Recursive = parsed.Has("--recursive");
  options.Wine = parsed.Has("--wine");
  if (auto size = parsed.Value("--icon-size"))
    options.IconSize = ParseNumber(*size, 16, 256, "--icon-size");
  options.IconFolder = WindowsNameOfArgument(iconFolder);

  const dctoolbar::ExportResult result = dctoolbar::ExportBar(bar, options);
  const std::string xml = ExportedXml(target, result.Items);
  if (!result.Icons.empty()) {
    std::error_code ec;
    std::filesystem::create_directories(platform::HostFsPath(iconFolder), ec);
    if (ec)
      throw Failure("cannot make the folder " + iconFolder + ": " + ec.message());
  }
  for (const auto &icon : result.Icons)
    platform::WriteFileAtomic(icon.File, icon.Png);
  platform::WriteFileAtomic(WrittenName(target.Given), xml);
  const size_t items = CountItems(result.Items);
  std::printf("%s: %s%zu item%s", target.Given.c_str(),
              target.Into ? "main toolbar replaced by " : "", items, items == 1 ? "" : "s");
  if (!result.Icons.empty())
    std::printf(", %zu icon%s in %s", result.Icons.size(), result.Icons.size() == 1 ? "" : "s",
                iconFolder.c_str());
  std::printf("\n");
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
  // No library is written for items without pictures: none is named then.
  if (result.Icons > 0)
    std::printf("%d icon%s in %s\n", result.Icons, result.Icons == 1 ? "" : "s", library.c_str());
  return ReportLeftOut(result.LeftOut);
}

} // namespace cli
