// Loading an ExtIO plug-in the way a host program does: by path, with every
// entry point resolved by its exported name.
#pragma once

#include <windows.h>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

extern "C" {
typedef void (*ExtioCallback)(int count, int status, float value, void* data);
}

struct ExtioEntryPoints {
  bool(__stdcall* InitHW)(char* name, char* model, int* type) = nullptr;
  bool(__stdcall* OpenHW)() = nullptr;
  int(__stdcall* StartHW)(int32_t lo_hz) = nullptr;
  int(__stdcall* StartHW64)(int64_t lo_hz) = nullptr;
  void(__stdcall* StopHW)() = nullptr;
  void(__stdcall* CloseHW)() = nullptr;
  int32_t(__stdcall* SetHWLO)(int32_t lo_hz) = nullptr;
  int64_t(__stdcall* SetHWLO64)(int64_t lo_hz) = nullptr;
  int(__stdcall* GetStatus)() = nullptr;
  void(__stdcall* SetCallback)(ExtioCallback callback) = nullptr;
  int32_t(__stdcall* GetHWLO)() = nullptr;
  int64_t(__stdcall* GetHWLO64)() = nullptr;
  int(__stdcall* GetHWSR)() = nullptr;
  void(__stdcall* VersionInfo)(const char* name, int major, int minor) = nullptr;
  int(__stdcall* ExtIoGetSrates)(int row, double* rate_hz) = nullptr;
  int(__stdcall* ExtIoGetActualSrateIdx)() = nullptr;
  int(__stdcall* ExtIoSetSrate)(int row) = nullptr;
  int(__stdcall* ExtIoGetSetting)(int number, char* description, char* value) = nullptr;
  void(__stdcall* ExtIoSetSetting)(int number, const char* value) = nullptr;
  void(__stdcall* ShowGUI)() = nullptr;
  void(__stdcall* HideGUI)() = nullptr;
  void(__stdcall* SwitchGUI)() = nullptr;
};

class ExtioPlugin {
 public:
  // Loads a private copy of the DLL file, so that the plug-in's static state
  // is fresh (a plug-in never resets it). The copy is deleted on unload.
  static std::unique_ptr<ExtioPlugin> LoadFreshCopy(const std::string& dll_path, std::string* error);
  // Loads the file itself, as a host does.
  static std::unique_ptr<ExtioPlugin> Load(const std::string& dll_path, std::string* error);
  ~ExtioPlugin();

  FARPROC Find(const char* exported_name) const;
  HMODULE module() const { return module_; }

  ExtioEntryPoints api;
  std::vector<std::string> missing;  // entry points not found by name

 private:
  ExtioPlugin() = default;
  static std::unique_ptr<ExtioPlugin> LoadPath(const std::string& path, std::string* error);
  HMODULE module_ = nullptr;
  std::string copy_path_;
};

// The directory of the running program, with a trailing backslash.
std::string ProgramDirectory();
