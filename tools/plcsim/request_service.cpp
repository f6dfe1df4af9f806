#include "request_service.h"

#include <cstring>

#include "hex_text.h"

namespace plcsim {
namespace {

// Transfers on the byte areas of an S5 are bounded like those of its data blocks: 4096 bytes.
constexpr uint32_t kS5MaxBytes = 2 * kS5MaxDataWords;

std::string AreaText(Area area, uint16_t dataBlock) {
  switch (area) {
    case Area::kDataBlock:
      return "db" + std::to_string(dataBlock);
    case Area::kFlags:
      return "m";
    case Area::kInputs:
      return "i";
    case Area::kOutputs:
      return "q";
  }
  return "?";
}

std::string Describe(const char* verb, Area area, uint16_t dataBlock, uint32_t offset,
                     uint32_t length) {
  return std::string(verb) + " " + AreaText(area, dataBlock) + " byte " + std::to_string(offset) +
         " length " + std::to_string(length);
}

bool S7AreaOf(uint8_t code, Area* area) {
  switch (code) {
    case kS7AreaDataBlock:
      *area = Area::kDataBlock;
      return true;
    case kS7AreaFlags:
      *area = Area::kFlags;
      return true;
    case kS7AreaInputs:
      *area = Area::kInputs;
      return true;
    case kS7AreaOutputs:
      *area = Area::kOutputs;
      return true;
    default:
      return false;
  }
}

bool S5AreaOf(uint8_t code, Area* area) {
  switch (code) {
    case kS5AreaDataBlock:
      *area = Area::kDataBlock;
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
    default:
      return false;  // peripherals, counters, timers, extended blocks: not simulated
  }
}

// The item return code for an S7 item of `length` bytes; on success `*bytes` points to them.
uint8_t LocateS7(Plc& plc, const S7Item& item, Area area, uint8_t** bytes) {
  if (item.transportSize != kS7TransportBytes) return kS7TypeNotSupported;
  if ((item.bitAddress & 7) != 0 || item.count == 0) return kS7OutOfRange;
  switch (plc.memory().Locate(area, item.dataBlock, item.bitAddress >> 3, item.count, bytes)) {
    case Access::kDone:
      return kS7Success;
    case Access::kNoSuchArea:
      return kS7ObjectDoesNotExist;
    case Access::kOutOfRange:
      return kS7OutOfRange;
  }
  return kS7HardwareFault;
}

std::string Outcome(uint8_t returnCode) {
  return returnCode == kS7Success ? "done" : "item return code " + HexByte(returnCode);
}

}  // namespace

void ServeS7Request(Plc& plc, const S7Request& request, uint16_t pduSize,
                    std::vector<uint8_t>& answer, std::string* description) {
  const Faults& faults = plc.faults();
  if (request.kind != S7Request::Kind::kRead && request.kind != S7Request::Kind::kWrite) {
    if (description != nullptr) {
      *description = "function " + HexByte(request.function) + ": not served";
    }
    EncodeS7HeaderError(answer, request.reference, request.function, kS7ErrorFunctionNotServed);
    return;
  }
  const S7Item& item = request.item;
  const bool read = request.kind == S7Request::Kind::kRead;
  Area area = Area::kDataBlock;
  const bool known = S7AreaOf(item.area, &area);
  if (description != nullptr) {
    *description = known ? Describe(read ? "read" : "write", area, item.dataBlock,
                                    item.bitAddress >> 3, item.count)
                         : std::string(read ? "read" : "write") + " area " + HexByte(item.area);
  }
  if (faults.error && faults.errorCode > 0xFF) {
    if (description != nullptr) {
      *description += ": header error (fault)";
    }
    EncodeS7HeaderError(answer, request.reference, request.function, faults.errorCode);
    return;
  }
  if (read && kS7ReadAnswerOverhead + std::size_t{item.count} > pduSize) {
    if (description != nullptr) {
      *description += ": answer longer than the PDU of " + std::to_string(pduSize);
    }
    EncodeS7HeaderError(answer, request.reference, request.function, kS7ErrorAnswerTooLong);
    return;
  }
  uint8_t* bytes = nullptr;
  uint8_t returnCode = kS7ObjectDoesNotExist;
  if (faults.error) {
    returnCode = static_cast<uint8_t>(faults.errorCode);
  } else if (known) {
    returnCode = LocateS7(plc, item, area, &bytes);
  }
  if (!read && returnCode == kS7Success) {
    if (request.dataSize != item.count) {
      returnCode = kS7TypeInconsistent;
    } else {
      std::memcpy(bytes, request.data, request.dataSize);
    }
  }
  if (description != nullptr) {
    *description += ": " + Outcome(returnCode) + (faults.error ? " (fault)" : "");
  }
  if (read) {
    EncodeS7ReadAnswer(answer, request.reference, returnCode, bytes, item.count);
  } else {
    EncodeS7WriteAnswer(answer, request.reference, returnCode);
  }
}

void ServeS5Request(Plc& plc, const S5Request& request, std::vector<uint8_t>& answer,
                    std::string* description) {
  const bool fetch = request.opCode == kS5Fetch;
  const uint8_t answerOpCode = fetch ? kS5FetchAnswer : kS5WriteAnswer;
  Area area = Area::kDataBlock;
  const bool known = S5AreaOf(request.area, &area);
  const bool words = S5AreaCountsWords(request.area);
  const uint32_t offset = words ? 2u * request.start : request.start;
  const uint32_t length = words ? 2u * request.length : request.length;
  if (description != nullptr) {
    *description =
        known ? Describe(fetch ? "fetch" : "write", area, request.dataBlock, offset, length)
              : std::string(fetch ? "fetch" : "write") + " area " + HexByte(request.area);
  }

  uint8_t error = kS5NoSuchBlock;
  uint8_t* bytes = nullptr;
  if (plc.faults().error) {
    // An S5 error number has one byte: a code written as S7 class and code gives its class.
    const uint16_t code = plc.faults().errorCode;
    error = static_cast<uint8_t>(code > 0xFF ? code >> 8 : code);
  } else if (known) {
    if (length == 0 || length > kS5MaxBytes) {
      error = kS5BlockTooShort;
    } else {
      switch (plc.memory().Locate(area, request.dataBlock, offset, length, &bytes)) {
        case Access::kDone:
          error = kS5NoError;
          break;
        case Access::kNoSuchArea:
          error = kS5NoSuchBlock;
          break;
        case Access::kOutOfRange:
          error = kS5BlockTooShort;
          break;
      }
    }
  }
  if (error == kS5NoError && !fetch) std::memcpy(bytes, request.data, length);
  if (description != nullptr) {
    *description += error == kS5NoError ? std::string(": done")
                                        : ": error number " + HexByte(error) +
                                              (plc.faults().error ? " (fault)" : "");
  }
  EncodeS5Answer(answer, answerOpCode, error, bytes, fetch && error == kS5NoError ? length : 0);
}

}  // namespace plcsim
