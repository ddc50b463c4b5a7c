// Arbitrary bytes as clipboard text and as command-list lines. Nothing may crash; a
// pasted button copied again must paste back as the same button.
#include "document/BarClipboard.h"
#include "document/ButtonList.h"
#include "document/CommandCatalog.h"
#include "document/FileNames.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace {

void Check(bool condition) {
  if (!condition)
    __builtin_trap();
}

// Pastes the text into a fresh button; false when the paste stopped at a conversion
// error (which only a bad run-mode line may cause) or at a text no bar file can hold
// (a control character).
bool Paste(ButtonBar &bar, const ClipboardButtonLines &lines) {
  try {
    SetButtonFromClipboard(bar, bar.Add(), lines);
    return true;
  } catch (const EConvertError &) {
    return false;
  } catch (const EBarValueError &) {
    return false;
  }
}

void FuzzClipboard(std::string_view text) {
  (void)ClipboardTextHasHeader(text);
  const auto lines = ParseClipboardText(text);
  Check(lines.has_value() == !ClipboardTextRefusal(text));
  if (!lines)
    return;
  ButtonBar bar("", "");
  if (!Paste(bar, *lines))
    return;
  const std::string copied = ButtonToClipboardText(*bar.Buttons[0]);
  const auto again = ParseClipboardText(copied);
  Check(again.has_value());
  Check(Paste(bar, *again));
  for (int field = bfIconRef; field <= bfRunMode; ++field)
    Check(bar.GetField(0, field) == bar.GetField(1, field));
}

void FuzzCommandLines(std::string_view text) {
  const LocalizedTexts localized(CleanLocalizedLines(text));
  std::vector<std::string> lines(localized.Lines().begin(), localized.Lines().end());
  for (const auto &line : lines) {
    for (int part = 1; part <= 3; ++part)
      Check(SplitCommandLine(line, part).size() <= line.size());
    (void)CategoryName(line);
    (void)HeaderName(line);
    (void)localized.Lookup(line);
    (void)FilterMatches(line.substr(0, 3), line);
  }
  for (size_t i = 0; i < lines.size(); ++i)
    Check(CollectCategory(lines, i).size() < lines.size());
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
  const std::string_view bytes(reinterpret_cast<const char *>(data), size);
  FuzzClipboard(bytes);
  FuzzCommandLines(bytes);
  return 0;
}
