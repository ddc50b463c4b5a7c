// Unit BarDoctor: the problems of a bar and of the bars its sub-bars lead to, and the
// fix that makes drive paths into Total Commander's folder portable.
#include "document/BarDoctor.h"

#include "document/CommandCatalog.h"
#include "document/CommanderLocation.h"
#include "document/FileNames.h"
#include "document/IconReference.h"
#include "document/Resolve.h"
#include "document/UserCmdList.h"
#include "platform/CodePage.h"
#include "platform/IconHandle.h"
#include "platform/TextRules.h"

#include <algorithm>
#include <array>
#include <map>
#include <memory>
#include <tuple>
#include <utility>

namespace doctor {

namespace {

using platform::JoinTexts;

constexpr std::string_view kCommanderPathReference = "%COMMANDER_PATH%";

// Where the text's characters start: after the mark of a marked text.
size_t TextStart(const std::string &text) {
  return platform::IsMarked(text) ? platform::Utf8Mark.size() : 0;
}

bool IsAsciiLetter(char c) {
  return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
}

// Whether a drive path ("C:\...") starts at position at.
bool IsDrivePath(const std::string &text, size_t at) {
  return at + 2 < text.size() && IsAsciiLetter(text[at]) && text[at + 1] == ':' &&
         text[at + 2] == '\\';
}

// Where the characters a search for drive paths looks at stand, in order, found in one
// pass: each a character of its own, never the second byte of a two-byte one.
struct PathMarks {
  std::vector<size_t> wordStarts; // the text's start and after each blank, double quote or "="
  std::vector<size_t> backslashes;
  std::vector<size_t> quotes;
};

PathMarks MarksOf(const std::string &text) {
  PathMarks marks;
  const size_t start = TextStart(text);
  marks.wordStarts.push_back(start);
  // UTF-8 never puts an ASCII byte inside a character.
  const bool marked = start != 0;
  const int codePage = platform::SystemCodePage();
  for (size_t at = start; at < text.size();
       at += marked ? 1 : platform::CharLength(text, at, codePage)) {
    const char c = text[at];
    if (c == '\\')
      marks.backslashes.push_back(at);
    if (c == '"')
      marks.quotes.push_back(at);
    if (c == ' ' || c == '"' || c == '=')
      marks.wordStarts.push_back(at + 1);
  }
  return marks;
}

// The first of the sorted positions at or after from; npos when there is none.
size_t NextAt(const std::vector<size_t> &positions, size_t from) {
  auto at = std::lower_bound(positions.begin(), positions.end(), from);
  return at == positions.end() ? std::string::npos : *at;
}

// The first word of a command: where "cm_" and "em_" names stand.
std::string FirstWord(const std::string &command) {
  const size_t start = command.find_first_not_of(" \t", TextStart(command));
  if (start == std::string::npos)
    return {};
  const size_t end = command.find_first_of(" \t", start);
  return platform::TextPiece(command, start, end == std::string::npos ? end : end - start);
}

// The command without a leading "*", Total Commander's mark for running it as
// administrator: no part of the program's name.
std::string WithoutElevation(const std::string &command) {
  const size_t at = command.find_first_not_of(" \t", TextStart(command));
  if (at == std::string::npos || command[at] != '*')
    return command;
  std::string rest = command;
  rest.erase(at, 1);
  return rest;
}

// The first word of the command without quotes and in upper case: what tells an internal
// command, a keyword command and the whole-command forms.
std::string CommandWord(const std::string &command) {
  return platform::UpperText(RemoveQuotes(FirstWord(WithoutElevation(command))));
}

// Total Commander's keyword commands: the first word is one it reads itself, and what
// follows names what it acts on, not a program: a folder to show (CD), a bar to show
// instead of the main bar (OPENBAR), a tab file to open or append (OPENTABS, APPENDTABS),
// a stored connection (FTPOPEN), stored comparison settings (SYNCOPEN), a stored search
// (LOADSEARCH), a language file to use (OPENLANGUAGEFILE).
constexpr std::array<std::string_view, 8> KeywordCommands = {
    "CD",      "OPENBAR",  "OPENTABS",   "APPENDTABS",
    "FTPOPEN", "SYNCOPEN", "LOADSEARCH", "OPENLANGUAGEFILE"};

// CD also takes its folder without a blank between them, as a command line does ("cd..",
// "cd\"): such a first word is no program either.
bool IsCdGluedToItsFolder(const std::string &word) {
  return word.size() > 2 && word.compare(0, 2, "CD") == 0 &&
         (word.compare(2, 2, "..") == 0 || word[2] == '\\' || word[2] == '/');
}

bool IsKeyword(const std::string &word) {
  return std::find(KeywordCommands.begin(), KeywordCommands.end(), word) != KeywordCommands.end() ||
         IsCdGluedToItsFolder(word);
}

// An internal command by its number ("540", "-2"): an optional minus and digits.
bool IsCommandNumber(const std::string &word) {
  const size_t digits = !word.empty() && word[0] == '-' ? 1 : 0;
  return word.size() > digits &&
         std::all_of(word.begin() + static_cast<std::ptrdiff_t>(digits), word.end(),
                     [](char c) { return c >= '0' && c <= '9'; });
}

// The value of a command number; nothing for one beyond any command's (more than 18
// digits), which no list holds.
std::optional<long long> CommandNumberValue(const std::string &word) {
  const bool negative = !word.empty() && word[0] == '-';
  const std::string digits = word.substr(negative ? 1 : 0);
  const size_t first = std::min(digits.find_first_not_of('0'), digits.size());
  if (digits.size() - first > 18)
    return std::nullopt;
  long long value = 0;
  for (size_t at = first; at < digits.size(); ++at)
    value = value * 10 + (digits[at] - '0');
  return negative ? -value : value;
}

// Whether the command is an address the shell opens rather than a file: "::{CLSID}", or a
// scheme of two characters or more before a colon ("http:", "mailto:", "shell:",
// "file:"). No file name holds a colon after its first character, and Windows opens
// every scheme a program registers, so any scheme is an address.
bool IsShellAddress(const std::string &command) {
  const size_t start = command.find_first_not_of(" \t\"", TextStart(command));
  if (start == std::string::npos)
    return false;
  if (command.compare(start, 2, "::") == 0)
    return true;
  size_t at = start;
  if (!IsAsciiLetter(command[at]))
    return false;
  while (at < command.size() &&
         (IsAsciiLetter(command[at]) || (command[at] >= '0' && command[at] <= '9') ||
          command[at] == '+' || command[at] == '-' || command[at] == '.'))
    ++at;
  return at - start >= 2 && at < command.size() && command[at] == ':';
}

// The forms Windows' own tools are run in that name no file of their own: "control"
// alone or with a control panel file, "rundll32" with its arguments, and "msconfig",
// which lies outside the search path on many Windows versions.
bool IsSystemToolForm(const std::string &command, const std::string &word) {
  if (word == "CONTROL") {
    const std::string upper = platform::UpperText(WithoutElevation(command));
    const size_t start = upper.find_first_not_of(" \t", TextStart(upper));
    const size_t end = upper.find_first_of(" \t", start);
    const bool alone = upper.find_first_not_of(" \t", end) == std::string::npos;
    return alone || platform::ContainsText(upper, ".CPL");
  }
  if (word == "RUNDLL32")
    return true;
  const std::string name = ExtractFileName(word);
  return name == "MSCONFIG" || name == "MSCONFIG.EXE";
}

// The file part of an icon reference as written: up to its first comma.
std::string IconFileAsWritten(const std::string &reference) {
  return platform::TextPiece(reference, 0, platform::FindChar(reference, ','));
}

// Whether a start path names its folder from a root: a drive, a backslash (not two, a
// UNC name, which the host cannot reach) or a host path.
bool IsRootedPath(const std::string &path) {
  const size_t at = TextStart(path);
  if (at + 1 < path.size() && IsAsciiLetter(path[at]) && path[at + 1] == ':')
    return true;
  if (at < path.size() && path[at] == '/')
    return true;
  return at < path.size() && path[at] == '\\' && (at + 1 >= path.size() || path[at + 1] != '\\');
}

std::string Decimal(long long value) {
  return std::to_string(value);
}

using platform::MessageText;
using platform::Verbatim;

// A problem saying text; its Message is the English.
Problem MakeProblem(int button, ProblemKind kind, int field, MessageText text,
                    std::optional<std::string> fix = std::nullopt) {
  std::string message = platform::EnglishText(text);
  return {button, kind, field, std::move(message), std::move(fix), std::move(text)};
}

// A name as a user reads it: "." folders and each folder followed by ".." left out
// ("C:\\tc\\..\\x.exe" is "C:\\x.exe"), forward slashes written as backslashes. A folder
// whose name holds a %VARIABLE% stays, as what ".." takes back is not known; so do the
// drive, the root and leading "..".
std::string TidyName(const std::string &name) {
  if (platform::FindChar(name, '.') == std::string::npos &&
      platform::FindChar(name, '/') == std::string::npos)
    return name;
  std::string text = name;
  for (size_t at = platform::FindChar(text, '/'); at != std::string::npos;
       at = platform::FindChar(text, '/', at + 1))
    text[at] = '\\';
  std::vector<std::string> kept;
  size_t start = 0;
  while (start <= text.size()) {
    size_t end = platform::FindChar(text, '\\', start);
    if (end == std::string::npos)
      end = text.size();
    std::string piece = text.substr(start, end - start);
    const bool leading = kept.empty() || (kept.size() == 1 && kept[0].empty());
    const bool last = end == text.size();
    if (piece == "." && !leading && !last) {
    } else if (piece == ".." && !kept.empty() && !kept.back().empty() && kept.back() != ".." &&
               kept.back().back() != ':' && kept.back().find('%') == std::string::npos) {
      kept.pop_back();
    } else {
      kept.push_back(std::move(piece));
    }
    start = end + 1;
  }
  std::string out;
  for (size_t i = 0; i < kept.size(); ++i)
    out += (i ? "\\" : "") + kept[i];
  return out;
}

// The text without the blanks and tabs at its ends.
std::string StripBlanks(const std::string &text) {
  const size_t first = text.find_first_not_of(" \t", TextStart(text));
  if (first == std::string::npos)
    return std::string();
  return platform::TextPiece(text, first, text.find_last_not_of(" \t") + 1 - first);
}

// The message of key about shown (name as the bar writes it), with " (as NAME)" added when
// the lookup led to another name than the name itself with its variable expanded (through
// the search path or the start path); another letter case is no other name. The expansion
// is left out: it is where the user's variable points.
// A bare name found nowhere is named as written too: it was looked for in several places,
// and the one its lookup names is only where Total Commander would have it.
MessageText AsResolved(const std::string &exeFileName, const std::string &key,
                       const std::string &shown, const std::string &resolved,
                       const std::string &name) {
  const bool bare = name.find_first_of("\\/:%") == std::string::npos;
  const std::string tidy = TidyName(resolved);
  // Blanks around a name (a quoted "x.exe ") would stand beside the message's own.
  const std::string named = StripBlanks(TidyName(shown));
  if (bare || platform::EqualNoCase(tidy, TidyName(name)) ||
      platform::EqualNoCase(tidy, TidyName(ExpandEnvironmentReference(exeFileName, name))))
    return platform::Message(key, {Verbatim(named)});
  return platform::Message(key + " (as %s)", {Verbatim(named), Verbatim(StripBlanks(tidy))});
}

// The field's name in the messages: one key per field and message, as a language may
// need another word order or form for each.
const char *FieldLabel(int field) {
  switch (field) {
  case bfIconRef:
    return "icon reference";
  case bfParams:
    return "parameters";
  case bfStartPath:
    return "start path";
  default:
    return "command";
  }
}

// Where a field stands in the messages that name several: program, icon, start path.
int FieldOrder(int field) {
  return field == bfCommand ? 0 : field == bfIconRef ? 1 : 2;
}

// The fields that may hold paths, in field order.
constexpr std::array<int, 4> PathFields = {bfIconRef, bfCommand, bfParams, bfStartPath};

const std::string &FieldText(const Button &button, int field) {
  switch (field) {
  case bfIconRef:
    return button.IconRef;
  case bfParams:
    return button.Params;
  case bfStartPath:
    return button.StartPath;
  default:
    return button.Command;
  }
}

// A program written without its extension is run as the first of these Windows finds
// beside the name.
constexpr std::array<std::string_view, 4> RunExtensions = {".com", ".exe", ".bat", ".cmd"};

// The file a command names, looked up as the bar list looks it up: where Total Commander
// has it, else after the start path; a name without an extension that names no folder
// is tried with each of RunExtensions.
std::string ResolveCommandFile(const std::string &exeFileName, const std::string &name,
                               const std::string &startPath) {
  const std::string resolved = ResolveWithStartPath(exeFileName, name, startPath);
  if (!FileExtension(resolved).empty() || platform::DirectoryExists(resolved))
    return resolved;
  for (std::string_view extension : RunExtensions) {
    const std::string candidate = JoinTexts({resolved, extension});
    if (platform::FileExists(candidate))
      return candidate;
  }
  return resolved;
}

// What is wrong with a name that is no file to read: a folder, or something else that
// is there (a device); nothing when there is nothing of that name.
std::optional<std::string_view> NoFileKind(const std::string &resolved) {
  if (platform::DirectoryExists(resolved))
    return "is a folder";
  if (!platform::FileExists(resolved) && !platform::FileIdentity(resolved).empty())
    return "is not a file";
  return std::nullopt;
}

// The extensions of the files Windows starts as programs.
bool HasProgramExtension(const std::string &name) {
  static constexpr std::array<std::string_view, 9> Extensions = {
      ".exe", ".com", ".bat", ".cmd", ".msc", ".cpl", ".scr", ".pif", ".lnk"};
  const std::string ext = platform::LowerText(FileExtension(name));
  return std::find(Extensions.begin(), Extensions.end(), ext) != Extensions.end();
}

// Found as the bar list finds a command's file: a file with an extension, or a folder
// (Total Commander opens it) unless its name says it is meant as a program.
bool FoundAsCommandFile(const std::string &resolved) {
  return (!FileExtension(resolved).empty() && platform::FileExists(resolved)) ||
         (platform::DirectoryExists(resolved) && !HasProgramExtension(resolved));
}

// The program a command runs: the name it goes by in messages, what that resolved to, and
// whether it was found.
struct ProgramLookup {
  std::string name;
  std::string resolved;
  bool found = false;
};

// Windows programs take names of at most MAX_PATH characters (a marked text's characters
// take up to four bytes): no longer leading part of a command is a program's name.
constexpr size_t kLongestProgramName = 4 * 260;

// The program of a command, looked up as Windows starts it. A quoted program, or a
// command without blanks, is ButtonBar::ProgramOf's. An unquoted command with blanks is
// tried as Windows tries it: each leading part up to a blank, shortest first, that names
// an existing file; then the program ProgramOf names (the whole command when it carries
// no arguments, where a folder counts as found too). When none is found, the message
// names the shortest leading part that ends in a program's extension
// ("%ProgramFiles%\Internet Explorer\iexplore.exe" of "... iexplore.exe -k"), else
// ProgramOf's program.
ProgramLookup LookUpProgram(const std::string &exeFileName, const std::string &command,
                            const std::string &startPath) {
  const std::string bare = WithoutElevation(command);
  const std::string fallback = ButtonBar::ProgramOf(bare);
  const size_t start = bare.find_first_not_of(" \t", TextStart(bare));
  std::optional<std::string> named;
  if (start != std::string::npos && bare[start] != '"') {
    const size_t limit =
        std::min({bare.find('"', start), bare.size(), start + kLongestProgramName});
    for (size_t blank = bare.find(' ', start); blank < limit; blank = bare.find(' ', blank + 1)) {
      if (bare[blank - 1] == ' ')
        continue;
      const std::string part = platform::TextPiece(bare, start, blank - start);
      const std::string resolved = ResolveCommandFile(exeFileName, part, startPath);
      if (!FileExtension(resolved).empty() && platform::FileExists(resolved))
        return {part, resolved, true};
      if (!named && HasProgramExtension(part))
        named = part;
    }
  }
  const std::string resolved = ResolveCommandFile(exeFileName, fallback, startPath);
  if (FoundAsCommandFile(resolved) || !named)
    // A lone "*" names nothing: the message names the command as written.
    return {fallback.empty() ? command : fallback, resolved, FoundAsCommandFile(resolved)};
  return {*named, ResolveCommandFile(exeFileName, *named, startPath), false};
}

// An icon file as the bar's buttons name it, looked up once per check.
struct IconFile {
  std::string resolved;
  bool exists = false;
  std::string identity; // for an existing file
};

// The name a button gives an existing icon file, for the check of mixed icon names.
struct IconName {
  std::string identity; // the file's
  std::string filePart; // IconFilePart of the reference
  std::string written;  // the reference up to its comma
};

// What one button's check finds that depends on the button alone: its problems in the
// order of ProblemKind (mixed icon names aside), and the name it gives its icon file.
struct ButtonFindings {
  std::vector<Problem> problems;
  std::optional<IconName> iconName;
};

// The check of the buttons of one bar, one at a time. Files are looked up once per pass.
class BarCheck {
public:
  BarCheck(const std::string &barFile, const DoctorContext &context)
      : context_(context),
        barIdentity_(barFile.empty() ? std::string() : context.Identity(barFile)) {}

