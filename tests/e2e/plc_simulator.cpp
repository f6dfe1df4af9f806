#include "e2e/plc_simulator.h"

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>

namespace zan::e2e {
namespace {

constexpr uint32_t kStartMs = 10000;  // 511 listeners and the sanitizers take a moment
constexpr uint32_t kAnswerMs = 10000;
constexpr uint32_t kStopMs = 10000;
constexpr char kLogFile[] = "plcsim.log";

// Single quotes for bash: nothing inside is special.
std::string Quoted(const std::string& text) {
  std::string quoted = "'";
  for (char c : text) {
    if (c == '\'')
      quoted += "'\\''";
    else
      quoted += c;
  }
  return quoted + "'";
}

}  // namespace

std::string PlcSimulator::ProgramPath() {
  const char* path = std::getenv("ZAN_PLCSIM");
  if (path != nullptr && *path != '\0') return path;
#ifdef ZAN_PLCSIM_PROGRAM
  return ZAN_PLCSIM_PROGRAM;
#else
  return {};
#endif
}

bool PlcSimulator::Available(std::string* why) {
  const std::string program = ProgramPath();
  if (program.empty()) {
    *why = "no native simulator is named (ZAN_PLCSIM)";
    return false;
  }
  // Asked of bash: under wine the path is a Linux path that Windows calls cannot test.
  ShellChannel probe;
  std::string answer;
  if (!probe.Open("test -x " + Quoted(program) + " && echo present || echo absent", kStartMs, why))
    return false;
  if (!probe.ReadLine(&answer, kAnswerMs) || answer != "present") {
    *why = "the native simulator " + program + " is not there";
    return false;
  }
  probe.Close(kStopMs);
  return true;
}

bool PlcSimulator::Start(const std::vector<std::string>& plcLines, std::string* why) {
  std::string script =
      "exec " + Quoted(ProgramPath()) + " --port 0 --no-control --quit-on-eof --log " + kLogFile;
  for (const std::string& line : plcLines)
    script += " --plc " + Quoted(line);
  if (!channel_.Open(script, kStartMs, why)) return false;
  running_ = true;
  std::string ready;
  unsigned port = 0;
  if (!channel_.ReadLine(&ready, kStartMs) ||
      std::sscanf(ready.c_str(), "ready port=%u", &port) != 1 || port == 0 || port > 65535) {
    *why = "no ready line from the simulator (" + ready + "); its log:\n" + LogText();
    Stop();
    return false;
  }
  port_ = static_cast<uint16_t>(port);
  return true;
}

std::string PlcSimulator::Command(const std::string& line) {
  std::string answer;
  if (!running_ || !channel_.WriteLine(line) || !channel_.ReadLine(&answer, kAnswerMs)) return {};
  return answer;
}

std::vector<uint8_t> PlcSimulator::Get(int plc, const std::string& area, int byte, int count) {
  return ParseHexAnswer(Command("get " + std::to_string(plc) + " " + area + " " +
                                std::to_string(byte) + " " + std::to_string(count)));
}

bool PlcSimulator::Set(int plc, const std::string& area, int byte,
                       const std::vector<uint8_t>& bytes) {
  std::string line = "set " + std::to_string(plc) + " " + area + " " + std::to_string(byte) + " ";
  char hex[3];
  line += "0x";
  for (uint8_t value : bytes) {
    std::snprintf(hex, sizeof hex, "%02X", value);
    line += hex;
  }
  return Command(line).rfind("ok", 0) == 0;
}

bool PlcSimulator::Stop() {
  if (!running_) return true;
  running_ = false;
  channel_.WriteLine("quit");
  return channel_.Close(kStopMs);
}

std::string PlcSimulator::LogText() {
  std::ifstream file(kLogFile, std::ios::binary);
  std::ostringstream text;
  text << file.rdbuf();
  return text.str();
}

std::vector<uint8_t> ParseHexAnswer(const std::string& answer) {
  std::istringstream words(answer);
  std::string word;
  std::vector<uint8_t> bytes;
  if (!(words >> word) || word != "ok") return bytes;
  while (words >> word)
    bytes.push_back(static_cast<uint8_t>(std::strtoul(word.c_str(), nullptr, 16)));
  return bytes;
}

long StatusField(const std::string& answer, const std::string& key) {
  const std::size_t at = answer.find(" " + key + "=");
  if (at == std::string::npos) return -1;
  return std::strtol(answer.c_str() + at + key.size() + 2, nullptr, 10);
}

}  // namespace zan::e2e
