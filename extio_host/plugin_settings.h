// The settings exchange with a plug-in, as a host does it: the stored pairs
// handed back before OpenHW, the current ones collected after StopHW.
#pragma once

#include <vector>

#include "extio_host/settings_file.h"
#include "host/extio_plugin.h"

// ExtIoSetSetting for each pair, in the order given (the identifier first).
void RestoreSettings(const ExtioEntryPoints& api, const std::vector<SettingPair>& pairs);
// ExtIoGetSetting from 0 upwards until it returns non-zero.
std::vector<SettingPair> CollectSettings(const ExtioEntryPoints& api);
