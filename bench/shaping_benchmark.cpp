// ShapeBlock on one 32768-sample block, beside the two passes that bound it:
// an in-place read-and-write of the same 256 KiB (no in-place rewrite can be
// faster) and a memcpy of 256 KiB. Each runs on one block that stays in cache
// ("hot") and on a ring of 16 blocks, so that the data comes from L3/memory.
// After the run a table gives each figure and its ratio to the in-place pass.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <string>
#include <vector>

#include <unistd.h>

#include "frame/plugin_types.h"
#include "stream/direct_sampling_shaper.h"

namespace {

constexpr size_t BlockFloats = 2 * SamplesPerBlock;
constexpr size_t BlockBytes = BlockFloats * sizeof(float);
constexpr int RingBlocks = 16;

// 64-byte aligned blocks holding noise-like floats, as a receiver delivers.
class Blocks {
 public:
  explicit Blocks(int count) : count_(count) {
    base_ = static_cast<float*>(std::aligned_alloc(64, BlockBytes * count));
    uint32_t seed = 12345;
    for (size_t i = 0; i < BlockFloats * count; ++i) {
      seed = seed * 1664525u + 1013904223u;
      base_[i] = static_cast<float>(static_cast<int32_t>(seed)) * 0x1p-31f;
    }
  }
  ~Blocks() { std::free(base_); }
  float* Block(int index) const { return base_ + BlockFloats * (index % count_); }
  int count() const { return count_; }

 private:
  int count_;
  float* base_;
};

// Loads and stores every 32-bit word. XOR with a key the compiler cannot see
// (always 0) keeps the stores, and the data, as they are.
volatile uint32_t OpaqueZero = 0;
void InPlacePass(float* samples, size_t floats) {
  const uint32_t key = OpaqueZero;
  uint32_t* words = reinterpret_cast<uint32_t*>(samples);
  for (size_t i = 0; i < floats; ++i) words[i] ^= key;
}

enum class Work { Shape, InPlace, Copy };

void Run(benchmark::State& state, Work work, int mode, int ring) {
  Blocks blocks(ring);
  Blocks targets(work == Work::Copy ? ring : 1);
  int next = 0;
  for (auto _ : state) {
    float* block = blocks.Block(next);
    switch (work) {
      case Work::Shape:
        ShapeBlock(block, SamplesPerBlock, mode);
        break;
      case Work::InPlace:
        InPlacePass(block, BlockFloats);
        break;
      case Work::Copy:
        std::memcpy(targets.Block(next), block, BlockBytes);
        break;
    }
    benchmark::DoNotOptimize(block);
    benchmark::ClobberMemory();
    ++next;
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(BlockBytes));
}

struct Case {
  const char* name;
  Work work;
  int mode;
};
const Case Cases[] = {
    {"in_place_pass", Work::InPlace, ModeRF}, {"memcpy", Work::Copy, ModeRF},
    {"shape_HF1", Work::Shape, ModeHF1Direct}, {"shape_HF2", Work::Shape, ModeHF2Direct},
    {"shape_RF", Work::Shape, ModeRF},         {"shape_IQ", Work::Shape, ModeIQDirect},
};
const struct {
  const char* name;
  int blocks;
} Placements[] = {{"hot", 1}, {"ring16", RingBlocks}};

// Keeps the console output and the median time per block of every benchmark.
class TableReporter : public benchmark::ConsoleReporter {
 public:
  // Colour only on a terminal, so that a saved log stays plain text.
  TableReporter() : ConsoleReporter(isatty(STDOUT_FILENO) ? OO_ColorTabular : OO_Tabular) {}
  void ReportRuns(const std::vector<Run>& runs) override {
    ConsoleReporter::ReportRuns(runs);
    for (const Run& run : runs) {
      if (run.run_type == Run::RT_Aggregate && run.aggregate_name != "median") continue;
      if (run.error_occurred) continue;
      // The median replaces the single runs when there are repetitions.
      medians_us[run.run_name.function_name] = run.GetAdjustedRealTime();
    }
  }
  std::map<std::string, double> medians_us;
};

void PrintTable(const std::map<std::string, double>& us) {
  std::printf("\nShapeBlock, one block = 32768 complex samples = 256 KiB (median real time per block)\n");
  std::printf("%-8s %-14s %12s %10s %18s\n", "data", "work", "us/block", "GB/s", "x in-place pass");
  bool goal_met = true;
  for (const auto& placement : Placements) {
    auto find = [&](const char* name) {
      auto it = us.find(std::string(name) + "/" + placement.name);
      return it == us.end() ? -1.0 : it->second;
    };
    double reference = find("in_place_pass");
    for (const Case& c : Cases) {
      double t = find(c.name);
      if (t < 0) continue;
      double ratio = reference > 0 ? t / reference : 0;
      // RF and IQ return at once: a throughput figure would mean nothing.
      bool moves_data = c.work != Work::Shape || c.mode == ModeHF1Direct || c.mode == ModeHF2Direct;
      char throughput[16] = "-";
      if (moves_data) std::snprintf(throughput, sizeof throughput, "%.2f", BlockBytes / (t * 1e3));
      std::printf("%-8s %-14s %12.3f %10s %18.2f\n", placement.name, c.name, t, throughput, ratio);
      if (c.work == Work::Shape && (c.mode == ModeHF1Direct || c.mode == ModeHF2Direct) && ratio > 1.25)
        goal_met = false;
    }
  }
  std::printf("goal (HF1 and HF2 within 1.25x the in-place pass, hot and ring16): %s\n",
              goal_met ? "met" : "MISSED");
}

}  // namespace

int main(int argc, char** argv) {
  for (const auto& placement : Placements)
    for (const Case& c : Cases)
      benchmark::RegisterBenchmark((std::string(c.name) + "/" + placement.name).c_str(), Run, c.work, c.mode,
                                   placement.blocks)
          ->Unit(benchmark::kMicrosecond)
          ->Repetitions(5)
          ->ReportAggregatesOnly(true);
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  TableReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  benchmark::Shutdown();
  PrintTable(reporter.medians_us);
  return 0;
}
