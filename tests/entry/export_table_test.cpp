// The driver library exports ZanMain and nothing else; the host services stand-in exports its four
// functions.
#include <gtest/gtest.h>

#include <algorithm>

#include "support/export_table.h"

namespace zan::testing {
namespace {

std::vector<std::string> Names(const std::vector<ExportedSymbol>& symbols) {
  std::vector<std::string> names;
  for (const ExportedSymbol& symbol : symbols)
    names.push_back(symbol.name);
  std::sort(names.begin(), names.end());
  return names;
}

TEST(ExportTableTest, DriverExportsZanMainOnly) {
  auto exports = ReadExportTable(ZAN_DRIVER_LIBRARY_PATH);
  ASSERT_TRUE(exports.has_value()) << ZAN_DRIVER_LIBRARY_PATH;
  EXPECT_EQ(Names(*exports), std::vector<std::string>{"ZanMain"});
}

TEST(ExportTableTest, HostServicesExportTheirFourFunctions) {
  auto exports = ReadExportTable(ZAN_KORPRO_LIBRARY_PATH);
  ASSERT_TRUE(exports.has_value()) << ZAN_KORPRO_LIBRARY_PATH;
  EXPECT_EQ(Names(*exports),
            (std::vector<std::string>{"KorGetKorproVer", "KorMkClient", "KorRmClient", "err"}));
}

}  // namespace
}  // namespace zan::testing