  // A new pass over the bar: files may have changed since the last one.
  void NewPass() { iconFiles_.clear(); }

  ButtonFindings CheckButton(int position, const Button &button) {
    CheckCommand(position, button);
    CheckIcon(position, button);
    CheckStartPath(position, button);
    CheckPortable(position, button);
    CheckVariables(position, button);
    MergeMissingFolder(position);
    std::stable_sort(problems_.begin(), problems_.end(),
                     [](const Problem &a, const Problem &b) { return a.Kind < b.Kind; });
    return {std::exchange(problems_, {}), std::exchange(iconName_, std::nullopt)};
  }

private:
  void Add(int position, ProblemKind kind, int field, MessageText message,
           std::optional<std::string> fix = std::nullopt) {
    problems_.push_back(MakeProblem(position, kind, field, std::move(message), std::move(fix)));
  }

  void CheckCommand(int position, const Button &button) {
    const std::string &command = button.Command;
    if (command.empty())
      return;
    if (auto subBar = SubBarOf(context_.ProgramFile(), button)) {
      CheckSubBar(position, RemoveQuotes(command), *subBar);
      return;
    }
    if (SpecialCommand(command)) {
      CheckCommandName(position, command);
      return;
    }
    const ProgramLookup program = LookUpProgram(context_.ProgramFile(), command, button.StartPath);
    if (!program.found && !NoFileKind(program.resolved))
      missing_.push_back({bfCommand, program.resolved});
    if (!program.found)
      Add(position, ProblemKind::MissingProgram, bfCommand,
          AsResolved(context_.ProgramFile(),
                     JoinTexts({"%s ", NoFileKind(program.resolved).value_or("does not exist")}),
                     program.name, program.resolved, program.name));
  }

