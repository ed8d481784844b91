#include "frame/plugin_state.h"

constinit PluginState State;

constinit const SampleRateEntry SampleRateTable[SampleRateRows] = {
    {8000000.0, L"8 MHz"},   {10000000.0, L"10 MHz"}, {12500000.0, L"12.5 MHz"},
    {16000000.0, L"16 MHz"}, {20000000.0, L"20 MHz"}, {25000000.0, L"25 MHz"},
    {32000000.0, L"32 MHz"}, {40000000.0, L"40 MHz"}, {50000000.0, L"50 MHz"},
};

constinit DeviceRow DeviceTable[MaxDevices] = {};

double CurrentSampleRateHz() { return SampleRateTable[State.SampleRateIdx].RateHz; }
