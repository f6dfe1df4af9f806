// The driver's banner is single-byte text in code page 437 (box drawing and shades); a terminal of
// today wants UTF-8.
#ifndef ZAN_TOOLS_ZANHOST_OUTPUT_CP437_H_
#define ZAN_TOOLS_ZANHOST_OUTPUT_CP437_H_

#include <string>

namespace zanhost {

// The zero-terminated code page 437 text as UTF-8; an empty text for nullptr.
std::string Cp437ToUtf8(const char* text);

// The UTF-8 text in code page 437, the way back. False when the text is no UTF-8 or holds a
// character that the code page lacks; `out` then holds what was converted before it.
bool Utf8ToCp437(const std::string& text, std::string& out);

}  // namespace zanhost

#endif  // ZAN_TOOLS_ZANHOST_OUTPUT_CP437_H_
