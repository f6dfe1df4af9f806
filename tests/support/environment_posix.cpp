#include <cstdlib>

#include "support/environment.h"

namespace zan::testing {

bool SetEnvironment(const char* name, const char* value) {
  if (value[0] == '\0') return unsetenv(name) == 0;
  return setenv(name, value, 1) == 0;
}

}  // namespace zan::testing
