// The simulated kelvo.dll and kelvo_sdr.dll, as the plug-in's tests rely on
// them: journal, listings, texts, scripted results and block delivery.
#include <windows.h>

#include <gtest/gtest.h>

#include <math.h>
#include <string.h>

#include <atomic>
#include <chrono>
#include <functional>
#include <numbers>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "device/kelvo_api.h"
#include "kelvo_sim_control.h"

namespace {

constexpr double kPi = std::numbers::pi;

// Both libraries export the same control names, so each is reached through
// its own module rather than an import library.
struct Controls {
  explicit Controls(const char* module) {
    HMODULE m = GetModuleHandleA(module);
    auto get = [m](const char* name) { return reinterpret_cast<void*>(GetProcAddress(m, name)); };
    reset = reinterpret_cast<decltype(reset)>(get("kelvo_sim_reset"));
    set_result = reinterpret_cast<decltype(set_result)>(get("kelvo_sim_set_result"));
    set_devices = reinterpret_cast<decltype(set_devices)>(get("kelvo_sim_set_devices"));
    set_raw_listing = reinterpret_cast<decltype(set_raw_listing)>(get("kelvo_sim_set_raw_listing"));
    set_board_text = reinterpret_cast<decltype(set_board_text)>(get("kelvo_sim_set_board_text"));
    set_api_text = reinterpret_cast<decltype(set_api_text)>(get("kelvo_sim_set_api_text"));
    set_api_writes = reinterpret_cast<decltype(set_api_writes)>(get("kelvo_sim_set_api_writes"));
    set_block_pattern =
        reinterpret_cast<decltype(set_block_pattern)>(get("kelvo_sim_set_block_pattern"));
    set_block_samples =
        reinterpret_cast<decltype(set_block_samples)>(get("kelvo_sim_set_block_samples"));
    set_block_limit = reinterpret_cast<decltype(set_block_limit)>(get("kelvo_sim_set_block_limit"));
    set_paced = reinterpret_cast<decltype(set_paced)>(get("kelvo_sim_set_paced"));
    set_block_numbering =
        reinterpret_cast<decltype(set_block_numbering)>(get("kelvo_sim_set_block_numbering"));
    get_stats = reinterpret_cast<decltype(get_stats)>(get("kelvo_sim_get_stats"));
    get_device_state =
        reinterpret_cast<decltype(get_device_state)>(get("kelvo_sim_get_device_state"));
    journal = reinterpret_cast<decltype(journal)>(get("kelvo_sim_journal"));
  }
  bool complete() const {
    return reset && set_result && set_devices && set_raw_listing && set_board_text &&
           set_api_text && set_api_writes && set_block_pattern && set_block_samples &&
           set_block_limit && set_paced && set_block_numbering && get_stats && get_device_state &&
           journal;
  }
  KelvoSimStats stats() const {
    KelvoSimStats s{};
    get_stats(&s);
    return s;
  }
  std::string journal_text() const {
    int n = journal(nullptr, 0);
    std::string text(n + 1, '\0');
    journal(text.data(), n + 1);
    text.resize(n);
    return text;
  }

