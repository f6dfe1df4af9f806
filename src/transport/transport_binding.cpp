#include "transport/transport_binding.h"

#include "platform/library_names.h"
#include "platform/shared_library.h"

namespace zan {
namespace {

// Answers of a transport whose library is not bound: nothing opens, nothing is established.
constexpr int kNotBound = 0xFFFF;

int ZAN_STDCALL UnboundOpenLibrary() {
  return kTransportLibraryMissing;
}
int ZAN_STDCALL UnboundCloseLibrary() {
  return kTransportLibraryMissing;
}
int ZAN_STDCALL UnboundOpenS7(ConnectRequest*, uint32_t) {
  return kNotBound;
}
int ZAN_STDCALL UnboundOpenS5(ConnectRequest*) {
  return kNotBound;
}
int ZAN_STDCALL UnboundState(uint32_t) {
  return kNotBound;
}
int ZAN_STDCALL UnboundClose(uint32_t) {
  return kNotBound;
}
int ZAN_STDCALL UnboundRestart(uint32_t) {
  return kNotBound;
}
int ZAN_STDCALL UnboundSendRead(TransferRecord*) {
  return 9;
}  // connection failure
int ZAN_STDCALL UnboundReceiveRead(uint32_t, void*, uint16_t*, uint32_t) {
  return 9;
}
int ZAN_STDCALL UnboundSendWrite(TransferRecord*, const void*) {
  return 9;
}
int ZAN_STDCALL UnboundWriteCompletion(uint16_t*, uint32_t) {
  return 9;
}

constexpr TransportOperations kUnbound = {
    &UnboundOpenLibrary, &UnboundCloseLibrary, &UnboundOpenS7,          &UnboundOpenS5,
    &UnboundState,       &UnboundClose,        &UnboundRestart,         &UnboundSendRead,
    &UnboundReceiveRead, &UnboundSendWrite,    &UnboundWriteCompletion,
};

TransportOperations bound = kUnbound;
bool isBound = false;
const TransportOperations* installed = nullptr;

template <typename Function>
bool Find(platform::LibraryHandle library, int ordinal, const char* name, Function& function) {
  function = reinterpret_cast<Function>(platform::FindOrdinalFunction(library, ordinal, name));
  return function != nullptr;
}

// Fills the table only when every operation is there: a partial table would call through null.
int BindTransportLibrary() {
  platform::LibraryHandle library = platform::LoadSharedLibrary(platform::kTransportLibrary);
  if (library == nullptr) return kTransportLibraryMissing;
  TransportOperations table;
  bool complete = Find(library, 252, "QxOpenLibrary", table.QxOpenLibrary) &&
                  Find(library, 253, "QxCloseLibrary", table.QxCloseLibrary) &&
                  Find(library, 225, "QxOpenS7Connection", table.QxOpenS7Connection) &&
                  Find(library, 224, "QxOpenS5Connection", table.QxOpenS5Connection) &&
                  Find(library, 124, "QxConnectionState", table.QxConnectionState) &&
                  Find(library, 101, "QxCloseConnection", table.QxCloseConnection) &&
                  Find(library, 125, "QxRestartConnection", table.QxRestartConnection) &&
                  Find(library, 103, "QxSendRead", table.QxSendRead) &&
                  Find(library, 104, "QxReceiveRead", table.QxReceiveRead) &&
                  Find(library, 106, "QxSendWrite", table.QxSendWrite) &&
                  Find(library, 107, "QxWriteCompletion", table.QxWriteCompletion);
  if (!complete) return kTransportOperationMissing;
  bound = table;
  isBound = true;
  return 0;
}

}  // namespace

int OpenTransportLibrary() {
  if (installed == nullptr && !isBound) {
    int result = BindTransportLibrary();
    if (result != 0) return result;
  }
  return Transport().QxOpenLibrary();
}

const TransportOperations& Transport() {
  return installed != nullptr ? *installed : bound;
}

void InstallTransport(const TransportOperations* operations) {
  installed = operations;
}

}  // namespace zan
