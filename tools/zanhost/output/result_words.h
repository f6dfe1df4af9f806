// The driver's result codes in words, and the exit codes of zanhost.
#ifndef ZAN_TOOLS_ZANHOST_OUTPUT_RESULT_WORDS_H_
#define ZAN_TOOLS_ZANHOST_OUTPUT_RESULT_WORDS_H_

#include <cstdint>
#include <string>

namespace zanhost {

// Exit codes of every command. A driver result of 1 or 2 becomes the exit code of the same number.
enum ExitCode : int {
  kExitOk = 0,
  kExitRefused = 1,      // the driver refused the tag or its data could not be obtained
  kExitUnreachable = 2,  // a PLC or the instance cannot be reached
  kExitSetup = 3,        // driver library, configuration, tag file or simulator not usable
  kExitUsage = 106,      // wrong usage; CLI11's own codes from there up
};

// One word for a result code: "done", "refused", "unreachable", "cancelled", else "result N".
std::string ResultWord(int32_t result);

// A short sentence that explains a result code of the read and write commands.
std::string ResultMeaning(int32_t result);

// The exit code for a driver result: 0, 1 or 2; any other code counts as refused.
int ExitCodeForResult(int32_t result);

}  // namespace zanhost

#endif  // ZAN_TOOLS_ZANHOST_OUTPUT_RESULT_WORDS_H_
