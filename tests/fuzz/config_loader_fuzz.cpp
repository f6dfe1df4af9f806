// Any bytes as a configuration file: the loader must never read or write out of bounds, and what it
// stores must keep the table's invariants.
#include <stdio.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>

#include "config/config_loader.h"
#include "core/driver_state.h"
#include "core/host_services.h"
#include "support/quiet_host.h"

namespace {

void Require(bool condition) {
  if (!condition) std::abort();
}

bool Terminated(const char* text, std::size_t size) {
  return std::memchr(text, 0, size) != nullptr;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  zan::InstallHostServices(&zan::testing::kQuietHost);
  static auto* state = new DriverState;
  std::memset(state, 0, sizeof *state);
  zan::ResetDriverState(*state);

  FILE* file = fmemopen(const_cast<uint8_t*>(data), size, "r");
  if (file == nullptr) return 0;  // fmemopen refuses an empty buffer
  zan::LoadConfigurationFrom(file, *state);
  std::fclose(file);

  Require(state->plcs[0].ipAddress[0] == '\0');  // row 0 is never configured by the file
  for (const PlcEntry& plc : state->plcs) {
    Require(plc.type == 5 || plc.type == 6 || plc.type == 7);
    Require(Terminated(plc.ipAddress, sizeof plc.ipAddress));
    Require(Terminated(plc.writeTsap, sizeof plc.writeTsap) || plc.writeTsap[0] == 0);
    if (plc.type == 5) {
      Require(Terminated(plc.localTsap, sizeof plc.localTsap));
      Require(Terminated(plc.readTsap, sizeof plc.readTsap));
    }
  }
  Require(state->longDb <= 1 && state->commTrace <= 1 && state->floatOddAddress <= 1);
  return 0;
}
