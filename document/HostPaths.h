#pragma once
// Unit misk: the host environment and paths. Stateless lookups that find Total
// Commander's directory and settings file, turn the file names written in buttons (bare,
// relative, quoted, or holding an environment reference) into existing full names, split
// icon references, and move plain text to and from the clipboard.
//
// Every name here is a Windows name, a text of the core (code page bytes, or marked UTF-8;
// see platform/CodePage.h); existence checks and reads go through platform/. Separators
// and letters are characters of the code page, never the second byte of a two-byte
// character, and letter case is the code page's. A name joined from parts is one text:
// in the code page when it holds every character, else marked as a whole.
// Functions that need the program's own folder take ExeFileName, the executable's full
// Windows name; the program's settings file "Corvane.ini" lies in that folder.
// Lookups never report errors: they give empty text or the name they were given.
#include <array>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

// The conversion error of a text that is not a 32-bit signed decimal number.
class EConvertError : public std::runtime_error {
public:
  using std::runtime_error::runtime_error;
};

// A decimal integer: optional leading blanks, an optional sign, decimal digits, nothing
// after them, within the 32-bit signed range. Anything else throws EConvertError
// "'<text>' is not a valid integer value". Hexadecimal ("$1F") is not accepted: no file
// Corvane reads writes numbers that way, and an icon index must not change meaning.
int StrToInt(const std::string &text);

// Tried in this order for a name written without an extension.
inline constexpr std::array<std::string_view, 5> ExecutableExtensions = {".com", ".exe", ".dll",
                                                                         ".icl", ".ico"};

// The extension of a name: the text from its last dot, dot included, when no backslash
// or colon follows that dot; otherwise empty.
std::string FileExtension(const std::string &name);
// The name with its extension replaced by ext, or ext appended when it has none.
std::string ChangeFileExt(const std::string &name, const std::string &ext);
// The folder part of a name, up to and including its last backslash or colon.
std::string ExtractFilePath(const std::string &name);
// The name without its folder part. Parts of a marked name are texts of their own (see
// platform::TextPiece): in the code page where it holds them.
std::string ExtractFileName(const std::string &name);

// The value of an environment variable, empty when it is unset. Outside Windows the
// environment is the one Wine gives a Windows program (platform/Environment.h).
std::string GetEnvironment(const std::string &name);

// How Total Commander's folder or its settings file was found, in the order tried.
enum class FoundBy {
  Nothing,         // no step found one: the name is empty (or the empty "wincmd" setting)
  Environment,     // COMMANDER_PATH, COMMANDER_INI
  Setting,         // "commander_path", "wincmd" of the settings file
  CommanderFolder, // wincmd.ini in Total Commander's folder
  SearchPath,      // wincmd.ini in a folder of "Path"
  UninstallEntry,  // a folder an uninstall entry of the Wine prefix's registry names
  UsualFolder,     // a usual installation folder on drive C:
  ApplicationData, // wincmd.ini where Total Commander keeps it by default
};

// What a lookup found and how: Source names what led to it (the variable, the settings
// file, the registry key and value, the application data folder), empty where the rule
// says it all.
struct HostLocation {
  std::string Name;
  FoundBy How = FoundBy::Nothing;
  std::string Source;
};

// Total Commander's directory without a trailing backslash, first found of:
// 1. COMMANDER_PATH naming an existing directory (one trailing backslash removed);
// 2. the "commander_path" setting naming one (likewise);
// 3. a folder holding TOTALCMD.EXE or TOTALCMD64.EXE that an uninstall entry of Total
//    Commander in the Wine prefix's system.reg names: the entries "Totalcmd",
//    "Totalcmd64" and "Total Commander" of the key
//    Software\Microsoft\Windows\CurrentVersion\Uninstall, and of the same key below
//    Software\Wow6432Node (where a 32-bit installer writes), each by its values
//    "InstallLocation" (the folder), "DisplayIcon" and "UninstallString" (a file in it,
//    possibly quoted, followed by an icon index or arguments);
// 4. C:\totalcmd, C:\Program Files\totalcmd, C:\Program Files (x86)\totalcmd, when it
//    holds one of those programs.
// Steps 3 and 4 find an installation when nothing names one, as for a program started
// from the desktop's menu. Empty when no step finds one. A folder given as a host path
// ("/home/u/totalcmd") is found as its Windows name ("Z:\home\u\totalcmd"), so that
// every name made from it is one Windows name.
HostLocation LocateCommanderPath(const std::string &ExeFileName);
// COMMANDER_PATH as it is set when it names no existing folder, which
// LocateCommanderPath passes over for its next steps; empty when it is unset or names one.
std::string CommanderPathNamingNoFolder();
// LocateCommanderPath's name.
std::string FindCommanderPath(const std::string &ExeFileName);
// The full name of wincmd.ini, first found of:
// 1. COMMANDER_INI, unchecked;
// 2. the file in Total Commander's directory, then in the folders of "Path" (ResolveFile);
// 3. the "wincmd" setting, unchecked, when it is not empty;
// 4. GHISLER\wincmd.ini, where Total Commander keeps it by default, in the application
//    data folder of the prefix's user, APPDATA (as Wine sets it: the "AppData" shell
//    folder of the prefix's user.reg, else C:\users\<USERNAME or USER>\AppData\Roaming);
//    only an existing file.
// Empty when no step finds one.
HostLocation LocateWincmdIni(const std::string &ExeFileName);
// LocateWincmdIni's name.
std::string FindWincmdIni(const std::string &ExeFileName);
// How a location was found, in a few English words without its name or source
// ("uninstall entry in the Wine prefix"): a key the translation may replace.
std::string FoundByText(FoundBy how);
// The full name of Total Commander's localized command list; may be empty or missing.
std::string FindLocalizedCommandList(const std::string &ExeFileName);
// The value a %NAME% in a button's name stands for: Total Commander's own variables from
// what was found, as Total Commander sets them for the programs it starts
// (COMMANDER_PATH its folder, COMMANDER_INI its wincmd.ini, COMMANDER_EXE TOTALCMD64.EXE
// or TOTALCMD.EXE in that folder, whichever is there, COMMANDER_DRIVE the folder's drive
// such as "C:"), any other from the environment. Empty when nothing sets it.
std::string VariableValue(const std::string &ExeFileName, const std::string &name);
// The text with its first environment reference expanded (%COMMANDER_PATH% first of all).
// A reference to a variable nothing sets is kept as written, never expanded to empty
// text: the name then finds nothing, rather than what the rest of it names.
std::string ExpandEnvironmentReference(const std::string &ExeFileName, const std::string &text);
// The names of the %VARIABLES% of a text that nothing sets (VariableValue is empty), each
// once (letter case ignored), in the order they stand. References pair up as Windows
// expands them: the closing "%" of an unset name may open the next one; "%%" and text
// holding a backslash or a blank ("%A%\%B%": "\") name none.
std::vector<std::string> UnsetVariables(const std::string &ExeFileName, const std::string &text);
// The text without any double-quote character.
std::string RemoveQuotes(const std::string &text);
// The rule behind one step of ResolveFile or ResolveWithStartPath.
enum class ResolveRule {
  Expanded,                // the name holds "%": Name is the expansion, taken unchecked
  Unquoted,                // Name is the name without its double quotes
  RootedName,              // a name from a drive, a root or a host path: taken as it stands
  NoCommanderPath,         // Total Commander's folder is not known: its places are skipped
  InCommanderPath,         // Name in Total Commander's folder
  OnSearchPath,            // Name looked for in the folders of "Path"; Found is the hit
  InFolderOfItsName,       // Name in a folder of its own name below Total Commander's folder
  NothingFound,            // no place held the name: Name, where Total Commander would have it
  StartPathUnused,         // the name resolved elsewhere, so the start path is not tried
  AfterStartPath,          // Name, the lower-cased name after the start path
  RelativeInCommanderPath, // a relative name with folders: Name, in Total Commander's folder
  StartPathNotRooted,      // the start path (Name) is relative: it is not tried
};

