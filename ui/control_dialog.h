#pragma once

#include <windows.h>

// Creates the control dialog hidden and records it in DialogWindow.
void CreateControlDialog();
// Destroys the control dialog, if there is one.
void DestroyControlDialog();
// Copies PluginState into the dialog's controls; nothing without a dialog.
void RefreshControls();

// The dialog's commands: results as the dialog procedure returns them.
INT_PTR HandleDialogCommand(HWND dialog, WPARAM wparam, LPARAM lparam);
INT_PTR HandleGainSlider(HWND dialog, LPARAM lparam);
