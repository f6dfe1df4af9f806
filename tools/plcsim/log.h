// The simulator's log: one line per event, handed to a sink (standard error, a file, or a test's
// list). Lines of every connection, fault and failure are always written; the line of each
// request only when verbose.
#ifndef ZAN_PLCSIM_LOG_H_
#define ZAN_PLCSIM_LOG_H_

#include <functional>
#include <string>
#include <utility>

namespace plcsim {

class Logger {
 public:
  using Sink = std::function<void(const std::string& line)>;

  explicit Logger(Sink sink, bool verbose = false) : sink_(std::move(sink)), verbose_(verbose) {}

  void Line(const std::string& line) const { sink_(line); }
  void Detail(const std::string& line) const {
    if (verbose_) sink_(line);
  }
  bool verbose() const { return verbose_; }
  void set_verbose(bool verbose) { verbose_ = verbose; }

 private:
  Sink sink_;
  bool verbose_;
};

}  // namespace plcsim

#endif  // ZAN_PLCSIM_LOG_H_
