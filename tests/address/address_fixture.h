// The fixture of the address parser tests: PLC 1 is a configured S7, PLC 2 a configured S5 and
// PLC 3 a configured PLC of type 6; every other row is free. Rows of cases state the text, the
// host type, the options and either the TagAddress fields or the refusal line.
#ifndef ZAN_TESTS_ADDRESS_ADDRESS_FIXTURE_H_
#define ZAN_TESTS_ADDRESS_ADDRESS_FIXTURE_H_

#include <cstdint>
#include <string>
#include <vector>

#include "address/tag_address.h"
#include "support/host_fixture.h"

namespace zan::testing {

// Host types without a rule of their own, and the ones that have one.
constexpr int32_t kPlain = 1;
constexpr int32_t kFloat = kHostTypeFloat;
constexpr int32_t kDouble = kHostTypeDoubleWord;
constexpr int32_t kBit = kHostTypeBit;
constexpr int32_t kText = kHostTypeString;

// Options of the case.
constexpr int kLongDb = 1;
constexpr int kFloatOdd = 2;

// What an accepted address yields; `address` is dataBlock x 65536 + offset.
struct Fields {
  int32_t plc;
  int32_t kind;
  int32_t dataBlock;
  int32_t offset;
  uint32_t bit = kBitWholeValue;
  int32_t width = kWidth16;
};

struct Row {
  const char* text;
  int32_t hostType;
  int options;
  const char* refusal;  // the line behind "ZANDOR> Address Parser: "; nullptr: accepted
  Fields fields;
};

inline Row Accepted(const char* text, int32_t hostType, Fields fields, int options = 0) {
  return {text, hostType, options, nullptr, fields};
}
inline Row Refused(const char* text, int32_t hostType, const char* refusal, int options = 0) {
  return {text, hostType, options, refusal, {}};
}

// A value that no parse writes: a field still holding it was left as it was.
constexpr int32_t kUntouched = 0x5A5A5A5A;

class AddressTest : public HostFixture {
 protected:
  void SetUp() override;

  // Configures `plc` as a PLC of `type`.
  void Configure(int plc, uint8_t type);

  // A definition whose output fields hold kUntouched.
  static TagDefinition Definition(const char* text, int32_t hostType, int32_t tagId = 0,
                                  int32_t count = 1);

  void SetOptions(int options);

  // Runs command 3 for the row and checks the result, the fields and the log.
  void Check(const Row& row);
  void CheckAll(const std::vector<Row>& rows);

  static std::string Line(const std::string& message) {
    return "ZANDOR> Address Parser: " + message;
  }
};

}  // namespace zan::testing

#endif  // ZAN_TESTS_ADDRESS_ADDRESS_FIXTURE_H_
