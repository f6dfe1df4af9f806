#include <winsock2.h>

#include "transport/ip_address.h"

namespace zan {

// inet_addr and htonl need no WSAStartup: they touch no socket.
uint32_t IpAddressToNumber(const char* text) {
  return htonl(inet_addr(text));
}

}  // namespace zan
