#include "support/plc_requests.h"

#include <cstdlib>

namespace zan::testing {
namespace {

void Push16(Bytes& out, std::size_t value) {
  out.push_back(static_cast<uint8_t>(value >> 8));
  out.push_back(static_cast<uint8_t>(value));
}

Bytes Tpkt(const Bytes& tpdu) {
  Bytes out = {3, 0};
  Push16(out, tpdu.size() + 4);
  out.insert(out.end(), tpdu.begin(), tpdu.end());
  return out;
}

// 32 TT 0000 ref param-length data-length.
Bytes Header(uint8_t type, uint16_t reference, std::size_t parameter, std::size_t data) {
  Bytes out = {0x32, type, 0, 0};
  Push16(out, reference);
  Push16(out, parameter);
  Push16(out, data);
  return out;
}

// 12 0A 10 TS LLLL DBDB AR AAAAAA
Bytes Item(const S7ItemSpec& item) {
  Bytes out = {0x12, 0x0A, 0x10, item.transportSize};
  Push16(out, item.count);
  Push16(out, item.dataBlock);
  out.push_back(item.area);
  out.insert(out.end(),
             {static_cast<uint8_t>(item.address >> 16), static_cast<uint8_t>(item.address >> 8),
              static_cast<uint8_t>(item.address)});
  return out;
}

Bytes ItemParameter(uint8_t function, const std::vector<S7ItemSpec>& items) {
  Bytes parameter = {function, static_cast<uint8_t>(items.size())};
  for (const S7ItemSpec& item : items) {
    const Bytes bytes = Item(item);
    parameter.insert(parameter.end(), bytes.begin(), bytes.end());
  }
  return parameter;
}

}  // namespace

Bytes Hex(const std::string& text) {
  Bytes out;
  for (std::size_t i = 0; i + 1 < text.size();) {
    if (text[i] == ' ') {
      ++i;
      continue;
    }
    out.push_back(static_cast<uint8_t>(std::strtoul(text.substr(i, 2).c_str(), nullptr, 16)));
    i += 2;
  }
  return out;
}

Bytes Concat(std::initializer_list<Bytes> parts) {
  Bytes out;
  for (const Bytes& part : parts)
    out.insert(out.end(), part.begin(), part.end());
  return out;
}

Bytes ConnectRequest(const Bytes& calling, const Bytes& called, uint8_t sizeCode) {
  Bytes tpdu = {0,    0xE0, 0x00, 0x00,     0x00, 0x07,
                0x00, 0xC0, 0x01, sizeCode, 0xC1, static_cast<uint8_t>(calling.size())};
  tpdu.insert(tpdu.end(), calling.begin(), calling.end());
  tpdu.insert(tpdu.end(), {0xC2, static_cast<uint8_t>(called.size())});
  tpdu.insert(tpdu.end(), called.begin(), called.end());
  tpdu[0] = static_cast<uint8_t>(tpdu.size() - 1);
  return Tpkt(tpdu);
}

Bytes Data(const Bytes& userData, bool last) {
  return Tpkt(Concat({{0x02, 0xF0, static_cast<uint8_t>(last ? 0x80 : 0x00)}, userData}));
}

Bytes S7Setup(uint16_t reference, uint16_t pdu) {
  Bytes parameter = {0xF0, 0x00, 0x00, 0x01, 0x00, 0x01};
  Push16(parameter, pdu);
  return Data(Concat({Header(0x01, reference, 8, 0), parameter}));
}

S7ItemSpec ByteItem(uint8_t area, uint16_t block, uint32_t byte, uint16_t length) {
  return S7ItemSpec{0x02, length, block, area, byte * 8};
}

Bytes S7ReadItems(uint16_t reference, const std::vector<S7ItemSpec>& items) {
  const Bytes parameter = ItemParameter(0x04, items);
  return Data(Concat({Header(0x01, reference, parameter.size(), 0), parameter}));
}

Bytes S7WriteItems(uint16_t reference, const std::vector<S7WriteSpec>& items) {
  std::vector<S7ItemSpec> specs;
  Bytes data;
  for (std::size_t i = 0; i < items.size(); ++i) {
    const S7WriteSpec& item = items[i];
    specs.push_back(item.item);
    data.insert(data.end(), {0x00, item.dataTransportSize});
    Push16(data, item.length);
    data.insert(data.end(), item.data.begin(), item.data.end());
    if (item.data.size() % 2 != 0 && i + 1 < items.size()) data.push_back(0);
  }
  const Bytes parameter = ItemParameter(0x05, specs);
  return Data(Concat({Header(0x01, reference, parameter.size(), data.size()), parameter, data}));
}

Bytes S7Read(uint16_t reference, uint8_t area, uint16_t block, uint16_t byte, uint16_t length) {
  return S7ReadItems(reference, {ByteItem(area, block, byte, length)});
}

Bytes S7Write(uint16_t reference, uint8_t area, uint16_t block, uint16_t byte, const Bytes& data) {
  const uint16_t length = static_cast<uint16_t>(data.size());
  return S7WriteItems(reference, {{ByteItem(area, block, byte, length), 0x04,
                                   static_cast<uint16_t>(length * 8), data}});
}

Bytes S7UserData(uint16_t reference, const Bytes& parameter, const Bytes& data) {
  return Data(Concat({Header(0x07, reference, parameter.size(), data.size()), parameter, data}));
}

Bytes S7ReadSzl(uint16_t reference, uint16_t id, uint16_t index) {
  // 00 01 12, 4 bytes follow: request (11), type request / CPU functions (44), read SZL (01),
  // sequence 0. Data: return code FF, octet string (09) of 4 bytes: the SZL-ID and index.
  Bytes data = {0xFF, 0x09, 0x00, 0x04};
  Push16(data, id);
  Push16(data, index);
  return S7UserData(reference, Hex("00 01 12 04 11 44 01 00"), data);
}

Bytes S5Request(uint8_t op, uint8_t area, uint8_t block, uint16_t start, uint16_t length,
                const Bytes& data) {
  Bytes telegram = {0x53, 0x35, 0x10, 0x01, 0x03, op, 0x03, 0x08, area, block};
  Push16(telegram, start);
  Push16(telegram, length);
  telegram.insert(telegram.end(), {0xFF, 0x02});
  telegram.insert(telegram.end(), data.begin(), data.end());
  return Data(telegram);
}

}  // namespace zan::testing
