#include <windows.h>

#include "platform/shared_library.h"

namespace zan::platform {

LibraryHandle LoadSharedLibrary(const char* fileName) {
  return reinterpret_cast<LibraryHandle>(LoadLibraryA(fileName));
}

AnyFunction FindFunction(LibraryHandle library, const char* name) {
  if (library == nullptr) return nullptr;
  FARPROC function = GetProcAddress(static_cast<HMODULE>(library), name);
  return reinterpret_cast<AnyFunction>(function);
}

AnyFunction FindOrdinalFunction(LibraryHandle library, int ordinal, const char* /*name*/) {
  if (library == nullptr) return nullptr;
  FARPROC function = GetProcAddress(static_cast<HMODULE>(library), MAKEINTRESOURCEA(ordinal));
  return reinterpret_cast<AnyFunction>(function);
}

}  // namespace zan::platform
