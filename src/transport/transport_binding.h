// Binding the transport library: the one place that knows how the operations table is filled.
//
// The library is loaded by file name (Quaxnet.dll, libquaxnet.so) inside the open-library step and
// its eleven operations are looked up, by ordinal on Windows and by name elsewhere. Until that has
// succeeded, every operation answers as a transport that has no connection, so nothing is ever
// called through a missing function. Not thread-safe: the host sends one request at a time.
#ifndef ZAN_TRANSPORT_TRANSPORT_BINDING_H_
#define ZAN_TRANSPORT_TRANSPORT_BINDING_H_

#include "transport/transport_operations.h"

namespace zan {

// Results of OpenTransportLibrary when the library cannot be bound.
constexpr int kTransportLibraryMissing = -1;    // the library file cannot be loaded
constexpr int kTransportOperationMissing = -2;  // the library lacks one of the eleven operations

// Binds the library (once it succeeds, it stays bound) and calls its open-library operation.
// Returns that operation's result, or one of the codes above.
int OpenTransportLibrary();

// The operations table in use: the installed one, the bound library's, or the unbound stand-ins.
const TransportOperations& Transport();

// Installs `operations` in place of the library (nullptr goes back to it); the open-library step
// then binds nothing. For tests, which install a scripted transport.
void InstallTransport(const TransportOperations* operations);

}  // namespace zan

#endif  // ZAN_TRANSPORT_TRANSPORT_BINDING_H_
