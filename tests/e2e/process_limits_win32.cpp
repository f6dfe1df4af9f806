// winsock2.h before windows.h, which would bring the older socket header.
#include <winsock2.h>

#include <windows.h>
// After windows.h, which they build on.
#include <psapi.h>
#include <winternl.h>

#include <malloc.h>

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

// The handles of this process in the system's handle table; false when the table cannot be read.
bool OwnHandles(std::vector<USHORT>* handles) {
  handles->clear();
  const auto query = reinterpret_cast<QuerySystemInformation>(reinterpret_cast<void (*)()>(
      GetProcAddress(GetModuleHandleA("ntdll.dll"), "NtQuerySystemInformation")));
  if (query == nullptr) return false;
  std::vector<unsigned char> table(1 << 16);
  NTSTATUS status = kInfoLengthMismatch;
  for (int attempt = 0; attempt < 16 && status == kInfoLengthMismatch; ++attempt) {
    ULONG needed = 0;
    status =
        query(kSystemHandleInformation, table.data(), static_cast<ULONG>(table.size()), &needed);
    if (status == kInfoLengthMismatch) table.resize(table.size() * 2);
  }
  if (status != 0) return false;
  ULONG count = 0;
  std::memcpy(&count, table.data(), sizeof count);
  const std::size_t first = sizeof(ULONG_PTR);  // the entries follow the count, aligned
  if (count > (table.size() - first) / sizeof(HandleEntry)) return false;
  const DWORD self = GetCurrentProcessId();
  for (ULONG i = 0; i < count; ++i) {
    HandleEntry entry;
    std::memcpy(&entry, table.data() + first + i * sizeof(HandleEntry), sizeof entry);
    if (entry.ownerProcessId == self) handles->push_back(entry.handle);
  }
  return true;
}

}  // namespace

long OpenDescriptorCount() {
  DWORD count = 0;
  if (GetProcessHandleCount(GetCurrentProcess(), &count) && count > 0)
    return static_cast<long>(count);
  std::vector<USHORT> handles;
  return OwnHandles(&handles) ? static_cast<long>(handles.size()) : -1;
}

long OpenSocketCount() {
  std::vector<USHORT> handles;
  if (!OwnHandles(&handles)) return -1;
  WSADATA data;
  if (WSAStartup(MAKEWORD(2, 2), &data) != 0) return -1;
  long sockets = 0;
  for (const USHORT handle : handles) {
    int type = 0;
    int size = sizeof type;
    sockets += getsockopt(static_cast<SOCKET>(handle), SOL_SOCKET, SO_TYPE,
                          reinterpret_cast<char*>(&type), &size) == 0;
  }
  WSACleanup();
  return sockets;
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

long long HeapInUseBytes() {
  // The blocks in use of the C run-time's heap, which every module of this process allocates from.
  _HEAPINFO entry{};
  long long used = 0;
  int status = _HEAPOK;
  while ((status = _heapwalk(&entry)) == _HEAPOK) {
    if (entry._useflag == _USEDENTRY) used += static_cast<long long>(entry._size);
  }
  return status == _HEAPEND ? used : -1;
}

bool FreedMemoryHeldBack() {
  return false;
}

long ResidentKilobytes(std::intptr_t /*id*/) {
  return -1;  // a Linux process is not visible to the Windows calls
}

}  // namespace zan::e2e
