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
    {"int", kHostInt},     {"word", kHostWord}, {"float", kHostFloat},   {"dint", kHostDint},
    {"dword", kHostDword}, {"bit", kHostBit},   {"string", kHostString},
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
  return "int|word|float|dint|dword|bit|string";
}

bool IsSignedHostType(int32_t code) {
  return code == kHostInt || code == kHostDint;
}

}  // namespace zanhost
