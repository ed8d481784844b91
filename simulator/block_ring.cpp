#include "block_ring.h"

#include <windows.h>

namespace kelvo_sim {

bool BlockRing::allocate(uint32_t count, uint32_t samples) {
  release();
  if (count == 0 || samples == 0) return false;
  SYSTEM_INFO info;
  GetSystemInfo(&info);
  const uint64_t page = info.dwPageSize;
  const uint64_t bytes = static_cast<uint64_t>(samples) * 2 * sizeof(float);
  const uint64_t data_pages = (bytes + page - 1) / page * page;
  const uint64_t slot = data_pages + page;
  const uint64_t total = slot * count;
  // Refuse sizes that would wrap or starve a 32-bit process.
  if (total / count != slot || total > (uint64_t{1} << 30)) return false;

  void* base = VirtualAlloc(nullptr, static_cast<SIZE_T>(total), MEM_RESERVE | MEM_COMMIT,
                            PAGE_READWRITE);
  if (!base) return false;
  for (uint32_t i = 0; i < count; ++i) {
    DWORD old;
    char* guard = static_cast<char*>(base) + slot * i + data_pages;
    if (!VirtualProtect(guard, static_cast<SIZE_T>(page), PAGE_NOACCESS, &old)) {
      VirtualFree(base, 0, MEM_RELEASE);
      return false;
    }
  }
  base_ = base;
  slot_ = static_cast<size_t>(slot);
  offset_ = static_cast<size_t>(data_pages - bytes);
  count_ = count;
  return true;
}

void BlockRing::release() {
  if (base_) VirtualFree(base_, 0, MEM_RELEASE);
  base_ = nullptr;
  count_ = 0;
}

float* BlockRing::block(uint32_t i) const {
  return reinterpret_cast<float*>(static_cast<char*>(base_) + slot_ * i + offset_);
}

}  // namespace kelvo_sim