// One step of a lookup, in the order the lookup took it.
struct ResolveStep {
  ResolveRule Rule;
  std::string Name;  // the name the rule made or tried
  bool Exists{};     // for the rules that try a file: whether one is there
  std::string Found; // OnSearchPath: the file found, empty when none
};
// The steps of one lookup, for a caller that shows how it went.
using ResolveTrace = std::vector<ResolveStep>;

// The full name of the existing file a button names; the lookup never depends on the
// current folder, as Total Commander reads its bars' names from its own folder:
// - a name holding "%" is its first reference expanded, unchecked;
// - quotes are removed; a name with a drive or from a root ("C:\x", "\x", "/x") stands
//   as it is, unchecked;
// - a relative name with folders ("tools\x.exe", "..\icons\a.ico") is Total
//   Commander's folder joined with it, unchecked;
// - a bare name is looked for in Total Commander's folder, on "Path", then in a folder
//   of its own name below Total Commander's folder;
// - a bare name found nowhere is named in Total Commander's folder (a file that is not
//   there), so that no caller's check finds it in the current folder.
// Only without a known Total Commander's folder does a relative name stay as written.
// With a trace, each step taken is appended to it.
std::string ResolveFile(const std::string &ExeFileName, const std::string &fileName,
                        ResolveTrace *trace = nullptr);
// ResolveFile; when that finds no file for a relative name, the lower-cased name directly
// after the start path (quotes removed, its first %VARIABLE% expanded), else ResolveFile's
// answer. A relative start path is not tried: it is relative to the panel Total Commander
// shows when the button runs, which no lookup here can know.
std::string ResolveWithStartPath(const std::string &ExeFileName, const std::string &fileName,
                                 const std::string &startPath, ResolveTrace *trace = nullptr);
// The first existing file made of a directory of "Path" and the name, or nothing.
std::optional<std::string> SearchPathDirs(const std::string &fileName);
// Fills the list with the non-empty directories of "Path" and returns their number; with
// an empty "Path" returns 0 and leaves the list as it was.
int SplitSearchPath(std::vector<std::string> &list);

// The file part of an icon reference, lower-cased, cut at its first comma.
std::string IconFilePart(const std::string &reference);
// The file part of an icon reference as it is written, cut at its first comma: what the
// editor shows and writes back, so that a name keeps the letter case it was given.
std::string IconFileAsWritten(const std::string &reference);
// The icon index of a reference: the digits after its last comma, 0 when there are none.
// A digit run beyond the 32-bit range throws EConvertError.
int IconIndexPart(const std::string &reference);

// The program the platform opens the document with, or empty.
std::string FindAssociatedExecutable(const std::string &document, const std::string &directory);
// The text of the platform's executable-name buffer: zero bytes before the first pair of
// zero bytes stand for spaces (a long name may come back so); the text ends at the
// first zero byte left.
std::string ExecutableBufferText(const char *buffer, size_t size);
// The Windows directory.
std::string WindowsDirectory();

// Puts the text on the clipboard; false when the clipboard could not be opened. The
// window names the owner where the platform asks for one; the backends ignore it.
bool PutClipboardText(void *window, const std::string &text);
// The clipboard's plain text up to its first zero byte, or empty.
std::string GetClipboardText(void *window);
