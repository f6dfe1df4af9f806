#include <cstdio>

#include "entry/version_text.h"
#include "zan_version.h"

namespace zan {

void ModuleVersionText(char* text, std::size_t size) {
  std::snprintf(text, size, "Version : %d,%d,%d,%d", ZAN_FILE_VERSION_1, ZAN_FILE_VERSION_2,
                ZAN_FILE_VERSION_3, ZAN_FILE_VERSION_4);
}

}  // namespace zan
