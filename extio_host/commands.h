// The commands of extio_host; each returns the process exit code.
#pragma once

#include <string>

#include "extio_host/run_options.h"

int ListCommand(const std::string& plugin_path);
int ScreenshotCommand(const std::string& bitmap_path, const std::string& plugin_path);
int RunCommand(const RunOptions& options);
// ExtIO_KelvoSDR.dll beside the program.
std::string DefaultPluginPath();