  void CheckSubBar(int position, const std::string &name, const std::string &resolved) {
    if (!platform::FileExists(resolved))
      Add(position, ProblemKind::MissingSubBar, bfCommand,
          AsResolved(context_.ProgramFile(), "the sub-bar %s does not exist", name, resolved,
                     name));
    else if (!barIdentity_.empty() && context_.Identity(resolved) == barIdentity_)
      Add(position, ProblemKind::SubBarLoop, bfCommand,
          platform::Message("the sub-bar %s is this bar itself", {Verbatim(name)}));
    else if (const BarFileKind kind = KindOfBarFile(resolved); IsNoBar(kind))
      Add(position, ProblemKind::NotABar, bfCommand, NotABarMessage(name, kind));
  }

  void CheckCommandName(int position, const std::string &command) {
    const std::string name = RemoveQuotes(FirstWord(WithoutElevation(command)));
    const std::string upper = platform::UpperText(name);
    if (upper.rfind("CM_", 0) == 0 && context_.KnowsInternalCommands() &&
        !context_.IsInternalCommand(name))
      Add(position, ProblemKind::UnknownCommand, bfCommand,
          platform::Message("%s is no command of Totalcmd.inc", {Verbatim(name)}));
    // Numbers below 1 are Total Commander's own (its default bars hold -2), whether or not
    // a command list names them.
    else if (IsCommandNumber(upper) && CommandNumberValue(upper).value_or(1) >= 1 &&
             context_.KnowsInternalCommands() && !context_.IsInternalNumber(name))
      Add(position, ProblemKind::UnknownCommand, bfCommand,
          platform::Message("%s is no command number of Totalcmd.inc", {Verbatim(name)}));
    else if (upper.rfind("EM_", 0) == 0 && !context_.IsUserCommand(name))
      Add(position, ProblemKind::UnknownCommand, bfCommand,
          platform::Message("%s is no user command (usercmd.ini)", {Verbatim(name)}));
  }

