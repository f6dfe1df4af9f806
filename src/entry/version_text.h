// The texts of the driver's version line.
#ifndef ZAN_ENTRY_VERSION_TEXT_H_
#define ZAN_ENTRY_VERSION_TEXT_H_

#include <cstddef>

namespace zan {

// Writes "Version : a,b,c,d" with the file version of the driver, or "Version not found", into
// `text` (always terminated, cut to `size`). Windows reads the version resource of the library file
// zanwndor.dll; Linux uses the same numbers, which the build compiles in.
void ModuleVersionText(char* text, std::size_t size);

// "compiled on Mmm dd yyyy at hh:mm:ss", the date and time of the build.
const char* BuildText();

}  // namespace zan

#endif  // ZAN_ENTRY_VERSION_TEXT_H_
