// The readiness set on epoll. A socket that waits for nothing is taken out of the epoll set
// (epoll, like poll, reports a hang-up whatever was asked, and a socket whose owner will not read
// it now would wake every wait) and put back when it waits again.
#include <sys/epoll.h>
#include <unistd.h>

#include <cerrno>
#include <vector>

#include "net/readiness.h"

namespace net {
namespace {

int Fd(Socket socket) {
  return static_cast<int>(socket);
}

uint32_t Mask(bool wantRead, bool wantWrite) {
  return (wantRead ? EPOLLIN | EPOLLRDHUP : 0u) | (wantWrite ? EPOLLOUT : 0u);
}

}  // namespace

struct ReadinessSet::State {
  // A descriptor that epoll refuses (a regular file, /dev/null): poll calls it ready at every wait,
  // and so does this set.
  struct AlwaysReady {
    Socket socket;
    uint64_t token;
    bool wantRead;
    bool wantWrite;
  };

  int epoll = -1;
  std::vector<AlwaysReady> always;
  std::vector<epoll_event> events;  // grows to the largest capacity asked

  AlwaysReady* FindAlways(Socket socket) {
    for (AlwaysReady& entry : always) {
      if (entry.socket == socket) return &entry;
    }
    return nullptr;
  }
};

ReadinessSet::ReadinessSet() : state_(std::make_unique<State>()) {
  state_->epoll = ::epoll_create1(EPOLL_CLOEXEC);
}

ReadinessSet::~ReadinessSet() {
  if (state_->epoll >= 0) ::close(state_->epoll);
}

bool ReadinessSet::valid() const {
  return state_->epoll >= 0;
}

bool ReadinessSet::Add(Socket socket, uint64_t token, bool wantRead, bool wantWrite) {
  if (!valid()) return false;
  epoll_event event{};
  event.events = Mask(wantRead, wantWrite);
  event.data.u64 = token;
  if (::epoll_ctl(state_->epoll, EPOLL_CTL_ADD, Fd(socket), &event) != 0) {
    if (errno != EPERM) return false;
    state_->always.push_back({socket, token, wantRead, wantWrite});
    return true;
  }
  // Added only to learn whether epoll takes it: a socket that waits for nothing stays out.
  return event.events != 0 || ::epoll_ctl(state_->epoll, EPOLL_CTL_DEL, Fd(socket), nullptr) == 0;
}

bool ReadinessSet::Change(Socket socket, uint64_t token, bool wantRead, bool wantWrite) {
  if (!valid()) return false;
  if (State::AlwaysReady* entry = state_->FindAlways(socket)) {
    *entry = {socket, token, wantRead, wantWrite};
    return true;
  }
  epoll_event event{};
  event.events = Mask(wantRead, wantWrite);
  event.data.u64 = token;
  if (event.events == 0) {
    return ::epoll_ctl(state_->epoll, EPOLL_CTL_DEL, Fd(socket), nullptr) == 0 || errno == ENOENT;
  }
  if (::epoll_ctl(state_->epoll, EPOLL_CTL_MOD, Fd(socket), &event) == 0) return true;
  return errno == ENOENT && ::epoll_ctl(state_->epoll, EPOLL_CTL_ADD, Fd(socket), &event) == 0;
}

void ReadinessSet::Remove(Socket socket) {
  if (!valid()) return;
  std::vector<State::AlwaysReady>& always = state_->always;
  for (std::size_t i = 0; i < always.size(); ++i) {
    if (always[i].socket == socket) {
      always.erase(always.begin() + static_cast<std::ptrdiff_t>(i));
      return;
    }
  }
  ::epoll_ctl(state_->epoll, EPOLL_CTL_DEL, Fd(socket), nullptr);
}

int ReadinessSet::Wait(Readiness* ready, std::size_t capacity, int timeoutMilliseconds) {
  if (!valid() || capacity == 0) return -1;
  std::size_t count = 0;
  for (const State::AlwaysReady& entry : state_->always) {
    if (count < capacity && (entry.wantRead || entry.wantWrite)) {
      ready[count++] = {entry.token, entry.wantRead, entry.wantWrite};
    }
  }
  if (count == capacity) return static_cast<int>(count);
  std::vector<epoll_event>& events = state_->events;
  if (events.size() < capacity - count) events.resize(capacity - count);
  const int found = ::epoll_wait(state_->epoll, events.data(), static_cast<int>(capacity - count),
                                 count > 0 ? 0 : timeoutMilliseconds);
  // A signal that ends the wait early is no failure: nothing is ready yet.
  if (found < 0) return errno == EINTR ? static_cast<int>(count) : -1;
  for (int i = 0; i < found; ++i) {
    const uint32_t bits = events[static_cast<std::size_t>(i)].events;
    ready[count++] = {events[static_cast<std::size_t>(i)].data.u64,
                      (bits & (EPOLLIN | EPOLLRDHUP | EPOLLHUP | EPOLLERR)) != 0,
                      (bits & (EPOLLOUT | EPOLLERR)) != 0};
  }
  return static_cast<int>(count);
}

}  // namespace net
