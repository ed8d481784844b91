// The plug-in's version, shown in Windows' file properties and in the
// package names. One place, read by the resource compiler and the scripts.
#pragma once

#define KELVO_VERSION_MAJOR 1
#define KELVO_VERSION_MINOR 0
#define KELVO_VERSION_PATCH 0
#define KELVO_VERSION_TEXT "1.0.0"