  void CheckIcon(int position, const Button &button) {
    const std::string filePart = IconFilePart(button.IconRef);
    if (filePart.empty())
      return;
    const IconFile &file = ResolveIconFile(filePart);
    const std::string written = IconFileAsWritten(button.IconRef);
    if (!file.exists) {
      // Named in the letter case the button writes it, should the message name its folder.
      if (!NoFileKind(file.resolved))
        missing_.push_back({bfIconRef, ResolveFile(context_.ProgramFile(), written)});
      Add(position, ProblemKind::MissingIconFile, bfIconRef,
          AsResolved(context_.ProgramFile(),
                     JoinTexts({"the icon file %s ",
                                NoFileKind(file.resolved).value_or("does not exist")}),
                     written, file.resolved, written));
      return;
    }
    CheckIconIndex(position, button.IconRef, written, file);
    NoteIconName(filePart, written, file);
  }

  void CheckIconIndex(int position, const std::string &reference, const std::string &written,
                      const IconFile &file) {
    const std::optional<int> index = IconIndexPart(reference);
    if (!index) {
      Add(position, ProblemKind::IconIndex, bfIconRef,
          platform::Message("the icon index of %s is beyond the icons of any file",
                            {Verbatim(reference)}));
      return;
    }
    if (*index < 0) {
      // The icon the resource identifier names: the shell's "file,-ID".
      if (!IconPosition(file.resolved, *index))
        Add(position, ProblemKind::IconIndex, bfIconRef,
            platform::Message(
                "%s has no icon with the identifier %s",
                {Verbatim(written), Verbatim(Decimal(-static_cast<long long>(*index)))}));
      return;
    }
    const unsigned count = context_.IconCount(file.resolved);
    if (static_cast<unsigned>(*index) < count)
      return;
    const MessageText holds = count == 0 ? platform::Message("none")
                              : count == 1
                                  ? platform::Message("1 icon")
                                  : platform::Message("%s icons", {Verbatim(Decimal(count))});
    Add(position, ProblemKind::IconIndex, bfIconRef,
        platform::Message("%s has no icon %s: it holds %s",
                          {Verbatim(written), Verbatim(Decimal(*index)), holds}));
  }

  // Which buttons name one file differently is found once every button's name is known
  // (BarChecker::Check): here the button's name is only noted.
  void NoteIconName(const std::string &filePart, const std::string &written, const IconFile &file) {
    iconName_ = IconName{file.identity, filePart, written};
  }

