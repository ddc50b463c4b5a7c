#pragma once
// The plain text that carries one button between bars through the clipboard: eight
// lines, each ended by CR LF, headed "TOTALCMD#BAR#DATA" — command, parameters, icon
// reference, tooltip, start path, run mode, and a fixed "-1". Total Commander reads and
// writes the same form, so the line order and the line ends are fixed.
//
// Pure text rules without any window: the editor's Copy, Paste and the menu's enabling
// call them, and so does corvane-cli.
#include <optional>
#include <string>
#include <string_view>

class Button;
class ButtonBar;

inline constexpr std::string_view BarClipboardHeader = "TOTALCMD#BAR#DATA";

// The clipboard text of a button. Fields are written as they are stored, without
// quoting; the run mode in decimal ("0" when unset).
std::string ButtonToClipboardText(const Button &button);

// The text with LF line ends read as CR LF when it holds no CR at all: a button text
// from a Linux editor or a chat ends its lines with LF alone. Any other text as it is.
std::string ClipboardTextWithCrLf(std::string_view text);

// Whether the Paste item is enabled: the header followed by a carriage return stands
// anywhere in the text. Pasting itself asks for more (see ClipboardTextRefusal).
bool ClipboardTextHasHeader(std::string_view text);

// The raw lines 1 to 6 of a pastable text, counted from the text's first line wherever
// the header stands. CR, LF and CR LF each end a line (platform::SplitLines); a text
// ending in a line end has no empty last line. Line 0 and line 7 are never read.
struct ClipboardButtonLines {
  std::string Command;   // line 1
  std::string Params;    // line 2
  std::string IconRef;   // line 3, as written; see PastedIconRef
  std::string Tooltip;   // line 4
  std::string StartPath; // line 5
  std::string RunMode;   // line 6, decimal or empty
};

// Why Paste ignores the text, in one line (no header followed by CR LF, or fewer than
// eight lines); nothing when it pastes.
std::optional<std::string> ClipboardTextRefusal(std::string_view text);

// The lines a paste takes, or nothing when Paste ignores the text.
std::optional<ClipboardButtonLines> ParseClipboardText(std::string_view text);

// The icon reference a paste writes: the file part as written, a comma and the index in
// decimal (an empty line gives ",0"). The name keeps its letter case: a button copied and
// pasted is the same button, and Total Commander finds its file whatever the case. A line
// whose index is beyond the 32-bit range names no icon and is taken as it is.
std::string PastedIconRef(const std::string &iconLine);

// Sets the fields of the button at position from pasted lines, in the order Paste sets
// them: command, parameters, start path, tooltip, icon reference, run mode. A run-mode
// line that is not a whole number throws EConvertError ("'x' is not a valid integer
// value") after the other fields were set, leaving the run mode as it was.
void SetButtonFromClipboard(ButtonBar &bar, int position, const ClipboardButtonLines &lines);
