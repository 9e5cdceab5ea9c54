#ifndef FENDREL_PLATFORM_WIN32_SYSTEMLIBRARY_H
#define FENDREL_PLATFORM_WIN32_SYSTEMLIBRARY_H

#include <windows.h>

namespace platform::win32 {

// Loads a library of the system from the system folder only, never from the program's
// folder (which the updater writes into) or the working directory, and without a message
// box of the system for a missing file. Null on failure, with the system's error number in
// *error when asked for.
HMODULE LoadSystemLibrary(const wchar_t* name, DWORD* error = nullptr);

// Libraries loaded from now on without a full path are searched in the system folder only.
// Called once at start-up; a system that cannot restrict the search keeps its own order
// (LoadSystemLibrary does not depend on this).
void RestrictLibrarySearch();

// A function of a library loaded at run time, under the name the system's headers give it:
// an object of this kind declared in a narrower scope than the system's declaration is
// called as the function is, with no import of the library. Empty until Load finds it.
template <typename Pointer>
class TLibraryFunction {
 public:
  explicit constexpr TLibraryFunction(const char* name) : FName(name) {}

  bool Load(HMODULE module) {
    FPointer = reinterpret_cast<Pointer>(reinterpret_cast<void*>(GetProcAddress(module, FName)));
    return FPointer != nullptr;
  }

  template <typename... Arguments>
  auto operator()(Arguments&&... arguments) const {
    return FPointer(static_cast<Arguments&&>(arguments)...);
  }

 private:
  const char* FName;
  Pointer FPointer = nullptr;
};

// Looks every function up in the module; false when one is missing.
template <typename... Functions>
bool LoadLibraryFunctions(HMODULE module, Functions&... functions) {
  return (functions.Load(module) & ...);
}

}  // namespace platform::win32

#endif