  void CheckStartPath(int position, const Button &button) {
    if (button.StartPath.empty())
      return;
    std::string path = RemoveQuotes(button.StartPath);
    if (platform::FindChar(path, '%') != std::string::npos)
      path = ExpandEnvironmentReference(context_.ProgramFile(), path);
    if (IsRootedPath(path) && !platform::DirectoryExists(path)) {
      missing_.push_back({bfStartPath, path});
      Add(position, ProblemKind::MissingStartPath, bfStartPath,
          AsResolved(context_.ProgramFile(), "the start path %s is no folder", button.StartPath,
                     path, RemoveQuotes(button.StartPath)));
    }
  }

  // When the folder the program lies in is missing and the icon file or the start path
  // lie there too, one problem says so for all of them: one thing to set right, not
  // three. It is the program's, or the icon file's when the program is found.
  void MergeMissingFolder(int position) {
    const auto still = [this](int field) {
      return std::any_of(problems_.begin(), problems_.end(), [field](const Problem &problem) {
        return problem.Field == field && (problem.Kind == ProblemKind::MissingProgram ||
                                          problem.Kind == ProblemKind::MissingIconFile ||
                                          problem.Kind == ProblemKind::MissingStartPath);
      });
    };
    std::vector<std::pair<int, std::string>> missing = std::exchange(missing_, {});
    missing.erase(std::remove_if(missing.begin(), missing.end(),
                                 [&](const auto &one) { return !still(one.first); }),
                  missing.end());
    if (missing.size() < 2 || missing[0].first == bfStartPath)
      return;
    const std::string folder = TidyName(ExtractFilePath(missing[0].second));
    if (folder.size() < 4 || platform::DirectoryExists(folder))
      return;
    // The topmost missing folder on the way there is the one to name.
    std::string top = folder;
    for (std::string up = ExtractFilePath(top.substr(0, top.size() - 1));
         up.size() > 3 && !platform::DirectoryExists(up);
         up = ExtractFilePath(up.substr(0, up.size() - 1)))
      top = up;
    const auto inside = [&top](const std::string &name) {
      const std::string tidy = TidyName(name) + (EndsWithBackslash(name) ? "" : "\\");
      return tidy.size() >= top.size() && platform::EqualNoCase(tidy.substr(0, top.size()), top);
    };
    std::vector<int> fields;
    for (const auto &[field, name] : missing)
      if (inside(name))
        fields.push_back(field);
    if (fields.size() < 2)
      return;
    const ProblemKind kind =
        fields[0] == bfCommand ? ProblemKind::MissingProgram : ProblemKind::MissingIconFile;
    const auto merged = [&fields](const Problem &problem) {
      return std::find(fields.begin(), fields.end(), problem.Field) != fields.end() &&
             (problem.Kind == ProblemKind::MissingProgram ||
              problem.Kind == ProblemKind::MissingIconFile ||
              problem.Kind == ProblemKind::MissingStartPath);
    };
    problems_.erase(std::remove_if(problems_.begin(), problems_.end(), merged), problems_.end());
    static const std::map<std::vector<int>, const char *> Keys = {
        {{bfCommand, bfIconRef}, "%s does not exist: program and icon"},
        {{bfCommand, bfStartPath}, "%s does not exist: program and start path"},
        {{bfIconRef, bfStartPath}, "%s does not exist: icon and start path"},
        {{bfCommand, bfIconRef, bfStartPath}, "%s does not exist: program, icon and start path"}};
    std::vector<int> sorted = fields;
    std::sort(sorted.begin(), sorted.end(),
              [](int a, int b) { return FieldOrder(a) < FieldOrder(b); });
    Add(position, kind, fields[0], platform::Message(Keys.at(sorted), {Verbatim(top)}));
  }

  void CheckPortable(int position, const Button &button) {
    for (int field : PathFields) {
      const std::string &text = FieldText(button, field);
      if (auto portable = context_.PortableText(text))
        Add(position, ProblemKind::NonPortablePath, field,
            platform::Message(JoinTexts({"the ", FieldLabel(field),
                                         " %s is a drive path into Total Commander's folder"}),
                              {Verbatim(text)}),
            std::move(portable));
    }
  }

  // A %VARIABLE% that nothing sets stays in the name as written, so the name finds
  // nothing: that is the field's one problem, and what its lookup then misses (the
  // program, sub-bar, icon file or start path) is not reported besides. Checked are the
  // names Corvane looks up: the icon file, the program of a command (a sub-bar's whole
  // name; internal and keyword commands name no file) and the start path. Parameters are
  // not: they hold Total Commander's own placeholders (%P%N) and what the program makes
  // of its arguments, which no lookup here can know.
  void CheckVariables(int position, const Button &button) {
    const std::string command = RemoveQuotes(button.Command);
    const std::pair<int, std::string> names[] = {
        {bfIconRef, IconFileAsWritten(button.IconRef)},
        {bfCommand, SubBarOf(context_.ProgramFile(), button) ? command
                    : SpecialCommand(command)                ? std::string()
                                              : ButtonBar::ProgramOf(button.Command)},
        {bfStartPath, button.StartPath}};
    for (const auto &[field, name] : names) {
      const std::vector<std::string> unset = UnsetVariables(context_.ProgramFile(), name);
      if (unset.empty())
        continue;
      DropNotFound(field);
      for (const std::string &variable : unset)
        Add(position, ProblemKind::UnsetVariable, field,
            platform::Message(JoinTexts({"%s is not set (", FieldLabel(field), ")"}),
                              {Verbatim(JoinTexts({"%", variable, "%"}))}));
    }
  }

  // Drops the button's problems of a name in the field that was not found.
  void DropNotFound(int field) {
    const auto notFound = [field](const Problem &problem) {
      switch (problem.Kind) {
      case ProblemKind::MissingProgram:
      case ProblemKind::MissingSubBar:
      case ProblemKind::NotABar:
      case ProblemKind::MissingIconFile:
      case ProblemKind::IconIndex:
      case ProblemKind::MissingStartPath:
        return problem.Field == field;
      default:
        return false;
      }
    };
    problems_.erase(std::remove_if(problems_.begin(), problems_.end(), notFound), problems_.end());
  }

