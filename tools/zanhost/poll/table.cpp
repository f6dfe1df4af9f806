#include "poll/table.h"

#include <cstdio>

#include "address/tag_address.h"
#include "output/json_writer.h"
#include "output/result_words.h"
#include "session/tag_report.h"
#include "tags/host_types.h"

namespace zanhost {

namespace {

constexpr std::size_t kRecentLogLines = 6;
constexpr std::size_t kValuesInTable = 6;

std::string Padded(const std::string& text, std::size_t width) {
  if (text.size() >= width) return text.substr(0, width - 1) + " ";
  return text + std::string(width - text.size(), ' ');
}

// The PLC that served a read; status and heartbeat tags carry 256 and above, and name none.
std::string PlcText(int32_t plc) {
  return plc < 256 ? std::to_string(plc) : "-";
}

std::string ValuesText(const TagReading& reading, std::size_t limit) {
  std::string text;
  for (std::size_t i = 0; i < reading.values.size() && i < limit; ++i) {
    text += (i == 0 ? "" : " ") + reading.values[i].ToText();
  }
  if (reading.values.size() > limit) text += " ...";
  return text;
}

bool Shown(const std::vector<bool>* shown, std::size_t index) {
  return shown == nullptr || index >= shown->size() || (*shown)[index];
}

}  // namespace

PollTable::PollTable(HostSession& session, bool plan)
    : session_(session), driver_(session), rounds_(driver_), plan_(plan) {
  for (const ListedPlc& plc : session.plcs()) {
    PlcRow row;
    row.plc = plc;
    row.reading.number = plc.number;
    char text[8];
    std::snprintf(text, sizeof text, "!%02d", plc.number);
    row.statusTag.text = text;
    row.statusTag.hostType = kHostWord;
    plcs_.push_back(row);
  }
  for (PlcRow& row : plcs_)
    session_.DefineTag(row.statusTag);
}

int PollTable::Define(const std::vector<TagSpec>& specs) {
  int accepted = 0;
  for (const TagSpec& declared : specs) {
    Row row;
    row.tag = TagOfSpec(declared);
    row.reading.name = declared.name;
    row.reading.address = declared.address;
    row.reading.type = HostTypeName(declared.hostType);
    row.reading.defined = session_.DefineTag(row.tag);
    row.reading.plc = row.tag.plc & 0xFF;
    // Status and heartbeat tags (PLC 256 and up) always read the PLC they name, never its backup.
    const DriverState* state = session_.state();
    if (state != nullptr && row.reading.defined && row.tag.plc < zan::kStatusPlc)
      row.reading.backup = state->plcs[row.reading.plc].backupPlc;
    if (row.reading.defined) {
      ++accepted;
    } else {
      const std::string hint = RefusalHint(session_, row.tag);
      row.reading.failure = row.tag.refusal + (hint.empty() ? "" : "; " + hint);
    }
    rows_.push_back(row);
  }
  std::vector<Tag> tags;
  std::vector<bool> defined;
  for (const Row& row : rows_) {
    tags.push_back(row.tag);
    defined.push_back(row.reading.defined);
  }
  rounds_.Prepare(tags, defined, plan_);
  return accepted;
}

std::vector<std::string> PollTable::RunRound() {
  std::vector<std::string> lines;
  rounds_.Round([&](int index, const TagRead& read) {
    TagReading& reading = rows_[index].reading;
    reading.result = read.result;
    reading.servedBy = read.servedBy;
    reading.values = read.values;
    reading.failure = read.failure;
    reading.outcome = read.outcome;
    reading.unread = read.unread;
    const std::vector<std::string> tagLines = driver_.TakeLog();
    lines.insert(lines.end(), tagLines.begin(), tagLines.end());
  });
  for (PlcRow& row : plcs_) {
    ValueBuffer values(1);
    row.reading.status = -1;
    if (session_.Read(row.statusTag, values, false) == 0) {
      row.reading.status =
          static_cast<int>(DecodeValue(values, row.statusTag.kind, kHostWord, 0, false).integer);
    }
    row.reading.word = session_.PlcWord(row.plc.number);
  }
  const std::vector<std::string> statusLines = driver_.TakeLog();
  lines.insert(lines.end(), statusLines.begin(), statusLines.end());
  for (const std::string& line : lines) {
    recentLog_.push_back(line);
    if (recentLog_.size() > kRecentLogLines) recentLog_.pop_front();
  }
  return lines;
}

void PollTable::AddEvent(const std::string& line) {
  recentLog_.push_back("zanhost: " + line);
  if (recentLog_.size() > kRecentLogLines) recentLog_.pop_front();
}

PollRound PollTable::Round(int number, int64_t time) const {
  PollRound round;
  round.number = number;
  round.time = time;
  for (const Row& row : rows_)
    round.tags.push_back(row.reading);
  for (const PlcRow& row : plcs_)
    round.plcs.push_back(row.reading);
  return round;
}

std::vector<std::string> PollTable::TableLines(const std::string& title) const {
  std::vector<std::string> lines;
  lines.push_back(title);
  lines.push_back("");
  lines.push_back(Padded("TAG", 12) + Padded("ADDRESS", 17) + Padded("TYPE", 8) +
                  Padded("RESULT", 13) + Padded("PLC", 5) + "VALUE");
  for (const Row& row : rows_) {
    const TagReading& reading = row.reading;
    std::string line =
        Padded(reading.name, 12) + Padded(reading.address, 17) + Padded(reading.type, 8);
    if (!reading.defined) {
      line += "refused: " + reading.failure;
    } else if (reading.result < 0) {
      line += Padded("-", 13);
    } else {
      line += Padded(reading.outcome.empty() ? ResultWord(reading.result) : reading.outcome, 13) +
              Padded(PlcText(reading.servedBy), 5) +
              (reading.noValue()     ? reading.unread
               : reading.result == 0 ? ValuesText(reading, kValuesInTable)
                                     : reading.failure);
    }
    lines.push_back(line);
  }
  lines.push_back("");
  lines.push_back(Padded("PLC", 5) + Padded("TYPE", 6) + Padded("ADDRESS", 17) +
                  Padded("BACKUP", 8) + "STATUS");
  for (const PlcRow& row : plcs_) {
    lines.push_back(Padded(std::to_string(row.plc.number), 5) +
                    Padded(PlcTypeName(row.plc.type), 6) + Padded(row.plc.ipAddress, 17) +
                    Padded(row.plc.backup ? std::to_string(row.plc.backup) : "-", 8) +
                    row.reading.word + NoteOf(row.plc.number));
  }
  lines.push_back("");
  lines.push_back("driver log:");
  for (const std::string& line : recentLog_)
    lines.push_back("  " + line);
  return lines;
}

std::vector<std::string> PollTable::PlainLines(int round, const std::string& stamp,
                                               const std::vector<bool>* shown) const {
  std::vector<std::string> lines;
  const std::string prefix =
      (stamp.empty() ? "" : stamp + " ") + "round " + std::to_string(round) + ": ";
  for (std::size_t i = 0; i < rows_.size(); ++i) {
    if (!Shown(shown, i)) continue;
    const TagReading& reading = rows_[i].reading;
    std::string line = prefix + reading.name + " " + reading.address + " ";
    if (reading.ok()) {
      line += "= " + reading.ValueText();
      if (reading.servedBy < 256) line += " (PLC " + std::to_string(reading.servedBy) + ")";
    } else {
      line += reading.ResultText();
    }
    lines.push_back(line);
  }
  if (!Shown(shown, rows_.size())) return lines;
  std::string status = prefix + "status";
  for (const PlcRow& row : plcs_)
    status += " PLC " + std::to_string(row.plc.number) + " " + row.reading.word +
              NoteOf(row.plc.number) + ";";
  if (!plcs_.empty()) status.pop_back();
  lines.push_back(status);
  return lines;
}

std::vector<std::string> PollTable::JsonLines(int round, const std::string& time,
                                              const std::vector<bool>* shown) const {
  std::vector<std::string> lines;
  auto begin = [&](JsonObject& object) {
    if (!time.empty()) object.Add("time", time);
    object.Add("round", round);
  };
  for (std::size_t i = 0; i < rows_.size(); ++i) {
    if (!Shown(shown, i)) continue;
    const TagReading& reading = rows_[i].reading;
    JsonObject object;
    begin(object);
    object.Add("name", reading.name).Add("address", reading.address).Add("type", reading.type);
    if (!reading.defined) {
      object.Add("result", 1).Add("resultWord", "refused").Add("refusal", reading.failure);
    } else {
      object.Add("result", reading.result)
          .Add("resultWord", reading.outcome.empty() ? ResultWord(reading.result) : reading.outcome)
          .Add("servedBy", reading.servedBy);
      if (!reading.failure.empty()) object.Add("failure", reading.failure);
      if (reading.noValue()) object.Add("noValue", reading.unread);
      std::vector<std::string> values;
      for (const TagValue& value : reading.values)
        values.push_back(value.ToJson());
      if (reading.ok() && reading.values.size() == 1) {
        object.AddRaw("value", values.front());
      } else if (reading.ok()) {
        object.AddRaw("values", JsonArray(values));
      }
    }
    lines.push_back(object.str());
  }
  if (!Shown(shown, rows_.size())) return lines;
  for (const PlcRow& row : plcs_) {
    JsonObject object;
    begin(object);
    object.Add("plc", row.plc.number)
        .Add("status", row.reading.status)
        .Add("statusWord", row.reading.word);
    const std::string note = plcNote_ ? plcNote_(row.plc.number) : "";
    if (!note.empty()) object.Add("note", note);
    lines.push_back(object.str());
  }
  return lines;
}

const PollTable::Row* PollTable::Find(const std::string& name) const {
  for (const Row& row : rows_) {
    if (row.tag.name == name) return &row;
  }
  return nullptr;
}

std::string PollTable::ValueOf(const std::string& name) const {
  const Row* row = Find(name);
  return row == nullptr || row->reading.result != 0 ? "" : row->reading.ValueText();
}

int PollTable::ResultOf(const std::string& name) const {
  const Row* row = Find(name);
  return row == nullptr ? -1 : row->reading.result;
}

int PollTable::StatusOf(int plc) const {
  for (const PlcRow& row : plcs_) {
    if (row.plc.number == plc) return row.reading.status;
  }
  return -1;
}

std::string PollTable::NoteOf(int plc) const {
  const std::string note = plcNote_ ? plcNote_(plc) : "";
  return note.empty() ? "" : " (" + note + ")";
}

int PollTable::ServedBy(const std::string& name) const {
  const Row* row = Find(name);
  return row == nullptr ? 0 : row->reading.servedBy;
}

}  // namespace zanhost
