// The S5 fetch/write service: a fetch or a write of one area, refused with the service's error
// number when the area or block is missing or too short; the connection stays.
#include <cstring>

#include "hex_text.h"
#include "request_service.h"

namespace plcsim {
namespace {

// Transfers on the byte areas of an S5 are bounded like those of its data blocks: 4096 bytes.
constexpr uint32_t kS5MaxBytes = 2 * kS5MaxDataWords;

// The memory area of an S5 area code; peripherals are the input modules for a fetch and the
// output modules for a write. False for an area type the simulator does not know.
bool AreaOf(uint8_t code, bool fetch, Area* area) {
  switch (code) {
    case kS5AreaDataBlock:
      *area = Area::kDataBlock;
      return true;
    case kS5AreaExtendedDataBlock:
      *area = Area::kExtendedDataBlock;
      return true;
    case kS5AreaFlags:
      *area = Area::kFlags;
      return true;
    case kS5AreaInputs:
      *area = Area::kInputs;
      return true;
    case kS5AreaOutputs:
      *area = Area::kOutputs;
      return true;
    case kS5AreaPeripherals:
      *area = fetch ? Area::kInputs : Area::kOutputs;
      return true;
    case kS5AreaCounters:
      *area = Area::kCounters;
      return true;
    case kS5AreaTimers:
      *area = Area::kTimers;
      return true;
    default:
      return false;
  }
}

}  // namespace

void ServeS5Request(Plc& plc, const S5Request& request, std::vector<uint8_t>& answer,
                    ServeReport* report) {
  const bool fetch = request.opCode == kS5Fetch;
  plc.BeforeRequest(fetch ? RequestKind::kRead : RequestKind::kWrite);
  const uint8_t answerOpCode = fetch ? kS5FetchAnswer : kS5WriteAnswer;
  Area area = Area::kDataBlock;
  const bool known = AreaOf(request.area, fetch, &area);
  const bool words = S5AreaCountsWords(request.area);
  const uint32_t offset = words ? 2u * request.start : request.start;
  const uint32_t length = words ? 2u * request.length : request.length;
  const std::string areaName = !known ? "area " + HexByte(request.area)
                               : request.area == kS5AreaPeripherals
                                   ? std::string("p")
                                   : AreaName(area, request.dataBlock);
  const std::string what = std::string(fetch ? "fetch " : "write ") + areaName + " byte " +
                           std::to_string(offset) + " length " + std::to_string(length);

  uint8_t error = kS5WrongAreaType;
  std::string reason = "the service has no area type " + HexByte(request.area);
  uint8_t* bytes = nullptr;
  if (plc.faults().error) {
    // An S5 error number has one byte: a code written as S7 class and code gives its class.
    const uint16_t code = plc.faults().errorCode;
    error = static_cast<uint8_t>(code > 0xFF ? code >> 8 : code);
  } else if (known) {
    if (length == 0 || length > kS5MaxBytes) {
      error = kS5BlockTooShort;
      reason = "a transfer of " + std::to_string(length) + " bytes (1 to " +
               std::to_string(kS5MaxBytes) + ")";
    } else {
      switch (plc.memory().Locate(area, request.dataBlock, offset, length, &bytes)) {
        case Access::kDone:
          error = kS5NoError;
          break;
        case Access::kNoSuchArea:
        case Access::kAbsent:
          error = kS5NoSuchBlock;
          reason = areaName + " does not exist";
          break;
        case Access::kOutOfRange:
          error = kS5BlockTooShort;
          reason = "bytes " + std::to_string(offset) + " to " +
                   std::to_string(uint64_t{offset} + length - 1) + " lie outside " + areaName;
          break;
      }
    }
  }
  if (error == kS5NoError && !fetch) std::memcpy(bytes, request.data, length);
  if (error != kS5NoError) {
    plc.CountRefused(1);
    if (!plc.faults().error) {
      report->refusals.push_back(what + ": refused with error number " + HexByte(error) + ", " +
                                 reason);
    }
  }
  if (report->describe) {
    report->summary = what + (error == kS5NoError ? std::string(": done")
                                                  : ": error number " + HexByte(error) +
                                                        (plc.faults().error ? " (fault)" : ""));
  }
  EncodeS5Answer(answer, answerOpCode, error, bytes, fetch && error == kS5NoError ? length : 0);
}

}  // namespace plcsim
