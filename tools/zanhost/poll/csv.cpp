#include "poll/csv.h"

#include "output/wall_time.h"

namespace zanhost {

std::string CsvField(const std::string& text) {
  if (text.find_first_of(",\"\r\n") == std::string::npos) return text;
  std::string field = "\"";
  for (char c : text) {
    if (c == '"') field += '"';
    field += c;
  }
  return field + "\"";
}

PollCsv::~PollCsv() {
  if (file_ != nullptr) std::fclose(file_);
}

bool PollCsv::Open(const std::string& path, std::string& error) {
  file_ = std::fopen(path.c_str(), "wb");
  if (file_ == nullptr) {
    error = "cannot write the CSV file " + path;
    return false;
  }
  std::fputs("time,tag,address,value,result,served_by\r\n", file_);
  std::fflush(file_);
  return true;
}

void PollCsv::Write(const PollRound& round, const std::vector<bool>* shown) {
  if (file_ == nullptr) return;
  const std::string time = IsoStamp(round.time);
  for (std::size_t i = 0; i < round.tags.size(); ++i) {
    if (shown != nullptr && i < shown->size() && !(*shown)[i]) continue;
    const TagReading& tag = round.tags[i];
    const std::string servedBy = tag.result >= 0 && tag.servedBy > 0 && tag.servedBy < 256
                                     ? std::to_string(tag.servedBy)
                                     : "";
    const std::string row = time + "," + CsvField(tag.name) + "," + CsvField(tag.address) + "," +
                            CsvField(tag.ValueText()) + "," + CsvField(tag.ResultText()) + "," +
                            servedBy + "\r\n";
    std::fputs(row.c_str(), file_);
  }
  std::fflush(file_);
}

}  // namespace zanhost
