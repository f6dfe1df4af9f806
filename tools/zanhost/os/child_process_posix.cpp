#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstring>
#include <thread>

#include "os/child_process.h"

extern char** environ;

namespace zanhost {

namespace {

class PosixChild : public ChildProcess {
 public:
  PosixChild(pid_t pid, int input, int output) : pid_(pid), input_(input), output_(output) {}
  ~PosixChild() override { Finish(2000); }

  bool ReadLine(std::string& line) override {
    line.clear();
    while (true) {
      std::size_t end = buffered_.find('\n');
      if (end != std::string::npos) {
        line = buffered_.substr(0, end);
        buffered_.erase(0, end + 1);
        if (!line.empty() && line.back() == '\r') line.pop_back();
        return true;
      }
      char chunk[512];
      ssize_t got = read(output_, chunk, sizeof chunk);
      if (got < 0 && errno == EINTR) continue;
      if (got <= 0) return false;
      buffered_.append(chunk, static_cast<std::size_t>(got));
    }
  }

  bool WriteLine(const std::string& line) override {
    if (input_ < 0) return false;
    const std::string text = line + "\n";
    std::size_t done = 0;
    while (done < text.size()) {
      ssize_t wrote = write(input_, text.data() + done, text.size() - done);
      if (wrote < 0 && errno == EINTR) continue;
      if (wrote <= 0) return false;
      done += static_cast<std::size_t>(wrote);
    }
    return true;
  }

  int Finish(int milliseconds) override {
    if (pid_ <= 0) return exitCode_;
    if (input_ >= 0) close(input_);
    input_ = -1;
    int status = 0;
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(milliseconds);
    pid_t done = 0;
    while ((done = waitpid(pid_, &status, WNOHANG)) == 0 &&
           std::chrono::steady_clock::now() < end) {
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    if (done == 0) {
      kill(pid_, SIGKILL);
      waitpid(pid_, &status, 0);
      exitCode_ = -1;
    } else {
      exitCode_ = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }
    if (output_ >= 0) close(output_);
    output_ = -1;
    pid_ = 0;
    return exitCode_;
  }

 private:
  pid_t pid_;
  int input_;
  int output_;
  int exitCode_ = -1;
  std::string buffered_;
};

}  // namespace

std::unique_ptr<ChildProcess> StartChildProcess(const std::string& program,
                                                const std::vector<std::string>& arguments,
                                                const std::string& errorFile, std::string& error) {
  int toChild[2];
  int fromChild[2];
  if (pipe2(toChild, O_CLOEXEC) != 0) {
    error = std::strerror(errno);
    return nullptr;
  }
  if (pipe2(fromChild, O_CLOEXEC) != 0) {
    error = std::strerror(errno);
    close(toChild[0]);
    close(toChild[1]);
    return nullptr;
  }
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_adddup2(&actions, toChild[0], STDIN_FILENO);
  posix_spawn_file_actions_adddup2(&actions, fromChild[1], STDOUT_FILENO);
  posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, errorFile.c_str(),
                                   O_WRONLY | O_CREAT | O_APPEND, 0644);
  std::vector<char*> argv;
  argv.push_back(const_cast<char*>(program.c_str()));
  for (const std::string& argument : arguments)
    argv.push_back(const_cast<char*>(argument.c_str()));
  argv.push_back(nullptr);
  pid_t pid = 0;
  const int failed = posix_spawn(&pid, program.c_str(), &actions, nullptr, argv.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  close(toChild[0]);
  close(fromChild[1]);
  if (failed != 0) {
    error = std::strerror(failed);
    close(toChild[1]);
    close(fromChild[0]);
    return nullptr;
  }
  // A simulator that has ended must not end us with SIGPIPE on the next command.
  signal(SIGPIPE, SIG_IGN);
  return std::make_unique<PosixChild>(pid, toChild[1], fromChild[0]);
}

}  // namespace zanhost
