#include "poll/summary.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "output/json_writer.h"
#include "output/wall_time.h"

namespace zanhost {
namespace {

std::string Padded(const std::string& text, std::size_t width) {
  return text.size() >= width ? text + " " : text + std::string(width - text.size(), ' ');
}

}  // namespace

std::string NumberText(double value) {
  if (std::nearbyint(value) == value && std::fabs(value) < 1e15) {
    char text[32];
    std::snprintf(text, sizeof text, "%.0f", value);
    return text;
  }
  char text[32];
  std::snprintf(text, sizeof text, "%.6g", value);
  return text;
}

void PollSummary::Add(const PollRound& round) {
  if (rounds_ == 0) first_ = round.time;
  last_ = round.time;
  ++rounds_;
  entries_.resize(std::max(entries_.size(), round.tags.size()));
  for (std::size_t i = 0; i < round.tags.size(); ++i) {
    const TagReading& tag = round.tags[i];
    Entry& entry = entries_[i];
    entry.name = tag.name;
    entry.address = tag.address;
    if (!tag.defined) {
      entry.last = tag.ResultText();
      entry.refusal = tag.failure.empty() ? "refused by the driver" : tag.failure;
      continue;
    }
    // A read that placed no value (a heartbeat's reconnect) brought nothing to count or compare.
    if (tag.noValue()) continue;
    ++entry.reads;
    if (!tag.ok()) ++entry.failures;
    const std::string now = tag.ok() ? tag.ValueText() : tag.ResultText();
    // A tag that was never read has no value that could change, whatever its failures said.
    if (entry.reads > 1 && now != entry.last && (entry.everRead || tag.ok()))
      entry.lastChange = round.time;
    entry.everRead = entry.everRead || tag.ok();
    entry.last = now;
    if (!tag.ok()) continue;
    for (const TagValue& value : tag.values) {
      double number = 0;
      if (!PlottedNumber(value, number)) continue;
      entry.min = entry.numeric ? std::min(entry.min, number) : number;
      entry.max = entry.numeric ? std::max(entry.max, number) : number;
      entry.numeric = true;
    }
  }
}

int PollSummary::refused() const {
  int count = 0;
  for (const Entry& entry : entries_)
    count += entry.refusal.empty() ? 0 : 1;
  return count;
}

std::vector<std::string> PollSummary::TextLines() const {
  std::vector<std::string> lines;
  lines.push_back("summary of " + std::to_string(rounds_) + " round" + (rounds_ == 1 ? "" : "s") +
                  (rounds_ > 0 ? ", " + LocalStamp(first_) + " to " + LocalStamp(last_) : "") +
                  ":");
  // The columns keep their places however wide a name, an address or a value is: each is as wide
  // as its widest cell and a blank (and no narrower than it always was).
  std::vector<std::vector<std::string>> rows = {
      {"TAG", "ADDRESS", "READS", "FAILED", "MIN", "MAX", "LAST CHANGE"}};
  for (const Entry& entry : entries_) {
    if (!entry.refusal.empty()) {
      rows.push_back({entry.name, entry.address, "refused: " + entry.refusal});
      continue;
    }
    rows.push_back({entry.name, entry.address, std::to_string(entry.reads),
                    std::to_string(entry.failures), entry.numeric ? NumberText(entry.min) : "-",
                    entry.numeric ? NumberText(entry.max) : "-",
                    entry.lastChange != 0 ? LocalStamp(entry.lastChange) : "never"});
  }
  std::vector<std::size_t> widths = {12, 17, 7, 8, 11, 11};
  for (const auto& row : rows) {
    // A refusal runs from the third column to the end of its line.
    const std::size_t measured = row.size() == 3 ? 2 : widths.size();
    for (std::size_t i = 0; i < measured && i + 1 < row.size(); ++i)
      widths[i] = std::max(widths[i], row[i].size() + 1);
  }
  for (const auto& row : rows) {
    std::string line;
    for (std::size_t i = 0; i + 1 < row.size(); ++i)
      line += Padded(row[i], widths[i]);
    lines.push_back(line + row.back());
  }
  return lines;
}

std::vector<std::string> PollSummary::JsonLines() const {
  std::vector<std::string> lines;
  for (const Entry& entry : entries_) {
    JsonObject object;
    object.Add("summary", "tag")
        .Add("name", entry.name)
        .Add("address", entry.address)
        .Add("rounds", rounds_)
        .Add("reads", entry.reads)
        .Add("failures", entry.failures);
    if (entry.numeric) {
      object.Add("min", entry.min).Add("max", entry.max);
    } else {
      object.AddNull("min").AddNull("max");
    }
    if (entry.lastChange != 0) {
      object.Add("lastChange", IsoStamp(entry.lastChange));
    } else {
      object.AddNull("lastChange");
    }
    if (!entry.refusal.empty()) object.Add("refused", entry.refusal);
    lines.push_back(object.str());
  }
  return lines;
}

}  // namespace zanhost
