// The records that the host and the driver exchange through ZanMain.
//
// The host builds these records; their layout is part of the host interface. In 32-bit builds (the
// product) every offset is the one the host uses, checked below. In 64-bit builds pointers widen
// and the other fields follow natural alignment.
#ifndef ZAN_CORE_HOST_INTERFACE_H_
#define ZAN_CORE_HOST_INTERFACE_H_

#include <cstddef>
#include <cstdint>

#if defined(_WIN32)
#define ZAN_EXPORT extern "C" __declspec(dllexport)
#define ZAN_CDECL __cdecl
#else
#define ZAN_EXPORT extern "C" __attribute__((visibility("default")))
#define ZAN_CDECL
#endif

struct DriverState;

extern "C" {

// The request block of every command.
struct ZanRequest {
  DriverState* state;  // the instance's state block, allocated by the host
  int32_t command;     // index into the command table
  int32_t instance;    // driver instance number (names the configuration file)
  uint8_t reserved[4];
  void* argument;  // the command's argument record, or unused
};

// Argument of Init (command 1).
struct InitArgument {
  uint8_t reserved[12];
  int32_t enabled;         // 0: the instance stays idle after its version line
  int32_t timeoutSetting;  // host time-out; becomes DriverState::timeout
};

// Argument of GetDriverInfo (command 14): the driver writes the named fields only.
struct DriverInfo {
  int32_t infoCode;
  const char* driverName;
  const char* banner;
  int32_t stateSize;
  int32_t infoFlag;
  uint8_t reserved[8];  // never written
  int32_t infoValue;
};

// Argument of ParseTagAddress and CheckArrayTag (commands 3 and 4).
struct TagDefinition {
  const char* addressText;  // zero-terminated, read only
  int32_t tagId;            // the host's identifier; key of a cache-block slot
  int32_t hostType;         // the host's data type code
  int32_t count;            // values read as one run (command 4 only)
  int32_t plc;              // TagAddress, filled by the parser
  int32_t kind;
  int32_t address;
  uint32_t bit;
  int32_t width;
};

// Argument of the read and write commands (5, 6, 7 and 10): one tag's address as the parser
// produced it, how many values, and the host's value buffer.
struct TagItem {
  const char* addressText;  // zero-terminated; for log lines and the string length
  uint8_t reserved1[4];
  int32_t plc;  // TagAddress; the switchover may replace it by the partner's number
  int32_t kind;
  int32_t address;  // data block number in bits 31..16, offset in bits 15..0
  uint32_t bit;     // 255 = the whole value
  int32_t width;
  uint8_t reserved2[4];
  int32_t count;      // consecutive values to read or write
  int32_t tagId;      // the host's identifier; key of a cache-block slot
  void* valueBuffer;  // the host's values
};

// Argument of ConfigurePort (command 15): the port to open and its line settings.
struct PortSettings {
  char portName[12];  // device name, at most 11 characters and a terminator
  int32_t timeout;    // new DriverState::timeout (serial read time-out = timeout x 10 ms); 0 = keep
  uint16_t baudRate;  // bits per second; 0 = keep the stored settings (this and the next three)
  uint16_t byteSize;  // data bits per character (low byte)
  uint16_t stopBits;  // 0 = one, 1 = one and a half, 2 = two (low byte)
  uint16_t parity;    // 0 = none, 1 = odd, 2 = even, 3 = mark, 4 = space (low byte)
};

}  // extern "C"

// Result codes of the operations.
enum : int32_t {
  kResultDone = 0,
  kResultRefused = 1,
  kResultUnreachable = 2,
  kResultEditorCancelled = 53,
};

// Command codes: indexes of the command table.
enum : int32_t {
  kCommandInit = 1,
  kCommandWarmStart = 2,
  kCommandParseTagAddress = 3,
  kCommandCheckArrayTag = 4,
  kCommandReadValue = 5,
  kCommandReadBlock = 6,
  kCommandWriteValue = 7,
  kCommandWriteBlock = 10,
  kCommandCloseTransport = 11,
  kCommandClosePort = 12,
  kCommandOpenPort = 13,
  kCommandGetDriverInfo = 14,
  kCommandConfigurePort = 15,
  kCommandAddressEditor = 16,
  kCommandCount = 17,
};

#if UINTPTR_MAX == 0xFFFFFFFFu
static_assert(offsetof(ZanRequest, state) == 0);
static_assert(offsetof(ZanRequest, command) == 4);
static_assert(offsetof(ZanRequest, instance) == 8);
static_assert(offsetof(ZanRequest, reserved) == 12);
static_assert(offsetof(ZanRequest, argument) == 16);
static_assert(sizeof(ZanRequest) == 20);

static_assert(offsetof(DriverInfo, infoCode) == 0);
static_assert(offsetof(DriverInfo, driverName) == 4);
static_assert(offsetof(DriverInfo, banner) == 8);
static_assert(offsetof(DriverInfo, stateSize) == 12);
static_assert(offsetof(DriverInfo, infoFlag) == 16);
static_assert(offsetof(DriverInfo, reserved) == 20);
static_assert(offsetof(DriverInfo, infoValue) == 28);
static_assert(sizeof(DriverInfo) == 32);

static_assert(offsetof(TagDefinition, addressText) == 0);
static_assert(offsetof(TagDefinition, tagId) == 4);
static_assert(offsetof(TagDefinition, hostType) == 8);
static_assert(offsetof(TagDefinition, count) == 12);
static_assert(offsetof(TagDefinition, plc) == 16);
static_assert(offsetof(TagDefinition, kind) == 20);
static_assert(offsetof(TagDefinition, address) == 24);
static_assert(offsetof(TagDefinition, bit) == 28);
static_assert(offsetof(TagDefinition, width) == 32);
static_assert(sizeof(TagDefinition) == 36);

static_assert(offsetof(TagItem, addressText) == 0);
static_assert(offsetof(TagItem, plc) == 8);
static_assert(offsetof(TagItem, kind) == 12);
static_assert(offsetof(TagItem, address) == 16);
static_assert(offsetof(TagItem, bit) == 20);
static_assert(offsetof(TagItem, width) == 24);
static_assert(offsetof(TagItem, count) == 32);
static_assert(offsetof(TagItem, tagId) == 36);
static_assert(offsetof(TagItem, valueBuffer) == 40);
static_assert(sizeof(TagItem) == 44);
#endif

// Pointer-free records have the same layout in every build.
static_assert(offsetof(InitArgument, enabled) == 12);
static_assert(offsetof(InitArgument, timeoutSetting) == 16);
static_assert(sizeof(InitArgument) == 20);

static_assert(offsetof(PortSettings, portName) == 0);
static_assert(offsetof(PortSettings, timeout) == 12);
static_assert(offsetof(PortSettings, baudRate) == 16);
static_assert(offsetof(PortSettings, byteSize) == 18);
static_assert(offsetof(PortSettings, stopBits) == 20);
static_assert(offsetof(PortSettings, parity) == 22);
static_assert(sizeof(PortSettings) == 24);

// The only export of the driver library.
ZAN_EXPORT int32_t ZAN_CDECL ZanMain(ZanRequest* request);

#endif  // ZAN_CORE_HOST_INTERFACE_H_
