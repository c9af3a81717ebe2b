#pragma once
#include "platform/pocketpc.h"

// Starts a program or document through the shell; nonzero when the shell managed it.
BOOL LaunchProgram(const WCHAR *file, const WCHAR *parameters);

// The control panel's list of Bluetooth devices.
void OpenBluetoothSettings();
