#pragma once
// How the stack's registry text and values turn into a BtDeviceRecord. No Windows header.
#include "link/bt_device_record.h"

// A device key's name is at most 49 characters (the enumeration buffer holds 50 with the
// terminator); a longer one cannot be fetched and ends its service type.
#define BT_KEY_NAME_UNITS 50

// Registry value types, as the registry numbers them.
#define BT_REG_SZ 1
#define BT_REG_BINARY 3
#define BT_REG_DWORD 4

// A device key's name: leading spaces, then exactly 12 hexadecimal digits (either case, most
// significant first), then the end of the name or a space and anything after it. On success the
// address is stored; otherwise false and the address is untouched.
bool ParseBtDeviceKeyName(const char16_t *name, uint64_t *address);

// Exactly "{XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX}" and the end of the text, X a hexadecimal digit
// of either case. On success the GUID is stored; otherwise false and the GUID is untouched.
bool ParseGuidString(const char16_t *text, BtGuid *guid);

// The device key's values, in the order they are read.
enum BtDeviceValue {
    BT_VALUE_NAME,
    BT_VALUE_PORT_NAME,
    BT_VALUE_CHANNEL,
    BT_VALUE_HID_SUBCLASS,
    BT_VALUE_HANDLE,
    BT_VALUE_ACTIVE,
    BT_VALUE_AUTH,
    BT_VALUE_ENCRYPT,
    BT_VALUE_MTU,
    BT_VALUE_SERVICE_ID,
    BT_VALUE_SDP_RECORD, // a block of its own size; the walk reads it (ApplyBtDeviceValue ignores it)
    BT_DEVICE_VALUE_COUNT
};
extern const char16_t *const BtDeviceValueName[BT_DEVICE_VALUE_COUNT];

// The most bytes any value but the SDP record is accepted with ("name": 249 units).
#define BT_VALUE_MAX_BYTES (BT_NAME_UNITS * 2)

// Applies one value of the device key to the record: type and size as the registry reported
// them, data holding size bytes (any alignment). A value of another type or size leaves its
// field as it was, except that a refused "name" or "port_name" leaves the text empty; a text that
// does not fit its field with a terminator is refused, never cut. A value that could not be read
// is not passed at all.
void ApplyBtDeviceValue(BtDeviceRecord *record, int value, uint32_t type, const void *data, uint32_t size);
