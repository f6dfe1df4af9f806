// What this process holds, for the tests that connect hundreds of PLCs and that look for leaked
// sockets: open descriptors (handles on Windows), the descriptor limit, resident memory.
#ifndef ZAN_TESTS_E2E_PROCESS_LIMITS_H_
#define ZAN_TESTS_E2E_PROCESS_LIMITS_H_

#include <cstdint>

namespace zan::e2e {

// Open file descriptors of this process (Linux: the entries of /proc/self/fd), or its open handles
// (Windows: GetProcessHandleCount; under wine, whose GetProcessHandleCount always says 0, the
// entries of the system's handle table that belong to this process); -1 when unknown.
long OpenDescriptorCount();

// The sockets among them: Linux, the descriptors that name a socket; Windows, the handles on which
// the socket calls work (under wine the process holds handles of wine's own as well, which vary,
// but never a socket that this process did not open). -1 when unknown.
long OpenSocketCount();

// Raises the soft limit of open descriptors to at least `wanted` where there is one; false when
// the hard limit does not allow it.
bool RaiseDescriptorLimit(long wanted);

// Resident memory in kilobytes of this process; -1 when the platform does not say.
long OwnResidentKilobytes();

// Heap in use in bytes: what this process has allocated and not freed yet (under AddressSanitizer
// its allocator's count, which leaves out the freed memory it holds back; otherwise the C
// library's); -1 when the platform does not say.
long long HeapInUseBytes();

// Whether freed memory is held back from reuse for a while (AddressSanitizer's quarantine, up to
// hundreds of megabytes), so that resident memory grows with every allocation, however little of
// it stays in use.
bool FreedMemoryHeldBack();

// Resident memory in kilobytes of the Linux process `id`; -1 when it cannot be seen (an id of -1,
// or a Linux process seen from under wine).
long ResidentKilobytes(std::intptr_t id);

}  // namespace zan::e2e

#endif  // ZAN_TESTS_E2E_PROCESS_LIMITS_H_
