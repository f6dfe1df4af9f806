// zanhost bridge against a mosquitto that plants lock down, with certificates that openssl makes
// here: a CA, the broker's certificate signed by it, a client certificate signed by it, a second CA
// that signed nothing of the broker's, and a broker certificate made out for another name. The
// bridge connects with mutual TLS, and says in words why it cannot when the CA is wrong, the name
// does not match, the port speaks no TLS, or the broker wants a client certificate.
#include <gtest/gtest.h>
#include <mosquitto.h>
#include <signal.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <thread>

#include "zanhost/bridge_fixture.h"

namespace zanhost::testing {
namespace {

constexpr double kWait = 10;

class TlsTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    mosquitto_lib_init();
    // A folder of this process: ctest runs each test of the suite as a process of its own, side
    // by side.
    folder_ = std::filesystem::current_path() / "tls-e2e-work" / std::to_string(::getpid());
    std::filesystem::remove_all(folder_);
    std::filesystem::create_directories(folder_);
    const std::string f = folder_.string() + "/";
    // EC keys: made in milliseconds. mosquitto reads the keys as its own user: readable to all.
    const std::string key = "-newkey ec -pkeyopt ec_paramgen_curve:prime256v1 -nodes";
    const std::string steps[] = {
        "openssl req -x509 " + key + " -keyout " + f + "ca.key -out " + f +
            "ca.crt -subj /CN=Plant-CA -days 2",
        "openssl req -x509 " + key + " -keyout " + f + "other.key -out " + f +
            "other.crt -subj /CN=Other-CA -days 2",
        "openssl req " + key + " -keyout " + f + "server.key -out " + f +
            "server.csr -subj /CN=localhost",
        "openssl x509 -req -in " + f + "server.csr -CA " + f + "ca.crt -CAkey " + f +
            "ca.key -CAcreateserial -out " + f + "server.crt -days 2 -extfile " + f + "server.ext",
        "openssl x509 -req -in " + f + "server.csr -CA " + f + "ca.crt -CAkey " + f +
            "ca.key -CAcreateserial -out " + f + "elsewhere.crt -days 2 -extfile " + f +
            "elsewhere.ext",
        "openssl req " + key + " -keyout " + f + "client.key -out " + f +
            "client.csr -subj /CN=zanhost",
        "openssl x509 -req -in " + f + "client.csr -CA " + f + "ca.crt -CAkey " + f +
            "ca.key -CAcreateserial -out " + f + "client.crt -days 2",
        "chmod 644 " + f + "*.key",
    };
    std::ofstream(f + "server.ext") << "subjectAltName=DNS:localhost,IP:127.0.0.1\n";
    std::ofstream(f + "elsewhere.ext") << "subjectAltName=DNS:elsewhere.example\n";
    made_ = true;
    for (const std::string& step : steps) {
      if (std::system((step + " >>" + f + "openssl.log 2>&1").c_str()) != 0) made_ = false;
    }
  }

  void SetUp() override {
    if (Broker::ProgramPath().empty()) GTEST_SKIP() << "no mosquitto on this machine";
    ASSERT_TRUE(made_) << "openssl could not make the certificates";
    const std::string f = folder_.string() + "/";
    mutual_ = FreePort();
    elsewhere_ = FreePort();
    plain_ = FreePort();
    std::ostringstream configuration;
    configuration << "per_listener_settings false\nallow_anonymous true\npersistence false\n"
                  << "listener " << mutual_ << " 127.0.0.1\ncafile " << f << "ca.crt\ncertfile "
                  << f << "server.crt\nkeyfile " << f << "server.key\nrequire_certificate true\n"
                  << "listener " << elsewhere_ << " 127.0.0.1\ncafile " << f << "ca.crt\ncertfile "
                  << f << "elsewhere.crt\nkeyfile " << f << "server.key\nlistener " << plain_
                  << " 127.0.0.1\n";
    broker_ = std::make_unique<Broker>(folder_.string());
    ASSERT_TRUE(broker_->StartWith(configuration.str(), plain_));
    std::ofstream(folder_ / "zanDOR01.INT") << "1=7, 127.0.0.9, 2\n";
    std::ofstream(folder_ / "tags.txt") << "speed, 01DW0100002, word\n";
  }

