// Requests as a client of a PLC sends them, byte by byte from the wire layouts (RFC 1006, ISO 8073
// class 0, S7 communication, the S5 fetch/write service), each in its TPKT and data TPDU. Built
// here and not with the simulator's encoders, so that a fault in those shows in the tests.
#ifndef ZAN_TESTS_SUPPORT_PLC_REQUESTS_H_
#define ZAN_TESTS_SUPPORT_PLC_REQUESTS_H_

#include <cstdint>
#include <initializer_list>
#include <string>
#include <vector>

namespace zan::testing {

using Bytes = std::vector<uint8_t>;

// "03 00 00 07" -> bytes.
Bytes Hex(const std::string& text);
Bytes Concat(std::initializer_list<Bytes> parts);

Bytes ConnectRequest(const Bytes& calling, const Bytes& called, uint8_t sizeCode = 0x0A);
Bytes Data(const Bytes& userData, bool last = true);
Bytes S7Setup(uint16_t reference, uint16_t pdu);

// An S7 item of any-pointer syntax: transport size (0x02 bytes, 0x01 bit, 0x04 word, ...), count
// of elements, data block, area (0x84 data block, 0x83 flags, 0x81 inputs, 0x82 outputs, 0x1C
// counters, 0x1D timers) and address (byte x 8 + bit; the number of a counter or timer).
struct S7ItemSpec {
  uint8_t transportSize;
  uint16_t count;
  uint16_t dataBlock;
  uint8_t area;
  uint32_t address;
};
S7ItemSpec ByteItem(uint8_t area, uint16_t block, uint32_t byte, uint16_t length);

// An item of a write with its data: the data's transport size (0x03 bit, 0x04 bits, 0x05 integer
// in bits, 0x07 real, 0x09 octets) and length field in that unit.
struct S7WriteSpec {
  S7ItemSpec item;
  uint8_t dataTransportSize;
  uint16_t length;
  Bytes data;
};

Bytes S7ReadItems(uint16_t reference, const std::vector<S7ItemSpec>& items);
// The data of each item follows its head; a fill byte after an odd length, except the last.
Bytes S7WriteItems(uint16_t reference, const std::vector<S7WriteSpec>& items);
Bytes S7Read(uint16_t reference, uint8_t area, uint16_t block, uint16_t byte, uint16_t length);
Bytes S7Write(uint16_t reference, uint8_t area, uint16_t block, uint16_t byte, const Bytes& data);
// A user-data PDU (32 07) with the parameter and data given.
Bytes S7UserData(uint16_t reference, const Bytes& parameter, const Bytes& data);
// The read-SZL request of the CPU functions: list `id`, `index`.
Bytes S7ReadSzl(uint16_t reference, uint16_t id, uint16_t index);

// S5 op codes: 0x05 fetch, 0x03 write; areas 1 data block (start and length in words), 2 flags.
Bytes S5Request(uint8_t op, uint8_t area, uint8_t block, uint16_t start, uint16_t length,
                const Bytes& data = {});

}  // namespace zan::testing

#endif  // ZAN_TESTS_SUPPORT_PLC_REQUESTS_H_
