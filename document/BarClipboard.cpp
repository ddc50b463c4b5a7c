// The "TOTALCMD#BAR#DATA" clipboard text of one button: building, testing and reading it.
#include "document/BarClipboard.h"
#include "document/ButtonList.h"
#include "document/FileNames.h"
#include "document/IconReference.h"
#include "platform/TextRules.h"

namespace {

constexpr size_t ClipboardLineCount = 8;
constexpr std::string_view LineEnd = "\r\n";

} // namespace

std::string ButtonToClipboardText(const Button &button) {
  const std::string runMode = std::to_string(button.RunMode);
  const std::string_view pieces[] = {
      BarClipboardHeader, button.Command,   button.Params, button.IconRef,
      button.Tooltip,     button.StartPath, runMode,       "-1"};
  std::string text;
  for (std::string_view piece : pieces) {
    text += piece;
    text += LineEnd;
  }
  return text;
}

std::string ClipboardTextWithCrLf(std::string_view text) {
  if (text.find('\r') != std::string_view::npos)
    return std::string(text);
  std::string converted;
  converted.reserve(text.size() + text.size() / 8);
  for (char c : text) {
    if (c == '\n')
      converted += '\r';
    converted += c;
  }
  return converted;
}

bool ClipboardTextHasHeader(std::string_view text) {
  return text.find(std::string(BarClipboardHeader) + "\r") != std::string_view::npos;
}

std::optional<std::string> ClipboardTextRefusal(std::string_view text) {
  if (text.find(std::string(BarClipboardHeader) + std::string(LineEnd)) == std::string_view::npos)
    return "the text holds no \"TOTALCMD#BAR#DATA\" line ended by CR LF";
  const size_t count = platform::SplitLines(text).size();
  if (count < ClipboardLineCount)
    return "the text has " + std::to_string(count) + " lines, a button needs 8";
  return std::nullopt;
}

std::optional<ClipboardButtonLines> ParseClipboardText(std::string_view text) {
  if (ClipboardTextRefusal(text))
    return std::nullopt;
  const auto lines = platform::SplitLines(text);
  return ClipboardButtonLines{std::string(lines[1]), std::string(lines[2]), std::string(lines[3]),
                              std::string(lines[4]), std::string(lines[5]), std::string(lines[6])};
}

std::string PastedIconRef(const std::string &iconLine) {
  const std::optional<int> index = IconIndexPart(iconLine);
  // An index beyond 32 bits names no icon; the button takes the reference as text, as a
  // bar holding it loads.
  return index ? IconFileAsWritten(iconLine) + "," + std::to_string(*index) : iconLine;
}

void SetButtonFromClipboard(ButtonBar &bar, int position, const ClipboardButtonLines &lines) {
  bar.SetField(position, bfCommand, lines.Command);
  bar.SetField(position, bfParams, lines.Params);
  bar.SetField(position, bfStartPath, lines.StartPath);
  bar.SetField(position, bfTooltip, lines.Tooltip);
  bar.SetField(position, bfIconRef, PastedIconRef(lines.IconRef));
  bar.SetField(position, bfRunMode, lines.RunMode);
}
