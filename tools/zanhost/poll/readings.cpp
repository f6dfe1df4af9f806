#include "poll/readings.h"

#include <cmath>

#include "output/result_words.h"

namespace zanhost {

std::string TagReading::ValueText() const {
  std::string text;
  for (const TagValue& value : values)
    text += (text.empty() ? "" : " ") + value.ToText();
  return text;
}

std::string TagReading::ResultText() const {
  if (!defined) return "refused: " + failure;
  if (result < 0) return "not read";
  if (noValue()) return unread;
  const std::string word = outcome.empty() ? ResultWord(result) : outcome;
  return failure.empty() ? word : word + ": " + failure;
}

bool PlottedNumber(const TagValue& value, double& number) {
  if (value.layout == CellLayout::kText) return false;
  number = value.layout == CellLayout::kFloat ? value.real : static_cast<double>(value.integer);
  return std::isfinite(number);
}

}  // namespace zanhost
