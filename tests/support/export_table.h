// Reads the export table of a shared library file: the dynamic symbols of an ELF file, or the
// export directory of a PE file (Windows DLL). For the tests that check what a library exports.
#ifndef ZAN_TESTS_SUPPORT_EXPORT_TABLE_H_
#define ZAN_TESTS_SUPPORT_EXPORT_TABLE_H_

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace zan::testing {

struct ExportedSymbol {
  std::string name;  // empty for a PE export by ordinal only
  uint32_t ordinal;  // PE only; 0 for ELF
  bool operator==(const ExportedSymbol&) const = default;
};

// The symbols that the library file exports, or nothing when the file cannot be read or is neither
// an ELF nor a PE file.
std::optional<std::vector<ExportedSymbol>> ReadExportTable(const std::string& path);

}  // namespace zan::testing

#endif  // ZAN_TESTS_SUPPORT_EXPORT_TABLE_H_
