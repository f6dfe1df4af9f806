// A child process whose standard input and output are pipes of ours and whose standard error goes
// to a file: the simulator, driven line by line. os/child_process_posix.cpp and
// os/child_process_win32.cpp implement it.
#ifndef ZAN_TOOLS_ZANHOST_OS_CHILD_PROCESS_H_
#define ZAN_TOOLS_ZANHOST_OS_CHILD_PROCESS_H_

#include <memory>
#include <string>
#include <vector>

namespace zanhost {

class ChildProcess {
 public:
  virtual ~ChildProcess() = default;

  // One line of the child's standard output, without its line end; false at its end.
  virtual bool ReadLine(std::string& line) = 0;
  // Writes the text and a line feed to the child's standard input; false when the pipe is closed.
  virtual bool WriteLine(const std::string& line) = 0;
  // Closes the child's standard input and waits for it to end, at most `milliseconds`, then ends
  // it by force. Returns its exit code, or -1 when it had to be ended.
  virtual int Finish(int milliseconds) = 0;
};

// Starts `program` with `arguments`; its standard error is appended to `errorFile`. nullptr, with
// the reason in `error`, when it cannot be started.
std::unique_ptr<ChildProcess> StartChildProcess(const std::string& program,
                                                const std::vector<std::string>& arguments,
                                                const std::string& errorFile, std::string& error);

}  // namespace zanhost

#endif  // ZAN_TOOLS_ZANHOST_OS_CHILD_PROCESS_H_
