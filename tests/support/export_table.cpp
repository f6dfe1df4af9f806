#include "support/export_table.h"

#include <cstring>
#include <fstream>
#include <iterator>

namespace zan::testing {
namespace {

using Bytes = std::vector<unsigned char>;

// Little-endian reads that refuse to go past the file.
struct Reader {
  const Bytes& bytes;
  bool ok = true;

  uint64_t Read(uint64_t offset, int width) {
    if (offset > bytes.size() || bytes.size() - offset < static_cast<uint64_t>(width)) {
      ok = false;
      return 0;
    }
    uint64_t value = 0;
    for (int i = width - 1; i >= 0; --i)
      value = value << 8 | bytes[offset + i];
    return value;
  }
  uint32_t U16(uint64_t offset) { return static_cast<uint32_t>(Read(offset, 2)); }
  uint32_t U32(uint64_t offset) { return static_cast<uint32_t>(Read(offset, 4)); }
  uint64_t U64(uint64_t offset) { return Read(offset, 8); }
  std::string Text(uint64_t offset) {
    std::string text;
    while (offset < bytes.size() && bytes[offset] != 0)
      text.push_back(char(bytes[offset++]));
    if (offset >= bytes.size()) ok = false;
    return text;
  }
};

std::optional<std::vector<ExportedSymbol>> ReadElf(const Bytes& bytes) {
  Reader r{bytes};
  const bool is64 = bytes[4] == 2;
  const uint64_t sectionTable = is64 ? r.U64(0x28) : r.U32(0x20);
  const uint32_t sectionSize = r.U16(is64 ? 0x3A : 0x2E);
  const uint32_t sectionCount = r.U16(is64 ? 0x3C : 0x30);
  auto sectionField = [&](uint32_t index, int field64, int field32, bool wide) -> uint64_t {
    uint64_t base = sectionTable + uint64_t{index} * sectionSize;
    return is64 ? (wide ? r.U64(base + field64) : r.U32(base + field64)) : r.U32(base + field32);
  };

  std::vector<ExportedSymbol> symbols;
  for (uint32_t i = 0; i < sectionCount && r.ok; ++i) {
    const uint32_t type = static_cast<uint32_t>(sectionField(i, 4, 4, false));
    if (type != 11) continue;  // SHT_DYNSYM
    const uint64_t offset = sectionField(i, 0x18, 0x10, true);
    const uint64_t size = sectionField(i, 0x20, 0x14, true);
    const uint32_t link = static_cast<uint32_t>(sectionField(i, 0x28, 0x18, false));
    const uint64_t entrySize = sectionField(i, 0x38, 0x24, true);
    const uint64_t strings = sectionField(link, 0x18, 0x10, true);
    if (entrySize == 0) return std::nullopt;
    for (uint64_t at = offset; at + entrySize <= offset + size && r.ok; at += entrySize) {
      const uint32_t name = r.U32(at);
      const uint32_t info = is64 ? bytes[at + 4] : bytes[at + 12];
      const uint32_t other = is64 ? bytes[at + 5] : bytes[at + 13];
      const uint32_t sectionIndex = r.U16(is64 ? at + 6 : at + 14);
      const uint32_t binding = info >> 4;
      const bool global = binding == 1 || binding == 2;  // STB_GLOBAL, STB_WEAK
      if (sectionIndex != 0 && global && (other & 3) == 0) {
        symbols.push_back({r.Text(strings + name), 0});
      }
    }
  }
  if (!r.ok) return std::nullopt;
  return symbols;
}

std::optional<std::vector<ExportedSymbol>> ReadPe(const Bytes& bytes) {
  Reader r{bytes};
  const uint32_t pe = r.U32(0x3C);
  if (r.U32(pe) != 0x00004550) return std::nullopt;  // "PE\0\0"
  const uint32_t coff = pe + 4;
  const uint32_t sectionCount = r.U16(coff + 2);
  const uint32_t optionalSize = r.U16(coff + 16);
  const uint32_t optional = coff + 20;
  const uint32_t magic = r.U16(optional);
  const uint32_t directories = optional + (magic == 0x20B ? 112 : 96);
  const uint32_t exportRva = r.U32(directories);
  const uint32_t sections = optional + optionalSize;

  auto fileOffset = [&](uint32_t rva) -> uint64_t {
    for (uint32_t i = 0; i < sectionCount; ++i) {
      const uint32_t s = sections + i * 40;
      const uint32_t virtualAddress = r.U32(s + 12);
      const uint32_t rawSize = r.U32(s + 16);
      if (rva >= virtualAddress && rva - virtualAddress < rawSize) {
        return uint64_t{r.U32(s + 20)} + (rva - virtualAddress);
      }
    }
    r.ok = false;
    return 0;
  };

  std::vector<ExportedSymbol> symbols;
  if (exportRva == 0) return symbols;
  const uint64_t directory = fileOffset(exportRva);
  const uint32_t base = r.U32(directory + 16);
  const uint32_t functionCount = r.U32(directory + 20);
  const uint32_t nameCount = r.U32(directory + 24);
  const uint64_t functions = fileOffset(r.U32(directory + 28));
  const uint64_t names = nameCount ? fileOffset(r.U32(directory + 32)) : 0;
  const uint64_t nameOrdinals = nameCount ? fileOffset(r.U32(directory + 36)) : 0;
  if (!r.ok || functionCount > 65536 || nameCount > functionCount) return std::nullopt;

  for (uint32_t i = 0; i < functionCount && r.ok; ++i) {
    if (r.U32(functions + 4 * i) == 0) continue;  // a gap in the ordinals
    std::string name;
    for (uint32_t n = 0; n < nameCount; ++n) {
      if (r.U16(nameOrdinals + 2 * n) == i) name = r.Text(fileOffset(r.U32(names + 4 * n)));
    }
    symbols.push_back({name, base + i});
  }
  if (!r.ok) return std::nullopt;
  return symbols;
}

}  // namespace

std::optional<std::vector<ExportedSymbol>> ReadExportTable(const std::string& path) {
  std::ifstream file(path, std::ios::binary);
  if (!file) return std::nullopt;
  const Bytes bytes((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
  if (bytes.size() >= 64 && std::memcmp(bytes.data(),
                                        "\x7F"
                                        "ELF",
                                        4) == 0)
    return ReadElf(bytes);
  if (bytes.size() >= 64 && bytes[0] == 'M' && bytes[1] == 'Z') return ReadPe(bytes);
  return std::nullopt;
}

}  // namespace zan::testing
