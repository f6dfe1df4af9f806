#include "probe/plc_identity.h"

#include <cstdio>

namespace zanhost {
namespace {

constexpr uint16_t kModuleIndex = 0x0001;
constexpr uint16_t kModuleNameIndex = 0x0002;
constexpr uint16_t kSerialNumberIndex = 0x0005;
constexpr std::size_t kOrderNumberBytes = 20;
constexpr std::size_t kComponentTextBytes = 32;
constexpr uint8_t kModeRun = 0x08;
constexpr uint8_t kModeStop = 0x04;

uint16_t IndexOf(const Bytes& record) {
  return record.size() < 2 ? 0 : static_cast<uint16_t>(record[0] << 8 | record[1]);
}

}  // namespace

std::string RecordText(const Bytes& record, std::size_t at, std::size_t size) {
  std::string text;
  for (std::size_t i = at; i < record.size() && i - at < size && record[i] != 0; ++i)
    text += record[i] >= 0x20 && record[i] <= 0x7E ? static_cast<char>(record[i]) : '?';
  while (!text.empty() && text.back() == ' ')
    text.pop_back();
  return text;
}

void TakeIdentity(const SzlList& list, PlcIdentity& identity) {
  for (const Bytes& record : list.records) {
    switch (list.id) {
      case kSzlModuleIdentification:
        if (IndexOf(record) == kModuleIndex)
          identity.orderNumber = RecordText(record, 2, kOrderNumberBytes);
        break;
      case kSzlComponentIdentification:
        if (IndexOf(record) == kModuleNameIndex)
          identity.moduleName = RecordText(record, 2, kComponentTextBytes);
        if (IndexOf(record) == kSerialNumberIndex)
          identity.serialNumber = RecordText(record, 2, kComponentTextBytes);
        break;
      case kSzlCpuState:
        if (record.size() >= 4) {
          const uint8_t mode = record[3] & 0x0F;
          char text[16];
          std::snprintf(text, sizeof text, "mode 0x%X", unsigned{mode});
          identity.cpuState = mode == kModeRun ? "RUN" : mode == kModeStop ? "STOP" : text;
        }
        break;
      default:
        break;
    }
  }
}

}  // namespace zanhost
