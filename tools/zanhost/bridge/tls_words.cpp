#include "bridge/tls_words.h"

namespace zanhost {

namespace {

// OpenSSL's numbers for the verdicts on a certificate (X509_V_ERR_*), stable across its versions.
constexpr long kUnspecified = 1;  // no verdict yet: the handshake ended before it
constexpr long kUnableToGetIssuer = 2;
constexpr long kNotYetValid = 9;
constexpr long kExpired = 10;
constexpr long kSelfSigned = 18;
constexpr long kSelfSignedInChain = 19;
constexpr long kUnableToGetLocalIssuer = 20;
constexpr long kUnableToVerifyLeaf = 21;
constexpr long kHostnameMismatch = 62;
constexpr long kIpAddressMismatch = 64;

bool Logged(const TlsFailure& failure, const char* text) {
  for (const std::string& line : failure.log) {
    if (line.find(text) != std::string::npos) return true;
  }
  return false;
}

std::string Where(const MqttSettings& settings) {
  return settings.host + ":" + std::to_string(settings.port);
}

std::string NotForHost(const MqttSettings& settings) {
  return "TLS: the broker's certificate is not made out for " + settings.host +
         " (the host of --broker must be a name or address that the certificate names)";
}

}  // namespace

std::string TlsFailureWords(const TlsFailure& failure, const MqttSettings& settings) {
  switch (failure.verifyResult) {
    case 0:
    case kUnspecified:
      break;
    case kHostnameMismatch:
    case kIpAddressMismatch:
      return NotForHost(settings);
    case kExpired:
      return "TLS: the broker's certificate has expired";
    case kNotYetValid:
      return "TLS: the broker's certificate is not valid yet (is the clock right?)";
    case kUnableToGetIssuer:
    case kSelfSigned:
    case kSelfSignedInChain:
    case kUnableToGetLocalIssuer:
    case kUnableToVerifyLeaf:
      return "TLS: the broker's certificate is not signed by a CA of --tls-ca (" + settings.caFile +
             ")";
    default:
      return "TLS: the broker's certificate is refused (OpenSSL verdict " +
             std::to_string(failure.verifyResult) + ")";
  }
  // The library checks the name itself, after OpenSSL passed the certificate.
  if (Logged(failure, "host name verification failed")) return NotForHost(settings);
  if (Logged(failure, "certificate required") ||
      (settings.certFile.empty() && Logged(failure, "handshake failure"))) {
    return "TLS: the broker wants a client certificate (--tls-cert and --tls-key)";
  }
  if (Logged(failure, "unknown ca") || Logged(failure, "bad certificate") ||
      Logged(failure, "certificate unknown") || Logged(failure, "decrypt error")) {
    return "TLS: the broker refused the client certificate of --tls-cert (" + settings.certFile +
           ")";
  }
  if (Logged(failure, "wrong version number") || Logged(failure, "packet length too long") ||
      Logged(failure, "record layer failure") || Logged(failure, "unexpected eof") ||
      Logged(failure, "http request")) {
    return TlsStallWords(settings);
  }
  if (Logged(failure, "certificate verify failed")) {
    // The verdict is gone with a handshake that failed before the call returned. The name is
    // checked (and its failure logged) only once the chain passed: the chain failed.
    return "TLS: the broker's certificate is not signed by a CA of --tls-ca (" + settings.caFile +
           "), or is out of its dates";
  }
  if (failure.closedEarly) {
    return settings.certFile.empty()
               ? "TLS: the broker closed the connection before it answered (does it want a client "
                 "certificate? --tls-cert and --tls-key)"
               : "TLS: the broker closed the connection before it answered (does it take the "
                 "client certificate of --tls-cert?)";
  }
  if (!failure.tlsError) return "";
  for (const std::string& line : failure.log) {
    if (line.find("OpenSSL Error") != std::string::npos) return "TLS: " + line;
  }
  return "TLS: the handshake with the broker failed";
}

std::string TlsStallWords(const MqttSettings& settings) {
  return "TLS: the broker at " + Where(settings) +
         " speaks no TLS on that port (a plain MQTT port? TLS is often on 8883)";
}

}  // namespace zanhost
