#include "entry/version_text.h"

namespace zan {

// __DATE__ is "Mmm dd yyyy" with the day padded by a blank, exactly the form of the version line.
const char* BuildText() {
  return "compiled on " __DATE__ " at " __TIME__;
}

}  // namespace zan
