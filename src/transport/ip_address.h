// Dotted IPv4 addresses as the transport wants them.
#ifndef ZAN_TRANSPORT_IP_ADDRESS_H_
#define ZAN_TRANSPORT_IP_ADDRESS_H_

#include <cstdint>

namespace zan {

// The address as a number in host byte order (192.168.0.10 is 0xC0A8000A): the text converted with
// the platform's inet_addr, then passed through htonl. An address that inet_addr refuses gives
// 0xFFFFFFFF.
uint32_t IpAddressToNumber(const char* text);

}  // namespace zan

#endif  // ZAN_TRANSPORT_IP_ADDRESS_H_
