#pragma once
#include "platform/pocketpc.h"
#include "link/bt_device_record.h"

// Links the program to the paired mouse: 1 when the driver was started and told the receiving
// thread; -2 radio off, -3 no mouse paired, -4 the driver did not start, -5 the driver cannot be
// reached. With interactive set, each failure is explained in a box owned by owner.
int SAC_Mouse(HWND owner, HANDLE cursorThread, int interactive);

// Starts the HID driver for the record and keeps the driver's handle in it; 1 when started, -1
// when not.
int StartHidDriver(BtDeviceRecord *record);
