#pragma once
// The temporary folder a benchmark writes its files into.
#include <filesystem>
#include <string>
#include <system_error>
#include <unistd.h>

namespace bench {

// A folder of the temporary directory named for the benchmark and the process; it lives
// as long as the program and is removed with it. One folder per program: the first call
// names it.
inline std::filesystem::path BenchDir(const std::string &name) {
  static const struct Folder {
    std::filesystem::path path;
    explicit Folder(const std::string &name)
        : path(std::filesystem::temp_directory_path() /
               ("corvane-bench-" + name + "-" + std::to_string(::getpid()))) {
      std::filesystem::create_directories(path);
    }
    ~Folder() {
      std::error_code ignored;
      std::filesystem::remove_all(path, ignored);
    }
  } folder(name);
  return folder.path;
}

} // namespace bench