  int (*reset)();
  int (*set_result)(const char*, int);
  void (*set_devices)(const char*);
  void (*set_raw_listing)(uint32_t, const char*, int);
  void (*set_board_text)(int, const char*, int);
  void (*set_api_text)(int, const char*, int);
  void (*set_api_writes)(int);
  void (*set_block_pattern)(const float*, uint32_t);
  void (*set_block_samples)(uint32_t);
  void (*set_block_limit)(int64_t);
  void (*set_paced)(int);
  void (*set_block_numbering)(int, uint32_t);
  void (*get_stats)(KelvoSimStats*);
  int (*get_device_state)(int, KelvoSimDeviceState*);
  int (*journal)(char*, int);
};

class Simulator : public ::testing::Test {
 protected:
  Simulator() : rx("kelvo.dll"), sdr("kelvo_sdr.dll") {}
  void SetUp() override {
    ASSERT_TRUE(rx.complete());
    ASSERT_TRUE(sdr.complete());
    ASSERT_EQ(rx.reset(), 0);
    ASSERT_EQ(sdr.reset(), 0);
  }
  kelvo_handle open_rx(int index = 0) {
    kelvo_handle h = nullptr;
    EXPECT_EQ(kelvo_rx_open(&h, index), 0);
    return h;
  }
  Controls rx, sdr;
};

std::vector<std::string> lines_of(const std::string& text) {
  std::vector<std::string> lines;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  return lines;
}

// Block callback that hands each block to a std::function.
struct Sink {
  std::function<void(float*, uint32_t)> on_block;
  std::atomic<int> blocks{0};
  static void callback(float* samples, uint32_t count, void* context) {
    auto* self = static_cast<Sink*>(context);
    if (self->on_block) self->on_block(samples, count);
    self->blocks++;
  }
};

TEST_F(Simulator, JournalRecordsBothLibrariesInCallOrder) {
  char list[KELVO_LIST_BUFFER_SIZE];
  char t[5][KELVO_TEXT_SIZE];
  kelvo_handle r0 = nullptr, s0 = nullptr;
  int not_a_handle = 0;

  kelvo_rx_list_devices(list);
  kelvo_sdr_open(&s0, 0);
  kelvo_rx_open(&r0, 0);
  kelvo_rx_get_board_info(r0, t[0], t[1], t[2], t[3], t[4]);
  kelvo_rx_get_api_info(t[0], t[1]);
  kelvo_rx_set_samplerate(r0, 25e6, nullptr);
  kelvo_sdr_set_samplerate(s0, 25e6);
  kelvo_rx_set_frequency(r0, 145e6, nullptr);
  kelvo_sdr_set_frequency(s0, 7074000.5);
  kelvo_sdr_set_auto_bandwidth(s0, 0.9);
  kelvo_rx_set_direct_sampling(r0, 1);
  kelvo_rx_set_lna_gain(r0, 2);
  kelvo_sdr_set_vga_gain(s0, 17);
  kelvo_rx_set_user_gpo(r0, 9);
  kelvo_sdr_set_clk_source(s0, 1);
  EXPECT_NE(kelvo_rx_set_lna_gain(&not_a_handle, 1), 0);
  EXPECT_NE(kelvo_rx_close(s0), 0);  // the other library's handle is unknown here
  kelvo_rx_cancel_async(r0);
  kelvo_rx_close(r0);
  kelvo_sdr_close(s0);

  EXPECT_EQ(rx.journal_text(),
            "rx.list_devices\n"
            "sdr.open(index=0)\n"
            "rx.open(index=0)\n"
            "rx.get_board_info(rx#0)\n"
            "rx.get_api_info\n"
            "rx.set_samplerate(rx#0, 25000000, null)\n"
            "sdr.set_samplerate(sdr#0, 25000000)\n"
            "rx.set_frequency(rx#0, 145000000, null)\n"
            "sdr.set_frequency(sdr#0, 7074000.5)\n"
            "sdr.set_auto_bandwidth(sdr#0, 0.9)\n"
            "rx.set_direct_sampling(rx#0, 1)\n"
            "rx.set_lna_gain(rx#0, 2)\n"
            "sdr.set_vga_gain(sdr#0, 17)\n"
            "rx.set_user_gpo(rx#0, 9)\n"
            "sdr.set_clk_source(sdr#0, 1)\n"
            "rx.set_lna_gain(?, 1)\n"
            "rx.close(?)\n"
            "rx.cancel_async(rx#0)\n"
            "rx.close(rx#0)\n"
            "sdr.close(sdr#0)\n");
  EXPECT_EQ(sdr.journal_text(), rx.journal_text());  // one journal, either library's view

  KelvoSimDeviceState r{}, s{};
  ASSERT_EQ(rx.get_device_state(0, &r), 0);
  ASSERT_EQ(sdr.get_device_state(0, &s), 0);
  EXPECT_EQ(r.open, 0);
  EXPECT_EQ(r.sample_rate_hz, 25e6);
  EXPECT_EQ(r.frequency_hz, 145e6);
  EXPECT_EQ(r.direct_sampling, 1);
  EXPECT_EQ(r.lna_gain, 2);
  EXPECT_EQ(r.gpo_bits, 9);
  EXPECT_EQ(s.frequency_hz, 7074000.5);
  EXPECT_EQ(s.bandwidth_factor, 0.9);
  EXPECT_EQ(s.vga_gain, 17);
  EXPECT_EQ(s.external_clock, 1);

  char small[8];
  EXPECT_EQ(rx.journal(small, sizeof small), static_cast<int>(rx.journal_text().size()));
  EXPECT_STREQ(small, "rx.list");
}

TEST_F(Simulator, OpenRefusesMissingOrAlreadyOpenDevices) {
  kelvo_handle h = nullptr;
  EXPECT_NE(kelvo_rx_open(&h, 1), 0);  // one device by default
  EXPECT_NE(kelvo_rx_open(&h, -1), 0);
  ASSERT_EQ(kelvo_rx_open(&h, 0), 0);
  kelvo_handle again = nullptr;
  EXPECT_NE(kelvo_rx_open(&again, 0), 0);
  EXPECT_EQ(kelvo_rx_close(h), 0);
  EXPECT_NE(kelvo_rx_set_lna_gain(h, 1), 0);  // closed
  EXPECT_EQ(kelvo_rx_open(&again, 0), 0);
  EXPECT_EQ(again, h);

  rx.set_raw_listing(2, "x", 1);  // a raw listing opens any index below 1024
  EXPECT_EQ(kelvo_rx_open(&h, 1023), 0);
  EXPECT_NE(kelvo_rx_open(&h, 1024), 0);
}

TEST_F(Simulator, ListingWritesExactBytes) {
  const std::string hundred(100, 'S');
  const std::string full = (hundred + " " + hundred + " " + hundred).substr(0, 256);
  struct Case {
    const char* name;
    bool raw;
    std::string text;  // serials, or raw bytes
    uint32_t raw_count;
    std::string expected_bytes;  // what lands in the buffer; the rest stays untouched
    int expected_count;
  };
  const Case cases[] = {
      {"serials joined by one space", false, "A1  B2\tC3", 0, std::string("A1 B2 C3\0", 9), 3},
      {"no devices", false, "", 0, std::string("\0", 1), 0},
      {"raw, no terminator", true, "ab ", 2, "ab ", 2},
      {"raw, whole buffer of long tokens", true, full, 70, full, 70},
      {"raw, count without text", true, "", 5, "", 5},
  };
  for (const Case& c : cases) {
    for (Controls* lib : {&rx, &sdr}) {
      SCOPED_TRACE(std::string(c.name) + (lib == &rx ? " (rx)" : " (sdr)"));
      if (c.raw)
        lib->set_raw_listing(c.raw_count, c.text.data(), static_cast<int>(c.text.size()));
      else
        lib->set_devices(c.text.c_str());
      char buffer[KELVO_LIST_BUFFER_SIZE + 16];
      memset(buffer, 0xAB, sizeof buffer);
      int count = lib == &rx ? kelvo_rx_list_devices(buffer) : kelvo_sdr_list_devices(buffer);
      EXPECT_EQ(count, c.expected_count);
      EXPECT_EQ(std::string(buffer, c.expected_bytes.size()), c.expected_bytes);
      for (size_t i = c.expected_bytes.size(); i < sizeof buffer; ++i)
        ASSERT_EQ(static_cast<unsigned char>(buffer[i]), 0xAB) << "byte " << i;
    }
  }
}

TEST_F(Simulator, DevicesComeFromEnvironmentOnReset) {
  char buffer[KELVO_LIST_BUFFER_SIZE];
  EXPECT_EQ(kelvo_rx_list_devices(buffer), 1);
  EXPECT_STREQ(buffer, "KV1R0001");
  EXPECT_EQ(kelvo_sdr_list_devices(buffer), 1);
  EXPECT_STREQ(buffer, "KV2S0001");

  SetEnvironmentVariableA("KELVO_SIM_RX_SERIALS", "R1 R2");
  SetEnvironmentVariableA("KELVO_SIM_SDR_SERIALS", "");
  ASSERT_EQ(rx.reset(), 0);
  ASSERT_EQ(sdr.reset(), 0);
  SetEnvironmentVariableA("KELVO_SIM_RX_SERIALS", nullptr);
  SetEnvironmentVariableA("KELVO_SIM_SDR_SERIALS", nullptr);
  EXPECT_EQ(kelvo_rx_list_devices(buffer), 2);
  EXPECT_STREQ(buffer, "R1 R2");
  EXPECT_EQ(kelvo_sdr_list_devices(buffer), 0);
  EXPECT_STREQ(buffer, "");
}

TEST_F(Simulator, BoardAndApiTextsAreCopiedVerbatim) {
  kelvo_handle h = open_rx();
  char t[5][KELVO_TEXT_SIZE];
  memset(t, 0x55, sizeof t);
  ASSERT_EQ(kelvo_rx_get_board_info(h, t[0], t[1], t[2], t[3], t[4]), 0);
  EXPECT_STREQ(t[0], "2.1");
  EXPECT_STREQ(t[1], "1.4.0");
  EXPECT_STREQ(t[2], "KELVO");
  EXPECT_STREQ(t[4], "");
  for (int i = 4; i < KELVO_TEXT_SIZE; ++i) ASSERT_EQ(t[0][i], 0);  // zero-padded

  const std::string unterminated(KELVO_TEXT_SIZE, 'Z');
  rx.set_board_text(1, unterminated.data(), KELVO_TEXT_SIZE);
  rx.set_board_text(3, "ab\0cd", 5);
  ASSERT_EQ(kelvo_rx_get_board_info(h, t[0], t[1], t[2], t[3], t[4]), 0);
  EXPECT_EQ(std::string(t[1], KELVO_TEXT_SIZE), unterminated);
  EXPECT_EQ(std::string(t[3], KELVO_TEXT_SIZE),
            std::string("ab\0cd", 5) + std::string(KELVO_TEXT_SIZE - 5, '\0'));

  char lib[KELVO_TEXT_SIZE], drv[KELVO_TEXT_SIZE];
  ASSERT_EQ(kelvo_rx_get_api_info(lib, drv), 0);
  EXPECT_STREQ(lib, "3.2.1");
  EXPECT_STREQ(drv, "1.0.7");
  rx.set_api_text(0, unterminated.data(), KELVO_TEXT_SIZE);
  ASSERT_EQ(kelvo_rx_get_api_info(lib, drv), 0);
  EXPECT_EQ(std::string(lib, KELVO_TEXT_SIZE), unterminated);

  rx.set_api_writes(0);
  memset(lib, 0x77, sizeof lib);
  memset(drv, 0x77, sizeof drv);
  EXPECT_EQ(kelvo_rx_get_api_info(lib, drv), 0);
  EXPECT_EQ(std::string(lib, sizeof lib), std::string(sizeof lib, '\x77'));
  EXPECT_EQ(std::string(drv, sizeof drv), std::string(sizeof drv, '\x77'));
}

TEST_F(Simulator, ScriptedResultsAreReturnedWithoutEffect) {
  kelvo_handle r = open_rx();
  kelvo_handle s = nullptr;
  ASSERT_EQ(kelvo_sdr_open(&s, 0), 0);
  char t[5][KELVO_TEXT_SIZE];
  struct Case {
    Controls* lib;
    const char* operation;
    std::function<int()> call;
  };
  const Case cases[] = {
      {&rx, "get_board_info", [&] { return kelvo_rx_get_board_info(r, t[0], t[1], t[2], t[3], t[4]); }},
      {&rx, "get_api_info", [&] { return kelvo_rx_get_api_info(t[0], t[1]); }},
      {&rx, "set_samplerate", [&] { return kelvo_rx_set_samplerate(r, 2e6, nullptr); }},
      {&rx, "set_frequency", [&] { return kelvo_rx_set_frequency(r, 1e8, nullptr); }},
      {&rx, "set_direct_sampling", [&] { return kelvo_rx_set_direct_sampling(r, 1); }},
      {&rx, "set_lna_gain", [&] { return kelvo_rx_set_lna_gain(r, 3); }},
      {&rx, "set_vga_gain", [&] { return kelvo_rx_set_vga_gain(r, 31); }},
      {&rx, "set_user_gpo", [&] { return kelvo_rx_set_user_gpo(r, 0xff); }},
      {&rx, "set_clk_source", [&] { return kelvo_rx_set_clk_source(r, 1); }},
      {&rx, "cancel_async", [&] { return kelvo_rx_cancel_async(r); }},
      {&sdr, "set_auto_bandwidth", [&] { return kelvo_sdr_set_auto_bandwidth(s, 0.75); }},
      {&sdr, "close", [&] { return kelvo_sdr_close(s); }},
      {&sdr, "open", [&] { kelvo_handle h = nullptr; return kelvo_sdr_open(&h, 0); }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.operation);
    ASSERT_EQ(c.lib->set_result(c.operation, -7), 0);
    EXPECT_EQ(c.call(), -7);
    ASSERT_EQ(c.lib->set_result(c.operation, 0), 0);
  }
  KelvoSimDeviceState st{};
  ASSERT_EQ(rx.get_device_state(0, &st), 0);
  EXPECT_EQ(st.sample_rate_hz, 0);
  EXPECT_EQ(st.direct_sampling, 0);
  EXPECT_EQ(st.gpo_bits, 0);
  ASSERT_EQ(sdr.get_device_state(0, &st), 0);
  EXPECT_EQ(st.open, 1);  // the failed close left it open
  EXPECT_EQ(st.bandwidth_factor, 0);

  EXPECT_NE(rx.set_result("list_devices", 1), 0);
  EXPECT_NE(rx.set_result("no_such_call", 1), 0);
}

TEST_F(Simulator, BlockLimitEndsReadWithScriptedResult) {
  kelvo_handle h = open_rx();
  rx.set_paced(0);
  rx.set_block_limit(5);
  rx.set_result("read_async", 3);
  Sink sink;
  const int old_priority = GetThreadPriority(GetCurrentThread());
  SetThreadPriority(GetCurrentThread(), THREAD_PRIORITY_ABOVE_NORMAL);
  const int result = kelvo_rx_read_async(h, Sink::callback, &sink, 4, 1024);
  SetThreadPriority(GetCurrentThread(), old_priority);

  EXPECT_EQ(result, 3);
  EXPECT_EQ(sink.blocks, 5);
  const KelvoSimStats st = rx.stats();
  EXPECT_EQ(st.blocks_delivered, 5);
  EXPECT_EQ(st.reads_started, 1);
  EXPECT_EQ(st.reads_running, 0);
  EXPECT_EQ(st.last_block_samples, 1024u);
  EXPECT_EQ(st.last_read_priority, THREAD_PRIORITY_ABOVE_NORMAL);
  EXPECT_EQ(sdr.stats().blocks_delivered, 0);  // counters are per library
  EXPECT_EQ(rx.journal_text(),
            "rx.open(index=0)\n"
            "rx.read_async(rx#0, cb, ptr, 4, 1024)\n"
            "rx.read_async.return(3)\n");

  rx.set_block_limit(0);
  rx.set_result("read_async", 0);
  EXPECT_EQ(kelvo_rx_read_async(h, Sink::callback, nullptr, 4, 1024), 0);
  EXPECT_EQ(rx.stats().blocks_delivered, 5);
  EXPECT_NE(kelvo_rx_read_async(h, nullptr, nullptr, 4, 1024), 0);
}

TEST_F(Simulator, CancelFromAnotherThreadEndsAWaitingRead) {
  kelvo_handle h = nullptr;
  ASSERT_EQ(kelvo_sdr_open(&h, 0), 0);
  ASSERT_EQ(kelvo_sdr_set_samplerate(h, 1000), 0);  // 1000 samples: one block a second
  sdr.set_paced(1);
  Sink sink;
  std::atomic<int> result{-100};
  std::atomic<bool> done{false};
  std::thread reader([&] {
    result = kelvo_sdr_read_async(h, Sink::callback, &sink, 4, 1000);
    done = true;
  });
  while (sink.blocks < 1) Sleep(1);
  Sleep(50);  // now waiting for the next block, due a second after the first
  EXPECT_EQ(sdr.stats().reads_running, 1);
  EXPECT_NE(sdr.reset(), 0);  // refused while reading
  EXPECT_NE(kelvo_sdr_close(h), 0);

  const auto cancelled = std::chrono::steady_clock::now();
  EXPECT_EQ(kelvo_sdr_cancel_async(h), 0);
  while (!done && std::chrono::steady_clock::now() - cancelled < std::chrono::seconds(5)) Sleep(1);
  const auto took = std::chrono::steady_clock::now() - cancelled;
  reader.join();
  EXPECT_EQ(result, 0);
  EXPECT_EQ(sink.blocks, 1);
  EXPECT_LT(took, std::chrono::milliseconds(300));
  EXPECT_EQ(sdr.stats().reads_running, 0);

  // A cancel with no read running does not carry over to the next read.
  sdr.set_block_limit(2);
  EXPECT_EQ(kelvo_sdr_read_async(h, Sink::callback, &sink, 4, 1000), 0);
  EXPECT_EQ(sink.blocks, 3);
}

TEST_F(Simulator, UnpacedDeliversWithoutWaiting) {
  kelvo_handle h = open_rx();
  ASSERT_EQ(kelvo_rx_set_samplerate(h, 1e6, nullptr), 0);  // paced, 2000 blocks would take 8 s
  rx.set_paced(0);
  rx.set_block_limit(2000);
  Sink sink;
  const auto start = std::chrono::steady_clock::now();
  EXPECT_EQ(kelvo_rx_read_async(h, Sink::callback, &sink, 8, 4096), 0);
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(3));
  EXPECT_EQ(sink.blocks, 2000);
  EXPECT_EQ(rx.stats().blocks_delivered, 2000);
}

