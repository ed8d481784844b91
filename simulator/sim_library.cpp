// One simulated Kelvo library. The same source builds both: with
// KELVO_SIM_LIB_SDR=1 it is kelvo_sdr.dll, otherwise kelvo.dll.
#include <windows.h>

#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include <atomic>
#include <new>
#include <string>
#include <vector>

#include "block_ring.h"
#include "device/kelvo_api.h"
#include "journal.h"
#include "kelvo_sim_control.h"
#include "pacer.h"
#include "signal.h"

#if KELVO_SIM_LIB_SDR
#define KELVO_FN(name) kelvo_sdr_##name
#define LIB "sdr"
#define SERIALS_ENV "KELVO_SIM_SDR_SERIALS"
#define DEFAULT_SERIAL "KV2S0001"
#else
#define KELVO_FN(name) kelvo_rx_##name
#define LIB "rx"
#define SERIALS_ENV "KELVO_SIM_RX_SERIALS"
#define DEFAULT_SERIAL "KV1R0001"
#endif

using kelvo_sim::journal_line;

namespace {

// Any index below this opens while a raw listing is set, so the registry
// holds this many records; they are never freed, so a stale handle stays a
// valid address to look up.
constexpr int kMaxDevices = 1024;
constexpr double kDefaultRate = 25e6;

enum Op {
  kOpen, kClose, kGetBoardInfo, kGetApiInfo, kSetSamplerate, kSetFrequency, kSetAutoBandwidth,
  kSetDirectSampling, kSetLnaGain, kSetVgaGain, kSetUserGpo, kSetClkSource, kReadAsync,
  kCancelAsync, kOpCount
};
const char* const kOpNames[kOpCount] = {
    "open", "close", "get_board_info", "get_api_info", "set_samplerate", "set_frequency",
    "set_auto_bandwidth", "set_direct_sampling", "set_lna_gain", "set_vga_gain",
    "set_user_gpo", "set_clk_source", "read_async", "cancel_async"};

struct Device {
  KelvoSimDeviceState state;
  bool issued;          // a handle to it was ever given out
  bool reading;
  uint32_t signal_gen;  // bumped when the rate or mode changes the signal
  HANDLE cancel;        // manual-reset; wakes a read waiting for its next block
  // Checked before every block; an event poll there would cost a trip to the
  // wine server per block.
  std::atomic<bool> cancel_requested;
};

struct Library {
  std::vector<std::string> serials;
  bool raw_listing;
  uint32_t raw_count;
  int raw_length;
  char raw_bytes[KELVO_LIST_BUFFER_SIZE];
  char board[5][KELVO_TEXT_SIZE];
  char api[2][KELVO_TEXT_SIZE];
  bool api_writes;
  int results[kOpCount];
  std::vector<float> pattern;
  uint32_t pattern_gen;
  uint32_t block_samples;
  int64_t block_limit;
  bool paced;
  bool numbering;
  uint32_t first_number;
  double tone_hz, hf1_hz, hf2_hz;
  KelvoSimStats stats;
};

SRWLOCK g_lock = SRWLOCK_INIT;
Device g_devices[kMaxDevices];
Library g;

class Exclusive {
 public:
  Exclusive() { AcquireSRWLockExclusive(&g_lock); }
  ~Exclusive() { ReleaseSRWLockExclusive(&g_lock); }
  Exclusive(const Exclusive&) = delete;
  Exclusive& operator=(const Exclusive&) = delete;
};

class Shared {
 public:
  Shared() { AcquireSRWLockShared(&g_lock); }
  ~Shared() { ReleaseSRWLockShared(&g_lock); }
  Shared(const Shared&) = delete;
  Shared& operator=(const Shared&) = delete;
};

// Environment, read live (not the C runtime's startup copy) so a harness can
// change it before kelvo_sim_reset. False when the variable is not set.
bool env_text(const char* name, std::string* out) {
  SetLastError(ERROR_SUCCESS);
  DWORD n = GetEnvironmentVariableA(name, nullptr, 0);
  if (n == 0) {
    out->clear();
    return GetLastError() != ERROR_ENVVAR_NOT_FOUND;
  }
  std::string value(n, '\0');
  n = GetEnvironmentVariableA(name, value.data(), n);
  value.resize(n);
  *out = value;
  return true;
}

double env_double(const char* name, double fallback) {
  std::string text;
  if (!env_text(name, &text) || text.empty()) return fallback;
  char* end = nullptr;
  double v = strtod(text.c_str(), &end);
  return end != text.c_str() ? v : fallback;
}

std::vector<std::string> split_serials(const char* text) {
  std::vector<std::string> out;
  std::string token;
  for (const char* p = text ? text : ""; ; ++p) {
    if (*p == ' ' || *p == '\t' || *p == '\0') {
      if (!token.empty() && out.size() < kMaxDevices) out.push_back(token);
      token.clear();
      if (*p == '\0') break;
    } else {
      token += *p;
    }
  }
  return out;
}

void set_text(char* dst, const char* text) {
  memset(dst, 0, KELVO_TEXT_SIZE);
  strncpy(dst, text, KELVO_TEXT_SIZE - 1);
}

void set_raw_text(char* dst, const char* bytes, int length) {
  memset(dst, 0, KELVO_TEXT_SIZE);
  if (length > KELVO_TEXT_SIZE) length = KELVO_TEXT_SIZE;
  if (bytes && length > 0) memcpy(dst, bytes, length);
}

// The receiver face. Caller holds the lock (or is the loader).
void reset_locked() {
  std::string serials;
  g.serials = split_serials(env_text(SERIALS_ENV, &serials) ? serials.c_str() : DEFAULT_SERIAL);
  g.raw_listing = false;
  g.raw_count = 0;
  g.raw_length = 0;
  set_text(g.board[0], "2.1");
  set_text(g.board[1], "1.4.0");
  set_text(g.board[2], "KELVO");
  set_text(g.board[3], "");
  set_text(g.board[4], "");
  set_text(g.api[0], "3.2.1");
  set_text(g.api[1], "1.0.7");
  g.api_writes = true;
  for (int& r : g.results) r = 0;
  g.pattern.clear();
  g.pattern_gen++;
  g.block_samples = 0;
  g.block_limit = -1;
  g.numbering = false;
  g.first_number = 0;
  std::string unpaced;
  g.paced = !(env_text("KELVO_SIM_UNPACED", &unpaced) && unpaced == "1");
  g.tone_hz = env_double("KELVO_SIM_TONE_HZ", 1000000);
  g.hf1_hz = env_double("KELVO_SIM_HF1_HZ", 3000000);
  g.hf2_hz = env_double("KELVO_SIM_HF2_HZ", 7000000);
  g.stats = KelvoSimStats{};
  for (Device& d : g_devices) {
    d.state = KelvoSimDeviceState{};
    d.signal_gen++;
  }
}

struct LoadTimeReset {
  LoadTimeReset() { reset_locked(); }
} g_load_time_reset;

// Never dereferences `h` unless it is one of the registry's records.
Device* lookup(kelvo_handle h) {
  const uintptr_t p = reinterpret_cast<uintptr_t>(h);
  const uintptr_t base = reinterpret_cast<uintptr_t>(g_devices);
  if (p < base || p >= base + sizeof g_devices || (p - base) % sizeof(Device) != 0) return nullptr;
  return &g_devices[(p - base) / sizeof(Device)];
}

int index_of(const Device* d) { return static_cast<int>(d - g_devices); }

struct HandleName {
  char text[16];
  explicit HandleName(kelvo_handle h) {
    Shared lock;
    const Device* d = lookup(h);
    if (d && d->issued)
      snprintf(text, sizeof text, LIB "#%d", index_of(d));
    else
      snprintf(text, sizeof text, "?");
  }
};

const char* ptr_text(const void* p) { return p ? "ptr" : "null"; }

int device_count_locked() {
  return g.raw_listing ? kMaxDevices : static_cast<int>(g.serials.size());
}

// Shared path of the per-device calls: a scripted failure, or an unknown or
// closed handle, leaves the device untouched.
template <class Apply>
int device_call(Op op, kelvo_handle h, Apply apply) {
  Exclusive lock;
  if (g.results[op] != 0) return g.results[op];
  Device* d = lookup(h);
  if (!d || !d->state.open) return -1;
  apply(*d);
  return 0;
}

void copy_text(char* dst, const char* src) {
  if (dst) memcpy(dst, src, KELVO_TEXT_SIZE);
}

// The delivery loop of a read that has been admitted. False if the ring or
// signal could not be allocated.
bool deliver(Device* d, kelvo_sample_cb callback, void* context, uint32_t buffers,
             uint32_t samples, int64_t limit) {
  kelvo_sim::BlockRing ring;
  if (!ring.allocate(buffers, samples)) return false;
  const size_t block_floats = static_cast<size_t>(samples) * 2;
  const HANDLE cancel = d->cancel;

  std::vector<float> signal;       // one ring length of generated signal
  std::vector<float> pattern_block;
  uint32_t signal_gen = 0, pattern_gen = 0;
  bool have_signal = false, have_pattern_gen = false, use_pattern = false;
  kelvo_sim::Pacer pacer;
  bool was_paced = false;

  for (int64_t delivered = 0;; ++delivered) {
    if (limit >= 0 && delivered >= limit) break;
    if (d->cancel_requested.load(std::memory_order_acquire)) break;

    kelvo_sim::SignalParams params;
    bool paced, regenerate = false;
    {
      Shared lock;
      params.rate_hz = d->state.sample_rate_hz > 0 ? d->state.sample_rate_hz : kDefaultRate;
      params.direct = d->state.direct_sampling != 0;
      params.tone_hz = g.tone_hz;
      params.hf1_hz = g.hf1_hz;
      params.hf2_hz = g.hf2_hz;
      paced = g.paced;
      if (!have_pattern_gen || pattern_gen != g.pattern_gen) {
        have_pattern_gen = true;
        pattern_gen = g.pattern_gen;
        use_pattern = !g.pattern.empty();
        if (use_pattern) {
          pattern_block.resize(block_floats);
          for (size_t i = 0; i < block_floats; ++i)
            pattern_block[i] = g.pattern[i % g.pattern.size()];
        }
      }
      if (!use_pattern && (!have_signal || signal_gen != d->signal_gen)) {
        have_signal = true;
        signal_gen = d->signal_gen;
        regenerate = true;
      }
    }
    if (regenerate) {
      signal.resize(block_floats * buffers);
      kelvo_sim::generate_signal(params, signal.data(), static_cast<size_t>(samples) * buffers);
    }

    if (paced) {
      const double period = samples / params.rate_hz;
      if (!was_paced) {
        pacer.set_period(period);
        pacer.restart();
      } else if (period != pacer.period()) {
        pacer.set_period(period);
      }
      if (!pacer.wait_next(cancel)) break;
    }
    was_paced = paced;

    // The host may have rewritten the previous use of this buffer in place.
    const uint32_t slot = static_cast<uint32_t>(delivered % buffers);
    float* block = ring.block(slot);
    memcpy(block, use_pattern ? pattern_block.data() : signal.data() + block_floats * slot,
           block_floats * sizeof(float));
    bool numbering;
    uint32_t number;
    {
      Exclusive lock;
      numbering = g.numbering;
      number = g.first_number + static_cast<uint32_t>(g.stats.blocks_delivered);
      g.stats.blocks_delivered++;
      g.stats.last_block_samples = samples;
      g.stats.last_read_priority = GetThreadPriority(GetCurrentThread());
    }
    // Both values of the first sample: the direct-sampling shaping keeps one
    // of them in place whichever input it picks.
    if (numbering) {
      memcpy(block, &number, sizeof number);
      memcpy(block + 1, &number, sizeof number);
    }
    callback(block, samples, context);
  }
  return true;
}

int run_read(kelvo_handle h, kelvo_sample_cb callback, void* context, uint32_t buffers,
             uint32_t samples_asked) {
  Device* d;
  uint32_t samples;
  int64_t limit;
  {
    Exclusive lock;
    g.stats.reads_started++;
    d = lookup(h);
    if (!d || !d->state.open || d->reading || !callback || buffers == 0) return -1;
    samples = g.block_samples ? g.block_samples : samples_asked;
    if (samples == 0) return -1;
    if (!d->cancel) d->cancel = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    if (!d->cancel) return -1;
    // From here on a cancel reaches this read, even before its first block.
    d->cancel_requested = false;
    ResetEvent(d->cancel);
    d->reading = true;
    g.stats.reads_running++;
    limit = g.block_limit;
  }
  bool ok;
  try {
    ok = deliver(d, callback, context, buffers, samples, limit);
  } catch (const std::bad_alloc&) {
    ok = false;
  }
  Exclusive lock;
  d->reading = false;
  g.stats.reads_running--;
  return ok ? g.results[kReadAsync] : -1;
}

}  // namespace