  const IconFile &ResolveIconFile(const std::string &filePart) {
    auto [entry, added] = iconFiles_.try_emplace(filePart);
    if (added) {
      IconFile &file = entry->second;
      file.resolved = ResolveFile(context_.ProgramFile(), filePart);
      file.exists = platform::FileExists(file.resolved);
      if (file.exists)
        file.identity = context_.Identity(file.resolved);
    }
    return entry->second;
  }

  const DoctorContext &context_;
  std::string barIdentity_;
  std::vector<Problem> problems_;                       // of the button being checked
  std::vector<std::pair<int, std::string>> missing_;    // field, the name found missing
  std::optional<IconName> iconName_;                    // of the button being checked
  std::unordered_map<std::string, IconFile> iconFiles_; // by lower-cased file part
};

// A bar as a check reads it, and the BadCount problem of a count that cannot be trusted.
struct CheckedBar {
  std::unique_ptr<ButtonBar> bar;
  std::optional<Problem> badCount;
};

// A bar whose count cannot be trusted is read with as many buttons as its highest
// number, as the repair makes it; the problem is its highest button's, the one the
// count fails to reach.
CheckedBar ReadBarToCheck(const std::string &file, const std::string &exeFileName) {
  try {
    return {std::make_unique<ButtonBar>(file, exeFileName), std::nullopt};
  } catch (const EBarCountError &e) {
    // The key's name and its value are the file's words, quoted as written there.
    const MessageText key = Verbatim("\"Buttoncount\"");
    const MessageText count =
        e.CountText() ? platform::Message("%s is %s",
                                          {key, Verbatim(JoinTexts({"\"", *e.CountText(), "\""}))})
                      : platform::Message("there is no %s", {key});
    return {std::make_unique<ButtonBar>(file, e.Highest(), exeFileName),
            MakeProblem(e.Highest() - 1, ProblemKind::BadCount, bfCommand,
                        platform::Message("%s, but the bar holds buttons up to %s",
                                          {count, Verbatim(Decimal(e.Highest()))}))};
  }
}

// The walk through a bar and its sub-bars, depth first without recursion (a chain of
// sub-bars is as deep as the files make it), each bar read once.
class TreeWalk {
public:
  TreeWalk(bool recursive, const DoctorContext &context)
      : recursive_(recursive), context_(context) {}

  std::vector<BarReport> Run(const std::string &barFile) {
    Enter(barFile, ReadBarToCheck(barFile, context_.ProgramFile()));
    while (!path_.empty()) {
      Frame &top = path_.back();
      if (!recursive_ || top.next >= top.bar->Count()) {
        onPath_.erase(top.identity);
        path_.pop_back();
        continue;
      }
      Follow(path_.size() - 1, top.next++);
    }
    for (BarReport &report : reports_)
      std::stable_sort(report.Problems.begin(), report.Problems.end(),
                       [](const Problem &a, const Problem &b) {
                         return std::tie(a.Button, a.Kind) < std::tie(b.Button, b.Kind);
                       });
    return std::move(reports_);
  }

private:
  struct Frame {
    size_t report;
    std::unique_ptr<ButtonBar> bar;
    std::string identity;
    int next = 0; // the next button whose sub-bar is to be followed
  };

  void Enter(const std::string &file, CheckedBar read) {
    const std::string identity = context_.Identity(file);
    reached_.insert(identity);
    onPath_.emplace(identity, path_.size());
    reports_.push_back({TidyName(file), read.bar->Count(), CheckBar(*read.bar, file, context_)});
    if (read.badCount)
      reports_.back().Problems.push_back(std::move(*read.badCount));
    path_.push_back({reports_.size() - 1, std::move(read.bar), identity});
  }

  // The sub-bar of a button of the bar at depth: a loop when it is on the way, else
  // entered unless reached before. Missing sub-bars and a bar opening itself are
  // CheckBar's.
  void Follow(size_t depth, int position) {
    const Button &button = *path_[depth].bar->Buttons[static_cast<size_t>(position)];
    const auto subBar = SubBarOf(context_.ProgramFile(), button);
    if (!subBar || !platform::FileExists(*subBar))
      return;
    const std::string identity = context_.Identity(*subBar);
    if (identity == path_[depth].identity)
      return;
    BarReport &report = reports_[path_[depth].report];
    if (auto onPath = onPath_.find(identity); onPath != onPath_.end()) {
      report.Problems.push_back(
          MakeProblem(position, ProblemKind::SubBarLoop, bfCommand,
                      platform::Message("the sub-bar %s leads back: %s",
                                        {Verbatim(RemoveQuotes(button.Command)),
                                         Verbatim(Way(onPath->second, *subBar))})));
      return;
    }
    if (reached_.count(identity))
      return;
    CheckedBar bar;
    try {
      bar = ReadBarToCheck(*subBar, context_.ProgramFile());
    } catch (const ENotABarError &) {
      reached_.insert(identity); // CheckBar has found it no bar
      return;
    } catch (const EBarLoadError &e) {
      reached_.insert(identity);
      report.Problems.push_back(
          MakeProblem(position, ProblemKind::MissingSubBar, bfCommand,
                      platform::Message("the sub-bar %s cannot be read: %s",
                                        {Verbatim(RemoveQuotes(button.Command)), e.Message()})));
      return;
    }
    Enter(*subBar, std::move(bar));
  }

  // The bars from the one at depth to the end of the way, then the bar reached again:
  // "main.bar > extras.bar > main.bar". Of a longer way only the first and last
  // kWayEnd bars are named, so that the messages of a deep chain of sub-bars, each
  // leading back, do not grow with its depth.
  std::string Way(size_t from, const std::string &again) const {
    static constexpr size_t kWayEnd = 3;
    std::string way;
    for (size_t depth = from; depth < path_.size(); ++depth) {
      if (depth == from + kWayEnd && path_.size() - depth > kWayEnd + 1) {
        way += "... > ";
        depth = path_.size() - kWayEnd;
      }
      way = JoinTexts({way, ExtractFileName(reports_[path_[depth].report].File), " > "});
    }
    return JoinTexts({way, ExtractFileName(again)});
  }

