// The end-to-end tests of the driver against the PLC simulator over loopback sockets. The same
// program runs natively and, built for Windows, under wine against the native simulator.
//
// Exit code 77 (a skipped test for CTest) when the native simulator is not there. Besides
// GoogleTest's options: --soak-seconds=N, the length of the plant soak (20 s by default).
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "e2e/plc_simulator.h"
#include "e2e/simulator_test.h"

int main(int argc, char** argv) {
  ::testing::InitGoogleTest(&argc, argv);
  const std::string soakOption = "--soak-seconds=";
  for (int i = 1; i < argc; ++i) {
    const std::string argument = argv[i];
    const int seconds = std::atoi(argument.c_str() + soakOption.size());
    if (argument.rfind(soakOption, 0) != 0 || seconds < 3) {
      std::fprintf(stderr, "unknown argument %s (--soak-seconds=N takes 3 seconds or more)\n",
                   argv[i]);
      return 2;
    }
    zan::e2e::SetSoakSeconds(seconds);
  }
  if (!GTEST_FLAG_GET(list_tests)) {
    std::string why;
    if (!zan::e2e::PlcSimulator::Available(&why)) {
      std::printf(
          "SKIPPED: %s. Build the native simulator first (cmake --build --preset "
          "linux-debug, as scripts/test.sh does) or name it in ZAN_PLCSIM.\n",
          why.c_str());
      return 77;
    }
    if (!zan::e2e::SimulatorTest::Prepare()) return 1;
  }
  return RUN_ALL_TESTS();
}
