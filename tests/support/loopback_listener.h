// A listening socket on 127.0.0.1, for tests that talk to the transport library over real
// sockets. Only ever loopback: no test reaches past this machine.
#ifndef ZAN_TESTS_SUPPORT_LOOPBACK_LISTENER_H_
#define ZAN_TESTS_SUPPORT_LOOPBACK_LISTENER_H_

#include <cstdint>

#include "quaxnet/net_socket.h"

namespace zan::testing {

using quaxnet::platform::SocketId;

// Listens on 127.0.0.1 at a port that the OS chooses (`*port`); kNoSocket when it cannot.
SocketId ListenOnLoopback(uint16_t* port);

// The next connection waiting on `listener`, made non-blocking; kNoSocket when none is there.
SocketId AcceptWaiting(SocketId listener);

}  // namespace zan::testing

#endif  // ZAN_TESTS_SUPPORT_LOOPBACK_LISTENER_H_