TEST_F(Simulator, PacingFollowsTheRateAlsoWhenItChangesMidStream) {
  kelvo_handle h = open_rx();
  ASSERT_EQ(kelvo_rx_set_samplerate(h, 1e6, nullptr), 0);  // 10000 samples: 100 blocks/s
  rx.set_paced(1);
  Sink sink;
  std::thread reader([&] { kelvo_rx_read_async(h, Sink::callback, &sink, 8, 10000); });
  Sleep(600);
  const int first = sink.blocks;
  ASSERT_EQ(kelvo_rx_set_samplerate(h, 2e6, nullptr), 0);  // from here 200 blocks/s
  Sleep(600);
  const int second = sink.blocks - first;
  kelvo_rx_cancel_async(h);
  reader.join();
  EXPECT_NEAR(first, 61, 12);
  EXPECT_NEAR(second, 120, 24);
}

TEST_F(Simulator, PatternRefillsEveryBlockWhichEndsAtAnInaccessiblePage) {
  kelvo_handle h = open_rx();
  const float pattern[] = {1.0f, 2.0f, 3.0f};
  rx.set_block_pattern(pattern, 3);
  rx.set_block_samples(5);  // short blocks, not the 4096 asked for
  rx.set_block_limit(7);
  rx.set_paced(0);
  Sink sink;
  std::vector<float*> blocks;
  sink.on_block = [&](float* samples, uint32_t count) {
    ASSERT_EQ(count, 5u);
    const float expected[10] = {1, 2, 3, 1, 2, 3, 1, 2, 3, 1};
    for (int i = 0; i < 10; ++i) ASSERT_EQ(samples[i], expected[i]) << "block " << blocks.size();

    MEMORY_BASIC_INFORMATION mbi{};
    ASSERT_NE(VirtualQuery(samples + 2 * count, &mbi, sizeof mbi), 0u);
    EXPECT_TRUE(mbi.State != MEM_COMMIT || (mbi.Protect & (PAGE_NOACCESS | PAGE_GUARD)))
        << "the float after the block is readable";
    ASSERT_NE(VirtualQuery(samples + 2 * count - 1, &mbi, sizeof mbi), 0u);
    EXPECT_EQ(mbi.Protect, static_cast<DWORD>(PAGE_READWRITE));
    memset(samples, 0, count * 2 * sizeof(float));  // the host may reuse the buffer in place
    blocks.push_back(samples);
  };
  EXPECT_EQ(kelvo_rx_read_async(h, Sink::callback, &sink, 3, 4096), 0);
  ASSERT_EQ(blocks.size(), 7u);
  EXPECT_EQ(blocks[3], blocks[0]);  // the ring wraps, and wrapped blocks were refilled
  EXPECT_NE(blocks[1], blocks[0]);
}

