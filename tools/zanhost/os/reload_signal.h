// The request to read configuration again that a service manager sends a long-running command:
// SIGHUP on POSIX systems (systemctl reload). Windows has no such signal; there the request never
// comes. os/reload_signal_posix.cpp and os/reload_signal_win32.cpp implement it.
#ifndef ZAN_TOOLS_ZANHOST_OS_RELOAD_SIGNAL_H_
#define ZAN_TOOLS_ZANHOST_OS_RELOAD_SIGNAL_H_

namespace zanhost {

// From now on the reload signal only sets a flag (instead of ending the process).
void CatchReloadSignal();

// Whether a reload was asked for since the last call; the request is taken (cleared).
bool TakeReloadRequest();

}  // namespace zanhost

#endif  // ZAN_TOOLS_ZANHOST_OS_RELOAD_SIGNAL_H_
