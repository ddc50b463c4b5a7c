// Shared libraries loaded as DLLs, by name.
#include "platform/SharedLibrary.h"

#include <windows.h>

namespace platform {

SharedLibrary::SharedLibrary(const std::string &name) : name_(name) {
  handle_ = LoadLibraryA(name.c_str());
  if (!handle_)
    error_ =
        "the library " + name_ + " cannot be loaded (error " + std::to_string(GetLastError()) + ")";
}

void *SharedLibrary::Find(const char *symbol) {
  if (!handle_)
    return nullptr;
  void *found = reinterpret_cast<void *>(GetProcAddress(static_cast<HMODULE>(handle_), symbol));
  if (!found)
    error_ = "the library " + name_ + " has no " + symbol;
  return found;
}

} // namespace platform
