// Any bytes as a configuration file: the loader must never read or write out of bounds, and what it
// stores must keep the table's invariants.
#include <stdio.h>

#include <cstdarg>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>

#include "config/config_loader.h"
#include "entry/driver_state.h"
#include "entry/host_services.h"

namespace {

[[gnu::format(printf, 2, 3)]] int FormatAndDrop(int, const char* format, ...) {
  // Format every line as the host would, so that every argument is read.
  char line[512];
  va_list arguments;
  va_start(arguments, format);
  int length = std::vsnprintf(line, sizeof line, format, arguments);
  va_end(arguments);
  return length;
}
unsigned short Fail(const char*, int, int, unsigned char*) {
  return 1;
}
unsigned short FailVersion(unsigned char, unsigned int*, char*) {
  return 1;
}
unsigned short FailRemove(unsigned char) {
  return 1;
}
const zan::HostServices kQuietHost = {&FormatAndDrop, &Fail, &FailVersion, &FailRemove};

void Require(bool condition) {
  if (!condition) std::abort();
}

bool Terminated(const char* text, std::size_t size) {
  return std::memchr(text, 0, size) != nullptr;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  zan::InstallHostServices(&kQuietHost);
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
