// The driver library exports ZanMain and nothing else; the host services stand-in exports its four
// functions; the transport library its eleven operations and the failure of a connection in words.
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

// The transport double of the end-to-end tests: on Windows its operations are found by ordinal
// only, which proves that the driver looks them up that way.
TEST(ExportTableTest, TransportDoubleExportsEveryOperation) {
  auto exports = ReadExportTable(ZAN_TRANSPORT_DOUBLE_PATH);
  ASSERT_TRUE(exports.has_value()) << ZAN_TRANSPORT_DOUBLE_PATH;
#if defined(_WIN32)
  std::vector<uint32_t> ordinals;
  for (const ExportedSymbol& symbol : *exports) {
    EXPECT_EQ(symbol.name, "") << symbol.ordinal;
    ordinals.push_back(symbol.ordinal);
  }
  EXPECT_EQ(ordinals,
            (std::vector<uint32_t>{101, 103, 104, 106, 107, 124, 125, 224, 225, 252, 253}));
#else
  EXPECT_EQ(Names(*exports),
            (std::vector<std::string>{"QxCloseConnection", "QxCloseLibrary", "QxConnectionState",
                                      "QxOpenLibrary", "QxOpenS5Connection", "QxOpenS7Connection",
                                      "QxReceiveRead", "QxRestartConnection", "QxSendRead",
                                      "QxSendWrite", "QxWriteCompletion"}));
#endif
}

// The transport library: every operation at its ordinal and under its name, and at an ordinal
// that no operation of the driver's uses, the failure of a connection in words and its PDU size.
TEST(ExportTableTest, TransportLibraryExportsTheElevenOperationsAndItsFailures) {
  auto exports = ReadExportTable(ZAN_TRANSPORT_LIBRARY_PATH);
  ASSERT_TRUE(exports.has_value()) << ZAN_TRANSPORT_LIBRARY_PATH;
  std::vector<ExportedSymbol> sorted = *exports;
  std::sort(sorted.begin(), sorted.end(),
            [](const ExportedSymbol& a, const ExportedSymbol& b) { return a.name < b.name; });
  const std::vector<std::pair<std::string, uint32_t>> expected = {
      {"QxCloseConnection", 101},   {"QxCloseLibrary", 253},     {"QxConnectionFailure", 260},
      {"QxConnectionPduSize", 261}, {"QxConnectionState", 124},  {"QxOpenLibrary", 252},
      {"QxOpenS5Connection", 224},  {"QxOpenS7Connection", 225}, {"QxReceiveRead", 104},
      {"QxRestartConnection", 125}, {"QxSendRead", 103},         {"QxSendWrite", 106},
      {"QxWriteCompletion", 107}};
  ASSERT_EQ(sorted.size(), expected.size());
  for (std::size_t i = 0; i < expected.size(); ++i) {
    EXPECT_EQ(sorted[i].name, expected[i].first);
#if defined(_WIN32)
    EXPECT_EQ(sorted[i].ordinal, expected[i].second) << expected[i].first;
#endif
  }
}

}  // namespace
}  // namespace zan::testing
