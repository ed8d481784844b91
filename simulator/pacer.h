// Real-time pacing of block delivery on a deadline schedule: block k is due
// at start + k * period, and the reader sleeps only while it is ahead, so the
// average rate stays exact however coarse the wait timer is.
#pragma once

#include <windows.h>

#include <stdint.h>

namespace kelvo_sim {

class Pacer {
 public:
  Pacer();

  // Starts a new schedule whose next block is due now.
  void restart();
  // New block period; the next block keeps the due time of the old schedule.
  void set_period(double seconds);
  double period() const { return period_s_; }

  // Waits until the next block is due. Returns false if `cancel` was
  // signalled meanwhile. A reader that falls over a second behind (a debugger
  // stop, say) starts a new schedule instead of bursting to catch up; shorter
  // lags are made up, so the average rate stays exact.
  bool wait_next(HANDLE cancel);

 private:
  double now_ticks() const;
  double ticks_per_s_;
  double start_ = 0;      // due time of block 0 of this schedule, in ticks
  uint64_t next_ = 0;     // index of the next block in this schedule
  double period_s_ = 0;
};

}  // namespace kelvo_sim
