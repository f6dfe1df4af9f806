#include "session/failure_words.h"

#include <cstdio>
#include <cstring>

namespace zanhost {
namespace {

// S7 item return codes (the read and write var answers), and error classes of a refused job.
constexpr int kItemHardwareFault = 0x01;
constexpr int kItemAccessDenied = 0x03;
constexpr int kItemAddressOutOfRange = 0x05;
constexpr int kItemTypeNotSupported = 0x06;
constexpr int kItemTypeInconsistent = 0x07;
constexpr int kItemObjectMissing = 0x0A;
// S5 error numbers as the transport passes them on (0x100 + the number); the simulator answers
// 2 for a missing block or area and 3 for a block too short.
constexpr int kS5ErrorBase = 0x100;
constexpr int kS5NoSuchBlock = 2;
constexpr int kS5BlockTooShort = 3;

bool IsDataBlockTag(const PlacedTag& tag) {
  const int area = tag.kind & 0xFF;
  return area != 'I' && area != 'Q' && area != 'M' && tag.kind != '!';
}

std::string AreaName(const PlacedTag& tag) {
  if (IsDataBlockTag(tag)) {
    return "data block " + std::to_string(static_cast<uint32_t>(tag.address) >> 16);
  }
  const int area = tag.kind & 0xFF;
  return area == 'I' ? "the inputs" : area == 'Q' ? "the outputs" : "the flags";
}

std::string Missing(const PlacedTag& tag) {
  if (IsDataBlockTag(tag)) return AreaName(tag) + " does not exist";
  return AreaName(tag) + " do not exist";
}

std::string Outside(const PlacedTag& tag) {
  std::string words = "address outside " + AreaName(tag);
  int first = 0;
  int last = 0;
  if (MemoryExtent(tag, first, last)) {
    const char* unit = !tag.s7() && IsDataBlockTag(tag) ? "data word" : "byte";
    words += first == last ? " (" + std::string(unit) + " " + std::to_string(first) + ")"
                           : " (" + std::string(unit) + "s " + std::to_string(first) + " to " +
                                 std::to_string(last) + ")";
  }
  return words;
}

std::string Hex(int value, int digits) {
  char text[16];
  std::snprintf(text, sizeof text, "0x%0*X", digits, static_cast<unsigned>(value));
  return text;
}

std::string S7ErrorClass(int errorClass) {
  switch (errorClass) {
    case 0x81:
      return "application relationship";
    case 0x82:
      return "object definition";
    case 0x83:
      return "no resources available";
    case 0x84:
      return "service processing";
    case 0x85:
      return "supplies";
    case 0x87:
      return "access";
    default:
      return "";
  }
}

}  // namespace

bool ParseTransferFailure(const std::string& line, TransferFailure& failure) {
  static const char kRead[] = "ZanDOR: Read Tag ";
  static const char kWrite[] = "ZanDOR: Write Tag ";
  const bool write = line.rfind(kWrite, 0) == 0;
  if (!write && line.rfind(kRead, 0) != 0) return false;
  const std::size_t begin = write ? sizeof kWrite - 1 : sizeof kRead - 1;
  // The address may hold blanks: the text runs up to the last " Failed, ".
  const std::size_t end = line.rfind(" Failed, ");
  const std::size_t rc = line.rfind("rc=");
  if (end == std::string::npos || end < begin || rc == std::string::npos || rc < end) return false;
  int answer = 0;
  int status = 0;
  if (std::sscanf(line.c_str() + rc, "rc=%d,%d", &answer, &status) != 2) return false;
  failure.address = line.substr(begin, end - begin);
  failure.write = write;
  failure.answer = answer;
  failure.status = status;
  return true;
}

std::string PlcRefusalWords(int status, const PlacedTag& tag) {
  if (tag.fetchWrite()) {
    const int number = status >= kS5ErrorBase ? status - kS5ErrorBase : status;
    if (number == kS5NoSuchBlock) return Missing(tag);
    if (number == kS5BlockTooShort) return Outside(tag);
    return "the PLC refused with S5 error number " + std::to_string(number);
  }
  switch (status) {
    case kItemObjectMissing:
      return Missing(tag);
    case kItemAddressOutOfRange:
      return Outside(tag);
    case kItemAccessDenied:
      return "access to " + AreaName(tag) + " denied";
    case kItemTypeNotSupported:
      return "the PLC does not support the data type asked for";
    case kItemTypeInconsistent:
      return "the data type asked for does not fit " + AreaName(tag);
    case kItemHardwareFault:
      return "hardware fault in the PLC";
    default:
      break;
  }
  if (status > 0xFF) {
    const std::string name = S7ErrorClass(status >> 8);
    return "the PLC refused the job with error class " + Hex(status >> 8, 2) +
           (name.empty() ? "" : " (" + name + ")") + ", code " + Hex(status & 0xFF, 2);
  }
  return "the PLC refused the item with return code " + Hex(status, 2);
}

std::string TransportAnswerWords(int answer, int timeoutMs) {
  switch (answer) {
    case 3:
      return "the connection is not established";
    case 6:
    case 7:
      return "no answer within the time-out (" + std::to_string(timeoutMs) + " ms)";
    case 9:
      return "the connection broke (refused, reset or closed by the PLC, no answer within the "
             "transport's time-out, or an answer not understood)";
    case 14:
      return "the answer to an earlier request was still on its way";
    case 1:
      return "the transport library refused the request as not usable";
    case 2:
      return "the transport library knows no such connection";
    case 8:
      return "the transport library had no request outstanding";
    default:
      return "the transport library answered " + std::to_string(answer);
  }
}

bool IsConnectionLost(int answer) {
  return answer == 3 || answer == 9;
}

bool IsNoAnswerInTime(int answer) {
  return answer == 6 || answer == 7;
}

std::string TransferFailureWords(const TransferFailure& failure, const PlacedTag& tag,
                                 int timeoutMs) {
  if (failure.answer == 0 && failure.status != 0) return PlcRefusalWords(failure.status, tag);
  return TransportAnswerWords(failure.answer, timeoutMs);
}

std::string OpenLibraryWords(int result) {
  switch (result) {
    case -1:
      return "the library file cannot be loaded (it is not beside the driver nor on the library "
             "path, or it is not for this platform)";
    case -2:
      return "the library lacks one of the eleven operations the driver binds";
    case 1:
      return "the library refused to open (QUAXNET_PORT holds no port number?)";
    case 15:
      return "the library cannot use the network";
    default:
      return "the library answered " + std::to_string(result) + " to its opening";
  }
}

}  // namespace zanhost
