// Loading a shared library at run time and finding its functions.
//
// Windows: LoadLibraryA and GetProcAddress. POSIX: dlopen and dlsym. Nothing is ever unloaded: the
// driver keeps what it binds for as long as the process runs.
#ifndef ZAN_PLATFORM_SHARED_LIBRARY_H_
#define ZAN_PLATFORM_SHARED_LIBRARY_H_

namespace zan::platform {

using LibraryHandle = void*;
using AnyFunction = void (*)();

// Loads the library by file name with the platform's search rules; nullptr when it cannot be
// loaded.
LibraryHandle LoadSharedLibrary(const char* fileName);

// The function exported under `name` by `library` itself; nullptr when there is none.
AnyFunction FindFunction(LibraryHandle library, const char* name);

// The function a library exports at an ordinal. On Windows the lookup is by `ordinal` alone; on
// platforms without ordinals it is by `name`. nullptr when there is none.
AnyFunction FindOrdinalFunction(LibraryHandle library, int ordinal, const char* name);

}  // namespace zan::platform

#endif  // ZAN_PLATFORM_SHARED_LIBRARY_H_
