// The frame's own small entry points.
#include "frame/entry_points.h"

int EXTIO_CALL GetStatus() { return 0; }

void EXTIO_CALL SetCallback(HostCallbackFn callback) { State.HostCallback.store(callback, Relaxed); }

void EXTIO_CALL VersionInfo(const char*, int, int) {}
