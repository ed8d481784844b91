#pragma once

#include <cstddef>

#include "frame/plugin_types.h"

// "hw: r.<hw> fw: v.<fw>" into the 64-byte BoardInfo. Each text is read from a
// 32-byte library buffer, terminated or not. When both do not fit, the longer
// is shortened first so that both stay readable.
void FormatBoardInfo(char (&out)[BoardInfoSize], const char* hw_revision, const char* fw_version);
