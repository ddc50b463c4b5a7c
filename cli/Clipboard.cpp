// copy and paste: one button as the clipboard text Total Commander exchanges, through
// standard output and standard input instead of the clipboard.
#include "cli/Cli.h"
#include "document/BarClipboard.h"
#include "document/ButtonList.h"

#include <cstdio>

namespace cli {

namespace {

const char *const CopyUsage =
    "usage: corvane-cli copy BAR POS\n"
    "Prints the clipboard text of button POS (1-based): eight lines ended by CR LF, headed\n"
    "TOTALCMD#BAR#DATA, as Total Commander and the editor put it on the clipboard.\n";

const char *const PasteUsage =
    "usage: corvane-cli paste BAR [--after POS] [--cache off|links|tcmenu] < TEXT\n"
    "Adds the button described by a clipboard text read from standard input and saves BAR.\n"
    "The button goes after button POS (0 puts it first), else at the end. A text without\n"
    "any CR has its LF line ends read as CR LF.\n";

std::string ReadStandardInput() {
  std::string text;
  char buffer[4096];
  size_t got = 0;
  while ((got = std::fread(buffer, 1, sizeof buffer, stdin)) > 0)
    text.append(buffer, got);
  return text;
}

} // namespace

int Copy(const Args &args) {
  const ParsedArgs parsed = ParseArgs(args, {});
  if (parsed.help) {
    std::fputs(CopyUsage, stdout);
    return 0;
  }
  parsed.RequirePositional(2, 2, {"bar file", "position"});
  ButtonsList bar(ExistingFile(parsed.positional[0]));
  const int position = ParsePosition(parsed.positional[1], bar.Count(), "position");
  WriteOut(ButtonToClipboardText(*bar.Buttons[static_cast<size_t>(position - 1)]));
  return 0;
}

int Paste(const Args &args) {
  const ParsedArgs parsed = ParseArgs(args, {{}, {"--after", "--cache"}});
  if (parsed.help) {
    std::fputs(PasteUsage, stdout);
    return 0;
  }
  parsed.RequirePositional(1, 1, {"bar file"});
  const std::string text = ClipboardTextWithCrLf(ReadStandardInput());
  const std::string refusal = ClipboardTextRefusal(text);
  if (!refusal.empty())
    throw std::runtime_error("cannot paste: " + refusal);
  const auto lines = ParseClipboardText(text);

  ButtonsList bar(WindowsNameOfArgument(parsed.positional[0]));
  bar.CacheMode =
      parsed.Value("--cache") ? ParseCacheMode(*parsed.Value("--cache")) : DefaultCacheMode();
  const auto after = parsed.Value("--after");
  // The editor's Add action: after the selected button, or at the end without one.
  const int position =
      after ? bar.Insert(ParseNumber(*after, 0, bar.Count(), "position")) : bar.Add();
  bar.Modified = true;
  SetButtonFromClipboard(bar, position, *lines);
  SaveBar(bar, bar.FileName);
  std::printf("pasted as button %d of %d\n", position + 1, bar.Count());
  return 0;
}

} // namespace cli
