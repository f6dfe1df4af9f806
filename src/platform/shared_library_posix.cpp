#include <dlfcn.h>
#include <link.h>

#include <cstring>

#include "platform/shared_library.h"

namespace zan::platform {

LibraryHandle LoadSharedLibrary(const char* fileName) {
  // RTLD_LOCAL keeps the library's names out of the global scope: libkorpro.so defines `err`,
  // which must never replace the C library's function of that name for anyone else.
  return dlopen(fileName, RTLD_NOW | RTLD_LOCAL);
}

AnyFunction FindFunction(LibraryHandle library, const char* name) {
  if (library == nullptr) return nullptr;
  void* symbol = dlsym(library, name);
  if (symbol == nullptr) return nullptr;
  // dlsym also searches the library's dependencies. A host library without `err` would otherwise
  // hand out the C library's err(3), which exits the process: only the library's own symbol counts.
  link_map* map = nullptr;
  Dl_info info{};
  if (dlinfo(library, RTLD_DI_LINKMAP, &map) != 0 || map == nullptr || dladdr(symbol, &info) == 0 ||
      info.dli_fname == nullptr || std::strcmp(info.dli_fname, map->l_name) != 0) {
    return nullptr;
  }
  return reinterpret_cast<AnyFunction>(symbol);
}

AnyFunction FindOrdinalFunction(LibraryHandle library, int /*ordinal*/, const char* name) {
  return FindFunction(library, name);
}

}  // namespace zan::platform
