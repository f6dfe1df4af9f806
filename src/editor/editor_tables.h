// The entries of the area and type lists of the address editor, and what each writes into the
// address text.
#ifndef ZAN_EDITOR_EDITOR_TABLES_H_
#define ZAN_EDITOR_EDITOR_TABLES_H_

namespace zan::editor {

struct AreaEntry {
  const char* text;  // the list entry
  char letter;       // written into the address
};

constexpr int kAreaCount = 5;
constexpr int kAreaDataBlock = 0;
constexpr int kAreaInput = 1;
constexpr int kAreaOutput = 2;
constexpr int kAreaFlags = 3;
constexpr int kAreaHexadecimal = 4;  // a data block whose offset is written in hexadecimal
// After another PLC is chosen the list offers the first four only.
constexpr int kAreaCountAfterPlcChange = 4;

constexpr AreaEntry kAreas[kAreaCount] = {
    {"Data Block", 'D'}, {"Input", 'I'}, {"Output", 'Q'}, {"Flags", 'M'}, {"Hexa Addr.", 'X'},
};

// Areas that carry a data block number.
constexpr bool HasDataBlock(int area) {
  return area == kAreaDataBlock || area == kAreaHexadecimal;
}

struct TypeEntry {
  const char* text;   // the list entry
  char letter;        // written after the area letter; 0 for the string types
  const char* label;  // text of the bit/length label
  const char* range;  // text of the bit/length range
  int minimum;        // range of the bit number or string length
  int maximum;
};

constexpr int kTypeCount = 6;
constexpr int kTypeByte = 0;
constexpr int kTypeWord = 1;
constexpr int kTypeDoubleWord = 2;
constexpr int kTypeFloat = 3;
constexpr int kTypeChar = 4;    // written "SB" in place of area and type
constexpr int kTypeString = 5;  // written "SS" in place of area and type
// Inputs, outputs and flags offer "Byte" and "Word" only; a data block chosen after another area
// offers every type but "String".
constexpr int kTypeCountOfIo = 2;
constexpr int kTypeCountAfterAreaChange = 5;

constexpr TypeEntry kTypes[kTypeCount] = {
    {"Byte", 'B', "Bit Number:", "(00 - 07)", 0, 7},
    {"Word", 'W', "Bit Number:", "(00 - 15)", 0, 15},
    // The parser takes no bit number for a double word or a float: the field stays empty.
    {"Double word", 'D', "Bit Number:", "(none)", 0, 0},
    {"Float", 'F', "Bit Number:", "(none)", 0, 0},
    {"Char", 0, "String Length:", "(01 - 80)", 1, 80},
    {"String", 0, "String Length:", "(01 - 80)", 1, 80},
};

constexpr bool IsStringType(int type) {
  return type == kTypeChar || type == kTypeString;
}

// Types whose address takes no bit number: the parser refuses one for a double word or a float.
constexpr bool TakesNoBit(int type) {
  return type == kTypeDoubleWord || type == kTypeFloat;
}

// Ranges of the address field. The data block field's range is the parser's for the chosen PLC
// (DataBlockNumberMax, address/tag_address.h).
constexpr int kOffsetMaximum = 9999;
constexpr int kHexadecimalOffsetMaximum = 0xFFFF;  // four hexadecimal digits

}  // namespace zan::editor

#endif  // ZAN_EDITOR_EDITOR_TABLES_H_
