#include <windows.h>
// After windows.h, which it builds on.
#include <psapi.h>

#include "e2e/process_limits.h"

namespace zan::e2e {

long OpenDescriptorCount() {
  DWORD count = 0;
  if (!GetProcessHandleCount(GetCurrentProcess(), &count)) return -1;
  return static_cast<long>(count);
}

bool RaiseDescriptorLimit(long /*wanted*/) {
  return true;  // Windows has no per-process limit of that kind
}

long ResidentKilobytes(std::intptr_t id) {
  if (id >= 0) return -1;
  PROCESS_MEMORY_COUNTERS counters{};
  counters.cb = sizeof counters;
  if (!GetProcessMemoryInfo(GetCurrentProcess(), &counters, sizeof counters)) return -1;
  return static_cast<long>(counters.WorkingSetSize / 1024);
}

}  // namespace zan::e2e
