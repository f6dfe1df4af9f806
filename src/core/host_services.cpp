#include "core/host_services.h"

#include <cstdarg>
#include <cstdio>

#include "platform/library_names.h"
#include "platform/shared_library.h"

namespace zan {
namespace {

// Stand-ins for a host library that is missing or lacks a function.
[[gnu::format(printf, 2, 3)]] int ErrToStandardError(int /*level*/, const char* format, ...) {
  va_list arguments;
  va_start(arguments, format);
  char line[1024];
  std::vsnprintf(line, sizeof line, format, arguments);
  va_end(arguments);
  std::fprintf(stderr, "%s\n", line);
  return 0;
}

unsigned short NoMkClient(const char*, int, int, unsigned char* client) {
  if (client != nullptr) *client = 255;
  return 1;
}

unsigned short NoKorproVer(unsigned char, unsigned int* version, char* text) {
  if (version != nullptr) *version = 0;
  if (text != nullptr) text[0] = '\0';
  return 1;
}

unsigned short NoRmClient(unsigned char) {
  return 1;
}

template <typename Function>
Function Bind(platform::LibraryHandle library, const char* name, Function fallback) {
  auto found = reinterpret_cast<Function>(platform::FindFunction(library, name));
  return found != nullptr ? found : fallback;
}

HostServices BindHostLibrary() {
  platform::LibraryHandle library = platform::LoadSharedLibrary(platform::kHostServicesLibrary);
  HostServices services;
  services.err = Bind<ErrFunction>(library, "err", &ErrToStandardError);
  services.KorMkClient = Bind<KorMkClientFunction>(library, "KorMkClient", &NoMkClient);
  services.KorGetKorproVer =
      Bind<KorGetKorproVerFunction>(library, "KorGetKorproVer", &NoKorproVer);
  services.KorRmClient = Bind<KorRmClientFunction>(library, "KorRmClient", &NoRmClient);
  return services;
}

const HostServices* installed = nullptr;

}  // namespace

const HostServices& Host() {
  if (installed != nullptr) return *installed;
  static const HostServices bound = BindHostLibrary();
  return bound;
}

void InstallHostServices(const HostServices* services) {
  installed = services;
}

}  // namespace zan
