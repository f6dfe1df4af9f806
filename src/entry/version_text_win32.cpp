#include <windows.h>

#include <cstdio>

#include "entry/version_text.h"

namespace zan {
namespace {

// Our version resource is well under 1 KiB; a larger one is not ours and counts as not found.
constexpr DWORD kVersionInfoCapacity = 8192;

}  // namespace

void ModuleVersionText(char* text, std::size_t size) {
  std::snprintf(text, size, "Version not found");

  // By file name, as the host installs it: the search finds the loaded driver.
  const char* const fileName = "zanwndor.dll";
  DWORD ignored = 0;
  DWORD infoSize = GetFileVersionInfoSizeA(fileName, &ignored);
  if (infoSize == 0 || infoSize > kVersionInfoCapacity) return;

  alignas(8) BYTE info[kVersionInfoCapacity];
  if (!GetFileVersionInfoA(fileName, 0, infoSize, info)) return;

  void* fixed = nullptr;
  UINT fixedLength = 0;
  if (!VerQueryValueA(info, "\\", &fixed, &fixedLength) || fixedLength == 0 ||
      fixedLength < sizeof(VS_FIXEDFILEINFO)) {
    return;
  }
  const auto* fileInfo = static_cast<const VS_FIXEDFILEINFO*>(fixed);
  std::snprintf(text, size, "Version : %d,%d,%d,%d",
                static_cast<int>(HIWORD(fileInfo->dwFileVersionMS)),
                static_cast<int>(LOWORD(fileInfo->dwFileVersionMS)),
                static_cast<int>(HIWORD(fileInfo->dwFileVersionLS)),
                static_cast<int>(LOWORD(fileInfo->dwFileVersionLS)));
}

}  // namespace zan
