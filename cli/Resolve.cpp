// resolve: which file a name written in a button stands for, and why.
#include "cli/Cli.h"
#include "document/Globals.h"
#include "document/HostPaths.h"
#include "platform/HostFiles.h"

#include <cstdio>

namespace cli {

namespace {

const char *const ResolveUsage =
    "usage: corvane-cli resolve NAME [--start-path DIR] [--explain] [--bytes]\n"
    "Prints the file NAME (as written in a button: bare, relative, quoted or holding\n"
    "%VARIABLE%) resolves to, through Total Commander's folder and the search path; with\n"
    "--start-path as the bar list looks up a command in its start path too. --explain\n"
    "lists each step tried. NAME and DIR are taken as UTF-8 and names are printed as\n"
    "characters; --bytes takes and prints them as the bytes a bar holds.\n";

const char *YesNo(bool value) {
  return value ? "yes" : "no";
}

// The narrative of a lookup, one line per candidate tried. The result printed is the
// lookup's own; this walks the same order to show where it stopped. Names are texts of
// the core; each line holds them as printed.
class Explanation {
public:
  explicit Explanation(TextForm form) : form_(form) {}
  void Note(const std::string &text) { lines_.push_back(text); }
  // A line of a message and a name.
  void Note(const std::string &text, const std::string &name) {
    Note(text + ShownText(name, form_));
  }
  // Records a file candidate; true when it exists.
  bool Try(const std::string &what, const std::string &candidate) {
    const bool exists = platform::FileExists(candidate);
    Note(what + ": " + ShownText(candidate, form_) + (exists ? " (exists)" : " (missing)"));
    return exists;
  }
  // The search path for a name; true on a hit.
  bool SearchPath(const std::string &name) {
    const auto hit = SearchPathDirs(name);
    Note("search path for " + ShownText(name, form_) + ": " +
         (hit ? ShownText(*hit, form_) : std::string("not found")));
    return hit.has_value();
  }
  void Print() const {
    for (size_t i = 0; i < lines_.size(); ++i)
      std::printf("  %zu. %s\n", i + 1, lines_[i].c_str());
  }

private:
  TextForm form_;
  std::vector<std::string> lines_;
};

// Returns when one candidate is taken; the steps of the lookup of a button's file name.
void ExplainResolveFile(Explanation &why, const std::string &name) {
  if (name.find('%') != std::string::npos) {
    why.Note("holds %: the first reference is expanded and taken without a check: ",
             ExpandEnvironmentReference(ExeFileName, name));
    return;
  }
  const std::string s = RemoveQuotes(name);
  if (s != name)
    why.Note("double quotes removed: ", s);
  if (s.find('\\') != std::string::npos) {
    why.Note("holds a backslash: taken as it stands");
    return;
  }
  const std::string commander = FindCommanderPath(ExeFileName);
  if (commander.empty())
    why.Note("Total Commander's folder not found (neither COMMANDER_PATH nor "
             "\"commander_path\" names one): its steps are skipped");
  else if (why.Try("in Total Commander's folder", commander + "\\" + s))
    return;
  std::vector<std::string> dirs;
  why.Note("search path (\"Path\"): " + std::to_string(SplitSearchPath(dirs)) + " folders");
  const bool hasExt = !FileExtension(s).empty();
  if (hasExt && why.SearchPath(s))
    return;
  for (auto ext = ExecutableExtensions.begin(); !hasExt && ext != ExecutableExtensions.end(); ++ext)
    if (why.SearchPath(s + std::string(*ext)))
      return;
  if (!commander.empty()) {
    const std::string inFolder = commander + "\\" + s + "\\" + s;
    for (auto ext = ExecutableExtensions.begin(); !hasExt && ext != ExecutableExtensions.end();
         ++ext)
      if (why.Try("in a folder of its own name", inFolder + std::string(*ext)))
        return;
    if (why.Try("in a folder of its own name", inFolder))
      return;
  }
  why.Note("nothing found: the name itself");
}

} // namespace

int Resolve(const Args &args) {
  const ParsedArgs parsed = ParseArgs(args, {{"--explain", "--bytes"}, {"--start-path"}});
  if (parsed.help) {
    std::fputs(ResolveUsage, stdout);
    return 0;
  }
  parsed.RequirePositional(1, 1, {"name"});
  const TextForm form = parsed.Form();
  const std::string name = TakenText(parsed.positional[0], form, "the name");
  auto startPath = parsed.Value("--start-path");
  if (startPath)
    startPath = TakenText(*startPath, form, "the start path");
  const std::string resolved = startPath ? ResolveWithStartPath(ExeFileName, name, *startPath)
                                         : ResolveFile(ExeFileName, name);
  if (parsed.Has("--explain")) {
    Explanation why(form);
    ExplainResolveFile(why, name);
    if (startPath) {
      const std::string first = ResolveFile(ExeFileName, name);
      if (first == name)
        why.Try("unchanged, so after the start path", RemoveQuotes(*startPath) + LowerAscii(first));
      else
        why.Note("changed, so the start path is not used");
    }
    std::printf("steps:\n");
    why.Print();
  }
  const std::string host = platform::HostPath(resolved);
  std::printf("name: %s\nresolved: %s\nhost path: %s\nexists: %s\n", ShownText(name, form).c_str(),
              ShownText(resolved, form).c_str(), host.c_str(),
              YesNo(platform::FileExists(resolved)));
  return 0;
}

} // namespace cli
