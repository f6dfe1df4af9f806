#include "core/text_scan.h"

#include <cstdint>

namespace zan {
namespace {

int DigitValue(char c, int base) {
  int value = -1;
  if (c >= '0' && c <= '9') {
    value = c - '0';
  } else if (c >= 'a' && c <= 'f') {
    value = c - 'a' + 10;
  } else if (c >= 'A' && c <= 'F') {
    value = c - 'A' + 10;
  }
  return value < base ? value : -1;
}

bool ScanInteger(const char*& cursor, int width, int base, int32_t* value) {
  const char* p = SkipScanSpace(cursor);
  // Characters still allowed in the field; a huge budget stands for "no width".
  int budget = width == kUnlimitedWidth ? INT32_MAX : width;

  bool negative = false;
  if (budget > 0 && (*p == '+' || *p == '-')) {
    negative = *p == '-';
    ++p;
    --budget;
  }
  if (base == 16 && budget >= 3 && p[0] == '0' && (p[1] == 'x' || p[1] == 'X') &&
      DigitValue(p[2], 16) >= 0) {
    p += 2;
    budget -= 2;
  }

  int64_t magnitude = 0;
  int digits = 0;
  while (budget > 0) {
    int digit = DigitValue(*p, base);
    if (digit < 0) break;
    // Saturate once past the 32-bit range; further digits are still consumed.
    if (magnitude <= INT32_MAX) magnitude = magnitude * base + digit;
    ++p;
    --budget;
    ++digits;
  }
  if (digits == 0) return false;

  if (negative) magnitude = -magnitude;
  if (magnitude > INT32_MAX) magnitude = INT32_MAX;
  if (magnitude < INT32_MIN) magnitude = INT32_MIN;
  *value = static_cast<int32_t>(magnitude);
  cursor = p;
  return true;
}

}  // namespace

bool ScanDecimal(const char*& cursor, int width, int32_t* value) {
  return ScanInteger(cursor, width, 10, value);
}

bool ScanHexadecimal(const char*& cursor, int width, int32_t* value) {
  return ScanInteger(cursor, width, 16, value);
}

}  // namespace zan
