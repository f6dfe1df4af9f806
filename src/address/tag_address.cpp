#include "address/tag_address.h"

#include "address/address_parse.h"
#include "address/address_templates.h"
#include "address/cache_registration.h"
#include "address/data_block_address.h"
#include "address/host_type_rules.h"
#include "address/io_address.h"

namespace zan {
namespace {

constexpr int kStatusNumberPosition = 1;
constexpr int kStatusNumberWidth = 2;

bool IsIoArea(char area) {
  return area == 'I' || area == 'Q' || area == 'M';
}

// The templates only test the characters present, so a text that stops early fits them; without
// this it would be accepted with the `address` of whatever tag the record held before. Runs after
// the PLC number is checked, so that a text the table already refuses keeps that refusal.
int32_t RefuseIncompleteText(const AddressText& text) {
  if (text.length == 0) return ZAN_ADDRESS_REFUSE("empty address string");
  if (text.length <= kAreaPosition)
    return ZAN_ADDRESS_REFUSE("area letter missing in address string");
  if (text.length <= kTypePosition)
    return ZAN_ADDRESS_REFUSE("type letter missing in address string");
  if (IsIoArea(text.At(kAreaPosition)) && text.length <= kByteAddressPosition)
    return ZAN_ADDRESS_REFUSE("byte address missing in address string");
  return kResultDone;
}

int32_t ParseStatusAddress(TagDefinition& definition, const AddressText& text) {
  // Not tested against the PLC table: the status of any PLC number may be shown.
  definition.kind = kKindStatus;
  definition.plc = kStatusPlc;
  ReadDecimalField(text, kStatusNumberPosition, kStatusNumberWidth, &definition.address);
  return kResultDone;
}

}  // namespace

int32_t ParseTagDefinition(DriverState& state, TagDefinition& definition, ParseMode mode) {
  if (definition.addressText == nullptr) return ZAN_ADDRESS_REFUSE("address string missing");
  AddressText text;
  if (!CopyAddressText(definition.addressText, &text))
    return ZAN_ADDRESS_REFUSE("address string longer than 16 characters");
  UpperCaseAddressText(&text);
  if (!MatchesAddressTemplate(text))
    return ZAN_ADDRESS_REFUSE("wrong characters in address string");

  definition.plc = 0;
  definition.bit = kBitWholeValue;
  definition.width = kWidth16;
  if (text.At(0) == '!') {
    if (text.length <= kStatusNumberPosition)
      return ZAN_ADDRESS_REFUSE("PLC number missing in status address");
    return ParseStatusAddress(definition, text);
  }

  // Two digits: the row is one of 0 to 99.
  ReadDecimalField(text, 0, kPlcNumberWidth, &definition.plc);
  if (!IsConfiguredPlc(state, definition.plc)) return ZAN_ADDRESS_REFUSE("PLC number out of limit");
  if (RefuseIncompleteText(text) != kResultDone) return kResultRefused;

  AddressParse parse{state, definition, text};
  char area = text.At(kAreaPosition);
  const bool hexadecimalOffset = area == 'X';
  if (hexadecimalOffset) area = 'D';
  definition.kind = area == 'D' ? text.At(kTypePosition) : area;

  if (area == 'T') return RegisterCacheBlock(parse);
  if (definition.kind == kKindString) return ParseStringAddress(parse);
  const int32_t form =
      area == 'D' ? ParseDataBlockAddress(parse, hexadecimalOffset) : ParseIoAddress(parse);
  if (form != kResultDone) return form;

  if (!TakesDataBlockBytes(parse.Plc().type) && area == 'D' && text.At(kTypePosition) == 'B')
    return ZAN_ADDRESS_REFUSE("Bytes not supported for S5 PLCs");
  if (mode == ParseMode::kCheckOnly) return kResultDone;
  return ApplyHostTypeRules(parse, area);
}

int32_t ParseTagAddress(ZanRequest* request) {
  if (request == nullptr || request->state == nullptr || request->argument == nullptr)
    return kResultRefused;
  return ParseTagDefinition(*request->state, *static_cast<TagDefinition*>(request->argument),
                            ParseMode::kFull);
}

}  // namespace zan
