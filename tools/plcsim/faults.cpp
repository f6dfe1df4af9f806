#include "faults.h"

#include <cstdio>

#include "number_text.h"

namespace plcsim {
namespace {

// A late answer is held at most ten minutes: longer is surely a typing error.
constexpr uint64_t kMaxLateMilliseconds = 600000;

struct MalformationName {
  const char* name;
  Malformation malformation;
};
constexpr MalformationName kMalformations[] = {
    {"header", Malformation::kHeader},
    {"tpkt", Malformation::kTpkt},
    {"reference", Malformation::kReference},
    {"length", Malformation::kLength},
};

const char* MalformationText(Malformation malformation) {
  for (const MalformationName& entry : kMalformations) {
    if (entry.malformation == malformation) return entry.name;
  }
  return "?";
}

}  // namespace

bool Faults::Any() const {
  return refuse || silent || lateMilliseconds != 0 || error || malformed || truncated;
}

bool SetFault(const std::vector<std::string>& words, Faults* faults, std::string* why) {
  if (words.empty()) {
    *why = "which fault? refuse, drop, silent, late <ms>, error <code>, malformed, truncated";
    return false;
  }
  const std::string& kind = words[0];
  const std::size_t arguments = words.size() - 1;
  uint64_t value = 0;
  if ((kind == "refuse" || kind == "silent" || kind == "truncated") && arguments == 0) {
    if (kind == "refuse") faults->refuse = true;
    if (kind == "silent") faults->silent = true;
    if (kind == "truncated") faults->truncated = true;
    return true;
  }
  if (kind == "late" && arguments == 1 && ParseNumber(words[1], kMaxLateMilliseconds, &value) &&
      value != 0) {
    faults->lateMilliseconds = static_cast<uint32_t>(value);
    return true;
  }
  if (kind == "error" && arguments == 1 && ParseNumber(words[1], 0xFFFF, &value) && value != 0 &&
      value != 0xFF) {
    faults->error = true;
    faults->errorCode = static_cast<uint16_t>(value);
    return true;
  }
  if (kind == "malformed" && arguments <= 1) {
    const std::string variant = arguments == 0 ? "header" : words[1];
    for (const MalformationName& entry : kMalformations) {
      if (variant == entry.name) {
        faults->malformed = true;
        faults->malformation = entry.malformation;
        return true;
      }
    }
    *why = "malformed how? header, tpkt, reference or length";
    return false;
  }
  if (kind == "late") {
    *why = "late takes milliseconds from 1 to " + std::to_string(kMaxLateMilliseconds);
  } else if (kind == "error") {
    *why = "error takes a code from 1 to 0xFFFF other than 0xFF (success)";
  } else {
    *why = "unknown fault \"" + kind + "\"";
  }
  return false;
}

std::string DescribeFaults(const Faults& faults) {
  std::string text;
  auto add = [&text](const std::string& part) { text += (text.empty() ? "" : ", ") + part; };
  if (faults.refuse) add("refuse");
  if (faults.silent) add("silent");
  if (faults.lateMilliseconds != 0) add("late " + std::to_string(faults.lateMilliseconds) + " ms");
  if (faults.error) {
    char code[8];
    std::snprintf(code, sizeof code, faults.errorCode > 0xFF ? "0x%04X" : "0x%02X",
                  unsigned{faults.errorCode});
    add(std::string("error ") + code);
  }
  if (faults.malformed) add(std::string("malformed ") + MalformationText(faults.malformation));
  if (faults.truncated) add("truncated");
  return text.empty() ? "none" : text;
}

}  // namespace plcsim
