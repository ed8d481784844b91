#pragma once

#include <cstdio>

#include "extio_host/run_session.h"

// The end-of-run summary, for people.
void PrintRunSummary(const RunReport& report, std::FILE* out);
