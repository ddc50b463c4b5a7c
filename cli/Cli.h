#pragma once
// corvane-cli: the scripting front end over the same core as the editor. Every verb
// takes the arguments after its name and returns the process exit status.
#include <stdexcept>
#include <string>
#include <vector>

namespace cli {

using Args = std::vector<std::string>;

// A mistake in the command line: reported with the verb's usage, exit status 2.
class UsageError : public std::runtime_error {
public:
  using std::runtime_error::runtime_error;
};

int Show(const Args &args);
int Edit(const Args &args);

// A host path from the command line as the Windows name the core works with.
std::string WindowsNameOfArgument(const std::string &hostPath);
// Bytes as JSON text: each byte becomes the code point of the same value, so the output
// is lossless whatever the bar's code page.
std::string JsonText(const std::string &bytes);
// A 1-based position from the command line, checked against 1..last.
int ParsePosition(const std::string &text, int last, const char *what);

} // namespace cli
