#pragma once
// The contract with the Bluetooth HID driver behind the stream device "BHI0:". The program and
// the handheld's driver stand-in both take these values from here.

#define DRIVER_DEVICE_NAME L"BHI0:"

// Device key handed to the device manager, and the start parameter it passes to the driver.
#define DRIVER_INSTANCE_KEY L"Software\\Microsoft\\Bluetooth\\Hid\\Instance"
#define DRIVER_CLASS_KEY L"Software\\Microsoft\\Bluetooth\\Hid\\Hid_Class"

// Tells the driver the thread that receives its messages (the input pointer carries the value).
#define DRIVER_IOCTL_SET_THREAD 15

// Registered message names; the driver posts the numbers the system returns for them.
#define DRIVER_MSG_DATA L"Quillmark.Dalvern.Data"
#define DRIVER_MSG_CURSOR L"Quillmark.Dalvern.Cursor"

// wParam of the cursor message.
#define DRIVER_CURSOR_HIDE 0
#define DRIVER_CURSOR_SHOW 1

// The driver's version text, written by the installation on the settings root.
#define DRIVER_VERSION_VALUE L"VersionDriver"
