// The shared socket layer on loopback: a connection through its life, the waits that must end
// when data or the end arrives (and not hang when nothing does), and the failures each OS must name
// alike. Run natively and under wine, where the Win32 file is the one tested.
#include <gtest/gtest.h>

#include <cstring>

#include "net/socket.h"

namespace {

class SocketTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(net::Start());
    ASSERT_EQ(net::Listen(net::kLoopback, 0, &listener_, &port_), net::Error::kNone);
    ASSERT_NE(port_, 0);
  }
  void TearDown() override {
    net::Close(client_);
    net::Close(server_);
    net::Close(listener_);
    net::Stop();
  }

  // Connects a non-blocking client and accepts it.
  void ConnectPair() {
    net::Error error = net::StartConnect(net::kLoopback, port_, &client_);
    for (int i = 0; i < 1000 && error == net::Error::kWouldBlock; ++i) {
      net::Wait(client_, false, true, 1000);
      error = net::CheckConnect(client_);
    }
    ASSERT_EQ(error, net::Error::kNone);
    uint32_t address = 0;
    error = net::Error::kWouldBlock;
    for (int i = 0; i < 1000 && error == net::Error::kWouldBlock; ++i) {
      net::Wait(listener_, true, false, 1000);
      error = net::Accept(listener_, &server_, &address);
    }
    ASSERT_EQ(error, net::Error::kNone);
    EXPECT_EQ(address, net::kLoopback);
  }

  net::Socket listener_ = net::kNoSocket;
  net::Socket client_ = net::kNoSocket;
  net::Socket server_ = net::kNoSocket;
  uint16_t port_ = 0;
};

TEST_F(SocketTest, BytesArriveWholeAndTheEndIsTold) {
  net::Socket none = net::kNoSocket;
  EXPECT_EQ(net::Accept(listener_, &none), net::Error::kWouldBlock) << "nobody connected yet";
  ConnectPair();

  uint8_t buffer[16] = {};
  std::size_t done = 0;
  EXPECT_EQ(net::ReceiveWithin(client_, buffer, sizeof buffer, &done, 1000),
            net::Error::kWouldBlock)
      << "nothing sent: the wait ends";
  EXPECT_EQ(done, 0u);

  const uint8_t request[] = {3, 0, 0, 7, 2, 0xF0, 0x80};
  ASSERT_EQ(net::Send(server_, request, sizeof request, &done), net::Error::kNone);
  EXPECT_EQ(done, sizeof request);
  std::size_t received = 0;
  for (int i = 0; i < 1000 && received < sizeof request; ++i) {
    const net::Error error =
        net::ReceiveWithin(client_, buffer + received, sizeof buffer - received, &done, 100000);
    ASSERT_TRUE(error == net::Error::kNone || error == net::Error::kWouldBlock);
    received += done;
  }
  ASSERT_EQ(received, sizeof request);
  EXPECT_EQ(std::memcmp(buffer, request, sizeof request), 0);

  net::Close(server_);
  server_ = net::kNoSocket;
  net::Error error = net::Error::kWouldBlock;
  for (int i = 0; i < 1000 && error == net::Error::kWouldBlock; ++i)
    error = net::ReceiveWithin(client_, buffer, sizeof buffer, &done, 100000);
  EXPECT_EQ(error, net::Error::kClosed) << "a closed peer is told apart from silence";
}

TEST_F(SocketTest, FailuresAreNamedAlikeOnEveryOs) {
  // A port that another socket holds.
  net::Socket second = net::kNoSocket;
  uint16_t port = 0;
  EXPECT_EQ(net::Listen(net::kLoopback, port_, &second, &port), net::Error::kInUse);
  EXPECT_EQ(second, net::kNoSocket);
  char text[128] = {};
  net::ErrorText(net::LastError(), text, sizeof text);
  EXPECT_NE(text[0], '\0') << "the system's words for the failure";

  // A port that nobody listens on any more: the connect is refused.
  net::Close(listener_);
  listener_ = net::kNoSocket;
  net::Error error = net::StartConnect(net::kLoopback, port_, &client_);
  for (int i = 0; i < 1000 && error == net::Error::kWouldBlock; ++i) {
    net::Wait(client_, false, true, 1000);
    error = net::CheckConnect(client_);
  }
  EXPECT_EQ(error, net::Error::kClosed);
  EXPECT_EQ(net::Connect(net::kLoopback, port_, &second), net::Error::kClosed);
}

}  // namespace
