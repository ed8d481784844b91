// Handle and thread counts of the running process, for leak checks.
#pragma once

struct ProcessCounts {
  long handles = -1;  // -1: could not be read
  long threads = -1;

  bool operator==(const ProcessCounts&) const = default;
};

// The process's own entries in the system handle table. GetProcessHandleCount
// is not used: under Wine it succeeds and reports 0 whatever is open.
long CountProcessHandles();
// The process's threads in a Toolhelp32 snapshot.
long CountProcessThreads();
ProcessCounts CurrentProcessCounts();
