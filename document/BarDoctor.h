#pragma once
// Unit BarDoctor: the bar doctor. Finds what has rotted in a bar (programs and icon files
// that moved, commands Total Commander does not know, sub-bars that are gone or lead in a
// circle, drive paths into Total Commander's folder) and makes the paths portable.
//
// Names resolve exactly as everywhere else in Corvane (ResolveFile, ResolveWithStartPath,
// ExpandEnvironmentReference, the host layer's view of the disk); this unit decides only
// what counts as a problem:
// - A command's file is looked for as the bar list looks for it: ResolveWithStartPath
//   with the button's start path, an existing file with an extension or an existing
//   folder counting as found. Relative names are Total Commander's, so the answer does
//   not depend on the current folder. SpecialCommand commands (internal commands,
//   command numbers, keyword commands such as CD or OPENTABS, addresses such as
//   "http://...") and empty commands name no file; what is special is told by the
//   command's first word as a whole.
// - A leading "*" (run as administrator) is no part of the program's name. The program
//   of a quoted command or of one without blanks is ButtonBar::ProgramOf's; an
//   unquoted command with blanks is tried as Windows starts it, each leading part up to
//   a blank, shortest first, then the program ProgramOf names.
// - A sub-bar is a command whose name, without quotes, ends in ".bar": the whole command
//   names the bar file, blanks included, as QuoteCommand takes it. "OPENBAR" commands are
//   keyword commands: they switch the main bar, and bars that switch back and forth are
//   usual, so they are neither looked up nor followed.
// - "cm_" and "em_" commands are the command's first word when it starts with one of
//   them, letter case ignored, and a command number ("540") is an internal command by
//   its number; they are looked up in "Totalcmd.inc" (by name, or by the number of a
//   line name=number;description) and in the user command files, found as the command
//   browser finds them (CommandCatalog, UserCmdList). Without a readable "Totalcmd.inc"
//   internal commands are not checked, nor are command numbers below 1, which are
//   Total Commander's own ("-2" of its default bar) whatever the list holds.
// - A program written without an extension is found as the first of its name with
//   ".com", ".exe", ".bat" or ".cmd" that exists. A folder or a device where a file is
//   looked for is said to be one, not missing; a folder whose name has a program's
//   extension is no command's file.
// - An icon reference's negative index names the icon by its resource identifier
//   (IconPosition); an icon file cut short holds no icon.
// - Names in messages are tidied ("." and "folder\.." left out). When the folder of a
//   missing program (or icon file) is missing and other missing names of the button lie
//   in it, one problem names the topmost missing folder for all of them.
// - A start path is checked when it names a drive, a root or a host path once its
//   quotes are removed and its %VARIABLES% expanded; a relative start path depends
//   on the panel Total Commander shows, which no check can know.
// - A drive path is non-portable when one of its leading folders is Total Commander's
//   folder (the same folder on the host, whatever the spelling): %COMMANDER_PATH% in its
//   place keeps the button working when the folder moves. Commands, parameters, start
//   paths and icon references are searched for such paths where a word starts (at the
//   start of the text, after a blank, a double quote or "=").
// - A %VARIABLE% nothing sets (UnsetVariables) is a problem of the icon file, the program
//   of a command (a sub-bar's whole name) and the start path, once per variable and
//   field; the file such a name then misses is not reported besides. Parameters hold
//   Total Commander's own placeholders (%P%N) and are not checked.
//
// Every text here (messages included) is a text of the core: code page bytes, or marked
// UTF-8. Positions are 0-based, as in ButtonBar. Single-threaded, like the bar.
#include "document/BarEdits.h"
#include "document/ButtonList.h"
#include "platform/HostFiles.h"
#include "platform/MessageText.h"

#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <unordered_set>
#include <vector>

