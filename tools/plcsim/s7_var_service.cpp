// Read and write var as a CPU serves them: every item on its own, with its own return code, in
// one answer that must fit the PDU granted.
#include <cstring>

#include "hex_text.h"
#include "request_service.h"

namespace plcsim {
namespace {

// How the elements of a transport size travel: their size, the transport size of the data in an
// answer, and whether that counts its length in bits (else in bytes).
struct TransportFormat {
  uint8_t transportSize;
  uint8_t elementBytes;
  uint8_t dataTransportSize;
  bool lengthInBits;
  const char* name;
};

constexpr TransportFormat kFormats[] = {
    {kS7TransportBit, 1, kS7DataBit, true, "bit"},
    {kS7TransportBytes, 1, kS7DataBits, true, "byte"},
    {kS7TransportChar, 1, kS7DataOctets, false, "char"},
    {kS7TransportWord, 2, kS7DataBits, true, "word"},
    {kS7TransportInt, 2, kS7DataInteger, true, "int"},
    {kS7TransportDWord, 4, kS7DataBits, true, "dword"},
    {kS7TransportDInt, 4, kS7DataInteger, true, "dint"},
    {kS7TransportReal, 4, kS7DataReal, false, "real"},
    {kS7TransportCounter, 2, kS7DataOctets, false, "counter"},
    {kS7TransportTimer, 2, kS7DataOctets, false, "timer"},
};

// A bit travels as a byte that holds it in bit 0.
constexpr uint8_t kBitValues[2] = {0, 1};

const TransportFormat* FormatOf(uint8_t transportSize) {
  for (const TransportFormat& format : kFormats) {
    if (format.transportSize == transportSize) return &format;
  }
  return nullptr;
}

bool IsCounterOrTimer(uint8_t code) {
  return code == kS7AreaCounters || code == kS7AreaTimers;
}

// The memory area of an S7 area code; peripherals are the input modules for a read and the output
// modules for a write. False for an area the simulator does not have.
bool AreaOf(uint8_t code, bool read, Area* area) {
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
    case kS7AreaPeripherals:
      *area = read ? Area::kInputs : Area::kOutputs;
      return true;
    case kS7AreaCounters:
      *area = Area::kCounters;
      return true;
    case kS7AreaTimers:
      *area = Area::kTimers;
      return true;
    default:
      return false;
  }
}

std::string AreaText(uint8_t code, uint16_t dataBlock) {
  switch (code) {
    case kS7AreaDataBlock:
      return "db" + std::to_string(dataBlock);
    case kS7AreaFlags:
      return "m";
    case kS7AreaInputs:
      return "i";
    case kS7AreaOutputs:
      return "q";
    case kS7AreaPeripherals:
      return "p";
    case kS7AreaCounters:
      return "c";
    case kS7AreaTimers:
      return "t";
    default:
      return "area " + HexByte(code);
  }
}

// "db10 byte 0 length 2", "m bit 5.3", "db10 byte 4 length 2 word", "c 5 length 2".
std::string DescribeItem(const S7Item& item) {
  if (!item.anyPointer) return "an item of another syntax than any pointer";
  std::string text = AreaText(item.area, item.dataBlock);
  const TransportFormat* format = FormatOf(item.transportSize);
  if (IsCounterOrTimer(item.area)) {
    text += " " + std::to_string(item.address) + " length " + std::to_string(item.count);
  } else if (item.transportSize == kS7TransportBit) {
    text += " bit " + std::to_string(item.address >> 3) + "." + std::to_string(item.address & 7);
  } else {
    text += " byte " + std::to_string(item.address >> 3) + " length " + std::to_string(item.count);
  }
  if (format == nullptr) return text + " transport size " + HexByte(item.transportSize);
  if (item.transportSize != kS7TransportBytes && item.transportSize != kS7TransportBit &&
      !IsCounterOrTimer(item.area)) {
    text += std::string(" ") + format->name;
  }
  return text;
}

// Where an item's bytes stand, or why it is refused.
struct Place {
  uint8_t returnCode = kS7Success;
  std::string reason;
  const TransportFormat* format = nullptr;
  uint8_t* bytes = nullptr;
  uint32_t size = 0;  // bytes that the item covers
};

Place Refused(uint8_t returnCode, std::string reason) {
  Place place;
  place.returnCode = returnCode;
  place.reason = std::move(reason);
  return place;
}

Place Locate(Plc& plc, const S7Item& item, bool read) {
  if (!item.anyPointer) return Refused(kS7OutOfRange, "the PLC serves any-pointer items only");
  const TransportFormat* format = FormatOf(item.transportSize);
  if (format == nullptr) {
    return Refused(kS7TypeNotSupported,
                   "transport size " + HexByte(item.transportSize) + " is not served");
  }
  Area area = Area::kDataBlock;
  if (!AreaOf(item.area, read, &area)) {
    return Refused(kS7AccessDenied, "the PLC has no area " + HexByte(item.area));
  }
  const bool counted = IsCounterOrTimer(item.area);
  if (counted != IsCounterOrTimer(item.transportSize) ||
      (counted && item.area != item.transportSize)) {
    return Refused(kS7TypeNotSupported, std::string("transport size ") + format->name + " on " +
                                            AreaText(item.area, item.dataBlock));
  }
  if (item.count == 0) return Refused(kS7OutOfRange, "no elements asked");
  uint32_t offset = 0;
  uint32_t length = 0;
  if (counted) {
    offset = item.address * 2;
    length = uint32_t{item.count} * 2;
  } else if (item.transportSize == kS7TransportBit) {
    if (item.count != 1) {
      return Refused(kS7OutOfRange, "a bit item of " + std::to_string(item.count) + " bits");
    }
    offset = item.address >> 3;
    length = 1;
  } else {
    if ((item.address & 7) != 0) {
      return Refused(kS7OutOfRange, "bit " + std::to_string(item.address & 7) +
                                        " in the address of a " + format->name + " item");
    }
    offset = item.address >> 3;
    length = uint32_t{item.count} * format->elementBytes;
  }
  Place place;
  place.format = format;
  place.size = length;
  switch (plc.memory().Locate(area, item.dataBlock, offset, length, &place.bytes)) {
    case Access::kDone:
      return place;
    case Access::kNoSuchArea:
      return Refused(kS7ObjectDoesNotExist, AreaName(area, item.dataBlock) + " does not exist");
    case Access::kAbsent:
      return Refused(kS7AccessDenied,
                     "the PLC has no " + AreaName(area, item.dataBlock) + " (size 0)");
    case Access::kOutOfRange:
      break;
  }
  return Refused(kS7OutOfRange, "bytes " + std::to_string(offset) + " to " +
                                    std::to_string(uint64_t{offset} + length - 1) +
                                    " lie outside " + AreaName(area, item.dataBlock));
}

// The bytes an item asks to read, for the check that the answer fits; 0 for items refused at once.
std::size_t AskedBytes(const S7Item& item) {
  const TransportFormat* format = FormatOf(item.transportSize);
  if (!item.anyPointer || format == nullptr) return 0;
  return std::size_t{item.count} * format->elementBytes;
}

// Writes an item's data into place; the return code.
uint8_t Store(const S7Item& item, const Place& place, std::string* reason) {
  if (item.transportSize == kS7TransportBit) {
    if (item.dataTransportSize != kS7DataBit || item.dataLength != 1) {
      *reason = "a bit written with data of transport size " + HexByte(item.dataTransportSize) +
                " and length " + std::to_string(item.dataLength);
      return kS7TypeInconsistent;
    }
    const uint8_t mask = static_cast<uint8_t>(1u << (item.address & 7));
    // The bit's value is bit 0 of its data byte.
    *place.bytes = (item.data[0] & 1) != 0 ? *place.bytes | mask : *place.bytes & ~mask;
    return kS7Success;
  }
  if (item.dataTransportSize == kS7DataBit || item.dataSize != place.size) {
    *reason = std::to_string(item.dataSize) + " bytes of data (transport size " +
              HexByte(item.dataTransportSize) + ") for an item of " + std::to_string(place.size);
    return kS7TypeInconsistent;
  }
  std::memcpy(place.bytes, item.data, place.size);
  return kS7Success;
}

std::string Outcome(uint8_t returnCode) {
  return returnCode == kS7Success ? "done" : "item return code " + HexByte(returnCode);
}

void RefuseJob(Plc& plc, const S7Request& request, uint16_t error, const std::string& why,
               std::vector<uint8_t>& answer, ServeReport* report) {
  plc.CountRefused(1);
  report->refusals.push_back(why + ": refused with header error " + HexWord(error));
  if (report->describe) report->summary += ": header error";
  EncodeS7HeaderError(answer, request.reference, request.function, error);
}

}  // namespace

