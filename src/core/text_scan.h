// Reading numbers out of text the way a formatted scan (%d, %X, with or without a field width)
// reads them, but bounded and without undefined behaviour: values saturate at the limits of a
// 32-bit integer instead of overflowing.
#ifndef ZAN_CORE_TEXT_SCAN_H_
#define ZAN_CORE_TEXT_SCAN_H_

#include <cstdint>

namespace zan {

constexpr int kUnlimitedWidth = 0;

// True for the characters that a scan skips as white space.
inline bool IsScanSpace(char c) {
  return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

// Skips white space at `cursor`.
inline const char* SkipScanSpace(const char* cursor) {
  while (IsScanSpace(*cursor))
    ++cursor;
  return cursor;
}

// Reads a signed decimal number at `cursor` as %d (or %<width>d) does: white space is skipped, then
// at most `width` characters (kUnlimitedWidth: no limit) of an optional sign and digits are taken.
// On success stores the value, advances `cursor` past the number and returns true; otherwise leaves
// both alone and returns false. `cursor` must point into a zero-terminated text.
bool ScanDecimal(const char*& cursor, int width, int32_t* value);

// The same for a hexadecimal number as %X reads it: optional sign, an optional 0x or 0X prefix, hex
// digits in either case.
bool ScanHexadecimal(const char*& cursor, int width, int32_t* value);

}  // namespace zan

#endif  // ZAN_CORE_TEXT_SCAN_H_
