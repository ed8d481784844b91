#include "extio_host/plugin_settings.h"

// The interface gives the plug-in buffers of 1024 characters; one more keeps
// a text that fills them terminated.
static constexpr int SettingTextSize = 1024;
// A plug-in that never says "no more" still ends here.
static constexpr int MostSettings = 1000;

void RestoreSettings(const ExtioEntryPoints& api, const std::vector<SettingPair>& pairs) {
  for (const SettingPair& pair : pairs) api.ExtIoSetSetting(pair.number, pair.value.c_str());
}

std::vector<SettingPair> CollectSettings(const ExtioEntryPoints& api) {
  std::vector<SettingPair> pairs;
  for (int number = 0; number < MostSettings; ++number) {
    char key[SettingTextSize + 1] = {}, value[SettingTextSize + 1] = {};
    if (api.ExtIoGetSetting(number, key, value) != 0) break;
    pairs.push_back({number, key, value});
  }
  return pairs;
}
