#include "poll_table.h"

#include <cstdio>

#include "failure_report.h"
#include "host_types.h"
#include "json_writer.h"
#include "plc_state_words.h"
#include "result_words.h"
#include "tag_report.h"

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

}  // namespace

PollTable::PollTable(HostSession& session) : session_(session) {
  for (const ListedPlc& plc : session.plcs()) {
    PlcRow row;
    row.plc = plc;
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
  for (const TagSpec& spec : specs) {
    Row row;
    row.tag.name = spec.name;
    row.tag.text = spec.address;
    row.tag.hostType = spec.hostType;
    row.tag.count = spec.count;
    row.defined = session_.DefineTag(row.tag);
    if (row.defined) ++accepted;
    rows_.push_back(row);
  }
  return accepted;
}

std::vector<std::string> PollTable::RunRound() {
  std::vector<std::string> lines;
  for (Row& row : rows_) {
    if (!row.defined) continue;
    ValueBuffer values(row.tag.count);
    row.result = session_.Read(row.tag, values, false, &row.servedBy);
    row.values.clear();
    const std::vector<std::string> tagLines = session_.TakeLog(false);
    lines.insert(lines.end(), tagLines.begin(), tagLines.end());
    row.failure.clear();
    if (row.result != 0) {
      row.failure = ExplainFailure(session_, row.tag, row.result, row.servedBy).words;
      continue;
    }
    const int32_t shown = LayoutOfKind(row.tag.kind) == CellLayout::kText ? 1 : row.tag.count;
    for (int32_t i = 0; i < shown; ++i) {
      TagValue value = DecodeValue(values, row.tag.kind, row.tag.hostType, i, false);
      // ReadBlock hands over the whole word; the host takes a bit tag's bit itself.
      if (row.tag.bit != 255 && value.layout != CellLayout::kText) {
        value.integer = (static_cast<uint64_t>(value.integer) >> (row.tag.bit & 31)) & 1;
      }
      row.values.push_back(value);
    }
  }
  for (PlcRow& row : plcs_) {
    ValueBuffer values(1);
    row.status = -1;
    if (session_.Read(row.statusTag, values, false) == 0) {
      row.status =
          static_cast<int>(DecodeValue(values, row.statusTag.kind, kHostWord, 0, false).integer);
    }
    row.word =
        session_.state() != nullptr ? PlcStateWord(*session_.state(), row.plc.number) : "unknown";
  }
  const std::vector<std::string> statusLines = session_.TakeLog(false);
  lines.insert(lines.end(), statusLines.begin(), statusLines.end());
  for (const std::string& line : lines) {
    recentLog_.push_back(line);
    if (recentLog_.size() > kRecentLogLines) recentLog_.pop_front();
  }
  return lines;
}

std::string PollTable::ValuesText(const Row& row, std::size_t limit) const {
  std::string text;
  for (std::size_t i = 0; i < row.values.size() && i < limit; ++i) {
    text += (i == 0 ? "" : " ") + row.values[i].ToText();
  }
  if (row.values.size() > limit) text += " ...";
  return text;
}

std::vector<std::string> PollTable::TableLines(const std::string& title) const {
  std::vector<std::string> lines;
  lines.push_back(title);
  lines.push_back("");
  lines.push_back(Padded("TAG", 12) + Padded("ADDRESS", 17) + Padded("TYPE", 8) +
                  Padded("RESULT", 13) + Padded("PLC", 5) + "VALUE");
  for (const Row& row : rows_) {
    std::string line = Padded(row.tag.name, 12) + Padded(row.tag.text, 17) +
                       Padded(HostTypeName(row.tag.hostType), 8);
    if (!row.defined) {
      line += "refused: " + row.tag.refusal;
    } else if (row.result < 0) {
      line += Padded("-", 13);
    } else {
      line += Padded(ResultWord(row.result), 13) + Padded(PlcText(row.servedBy), 5) +
              (row.result == 0 ? ValuesText(row, kValuesInTable) : row.failure);
    }
    lines.push_back(line);
  }
  lines.push_back("");
  lines.push_back(Padded("PLC", 5) + Padded("TYPE", 6) + Padded("ADDRESS", 17) +
                  Padded("BACKUP", 8) + "STATUS");
  for (const PlcRow& row : plcs_) {
    lines.push_back(Padded(std::to_string(row.plc.number), 5) +
                    Padded(PlcTypeName(row.plc.type), 6) + Padded(row.plc.ipAddress, 17) +
                    Padded(row.plc.backup ? std::to_string(row.plc.backup) : "-", 8) + row.word);
  }
  lines.push_back("");
  lines.push_back("driver log:");
  for (const std::string& line : recentLog_)
    lines.push_back("  " + line);
  return lines;
}

std::vector<std::string> PollTable::PlainLines(int round) const {
  std::vector<std::string> lines;
  const std::string prefix = "round " + std::to_string(round) + ": ";
  for (const Row& row : rows_) {
    std::string line = prefix + row.tag.name + " " + row.tag.text + " ";
    if (!row.defined) {
      line += "refused: " + row.tag.refusal;
    } else if (row.result != 0) {
      line += ResultWord(row.result) + (row.failure.empty() ? "" : ": " + row.failure);
    } else {
      line += "= " + ValuesText(row, row.values.size());
      if (row.servedBy < 256) line += " (PLC " + std::to_string(row.servedBy) + ")";
    }
    lines.push_back(line);
  }
  std::string status = prefix + "status";
  for (const PlcRow& row : plcs_) {
    status += " PLC " + std::to_string(row.plc.number) + " " + row.word + ";";
  }
  if (!plcs_.empty()) status.pop_back();
  lines.push_back(status);
  return lines;
}

std::vector<std::string> PollTable::JsonLines(int round) const {
  std::vector<std::string> lines;
  for (const Row& row : rows_) {
    JsonObject object;
    object.Add("round", round).Add("name", row.tag.name);
    if (!row.defined) {
      object.Add("address", row.tag.text).Add("type", HostTypeName(row.tag.hostType));
      object.Add("result", 1).Add("resultWord", "refused").Add("refusal", row.tag.refusal);
    } else {
      object.Add("address", row.tag.text)
          .Add("type", HostTypeName(row.tag.hostType))
          .Add("result", row.result)
          .Add("resultWord", ResultWord(row.result))
          .Add("servedBy", row.servedBy);
      if (!row.failure.empty()) object.Add("failure", row.failure);
      std::vector<std::string> values;
      for (const TagValue& value : row.values)
        values.push_back(value.ToJson());
      if (row.result == 0 && row.values.size() == 1) {
        object.AddRaw("value", values.front());
      } else if (row.result == 0) {
        object.AddRaw("values", JsonArray(values));
      }
    }
    lines.push_back(object.str());
  }
  for (const PlcRow& row : plcs_) {
    JsonObject object;
    object.Add("round", round)
        .Add("plc", row.plc.number)
        .Add("status", row.status)
        .Add("statusWord", row.word);
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
  return row == nullptr || row->result != 0 ? "" : ValuesText(*row, row->values.size());
}

int PollTable::ResultOf(const std::string& name) const {
  const Row* row = Find(name);
  return row == nullptr ? -1 : row->result;
}

int PollTable::StatusOf(int plc) const {
  for (const PlcRow& row : plcs_) {
    if (row.plc.number == plc) return row.status;
  }
  return -1;
}

int PollTable::ServedBy(const std::string& name) const {
  const Row* row = Find(name);
  return row == nullptr ? 0 : row->servedBy;
}

}  // namespace zanhost
