// copy and paste: one button as the clipboard text Total Commander exchanges, through
// standard output and standard input instead of the clipboard.
#include "cli/Cli.h"
#include "document/BarEdits.h"
#include "platform/CodePage.h"

#include <cstdio>

namespace cli {

namespace {

const char *const CopyUsage =
    "usage: corvane-cli copy BAR POS [--bytes]\n"
    "Prints the clipboard text of button POS (1-based): eight lines ended by CR LF, headed\n"
    "TOTALCMD#BAR#DATA, as Total Commander and the editor put it on the clipboard. The\n"
    "text is printed as characters in UTF-8, as paste reads it; --bytes prints the bytes\n"
    "the bar holds.\n";

const char *const PasteUsage =
    "usage: corvane-cli paste BAR [--after POS] [--cache off|links|tcmenu] [--bytes] < TEXT\n"
    "Adds the button described by a clipboard text read from standard input and saves BAR.\n"
    "The button goes after button POS (0 puts it first), else at the end. A text without\n"
    "any CR has its LF line ends read as CR LF. The text is read as UTF-8 (a byte order\n"
    "mark at its start is skipped); --bytes takes it as the bytes the bar is to hold.\n";

std::string ReadStandardInput() {
  std::string text;
  char buffer[4096];
  size_t got = 0;
  while ((got = std::fread(buffer, 1, sizeof buffer, stdin)) > 0)
    text.append(buffer, got);
  return text;
}

// The text with each line changed by convert and the line ends kept: every field of a
// clipboard text is a text of its own, which may be marked as UTF-8 where it starts.
std::string ConvertLines(const std::string &text, std::string (*convert)(std::string_view)) {
  std::string out;
  out.reserve(text.size() * 2);
  size_t start = 0;
  while (start <= text.size()) {
    const size_t end = std::min(text.find_first_of("\r\n", start), text.size());
    out += convert(std::string_view(text).substr(start, end - start));
    if (end == text.size())
      break;
    out += text[end];
    start = end + 1;
  }
  return out;
}

// What paste reads as the clipboard text, in the core's form.
std::string ClipboardTextOfInput(std::string input, TextForm form) {
  if (form == TextForm::Bytes)
    return input;
  if (!IsUtf8(input))
    throw Failure("standard input is not UTF-8 (--bytes takes it as bytes)");
  if (input.rfind(platform::Utf8Mark, 0) == 0)
    input.erase(0, platform::Utf8Mark.size());
  return ConvertLines(input, platform::Utf8ToText);
}

} // namespace

int Copy(const Context &context, const Args &args) {
  const ParsedArgs parsed = ParseArgs(args, {{"--bytes"}, {}});
  if (parsed.help) {
    std::fputs(CopyUsage, stdout);
    return 0;
  }
  parsed.RequirePositional(2, 2, {"bar file", "position"});
  ButtonBar bar(ExistingFile(parsed.positional[0]), context.ExeFileName);
  const int position = ParsePosition(parsed.positional[1], bar.Count(), "position");
  const std::string text = ButtonToClipboardText(*bar.Buttons[static_cast<size_t>(position - 1)]);
  WriteOut(parsed.Form() == TextForm::Bytes ? text : ConvertLines(text, platform::TextToUtf8));
  return 0;
}

int Paste(const Context &context, const Args &args) {
  const ParsedArgs parsed = ParseArgs(args, {{"--bytes"}, {"--after", "--cache"}});
  if (parsed.help) {
    std::fputs(PasteUsage, stdout);
    return 0;
  }
  parsed.RequirePositional(1, 1, {"bar file"});
  const std::string text =
      ClipboardTextWithCrLf(ClipboardTextOfInput(ReadStandardInput(), parsed.Form()));
  if (const auto refusal = ClipboardTextRefusal(text))
    throw Failure("cannot paste: " + *refusal);
  const auto lines = ParseClipboardText(text);

  ButtonBar bar(WindowsNameOfArgument(parsed.positional[0]), context.ExeFileName);
  bar.CacheMode = parsed.Value("--cache") ? ParseCacheMode(*parsed.Value("--cache"))
                                          : DefaultCacheMode(context);
  const auto after = parsed.Value("--after");
  // After button POS (0: before the first), or at the end without one.
  const edits::After place =
      after ? edits::After(ParseNumber(*after, 0, bar.Count(), "position") - 1) : std::nullopt;
  edits::History history(bar);
  const int position = history.Do(edits::Paste(place, *lines), -1);
  SaveBar(bar, bar.FileName);
  std::printf("pasted as button %d of %d\n", position + 1, bar.Count());
  return 0;
}

} // namespace cli