  bool recursive_;
  const DoctorContext &context_;
  std::vector<Frame> path_;
  std::unordered_map<std::string, size_t> onPath_; // identity -> depth
  std::unordered_set<std::string> reached_;
  std::vector<BarReport> reports_;
};

} // namespace

std::string_view KindName(ProblemKind kind) {
  switch (kind) {
  case ProblemKind::MissingProgram:
    return "missing-program";
  case ProblemKind::UnknownCommand:
    return "unknown-command";
  case ProblemKind::MissingIconFile:
    return "missing-icon-file";
  case ProblemKind::IconIndex:
    return "icon-index";
  case ProblemKind::MissingStartPath:
    return "missing-start-path";
  case ProblemKind::MissingSubBar:
    return "missing-sub-bar";
  case ProblemKind::NotABar:
    return "not-a-bar";
  case ProblemKind::SubBarLoop:
    return "sub-bar-loop";
  case ProblemKind::NonPortablePath:
    return "non-portable-path";
  case ProblemKind::MixedIconNames:
    return "mixed-icon-names";
  case ProblemKind::UnsetVariable:
    return "unset-variable";
  case ProblemKind::BadCount:
    return "bad-count";
  }
  return "unknown";
}

DoctorContext::DoctorContext(const std::string &exeFileName)
    : exeFileName_(exeFileName), commanderFolder_(FindCommanderPath(exeFileName)) {
  if (!commanderFolder_.empty())
    commanderIdentity_ = Identity(commanderFolder_);
  CommandCatalog catalog;
  catalog.Load(exeFileName);
  knowsInternal_ = !catalog.LoadError();
  for (const std::string &line : catalog.CommandLines()) {
    // Comments, headers and the lines that end a category name no command.
    if (line.empty() || line.front() == ';' || line.find("__") != std::string::npos)
      continue;
    const std::string name = SplitCommandLine(line, 1);
    if (!name.empty())
      internalCommands_.insert(platform::LowerText(name));
    std::string number = SplitCommandLine(line, 2);
    number.erase(0, std::min(number.find_first_not_of(" \t"), number.size()));
    number.erase(std::min(number.find_last_not_of(" \t") + 1, number.size()));
    if (IsCommandNumber(number))
      if (auto value = CommandNumberValue(number))
        internalNumbers_.insert(*value);
  }
  const UserCmdList users(exeFileName);
  for (const auto &command : users.Commands)
    userCommands_.insert(platform::LowerText(StripEnds(command->Section)));
}

bool DoctorContext::IsInternalCommand(const std::string &name) const {
  return internalCommands_.count(platform::LowerText(name)) != 0;
}

bool DoctorContext::IsInternalNumber(const std::string &number) const {
  const auto value = CommandNumberValue(number);
  return value && internalNumbers_.count(*value) != 0;
}

bool DoctorContext::IsUserCommand(const std::string &name) const {
  return userCommands_.count(platform::LowerText(name)) != 0;
}

unsigned DoctorContext::IconCount(const std::string &file) const {
  const auto stamp = platform::GetFileStamp(file);
  if (!stamp)
    return 0;
  auto [entry, added] = iconCounts_.try_emplace(file);
  if (added || entry->second.stamp != *stamp)
    entry->second = {*stamp, platform::ExtractIconCountA(file)};
  return entry->second.count;
}

std::string DoctorContext::Identity(const std::string &name) const {
  auto [entry, added] = identities_.try_emplace(name);
  if (added)
    entry->second = platform::FileIdentity(name);
  return entry->second;
}

// A drive path's leading folders are tried shortest first, up to a double quote, within
// the longest name Windows programs take and at most kDeepestFolder of them, and only
// while they exist: Total Commander's folder does, so a longer name cannot be it once a
// shorter one is missing. Each try looks up every folder before it again, so the depth
// bound keeps the work per drive path small; a name reaching the folder only through
// more folders than that (".\" and "..\" over and over) is left as it is.
std::optional<size_t> DoctorContext::CommanderFolderEnd(const std::string &text, size_t start,
                                                        const std::vector<size_t> &backslashes,
                                                        const std::vector<size_t> &quotes) const {
  const size_t limit = std::min({NextAt(quotes, start), text.size(), start + kLongestName});
  auto at = std::lower_bound(backslashes.begin(), backslashes.end(), start + 2);
  for (int tried = 0; tried < kDeepestFolder; ++tried, ++at) {
    const size_t end = (at == backslashes.end() || *at >= limit) ? limit : *at;
    const std::string identity = Identity(platform::TextPiece(text, start, end - start));
    if (identity == commanderIdentity_)
      return end;
    if (identity.empty() || end == limit)
      return std::nullopt;
  }
  return std::nullopt;
}

std::optional<std::string> DoctorContext::PortableText(const std::string &text) const {
  if (commanderIdentity_.empty())
    return std::nullopt;
  const PathMarks marks = MarksOf(text);
  std::string out;
  size_t copied = 0; // the text up to here is in out
  for (size_t start : marks.wordStarts) {
    if (start < copied || !IsDrivePath(text, start))
      continue;
    if (auto end = CommanderFolderEnd(text, start, marks.backslashes, marks.quotes)) {
      out.append(text, copied, start - copied);
      out += kCommanderPathReference;
      copied = *end;
    }
  }
  if (copied == 0)
    return std::nullopt;
  out.append(text, copied);
  // A marked text whose other characters the code page holds is taken into it.
  return JoinTexts({out});
}

bool SpecialCommand(const std::string &command) {
  const std::string word = CommandWord(command);
  if (word.empty())
    return false;
  return word.rfind("CM_", 0) == 0 || word.rfind("EM_", 0) == 0 || IsCommandNumber(word) ||
         IsKeyword(word) || IsSystemToolForm(command, word) || IsShellAddress(command);
}

std::optional<std::string> SubBarOf(const std::string &exeFileName, const Button &button) {
  const std::string name = RemoveQuotes(button.Command);
  if (platform::LowerText(FileExtension(name)) != ".bar" || IsKeyword(CommandWord(name)))
    return std::nullopt;
  return ResolveCommandFile(exeFileName, name, button.StartPath);
}

std::optional<std::string> CommandFileOf(const std::string &exeFileName, const Button &button) {
  if (auto subBar = SubBarOf(exeFileName, button))
    return subBar;
  if (button.Command.empty() || SpecialCommand(button.Command))
    return std::nullopt;
  return LookUpProgram(exeFileName, button.Command, button.StartPath).resolved;
}

// What a button's check found, with the texts it was found for.
struct BarChecker::Kept {
  Button texts;
  ButtonFindings findings;

