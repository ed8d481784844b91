#pragma once

#include "frame/plugin_state.h"

constexpr int AsyncBufferCount = 16;
constexpr DWORD StopSettleDelayMs = 500;

// True from a successful start until the stop sequence has collected the worker.
bool StreamThreadExists();
// True on the worker, that is inside the host's block callback.
bool OnStreamThread();

// Cancels the read, settles, waits for the worker without a limit and
// collects it; on the worker itself only cancels. -1 when there is no
// worker, else the last cancel's result.
int StopStream();
