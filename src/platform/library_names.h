// File names of the libraries that the driver loads at run time, as each platform names them.
#ifndef ZAN_PLATFORM_LIBRARY_NAMES_H_
#define ZAN_PLATFORM_LIBRARY_NAMES_H_

namespace zan::platform {

extern const char kDriverLibrary[];        // zanwndor.dll, libzanwndor.so
extern const char kHostServicesLibrary[];  // KORPRO.dll, libkorpro.so
extern const char kTransportLibrary[];     // Quaxnet.dll, libquaxnet.so

}  // namespace zan::platform

#endif  // ZAN_PLATFORM_LIBRARY_NAMES_H_
