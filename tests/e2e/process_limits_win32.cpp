#include <windows.h>
// After windows.h, which they build on.
#include <psapi.h>
#include <winternl.h>

#include <cstring>
#include <vector>

#include "e2e/process_limits.h"

namespace zan::e2e {
namespace {

// One entry of the system's handle table (SystemHandleInformation, class 16).
struct HandleEntry {
  ULONG ownerProcessId;
  UCHAR objectType;
  UCHAR flags;
  USHORT handle;
  PVOID object;
  ACCESS_MASK access;
};

constexpr ULONG kSystemHandleInformation = 16;
constexpr NTSTATUS kInfoLengthMismatch = static_cast<NTSTATUS>(0xC0000004);

using QuerySystemInformation = NTSTATUS(WINAPI*)(ULONG, PVOID, ULONG, PULONG);

long HandlesInSystemTable() {
  const auto query = reinterpret_cast<QuerySystemInformation>(reinterpret_cast<void (*)()>(
      GetProcAddress(GetModuleHandleA("ntdll.dll"), "NtQuerySystemInformation")));
  if (query == nullptr) return -1;
  std::vector<unsigned char> table(1 << 16);
  NTSTATUS status = kInfoLengthMismatch;
  for (int attempt = 0; attempt < 16 && status == kInfoLengthMismatch; ++attempt) {
    ULONG needed = 0;
    status =
        query(kSystemHandleInformation, table.data(), static_cast<ULONG>(table.size()), &needed);
    if (status == kInfoLengthMismatch) table.resize(table.size() * 2);
  }
  if (status != 0) return -1;
  ULONG count = 0;
  std::memcpy(&count, table.data(), sizeof count);
  const std::size_t first = sizeof(ULONG_PTR);  // the entries follow the count, aligned
  if (count > (table.size() - first) / sizeof(HandleEntry)) return -1;
  const DWORD self = GetCurrentProcessId();
  long own = 0;
  for (ULONG i = 0; i < count; ++i) {
    HandleEntry entry;
    std::memcpy(&entry, table.data() + first + i * sizeof(HandleEntry), sizeof entry);
    own += entry.ownerProcessId == self;
  }
  return own;
}

}  // namespace

long OpenDescriptorCount() {
  DWORD count = 0;
  if (GetProcessHandleCount(GetCurrentProcess(), &count) && count > 0)
    return static_cast<long>(count);
  return HandlesInSystemTable();
}

bool RaiseDescriptorLimit(long /*wanted*/) {
  return true;  // Windows has no per-process limit of that kind
}

long OwnResidentKilobytes() {
  PROCESS_MEMORY_COUNTERS counters{};
  counters.cb = sizeof counters;
  if (!GetProcessMemoryInfo(GetCurrentProcess(), &counters, sizeof counters)) return -1;
  return static_cast<long>(counters.WorkingSetSize / 1024);
}

long ResidentKilobytes(std::intptr_t /*id*/) {
  return -1;  // a Linux process is not visible to the Windows calls
}

}  // namespace zan::e2e
