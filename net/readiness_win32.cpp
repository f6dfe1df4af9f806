// The readiness set on WSAPoll. Windows offers no readiness set of the kind epoll is (its
// completion ports report finished transfers instead), so the registered sockets are kept in the
// array that WSAPoll takes, built again only when a registration changes; the wait itself still
// looks at every socket, as one WSAPoll does.
#include <winsock2.h>

#include <windows.h>

#include <vector>

#include "net/readiness.h"

namespace net {
namespace {

SHORT Mask(bool wantRead, bool wantWrite) {
  return static_cast<SHORT>((wantRead ? POLLRDNORM : 0) | (wantWrite ? POLLWRNORM : 0));
}

}  // namespace

struct ReadinessSet::State {
  struct Entry {
    Socket socket;
    uint64_t token;
    SHORT events;
  };

  std::vector<Entry> entries;
  // What WSAPoll takes: the entries that wait for something (WSAPoll reports a hang-up whatever
  // was asked, so a socket that waits for nothing is left out), and their tokens.
  std::vector<WSAPOLLFD> polled;
  std::vector<uint64_t> tokens;
  bool stale = false;

  Entry* Find(Socket socket) {
    for (Entry& entry : entries) {
      if (entry.socket == socket) return &entry;
    }
    return nullptr;
  }

  void Rebuild() {
    polled.clear();
    tokens.clear();
    for (const Entry& entry : entries) {
      if (entry.events == 0) continue;
      WSAPOLLFD descriptor{};
      descriptor.fd = static_cast<SOCKET>(entry.socket);
      descriptor.events = entry.events;
      polled.push_back(descriptor);
      tokens.push_back(entry.token);
    }
    stale = false;
  }
};

ReadinessSet::ReadinessSet() : state_(std::make_unique<State>()) {}

ReadinessSet::~ReadinessSet() = default;

bool ReadinessSet::valid() const {
  return true;
}

bool ReadinessSet::Add(Socket socket, uint64_t token, bool wantRead, bool wantWrite) {
  if (state_->Find(socket) != nullptr) return false;
  state_->entries.push_back({socket, token, Mask(wantRead, wantWrite)});
  state_->stale = true;
  return true;
}

bool ReadinessSet::Change(Socket socket, uint64_t token, bool wantRead, bool wantWrite) {
  State::Entry* entry = state_->Find(socket);
  if (entry == nullptr) return false;
  *entry = {socket, token, Mask(wantRead, wantWrite)};
  state_->stale = true;
  return true;
}

void ReadinessSet::Remove(Socket socket) {
  std::vector<State::Entry>& entries = state_->entries;
  for (std::size_t i = 0; i < entries.size(); ++i) {
    if (entries[i].socket == socket) {
      entries.erase(entries.begin() + static_cast<std::ptrdiff_t>(i));
      state_->stale = true;
      return;
    }
  }
}

int ReadinessSet::Wait(Readiness* ready, std::size_t capacity, int timeoutMilliseconds) {
  if (capacity == 0) return -1;
  if (state_->stale) state_->Rebuild();
  std::vector<WSAPOLLFD>& polled = state_->polled;
  if (polled.empty()) {
    // WSAPoll refuses an empty array.
    ::Sleep(timeoutMilliseconds < 0 ? INFINITE : static_cast<DWORD>(timeoutMilliseconds));
    return 0;
  }
  const int found =
      ::WSAPoll(polled.data(), static_cast<ULONG>(polled.size()), timeoutMilliseconds);
  if (found == SOCKET_ERROR) return -1;
  std::size_t count = 0;
  for (std::size_t i = 0; i < polled.size() && count < capacity && found > 0; ++i) {
    const SHORT events = polled[i].revents;
    if (events == 0) continue;
    ready[count++] = {state_->tokens[i],
                      (events & (POLLRDNORM | POLLHUP | POLLERR | POLLNVAL)) != 0,
                      (events & (POLLWRNORM | POLLERR)) != 0};
  }
  return static_cast<int>(count);
}

}  // namespace net
