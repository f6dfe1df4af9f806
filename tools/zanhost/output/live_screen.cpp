#include "output/live_screen.h"

#include <algorithm>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <thread>

#include "os/host_platform.h"

namespace zanhost {

namespace {

volatile std::sig_atomic_t interrupted = 0;

extern "C" void OnInterrupt(int) {
  interrupted = 1;
}

}  // namespace

void LiveScreen::Show(const std::vector<std::string>& lines) {
  if (redraw_ && shownLines_ > 0) {
    // Back to the first line of the previous block, and clear from there to the end.
    std::printf("\x1b[%dF\x1b[J", shownLines_);
  }
  for (const std::string& line : lines)
    std::printf("%s\n", line.c_str());
  std::fflush(stdout);
  shownLines_ = static_cast<int>(lines.size());
}

bool CanRedraw() {
  return IsTerminal(stdout) && EnableTerminalEscapes();
}

void CatchInterrupt() {
  std::signal(SIGINT, OnInterrupt);
  // A service manager stops a program with SIGTERM; it ends as cleanly as after Ctrl-C.
  std::signal(SIGTERM, OnInterrupt);
}

bool Interrupted() {
  return interrupted != 0;
}

bool Pause(double seconds) {
  const auto end = std::chrono::steady_clock::now() +
                   std::chrono::duration_cast<std::chrono::steady_clock::duration>(
                       std::chrono::duration<double>(seconds > 0 ? seconds : 0));
  while (!Interrupted()) {
    const auto now = std::chrono::steady_clock::now();
    if (now >= end) return true;
    std::this_thread::sleep_for(
        std::min<std::chrono::steady_clock::duration>(end - now, std::chrono::milliseconds(50)));
  }
  return false;
}

double MonotonicSeconds() {
  return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch()).count();
}

}  // namespace zanhost
