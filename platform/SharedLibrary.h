#pragma once
// A shared library loaded while the program runs, for what only some runs need: every
// library the programs are linked with is loaded, with all it pulls in, before main() on
// each start, even for "--version". The back end is the system's loader
// (SharedLibrary_posix.cpp: dlopen, SharedLibrary_win.cpp: LoadLibrary).
#include <string>

namespace platform {

class SharedLibrary {
public:
  // Loads the library by the name the system's loader looks for (a versioned soname such
  // as "libz.so.1", a DLL's name). It stays loaded until the program ends: libraries such
  // as glib cannot be unloaded safely.
  explicit SharedLibrary(const std::string &name);
  SharedLibrary(const SharedLibrary &) = delete;
  SharedLibrary &operator=(const SharedLibrary &) = delete;

  bool Loaded() const { return handle_ != nullptr; }
  // The function or variable of that name in the library or a library it loaded; null,
  // with Error() saying so, when there is none.
  void *Find(const char *symbol);
  // Why the library or the last symbol asked for could not be had, naming the library.
  const std::string &Error() const { return error_; }

private:
  std::string name_;
  void *handle_ = nullptr;
  std::string error_;
};

} // namespace platform
