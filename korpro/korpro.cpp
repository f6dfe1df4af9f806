#include "korpro.h"

#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "log_sink.h"

namespace {

constexpr unsigned short kDone = 0;
constexpr unsigned short kFailed = 1;
constexpr unsigned char kNoClient = 255;
constexpr unsigned int kDefaultHostVersion = 820;
constexpr int kLogLineCapacity = 4096;

bool clientInUse[kNoClient] = {};  // index = client number; 0 is never handed out

}  // namespace

KORPRO_API int KORPRO_CALL err(int /*level*/, const char* format, ...) {
  char line[kLogLineCapacity + 1];
  va_list arguments;
  va_start(arguments, format);
  int length = std::vsnprintf(line, kLogLineCapacity, format, arguments);
  va_end(arguments);
  if (length < 0) return -1;
  if (length > kLogLineCapacity - 1) length = kLogLineCapacity - 1;  // cut, never overrun
  line[length] = '\n';
  korpro::WriteLogLine(line, static_cast<std::size_t>(length) + 1);
  return length;
}

KORPRO_API unsigned short KORPRO_CALL KorMkClient(const char* name, int /*kind*/, int /*flags*/,
                                                  unsigned char* client) {
  if (client == nullptr) return kFailed;
  *client = kNoClient;
  if (name == nullptr) return kFailed;
  for (unsigned number = 1; number < kNoClient; ++number) {
    if (!clientInUse[number]) {
      clientInUse[number] = true;
      *client = static_cast<unsigned char>(number);
      return kDone;
    }
  }
  return kFailed;
}

KORPRO_API unsigned short KORPRO_CALL KorGetKorproVer(unsigned char client, unsigned int* version,
                                                      char* text) {
  if (client == 0 || client >= kNoClient || !clientInUse[client]) return kFailed;
  unsigned int hostVersion = kDefaultHostVersion;
  if (const char* setting = std::getenv("KORPRO_VERSION")) {
    hostVersion = static_cast<unsigned int>(std::strtoul(setting, nullptr, 10));
  }
  if (version != nullptr) *version = hostVersion;
  if (text != nullptr) std::snprintf(text, 256, "KORPRO stand-in, host version %u", hostVersion);
  return kDone;
}

KORPRO_API unsigned short KORPRO_CALL KorRmClient(unsigned char client) {
  if (client == 0 || client >= kNoClient || !clientInUse[client]) return kFailed;
  clientInUse[client] = false;
  return kDone;
}
