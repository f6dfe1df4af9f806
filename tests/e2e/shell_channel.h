// A helper program whose standard input, output and error are one TCP connection on 127.0.0.1 back
// to the test: the test listens, starts the helper through bash (shell_launch.h), which connects
// with its /dev/tcp redirection, and then exchanges lines with it. Works the same from the Linux
// build and from the Windows build under wine, where pipes to a Linux program do not carry its
// output.
//
// Every wait is bounded by the caller's limit and ends as soon as the data is there: no sleeps.
#ifndef ZAN_TESTS_E2E_SHELL_CHANNEL_H_
#define ZAN_TESTS_E2E_SHELL_CHANNEL_H_

#include <cstdint>
#include <string>

#include "e2e/shell_launch.h"
#include "net/socket.h"

namespace zan::e2e {

class ShellChannel {
 public:
  ShellChannel() = default;
  ShellChannel(const ShellChannel&) = delete;
  ShellChannel& operator=(const ShellChannel&) = delete;
  ~ShellChannel();

  // Starts `script` (bash, in the current directory) with its standard input, output and error on
  // the channel and waits at most `milliseconds` for it to connect. False, with the reason,
  // otherwise.
  bool Open(const std::string& script, uint32_t milliseconds, std::string* why);

  // The next line, without its line feed. False when none came within `milliseconds` or the
  // helper closed the channel.
  bool ReadLine(std::string* line, uint32_t milliseconds);

  // Everything the helper sends until it closes the channel, waiting at most `milliseconds`.
  bool ReadToEnd(std::string* text, uint32_t milliseconds);

  bool WriteLine(const std::string& line);

  // Waits at most `milliseconds` for the helper to close the channel (it ended), collects the
  // process, and closes our end. A helper that does not end in time is killed where possible.
  bool Close(uint32_t milliseconds);

  // The helper's process id where the platform knows it, else -1.
  std::intptr_t processId() const { return process_.id; }

 private:
  // Receives what is there, waiting until `deadline` (microseconds of the monotonic clock) for
  // more; false when the channel closed or the time is up.
  bool ReceiveMore(uint64_t deadline);

  net::Socket socket_ = net::kNoSocket;
  ShellProcess process_;
  std::string pending_;  // received, not yet handed out
  bool networking_ = false;
  bool closed_ = false;  // the helper closed its side
};

}  // namespace zan::e2e

#endif  // ZAN_TESTS_E2E_SHELL_CHANNEL_H_
