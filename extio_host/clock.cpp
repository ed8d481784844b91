#include "extio_host/clock.h"

#include <cstdio>

int64_t QpcNow() {
  LARGE_INTEGER now;
  QueryPerformanceCounter(&now);
  return now.QuadPart;
}

double QpcSeconds(int64_t ticks) {
  static const double frequency = [] {
    LARGE_INTEGER f;
    QueryPerformanceFrequency(&f);
    return static_cast<double>(f.QuadPart);
  }();
  return static_cast<double>(ticks) / frequency;
}

static uint64_t Ticks100ns(const FILETIME& t) {
  return (static_cast<uint64_t>(t.dwHighDateTime) << 32) | t.dwLowDateTime;
}

double ThreadCpuSeconds(HANDLE thread) {
  FILETIME created, exited, kernel, user;
  if (!GetThreadTimes(thread, &created, &exited, &kernel, &user)) return -1;
  return static_cast<double>(Ticks100ns(kernel) + Ticks100ns(user)) * 100e-9;
}

static SYSTEMTIME UtcNow(unsigned* microseconds) {
  FILETIME now;
  GetSystemTimePreciseAsFileTime(&now);
  *microseconds = static_cast<unsigned>(Ticks100ns(now) / 10 % 1000000);
  SYSTEMTIME utc;
  FileTimeToSystemTime(&now, &utc);
  return utc;
}

std::string UtcNowIso8601() {
  unsigned micro;
  SYSTEMTIME t = UtcNow(&micro);
  char text[40];
  snprintf(text, sizeof text, "%04u-%02u-%02uT%02u:%02u:%02u.%06uZ", t.wYear, t.wMonth, t.wDay, t.wHour, t.wMinute,
           t.wSecond, micro);
  return text;
}

std::string UtcNowCompact() {
  unsigned micro;
  SYSTEMTIME t = UtcNow(&micro);
  char text[24];
  snprintf(text, sizeof text, "%04u%02u%02uT%02u%02u%02uZ", t.wYear, t.wMonth, t.wDay, t.wHour, t.wMinute, t.wSecond);
  return text;
}
