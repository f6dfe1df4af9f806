// A test double of the transport library, built as a real shared library (Quaxnet.dll exporting
// its operations by ordinal only, libquaxnet.so by name), so that end-to-end tests prove the driver
// binds it the real way. Every connection opens and is established at once. Each call is written
// as one line to the file named by QUAXNET_DOUBLE_LOG, with the block bytes that the driver passed.
//
// Built without QxWriteCompletion when QUAXNET_DOUBLE_INCOMPLETE is defined, to prove that a
// library lacking an operation is refused.
#include <cstdarg>
#include <cstdint>
#include <cstdio>
#include <cstdlib>

#include "transport/transport_operations.h"

#if defined(_WIN32)
#define DOUBLE_API extern "C"  // exported by ordinal through the .def file
#else
#define DOUBLE_API extern "C" __attribute__((visibility("default")))
#endif

namespace {

uint16_t nextHandle = 1;

[[gnu::format(printf, 1, 2)]] void Journal(const char* format, ...) {
  const char* path = std::getenv("QUAXNET_DOUBLE_LOG");
  if (path == nullptr) return;
  std::FILE* file = std::fopen(path, "a");
  if (file == nullptr) return;
  va_list arguments;
  va_start(arguments, format);
  std::vfprintf(file, format, arguments);
  va_end(arguments);
  std::fputc('\n', file);
  std::fclose(file);
}

void Hex(char* out, const uint8_t* bytes, int length) {
  for (int i = 0; i < length; ++i)
    std::snprintf(out + 2 * i, 3, "%02X", bytes[i]);
  out[2 * length] = '\0';
}

int Open(int ordinal, ConnectRequest* block) {
  char remote[17];
  char local[17];
  Hex(remote, block->remoteTsap, 8);
  Hex(local, block->localTsap, 8);
  Journal("%d len=%u off=%u ip=%08X port=%u const=%u,%u,%u,%u timeout=%u remote=%u:%s local=%u:%s",
          ordinal, unsigned{block->length}, unsigned{block->parameterOffset},
          unsigned{block->ipAddress}, unsigned{block->port}, unsigned{block->constant56},
          unsigned{block->constant57}, unsigned{block->constant58}, unsigned{block->constant62},
          unsigned{block->timeout}, unsigned{block->remoteTsapLength}, remote,
          unsigned{block->localTsapLength}, local);
  block->handle = nextHandle++;
  block->status = 0;
  return 0;
}

}  // namespace

DOUBLE_API int ZAN_STDCALL QxOpenLibrary() {
  Journal("252");
  return 0;
}

DOUBLE_API int ZAN_STDCALL QxCloseLibrary() {
  Journal("253");
  return 0;
}

DOUBLE_API int ZAN_STDCALL QxOpenS7Connection(ConnectRequest* block, uint32_t zero) {
  if (zero != 0) return 1;
  return Open(225, block);
}

DOUBLE_API int ZAN_STDCALL QxOpenS5Connection(ConnectRequest* block) {
  return Open(224, block);
}

DOUBLE_API int ZAN_STDCALL QxConnectionState(uint32_t handle) {
  Journal("124 h=%u", unsigned{handle});
  return 0;
}

DOUBLE_API int ZAN_STDCALL QxCloseConnection(uint32_t handle) {
  Journal("101 h=%u", unsigned{handle});
  return 0;
}

DOUBLE_API int ZAN_STDCALL QxRestartConnection(uint32_t handle) {
  Journal("125 h=%u", unsigned{handle});
  return 1;
}

DOUBLE_API int ZAN_STDCALL QxSendRead(TransferRecord* record) {
  Journal("103 h=%u", unsigned{record->connection});
  return 0;
}

DOUBLE_API int ZAN_STDCALL QxReceiveRead(uint32_t, void*, uint16_t* status, uint32_t handle) {
  Journal("104 h=%u", unsigned{handle});
  *status = 0;
  return 0;
}

DOUBLE_API int ZAN_STDCALL QxSendWrite(TransferRecord* record, const void*) {
  Journal("106 h=%u", unsigned{record->connection});
  return 0;
}

#if !defined(QUAXNET_DOUBLE_INCOMPLETE)
DOUBLE_API int ZAN_STDCALL QxWriteCompletion(uint16_t* status, uint32_t handle) {
  Journal("107 h=%u", unsigned{handle});
  *status = 0;
  return 0;
}
#endif
