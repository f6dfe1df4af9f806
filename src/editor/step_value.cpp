#include "editor/step_value.h"

#include "core/text_scan.h"
#include "editor/editor_controls.h"

namespace zan::editor {
namespace {

bool IsDigitOf(char c, NumberBase base) {
  if (c >= '0' && c <= '9') return true;
  if (base == NumberBase::kDecimal) return false;
  return (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
}

}  // namespace

void StepValue(const char* text, int32_t& remembered, int32_t minimum, int32_t maximum, int code,
               NumberBase base) {
  if (text[0] == '\0') text = "0";
  for (const char* c = text; *c != '\0'; ++c) {
    if (!IsDigitOf(*c, base)) return;
  }
  const char* cursor = text;
  int32_t number = 0;
  // Digits only, so the scan always finds a number; it saturates rather than overflows.
  if (base == NumberBase::kHexadecimal) {
    ScanHexadecimal(cursor, kUnlimitedWidth, &number);
  } else {
    ScanDecimal(cursor, kUnlimitedWidth, &number);
  }
  remembered = number < minimum || number > maximum ? minimum : number;
  if (code == kLineUp) {
    remembered = remembered == maximum ? minimum : remembered + 1;
  } else if (code == kLineDown) {
    remembered = remembered == minimum ? maximum : remembered - 1;
  }
}

}  // namespace zan::editor
