// The driver's banner is single-byte text in code page 437 (box drawing and shades); a terminal of
// today wants UTF-8.
#ifndef ZAN_TOOLS_ZANHOST_CP437_H_
#define ZAN_TOOLS_ZANHOST_CP437_H_

#include <string>

namespace zanhost {

// The zero-terminated code page 437 text as UTF-8; an empty text for nullptr.
std::string Cp437ToUtf8(const char* text);

}  // namespace zanhost

#endif  // ZAN_TOOLS_ZANHOST_CP437_H_
