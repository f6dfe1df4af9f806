// The user-data requests a tool makes to learn whom it talks to: read SZL (system status list) of
// the module identification (0x0011), the component identification (0x001C), the CPU's operating
// state (0x0424) and the list of the lists served (0x0000). Every other user-data function is
// answered with an error.
//
//   SZL answer data   ID ID IX IX LL LL NN NN <NN records of LL bytes>
//   read-SZL request  FF 09 00 04 ID ID IX IX
#include <cstdio>
#include <iterator>

#include "hex_text.h"
#include "request_service.h"

namespace plcsim {
namespace {

constexpr uint16_t kSzlList = 0x0000;
constexpr uint16_t kSzlModuleIdentification = 0x0011;
constexpr uint16_t kSzlModuleRecord = 0x0111;  // one record, chosen by the index
constexpr uint16_t kSzlComponentIdentification = 0x001C;
constexpr uint16_t kSzlComponentRecord = 0x011C;
constexpr uint16_t kSzlCpuState = 0x0424;
constexpr uint16_t kServedLists[] = {kSzlList,
                                     kSzlModuleIdentification,
                                     kSzlModuleRecord,
                                     kSzlComponentIdentification,
                                     kSzlComponentRecord,
                                     kSzlCpuState};

// Module identification: index, order number (20 characters), module type, two version words.
constexpr std::size_t kModuleRecordSize = 28;
constexpr std::size_t kOrderNumberField = 20;
// The simulator's version as the firmware record tells it: "V" 1, then 0.0.
constexpr uint16_t kFirmwareVersion = 0x5601;
constexpr uint16_t kModuleIndexes[] = {0x0001, 0x0006, 0x0007};  // module, hardware, firmware

// Component identification: index and 32 bytes, text padded with zero bytes. In the order of the
// indexes, which some tools take by position.
constexpr std::size_t kComponentRecordSize = 34;
constexpr uint16_t kComponentIndexes[] = {0x0001, 0x0002, 0x0003, 0x0004, 0x0005, 0x0007};
constexpr char kCopyright[] = "zanplcsim";

// CPU state: the last mode transition. Event 43xx with xx the new mode; bzu-id holds the new mode
// in its low nibble (8 RUN, 4 STOP); the rest stays zero.
constexpr std::size_t kStateRecordSize = 20;
constexpr uint8_t kModeRun = 0x08;
constexpr uint8_t kModeStop = 0x04;

void Append16(std::vector<uint8_t>& out, uint16_t value) {
  out.push_back(static_cast<uint8_t>(value >> 8));
  out.push_back(static_cast<uint8_t>(value));
}

// `text` in a field of `size` bytes, cut to it and padded with `fill`.
void AppendText(std::vector<uint8_t>& out, const std::string& text, std::size_t size, char fill) {
  for (std::size_t i = 0; i < size; ++i)
    out.push_back(static_cast<uint8_t>(i < text.size() ? text[i] : fill));
}

std::string SerialNumber(const PlcConfig& config) {
  if (!config.identity.serialNumber.empty()) return config.identity.serialNumber;
  char text[16];
  std::snprintf(text, sizeof text, "ZS-%08u", static_cast<unsigned>(config.number));
  return text;
}

void AppendModuleRecord(std::vector<uint8_t>& out, const PlcConfig& config, uint16_t index) {
  Append16(out, index);
  AppendText(out, index == 0x0007 ? std::string() : config.identity.orderNumber, kOrderNumberField,
             ' ');
  Append16(out, 0);  // module type
  Append16(out, index == 0x0007 ? kFirmwareVersion : 1);
  Append16(out, 0);
}

void AppendComponentRecord(std::vector<uint8_t>& out, const PlcConfig& config, uint16_t index) {
  std::string text;
  switch (index) {
    case 0x0001:  // name of the automation system
      text = "PLC " + std::to_string(config.number);
      break;
    case 0x0002:  // name of the module
    case 0x0007:  // module type name
      text = config.identity.moduleName;
      break;
    case 0x0004:
      text = kCopyright;
      break;
    case 0x0005:
      text = SerialNumber(config);
      break;
    default:  // plant designation: none
      break;
  }
  Append16(out, index);
  AppendText(out, text, kComponentRecordSize - 2, '\0');
}

using RecordWriter = void (*)(std::vector<uint8_t>&, const PlcConfig&, uint16_t);

// The records of a list of `indexes`: all of them, or with `one` the record `index` alone; false
// when there is no such record.
template <std::size_t N>
bool AppendRecords(std::vector<uint8_t>& out, const PlcConfig& config, const uint16_t (&indexes)[N],
                   std::size_t recordSize, bool one, uint16_t index, RecordWriter write) {
  std::size_t count = 0;
  for (uint16_t record : indexes)
    count += !one || record == index ? 1 : 0;
  if (count == 0) return false;
  Append16(out, static_cast<uint16_t>(recordSize));
  Append16(out, static_cast<uint16_t>(count));
  for (uint16_t record : indexes) {
    if (!one || record == index) write(out, config, record);
  }
  return true;
}

// The list `id` with `index` as the answer's data; false when the PLC has no such list.
bool ReadSzl(const Plc& plc, uint16_t id, uint16_t index, std::vector<uint8_t>& out) {
  const PlcConfig& config = plc.config();
  Append16(out, id);
  Append16(out, index);
  switch (id) {
    case kSzlList:
      Append16(out, 2);
      Append16(out, static_cast<uint16_t>(std::size(kServedLists)));
      for (uint16_t list : kServedLists)
        Append16(out, list);
      return true;
    case kSzlModuleIdentification:
    case kSzlModuleRecord:
      return AppendRecords(out, config, kModuleIndexes, kModuleRecordSize, id == kSzlModuleRecord,
                           index, AppendModuleRecord);
    case kSzlComponentIdentification:
    case kSzlComponentRecord:
      return AppendRecords(out, config, kComponentIndexes, kComponentRecordSize,
                           id == kSzlComponentRecord, index, AppendComponentRecord);
    case kSzlCpuState: {
      const uint8_t mode = plc.running() ? kModeRun : kModeStop;
      Append16(out, kStateRecordSize);
      Append16(out, 1);
      Append16(out, static_cast<uint16_t>(0x4300 | mode));
      out.push_back(0xFF);  // ae
      out.push_back(mode);  // bzu-id
      out.insert(out.end(), kStateRecordSize - 4, 0);
      return true;
    }
    default:
      return false;
  }
}

}  // namespace

void ServeS7UserData(Plc& plc, const S7Request& request, uint16_t pduSize,
                     std::vector<uint8_t>& answer, ServeReport* report) {
  const S7UserDataRequest& asked = request.userData;
  const bool readSzl = asked.method == kS7UserDataRequest && asked.type == kS7UserDataTypeRequest &&
                       asked.group == kS7GroupCpuFunctions && asked.subfunction == kS7ReadSzl;
  if (!readSzl) {
    plc.BeforeRequest(RequestKind::kOther);
    plc.CountRefused(1);
    const std::string what = "user data of function group " + std::to_string(asked.group) +
                             " subfunction " + HexByte(asked.subfunction);
    report->refusals.push_back(what + ": refused with " + HexWord(kS7ErrorFunctionNotServed) +
                               ", not served");
    if (report->describe) report->summary = what + ": not served";
    EncodeS7UserDataAnswer(answer, request.reference, asked, kS7ErrorFunctionNotServed,
                           kS7ObjectDoesNotExist, nullptr, 0);
    return;
  }
  plc.BeforeRequest(RequestKind::kIdentification);
  const bool wellFormed = asked.returnCode == kS7Success && asked.dataSize == 4;
  const uint16_t id = wellFormed ? static_cast<uint16_t>(asked.data[0] << 8 | asked.data[1]) : 0;
  const uint16_t index = wellFormed ? static_cast<uint16_t>(asked.data[2] << 8 | asked.data[3]) : 0;
  const std::string what = "read SZL " + HexWord(id) + " index " + HexWord(index);
  std::vector<uint8_t> list;
  std::string reason;
  if (!wellFormed) {
    reason = "a read-SZL request without an SZL-ID and index";
  } else if (!ReadSzl(plc, id, index, list)) {
    reason = "the PLC has no such list";
  } else if (kS7UserDataAnswerOverhead + list.size() > pduSize) {
    reason = "an answer of " + std::to_string(kS7UserDataAnswerOverhead + list.size()) +
             " bytes, longer than the PDU of " + std::to_string(pduSize);
  }
  if (!reason.empty()) {
    plc.CountRefused(1);
    report->refusals.push_back((wellFormed ? what : std::string("read SZL")) + ": refused with " +
                               HexWord(kS7ErrorSzlUnavailable) + ", " + reason);
    if (report->describe) report->summary = what + ": unavailable";
    EncodeS7UserDataAnswer(answer, request.reference, asked, kS7ErrorSzlUnavailable,
                           kS7ObjectDoesNotExist, nullptr, 0);
    return;
  }
  if (report->describe) report->summary = what + ": done";
  EncodeS7UserDataAnswer(answer, request.reference, asked, 0, kS7Success, list.data(), list.size());
}

}  // namespace plcsim
