// Tag values in the host's value buffer: where the driver puts them for each kind of tag, how
// zanhost shows them in the host's type, and how it puts a value to write there.
//
// Layouts (host byte order): 16-bit cells for the word, byte, I/Q/M, cache-block, status and
// heartbeat kinds; 32-bit cells for 'D'/'d'; IEEE singles for the floats 'F'/'f' and, at odd
// bytes of an S7 (FLOAT_ODD_ADDRESS), 'G'/'g'; one zero-terminated text for 'S'/'C'. The single
// value of ReadValue and WriteValue stands 2 bytes into the buffer for every integer kind (all
// but the floats, 'S', 'C', 'D', 'd') and at its start for the others.
#ifndef ZAN_TOOLS_ZANHOST_TAGS_TAG_VALUES_H_
#define ZAN_TOOLS_ZANHOST_TAGS_TAG_VALUES_H_

#include <cstdint>
#include <string>
#include <vector>

namespace zanhost {

enum class CellLayout { kBits16, kBits32, kFloat, kText };

CellLayout LayoutOfKind(int32_t kind);

// The kinds whose single value stands 2 bytes into the buffer (the whole kind is compared).
bool IsIntegerKind(int32_t kind);

// A data-block byte, or a byte of the inputs, outputs or flags.
bool IsByteKind(int32_t kind);

// What a kind designates, in words: "data-block word", "input byte", "PLC status", ...
std::string KindDescription(int32_t kind);

// A host value buffer big enough for `count` values of any kind, or one string; zero-filled.
class ValueBuffer {
 public:
  explicit ValueBuffer(int32_t count);
  void* data() { return bytes_.data(); }
  std::size_t size() const { return bytes_.size(); }
  void Clear();

  uint16_t Word(std::size_t offset) const;
  uint32_t DoubleWord(std::size_t offset) const;
  float Float(std::size_t offset) const;
  // The zero-terminated text at `offset`, cut at the end of the buffer.
  std::string Text(std::size_t offset) const;

  void SetWord(std::size_t offset, uint16_t value);
  void SetDoubleWord(std::size_t offset, uint32_t value);
  void SetFloat(std::size_t offset, float value);
  // Copies the text with its terminator; false when it does not fit.
  bool SetText(std::size_t offset, const std::string& text);

 private:
  std::vector<unsigned char> bytes_;
};

// One value as read.
struct TagValue {
  CellLayout layout = CellLayout::kBits16;
  int64_t integer = 0;  // for the 16 and 32-bit layouts, signed when the host type is
  double real = 0;      // for the float layout
  std::string text;     // for the text layout

  std::string ToText() const;  // 1234, -5, 3.25, "ABC"
  std::string ToJson() const;  // the same as a JSON value
};

// Value number `index` of a ReadBlock (`single` false) or the value of a ReadValue (`single`).
TagValue DecodeValue(const ValueBuffer& buffer, int32_t kind, int32_t hostType, int32_t index,
                     bool single);

// Places `text` as value number `index` (or the single value) of a write. False, with a reason in
// `error`, when the text is no value of the host type and layout.
bool EncodeValue(const std::string& text, int32_t kind, int32_t hostType, int32_t index,
                 bool single, ValueBuffer& buffer, std::string& error);

}  // namespace zanhost

#endif  // ZAN_TOOLS_ZANHOST_TAGS_TAG_VALUES_H_
