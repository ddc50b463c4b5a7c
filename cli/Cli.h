#pragma once
// corvane-cli: the scripting front end over the same core as the editor. Every verb
// takes the arguments after its name and returns the process exit status.
#include <cstdint>
#include <map>
#include <optional>
#include <set>
#include <stdexcept>
#include <string>
#include <vector>

class ButtonsList;

namespace cli {

using Args = std::vector<std::string>;

// A mistake in the command line: reported with the verb's usage, exit status 2.
class UsageError : public std::runtime_error {
public:
  using std::runtime_error::runtime_error;
};

int Show(const Args &args);
int Edit(const Args &args);
int Icons(const Args &args);
int Extract(const Args &args);
int MakeIcl(const Args &args);
int Resolve(const Args &args);
int Copy(const Args &args);
int Paste(const Args &args);
int Commands(const Args &args);

// A host path from the command line as the Windows name the core works with.
std::string WindowsNameOfArgument(const std::string &hostPath);
// Bytes as JSON text: each byte becomes the code point of the same value, so the output
// is lossless whatever the bar's code page.
std::string JsonText(const std::string &bytes);
// A 1-based position from the command line, checked against 1..last.
int ParsePosition(const std::string &text, int last, const char *what);
// A whole number from the command line, checked against first..last.
int ParseNumber(const std::string &text, int first, int last, const char *what);

// The options a verb knows: flags stand alone, valued options take the next argument.
struct ArgSpec {
  std::set<std::string> flags;
  std::set<std::string> valued;
};

// A verb's command line split into positional arguments and options. "--help" is
// always known. An argument starting with "--" that the verb does not know, or a valued
// option at the end, is a UsageError.
struct ParsedArgs {
  std::vector<std::string> positional;
  std::set<std::string> flags;
  std::map<std::string, std::string> values;
  bool help = false;

  bool Has(const std::string &flag) const { return flags.count(flag) != 0; }
  std::optional<std::string> Value(const std::string &option) const;
  // Throws UsageError unless min..max positional arguments were given; names says what
  // the first missing one is.
  void RequirePositional(size_t min, size_t max, const std::vector<const char *> &names) const;
};
ParsedArgs ParseArgs(const Args &args, const ArgSpec &options);

// The bar's cache mode from "off", "links" or "tcmenu"; UsageError otherwise.
uint8_t ParseCacheMode(const std::string &text);
// The cache mode a new bar gets: "DefaultCache" of "Corvane.ini" beside the program.
uint8_t DefaultCacheMode();

// Saves the bar as fileName; a cache the save left out is named on standard error.
void SaveBar(ButtonsList &bar, const std::string &fileName);

// A bar file named on the command line that must exist; throws otherwise.
std::string ExistingFile(const std::string &hostPath);
// The text with A-Z lower-cased, as the core compares file names.
std::string LowerAscii(std::string text);
// Writes bytes to standard output as they are.
void WriteOut(const std::string &bytes);

} // namespace cli
