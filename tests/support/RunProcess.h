#pragma once
// Runs a program with arguments (no shell) and collects its exit status and output.
#include <filesystem>
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

} // namespace testsupport
