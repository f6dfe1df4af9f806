// The readiness set on loopback: among many registered sockets only the ready ones are reported,
// with their tokens, again while they stay ready; what a socket waits for changes on demand, and a
// socket that waits for nothing is not reported even when its peer hangs up. Run natively (epoll)
// and under wine (WSAPoll), where the Win32 file is the one tested.
#include <gtest/gtest.h>

#include <map>
#include <vector>

#include "net/readiness.h"
#include "net/socket.h"

namespace {

constexpr int kPairs = 40;

class ReadinessTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(net::Start());
    ASSERT_TRUE(set_.valid());
    uint16_t port = 0;
    ASSERT_EQ(net::Listen(net::kLoopback, 0, &listener_, &port), net::Error::kNone);
    net::SetBlocking(listener_, true);
    for (int i = 0; i < kPairs; ++i) {
      net::Socket client = net::kNoSocket;
      net::Socket server = net::kNoSocket;
      ASSERT_EQ(net::Connect(net::kLoopback, port, &client), net::Error::kNone);
      ASSERT_EQ(net::Accept(listener_, &server), net::Error::kNone);
      net::SetBlocking(server, false);
      clients_.push_back(client);
      servers_.push_back(server);
      ASSERT_TRUE(set_.Add(server, Token(i), true, false));
    }
  }
  void TearDown() override {
    for (const net::Socket socket : clients_)
      net::Close(socket);
    for (const net::Socket socket : servers_)
      net::Close(socket);
    net::Close(listener_);
    net::Stop();
  }

  static uint64_t Token(int pair) { return 1000 + static_cast<uint64_t>(pair); }

  // The readiness of one wait of at most `milliseconds`, by token.
  std::map<uint64_t, net::Readiness> WaitOnce(int milliseconds, std::size_t capacity = 64) {
    std::vector<net::Readiness> ready(capacity);
    const int found = set_.Wait(ready.data(), capacity, milliseconds);
    EXPECT_GE(found, 0);
    std::map<uint64_t, net::Readiness> byToken;
    for (int i = 0; i < found; ++i)
      byToken[ready[static_cast<std::size_t>(i)].token] = ready[static_cast<std::size_t>(i)];
    return byToken;
  }
  // Waits (up to a second) until `token` is reported, and returns the last wait's report.
  std::map<uint64_t, net::Readiness> WaitFor(uint64_t token) {
    std::map<uint64_t, net::Readiness> ready;
    for (int i = 0; i < 100 && ready.count(token) == 0; ++i)
      ready = WaitOnce(10);
    return ready;
  }
  void SendTo(int pair) { ASSERT_TRUE(net::SendAll(clients_[pair], "x", 1)); }
  net::Error Drain(int pair) {
    uint8_t byte = 0;
    std::size_t done = 0;
    return net::Receive(servers_[pair], &byte, 1, &done);
  }

  net::ReadinessSet set_;
  net::Socket listener_ = net::kNoSocket;
  std::vector<net::Socket> clients_;
  std::vector<net::Socket> servers_;
};

TEST_F(ReadinessTest, OnlyTheReadySocketsAreReportedUntilRead) {
  EXPECT_TRUE(WaitOnce(0).empty()) << "nothing sent: the wait ends empty";
  SendTo(7);
  SendTo(31);
  std::map<uint64_t, net::Readiness> ready = WaitFor(Token(7));
  if (ready.count(Token(31)) == 0) ready.merge(WaitFor(Token(31)));
  ASSERT_EQ(ready.size(), 2u);
  EXPECT_TRUE(ready[Token(7)].readable);
  EXPECT_FALSE(ready[Token(7)].writable) << "not asked for";

  EXPECT_EQ(WaitOnce(0).size(), 2u) << "level-triggered: still ready while unread";
  ASSERT_EQ(Drain(7), net::Error::kNone);
  ready = WaitOnce(0);
  EXPECT_EQ(ready.size(), 1u);
  EXPECT_EQ(ready.count(Token(31)), 1u);

  ASSERT_EQ(Drain(31), net::Error::kNone);
  for (int pair = 0; pair < kPairs; ++pair)
    SendTo(pair);
  std::map<uint64_t, net::Readiness> seen;
  for (int i = 0; i < 100 && seen.size() < kPairs; ++i) {
    for (const auto& [token, readiness] : WaitOnce(10, 16)) {
      seen[token] = readiness;
      Drain(static_cast<int>(token - Token(0)));
    }
  }
  EXPECT_EQ(seen.size(), std::size_t{kPairs}) << "more ready than one wait takes: the rest next";
}

TEST_F(ReadinessTest, InterestChangesAndRemovalLeaveTheOthersInPlace) {
  ASSERT_TRUE(set_.Change(servers_[3], Token(3), true, true));
  std::map<uint64_t, net::Readiness> ready = WaitFor(Token(3));
  EXPECT_TRUE(ready[Token(3)].writable);
  EXPECT_FALSE(ready[Token(3)].readable);

  // A socket that waits for nothing is not reported, not even for its peer's hang-up.
  ASSERT_TRUE(set_.Change(servers_[3], Token(3), false, false));
  net::Close(clients_[3]);
  clients_[3] = net::kNoSocket;
  EXPECT_TRUE(WaitOnce(10).empty());
  ASSERT_TRUE(set_.Change(servers_[3], Token(99), true, false));
  ready = WaitFor(Token(99));
  ASSERT_EQ(ready.count(Token(99)), 1u) << "reported under its new token";
  EXPECT_TRUE(ready[Token(99)].readable) << "a hang-up reads as readable";
  EXPECT_EQ(Drain(3), net::Error::kClosed);

  set_.Remove(servers_[3]);
  set_.Remove(servers_[5]);
  SendTo(5);
  SendTo(6);
  ready = WaitFor(Token(6));
  EXPECT_EQ(ready.size(), 1u) << "removed sockets are not reported";
  EXPECT_EQ(ready.count(Token(6)), 1u);
  ASSERT_TRUE(set_.Add(servers_[5], Token(5), true, false));
  EXPECT_EQ(WaitFor(Token(5)).count(Token(5)), 1u) << "added again";
}

}  // namespace
