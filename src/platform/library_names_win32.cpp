#include "platform/library_names.h"

namespace zan::platform {

const char kDriverLibrary[] = "zanwndor.dll";
const char kHostServicesLibrary[] = "KORPRO.dll";
const char kTransportLibrary[] = "Quaxnet.dll";

}  // namespace zan::platform
