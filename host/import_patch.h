// Replaces one imported function of a loaded module, for tests that need a
// platform call to fail (a thread that cannot be created, for instance).
#pragma once

#include <windows.h>

// Returns the previous target, or null when the module does not import it.
void* PatchImport(HMODULE module, const char* dll_name, const char* function, void* replacement);
