#include <malloc.h>
#include <sys/resource.h>

#include <cstddef>
#include <filesystem>
#include <fstream>
#include <string>

#include "e2e/process_limits.h"

// AddressSanitizer's count of the bytes allocated and not freed; a null address when this program
// runs without it.
extern "C" std::size_t __sanitizer_get_current_allocated_bytes() __attribute__((weak));

namespace zan::e2e {

long OpenDescriptorCount() {
  std::error_code error;
  long count = 0;
  for (std::filesystem::directory_iterator entry("/proc/self/fd", error), end;
       !error && entry != end; entry.increment(error)) {
    ++count;
  }
  // The directory's own descriptor, open while it is listed, is not one of ours.
  return error ? -1 : count - 1;
}

long OpenSocketCount() {
  std::error_code error;
  long count = 0;
  for (std::filesystem::directory_iterator entry("/proc/self/fd", error), end;
       !error && entry != end; entry.increment(error)) {
    std::error_code unreadable;  // closed since it was listed: not a socket of ours now
    const std::string target = std::filesystem::read_symlink(entry->path(), unreadable).string();
    count += !unreadable && target.rfind("socket:", 0) == 0;
  }
  return error ? -1 : count;
}

bool RaiseDescriptorLimit(long wanted) {
  rlimit limit{};
  if (getrlimit(RLIMIT_NOFILE, &limit) != 0) return false;
  if (limit.rlim_cur != RLIM_INFINITY && limit.rlim_cur >= static_cast<rlim_t>(wanted)) return true;
  if (limit.rlim_max != RLIM_INFINITY && limit.rlim_max < static_cast<rlim_t>(wanted)) return false;
  limit.rlim_cur = static_cast<rlim_t>(wanted);
  return setrlimit(RLIMIT_NOFILE, &limit) == 0;
}

namespace {

long ResidentFrom(const std::string& statusFile) {
  std::ifstream status(statusFile);
  for (std::string line; std::getline(status, line);) {
    if (line.rfind("VmRSS:", 0) == 0) return std::stol(line.substr(6));
  }
  return -1;
}

}  // namespace

long OwnResidentKilobytes() {
  return ResidentFrom("/proc/self/status");
}

long long HeapInUseBytes() {
  if (FreedMemoryHeldBack())
    return static_cast<long long>(__sanitizer_get_current_allocated_bytes());
  const struct mallinfo2 info = mallinfo2();
  return static_cast<long long>(info.uordblks + info.hblkhd);
}

bool FreedMemoryHeldBack() {
  return __sanitizer_get_current_allocated_bytes != nullptr;
}

long ResidentKilobytes(std::intptr_t id) {
  return id < 0 ? -1 : ResidentFrom("/proc/" + std::to_string(id) + "/status");
}

}  // namespace zan::e2e
