// A set of sockets watched with one wait that tells only the sockets that are ready: a server with
// a thousand sockets of which one is busy pays for the busy one, not for the thousand. Each socket
// is registered once with a token of the caller's and what it waits for; the interest changes only
// when the caller says so. One file per OS implements it: readiness_linux.cpp with epoll (a
// descriptor that epoll refuses, such as standard input read from a file, counts as always ready,
// as poll would report it), readiness_win32.cpp with WSAPoll over the registered sockets, kept
// between waits.
//
// Readiness is level-triggered: a socket left readable is reported again by the next wait.
// Not thread-safe: one thread registers and waits. A socket is removed before it is closed.
#ifndef ZAN_NET_READINESS_H_
#define ZAN_NET_READINESS_H_

#include <cstddef>
#include <cstdint>
#include <memory>

#include "net/socket.h"

namespace net {

struct Readiness {
  uint64_t token = 0;
  bool readable = false;  // also on hang-up and error, so that the next read tells which
  bool writable = false;
};

class ReadinessSet {
 public:
  ReadinessSet();
  ~ReadinessSet();
  ReadinessSet(const ReadinessSet&) = delete;
  ReadinessSet& operator=(const ReadinessSet&) = delete;

  // False when the OS gave no set (the process is out of descriptors); then every call fails.
  bool valid() const;

  // Registers `socket`, which is not registered yet, with `token` (reported with its readiness) and
  // what it waits for. False when the OS refuses it.
  bool Add(Socket socket, uint64_t token, bool wantRead, bool wantWrite);
  // What a registered socket waits for from now on.
  bool Change(Socket socket, uint64_t token, bool wantRead, bool wantWrite);
  // Forgets a registered socket; others keep their place. Unknown sockets are ignored.
  void Remove(Socket socket);

  // Waits at most `timeoutMilliseconds` (negative: without limit) until a registered socket is
  // ready for what it waits for, and writes at most `capacity` of them to `ready` (the rest are
  // reported by the next wait). Returns how many, 0 when the time passed, -1 when the wait failed.
  int Wait(Readiness* ready, std::size_t capacity, int timeoutMilliseconds);

 private:
  struct State;
  std::unique_ptr<State> state_;
};

}  // namespace net

#endif  // ZAN_NET_READINESS_H_
