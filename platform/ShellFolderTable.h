#pragma once
// The shell's special folders by the names Total Commander writes them in ("%$DESKTOP%"):
// the names of the shell's folder constants without their prefix. Each says where the
// Windows shell finds it (its folder constant) and, for Wine's view, where the prefix's
// registry keeps it and Wine's default, written in terms of environment variables.
#include <string_view>

namespace platform {

struct ShellFolderEntry {
  std::string_view name;     // upper case, as Total Commander writes it
  int csidl;                 // the shell's folder constant
  bool common;               // kept in the machine's hive (else the user's)
  std::string_view value;    // its value in the shell folders keys; empty when none
  std::string_view fallback; // Wine's default
};

// The entry of a name (letter case ignored); nullptr for a name the shell does not know.
const ShellFolderEntry *FindShellFolder(std::string_view name);

} // namespace platform
