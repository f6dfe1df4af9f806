#include "poll/recorder.h"

#include <cerrno>
#include <cstring>

namespace zanhost {

PollRecorder::~PollRecorder() {
  if (report_ != nullptr) std::fclose(report_);
}

bool PollRecorder::Open(const PollRecordOptions& options, std::string& error) {
  options_ = options;
  if (!options_.csvFile.empty() && !csv_.Open(options_.csvFile, error)) return false;
  if (!options_.reportFile.empty()) {
    errno = 0;
    report_ = std::fopen(options_.reportFile.c_str(), "wb");
    if (report_ == nullptr) {
      error = "cannot write the report " + options_.reportFile + ": " + std::strerror(errno);
      return false;
    }
  }
  return true;
}

bool PollRecorder::Record(const PollRound& round, const std::vector<bool>*& shown,
                          std::string& error) {
  shown = nullptr;
  if (options_.changes) {
    shown_ = filter_.Changed(round);
    shown = &shown_;
  }
  summary_.Add(round);
  if (!options_.reportFile.empty()) reportPage_.Add(round);
  return options_.csvFile.empty() || csv_.Write(round, shown, error);
}

bool PollRecorder::Finish(std::string& error) {
  if (report_ == nullptr) return true;
  const bool written = WritePage(report_, reportPage_.Html(options_.title, summary_));
  const bool closed = std::fclose(report_) == 0;
  report_ = nullptr;
  if (!written || !closed) {
    error = "cannot write the report " + options_.reportFile + ": " + std::strerror(errno);
    return false;
  }
  return true;
}

}  // namespace zanhost