  bool Fits(const Button &button) const {
    return texts.IconRef == button.IconRef && texts.Command == button.Command &&
           texts.Params == button.Params && texts.StartPath == button.StartPath &&
           texts.Tooltip == button.Tooltip && texts.RunMode == button.RunMode;
  }
};

// The buttons' findings by button. A button is known by its record, which an edit
// changes in place or replaces: the texts kept with it tell whether it changed, also
// when a new record takes the place of a freed one.
class BarChecker::Buttons {
public:
  Buttons(const std::string &barFile, const DoctorContext &context) : check_(barFile, context) {}

  // Starts a pass: the findings of the last pass are kept for this one.
  void NewPass(size_t count) {
    check_.NewPass();
    last_.swap(now_);
    now_.clear();
    now_.reserve(count);
  }
  // The findings for a button, kept from the last pass when its texts are the same,
  // else checked anew (and counted in rechecked).
  const ButtonFindings &Findings(int position, const Button &button, int &rechecked) {
    auto node = last_.extract(&button);
    if (!node.empty() && node.mapped().Fits(button))
      return now_.insert(std::move(node)).position->second.findings;
    ++rechecked;
    Kept fresh{button, check_.CheckButton(position, button)};
    return now_.insert_or_assign(&button, std::move(fresh)).first->second.findings;
  }

private:
  BarCheck check_;
  std::unordered_map<const Button *, Kept> last_, now_;
};

BarChecker::BarChecker(const std::string &barFile, const DoctorContext &context)
    : buttons_(std::make_unique<Buttons>(barFile, context)) {}

BarChecker::~BarChecker() = default;

// Every button's kept or new findings in order; a button naming an icon file otherwise
// than the first button naming it gets its MixedIconNames among them, in the order of
// ProblemKind. Names differing only in letter case are one name. The problems are written
// over those of the last check, so that their texts mostly reuse the memory they had.
const std::vector<Problem> &BarChecker::Check(const ButtonBar &bar) {
  buttons_->NewPass(bar.Buttons.size());
  rechecked_ = 0;
  size_t used = 0;
  const auto put = [&](const Problem &problem, int position) {
    if (used < problems_.size())
      problems_[used] = problem;
    else
      problems_.push_back(problem);
    problems_[used++].Button = position;
  };
  // By file identity: the first name given to the file and its button.
  std::unordered_map<std::string_view, std::pair<const IconName *, int>> firstNames;
  for (int position = 0; position < bar.Count(); ++position) {
    const ButtonFindings &found =
        buttons_->Findings(position, *bar.Buttons[static_cast<size_t>(position)], rechecked_);
    std::optional<Problem> mixed;
    if (const auto &name = found.iconName) {
      const auto [entry, added] = firstNames.try_emplace(name->identity, &*name, position);
      const auto &[firstName, firstPosition] = entry->second;
      if (!added && firstName->filePart != name->filePart)
        mixed =
            MakeProblem(position, ProblemKind::MixedIconNames, bfIconRef,
                        platform::Message("%s names the same icon file as %s at button %s",
                                          {Verbatim(name->written), Verbatim(firstName->written),
                                           Verbatim(Decimal(firstPosition + 1))}));
    }
    for (const Problem &problem : found.problems) {
      if (mixed && ProblemKind::MixedIconNames < problem.Kind)
        put(*std::exchange(mixed, std::nullopt), position);
      put(problem, position);
    }
    if (mixed)
      put(*mixed, position);
  }
  problems_.erase(problems_.begin() + static_cast<std::ptrdiff_t>(used), problems_.end());
  return problems_;
}

std::vector<Problem> CheckBar(const ButtonBar &bar, const std::string &barFile,
                              const DoctorContext &context) {
  return BarChecker(barFile, context).Check(bar);
}

std::vector<BarReport> CheckBarTree(const std::string &barFile, bool recursive,
                                    const DoctorContext &context) {
  return TreeWalk(recursive, context).Run(barFile);
}

std::vector<PortableChange> PortableChanges(const ButtonBar &bar, const DoctorContext &context) {
  std::vector<PortableChange> changes;
  for (int position = 0; position < bar.Count(); ++position)
    for (int field : PathFields) {
      const std::string &text = FieldText(*bar.Buttons[static_cast<size_t>(position)], field);
      if (auto portable = context.PortableText(text))
        changes.push_back({position, field, text, std::move(*portable)});
    }
  return changes;
}

edits::Edit PortablePathsEdit(const ButtonBar &bar, const DoctorContext &context) {
  const std::string name = "Make paths portable";
  std::vector<edits::Edit> steps;
  edits::FieldTexts fields;
  const auto changes = PortableChanges(bar, context);
  for (size_t i = 0; i < changes.size(); ++i) {
    fields.emplace_back(changes[i].Field, changes[i].New);
    // One step per button, with every field of it that changes.
    if (i + 1 == changes.size() || changes[i + 1].Button != changes[i].Button)
      steps.push_back(edits::SetFields(changes[i].Button, std::exchange(fields, {}), name));
  }
  return steps.empty() ? nullptr : edits::Batch(name, std::move(steps), true);
}

} // namespace doctor
