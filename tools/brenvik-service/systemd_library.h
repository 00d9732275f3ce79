// libsystemd's functions looked up at run time: the recorder talks sd-bus
// where the library is installed and runs without it elsewhere, so it is
// neither a build nor a start-up dependency. Tests that play a desktop or
// logind on a private bus open it the same way.
#pragma once

#include <dlfcn.h>

namespace brenvik {

// The library's handle, opened once; nullptr where it is not installed.
inline void* SystemdLibrary() {
  static void* const library = dlopen("libsystemd.so.0", RTLD_LAZY);
  return library;
}

// Sets fn to the library's function of that name; false when the library or
// the function is missing.
template <typename Fn>
bool LookUpSystemd(Fn& fn, const char* name) {
  void* const library = SystemdLibrary();
  fn = library ? reinterpret_cast<Fn>(dlsym(library, name)) : nullptr;
  return fn != nullptr;
}

}  // namespace brenvik
