// Whether a value fits a tag before it is written: one check for every writer of zanhost (the write
// command and the bridge's writes from its clients), so that a value that does not fit is refused
// with a line that says what fits, and never rounded, cut or wrapped on its way to the PLC.
//
// What fits, by the tag's layout in the host's buffer and its host type:
//   16 bits   a word 0 to 65535, an int -32768 to 32767, a byte (data-block, input, output or flag
//             byte) 0 to 255, a bit 0 or 1 (also true/false, on/off); other host types -32768 to
//             65535
//   32 bits   a dint -2147483648 to 2147483647, a dword 0 to 4294967295
//   floats    within single precision; on an S5 or a PLC of type 6 (which keep S5 floats) within
//             the S5 range, about 1.5e-39 to 1.7e38
//   strings   UTF-8 text whose characters are all in code page 437 (the PLC's), no zero
//             character, at most the characters that the driver's transfer holds: the string
//             length written in the address (one less for an odd length of a string without
//             header on an S5 or type 6, StringRoom)
// Whole numbers are decimal (a fraction of zero and an exponent are allowed: 1e3) or 0x and up to
// eight hexadecimal digits.
#ifndef ZAN_TOOLS_ZANHOST_TAGS_VALUE_CHECK_H_
#define ZAN_TOOLS_ZANHOST_TAGS_VALUE_CHECK_H_

#include <cstdint>
#include <string>
#include <vector>

namespace zanhost {

// What a written value must fit: the tag as the driver took it.
struct TagShape {
  int32_t hostType = 0;
  int32_t kind = 0;
  int32_t count = 1;
  uint32_t bit = 255;        // 255: no bit number
  int32_t stringLength = 0;  // string tags: the characters the tag holds
  bool s5 = false;  // the tag's PLC holds S5 floats (an S5 or type 6): they reach about 1.7e38
};

// The shape of a tag that the driver took. `address` is its text (a string tag's length is at its
// end); `plcType` the type of its PLC in the configuration (5, 6 or 7; 0 when unknown, which counts
// as an S7). A string tag holds what the driver's transfer of it holds (StringRoom).
TagShape ShapeOfTag(int32_t hostType, int32_t kind, int32_t count, uint32_t bit,
                    const std::string& address, int32_t plcType);

// The characters that a string tag of `kind` ('S' or 'C') with the string length `length` of its
// address can hold: `length`, except that a string without header on an S5 or a PLC of type 6
// transfers whole words only, so an odd length loses its last character.
int32_t StringRoom(int32_t kind, int32_t plcType, int32_t length);

// The string length of a string tag's address text: its last two characters, read as the driver
// reads them (leading blanks skipped, digits up to the first other character); 0 when none.
int32_t StringLengthOfAddress(const std::string& address);

// One value as a writer received it, before it is checked against a tag.
struct GivenValue {
  enum class Form {
    kNumber,  // `text` is a number as written
    kBool,    // `boolean`
    kText,    // `text` is UTF-8; for a numeric tag it must hold a number (blanks around allowed)
    kOther,   // anything else (a list, an object, null); `text` shows it, as JSON
  };
  Form form = Form::kText;
  std::string text;
  bool boolean = false;
};

// Whether the driver writes tags of the shape's kind at all: not status, heartbeat or cache-block
// tags, which it refuses whatever the value. False with the reason otherwise.
bool TakesWrites(const TagShape& shape, std::string& reason);

// Checks the values of one write against a tag that takes writes. On success `out` holds one
// text a value as EncodeValue (tags/tag_values.h) takes it: a decimal whole number, a float with 9
// digits, the text in code page 437. Otherwise false, `out` empty, and one line in `reason` that
// says what fits
// ("70000 does not fit a word (0 to 65535)"). A run of values of a bit tag is refused (it would
// write whole words), and so are several texts for a string tag. The number of values is the
// caller's to check.
bool FitValues(const std::vector<GivenValue>& values, const TagShape& shape,
               std::vector<std::string>& out, std::string& reason);

// The values of a write typed on the command line: each argument as a kText value.
std::vector<GivenValue> ValuesFromArguments(const std::vector<std::string>& arguments);

}  // namespace zanhost

#endif  // ZAN_TOOLS_ZANHOST_TAGS_VALUE_CHECK_H_
