#include "cli/Cli.h"
#include "document/Globals.h"
#include "platform/HostFiles.h"

#include <cstdio>
#include <exception>
#include <filesystem>
#include <map>

namespace {

const char *const Usage = "usage: corvane-cli VERB [ARGS...]\n"
                          "verbs:\n"
                          "  show BAR [--json]          list the bar's buttons\n"
                          "  edit BAR OPERATION...      change the bar and save it\n"
                          "run 'corvane-cli VERB --help' for a verb's arguments\n";

// The folder of "Corvane.ini" and the program's files is the executable's own.
void RecordExeFileName() {
  std::error_code ec;
  auto self = std::filesystem::read_symlink("/proc/self/exe", ec);
  if (!ec)
    ExeFileName = platform::WindowsName(self.string());
}

} // namespace

int main(int argc, char **argv) {
  const std::map<std::string, int (*)(const cli::Args &)> verbs = {
      {"show", cli::Show},
      {"edit", cli::Edit},
  };
  if (argc < 2 || std::string(argv[1]) == "--help" || std::string(argv[1]) == "-h") {
    std::fputs(Usage, argc < 2 ? stderr : stdout);
    return argc < 2 ? 2 : 0;
  }
  auto verb = verbs.find(argv[1]);
  if (verb == verbs.end()) {
    std::fprintf(stderr, "corvane-cli: unknown verb '%s'\n%s", argv[1], Usage);
    return 2;
  }
  RecordExeFileName();
  try {
    return verb->second(cli::Args(argv + 2, argv + argc));
  } catch (const cli::UsageError &e) {
    std::fprintf(stderr, "corvane-cli %s: %s (see 'corvane-cli %s --help')\n", argv[1], e.what(),
                 argv[1]);
    return 2;
  } catch (const std::exception &e) {
    std::fprintf(stderr, "corvane-cli %s: %s\n", argv[1], e.what());
    return 1;
  }
}
