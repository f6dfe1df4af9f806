#include <cstdlib>
#include <string>

#include "support/environment.h"

namespace zan::testing {

bool SetEnvironment(const char* name, const char* value) {
  // "NAME=" removes the variable.
  std::string assignment = std::string(name) + "=" + value;
  return _putenv(assignment.c_str()) == 0;
}

}  // namespace zan::testing
