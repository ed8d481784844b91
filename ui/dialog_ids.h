// Resource and control identifiers of the control dialog (also used by the
// resource script, so plain defines).
#pragma once

#define ControlDialogId 101

#define DeviceLabelId 1001
#define DeviceComboId 1002
#define SampleRateLabelId 1003
#define SampleRateComboId 1004
#define LnaGainLabelId 1010
#define LnaGainSliderId 1011
#define VgaGainLabelId 1014
#define VgaGainSliderId 1015
#define GpoLabelId 1016
#define CloseButtonId 1021
#define ApiInfoEditId 1026
#define SerialEditId 1027
#define BoardEditId 1028
#define ExternalClockCheckId 1030
#define InputComboId 1031
#define GpoCheck0Id 1032  // GpoCheck0..GpoCheck7 are 1032..1039
#define GpoCheck7Id 1039

// Style values of the template's control kinds.
#define LabelStyle 0x50020000     // child, visible, group, left-aligned text
#define ListStyle 0x50210003      // child, visible, vscroll, tabstop, drop-down list
#define SliderStyle 0x50010018    // child, visible, tabstop, both, no ticks
#define PushStyle 0x50010000      // child, visible, tabstop, push button
#define ReadOnlyStyle 0x50810880  // child, visible, border, tabstop, read-only, auto-hscroll
#define CheckStyle 0x50010003     // child, visible, tabstop, auto check box