TEST_F(Simulator, NumberingCountsBlocksSinceResetInTheFirstSample) {
  kelvo_handle h = open_rx();
  const float pattern[] = {1.0f, 2.0f, 3.0f, 4.0f};
  rx.set_block_pattern(pattern, 4);
  rx.set_paced(0);
  rx.set_block_limit(3);
  rx.set_block_numbering(1, 1000);
  Sink sink;
  std::vector<uint32_t> numbers;  // I and Q of each first sample, as bits
  sink.on_block = [&](float* samples, uint32_t) {
    uint32_t bits[2];
    memcpy(bits, samples, sizeof bits);
    numbers.insert(numbers.end(), bits, bits + 2);
    EXPECT_EQ(samples[2], 3.0f) << "only the first sample carries the number";
  };
  ASSERT_EQ(kelvo_rx_read_async(h, Sink::callback, &sink, 2, 64), 0);
  ASSERT_EQ(kelvo_rx_read_async(h, Sink::callback, &sink, 2, 64), 0);
  EXPECT_EQ(numbers, (std::vector<uint32_t>{1000, 1000, 1001, 1001, 1002, 1002, 1003, 1003, 1004, 1004, 1005, 1005}))
      << "counted across reads";

  // A reset turns numbering off.
  kelvo_rx_close(h);
  ASSERT_EQ(rx.reset(), 0);
  h = open_rx();
  rx.set_block_pattern(pattern, 4);
  rx.set_paced(0);
  rx.set_block_limit(1);
  numbers.clear();
  ASSERT_EQ(kelvo_rx_read_async(h, Sink::callback, &sink, 2, 64), 0);
  EXPECT_EQ(numbers, (std::vector<uint32_t>{0x3F800000u, 0x40000000u})) << "the pattern's 1 and 2, unnumbered";
}

