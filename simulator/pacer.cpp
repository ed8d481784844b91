#include "pacer.h"

namespace kelvo_sim {

Pacer::Pacer() {
  LARGE_INTEGER f;
  QueryPerformanceFrequency(&f);
  ticks_per_s_ = static_cast<double>(f.QuadPart);
  restart();
}

double Pacer::now_ticks() const {
  LARGE_INTEGER t;
  QueryPerformanceCounter(&t);
  return static_cast<double>(t.QuadPart);
}

void Pacer::restart() {
  start_ = now_ticks();
  next_ = 0;
}

void Pacer::set_period(double seconds) {
  start_ += static_cast<double>(next_) * period_s_ * ticks_per_s_;
  next_ = 0;
  period_s_ = seconds;
}

bool Pacer::wait_next(HANDLE cancel) {
  const double period_ticks = period_s_ * ticks_per_s_;
  const double due = start_ + static_cast<double>(next_) * period_ticks;
  for (;;) {
    const double ahead_ms = (due - now_ticks()) * 1000.0 / ticks_per_s_;
    if (ahead_ms < 1.0) break;  // under a millisecond early: deliver now
    // Wait on the cancel event rather than sleeping, so a cancel ends the
    // wait at once however long the period is.
    const DWORD wait_ms = ahead_ms > 1000.0 ? 1000 : static_cast<DWORD>(ahead_ms);
    if (WaitForSingleObject(cancel, wait_ms) == WAIT_OBJECT_0) return false;
  }
  if (now_ticks() - due > ticks_per_s_) restart();
  ++next_;
  return true;
}

}  // namespace kelvo_sim
