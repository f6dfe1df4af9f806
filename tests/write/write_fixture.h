// The fixture of the write tests: PLC 1 is a connected S7 (handle 11), PLC 2 a connected S5 pair
// (read 21, write 22) and PLC 3 a connected PLC of type 6 (handle 31, no write connection). The
// host's values are given as the bytes of its buffer; what reaches the transport is checked as the
// record and the bytes of each send-write.
#ifndef ZAN_TESTS_WRITE_WRITE_FIXTURE_H_
#define ZAN_TESTS_WRITE_WRITE_FIXTURE_H_

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "address/tag_address.h"
#include "support/host_fixture.h"

namespace zan::testing {

using Bytes = std::vector<uint8_t>;
using Lines = std::vector<std::string>;

constexpr int kS7 = 1;
constexpr int kS5 = 2;
constexpr int kType6 = 3;

class WriteTest : public HostFixture {
 protected:
  void SetUp() override {
    HostFixture::SetUp();
    ResetDriverState(state());
    state().timeout = 100;
    Configure(kS7, kPlcTypeS7, 11);
    Configure(kS5, kPlcTypeS5, 21, 22);
    Configure(kType6, kPlcTypeS5Alike, 31);
  }

  void Configure(int number, uint8_t type, uint16_t readHandle, uint16_t writeHandle = 0) {
    std::snprintf(plc(number).ipAddress, kIpAddressBytes, "10.0.0.%d", number);
    plc(number).type = type;
    plc(number).readConnection = readHandle;
    plc(number).writeConnection = writeHandle;
    plc(number).linkState = kLinkConnected;
  }

  // An item of PLC `plcNumber` whose value buffer is `values` (kept alive by the test).
  TagItem Item(int32_t plcNumber, int32_t kind, uint16_t dataBlock, uint16_t offset, int32_t count,
               Bytes& values, const char* text = "01DW0100020") {
    TagItem item{};
    item.addressText = text;
    item.plc = plcNumber;
    item.kind = kind;
    item.address = static_cast<int32_t>((uint32_t{dataBlock} << 16) | offset);
    item.bit = kBitWholeValue;
    item.count = count;
    item.tagId = 7;
    item.valueBuffer = values.data();
    return item;
  }

  int32_t Command(int32_t command, TagItem& item) {
    ClearLog();
    transport().ClearCalls();
    return Send(command, &item);
  }
  int32_t WriteBlock(TagItem& item) { return Command(kCommandWriteBlock, item); }
  int32_t WriteValue(TagItem& item) { return Command(kCommandWriteValue, item); }

  // The one send-write of the last command.
  TransportCall SentWrite() {
    const std::vector<TransportCall> writes = transport().CallsOf(Op::kSendWrite);
    EXPECT_EQ(writes.size(), 1u);
    return writes.empty() ? TransportCall{Op::kSendWrite} : writes.front();
  }

  // The first `count` bytes that the one send-write carried.
  Bytes SentBytes(std::size_t count) {
    Bytes data = SentWrite().data;
    if (data.size() > count) data.resize(count);
    return data;
  }
};

// A host value buffer holding `words` as 16-bit little-endian values.
inline Bytes Words(std::initializer_list<uint16_t> words) {
  Bytes bytes;
  for (uint16_t word : words) {
    bytes.push_back(static_cast<uint8_t>(word));
    bytes.push_back(static_cast<uint8_t>(word >> 8));
  }
  return bytes;
}

}  // namespace zan::testing

#endif  // ZAN_TESTS_WRITE_WRITE_FIXTURE_H_
