// One step of a spinner of the address editor: the number in the field beside it goes up or down
// by one, wrapping around at the ends of its range.
#ifndef ZAN_EDITOR_STEP_VALUE_H_
#define ZAN_EDITOR_STEP_VALUE_H_

#include <cstdint>

namespace zan::editor {

enum class NumberBase { kDecimal, kHexadecimal };

// Steps `remembered` from the field's `text`. An empty text counts as "0". When every character of
// the text is a digit (of `base`), the remembered number becomes the text's number, or `minimum`
// when that lies outside `minimum` to `maximum`; then `code` kLineUp adds 1 (from `maximum` to
// `minimum`) and kLineDown subtracts 1 (from `minimum` to `maximum`); other codes change nothing
// more. A text with any other character leaves the remembered number as it was. The caller writes
// the remembered number back into the field.
void StepValue(const char* text, int32_t& remembered, int32_t minimum, int32_t maximum, int code,
               NumberBase base = NumberBase::kDecimal);

}  // namespace zan::editor

#endif  // ZAN_EDITOR_STEP_VALUE_H_
