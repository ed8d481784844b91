#include "host/process_counts.h"

#include <windows.h>
#include <tlhelp32.h>
#include <winternl.h>

#include <vector>

namespace {

// SystemExtendedHandleInformation: one entry per open handle of every process.
constexpr SYSTEM_INFORMATION_CLASS ExtendedHandleInformation = static_cast<SYSTEM_INFORMATION_CLASS>(64);
constexpr NTSTATUS InfoLengthMismatch = static_cast<NTSTATUS>(0xC0000004L);

struct HandleEntry {
  void* object;
  ULONG_PTR process_id;
  ULONG_PTR handle_value;
  ULONG granted_access;
  USHORT creator_back_trace_index;
  USHORT object_type_index;
  ULONG handle_attributes;
  ULONG reserved;
};

struct HandleTable {
  ULONG_PTR count;
  ULONG_PTR reserved;
  HandleEntry entries[1];
};

}  // namespace

long CountProcessHandles() {
  std::vector<char> buffer(1 << 16);
  for (;;) {
    ULONG needed = 0;
    const NTSTATUS status = NtQuerySystemInformation(ExtendedHandleInformation, buffer.data(),
                                                     static_cast<ULONG>(buffer.size()), &needed);
    if (status == InfoLengthMismatch) {
      // Other processes open handles meanwhile: ask for more than was needed.
      buffer.resize(needed > buffer.size() ? needed + needed / 2 : buffer.size() * 2);
      continue;
    }
    if (status != 0) return -1;
    break;
  }
  const auto* table = reinterpret_cast<const HandleTable*>(buffer.data());
  const ULONG_PTR self = GetCurrentProcessId();
  long handles = 0;
  for (ULONG_PTR i = 0; i < table->count; ++i) handles += table->entries[i].process_id == self;
  return handles;
}

long CountProcessThreads() {
  HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPTHREAD, 0);
  if (snapshot == INVALID_HANDLE_VALUE) return -1;
  const DWORD self = GetCurrentProcessId();
  long threads = 0;
  THREADENTRY32 entry{};
  entry.dwSize = sizeof entry;
  for (BOOL more = Thread32First(snapshot, &entry); more; more = Thread32Next(snapshot, &entry))
    threads += entry.th32OwnerProcessID == self;
  CloseHandle(snapshot);
  return threads;
}

ProcessCounts CurrentProcessCounts() {
  ProcessCounts counts;
  // Threads first: the snapshot's own handle is closed before handles are counted.
  counts.threads = CountProcessThreads();
  counts.handles = CountProcessHandles();
  return counts;
}
