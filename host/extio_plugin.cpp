#include "host/extio_plugin.h"

#include <atomic>

#include "host/host_process.h"

std::string ProgramDirectory() {
  char path[MAX_PATH];
  DWORD length = GetModuleFileNameA(nullptr, path, MAX_PATH);
  std::string directory(path, length);
  return directory.substr(0, directory.find_last_of("\\/") + 1);
}

template <typename Fn>
static void Resolve(ExtioPlugin& plugin, Fn& slot, const char* name) {
  slot = reinterpret_cast<Fn>(reinterpret_cast<void*>(plugin.Find(name)));
  if (!slot) plugin.missing.push_back(name);
}

std::unique_ptr<ExtioPlugin> ExtioPlugin::LoadPath(const std::string& path, std::string* error) {
  LoadHostLibraries();
  // Beside the plug-in first, so the device libraries next to it are found.
  HMODULE module = LoadLibraryExA(path.c_str(), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
  if (!module) {
    if (error) *error = "cannot load " + path + " (error " + std::to_string(GetLastError()) + ")";
    return nullptr;
  }
  std::unique_ptr<ExtioPlugin> plugin(new ExtioPlugin);
  plugin->module_ = module;
  ExtioEntryPoints& api = plugin->api;
  Resolve(*plugin, api.InitHW, "InitHW");
  Resolve(*plugin, api.OpenHW, "OpenHW");
  Resolve(*plugin, api.StartHW, "StartHW");
  Resolve(*plugin, api.StartHW64, "_StartHW64@8");
  Resolve(*plugin, api.StopHW, "StopHW");
  Resolve(*plugin, api.CloseHW, "CloseHW");
  Resolve(*plugin, api.SetHWLO, "SetHWLO");
  Resolve(*plugin, api.SetHWLO64, "SetHWLO64");
  Resolve(*plugin, api.GetStatus, "GetStatus");
  Resolve(*plugin, api.SetCallback, "SetCallback");
  Resolve(*plugin, api.GetHWLO, "GetHWLO");
  Resolve(*plugin, api.GetHWLO64, "GetHWLO64");
  Resolve(*plugin, api.GetHWSR, "GetHWSR");
  Resolve(*plugin, api.VersionInfo, "VersionInfo");
  Resolve(*plugin, api.ExtIoGetSrates, "ExtIoGetSrates");
  Resolve(*plugin, api.ExtIoGetActualSrateIdx, "ExtIoGetActualSrateIdx");
  Resolve(*plugin, api.ExtIoSetSrate, "ExtIoSetSrate");
  Resolve(*plugin, api.ExtIoGetSetting, "ExtIoGetSetting");
  Resolve(*plugin, api.ExtIoSetSetting, "ExtIoSetSetting");
  Resolve(*plugin, api.ShowGUI, "ShowGUI");
  Resolve(*plugin, api.HideGUI, "HideGUI");
  Resolve(*plugin, api.SwitchGUI, "_SwitchGUI@0");
  return plugin;
}

std::unique_ptr<ExtioPlugin> ExtioPlugin::Load(const std::string& dll_path, std::string* error) {
  return LoadPath(dll_path, error);
}

// Copies left by earlier runs; those still loaded by a running test resist deletion.
static void RemoveStaleCopies(const std::string& directory) {
  WIN32_FIND_DATAA found;
  HANDLE search = FindFirstFileA((directory + "fresh-*-ExtIO_KelvoSDR.dll").c_str(), &found);
  if (search == INVALID_HANDLE_VALUE) return;
  do {
    DeleteFileA((directory + found.cFileName).c_str());
  } while (FindNextFileA(search, &found));
  FindClose(search);
}

std::unique_ptr<ExtioPlugin> ExtioPlugin::LoadFreshCopy(const std::string& dll_path, std::string* error) {
  static std::atomic<int> copies{0};
  std::string directory = dll_path.substr(0, dll_path.find_last_of("\\/") + 1);
  if (copies == 0) RemoveStaleCopies(directory);
  std::string copy = directory + "fresh-" + std::to_string(GetCurrentProcessId()) + "-" +
                     std::to_string(copies++) + "-ExtIO_KelvoSDR.dll";
  if (!CopyFileA(dll_path.c_str(), copy.c_str(), FALSE)) {
    if (error) *error = "cannot copy " + dll_path + " to " + copy;
    return nullptr;
  }
  std::unique_ptr<ExtioPlugin> plugin = LoadPath(copy, error);
  if (!plugin) {
    DeleteFileA(copy.c_str());
    return nullptr;
  }
  plugin->copy_path_ = copy;
  return plugin;
}

ExtioPlugin::~ExtioPlugin() {
  // A fresh copy stays loaded until the process ends: under Wine, unloading
  // a plug-in that has had a dialog hangs a later window call. Its file is
  // removed by the next run (RemoveStaleCopies).
  if (module_ && copy_path_.empty()) FreeLibrary(module_);
}

FARPROC ExtioPlugin::Find(const char* exported_name) const { return GetProcAddress(module_, exported_name); }
