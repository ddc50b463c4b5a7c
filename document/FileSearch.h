#pragma once
// Unit misk (HostPaths): where a bare file name, one without folder or quotes, is looked
// for, and the steps a lookup records for a caller that shows how it went. Total
// Commander's folder is given, so that the places are known before any name is
// resolved (Resolve.h resolves names of every form; CommanderLocation.h finds the folder
// and wincmd.ini with this search).
#include <array>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// Tried in this order for a name written without an extension.
inline constexpr std::array<std::string_view, 5> ExecutableExtensions = {".com", ".exe", ".dll",
                                                                         ".icl", ".ico"};

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

// Records a step when the caller asked for a trace.
void NoteStep(ResolveTrace *trace, ResolveRule rule, const std::string &name, bool exists = false,
              const std::string &found = {});
// The name when a file of that name exists; the tried name goes into the trace.
std::optional<std::string> TryFile(ResolveTrace *trace, ResolveRule rule, const std::string &name);

// What a lookup made of a name, and whether that is its answer: false for a relative name
// no place holds, which a start path may still find.
struct FileLookup {
  std::string Name;
  bool Answered = true;
};

// A bare name looked for in Total Commander's folder commanderPath, on "Path", then in a
// folder of its own name below commanderPath; a name without an extension is tried with
// each of ExecutableExtensions on "Path" and in its own folder. Without commanderPath
// only "Path" is searched. A name found nowhere is named in commanderPath (a file that is
// not there; the name as given without one), not answered, so that no caller's check
// finds it in the current folder.
FileLookup LookUpBareName(const std::string &commanderPath, const std::string &name,
                          ResolveTrace *trace);
