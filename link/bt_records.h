#pragma once
// The Bluetooth stack's device records in the registry, read only:
// HKEY_LOCAL_MACHINE "software\microsoft\bluetooth\device", one key per service type and under
// it one key per paired device, named by the device's address.
#include "platform/pocketpc.h"
#include "link/bt_device_record.h"
#include "link/bt_mouse.h"

#define BT_DEVICE_KEY L"software\\microsoft\\bluetooth\\device"

// The service-type keys; a record's type is the index of its key ("UNKNOWN" gives -1).
extern const WCHAR *const BtServiceType[BT_SERVICE_KEY_COUNT];

// Fills BtDefaults from the registry on its first call in the process, and never again, even
// when that first attempt found nothing.
void LoadBtServiceDefaults();

// Hands every paired device's record to the callback, service type by service type in table
// order and device by device in the registry's order. Always 0.
int EnumBtDevices(uint32_t context, BtDeviceCallback callback);
