// A block of lines that is redrawn in place on a terminal (the cursor goes back up over the
// previous block, which is cleared) or, elsewhere, simply printed. Also the Ctrl-C flag that the
// long-running commands watch, and their pauses.
#ifndef ZAN_TOOLS_ZANHOST_OUTPUT_LIVE_SCREEN_H_
#define ZAN_TOOLS_ZANHOST_OUTPUT_LIVE_SCREEN_H_

#include <string>
#include <vector>

namespace zanhost {

class LiveScreen {
 public:
  // `redraw`: standard output is a terminal that understands escape sequences.
  explicit LiveScreen(bool redraw) : redraw_(redraw) {}

  void Show(const std::vector<std::string>& lines);
  bool redraw() const { return redraw_; }

 private:
  bool redraw_;
  int shownLines_ = 0;
};

// True when standard output is a terminal and takes the escape sequences of the redraw.
bool CanRedraw();

// From now on Ctrl-C (and SIGTERM) only sets a flag, so that the command ends its round and cleans
// up.
void CatchInterrupt();
bool Interrupted();

// Waits `seconds` (in steps of at most 50 ms); returns early, false, when interrupted.
bool Pause(double seconds);

// Seconds on a monotonic clock, for the deadlines of the long-running commands.
double MonotonicSeconds();

}  // namespace zanhost

#endif  // ZAN_TOOLS_ZANHOST_OUTPUT_LIVE_SCREEN_H_
