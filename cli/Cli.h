#pragma once
// corvane-cli: the scripting front end over the same core as the editor. Every verb
// takes the arguments after its name and returns the process exit status.
#include <cstdint>
#include <map>
#include <nlohmann/json_fwd.hpp>
#include <optional>
#include <set>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

class ButtonBar;
namespace barcompare {
struct BarContent;
}

namespace cli {

using Args = std::vector<std::string>;

// What every verb is given besides its arguments: the program as its start found it.
struct Context {
  // The executable's full Windows name: the folder of "Corvane.ini" and the base of the
  // lookups of Total Commander's files.
  std::string ExeFileName;
};

// A mistake in the command line: reported with the verb's usage, exit status 2.
class UsageError : public std::runtime_error {
public:
  using std::runtime_error::runtime_error;
};

// Any other failure the command line front end finds itself, exit status 1. Its message,
// like a UsageError's, is UTF-8 (host paths, the words given); the core's exceptions
// carry the core's own texts and are converted when they are reported.
class Failure : public std::runtime_error {
public:
  using std::runtime_error::runtime_error;
};

// A file named on the command line that cannot be read as a bar: exit status 3, so that
// a caller (git) tells it from a difference or a conflict (1).
class UnreadableBar : public std::runtime_error {
public:
  using std::runtime_error::runtime_error;
};

int Show(const Context &context, const Args &args);
int Edit(const Context &context, const Args &args);
int Icons(const Context &context, const Args &args);
int Extract(const Context &context, const Args &args);
int MakeIcl(const Context &context, const Args &args);
int Resolve(const Context &context, const Args &args);
int Copy(const Context &context, const Args &args);
int Paste(const Context &context, const Args &args);
int Commands(const Context &context, const Args &args);
int Check(const Context &context, const Args &args);
int Fix(const Context &context, const Args &args);
int Diff(const Context &context, const Args &args);
int Merge(const Context &context, const Args &args);
int ExportDc(const Context &context, const Args &args);
int ImportDc(const Context &context, const Args &args);

// The bar a command-line argument names, as the comparison reads it; UnreadableBar when
// it is missing or cannot be loaded.
barcompare::BarContent ReadBarArgument(const std::string &hostPath);

// A host path from the command line as the Windows name the core works with.
std::string WindowsNameOfArgument(const std::string &hostPath);

// How texts of the core (code page bytes, or UTF-8 marked by the byte order mark) cross
// the command line: as characters in UTF-8, or with "--bytes" as the bytes the core holds.
enum class TextForm { Characters, Bytes };
// The text as printed: UTF-8 characters, or the bytes themselves.
std::string ShownText(const std::string &text, TextForm form);
// A text from the command line as the core takes it: UTF-8 becomes code page bytes, or
// stays UTF-8 marked when the code page cannot hold it; bytes are taken as they are.
// Characters that are not UTF-8 are a UsageError naming what.
std::string TakenText(const std::string &given, TextForm form, const char *what);
// The text as a JSON string: its characters, or with Bytes each byte as the code point of
// the same value (lossless whatever the code page).
std::string JsonText(const std::string &text, TextForm form);
class JsonWriter;
// A member whose text may be missing: null then.
void OptionalField(JsonWriter &json, const char *name, const std::optional<std::string> &text,
                   TextForm form);
// The JSON document as printed: indented, and any malformed UTF-8 a marked text held
// replaced rather than refused.
void PrintJson(const nlohmann::ordered_json &document);
// A message of the core's (an exception's) as UTF-8: its texts are code page bytes, or
// UTF-8 after the mark where a marked text was quoted.
std::string CoreMessageToUtf8(std::string_view message);
// Whether the bytes are well-formed UTF-8.
bool IsUtf8(const std::string &text);
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
  // Characters unless "--bytes" was given.
  TextForm Form() const { return Has("--bytes") ? TextForm::Bytes : TextForm::Characters; }
  std::optional<std::string> Value(const std::string &option) const;
  // Throws UsageError unless min..max positional arguments were given; names says what
  // the first missing one is.
  void RequirePositional(size_t min, size_t max, const std::vector<const char *> &names) const;
};
ParsedArgs ParseArgs(const Args &args, const ArgSpec &options);

// The bar's cache mode from "off", "links" or "tcmenu"; UsageError otherwise.
uint8_t ParseCacheMode(const std::string &text);
// The cache mode a new bar gets: "DefaultCache" of "Corvane.ini" beside the program.
uint8_t DefaultCacheMode(const Context &context);

// Saves the bar as fileName; a cache the save left out is named on standard error.
void SaveBar(ButtonBar &bar, const std::string &fileName);

// A bar file named on the command line that must exist; throws otherwise.
std::string ExistingFile(const std::string &hostPath);
// The text with A-Z lower-cased, as the core compares file names.
std::string LowerAscii(std::string text);
// Writes bytes to standard output as they are.
void WriteOut(const std::string &bytes);

} // namespace cli
