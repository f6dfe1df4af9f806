// A scripted PLC on 127.0.0.1 for the transport library's tests. It listens on a port that the OS
// chooses (handed to the library through QUAXNET_PORT), accepts the library's connections, reads
// what the library sends and answers with the bytes that a test gives it, well-formed or not.
//
// Nothing here sleeps. A read returns as soon as the bytes are there; between short waits on the
// socket it calls a pump (usually an operation of the library, which sends only while it is
// called). A bounded number of rounds is the safety net that fails a test instead of hanging it.
#ifndef ZAN_TESTS_SUPPORT_SCRIPTED_PEER_H_
#define ZAN_TESTS_SUPPORT_SCRIPTED_PEER_H_

#include <cstdint>
#include <functional>
#include <vector>

#include "net/socket.h"

namespace zan::testing {

using Bytes = std::vector<uint8_t>;
using Pump = std::function<void()>;

class ScriptedPeer {
 public:
  // Listens and sets QUAXNET_PORT to the port.
  ScriptedPeer();
  ~ScriptedPeer();
  ScriptedPeer(const ScriptedPeer&) = delete;
  ScriptedPeer& operator=(const ScriptedPeer&) = delete;

  uint16_t port() const { return port_; }

  // Accepts the library's next connection, which replaces the current one; false when none came.
  bool Accept(const Pump& pump = {});

  // Accepts a connection that is waiting to be accepted, without waiting for one; false when none
  // is.
  bool TryAccept();

  // The next TPKT that the library sent on the current connection, whole; empty when the
  // connection closed or nothing came.
  Bytes ReadTpkt(const Pump& pump = {});

  // The user data of the next message: the DT TPDUs up to the last one, joined.
  Bytes ReadMessage(const Pump& pump = {});

  // True once the library has closed the current connection (what it still sends is skipped).
  bool SeesClose(const Pump& pump = {});

  // Whether the library has sent nothing more on the current connection so far.
  bool Quiet();

  void Send(const Bytes& bytes);
  void SendMessage(const Bytes& userData);  // one TPKT, one DT TPDU, last of its message
  void Drop();                              // closes the current connection
  void StopListening();

 private:
  enum class Arrival { kData, kClosed, kNothing };
  Arrival Fill(const Pump& pump);

  net::Socket listener_ = net::kNoSocket;
  net::Socket current_ = net::kNoSocket;
  uint16_t port_ = 0;
  Bytes pending_;
};

// A TPKT around `tpdu`.
Bytes Tpkt(const Bytes& tpdu);

// A TPKT with one DT TPDU; `last` marks the end of the message.
Bytes DataTpkt(const Bytes& userData, bool last = true);

// The connect confirm to a request with source reference `reference`, confirming TPDU size 1024.
Bytes ConnectConfirm(uint16_t reference);

// The source reference of a connect request TPKT.
uint16_t ConnectRequestReference(const Bytes& tpkt);

// The PDU reference of an S7 PDU.
uint16_t PduReference(const Bytes& pdu);

// S7 answers: setup granting `pduSize`; read with the data (transport size 04, length in bits);
// write with the item return code; an ack-data whose header carries an error class and code.
Bytes S7SetupAnswer(uint16_t reference, uint16_t pduSize);
Bytes S7ReadAnswer(uint16_t reference, const Bytes& data);
Bytes S7WriteAnswer(uint16_t reference, uint8_t returnCode);
Bytes S7ItemError(uint16_t reference, uint8_t returnCode);  // a read answer without data
Bytes S7HeaderError(uint16_t reference, uint8_t errorClass, uint8_t errorCode);

// S5 answers: opCode 06 (fetch) or 04 (write), the error number, then the data of a fetch.
Bytes S5Answer(uint8_t opCode, uint8_t error, const Bytes& data = {});

}  // namespace zan::testing

#endif  // ZAN_TESTS_SUPPORT_SCRIPTED_PEER_H_
