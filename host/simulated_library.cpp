#include "host/simulated_library.h"

template <typename Fn>
static bool Bind(HMODULE module, Fn& slot, const char* name) {
  slot = reinterpret_cast<Fn>(reinterpret_cast<void*>(GetProcAddress(module, name)));
  return slot != nullptr;
}

SimulatedLibrary::SimulatedLibrary(const char* dll_name) {
  HMODULE module = LoadLibraryA(dll_name);
  if (!module) return;
  ok_ = Bind(module, reset, "kelvo_sim_reset") & Bind(module, set_result, "kelvo_sim_set_result") &
        Bind(module, set_devices, "kelvo_sim_set_devices") &
        Bind(module, set_raw_listing, "kelvo_sim_set_raw_listing") &
        Bind(module, set_board_text, "kelvo_sim_set_board_text") &
        Bind(module, set_api_text, "kelvo_sim_set_api_text") &
        Bind(module, set_api_writes, "kelvo_sim_set_api_writes") &
        Bind(module, set_block_pattern, "kelvo_sim_set_block_pattern") &
        Bind(module, set_block_samples, "kelvo_sim_set_block_samples") &
        Bind(module, set_block_limit, "kelvo_sim_set_block_limit") & Bind(module, set_paced, "kelvo_sim_set_paced") &
        Bind(module, set_block_numbering, "kelvo_sim_set_block_numbering") &
        Bind(module, get_stats, "kelvo_sim_get_stats") &
        Bind(module, get_device_state, "kelvo_sim_get_device_state") & Bind(module, journal, "kelvo_sim_journal") &
        Bind(module, journal_clear, "kelvo_sim_journal_clear");
}

KelvoSimStats SimulatedLibrary::Stats() const {
  KelvoSimStats stats{};
  get_stats(&stats);
  return stats;
}

std::vector<std::string> SimulatedLibrary::JournalLines() const {
  int length = journal(nullptr, 0);
  std::string text(static_cast<size_t>(length) + 1, '\0');
  journal(text.data(), length + 1);
  text.resize(static_cast<size_t>(length));
  std::vector<std::string> lines;
  size_t start = 0;
  for (size_t end; (end = text.find('\n', start)) != std::string::npos; start = end + 1)
    lines.push_back(text.substr(start, end - start));
  return lines;
}
