#include "faults.h"

#include <cstdio>
#include <random>

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

// "<min>-<max>" in milliseconds, min at most max, both at most kMaxLateMilliseconds.
bool ParseRange(const std::string& text, uint32_t* low, uint32_t* high) {
  const std::size_t dash = text.find('-');
  uint64_t first = 0;
  uint64_t second = 0;
  if (dash == std::string::npos ||
      !ParseNumber(std::string_view(text).substr(0, dash), kMaxLateMilliseconds, &first) ||
      !ParseNumber(std::string_view(text).substr(dash + 1), kMaxLateMilliseconds, &second) ||
      first > second)
    return false;
  *low = static_cast<uint32_t>(first);
  *high = static_cast<uint32_t>(second);
  return true;
}

const char* MalformationText(Malformation malformation) {
  for (const MalformationName& entry : kMalformations) {
    if (entry.malformation == malformation) return entry.name;
  }
  return "?";
}

}  // namespace

bool Faults::Any() const {
  return refuse || refuseSetup || holdConnect || silent || lateMilliseconds != 0 || error ||
         malformed || truncated || jitter || closeAfter;
}

bool SetFault(const std::vector<std::string>& words, Faults* faults, std::string* why) {
  if (words.empty()) {
    *why =
        "which fault? refuse [setup], hold-connect, drop, silent, late <ms>, jitter <min>-<max>, "
        "error <code>, "
        "malformed, truncated, close-after";
    return false;
  }
  const std::string& kind = words[0];
  const std::size_t arguments = words.size() - 1;
  uint64_t value = 0;
  if ((kind == "refuse" || kind == "hold-connect" || kind == "silent" || kind == "truncated" ||
       kind == "close-after") &&
      arguments == 0) {
    if (kind == "refuse") faults->refuse = true;
    if (kind == "hold-connect") faults->holdConnect = true;
    if (kind == "silent") faults->silent = true;
    if (kind == "truncated") faults->truncated = true;
    if (kind == "close-after") faults->closeAfter = true;
    return true;
  }
  if (kind == "refuse" && arguments == 1 && words[1] == "setup") {
    faults->refuseSetup = true;
    return true;
  }
  if (kind == "jitter" && arguments == 1 &&
      ParseRange(words[1], &faults->jitterMinMilliseconds, &faults->jitterMaxMilliseconds)) {
    faults->jitter = true;
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
  if (kind == "refuse") {
    *why = "refuse takes nothing (connect requests) or \"setup\" (setup communication)";
  } else if (kind == "hold-connect") {
    *why = "hold-connect takes nothing";
  } else if (kind == "late") {
    *why = "late takes milliseconds from 1 to " + std::to_string(kMaxLateMilliseconds);
  } else if (kind == "jitter") {
    *why = "jitter takes a range of milliseconds <min>-<max>, such as 0-60, up to " +
           std::to_string(kMaxLateMilliseconds);
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
  if (faults.refuseSetup) add("refuse setup");
  if (faults.holdConnect) add("hold-connect");
  if (faults.silent) add("silent");
  if (faults.lateMilliseconds != 0) add("late " + std::to_string(faults.lateMilliseconds) + " ms");
  if (faults.jitter) {
    add("jitter " + std::to_string(faults.jitterMinMilliseconds) + "-" +
        std::to_string(faults.jitterMaxMilliseconds) + " ms");
  }
  if (faults.error) {
    char code[8];
    std::snprintf(code, sizeof code, faults.errorCode > 0xFF ? "0x%04X" : "0x%02X",
                  unsigned{faults.errorCode});
    add(std::string("error ") + code);
  }
  if (faults.malformed) add(std::string("malformed ") + MalformationText(faults.malformation));
  if (faults.truncated) add("truncated");
  if (faults.closeAfter) add("close-after");
  return text.empty() ? "none" : text;
}

uint64_t AnswerDelay(const Faults& faults) {
  uint64_t delay = faults.lateMilliseconds;
  if (faults.jitter) {
    static std::minstd_rand draw{std::random_device{}()};
    delay += std::uniform_int_distribution<uint32_t>(faults.jitterMinMilliseconds,
                                                     faults.jitterMaxMilliseconds)(draw);
  }
  return delay;
}

}  // namespace plcsim
