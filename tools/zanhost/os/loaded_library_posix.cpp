#include <dlfcn.h>

#include "os/loaded_library.h"
#include "platform/shared_library.h"

namespace zanhost {

LoadedFunction FindLoadedFunction(const char* fileName, const char* name) {
  // RTLD_NOLOAD: the library the driver loaded under that name, or nothing.
  void* library = dlopen(fileName, RTLD_NOW | RTLD_LOCAL | RTLD_NOLOAD);
  if (library == nullptr) return nullptr;
  const zan::platform::AnyFunction function = zan::platform::FindFunction(library, name);
  dlclose(library);  // the reference taken here; the driver's keeps the library loaded
  return function;
}

}  // namespace zanhost