extern "C" {

KELVO_API int KELVO_FN(list_devices)(char* serials) {
  journal_line(LIB ".list_devices");
  Shared lock;
  if (g.raw_listing) {
    if (serials) memcpy(serials, g.raw_bytes, g.raw_length);
    return static_cast<int>(g.raw_count);
  }
  std::string text;
  for (const std::string& s : g.serials) {
    if (!text.empty()) text += ' ';
    text += s;
  }
  if (serials) {
    const size_t n = text.size() < KELVO_LIST_BUFFER_SIZE - 1 ? text.size() : KELVO_LIST_BUFFER_SIZE - 1;
    memcpy(serials, text.data(), n);
    serials[n] = '\0';
  }
  return static_cast<int>(g.serials.size());
}

KELVO_API int KELVO_FN(open)(kelvo_handle* handle, int index) {
  journal_line(LIB ".open(index=%d)", index);
  Exclusive lock;
  if (g.results[kOpen] != 0) return g.results[kOpen];
  if (!handle || index < 0 || index >= device_count_locked()) return -1;
  Device& d = g_devices[index];
  if (d.state.open) return -1;
  // A reopened device starts from scratch, as real hardware would.
  d.state = KelvoSimDeviceState{};
  d.state.open = 1;
  d.issued = true;
  d.signal_gen++;
  *handle = &d;
  return 0;
}

KELVO_API int KELVO_FN(close)(kelvo_handle h) {
  journal_line(LIB ".close(%s)", HandleName(h).text);
  Exclusive lock;
  if (g.results[kClose] != 0) return g.results[kClose];
  Device* d = lookup(h);
  if (!d || !d->state.open || d->reading) return -1;
  d->state.open = 0;
  return 0;
}

KELVO_API int KELVO_FN(get_board_info)(kelvo_handle h, char* hw, char* fw, char* text3,
                                       char* text4, char* text5) {
  journal_line(LIB ".get_board_info(%s)", HandleName(h).text);
  return device_call(kGetBoardInfo, h, [&](Device&) {
    copy_text(hw, g.board[0]);
    copy_text(fw, g.board[1]);
    copy_text(text3, g.board[2]);
    copy_text(text4, g.board[3]);
    copy_text(text5, g.board[4]);
  });
}

#if !KELVO_SIM_LIB_SDR
KELVO_API int KELVO_FN(get_api_info)(char* lib_version, char* driver_version) {
  journal_line(LIB ".get_api_info");
  Shared lock;
  if (g.results[kGetApiInfo] != 0) return g.results[kGetApiInfo];
  if (g.api_writes) {
    copy_text(lib_version, g.api[0]);
    copy_text(driver_version, g.api[1]);
  }
  return 0;
}
#endif

namespace {
int set_rate(kelvo_handle h, double rate_hz) {
  return device_call(kSetSamplerate, h, [&](Device& d) {
    d.state.sample_rate_hz = rate_hz;
    d.signal_gen++;
    g.stats.sample_rate_hz = rate_hz;
  });
}
int set_freq(kelvo_handle h, double freq_hz) {
  return device_call(kSetFrequency, h, [&](Device& d) { d.state.frequency_hz = freq_hz; });
}
}  // namespace

#if KELVO_SIM_LIB_SDR
KELVO_API int KELVO_FN(set_samplerate)(kelvo_handle h, double rate_hz) {
  journal_line(LIB ".set_samplerate(%s, %.15g)", HandleName(h).text, rate_hz);
  return set_rate(h, rate_hz);
}

KELVO_API int KELVO_FN(set_frequency)(kelvo_handle h, double freq_hz) {
  journal_line(LIB ".set_frequency(%s, %.15g)", HandleName(h).text, freq_hz);
  return set_freq(h, freq_hz);
}

KELVO_API int KELVO_FN(set_auto_bandwidth)(kelvo_handle h, double factor) {
  journal_line(LIB ".set_auto_bandwidth(%s, %.15g)", HandleName(h).text, factor);
  return device_call(kSetAutoBandwidth, h, [&](Device& d) { d.state.bandwidth_factor = factor; });
}
#else
KELVO_API int KELVO_FN(set_samplerate)(kelvo_handle h, double rate_hz, void* reserved) {
  journal_line(LIB ".set_samplerate(%s, %.15g, %s)", HandleName(h).text, rate_hz,
               ptr_text(reserved));
  return set_rate(h, rate_hz);
}

KELVO_API int KELVO_FN(set_frequency)(kelvo_handle h, double freq_hz, void* reserved) {
  journal_line(LIB ".set_frequency(%s, %.15g, %s)", HandleName(h).text, freq_hz,
               ptr_text(reserved));
  return set_freq(h, freq_hz);
}
#endif

KELVO_API int KELVO_FN(set_direct_sampling)(kelvo_handle h, int enable) {
  journal_line(LIB ".set_direct_sampling(%s, %d)", HandleName(h).text, enable);
  return device_call(kSetDirectSampling, h, [&](Device& d) {
    d.state.direct_sampling = enable;
    d.signal_gen++;
  });
}

KELVO_API int KELVO_FN(set_lna_gain)(kelvo_handle h, int step) {
  journal_line(LIB ".set_lna_gain(%s, %d)", HandleName(h).text, step);
  return device_call(kSetLnaGain, h, [&](Device& d) { d.state.lna_gain = step; });
}

KELVO_API int KELVO_FN(set_vga_gain)(kelvo_handle h, int step) {
  journal_line(LIB ".set_vga_gain(%s, %d)", HandleName(h).text, step);
  return device_call(kSetVgaGain, h, [&](Device& d) { d.state.vga_gain = step; });
}

KELVO_API int KELVO_FN(set_user_gpo)(kelvo_handle h, int bits) {
  journal_line(LIB ".set_user_gpo(%s, %d)", HandleName(h).text, bits);
  return device_call(kSetUserGpo, h, [&](Device& d) { d.state.gpo_bits = bits; });
}

KELVO_API int KELVO_FN(set_clk_source)(kelvo_handle h, int external) {
  journal_line(LIB ".set_clk_source(%s, %d)", HandleName(h).text, external);
  return device_call(kSetClkSource, h, [&](Device& d) { d.state.external_clock = external; });
}

KELVO_API int KELVO_FN(read_async)(kelvo_handle h, kelvo_sample_cb callback, void* context,
                                   uint32_t buffer_count, uint32_t samples_per_buffer) {
  journal_line(LIB ".read_async(%s, %s, %s, %u, %u)", HandleName(h).text,
               callback ? "cb" : "null", ptr_text(context), static_cast<unsigned>(buffer_count),
               static_cast<unsigned>(samples_per_buffer));
  const int result = run_read(h, callback, context, buffer_count, samples_per_buffer);
  journal_line(LIB ".read_async.return(%d)", result);
  return result;
}

KELVO_API int KELVO_FN(cancel_async)(kelvo_handle h) {
  journal_line(LIB ".cancel_async(%s)", HandleName(h).text);
  // With no read running there is nothing to stop; the next read starts afresh.
  return device_call(kCancelAsync, h, [&](Device& d) {
    if (d.reading) {
      d.cancel_requested = true;
      SetEvent(d.cancel);
    }
  });
}

// ---- test-double controls ----

KELVO_SIM_API int kelvo_sim_reset(void) {
  Exclusive lock;
  if (g.stats.reads_running > 0) return -1;
  reset_locked();
  kelvo_sim::journal_clear();
  return 0;
}

KELVO_SIM_API int kelvo_sim_set_result(const char* operation, int result) {
  if (!operation) return -1;
  Exclusive lock;
  for (int i = 0; i < kOpCount; ++i) {
    if (strcmp(operation, kOpNames[i]) == 0) {
      g.results[i] = result;
      return 0;
    }
  }
  return -1;
}

KELVO_SIM_API void kelvo_sim_set_devices(const char* serials) {
  Exclusive lock;
  g.serials = split_serials(serials);
  g.raw_listing = false;
}

KELVO_SIM_API void kelvo_sim_set_raw_listing(uint32_t count, const char* bytes, int length) {
  Exclusive lock;
  if (length < 0) length = 0;
  if (length > KELVO_LIST_BUFFER_SIZE) length = KELVO_LIST_BUFFER_SIZE;
  memset(g.raw_bytes, 0, sizeof g.raw_bytes);
  if (bytes) memcpy(g.raw_bytes, bytes, length);
  g.raw_length = bytes ? length : 0;
  g.raw_count = count;
  g.raw_listing = true;
}

KELVO_SIM_API void kelvo_sim_set_board_text(int which, const char* bytes, int length) {
  if (which < 0 || which >= 5) return;
  Exclusive lock;
  set_raw_text(g.board[which], bytes, length);
}

KELVO_SIM_API void kelvo_sim_set_api_text(int which, const char* bytes, int length) {
  if (which < 0 || which >= 2) return;
  Exclusive lock;
  set_raw_text(g.api[which], bytes, length);
}

KELVO_SIM_API void kelvo_sim_set_api_writes(int write) {
  Exclusive lock;
  g.api_writes = write != 0;
}

KELVO_SIM_API void kelvo_sim_set_block_pattern(const float* values, uint32_t value_count) {
  Exclusive lock;
  if (values && value_count > 0)
    g.pattern.assign(values, values + value_count);
  else
    g.pattern.clear();
  g.pattern_gen++;
}

KELVO_SIM_API void kelvo_sim_set_block_samples(uint32_t samples) {
  Exclusive lock;
  g.block_samples = samples;
}

KELVO_SIM_API void kelvo_sim_set_block_limit(int64_t blocks) {
  Exclusive lock;
  g.block_limit = blocks;
}

KELVO_SIM_API void kelvo_sim_set_block_numbering(int on, uint32_t first) {
  Exclusive lock;
  g.numbering = on != 0;
  g.first_number = first;
}

KELVO_SIM_API void kelvo_sim_set_paced(int paced) {
  Exclusive lock;
  g.paced = paced != 0;
}

KELVO_SIM_API void kelvo_sim_get_stats(KelvoSimStats* stats) {
  if (!stats) return;
  Shared lock;
  *stats = g.stats;
}

KELVO_SIM_API int kelvo_sim_get_device_state(int index, KelvoSimDeviceState* state) {
  if (index < 0 || index >= kMaxDevices || !state) return -1;
  Shared lock;
  *state = g_devices[index].state;
  return 0;
}

KELVO_SIM_API int kelvo_sim_journal(char* out, int size) {
  return kelvo_sim::journal_copy(out, size);
}

KELVO_SIM_API void kelvo_sim_journal_clear(void) { kelvo_sim::journal_clear(); }

}  // extern "C"
