#include "bridge/console.h"

#include <cstdio>

#include "bridge/messages.h"
#include "output/wall_time.h"

namespace zanhost {

namespace {

constexpr std::size_t kStatusLineWidth = 110;  // kept on one line of a usual terminal

// The text of an event as one line. Names in it come from the network (a topic, a metric of a
// command): a line break in one would forge a line of the journal, a terminal's escape would redraw
// the screen. Each control character is shown as JSON writes it (\u000a).
std::string OneLine(const std::string& text) {
  std::string line;
  line.reserve(text.size());
  for (unsigned char c : text) {
    if (c < 0x20 || c == 0x7F) {
      char escape[8];
      std::snprintf(escape, sizeof escape, "\\u%04x", c);
      line += escape;
    } else {
      line += static_cast<char>(c);
    }
  }
  return line;
}

std::string Count(int n, const char* one, const char* many) {
  return std::to_string(n) + " " + (n == 1 ? one : many);
}

}  // namespace

std::string StatusLineText(const BridgeStatus& status) {
  char round[64];
  std::snprintf(round, sizeof round, "round %ld (%.0f ms)", status.rounds,
                status.roundMilliseconds);
  std::string text = "broker " + status.broker + " | " + Count(status.tags, "tag", "tags");
  if (status.refusedTags > 0) text += " (" + std::to_string(status.refusedTags) + " refused)";
  text += " | " + std::string(round) + " | " + Count(status.writes, "write", "writes");
  if (status.refusedWrites > 0) text += ", " + std::to_string(status.refusedWrites) + " refused";
  if (status.failedWrites > 0) text += ", " + std::to_string(status.failedWrites) + " failed";
  if (status.failedPublishes > 0) {
    text += " | " + Count(status.failedPublishes, "publish failed", "publishes failed");
  }
  if (status.linksDown > 0) {
    text += " | " + Count(status.linksDown, "link down", "links down");
    if (!status.warmStart.empty()) text += ", " + status.warmStart;
  }
  return text;
}

void AddStatusFields(JsonObject& object, const BridgeStatus& status) {
  object.Add("broker", status.broker)
      .Add("tags", status.tags)
      .Add("refusedTags", status.refusedTags)
      .Add("rounds", static_cast<int64_t>(status.rounds))
      .Add("roundMs", status.roundMilliseconds)
      .Add("writes", status.writes)
      .Add("refusedWrites", status.refusedWrites)
      .Add("failedWrites", status.failedWrites)
      .Add("failedPublishes", status.failedPublishes)
      .Add("linksDown", status.linksDown);
  if (!status.warmStart.empty()) object.Add("warmStart", status.warmStart);
}

void BridgeConsole::ClearStatusLine() {
  if (mode_ == Mode::kTerminal && shown_) {
    std::printf("\r\x1b[K");
    std::fflush(stdout);
    shown_ = false;
  }
}

void BridgeConsole::DrawStatusLine() {
  if (mode_ != Mode::kTerminal || statusLine_.empty()) return;
  std::printf("\r\x1b[K%s", statusLine_.c_str());
  std::fflush(stdout);
  shown_ = true;
}

void BridgeConsole::Event(const std::string& text, const JsonObject& json) {
  const std::string time = UtcTimeText(NowMilliseconds());
  if (mode_ == Mode::kJson) {
    JsonObject line;
    line.Add("time", time).Append(json);
    std::printf("%s\n", line.str().c_str());
    std::fflush(stdout);
    return;
  }
  ClearStatusLine();
  std::printf("%s %s\n", time.c_str(), OneLine(text).c_str());
  std::fflush(stdout);
  DrawStatusLine();
}

void BridgeConsole::Log(const std::string& line) {
  ClearStatusLine();
  std::fprintf(stderr, "log: %s\n", line.c_str());
  std::fflush(stderr);
  DrawStatusLine();
}

void BridgeConsole::DriverLog(const std::vector<std::string>& lines) {
  if (!driverLog_) return;
  for (const std::string& line : lines)
    Log(line);
}

void BridgeConsole::Status(const BridgeStatus& status) {
  if (mode_ == Mode::kTerminal) {
    std::string line = StatusLineText(status);
    if (line.size() > kStatusLineWidth) line.resize(kStatusLineWidth);
    if (line == statusLine_ && shown_) return;
    statusLine_ = line;
    DrawStatusLine();
    return;
  }
  JsonObject json;
  json.Add("event", "status");
  AddStatusFields(json, status);
  Event("status: " + StatusLineText(status), json);
}

void BridgeConsole::Finish() {
  if (mode_ == Mode::kTerminal && shown_) {
    std::printf("\n");
    std::fflush(stdout);
    shown_ = false;
  }
}

}  // namespace zanhost
