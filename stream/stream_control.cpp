// Starting and stopping the worker thread that runs the library's read.
#include "stream/stream_control.h"

#include "device/device_step.h"
#include "frame/entry_points.h"
#include "stream/block_delivery.h"
#include "ui/control_dialog.h"

static HANDLE StreamThreadHandle() { return reinterpret_cast<HANDLE>(State.StreamThread); }

bool StreamThreadExists() { return State.StreamThread != NoStreamThread; }

bool OnStreamThread() { return StreamThreadExists() && GetThreadId(StreamThreadHandle()) == GetCurrentThreadId(); }

// The worker spends its whole life inside the library's blocking read.
static DWORD WINAPI StreamWorker(LPVOID) {
  if (kelvo_handle rx = State.RxHandle.load(Relaxed))
    return static_cast<DWORD>(kelvo_rx_read_async(rx, OnSamples, nullptr, AsyncBufferCount, SamplesPerBlock));
  if (kelvo_handle sdr = State.SdrHandle.load(Relaxed))
    return static_cast<DWORD>(kelvo_sdr_read_async(sdr, OnSamples, nullptr, AsyncBufferCount, SamplesPerBlock));
  return static_cast<DWORD>(-1);
}

int EXTIO_CALL StartHW64(int64_t lo_hz) {
  if (!State.Initialised) return -1;
  if (!State.RxHandle.load(Relaxed) && !State.SdrHandle.load(Relaxed)) return -1;
  SetHWLO64(lo_hz);
  if (StreamThreadExists()) return -1;

  // Grey out device and rate choice before the first block can arrive.
  State.StreamActive.store(1, Relaxed);
  RefreshControls();
  HANDLE thread = CreateThread(nullptr, 0, StreamWorker, nullptr, 0, nullptr);
  if (!thread) {
    // No stop will ever come for a stream that never began: undo the mark.
    State.StreamActive.store(0, Relaxed);
    RefreshControls();
    return -1;
  }
  State.StreamThread = reinterpret_cast<uintptr_t>(thread);
  SetThreadPriority(thread, THREAD_PRIORITY_TIME_CRITICAL);
  State.Running = true;
  return SamplesPerBlock;
}

int EXTIO_CALL StartHW(int32_t lo_hz) { return StartHW64(static_cast<int64_t>(lo_hz)); }

static DeviceStepResult CancelRead() {
  return DeviceStep([](kelvo_handle h) { return kelvo_rx_cancel_async(h); },
                    [](kelvo_handle h) { return kelvo_sdr_cancel_async(h); });
}

int StopStream() {
  if (!StreamThreadExists()) return -1;
  // A host that stops from inside its block callback is on the worker itself:
  // waiting would wait for ourselves. Cancel only; the read ends when the
  // callback returns, and the next stop collects the worker.
  if (OnStreamThread()) return CancelRead().result;
  DeviceStepResult cancel = CancelRead();
  Sleep(StopSettleDelayMs);
  // A cancel that arrives before the worker has entered the library's read is
  // lost, and waiting for that read would never end: ask again while waiting.
  while (WaitForSingleObject(StreamThreadHandle(), StopSettleDelayMs) == WAIT_TIMEOUT) cancel = CancelRead();
  CloseHandle(StreamThreadHandle());
  State.StreamThread = NoStreamThread;
  State.StreamActive.store(0, Relaxed);
  RefreshControls();
  return cancel.result;
}

void EXTIO_CALL StopHW() {
  StopStream();
  State.Running = false;
}
