// The PLC lines of the configuration file: "n=t,address" followed by the slot of an S7 or the
// TSAPs of an S5.
#include <cstdio>
#include <cstring>

#include "config/config_line.h"
#include "config/config_loader.h"
#include "core/host_services.h"
#include "core/text_scan.h"

namespace zan {
namespace {

constexpr int kHighestOctet = 255;
constexpr int kHighestSlot = 0xFF;
constexpr std::size_t kTsapCapacity = kTsapBytes - 1;

void RejectIllegalInput(const char* line) {
  ZAN_LOG("ZanDOR: Illegal input line %s", line);
}

// A field of the line: the text between two commas, or from a comma to the end of the line.
struct Field {
  const char* begin;
  std::size_t length;
};

// The field that starts at `begin` and ends before the next comma, or at the end of the line when
// `toEnd` is set or there is no further comma.
Field FieldAt(const char* begin, bool toEnd) {
  const char* comma = toEnd ? nullptr : std::strchr(begin, ',');
  return Field{begin,
               comma != nullptr ? static_cast<std::size_t>(comma - begin) : std::strlen(begin)};
}

// Copies a field into `buffer` (of a line's capacity) so that it can be scanned on its own.
void CopyField(const Field& field, char (&buffer)[kConfigLineCapacity + 1]) {
  std::size_t length = field.length < kConfigLineCapacity ? field.length : kConfigLineCapacity;
  std::memcpy(buffer, field.begin, length);
  buffer[length] = '\0';
}

// Copies a field into a TSAP field, cut to the 24 characters that it holds.
void StoreTsap(char (&tsap)[kTsapBytes], const Field& field) {
  std::memset(tsap, 0, sizeof tsap);
  std::memcpy(tsap, field.begin, field.length < kTsapCapacity ? field.length : kTsapCapacity);
}

void StoreDefaultTsaps(PlcEntry& plc) {
  StoreTsap(plc.localTsap, Field{"KORVEL  ", 8});
  StoreTsap(plc.readTsap, Field{"KORREAD ", 8});
  StoreTsap(plc.writeTsap, Field{"KORWRITE", 8});
}

// Reads "a.b.c.d" (blanks around the numbers allowed, leading zeros read as decimal) and stores it
// as "%d.%d.%d.%d". Refuses anything but four numbers of 0..255: the text of larger numbers, or of
// a fifth number, would not fit the 15 characters of ipAddress.
bool ParseIpAddress(const Field& field, char (&address)[kIpAddressBytes]) {
  char text[kConfigLineCapacity + 1];
  CopyField(field, text);
  const char* cursor = text;
  int32_t octets[4];
  for (int i = 0; i < 4; ++i) {
    if (i > 0) {
      cursor = SkipScanSpace(cursor);
      if (*cursor++ != '.') return false;
    }
    if (!ScanDecimal(cursor, kUnlimitedWidth, &octets[i])) return false;
    if (octets[i] < 0 || octets[i] > kHighestOctet) return false;
  }
  if (*SkipScanSpace(cursor) == '.') return false;
  std::snprintf(address, sizeof address, "%d.%d.%d.%d", static_cast<int>(octets[0]),
                static_cast<int>(octets[1]), static_cast<int>(octets[2]),
                static_cast<int>(octets[3]));
  return true;
}

enum class SlotField { kMissing, kValid, kInvalid };

// Reads the slot, a hexadecimal number of 0..FF; text after the number is ignored. A field of
// blanks only counts as no slot at all.
SlotField ParseSlot(const Field& field, uint8_t* slot) {
  char text[kConfigLineCapacity + 1];
  CopyField(field, text);
  const char* cursor = text;
  if (*SkipScanSpace(cursor) == '\0') return SlotField::kMissing;
  int32_t value = 0;
  if (!ScanHexadecimal(cursor, kUnlimitedWidth, &value)) return SlotField::kInvalid;
  if (value < 0 || value > kHighestSlot) return SlotField::kInvalid;
  *slot = static_cast<uint8_t>(value);
  return SlotField::kValid;
}

}  // namespace

bool LoadPlcLine(DriverState& state, const char* line) {
  // " %d = %d ", with the number pre-set to 100 and the type to 0: a line that does not begin
  // with a number is refused for its type.
  const char* cursor = line;
  int32_t number = 100;
  int32_t type = 0;
  if (ScanDecimal(cursor, kUnlimitedWidth, &number)) {
    cursor = SkipScanSpace(cursor);
    if (*cursor == '=') {
      ++cursor;
      ScanDecimal(cursor, kUnlimitedWidth, &type);
    }
  }
  // A negative number would index in front of the table.
  if (number < 1 || number >= kPlcCount) {
    RejectIllegalInput(line);
    return false;
  }
  if (type != kPlcTypeS5 && type != kPlcTypeS5ValuesBySlot && type != kPlcTypeS7) {
    ZAN_LOG("ZanDOR: Illegal PlcType at line %s", line);
    return false;
  }

  PlcEntry& plc = state.plcs[number];
  if (type == kPlcTypeS5) StoreDefaultTsaps(plc);
  plc.type = static_cast<uint8_t>(type);

  const char* firstComma = std::strchr(line, ',');
  if (firstComma == nullptr) {
    RejectIllegalInput(line);
    return false;
  }
  Field address = FieldAt(firstComma + 1, false);
  if (!ParseIpAddress(address, plc.ipAddress)) {
    RejectIllegalInput(line);
    return false;
  }
  const char* rest = address.begin + address.length;  // the second comma, or the end
  if (*rest == ',') {
    ++rest;
    if (type == kPlcTypeS7) {
      if (ParseSlot(FieldAt(rest, true), &plc.slot) == SlotField::kInvalid) {
        RejectIllegalInput(line);
        return false;
      }
    } else {
      // Local, read and write TSAP; the last one given takes the rest of the line.
      Field local = FieldAt(rest, false);
      StoreTsap(plc.localTsap, local);
      if (local.begin[local.length] == ',') {
        Field read = FieldAt(local.begin + local.length + 1, false);
        StoreTsap(plc.readTsap, read);
        if (read.begin[read.length] == ',') {
          StoreTsap(plc.writeTsap, FieldAt(read.begin + read.length + 1, true));
        }
      }
    }
  }
  LogPlcEntry(state, number);
  return true;
}

void LogPlcEntry(DriverState& state, int number) {
  PlcEntry& plc = state.plcs[number];
  plc.localTsap[kTsapSignificant] = '\0';
  plc.readTsap[kTsapSignificant] = '\0';
  plc.writeTsap[kTsapSignificant] = '\0';

  ZAN_LOG("ZanDOR: =========================================");
  ZAN_LOG("ZanDOR: PLC # %d Type     = %d", number, plc.type);
  ZAN_LOG("ZanDOR: PLC # %d IP Addr  = %s", number, plc.ipAddress);
  if (plc.type == kPlcTypeS5) {
    ZAN_LOG("ZanDOR: PLC # %d LTSAP    = <%s>", number, plc.localTsap);
    ZAN_LOG("ZanDOR: PLC # %d RTSAP    = <%s>", number, plc.readTsap);
    ZAN_LOG("ZanDOR: PLC # %d WTSAP    = <%s>", number, plc.writeTsap);
  } else {
    ZAN_LOG("ZanDOR: PLC # %d Slot     = %d", number, plc.slot);
  }
  ZAN_LOG("ZanDOR: =========================================");
}

}  // namespace zan
