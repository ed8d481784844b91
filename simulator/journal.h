// Call journal shared by both simulated libraries of one process.
#pragma once

#include <stdint.h>

namespace kelvo_sim {

// Lines kept before further lines are only counted as dropped.
constexpr uint32_t kJournalMaxLines = 65536;

// Appends one line (printf format, no newline). Safe from any thread.
void journal_line(const char* format, ...) __attribute__((format(printf, 1, 2)));

// Copies the journal text, zero-terminated and cut to `size`; returns the
// length of the whole text.
int journal_copy(char* out, int size);

void journal_clear();

}  // namespace kelvo_sim
