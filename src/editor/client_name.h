// The name under which the address editor registers as a client of the host.
#ifndef ZAN_EDITOR_CLIENT_NAME_H_
#define ZAN_EDITOR_CLIENT_NAME_H_

#include <cstddef>

namespace zan::editor {

// Writes "ZanDorBr%02d" with the identifier of the calling thread (cut to `capacity`).
void FormatClientName(char* buffer, std::size_t capacity);

}  // namespace zan::editor

#endif  // ZAN_EDITOR_CLIENT_NAME_H_
