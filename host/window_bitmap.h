#pragma once

#include <windows.h>

#include <string>

// Saves what a visible, uncovered window shows on screen as a 24-bit BMP file.
bool SaveWindowBitmap(HWND window, const std::string& path);
