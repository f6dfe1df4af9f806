#include "zanhost/bridge_fixture.h"

#include <fcntl.h>
#include <mosquitto.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <fstream>
#include <iostream>
#include <sstream>
#include <thread>

#include "bridge/json_reader.h"
#include "demo/setup.h"
#include "net/socket.h"

extern char** environ;

namespace zanhost::testing {

namespace {

using Clock = std::chrono::steady_clock;

constexpr double kFixtureWait = 10;  // seconds for the broker, the subscriber, a stop

Clock::time_point After(double seconds) {
  return Clock::now() +
         std::chrono::duration_cast<Clock::duration>(std::chrono::duration<double>(seconds));
}

}  // namespace

int FreePort() {
  uint16_t port = 0;
  net::Socket listener = net::kNoSocket;
  if (net::Listen(net::kLoopback, 0, &listener, &port) != net::Error::kNone) return 0;
  net::Close(listener);
  return port;
}

Program::~Program() {
  if (pid_ > 0) {
    ::kill(pid_, SIGKILL);
    Wait(5);
  }
}

bool Program::Start(const std::vector<std::string>& arguments, const std::string& output) {
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
  posix_spawn_file_actions_addopen(&actions, 1, output.c_str(), O_WRONLY | O_CREAT | O_APPEND,
                                   0644);
  posix_spawn_file_actions_adddup2(&actions, 1, 2);
  std::vector<std::string> copies = arguments;
  std::vector<char*> argv;
  for (std::string& argument : copies)
    argv.push_back(argument.data());
  argv.push_back(nullptr);
  const int error = posix_spawn(&pid_, argv[0], &actions, nullptr, argv.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  if (error != 0) pid_ = -1;
  return error == 0;
}

void Program::Signal(int signal) const {
  if (pid_ > 0) ::kill(pid_, signal);
}

int Program::Wait(double seconds) {
  if (pid_ <= 0) return -1;
  const Clock::time_point deadline = After(seconds);
  int status = 0;
  while (true) {
    const pid_t done = waitpid(pid_, &status, WNOHANG);
    if (done == pid_) break;
    if (done < 0 && errno != EINTR) {
      pid_ = -1;
      return -1;
    }
    if (Clock::now() >= deadline) {
      ::kill(pid_, SIGKILL);
      waitpid(pid_, &status, 0);
      pid_ = -1;
      return -1;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  pid_ = -1;
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

std::string Broker::ProgramPath() {
  const char* chosen = std::getenv("ZAN_MOSQUITTO");
  if (chosen != nullptr && *chosen != '\0') return chosen;
  for (const char* path : {"/usr/sbin/mosquitto", "/usr/bin/mosquitto"}) {
    if (::access(path, X_OK) == 0) return path;
  }
  return "";
}

Broker::Broker(const std::string& folder) : folder_(folder) {}

bool Broker::Start(int port) {
  port_ = port != 0 ? port : FreePort();
  std::ostringstream configuration;
  configuration << "listener " << port_ << " 127.0.0.1\n"
                << "allow_anonymous true\npersistence false\n";
  return StartWith(configuration.str(), port_);
}

bool Broker::StartWith(const std::string& text, int plainPort) {
  port_ = plainPort;
  const std::string configuration = folder_ + "/mosquitto.conf";
  std::ofstream(configuration) << text;
  if (port_ == 0 ||
      !program_.Start({ProgramPath(), "-c", configuration}, folder_ + "/broker.log")) {
    return false;
  }
  // Ready once it takes a connection.
  const Clock::time_point deadline = After(10);
  mosquitto* probe = mosquitto_new(nullptr, true, nullptr);
  bool ready = false;
  while (!ready && Clock::now() < deadline) {
    ready = mosquitto_connect(probe, "127.0.0.1", port_, 10) == MOSQ_ERR_SUCCESS;
    if (!ready) std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  if (ready) mosquitto_disconnect(probe);
  mosquitto_destroy(probe);
  return ready;
}

void Broker::Stop() {
  program_.Signal(SIGTERM);
  program_.Wait(10);
}

Subscriber::Subscriber(int port, double seconds, const std::string& pattern) : pattern_(pattern) {
  client_ = mosquitto_new(nullptr, true, this);
  if (client_ == nullptr) return;
  mosquitto_connect_callback_set(client_, OnConnect);
  mosquitto_subscribe_callback_set(client_, OnSubscribe);
  mosquitto_message_callback_set(client_, OnMessage);
  if (mosquitto_connect(client_, "127.0.0.1", port, 10) != MOSQ_ERR_SUCCESS ||
      mosquitto_loop_start(client_) != MOSQ_ERR_SUCCESS) {
    return;
  }
  std::unique_lock<std::mutex> lock(mutex_);
  changed_.wait_until(lock, After(seconds), [this] { return subscribed_; });
}

Subscriber::~Subscriber() {
  if (client_ == nullptr) return;
  mosquitto_disconnect(client_);
  mosquitto_loop_stop(client_, false);
  mosquitto_destroy(client_);
}

void Subscriber::OnConnect(mosquitto* client, void* self, int code) {
  if (code == 0) {
    mosquitto_subscribe(client, nullptr, static_cast<Subscriber*>(self)->pattern_.c_str(), 1);
  }
}

void Subscriber::OnSubscribe(mosquitto*, void* self, int, int, const int*) {
  auto* subscriber = static_cast<Subscriber*>(self);
  std::lock_guard<std::mutex> lock(subscriber->mutex_);
  subscriber->subscribed_ = true;
  subscriber->changed_.notify_all();
}

void Subscriber::OnMessage(mosquitto*, void* self, const mosquitto_message* message) {
  auto* subscriber = static_cast<Subscriber*>(self);
  Message copy;
  copy.topic = message->topic;
  if (message->payloadlen > 0) {
    copy.payload.assign(static_cast<const char*>(message->payload),
                        static_cast<std::size_t>(message->payloadlen));
  }
  copy.retained = message->retain;
  std::lock_guard<std::mutex> lock(subscriber->mutex_);
  subscriber->messages_.push_back(copy);
  subscriber->changed_.notify_all();
}

bool Subscriber::WaitFor(const std::string& topic, const std::function<bool(const Message&)>& check,
                         double seconds, Message* found, std::size_t from) {
  std::unique_lock<std::mutex> lock(mutex_);
  std::size_t next = from;
  return changed_.wait_until(lock, After(seconds), [&] {
    for (; next < messages_.size(); ++next) {
      if (messages_[next].topic == topic && check(messages_[next])) {
        if (found != nullptr) *found = messages_[next];
        return true;
      }
    }
    return false;
  });
}

std::vector<Message> Subscriber::Messages(std::size_t from) {
  std::lock_guard<std::mutex> lock(mutex_);
  if (from >= messages_.size()) return {};
  return std::vector<Message>(messages_.begin() + static_cast<std::ptrdiff_t>(from),
                              messages_.end());
}

std::size_t Subscriber::count() {
  std::lock_guard<std::mutex> lock(mutex_);
  return messages_.size();
}

bool Subscriber::Publish(const std::string& topic, const std::string& payload, bool retain) {
  return mosquitto_publish(client_, nullptr, topic.c_str(), static_cast<int>(payload.size()),
                           payload.data(), 1, retain) == MOSQ_ERR_SUCCESS;
}

namespace {

const JsonValue* Find(const std::string& payload, const std::string& key, JsonValue& value) {
  std::string error;
  return ParseJson(payload, value, error) ? value.Find(key) : nullptr;
}

}  // namespace

std::string Member(const std::string& payload, const std::string& key) {
  JsonValue value;
  const JsonValue* member = Find(payload, key, value);
  return member == nullptr ? "" : WriteJson(*member);
}

std::string MemberText(const std::string& payload, const std::string& key) {
  JsonValue value;
  const JsonValue* member = Find(payload, key, value);
  return member == nullptr || member->type != JsonValue::Type::kString ? "" : member->text;
}

void PlantTest::SetUpTestSuite() {
  mosquitto_lib_init();
}

void PlantTest::StartPlant(const std::string& work, const std::string& configuration,
                           const std::string& tags, const std::string& pattern) {
  if (Broker::ProgramPath().empty()) GTEST_SKIP() << "no mosquitto on this machine";
  const std::string name = ::testing::UnitTest::GetInstance()->current_test_info()->name();
  folder_ = std::filesystem::current_path() / work / name;
  std::filesystem::remove_all(folder_);
  std::filesystem::create_directories(folder_);
  std::ofstream(folder_ / "zanDOR01.INT") << configuration;
  std::ofstream(folder_ / "tags.txt") << tags;

  SimulatorSetup setup;
  setup.program = ZAN_PLCSIM_PROGRAM;
  setup.plcs = DemoSimulatorPlcs();
  setup.folder = folder_.string();
  std::string error;
  ASSERT_TRUE(simulator_.Start(setup, error)) << error;
  setenv("QUAXNET_PORT", std::to_string(simulator_.port()).c_str(), 1);
  for (const char* plc : {kDemoMaster, kDemoBackup})
    Sim(std::string("set ") + plc + " db10 2 0x04D2");  // speed 1234
  Sim("set 127.0.0.3 db10 10 0x0001");                  // the S5 bit

  broker_ = std::make_unique<Broker>(folder_.string());
  ASSERT_TRUE(broker_->Start()) << Log("broker.log");
  subscriber_ = std::make_unique<Subscriber>(broker_->port(), kFixtureWait, pattern);
  ASSERT_TRUE(subscriber_->connected());
}

void PlantTest::TearDown() {
  if (bridge_.running()) {
    bridge_.Signal(SIGTERM);
    bridge_.Wait(kFixtureWait);
  }
  if (HasFailure()) std::cout << "zanhost bridge:\n" << Log("bridge.out");
  subscriber_.reset();
  if (broker_ != nullptr) broker_->Stop();
  simulator_.Stop();
}

void PlantTest::Sim(const std::string& command) {
  std::string answer;
  EXPECT_TRUE(simulator_.Command(command, answer)) << command << ": " << answer;
}

std::string PlantTest::Memory(const std::string& plc, int byte, int count) {
  std::string answer;
  simulator_.Command("get " + plc + " db10 " + std::to_string(byte) + " " + std::to_string(count),
                     answer);
  return answer;
}

std::string PlantTest::Log(const std::string& file) {
  std::stringstream text;
  text << std::ifstream(folder_ / file).rdbuf();
  return text.str();
}

}  // namespace zanhost::testing
