#include "frame/host_notify.h"

void NotifyHost(HostStatus status) {
  // One read, so a concurrent SetCallback can never make us call null.
  HostCallbackFn callback = State.HostCallback.load(Relaxed);
  if (callback) callback(-1, status, 0.0f, nullptr);
}
