#include "output/cp437.h"

namespace zanhost {

namespace {

// Code points of the bytes 0x80 to 0xFF of code page 437.
constexpr const char8_t* kUpperHalf[128] = {
    u8"\u00C7", u8"\u00FC", u8"\u00E9", u8"\u00E2", u8"\u00E4", u8"\u00E0", u8"\u00E5", u8"\u00E7",
    u8"\u00EA", u8"\u00EB", u8"\u00E8", u8"\u00EF", u8"\u00EE", u8"\u00EC", u8"\u00C4", u8"\u00C5",
    u8"\u00C9", u8"\u00E6", u8"\u00C6", u8"\u00F4", u8"\u00F6", u8"\u00F2", u8"\u00FB", u8"\u00F9",
    u8"\u00FF", u8"\u00D6", u8"\u00DC", u8"\u00A2", u8"\u00A3", u8"\u00A5", u8"\u20A7", u8"\u0192",
    u8"\u00E1", u8"\u00ED", u8"\u00F3", u8"\u00FA", u8"\u00F1", u8"\u00D1", u8"\u00AA", u8"\u00BA",
    u8"\u00BF", u8"\u2310", u8"\u00AC", u8"\u00BD", u8"\u00BC", u8"\u00A1", u8"\u00AB", u8"\u00BB",
    u8"\u2591", u8"\u2592", u8"\u2593", u8"\u2502", u8"\u2524", u8"\u2561", u8"\u2562", u8"\u2556",
    u8"\u2555", u8"\u2563", u8"\u2551", u8"\u2557", u8"\u255D", u8"\u255C", u8"\u255B", u8"\u2510",
    u8"\u2514", u8"\u2534", u8"\u252C", u8"\u251C", u8"\u2500", u8"\u253C", u8"\u255E", u8"\u255F",
    u8"\u255A", u8"\u2554", u8"\u2569", u8"\u2566", u8"\u2560", u8"\u2550", u8"\u256C", u8"\u2567",
    u8"\u2568", u8"\u2564", u8"\u2565", u8"\u2559", u8"\u2558", u8"\u2552", u8"\u2553", u8"\u256B",
    u8"\u256A", u8"\u2518", u8"\u250C", u8"\u2588", u8"\u2584", u8"\u258C", u8"\u2590", u8"\u2580",
    u8"\u03B1", u8"\u00DF", u8"\u0393", u8"\u03C0", u8"\u03A3", u8"\u03C3", u8"\u00B5", u8"\u03C4",
    u8"\u03A6", u8"\u0398", u8"\u03A9", u8"\u03B4", u8"\u221E", u8"\u03C6", u8"\u03B5", u8"\u2229",
    u8"\u2261", u8"\u00B1", u8"\u2265", u8"\u2264", u8"\u2320", u8"\u2321", u8"\u00F7", u8"\u2248",
    u8"\u00B0", u8"\u2219", u8"\u00B7", u8"\u221A", u8"\u207F", u8"\u00B2", u8"\u25A0", u8"\u00A0",
};

}  // namespace

std::string Cp437ToUtf8(const char* text) {
  std::string out;
  if (text == nullptr) return out;
  for (const unsigned char* p = reinterpret_cast<const unsigned char*>(text); *p != 0; ++p) {
    if (*p < 0x80) {
      out += static_cast<char>(*p);
    } else {
      out += reinterpret_cast<const char*>(kUpperHalf[*p - 0x80]);
    }
  }
  return out;
}

bool Utf8ToCp437(const std::string& text, std::string& out) {
  out.clear();
  for (std::size_t at = 0; at < text.size();) {
    const auto lead = static_cast<unsigned char>(text[at]);
    if (lead < 0x80) {
      out += static_cast<char>(lead);
      ++at;
      continue;
    }
    std::size_t matched = 0;
    for (int i = 0; i < 128 && matched == 0; ++i) {
      const std::string glyph = reinterpret_cast<const char*>(kUpperHalf[i]);
      if (text.compare(at, glyph.size(), glyph) == 0) {
        out += static_cast<char>(0x80 + i);
        matched = glyph.size();
      }
    }
    if (matched == 0) return false;
    at += matched;
  }
  return true;
}

}  // namespace zanhost