namespace doctor {

enum class ProblemKind {
  MissingProgram,   // the command's program or document does not exist
  UnknownCommand,   // a cm_ command not in "Totalcmd.inc", an em_ command in no user command file
  MissingIconFile,  // the icon reference's file does not exist
  IconIndex,        // the icon file has no icon at the reference's index
  MissingStartPath, // the start path is no existing folder
  MissingSubBar,    // the sub-bar the command names does not exist (or cannot be read)
  NotABar,          // the sub-bar the command names is no bar (BarFileKind.h)
  SubBarLoop,       // following sub-bars leads back to a bar already on the way
  NonPortablePath,  // a drive path into Total Commander's folder
  MixedIconNames,   // one icon file named differently by buttons of the bar
  UnsetVariable,    // a %VARIABLE% of a field that no environment sets
  BadCount,         // the bar's count cannot be trusted: missing, 0 or below its highest button
};

// Every kind, in the order above: the order of a button's problems.
inline constexpr ProblemKind AllProblemKinds[] = {
    ProblemKind::MissingProgram, ProblemKind::UnknownCommand,   ProblemKind::MissingIconFile,
    ProblemKind::IconIndex,      ProblemKind::MissingStartPath, ProblemKind::MissingSubBar,
    ProblemKind::NotABar,        ProblemKind::SubBarLoop,       ProblemKind::NonPortablePath,
    ProblemKind::MixedIconNames, ProblemKind::UnsetVariable,    ProblemKind::BadCount};

// The kind's name on the command line and in JSON: "missing-program", "unknown-command",
// "missing-icon-file", "icon-index", "missing-start-path", "missing-sub-bar", "not-a-bar",
// "sub-bar-loop", "non-portable-path", "mixed-icon-names", "unset-variable", "bad-count".
std::string_view KindName(ProblemKind kind);

struct Problem {
  int Button = 0; // 0-based position in the bar
  ProblemKind Kind = ProblemKind::MissingProgram;
  int Field = bfCommand; // the ButtonField the problem lies in
  std::string Message;   // English, naming what was found: Text's English
  // The field's whole new text that a fix writes; only non-portable paths have one.
  std::optional<std::string> Fix;
  // The message as its key and arguments, for a front end that shows it translated.
  platform::MessageText Text;
};

// The problems of one bar file.
struct BarReport {
  std::string File; // the bar's Windows name
  int Buttons = 0;
  std::vector<Problem> Problems; // by button, each button's in the order of ProblemKind
};

// A non-portable text of a button and what a fix makes of it.
struct PortableChange {
  int Button = 0;
  int Field = bfCommand;
  std::string Old;
  std::string New;
};

// What a check reads once, kept for a check run: Total Commander's folder, its internal
// commands, the user commands, and, per file, icon counts and where names lead on the
// host. Made for one run and kept while the files stay as they are; icon counts are read
// again when a file changes (its stamp), anything else needs a new context. exeFileName is
// the program's full Windows name, the base of every lookup (ResolveFile).
class DoctorContext {
public:
  explicit DoctorContext(const std::string &exeFileName);

  // The program's full Windows name the context was made for.
  const std::string &ProgramFile() const { return exeFileName_; }

  // Total Commander's folder (FindCommanderPath), empty when it is not found: then no
  // path is non-portable.
  const std::string &CommanderFolder() const { return commanderFolder_; }
  // Whether "Totalcmd.inc" was read: without it cm_ commands are not checked.
  bool KnowsInternalCommands() const { return knowsInternal_; }
  // Whether a cm_ name is one of "Totalcmd.inc"'s, or an em_ name a user command's;
  // letter case ignored.
  bool IsInternalCommand(const std::string &name) const;
  // Whether a command number ("540", "-2") is the number of one of "Totalcmd.inc"'s
  // commands.
  bool IsInternalNumber(const std::string &number) const;
  bool IsUserCommand(const std::string &name) const;

  // The number of icons in an existing file (the shell's count, as the icon picker takes
  // it), read once per version of the file.
  unsigned IconCount(const std::string &file) const;
  // What tells one existing file or folder from another, whatever name it is given by;
  // empty when no file or folder has the name.
  std::string Identity(const std::string &name) const;
  // The text with every non-portable drive path written from %COMMANDER_PATH%; nothing
  // when there is none. One pass over the text, and a bounded lookup per drive path.
  std::optional<std::string> PortableText(const std::string &text) const;

private:
  // Windows programs take names of at most MAX_PATH characters; a folder is not looked
  // for beyond that many bytes of a text (a marked text's characters take up to four).
  static constexpr size_t kLongestName = 4 * 260;
  // Nor beyond this many of its folders (a name so deep is no installation's folder).
  static constexpr int kDeepestFolder = 32;
  // Where Total Commander's folder, named from the drive path at start, ends; nothing
  // when the path does not lead through it. The positions are the text's backslashes and
  // double quotes.
  std::optional<size_t> CommanderFolderEnd(const std::string &text, size_t start,
                                           const std::vector<size_t> &backslashes,
                                           const std::vector<size_t> &quotes) const;

