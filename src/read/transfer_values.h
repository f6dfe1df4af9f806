// What a read or a write of one tag asks the transport for: the layout of the tag's values (chosen
// by the low byte of its kind, and for inputs, outputs and flags by the second byte) and the
// transfer record (area, data block, start, length) that covers `count` of them.
//
// Units. On an S7 (PLC type 7) start and length count bytes. On every other type a data-block
// transfer counts 16-bit data words, which the transport hands over in host order (low byte
// first).
//
// Word access to inputs, outputs and flags is the same on every PLC type: the bytes of these areas
// stand in PLC order in transferBuffer, so a word is big-endian (high byte first), and the record
// asks for 2 x count bytes from byte 2 x offset on an S7 (whose tag keeps byte address / 2) and
// from byte offset on the other types (whose tag keeps the even byte address itself). Readers and
// writers of every PLC type place these words as they place S7 data-block words.
//
// Start and length are 16-bit fields: starts wrap modulo 65536 as the offsets dictate. Lengths
// never wrap, because a plan is refused when the data would not fit transferBuffer.
#ifndef ZAN_READ_TRANSFER_VALUES_H_
#define ZAN_READ_TRANSFER_VALUES_H_

#include <cstdint>

#include "transport/transport_operations.h"

namespace zan {

enum class ValueLayout : uint8_t {
  kNone,              // no transfer: a kind without a reader or writer
  kWord,              // kind 0: data-block word at byte 2 x offset (S7) or word offset (S5)
  kWordOddByte,       // kind 1: S7 data-block word at byte 2 x offset + 1
  kByte,              // 'B': data-block byte
  kCacheBlock,        // 'T': a whole cache block, as bytes
  kDoubleWord,        // 'D'
  kDoubleWordHalf,    // 'd'
  kFloat,             // 'F'
  kFloatHalf,         // 'f'
  kFloatOddByte,      // 'G': S7 only
  kFloatOddByteHalf,  // 'g': S7 only
  kString,            // 'S': S7 string with its two-byte header
  kCharacters,        // 'C': characters without header
  kIoByte,            // I/Q/M with type letter B
  kIoWord,            // I/Q/M with type letter W
  kStatus,            // '!': no transfer
  kMasterHeartbeat,   // '1': read as kind 0
  kBackupHeartbeat,   // '2': read as kind 0
};

// The layout of `kind`. An I/Q/M kind whose second byte is neither 'B' nor 'W' has none.
ValueLayout LayoutOfKind(int32_t kind);

// True for the layouts whose transfer is `count` values (bytes, words, double words, floats, and
// the heartbeat words); the others take no element count.
bool TakesCount(ValueLayout layout);

// Bytes that one value of a counted layout takes in transferBuffer (1, 2 or 4); 0 for the others.
int32_t ValueBytes(ValueLayout layout);

// True when `count` values of `layout` fit transferBuffer (count at least 1). Always true for the
// layouts that take no count.
bool CountFits(ValueLayout layout, int32_t count);

struct TransferPlan {
  TransferRecord record;  // area, dbNumber, start and length; the connection is left 0
  int32_t bytes;          // bytes that the data takes at the start of transferBuffer
};

// The bytes of transferBuffer that `record`, in the units of a plan for a PLC of `plcType`, covers:
// twice its length for a data block of a PLC that is not an S7 (words), else its length.
int32_t RecordBytes(uint8_t plcType, const TransferRecord& record);

// Plans the transfer of `count` values of `kind` at `address` (data block number in bits 31..16,
// offset in bits 15..0) on a PLC of `plcType`. `stringLength` (1..80) is the length written in the
// address text of a string kind and is not used otherwise. A cache block's record is that of a byte
// read; its length is the block's and is set by the read. Returns false when the kind has no
// transfer (kNone, kStatus, an odd float or a data-block byte on a PLC other than an S7), when
// `count` does not fit (CountFits) or when `stringLength` is out of range; `plan` is then
// unspecified.
bool PlanTransfer(int32_t kind, uint8_t plcType, int32_t address, int32_t count,
                  int32_t stringLength, TransferPlan* plan);

}  // namespace zan

#endif  // ZAN_READ_TRANSFER_VALUES_H_
