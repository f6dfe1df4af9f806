#include "session/plc_list.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <fstream>
#include <sstream>

namespace zanhost {

namespace {

constexpr int kMaxTagPlc = 99;  // tag addresses name PLCs by two digits

ListedPlc& Row(std::vector<ListedPlc>& plcs, int number) {
  for (ListedPlc& plc : plcs) {
    if (plc.number == number) return plc;
  }
  plcs.push_back(ListedPlc{});
  plcs.back().number = number;
  return plcs.back();
}

// Blanks before the first comma are not part of the line; everything is compared in upper case.
std::string Normalise(const std::string& line) {
  std::string out;
  bool beforeComma = true;
  for (char c : line) {
    if (c == ',') beforeComma = false;
    if (static_cast<unsigned char>(c) <= ' ' && (beforeComma || c != ' ')) continue;
    out += static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  }
  return out;
}

}  // namespace

std::vector<ListedPlc> ListPlcs(const std::string& configurationText) {
  std::vector<ListedPlc> plcs;
  std::stringstream stream(configurationText);
  std::string raw;
  while (std::getline(stream, raw)) {
    const std::string line = Normalise(raw);
    if (line.rfind("//", 0) == 0 || line.find("LONG_DB") != std::string::npos ||
        line.find("COMM_TRACE") != std::string::npos ||
        line.find("FLOAT_ODD_ADDRESS") != std::string::npos) {
      continue;
    }
    std::size_t backup = line.find("BACKUP_");
    int n = 0;
    int m = 0;
    if (backup != std::string::npos) {
      if (std::sscanf(line.c_str() + backup + 7, "%d=%d", &n, &m) == 2 && n >= 1 &&
          n <= kMaxTagPlc && m >= 1 && m <= kMaxTagPlc) {
        Row(plcs, n).backup = m;
      }
      continue;
    }
    int a = 0, b = 0, c = 0, d = 0;
    if (std::sscanf(line.c_str(), " %d = %d ", &n, &m) != 2 || n < 1 || n > kMaxTagPlc || m < 5 ||
        m > 7) {
      continue;
    }
    std::size_t comma = line.find(',');
    if (comma == std::string::npos) continue;
    ListedPlc& plc = Row(plcs, n);
    plc.type = m;
    if (std::sscanf(line.c_str() + comma + 1, " %d . %d . %d . %d", &a, &b, &c, &d) == 4) {
      plc.ipAddress = std::to_string(a) + "." + std::to_string(b) + "." + std::to_string(c) + "." +
                      std::to_string(d);
    }
  }
  // A backup line for a number without a PLC line names no PLC of ours.
  plcs.erase(
      std::remove_if(plcs.begin(), plcs.end(), [](const ListedPlc& p) { return p.type == 0; }),
      plcs.end());
  std::sort(plcs.begin(), plcs.end(),
            [](const ListedPlc& x, const ListedPlc& y) { return x.number < y.number; });
  return plcs;
}

std::vector<ListedPlc> ListPlcsOfFile(const std::string& path) {
  std::ifstream file(path, std::ios::binary);
  if (!file) return {};
  std::stringstream text;
  text << file.rdbuf();
  return ListPlcs(text.str());
}

const ListedPlc* FindPlc(const std::vector<ListedPlc>& plcs, int number) {
  for (const ListedPlc& plc : plcs) {
    if (plc.number == number) return &plc;
  }
  return nullptr;
}

std::string PlcTypeName(int type) {
  if (type == 7) return "S7";
  if (type == 5) return "S5";
  return "type " + std::to_string(type);
}

}  // namespace zanhost