  std::string exeFileName_;
  std::string commanderFolder_;
  std::string commanderIdentity_;
  bool knowsInternal_ = false;
  std::unordered_set<std::string> internalCommands_; // lower-cased
  std::unordered_set<long long> internalNumbers_;
  std::unordered_set<std::string> userCommands_; // lower-cased
  struct CountedFile {
    platform::FileStamp stamp;
    unsigned count = 0;
  };
  mutable std::unordered_map<std::string, CountedFile> iconCounts_;
  mutable std::unordered_map<std::string, std::string> identities_;
};

// A command that names no file, so it is never looked for on disk: the rule of the bar
// list and of the doctor. It is told by the command's first word as a whole (quotes
// removed, letter case ignored, after a leading "*"), never by a part of a word, so a
// program path holding "CD" or "OPENBAR" somewhere is a program path. Special are:
// - internal commands: a first word starting with "cm_" or "em_", or a command number
//   ("540", "-2");
// - keyword commands: the first word CD, OPENBAR, OPENTABS, APPENDTABS, FTPOPEN,
//   SYNCOPEN, LOADSEARCH or OPENLANGUAGEFILE;
// - Windows' own tools run in forms that name no file: "control" alone or with a ".cpl"
//   file, "rundll32" (the word itself, not rundll32.exe), and a first word whose file
//   name is msconfig or msconfig.exe;
// - addresses the shell opens: "::{...}" and any scheme of two characters or more
//   before a colon ("http://", "mailto:", "file:", "shell:Name", "shell:::{...}").
bool SpecialCommand(const std::string &command);

// The sub-bar a button opens: its command resolved as the bar list resolves it (with the
// start path), whether or not the file exists; nothing when the command names no .bar
// file.
std::optional<std::string> SubBarOf(const std::string &exeFileName, const Button &button);

// The file a button's command runs, looked up as the check looks it up: the sub-bar, or
// the program as Windows starts it, whether or not it exists; nothing when the command
// names no file (empty or SpecialCommand).
std::optional<std::string> CommandFileOf(const std::string &exeFileName, const Button &button);

// The problems of a bar as it is in memory; barFile is its Windows name (empty for a bar
// never saved), used to tell a sub-bar that opens the bar itself. Sub-bars are not read:
// loops through other bars are CheckBarTree's.
std::vector<Problem> CheckBar(const ButtonBar &bar, const std::string &barFile,
                              const DoctorContext &context);

// The check of a bar being edited, kept from one check to the next. Each button's own
// problems are kept with the texts they were found for, so that a check after an edit
// looks again only at the buttons whose texts changed and at new ones; what depends on
// other buttons (mixed icon names: which button names a file first) is derived anew from
// what is kept, so that moves and deletions need no look at the disk at all. Check gives
// what CheckBar gives for the bar as it is, as long as the files that kept buttons name
// did not change meanwhile: a new BarChecker looks at every button again.
class BarChecker {
public:
  // barFile as for CheckBar.
  BarChecker(const std::string &barFile, const DoctorContext &context);
  ~BarChecker();
  BarChecker(const BarChecker &) = delete;
  BarChecker &operator=(const BarChecker &) = delete;

  // The problems of the bar as it is now, ordered as CheckBar orders them.
  const std::vector<Problem> &Check(const ButtonBar &bar);
  // How many buttons the last Check looked at anew.
  int Rechecked() const { return rechecked_; }

private:
  struct Kept;
  class Buttons;
  std::unique_ptr<Buttons> buttons_;
  std::vector<Problem> problems_;
  int rechecked_ = 0;
};

// The report of the bar file and, with recursive, of every bar its sub-bars lead to,
// each read and checked once, in the order first reached (depth first, in button
// order). A sub-bar leading back to a bar on the way there is a SubBarLoop of the button
// that opens it; a sub-bar that cannot be read a MissingSubBar, one that is no bar a
// NotABar (CheckBar's, so also without recursive). A bar whose count cannot
// be trusted (EBarCountError) is a BadCount of its highest button, and is checked as it
// opens once repaired, with that many buttons: so its other problems are found too,
// named by the buttons they will have. The bar file itself must exist; a bar that cannot
// be read or is no bar throws EBarLoadError (ENotABarError).
std::vector<BarReport> CheckBarTree(const std::string &barFile, bool recursive,
                                    const DoctorContext &context);

// The changes "Make paths portable" makes, by button and field (icon reference, command,
// parameters, start path).
std::vector<PortableChange> PortableChanges(const ButtonBar &bar, const DoctorContext &context);
// "Make paths portable" as one edit of the bar (each changed button's fields set, the
// selection kept), or nullptr when nothing is to change.
edits::Edit PortablePathsEdit(const ButtonBar &bar, const DoctorContext &context);

} // namespace doctor
