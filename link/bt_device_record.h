#pragma once
// One paired Bluetooth device as the stack's registry describes it, and the service defaults that
// fill what a device key leaves out. No Windows header: text is UTF-16 in 16-bit units.
#include <stddef.h>
#include <stdint.h>

#define BT_NAME_UNITS 249     // name, terminator included
#define BT_PORT_NAME_UNITS 16 // port_name, terminator included
#define BT_DEFAULT_CHANNEL 252

// flags
#define BT_FLAG_ACTIVE 0x1
#define BT_FLAG_TRUSTED 0x2
#define BT_FLAG_AUTH 0x4
#define BT_FLAG_ENCRYPT 0x8

// The service-type keys "modem" to "Handsfree" give their index as the record's type; the
// eleventh key, "UNKNOWN", gives BT_TYPE_UNKNOWN.
#define BT_SERVICE_KEY_COUNT 11
#define BT_SERVICE_UNKNOWN_INDEX 10
#define BT_TYPE_HID 7
#define BT_TYPE_UNKNOWN (-1)

// The layout of the platform's GUID.
struct BtGuid {
    uint32_t Data1;
    uint16_t Data2;
    uint16_t Data3;
    uint8_t Data4[8];
};

struct BtDeviceRecord {
    int32_t type;        // service-type index, or BT_TYPE_UNKNOWN
    void *handle;        // the key's "handle"; the driver's handle once the driver was started for it
    char16_t name[BT_NAME_UNITS];
    char16_t port_name[BT_PORT_NAME_UNITS];
    uint64_t address;    // 48-bit Bluetooth address
    uint32_t flags;      // BT_FLAG_*
    uint8_t channel;
    uint32_t hid_subclass;
    BtGuid service_id;
    uint32_t mtu;
    uint8_t *sdp_record; // owned by whoever filled the record; null when there is none
    uint32_t sdp_record_size;
};

// Adapter-wide and per-service defaults, read from the registry once per process.
struct BtServiceDefaults {
    uint32_t DefaultMtu, DefaultAuth, DefaultEncrypt; // as stored; 0 when missing
    int32_t mtu[BT_SERVICE_KEY_COUNT];   // -1: the service has no MTU of its own
    uint8_t auth[BT_SERVICE_KEY_COUNT];  // 0 or 1
    uint8_t encrypt[BT_SERVICE_KEY_COUNT];
};
extern BtServiceDefaults BtDefaults;

// mtu, auth and encrypt from the adapter, then replaced by the service's own entries for a type of
// 0 to 10 (auth and encrypt always, mtu only when the service has one).
void ApplyBtServiceDefaults(int32_t type, BtDeviceRecord *record);

// An empty record of that address and type (channel 252), with the service defaults applied.
void InitBtDeviceRecord(BtDeviceRecord *record, uint64_t address, int32_t type);

// The block allocator of SDP records and of the kept mouse record; null when memory is out.
// A test may point it elsewhere to see an allocation fail.
extern void *(*BtAllocate)(size_t bytes);
void BtRelease(void *block);
