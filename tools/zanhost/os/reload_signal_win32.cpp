#include "os/reload_signal.h"

namespace zanhost {

void CatchReloadSignal() {}

bool TakeReloadRequest() {
  return false;
}

}  // namespace zanhost
