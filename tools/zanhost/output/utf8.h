// UTF-8 as zanhost takes it from users and clients: well-formed sequences only (no overlong
// forms, no surrogates, nothing above U+10FFFF).
#ifndef ZAN_TOOLS_ZANHOST_OUTPUT_UTF8_H_
#define ZAN_TOOLS_ZANHOST_OUTPUT_UTF8_H_

#include <cstddef>
#include <string>

namespace zanhost {

// Length of the UTF-8 sequence at `at` (which must be inside the text), or 0 when it is malformed.
std::size_t Utf8SequenceAt(const std::string& text, std::size_t at);

// Whether the bytes are well-formed UTF-8.
bool IsUtf8(const std::string& text);

}  // namespace zanhost

#endif  // ZAN_TOOLS_ZANHOST_OUTPUT_UTF8_H_
