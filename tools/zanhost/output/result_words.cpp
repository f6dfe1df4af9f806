#include "output/result_words.h"

#include "core/host_interface.h"

namespace zanhost {

std::string ResultWord(int32_t result) {
  switch (result) {
    case kResultDone:
      return "done";
    case kResultRefused:
      return "refused";
    case kResultUnreachable:
      return "unreachable";
    case kResultEditorCancelled:
      return "cancelled";
    default:
      return "result " + std::to_string(result);
  }
}

std::string ResultMeaning(int32_t result) {
  switch (result) {
    case kResultDone:
      return "done";
    case kResultRefused:
      return "refused: the PLC answered with an error, the kind cannot be read or written, or the "
             "cache block holds no valid data";
    case kResultUnreachable:
      return "unreachable: no connection to the PLC, no answer in time, or neither PLC of a "
             "master/backup pair usable";
    case kResultEditorCancelled:
      return "cancelled: the address editor was cancelled or is already open";
    default:
      return "unknown result " + std::to_string(result);
  }
}

int ExitCodeForResult(int32_t result) {
  if (result == kResultDone) return kExitOk;
  if (result == kResultUnreachable) return kExitUnreachable;
  return kExitRefused;
}

}  // namespace zanhost
