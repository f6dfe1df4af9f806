#include <windows.h>

#include "os/child_process.h"

namespace zanhost {

namespace {

class Win32Child : public ChildProcess {
 public:
  Win32Child(HANDLE process, HANDLE input, HANDLE output)
      : process_(process), input_(input), output_(output) {}
  ~Win32Child() override { Finish(2000); }

  bool ReadLine(std::string& line) override {
    line.clear();
    while (true) {
      std::size_t end = buffered_.find('\n');
      if (end != std::string::npos) {
        line = buffered_.substr(0, end);
        buffered_.erase(0, end + 1);
        if (!line.empty() && line.back() == '\r') line.pop_back();
        return true;
      }
      char chunk[512];
      DWORD got = 0;
      if (output_ == nullptr || !ReadFile(output_, chunk, sizeof chunk, &got, nullptr) ||
          got == 0) {
        return false;
      }
      buffered_.append(chunk, got);
    }
  }

  bool WriteLine(const std::string& line) override {
    if (input_ == nullptr) return false;
    const std::string text = line + "\n";
    DWORD wrote = 0;
    return WriteFile(input_, text.data(), static_cast<DWORD>(text.size()), &wrote, nullptr) &&
           wrote == text.size();
  }

  int Finish(int milliseconds) override {
    if (process_ == nullptr) return exitCode_;
    if (input_ != nullptr) CloseHandle(input_);
    input_ = nullptr;
    if (WaitForSingleObject(process_, static_cast<DWORD>(milliseconds)) != WAIT_OBJECT_0) {
      TerminateProcess(process_, 1);
      WaitForSingleObject(process_, INFINITE);
      exitCode_ = -1;
    } else {
      DWORD code = 0;
      GetExitCodeProcess(process_, &code);
      exitCode_ = static_cast<int>(code);
    }
    CloseHandle(process_);
    process_ = nullptr;
    if (output_ != nullptr) CloseHandle(output_);
    output_ = nullptr;
    return exitCode_;
  }

 private:
  HANDLE process_;
  HANDLE input_;
  HANDLE output_;
  int exitCode_ = -1;
  std::string buffered_;
};

std::string Quoted(const std::string& argument) {
  if (!argument.empty() && argument.find_first_of(" \t\"") == std::string::npos) return argument;
  std::string out = "\"";
  for (char c : argument) {
    if (c == '"') out += '\\';
    out += c;
  }
  return out + "\"";
}

std::string LastError() {
  char text[256] = {};
  FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr,
                 GetLastError(), 0, text, sizeof text, nullptr);
  std::string message = text;
  while (!message.empty() && (message.back() == '\n' || message.back() == '\r'))
    message.pop_back();
  return message;
}

}  // namespace

std::unique_ptr<ChildProcess> StartChildProcess(const std::string& program,
                                                const std::vector<std::string>& arguments,
                                                const std::string& errorFile, std::string& error) {
  SECURITY_ATTRIBUTES inherit{sizeof(SECURITY_ATTRIBUTES), nullptr, TRUE};
  HANDLE childInput = nullptr, toChild = nullptr, fromChild = nullptr, childOutput = nullptr;
  if (!CreatePipe(&childInput, &toChild, &inherit, 0) ||
      !CreatePipe(&fromChild, &childOutput, &inherit, 0)) {
    error = LastError();
    return nullptr;
  }
  // Our ends stay ours.
  SetHandleInformation(toChild, HANDLE_FLAG_INHERIT, 0);
  SetHandleInformation(fromChild, HANDLE_FLAG_INHERIT, 0);
  HANDLE childError =
      CreateFileA(errorFile.c_str(), FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE, &inherit,
                  OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  STARTUPINFOA startup{};
  startup.cb = sizeof startup;
  startup.dwFlags = STARTF_USESTDHANDLES;
  startup.hStdInput = childInput;
  startup.hStdOutput = childOutput;
  startup.hStdError =
      childError != INVALID_HANDLE_VALUE ? childError : GetStdHandle(STD_ERROR_HANDLE);
  std::string commandLine = Quoted(program);
  for (const std::string& argument : arguments)
    commandLine += " " + Quoted(argument);
  PROCESS_INFORMATION started{};
  const BOOL ok = CreateProcessA(program.c_str(), commandLine.data(), nullptr, nullptr, TRUE, 0,
                                 nullptr, nullptr, &startup, &started);
  if (!ok) error = LastError();
  CloseHandle(childInput);
  CloseHandle(childOutput);
  if (childError != INVALID_HANDLE_VALUE) CloseHandle(childError);
  if (!ok) {
    CloseHandle(toChild);
    CloseHandle(fromChild);
    return nullptr;
  }
  CloseHandle(started.hThread);
  return std::make_unique<Win32Child>(started.hProcess, toChild, fromChild);
}

}  // namespace zanhost
