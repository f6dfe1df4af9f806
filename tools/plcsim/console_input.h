// Standard input as a source of control lines that the poll loop can wait on. On POSIX that is
// descriptor 0 itself; on Windows, where only sockets can be polled, a helper thread copies
// standard input into a loopback socket pair. One per process.
#ifndef ZAN_PLCSIM_CONSOLE_INPUT_H_
#define ZAN_PLCSIM_CONSOLE_INPUT_H_

#include <cstddef>
#include <cstdint>
#include <string>

#include "net/socket.h"

namespace plcsim {

// Opens standard input for polling. Returns the socket to poll (read with net::Receive), or
// kNoSocket with `error` filled when it cannot be watched.
net::Socket OpenConsoleInput(std::string* error);

}  // namespace plcsim

#endif  // ZAN_PLCSIM_CONSOLE_INPUT_H_
