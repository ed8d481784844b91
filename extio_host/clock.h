// Clocks of the host: the performance counter, a thread's CPU time and the
// UTC wall clock as SigMF writes it.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>

int64_t QpcNow();
double QpcSeconds(int64_t ticks);
// User plus kernel time of `thread` so far, in seconds; negative when unreadable.
double ThreadCpuSeconds(HANDLE thread);
// Now, UTC, ISO 8601 with microseconds: 2026-12-11T10:20:30.123456Z.
std::string UtcNowIso8601();
// Now, UTC, for file names: 20261211T102030Z.
std::string UtcNowCompact();
