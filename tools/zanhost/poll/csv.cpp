#include "poll/csv.h"

#include <cerrno>
#include <cstring>

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

bool PollCsv::Failed(std::string& error) {
  error = "cannot write the CSV file " + path_ + ": " + std::strerror(errno);
  std::fclose(file_);
  file_ = nullptr;
  return false;
}

bool PollCsv::Open(const std::string& path, std::string& error) {
  path_ = path;
  errno = 0;
  file_ = std::fopen(path.c_str(), "wb");
  if (file_ == nullptr) {
    error = "cannot write the CSV file " + path + ": " + std::strerror(errno);
    return false;
  }
  // The header goes out at once: a file that takes no bytes is found before the first round.
  if (std::fputs("time,tag,address,value,result,served_by\r\n", file_) == EOF ||
      std::fflush(file_) != 0) {
    return Failed(error);
  }
  return true;
}

bool PollCsv::Write(const PollRound& round, const std::vector<bool>* shown, std::string& error) {
  if (file_ == nullptr) return true;
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
    if (std::fputs(row.c_str(), file_) == EOF) return Failed(error);
  }
  if (std::fflush(file_) != 0) return Failed(error);
  return true;
}

}  // namespace zanhost
