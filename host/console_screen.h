// The process's console screen, for reading what a plug-in wrote to its
// console device (which redirecting standard output does not capture).
#pragma once

#include <string>

// True when the process has a console whose screen can be read.
bool ConsoleAvailable();
// Blanks the screen and puts the cursor home.
void ClearConsoleScreen();
// The screen's text, rows joined with '\n' and trailing blanks trimmed.
std::string ReadConsoleScreen();
