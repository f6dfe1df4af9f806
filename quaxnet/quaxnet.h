// Quaxnet: the transport library of the driver. ISO-on-TCP (RFC 1006) with S7 communication, and
// the S5 fetch/write service, to PLCs.
//
// Eleven operations that the driver binds, and one of our own that tells a connection's last
// failure in words; C linkage, __stdcall on Windows; exported from Quaxnet.dll at their ordinals
// and by name, and by name from libquaxnet.so. Results are ints of which the low 16 bits count
// (answers.h); handles are passed as 32-bit values of which the low 16 bits count.
//
// Poll-driven and single-threaded: the library starts no thread and does nothing between calls.
// Each operation moves its own connection on with what the network has for it and returns at
// once, or after waiting at most about 1 ms for an answer that is on its way. Not thread-safe:
// one call at a time.
//
// QUAXNET_PORT, when it is set and not empty, must hold a port number (1 to 65535), which then
// replaces the port of every connection request block; with anything else the library does not
// open, and no connection opens.
#ifndef QUAXNET_QUAXNET_H_
#define QUAXNET_QUAXNET_H_

#include <cstdint>

#include "transport/connect_request.h"
#include "transport/transport_operations.h"

#if defined(_WIN32)
#define QX_API extern "C"  // exported through quaxnet.def, at the ordinals
#else
#define QX_API extern "C" __attribute__((visibility("default")))
#endif

// 252. Makes the library ready (networking started). 0; 1 when QUAXNET_PORT holds no port number;
// 15 when the network cannot be used. Opening an open library changes nothing.
QX_API int ZAN_STDCALL QxOpenLibrary();

// 253. Closes every connection and the library. Always 0.
QX_API int ZAN_STDCALL QxCloseLibrary();

// 225 and 224. Opens an S7 connection (COTP, then setup communication) or one connection of an
// S5 pair to the block's address, port and TSAPs, and starts connecting. 0 with the new handle
// and status 3 in the block; otherwise the handle is 0: 1 for a block (or an S7 second argument
// other than 0) that cannot be used, 12 when every connection is taken, 13 before the library is
// open. The block's time-out (milliseconds, 1000 when 0) limits each step of the connect; the
// answer to each part of a read or write is waited for that long and half as long again, and then
// forgotten (on S7 its answer dropped whenever it comes; on S5 the link restarted), never breaking
// the connection.
QX_API int ZAN_STDCALL QxOpenS7Connection(ConnectRequest* block, uint32_t zero);
QX_API int ZAN_STDCALL QxOpenS5Connection(ConnectRequest* block);

// 124. 0 established; 3 on its way there; 9 broken (until a restart succeeds); 2 unknown handle.
// While the connection waits for its peer the poll waits for it too, at most about 1 ms; but a poll
// that follows the poll of another connection without a pause of 1 ms (a round over many
// connections that are waited for together) does not wait: it takes what has arrived and returns.
QX_API int ZAN_STDCALL QxConnectionState(uint32_t handle);

// 101. Closes the connection; its handle is unknown afterwards. 0, or 2 for an unknown handle.
QX_API int ZAN_STDCALL QxCloseConnection(uint32_t handle);

// 125. Closes the connection's socket, forgets what was outstanding and every byte that arrived
// before, and connects anew under the same handle. 1, or 2 for an unknown handle.
QX_API int ZAN_STDCALL QxRestartConnection(uint32_t handle);

// 103 and 106. Sends a read (fetch) or a write of the record on its connection, split into parts
// that fit the PLC; the write's data (the record's length, in its units) is taken at once.
// An answer to an earlier request that arrived whole but was never collected is dropped first
// (counted, and traced through QUAXNET_TRACE). 0 sent; 3 not established; 9 broken; 14 the answer
// to an earlier request is still on its way (that request is then abandoned: its answer is dropped
// when it comes; nothing is sent); 1 a record that cannot be carried; 2 unknown handle.
QX_API int ZAN_STDCALL QxSendRead(TransferRecord* record);
QX_API int ZAN_STDCALL QxSendWrite(TransferRecord* record, const void* buffer);

// 104. Collects the answer of the read: 0 with status 0 and the data at the start of `buffer`
// (S5 data-block words in host order); 0 with a non-zero status when the PLC refused (the S7
// item return code or error class and code, or 0x100 + the S5 error number), the buffer
// untouched; 6 not yet; 3 or 9 the request is lost (not established, broken); 14 the outstanding
// request was abandoned and its answer is still expected; 8 no read outstanding; 1 `size` too small
// or a null pointer. An answer that arrived whole is handed out even when the peer closed the
// connection right after it; the connection is broken for the next request.
QX_API int ZAN_STDCALL QxReceiveRead(uint32_t size, void* buffer, uint16_t* status,
                                     uint32_t handle);

// 107. The completion of the write, with the answers of QxReceiveRead.
QX_API int ZAN_STDCALL QxWriteCompletion(uint16_t* status, uint32_t handle);

// 260. Our own, which the driver does not bind (another transport library need not have it): the
// last failure of the connection `handle` in words, for a host to show. The text starts with the
// connection's address and port, "<a.b.c.d> port <n>: ", and names the step that failed and how:
//   "TCP connection refused: nothing listens at that port", "TCP connection failed: the address
//   cannot be reached (...)", "no TCP connection within 100 ms";
//   "connection request rejected by the PLC: disconnect request (TSAPs sent: local 01 01, remote
//   03 03)", "no answer to the connection request within 100 ms (TSAPs sent: ...)";
//   "setup communication refused by the PLC (error class 0x83, code 0x04)";
//   "answer to the read malformed: ...", "connection closed by the PLC (TCP connection closed)
//   while the read was on its way"; "connection closed by the PLC (TCP connection closed)".
// A connection's failure is kept from its break until it is established again, and after a close
// until its slot is taken again (or another connection to the same address and port fails or is
// established): a host can learn why a connect that it gave up failed ("no answer to ... within"
// the time it waited). At most `size` bytes are written, the terminator included. 0 with the
// text; 8 when the connection has no failure (an empty text); 2 when no connection has or had that
// handle; 1 for a null text or a size of 0.
QX_API int ZAN_STDCALL QxConnectionFailure(uint32_t size, char* text, uint32_t handle);

// 261. Our own as well: the PDU size that the PLC granted the S7 connection `handle` at its setup
// communication, while it is established, for a host that plans its reads by it (a read larger
// than the PDU allows is sent in parts, one request each). 0 for an S5 connection, a connection
// that is not established and a handle that no connection has.
QX_API int ZAN_STDCALL QxConnectionPduSize(uint32_t handle);

#endif  // QUAXNET_QUAXNET_H_
