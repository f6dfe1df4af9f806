#include "poll/recorder.h"

namespace zanhost {

bool PollRecorder::Open(const PollRecordOptions& options, std::string& error) {
  options_ = options;
  return options_.csvFile.empty() || csv_.Open(options_.csvFile, error);
}

const std::vector<bool>* PollRecorder::Record(const PollRound& round) {
  const std::vector<bool>* shown = nullptr;
  if (options_.changes) {
    shown_ = filter_.Changed(round);
    shown = &shown_;
  }
  if (!options_.csvFile.empty()) csv_.Write(round, shown);
  summary_.Add(round);
  if (!options_.reportFile.empty()) report_.Add(round);
  return shown;
}

bool PollRecorder::Finish(std::string& error) const {
  return options_.reportFile.empty() ||
         report_.Write(options_.reportFile, options_.title, summary_, error);
}

}  // namespace zanhost
