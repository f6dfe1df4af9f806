// Functions of a library that the process has loaded already, found without loading anything: the
// transport library that the driver loaded, for the export of its own that the driver does not
// bind. os/loaded_library_posix.cpp and os/loaded_library_win32.cpp implement it.
#ifndef ZAN_TOOLS_ZANHOST_OS_LOADED_LIBRARY_H_
#define ZAN_TOOLS_ZANHOST_OS_LOADED_LIBRARY_H_

namespace zanhost {

using LoadedFunction = void (*)();

// The function that the library `fileName` (a bare file name, as it was loaded) exports under
// `name` itself; nullptr when no library of that name is loaded, or it lacks the function.
LoadedFunction FindLoadedFunction(const char* fileName, const char* name);

}  // namespace zanhost

#endif  // ZAN_TOOLS_ZANHOST_OS_LOADED_LIBRARY_H_
