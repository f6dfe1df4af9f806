#include <windows.h>

#include "os/loaded_library.h"

namespace zanhost {

LoadedFunction FindLoadedFunction(const char* fileName, const char* name) {
  // The module the driver loaded under that name; no reference is taken.
  HMODULE library = GetModuleHandleA(fileName);
  if (library == nullptr) return nullptr;
  return reinterpret_cast<LoadedFunction>(GetProcAddress(library, name));
}

}  // namespace zanhost
