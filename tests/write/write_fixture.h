// The fixture of the write tests: PLC 1 is an S7 (handle 11), PLC 2 an S5 pair (read 21, write
// 22), PLC 3 of type 6 (handle 31, no write connection), all connected. Bytes are given as hex text
// ("3412 CDAB"); each send-write is checked as its record and the bytes it carried.
#ifndef ZAN_TESTS_WRITE_WRITE_FIXTURE_H_
#define ZAN_TESTS_WRITE_WRITE_FIXTURE_H_

#include <string>
#include <vector>

#include "address/tag_address.h"
#include "support/host_fixture.h"

// Apart from the other subsystems' test helpers, whose names may be the same.
namespace zan::testing::writing {

using Bytes = std::vector<uint8_t>;
constexpr int kS7 = 1, kS5 = 2, kType6 = 3;

inline Bytes Hex(const char* text) {
  Bytes bytes;
  for (const char* p = text; *p != '\0'; ++p)
    if (*p != ' ')
      bytes.push_back(static_cast<uint8_t>(std::stoi(std::string(p++, 2), nullptr, 16)));
  return bytes;
}

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
    plc(number).type = type;
    plc(number).readConnection = readHandle;
    plc(number).writeConnection = writeHandle;
    plc(number).linkState = kLinkConnected;
  }
  // An item of data block 10 whose value buffer is `host`.
  TagItem Item(int32_t plcNumber, int32_t kind, uint16_t offset, int32_t count, Bytes& host,
               const char* text = "01DW0100020") {
    return TagItem{text, {}, plcNumber, kind, (10 << 16) | offset, kBitWholeValue,
                   0,    {}, count,     7,    host.data()};
  }
  int32_t Command(int32_t command, TagItem& item) {
    ClearLog();
    transport().ClearCalls();
    return Send(command, &item);
  }
  // Connection, area, data block, start and length of the last send-write; empty when none.
  std::vector<int> SentRecord() {
    if (transport().Count(Op::kSendWrite) == 0) return {};
    const TransferRecord r = transport().CallsOf(Op::kSendWrite).back().record;
    return {r.connection, r.area, r.dbNumber, r.start, r.length};
  }
  // The first bytes of the last send-write, as many as `hex` names.
  Bytes SentAs(const char* hex) {
    if (transport().Count(Op::kSendWrite) == 0) return {};
    Bytes data = transport().CallsOf(Op::kSendWrite).back().data;
    data.resize(std::min(Hex(hex).size(), data.size()));
    return data;
  }
};

}  // namespace zan::testing::writing

#endif  // ZAN_TESTS_WRITE_WRITE_FIXTURE_H_
