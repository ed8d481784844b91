#include "journal.h"

#include <windows.h>

#include <stdarg.h>
#include <stdio.h>
#include <string.h>

namespace kelvo_sim {
namespace {

// Lines longer than this are cut, so the text area can never fill up before
// the line count does.
constexpr uint32_t kMaxLineBytes = 128;
constexpr uint32_t kTextBytes = kJournalMaxLines * kMaxLineBytes;

// Lives in a page-file mapping named after the process, so both DLLs (each
// with its own copy of this code) append to one text. A fresh mapping is
// zero-filled, which is the empty journal.
struct Shared {
  volatile LONG lock;
  uint32_t lines;
  uint32_t text_length;
  uint32_t reserved;
  volatile LONG64 dropped;
  char text[kTextBytes];
};

Shared* g_shared = nullptr;
INIT_ONCE g_once = INIT_ONCE_STATIC_INIT;

BOOL CALLBACK map_shared(PINIT_ONCE, PVOID, PVOID*) {
  char name[64];
  snprintf(name, sizeof name, "Local\\kelvo_sim_journal_%lu",
           static_cast<unsigned long>(GetCurrentProcessId()));
  HANDLE mapping = CreateFileMappingA(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0,
                                      sizeof(Shared), name);
  if (!mapping) return TRUE;  // journal stays off rather than failing the library
  // The handle stays open for the life of the process: closing it would let the
  // mapping vanish when the other DLL unloads.
  g_shared = static_cast<Shared*>(MapViewOfFile(mapping, FILE_MAP_ALL_ACCESS, 0, 0, sizeof(Shared)));
  return TRUE;
}

Shared* shared() {
  InitOnceExecuteOnce(&g_once, map_shared, nullptr, nullptr);
  return g_shared;
}

// Interlocked spin lock: works across the two DLLs without a named kernel
// object, and callers hold it only for a memcpy.
class Lock {
 public:
  explicit Lock(Shared* s) : s_(s) {
    for (unsigned spins = 0; InterlockedCompareExchange(&s_->lock, 1, 0) != 0; ++spins) {
      if (spins < 64)
        YieldProcessor();
      else
        SwitchToThread();
    }
  }
  ~Lock() { InterlockedExchange(&s_->lock, 0); }
  Lock(const Lock&) = delete;
  Lock& operator=(const Lock&) = delete;

 private:
  Shared* s_;
};

}  // namespace

void journal_line(const char* format, ...) {
  Shared* s = shared();
  if (!s) return;
  char line[kMaxLineBytes + 1];
  va_list args;
  va_start(args, format);
  int n = vsnprintf(line, kMaxLineBytes, format, args);  // leaves room for '\n'
  va_end(args);
  if (n < 0) n = 0;
  if (n > static_cast<int>(kMaxLineBytes) - 1) n = kMaxLineBytes - 1;
  line[n++] = '\n';

  Lock lock(s);
  if (s->lines >= kJournalMaxLines) {
    s->dropped = s->dropped + 1;
    return;
  }
  memcpy(s->text + s->text_length, line, n);
  s->text_length += n;
  s->lines++;
}

int journal_copy(char* out, int size) {
  Shared* s = shared();
  if (!s) {  // never mapped: an empty journal
    if (out && size > 0) out[0] = '\0';
    return 0;
  }
  Lock lock(s);
  char tail[48] = "";
  if (s->dropped > 0)
    snprintf(tail, sizeof tail, "journal.dropped(%lld)\n", static_cast<long long>(s->dropped));
  const int length = static_cast<int>(s->text_length);
  const int tail_length = static_cast<int>(strlen(tail));
  if (out && size > 0) {
    const int head = length < size - 1 ? length : size - 1;
    memcpy(out, s->text, head);
    int rest = size - 1 - head;
    if (rest > tail_length) rest = tail_length;
    memcpy(out + head, tail, rest);
    out[head + rest] = '\0';
  }
  return length + tail_length;
}

void journal_clear() {
  Shared* s = shared();
  if (!s) return;
  Lock lock(s);
  s->lines = 0;
  s->text_length = 0;
  s->dropped = 0;
}

}  // namespace kelvo_sim
