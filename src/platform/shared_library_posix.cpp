#include <dlfcn.h>

#include "platform/shared_library.h"

namespace zan::platform {

LibraryHandle LoadSharedLibrary(const char* fileName) {
  // RTLD_LOCAL keeps the library's names out of the global scope: libkorpro.so defines `err`,
  // which must never replace the C library's function of that name for anyone else.
  return dlopen(fileName, RTLD_NOW | RTLD_LOCAL);
}

AnyFunction FindFunction(LibraryHandle library, const char* name) {
  if (library == nullptr) return nullptr;
  // dlsym on the library's own handle searches that library before its dependencies, so `err`
  // resolves to the host service and not to the C library's err(3), which exits the process.
  void* symbol = dlsym(library, name);
  return reinterpret_cast<AnyFunction>(symbol);
}

AnyFunction FindOrdinalFunction(LibraryHandle library, int /*ordinal*/, const char* name) {
  return FindFunction(library, name);
}

}  // namespace zan::platform
