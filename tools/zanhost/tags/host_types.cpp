#include "tags/host_types.h"

#include <cctype>
#include <cstdlib>

namespace zanhost {

namespace {

struct NamedType {
  const char* name;
  int32_t code;
};

constexpr NamedType kTypes[] = {
    {"int", kHostInt},   {"word", kHostWord},   {"byte", kHostByte}, {"float", kHostFloat},
    {"dint", kHostDint}, {"dword", kHostDword}, {"bit", kHostBit},   {"string", kHostString},
};

}  // namespace

bool ParseHostType(const std::string& text, int32_t& code) {
  std::string lower;
  for (char c : text)
    lower += static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  for (const NamedType& type : kTypes) {
    if (lower == type.name) {
      code = type.code;
      return true;
    }
  }
  if (lower.empty() || lower.size() > 9) return false;
  for (char c : lower) {
    if (!std::isdigit(static_cast<unsigned char>(c))) return false;
  }
  code = static_cast<int32_t>(std::strtol(lower.c_str(), nullptr, 10));
  return true;
}

std::string HostTypeName(int32_t code) {
  for (const NamedType& type : kTypes) {
    if (type.code == code) return type.name;
  }
  return std::to_string(code);
}

const char* HostTypeChoices() {
  return "int|word|byte|float|dint|dword|bit|string";
}

int32_t DefaultHostType(const std::string& address) {
  if (address.size() < 4) return kHostWord;
  const char area = static_cast<char>(std::toupper(static_cast<unsigned char>(address[2])));
  const char type = static_cast<char>(std::toupper(static_cast<unsigned char>(address[3])));
  const bool byteArea = area == 'D' || area == 'X' || area == 'I' || area == 'Q' || area == 'M';
  return byteArea && type == 'B' ? kHostByte : kHostWord;
}

bool IsSignedHostType(int32_t code) {
  return code == kHostInt || code == kHostDint;
}

}  // namespace zanhost