// Amplitude of the component at `hz` in one block: complex for RF, and per
// channel (real tone) for direct sampling.
double complex_amplitude(const float* s, uint32_t n, double hz, double rate) {
  double re = 0, im = 0;
  for (uint32_t i = 0; i < n; ++i) {
    const double w = 2 * kPi * hz * i / rate;
    re += s[2 * i] * cos(w) + s[2 * i + 1] * sin(w);
    im += s[2 * i + 1] * cos(w) - s[2 * i] * sin(w);
  }
  return hypot(re, im) / n;
}
double real_amplitude(const float* s, uint32_t n, int channel, double hz, double rate) {
  double c = 0, q = 0;
  for (uint32_t i = 0; i < n; ++i) {
    const double w = 2 * kPi * hz * i / rate;
    c += s[2 * i + channel] * cos(w);
    q += s[2 * i + channel] * sin(w);
  }
  return 2 * hypot(c, q) / n;
}

TEST_F(Simulator, SignalIsAToneAndDirectSamplingSwitchesToTwoRealTones) {
  kelvo_handle h = open_rx();
  const double rate = 16384000;  // with 4 x 4096 samples every default tone is whole cycles
  ASSERT_EQ(kelvo_rx_set_samplerate(h, rate, nullptr), 0);
  rx.set_paced(0);
  rx.set_block_limit(6);
  Sink sink;
  struct Seen { double tone, hf1_on_i, hf2_on_q, hf1_on_q, noise; };
  std::vector<Seen> seen;
  sink.on_block = [&](float* s, uint32_t n) {
    double residual = 0;  // block 0 starts at phase 0 of the ring
    for (uint32_t i = 0; i < n; ++i) {
      const double d = s[2 * i] - 0.5 * cos(2 * kPi * 1e6 * i / rate);
      residual += d * d;
    }
    seen.push_back({complex_amplitude(s, n, 1e6, rate), real_amplitude(s, n, 0, 3e6, rate),
                    real_amplitude(s, n, 1, 7e6, rate), real_amplitude(s, n, 1, 3e6, rate),
                    sqrt(residual / n)});
    if (seen.size() == 2) kelvo_rx_set_direct_sampling(h, 1);  // takes effect from block 3
  };
  ASSERT_EQ(kelvo_rx_read_async(h, Sink::callback, &sink, 4, 4096), 0);
  ASSERT_EQ(seen.size(), 6u);
  EXPECT_GT(seen[0].noise, 0.003);
  EXPECT_LT(seen[0].noise, 0.03);
  for (size_t k = 0; k < seen.size(); ++k) {
    SCOPED_TRACE("block " + std::to_string(k));
    if (k < 2) {
      EXPECT_NEAR(seen[k].tone, 0.5, 0.01);
      EXPECT_LT(seen[k].hf1_on_i, 0.01);
    } else {
      EXPECT_LT(seen[k].tone, 0.01);
      EXPECT_NEAR(seen[k].hf1_on_i, 0.5, 0.01);
      EXPECT_NEAR(seen[k].hf2_on_q, 0.3, 0.01);
      EXPECT_LT(seen[k].hf1_on_q, 0.01);
    }
  }
}

