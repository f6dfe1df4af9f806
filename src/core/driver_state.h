// The per-instance state of the driver: one fixed-size record that the host allocates (of the size
// that GetDriverInfo announces) and passes with every request. The driver allocates nothing else
// for an instance; every table has a fixed number of rows and every text a fixed width.
//
// Layout: natural alignment, 32-bit port handle, so the record is 165912 bytes in every build.
#ifndef ZAN_CORE_DRIVER_STATE_H_
#define ZAN_CORE_DRIVER_STATE_H_

#include <cstddef>
#include <cstdint>

extern "C" {

constexpr int kPlcCount = 512;          // PLC numbers 0..511; the file configures 1..511
constexpr int kCacheBlockCount = 100;   // cache-block slots
constexpr int kCacheBlockBytes = 1000;  // data capacity of one cache block
constexpr int kTransferBufferBytes = 10000;
constexpr int kIpAddressBytes = 16;  // at most 15 characters and the terminator
constexpr int kTsapBytes = 25;       // at most 24 characters and the terminator
constexpr int kTsapSignificant = 8;  // characters of a TSAP that the connections use
constexpr int kPortNameBytes = 12;

constexpr uint8_t kPlcTypeS5 = 5;
// Values by the S5 rules (data blocks in words, S5 floats), reached by slot like an S7.
constexpr uint8_t kPlcTypeS5ValuesBySlot = 6;
constexpr uint8_t kPlcTypeS7 = 7;

// linkState values.
constexpr uint8_t kLinkConnected = 0;
constexpr uint8_t kLinkUntriedOrRefused = 1;  // never tried, or the last read or write refused
constexpr uint8_t kLinkFailed = 2;

constexpr int32_t kCacheSlotFree = -1;  // CacheBlock::tagId of a free slot
// CacheBlock::valid of a slot that the address parser claimed for a new cache-block tag (or for a
// tag that now names another block) but whose block was never fetched: a warm start must not
// re-validate it, since its data belongs to no fetch of this block. A failed fetch leaves it as it
// is; only a block that was fetched once falls back to 0 and may be served again after a warm
// start. Like 0, any value other than 1 means "not served".
constexpr int32_t kCacheNeverFetched = -1;

// One row of the PLC table; the row index is the PLC number.
struct PlcEntry {
  uint8_t type;              // 5 = S5 (TSAP pair), 7 = S7 (slot), 6 = S5 fields, S7 connection
  uint16_t readConnection;   // transport handle of the S7 or S5 read connection; 0 = none
  uint16_t writeConnection;  // transport handle of the S5 write connection; 0 = none
  char ipAddress[kIpAddressBytes];  // dotted IPv4 address; empty = row not configured
  char localTsap[kTsapBytes];
  char readTsap[kTsapBytes];
  char writeTsap[kTsapBytes];
  uint8_t linkState;  // kLinkConnected, kLinkUntriedOrRefused or kLinkFailed
  uint8_t slot;       // slot of the S7 CPU
  uint8_t backupPlc;  // PLC number of the backup; 0 = none
  uint8_t active;     // 1 = serves the tags of its master/backup pair
  uint16_t watchdogValue;
  uint16_t watchdogAlive;
};

// One slot of the block cache.
struct CacheBlock {
  int32_t tagId;  // the cache-block tag that claimed the slot; kCacheSlotFree = free
  uint8_t data[kCacheBlockBytes];
  int32_t valid;  // 1 = data holds the block and is served; anything else (0, kCacheNeverFetched)
                  // = not served
  uint16_t plcNumber;
  uint16_t dbNumber;
  uint16_t start;   // first byte of the block in its data block
  uint16_t length;  // bytes, at most kCacheBlockBytes
};

struct DriverState {
  int32_t timeout;      // driver time-out (poll limits derive from it)
  uint32_t portHandle;  // serial port: a Win32 HANDLE or a file descriptor; 0 = none
  int32_t channelActive;
  char portName[kPortNameBytes];
  uint16_t baudRate;
  uint16_t byteSize;
  uint16_t stopBits;
  uint16_t parity;
  uint16_t lineFlags;
  uint8_t transferBuffer[kTransferBufferBytes];
  PlcEntry plcs[kPlcCount];
  uint8_t longDb;
  uint8_t commTrace;
  uint8_t floatOddAddress;
  CacheBlock cache[kCacheBlockCount];
};

}  // extern "C"

static_assert(offsetof(PlcEntry, type) == 0);
static_assert(offsetof(PlcEntry, readConnection) == 2);
static_assert(offsetof(PlcEntry, writeConnection) == 4);
static_assert(offsetof(PlcEntry, ipAddress) == 6);
static_assert(offsetof(PlcEntry, localTsap) == 22);
static_assert(offsetof(PlcEntry, readTsap) == 47);
static_assert(offsetof(PlcEntry, writeTsap) == 72);
static_assert(offsetof(PlcEntry, linkState) == 97);
static_assert(offsetof(PlcEntry, slot) == 98);
static_assert(offsetof(PlcEntry, backupPlc) == 99);
static_assert(offsetof(PlcEntry, active) == 100);
static_assert(offsetof(PlcEntry, watchdogValue) == 102);
static_assert(offsetof(PlcEntry, watchdogAlive) == 104);
static_assert(sizeof(PlcEntry) == 106);

static_assert(offsetof(CacheBlock, tagId) == 0);
static_assert(offsetof(CacheBlock, data) == 4);
static_assert(offsetof(CacheBlock, valid) == 1004);
static_assert(offsetof(CacheBlock, plcNumber) == 1008);
static_assert(offsetof(CacheBlock, dbNumber) == 1010);
static_assert(offsetof(CacheBlock, start) == 1012);
static_assert(offsetof(CacheBlock, length) == 1014);
static_assert(sizeof(CacheBlock) == 1016);

static_assert(offsetof(DriverState, timeout) == 0);
static_assert(offsetof(DriverState, portHandle) == 4);
static_assert(offsetof(DriverState, channelActive) == 8);
static_assert(offsetof(DriverState, portName) == 12);
static_assert(offsetof(DriverState, baudRate) == 24);
static_assert(offsetof(DriverState, byteSize) == 26);
static_assert(offsetof(DriverState, stopBits) == 28);
static_assert(offsetof(DriverState, parity) == 30);
static_assert(offsetof(DriverState, lineFlags) == 32);
static_assert(offsetof(DriverState, transferBuffer) == 34);
static_assert(offsetof(DriverState, plcs) == 10034);
static_assert(offsetof(DriverState, longDb) == 64306);
static_assert(offsetof(DriverState, commTrace) == 64307);
static_assert(offsetof(DriverState, floatOddAddress) == 64308);
static_assert(offsetof(DriverState, cache) == 64312);
static_assert(sizeof(DriverState) == 165912);

namespace zan {

// Sets the defaults of the PLC table, the options and the cache; leaves the header fields
// (timeout to lineFlags), transferBuffer, floatOddAddress, writeTsap, the bytes of the TSAP fields
// behind their first two, and every cache field except tagId and valid as they were.
// Always reports success.
bool ResetDriverState(DriverState& state);

// True when the row of PLC number `plc` exists and is configured (its ipAddress is not empty).
inline bool IsConfiguredPlc(const DriverState& state, int plc) {
  return plc >= 0 && plc < kPlcCount && state.plcs[plc].ipAddress[0] != '\0';
}

}  // namespace zan

#endif  // ZAN_CORE_DRIVER_STATE_H_
