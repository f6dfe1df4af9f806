// Data-block words of a PLC of type 6 over its connection. Such a PLC keeps the S5 rules for its
// values (word addressing, S5 floats, words in host order in transferBuffer) but is reached through
// a connection by slot, which addresses bytes and carries PLC memory order. Word n is bytes 2n and
// 2n+1 of the data block there, so the record's start and length are doubled on the way to the
// transport, and each word's two bytes are exchanged between PLC order and host order, as an S5
// connection hands them over.
#ifndef ZAN_READ_BYTE_ADDRESSED_WORDS_H_
#define ZAN_READ_BYTE_ADDRESSED_WORDS_H_

#include <cstdint>

#include "transport/transport_operations.h"

namespace zan {

// Whether `record`, planned in S5 words for a PLC of `plcType`, goes to a byte-addressed
// connection: a data-block transfer on a PLC of type 6.
bool CarriesWordsAsBytes(uint8_t plcType, const TransferRecord& record);

// The record with start and length in bytes. False when those bytes lie beyond the 16-bit byte
// addresses of the connection (a word start of 32768 or more); `bytes` is then unspecified.
bool WordRecordInBytes(const TransferRecord& words, TransferRecord* bytes);

}  // namespace zan

#endif  // ZAN_READ_BYTE_ADDRESSED_WORDS_H_
