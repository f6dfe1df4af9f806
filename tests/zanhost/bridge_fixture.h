// What the bridge's end-to-end tests run against: a real MQTT broker (mosquitto, on a free port of
// 127.0.0.1 with a configuration of its own), the PLC simulator, zanhost bridge as a user starts
// it, and a test client on libmosquitto that sees every message under zandor/ and sends writes.
// Linux only, as the bridge.
#ifndef ZAN_TESTS_ZANHOST_BRIDGE_FIXTURE_H_
#define ZAN_TESTS_ZANHOST_BRIDGE_FIXTURE_H_

#include <gtest/gtest.h>
#include <sys/types.h>

#include <condition_variable>
#include <filesystem>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "demo/simulator_control.h"

struct mosquitto;
struct mosquitto_message;

namespace zanhost::testing {

// A program started with its standard output and error appended to a file.
class Program {
 public:
  Program() = default;
  Program(const Program&) = delete;
  Program& operator=(const Program&) = delete;
  ~Program();

  bool Start(const std::vector<std::string>& arguments, const std::string& output);
  void Signal(int signal) const;
  // Waits at most `seconds` for the program to end; its exit code, or -1 when it had to be killed
  // (or was ended by a signal).
  int Wait(double seconds);
  bool running() const { return pid_ > 0; }

 private:
  pid_t pid_ = -1;
};

// mosquitto listening on 127.0.0.1:port, with no store: a restart forgets retained messages.
class Broker {
 public:
  // The program: ZAN_MOSQUITTO from the environment, else Debian's; "" when there is none.
  static std::string ProgramPath();

  explicit Broker(const std::string& folder);
  // Starts it on `port` (a free one the first time) and waits until it takes connections.
  bool Start(int port = 0);
  // Starts it with a configuration of the caller's, whose plain listener on 127.0.0.1 is
  // `plainPort`, and waits until that takes connections.
  bool StartWith(const std::string& configuration, int plainPort);
  void Stop();
  int port() const { return port_; }

 private:
  std::string folder_;
  int port_ = 0;
  Program program_;
};

// A TCP port of 127.0.0.1 that nothing listens on just now.
int FreePort();

struct Message {
  std::string topic;
  std::string payload;
  bool retained = false;
};

// A client that subscribes to `pattern` (zandor/# by default) and keeps every message.
class Subscriber {
 public:
  // Connects and subscribes, waiting at most `seconds`; check connected().
  Subscriber(int port, double seconds, const std::string& pattern = "zandor/#");
  ~Subscriber();
  Subscriber(const Subscriber&) = delete;
  Subscriber& operator=(const Subscriber&) = delete;

  bool connected() const { return subscribed_; }

  // The first message on `topic`, from the `from`th on, that `check` accepts, waiting at most
  // `seconds`; false when none came.
  bool WaitFor(const std::string& topic, const std::function<bool(const Message&)>& check,
               double seconds, Message* found = nullptr, std::size_t from = 0);
  std::size_t count();
  // The messages so far, from the `from`th on.
  std::vector<Message> Messages(std::size_t from = 0);
  bool Publish(const std::string& topic, const std::string& payload, bool retain = false);

 private:
  static void OnConnect(mosquitto*, void* self, int code);
  static void OnSubscribe(mosquitto*, void* self, int, int, const int*);
  static void OnMessage(mosquitto*, void* self, const mosquitto_message* message);

  mosquitto* client_ = nullptr;
  std::string pattern_;
  std::mutex mutex_;
  std::condition_variable changed_;
  std::vector<Message> messages_;
  bool subscribed_ = false;
};

// A test of the bridge on the demo plant, in a folder of the test's own: the simulator's PLCs
// (speed 1234 in the DB10 of the S7 pair, the S5 PLC's bit set), a broker and a subscriber; the
// test starts the bridge. A bridge still running at the end is stopped with SIGTERM, and its output
// is shown when the test failed.
class PlantTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite();
  void TearDown() override;

  // The plant in <current folder>/<work>/<test name>, with these configuration and tag files and a
  // subscriber to `pattern`. Skips the test where there is no mosquitto; fails it fatally when a
  // piece does not start.
  void StartPlant(const std::string& work, const std::string& configuration,
                  const std::string& tags, const std::string& pattern);

  void Sim(const std::string& command);
  // `count` bytes of DB10 from `byte` on, as the simulator answers them ("ok 04 D2").
  std::string Memory(const std::string& plc, int byte, int count);
  // A file of the test's folder.
  std::string Log(const std::string& file);

  std::filesystem::path folder_;
  Simulator simulator_;
  std::unique_ptr<Broker> broker_;
  std::unique_ptr<Subscriber> subscriber_;
  Program bridge_;
};

// The member `key` of a JSON payload as JSON text ("1234", "\"done\""), or "" when there is none.
std::string Member(const std::string& payload, const std::string& key);
// The text of a member that is a JSON string, or "".
std::string MemberText(const std::string& payload, const std::string& key);

}  // namespace zanhost::testing

#endif  // ZAN_TESTS_ZANHOST_BRIDGE_FIXTURE_H_