TEST_F(Simulator, JournalCountsLinesBeyondItsCapacity) {
  char buffer[KELVO_LIST_BUFFER_SIZE];
  const int calls = 70000;
  for (int i = 0; i < calls; ++i) kelvo_sdr_list_devices(buffer);
  const std::vector<std::string> lines = lines_of(rx.journal_text());
  ASSERT_GE(lines.size(), 16385u);
  const int kept = static_cast<int>(lines.size()) - 1;
  EXPECT_EQ(lines[kept - 1], "sdr.list_devices");
  EXPECT_EQ(lines.back(), "journal.dropped(" + std::to_string(calls - kept) + ")");
  kelvo_rx_list_devices(buffer);  // still full: counted, and the count stays last
  EXPECT_EQ(lines_of(rx.journal_text()).back(),
            "journal.dropped(" + std::to_string(calls - kept + 1) + ")");
}

TEST_F(Simulator, JournalKeepsEveryLineFromConcurrentThreadsOfBothLibraries) {
  kelvo_handle r = open_rx();
  kelvo_handle s = nullptr;
  ASSERT_EQ(kelvo_sdr_open(&s, 0), 0);
  const int per_thread = 3000;
  std::vector<std::thread> threads;
  for (int t = 0; t < 4; ++t) {
    threads.emplace_back([&, t] {
      for (int i = 0; i < per_thread; ++i) {
        if (t % 2)
          kelvo_sdr_set_user_gpo(s, t * 100000 + i);
        else
          kelvo_rx_set_user_gpo(r, t * 100000 + i);
      }
    });
  }
  for (std::thread& t : threads) t.join();
  std::vector<std::string> lines = lines_of(rx.journal_text());
  ASSERT_EQ(lines.size(), 2u + 4 * per_thread);
  int next[4] = {0, 0, 0, 0};
  for (size_t i = 2; i < lines.size(); ++i) {
    int value = -1;
    char lib[4] = "";
    ASSERT_EQ(sscanf(lines[i].c_str(), "%3[a-z].set_user_gpo(%*[a-z]#0, %d)", lib, &value), 2)
        << lines[i];
    const int t = value / 100000;
    ASSERT_EQ(std::string(lib), t % 2 ? "sdr" : "rx") << lines[i];
    ASSERT_EQ(value % 100000, next[t]++) << "out of order: " << lines[i];
  }
}

}  // namespace
