// Why a TLS connection to the broker failed, in words a user can act on, from what the MQTT
// library and OpenSSL tell of the handshake: the broker's certificate not signed by a CA of
// --tls-ca, made out for another name than the one in --broker, expired; a broker that speaks no
// TLS on that port; a broker that wants a client certificate, or refuses ours. Text in, text out.
#ifndef ZAN_TOOLS_ZANHOST_BRIDGE_TLS_WORDS_H_
#define ZAN_TOOLS_ZANHOST_BRIDGE_TLS_WORDS_H_

#include <string>
#include <vector>

#include "bridge/mqtt_session.h"

namespace zanhost {

struct TlsFailure {
  bool tlsError = false;     // the library reported a TLS error
  bool closedEarly = false;  // the connection closed before the broker answered CONNECT
  // OpenSSL's judgement of the broker's certificate (an X509_V_ERR_ number), 0 when it passed or
  // none came.
  long verifyResult = 0;
  std::vector<std::string> log;  // the library's error lines of the attempt
};

// The words for the failure; "" when nothing points at TLS (the caller keeps its own).
std::string TlsFailureWords(const TlsFailure& failure, const MqttSettings& settings);

// For a TLS connection that never completes its handshake (the broker answers nothing a TLS
// client understands): the words for the attempt that timed out.
std::string TlsStallWords(const MqttSettings& settings);

}  // namespace zanhost

#endif  // ZAN_TOOLS_ZANHOST_BRIDGE_TLS_WORDS_H_
