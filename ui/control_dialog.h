#pragma once

// Creates the control dialog hidden and records it in DialogWindow.
void CreateControlDialog();
// Destroys the control dialog, if there is one.
void DestroyControlDialog();
// Copies PluginState into the dialog's controls; nothing without a dialog.
void RefreshControls();
