#include "platform/library_names.h"

namespace zan::platform {

const char kDriverLibrary[] = "libzanwndor.so";
const char kHostServicesLibrary[] = "libkorpro.so";
const char kTransportLibrary[] = "libquaxnet.so";

}  // namespace zan::platform
