// QUAXNET_PORT as zanhost reads it: the port that our transport library uses in place of the
// ISO-on-TCP port 102 of every connection, so that the simulator can run without administrator
// rights. A value that is set must be a port number: the library refuses to open with anything
// else, and zanhost says so before it starts.
#ifndef ZAN_TOOLS_ZANHOST_SESSION_QUAXNET_PORT_H_
#define ZAN_TOOLS_ZANHOST_SESSION_QUAXNET_PORT_H_

#include <string>

namespace zanhost {

constexpr int kIsoOnTcpPort = 102;  // RFC 1006

// The port of QUAXNET_PORT: 0 when it is not set (or empty). False, with a line for the user in
// `error`, when it holds anything but a number from 1 to 65535.
bool ReadQuaxnetPort(int& port, std::string& error);

// The port the driver's connections go to: QUAXNET_PORT when it is valid, else 102.
int ConnectionPort();

}  // namespace zanhost

#endif  // ZAN_TOOLS_ZANHOST_SESSION_QUAXNET_PORT_H_
