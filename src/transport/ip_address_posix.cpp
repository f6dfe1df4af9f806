#include <arpa/inet.h>

#include "transport/ip_address.h"

namespace zan {

uint32_t IpAddressToNumber(const char* text) {
  return htonl(inet_addr(text));
}

}  // namespace zan
