#pragma once

#include "frame/plugin_state.h"

// Tells the host of a status change, synchronously, if a callback is registered.
void NotifyHost(HostStatus status);
