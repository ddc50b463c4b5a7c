#include "cli/Cli.h"
#include "document/ButtonList.h"
#include "document/Program.h"
#include "platform/Process.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <exception>
#include <filesystem>
#include <map>
#ifdef __GLIBC__
#include <malloc.h>
#endif

namespace {

const char *const Usage =
    "usage: corvane-cli VERB [ARGS...]\n"
    "verbs:\n"
    "  show BAR [--json]                 list the bar's buttons\n"
    "  edit BAR OPERATION...             change the bar and save it\n"
    "  icons FILE [--json]               list the icons Corvane sees in a file\n"
    "  extract FILE INDEX OUT            write one icon as .ico or its largest image as .png\n"
    "  make-icl OUT SOURCE...            write an icon library from icons\n"
    "  resolve NAME [--start-path DIR]   show which file a button's name stands for\n"
    "  copy BAR POS                      print a button as clipboard text\n"
    "  paste BAR [--after POS] < TEXT    add a button from clipboard text and save\n"
    "  commands [--category NAME]        list Total Commander's commands by category\n"
    "  check BAR [--recursive] [--json]  list what has rotted in a bar and its sub-bars\n"
    "  fix BAR --portable [--recursive] [--dry-run]\n"
    "                                    write drive paths into Total Commander's folder\n"
    "                                    from %COMMANDER_PATH% and save\n"
    "  diff OLD NEW [--json]             list the buttons and keys two bars differ in\n"
    "  merge BASE OURS THEIRS [-o OUT]   merge two bars changed from one, button by button\n"
    "  export-dc BAR -o OUT.xml          write a bar as a Double Commander toolbar\n"
    "  import-dc TOOLBAR.xml -o OUT.bar  write a bar from a Double Commander toolbar\n"
    "Texts are printed as characters in UTF-8 and taken as UTF-8; with --bytes a verb\n"
    "prints and takes them as the bytes the bar holds (in the system code page).\n"
    "run 'corvane-cli VERB --help' for a verb's arguments, 'corvane-cli --version' for the\n"
    "version\n";

// The start settles the program's file (the folder of "Corvane.ini" and the program's
// files is the executable's own), its settings and their code page before a verb reads
// anything, as the editor's does.
cli::Context StartCli() {
  const ProgramStart start = StartProgram(platform::ExecutableHostPath());
  if (start.SettingsProblem)
    std::fprintf(stderr, "corvane-cli: %s; the installed settings are read\n",
                 cli::CoreMessageToUtf8(*start.SettingsProblem).c_str());
  return {start.ExeFileName};
}

// A verb works on files of megabytes in a few large steps (read, parse, write). By
// default glibc gives each large block a mapping of its own and hands freed memory back
// at once, so every step faults its pages in anew; kept in the heap, the pages one step
// frees serve the next.
void KeepFreedMemoryForReuse() {
#ifdef __GLIBC__
  mallopt(M_MMAP_THRESHOLD, 64 << 20);
  mallopt(M_TRIM_THRESHOLD, 256 << 20);
#endif
}

#if defined(__SANITIZE_ADDRESS__)
#define CORVANE_FREE_AT_EXIT 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define CORVANE_FREE_AT_EXIT 1
#endif
#endif

// Ends the program after a verb. What the verb kept (parsed files, icon libraries) goes
// with the process: freed piece by piece it costs a tenth of a large bar's whole save.
// Everything a verb writes is written before it returns, and its output goes through
// stdio, flushed here. Under the address sanitizer everything is freed, so that leaks
// are still found.
[[noreturn]] void Finish(int status) {
  // Output that did not reach its file (a full disk) is a failure, whatever the verb did.
  if (std::fflush(stdout) != 0 || std::ferror(stdout)) {
    std::fprintf(stderr, "corvane-cli: the output could not be written: %s\n",
                 std::strerror(errno));
    status = status == 0 ? 1 : status;
  }
#ifdef CORVANE_FREE_AT_EXIT
  std::exit(status);
#else
  std::fflush(nullptr);
  std::_Exit(status);
#endif
}

} // namespace

int main(int argc, char **argv) {
  // Bars, clipboard texts and icons pass through the standard streams byte for byte.
  platform::UseBinaryStandardStreams();
  const std::vector<std::string> arguments = platform::Utf8Arguments(argc, argv);
  const std::map<std::string, int (*)(const cli::Context &, const cli::Args &)> verbs = {
      {"show", cli::Show},
      {"edit", cli::Edit},
      {"icons", cli::Icons},
      {"extract", cli::Extract},
      {"make-icl", cli::MakeIcl},
      {"resolve", cli::Resolve},
      {"copy", cli::Copy},
      {"paste", cli::Paste},
      {"commands", cli::Commands},
      {"check", cli::Check},
      {"fix", cli::Fix},
      {"diff", cli::Diff},
      {"merge", cli::Merge},
      {"export-dc", cli::ExportDc},
      {"import-dc", cli::ImportDc},
  };
  if (arguments.size() < 2 || arguments[1] == "--help" || arguments[1] == "-h") {
    std::fputs(Usage, arguments.size() < 2 ? stderr : stdout);
    return arguments.size() < 2 ? 2 : 0;
  }
  if (arguments[1] == "--version") {
    std::printf("corvane-cli %s\n", CORVANE_VERSION);
    return 0;
  }
  const std::string &verbName = arguments[1];
  auto verb = verbs.find(verbName);
  if (verb == verbs.end()) {
    std::fprintf(stderr, "corvane-cli: unknown verb '%s'\n%s", verbName.c_str(), Usage);
    return 2;
  }
  KeepFreedMemoryForReuse();
  try {
    const cli::Context context = StartCli();
    Finish(verb->second(context, cli::Args(arguments.begin() + 2, arguments.end())));
  } catch (const cli::UsageError &e) {
    std::fprintf(stderr, "corvane-cli %s: %s (see 'corvane-cli %s --help')\n", verbName.c_str(),
                 e.what(), verbName.c_str());
    return 2;
  } catch (const cli::UnreadableBar &e) {
    std::fprintf(stderr, "corvane-cli %s: %s\n", verbName.c_str(), e.what());
    return 3;
  } catch (const cli::Failure &e) {
    std::fprintf(stderr, "corvane-cli %s: %s\n", verbName.c_str(), e.what());
    return 1;
  } catch (const ENotABarError &e) {
    // Like a bar that cannot be read: whatever the verb, nothing was written.
    std::fprintf(stderr, "corvane-cli %s: %s\n", verbName.c_str(),
                 cli::CoreMessageToUtf8(e.what()).c_str());
    return 3;
  } catch (const EBarCountError &e) {
    std::fprintf(stderr, "corvane-cli %s: %s 'corvane-cli fix BAR --count' repairs the count.\n",
                 verbName.c_str(), cli::CoreMessageToUtf8(e.what()).c_str());
    return 1;
  } catch (const std::exception &e) {
    // The core's messages quote its texts (Windows names, values) in its own form.
    std::fprintf(stderr, "corvane-cli %s: %s\n", verbName.c_str(),
                 cli::CoreMessageToUtf8(e.what()).c_str());
    return 1;
  }
}
