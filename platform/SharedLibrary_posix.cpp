// Shared libraries loaded by the dynamic loader, by soname.
#include "platform/SharedLibrary.h"

#include <dlfcn.h>

namespace platform {

namespace {

std::string LoaderError() {
  const char *error = dlerror();
  return error ? error : "unknown error";
}

} // namespace

SharedLibrary::SharedLibrary(const std::string &name) : name_(name) {
  // Its own symbols stay local, so that they never take the place of the program's.
  handle_ = dlopen(name.c_str(), RTLD_NOW | RTLD_LOCAL);
  if (!handle_)
    error_ = "the library " + name_ + " cannot be loaded: " + LoaderError();
}

void *SharedLibrary::Find(const char *symbol) {
  if (!handle_)
    return nullptr;
  dlerror();
  void *found = dlsym(handle_, symbol);
  if (!found)
    error_ = "the library " + name_ + " has no " + symbol + ": " + LoaderError();
  return found;
}

} // namespace platform
