#pragma once
// Runs a program with arguments (no shell) and collects its exit status and output.
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace testsupport {

struct ProcessResult {
  int status = -1; // exit status, or -1 when it did not exit normally
  std::string out;
  std::string err;
};

// Standard input reads from `input` when one is given, else it is this process's own.
ProcessResult RunProcess(const std::string &program, const std::vector<std::string> &args,
                         const std::filesystem::path &input = {});

// The separator of the folders of the search path: ':' on POSIX systems, ';' on Windows.
extern const char kSearchPathSeparator;

// The program's full name as a shell would find it on the search path ("name.exe" too on
// Windows), or nothing: a test of a tool the machine lacks skips.
std::optional<std::string> FindOnPath(const std::string &program);

} // namespace testsupport