void ServeS7Request(Plc& plc, const S7Request& request, std::size_t requestSize, uint16_t pduSize,
                    std::vector<uint8_t>& answer, ServeReport* report) {
  if (requestSize > pduSize) {
    plc.BeforeRequest(RequestKind::kOther);
    const std::string why = "a request of " + std::to_string(requestSize) +
                            " bytes, longer than the PDU of " + std::to_string(pduSize);
    if (report->describe) report->summary = why;
    if (request.kind == S7Request::Kind::kUserData) {
      plc.CountRefused(1);
      report->refusals.push_back(why + ": refused with " + HexWord(kS7ErrorAnswerTooLong));
      EncodeS7UserDataAnswer(answer, request.reference, request.userData, kS7ErrorAnswerTooLong,
                             kS7ObjectDoesNotExist, nullptr, 0);
    } else {
      RefuseJob(plc, request, kS7ErrorAnswerTooLong, why, answer, report);
    }
    return;
  }
  if (request.kind == S7Request::Kind::kUserData) {
    ServeS7UserData(plc, request, pduSize, answer, report);
    return;
  }
  if (request.kind != S7Request::Kind::kRead && request.kind != S7Request::Kind::kWrite) {
    plc.BeforeRequest(RequestKind::kOther);
    const std::string what = "function " + HexByte(request.function);
    if (report->describe) report->summary = what;
    RefuseJob(plc, request, kS7ErrorFunctionNotServed, what + " is not served", answer, report);
    return;
  }
  const bool read = request.kind == S7Request::Kind::kRead;
  plc.BeforeRequest(read ? RequestKind::kRead : RequestKind::kWrite);
  const std::vector<S7Item>& items = request.items;
  const char* verb = read ? "read" : "write";
  const std::string many = items.size() == 1 ? "" : " " + std::to_string(items.size()) + " items";
  if (report->describe) report->summary = verb + many;

  const Faults& faults = plc.faults();
  if (faults.error && faults.errorCode > 0xFF) {
    if (report->describe)
      report->summary += " " + DescribeItem(items[0]) + ": header error (fault)";
    EncodeS7HeaderError(answer, request.reference, request.function, faults.errorCode);
    return;
  }
  if (read) {
    std::vector<std::size_t> sizes;
    for (const S7Item& item : items)
      sizes.push_back(AskedBytes(item));
    const std::size_t answerSize = S7ReadAnswerSize(sizes);
    if (answerSize > pduSize) {
      const std::string what = many.empty() ? std::string(verb) + " " + DescribeItem(items[0])
                                            : std::string(verb) + many;
      RefuseJob(plc, request, kS7ErrorAnswerTooLong,
                what + ": an answer of " + std::to_string(answerSize) +
                    " bytes, longer than the PDU of " + std::to_string(pduSize),
                answer, report);
      return;
    }
  }

  std::vector<S7ReadResult> results(read ? items.size() : 0);
  std::vector<uint8_t> codes(items.size());
  for (std::size_t i = 0; i < items.size(); ++i) {
    const S7Item& item = items[i];
    Place place = Locate(plc, item, read);
    if (faults.error) {
      place.returnCode = static_cast<uint8_t>(faults.errorCode);
    } else if (!read && place.returnCode == kS7Success) {
      place.returnCode = Store(item, place, &place.reason);
    }
    codes[i] = place.returnCode;
    if (read && place.returnCode == kS7Success) {
      S7ReadResult& result = results[i];
      result.returnCode = kS7Success;
      result.dataTransportSize = place.format->dataTransportSize;
      result.data = place.bytes;
      result.size = place.size;
      result.length =
          static_cast<uint16_t>(place.format->lengthInBits ? place.size * 8 : place.size);
      if (item.transportSize == kS7TransportBit) {
        result.data = &kBitValues[(*place.bytes >> (item.address & 7)) & 1];
        result.length = 1;
      }
    } else if (read) {
      results[i].returnCode = place.returnCode;
    }
    const std::string described =
        report->describe || place.returnCode != kS7Success ? DescribeItem(item) : std::string();
    if (report->describe) {
      report->summary += (i != 0         ? "; "
                          : many.empty() ? " "
                                         : ": ") +
                         described + ": " + Outcome(place.returnCode) +
                         (faults.error ? " (fault)" : "");
    }
    if (place.returnCode != kS7Success) {
      plc.CountRefused(1);
      if (!faults.error) {
        const std::string which = items.size() == 1 ? ""
                                                    : "item " + std::to_string(i + 1) + " of " +
                                                          std::to_string(items.size()) + ": ";
        report->refusals.push_back(which + verb + " " + described + ": refused with " +
                                   HexByte(place.returnCode) + ", " + place.reason);
      }
    }
  }
  if (read) {
    EncodeS7ReadAnswer(answer, request.reference, results);
  } else {
    EncodeS7WriteAnswer(answer, request.reference, codes);
  }
}

}  // namespace plcsim
