// The services that the driver takes from the host's service library (KORPRO): the log function
// `err` and the three client functions of the address editor.
//
// The library is bound at first use, by its file name (KORPRO.dll, libkorpro.so). Without it, log
// lines go to standard error and KorMkClient fails. Not thread-safe: the host sends one request at
// a time.
#ifndef ZAN_CORE_HOST_SERVICES_H_
#define ZAN_CORE_HOST_SERVICES_H_

namespace zan {

// Every message of the driver is logged at this level.
constexpr int kLogLevel = 32;

extern "C" {
using ErrFunction = int (*)(int level, const char* format, ...);
using KorMkClientFunction = unsigned short (*)(const char* name, int kind, int flags,
                                               unsigned char* client);
using KorGetKorproVerFunction = unsigned short (*)(unsigned char client, unsigned int* version,
                                                   char* text);
using KorRmClientFunction = unsigned short (*)(unsigned char client);
}

struct HostServices {
  ErrFunction err;
  KorMkClientFunction KorMkClient;
  KorGetKorproVerFunction KorGetKorproVer;
  KorRmClientFunction KorRmClient;
};

// The bound services; every function pointer is set.
const HostServices& Host();

// Replaces the bound services with `services` (which must outlive its use and have every function
// set), or goes back to the library with nullptr. For tests, which install an in-process host.
void InstallHostServices(const HostServices* services);

// Only there to let the compiler check the arguments of ZAN_LOG against its format.
[[gnu::format(printf, 1, 2)]] inline void CheckLogFormat(const char*, ...) {}

}  // namespace zan

// Logs one line through the host's `err` at level 32; the host formats it.
#define ZAN_LOG(...)                                       \
  ((false ? ::zan::CheckLogFormat(__VA_ARGS__) : (void)0), \
   (void)::zan::Host().err(::zan::kLogLevel, __VA_ARGS__))

#endif  // ZAN_CORE_HOST_SERVICES_H_