  void TearDown() override {
    if (broker_ != nullptr) broker_->Stop();
  }

  // Runs the bridge with these options until its output holds one of `expected` (or kWait has
  // passed); returns the output.
  std::string Bridge(const std::vector<std::string>& options,
                     const std::vector<std::string>& expected) {
    const std::string out = (folder_ / "bridge.out").string();
    std::filesystem::remove(out);
    std::vector<std::string> arguments = {
        ZAN_ZANHOST_PROGRAM, "bridge", "--tags", (folder_ / "tags.txt").string(), "-d",
        folder_.string(),    "-q",     "--plain"};
    arguments.insert(arguments.end(), options.begin(), options.end());
    Program bridge;
    EXPECT_TRUE(bridge.Start(arguments, out));
    std::string text;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (std::chrono::steady_clock::now() < deadline) {
      std::stringstream read;
      read << std::ifstream(out).rdbuf();
      text = read.str();
      if (Holds(text, expected)) break;
      std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    bridge.Signal(SIGTERM);
    bridge.Wait(kWait);
    return text;
  }

  static bool Holds(const std::string& text, const std::vector<std::string>& lines) {
    for (const std::string& line : lines) {
      if (text.find(line) != std::string::npos) return true;
    }
    return false;
  }

  std::string File(const char* name) { return (folder_ / name).string(); }

  static inline std::filesystem::path folder_;
  static inline bool made_ = false;
  int mutual_ = 0;
  int elsewhere_ = 0;
  int plain_ = 0;
  std::unique_ptr<Broker> broker_;
};

TEST_F(TlsTest, MutualTlsConnectsAndEveryFailureIsSaidInWords) {
  const std::string at = "127.0.0.1:";
  const std::vector<std::string> client = {"--tls-cert", File("client.crt"), "--tls-key",
                                           File("client.key")};
  const struct {
    const char* what;
    std::vector<std::string> options;
    std::vector<std::string> lines;  // one of them
  } cases[] = {
      {"mutual TLS",
       {"--broker", at + std::to_string(mutual_), "--tls-ca", File("ca.crt"), client[0], client[1],
        client[2], client[3]},
       {"broker " + at + std::to_string(mutual_) + ": connected"}},
      {"a CA that signed nothing of the broker's",
       {"--broker", at + std::to_string(mutual_), "--tls-ca", File("other.crt"), client[0],
        client[1], client[2], client[3]},
       {"the broker's certificate is not signed by a CA of --tls-ca (" + File("other.crt") + ")"}},
      {"a certificate made out for another name",
       {"--broker", at + std::to_string(elsewhere_), "--tls-ca", File("ca.crt")},
       {"the broker's certificate is not made out for 127.0.0.1"}},
      {"a port without TLS",
       {"--broker", at + std::to_string(plain_), "--tls-ca", File("ca.crt")},
       {"speaks no TLS on that port"}},
      // The broker's alert may come before or after the library reads it: either sentence names
      // the client certificate.
      {"no client certificate for a broker that wants one",
       {"--broker", at + std::to_string(mutual_), "--tls-ca", File("ca.crt")},
       {"the broker wants a client certificate (--tls-cert and --tls-key)",
        "does it want a client certificate? --tls-cert and --tls-key"}},
  };
  for (const auto& c : cases) {
    const std::string out = Bridge(c.options, c.lines);
    EXPECT_TRUE(Holds(out, c.lines)) << c.what << ":\n" << out;
    EXPECT_EQ(out.find("A TLS error occurred"), std::string::npos) << c.what << ":\n" << out;
  }
}

TEST_F(TlsTest, AClientCertificateWithoutItsKeyIsRefusedAtStart) {
  const std::string out = Bridge({"--broker", "127.0.0.1:" + std::to_string(mutual_), "--tls-ca",
                                  File("ca.crt"), "--tls-cert", File("client.crt")},
                                 {"--tls-cert and --tls-key go together"});
  EXPECT_NE(out.find("--tls-cert and --tls-key go together"), std::string::npos) << out;
}

}  // namespace
}  // namespace zanhost::testing
