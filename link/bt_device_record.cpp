#include "link/bt_device_record.h"

#include <stdlib.h>
#include <string.h>

BtServiceDefaults BtDefaults = {
    0, 0, 0,
    {-1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1},
    {0},
    {0},
};

void *(*BtAllocate)(size_t bytes) = malloc;

void BtRelease(void *block)
{
    free(block);
}

void ApplyBtServiceDefaults(int32_t type, BtDeviceRecord *record)
{
    // Only bit 0 of the adapter's values counts: an adapter DefaultAuth of 2 means no.
    uint32_t flags = record->flags & ~(uint32_t)(BT_FLAG_AUTH | BT_FLAG_ENCRYPT);
    record->mtu = BtDefaults.DefaultMtu;
    if (BtDefaults.DefaultAuth & 1)
        flags |= BT_FLAG_AUTH;
    if (BtDefaults.DefaultEncrypt & 1)
        flags |= BT_FLAG_ENCRYPT;

    if (type >= 0 && type < BT_SERVICE_KEY_COUNT) {
        if (BtDefaults.mtu[type] >= 0)
            record->mtu = (uint32_t)BtDefaults.mtu[type];
        // A service key replaces the adapter's auth and encrypt even when it lacks those values.
        flags &= ~(uint32_t)(BT_FLAG_AUTH | BT_FLAG_ENCRYPT);
        if (BtDefaults.auth[type])
            flags |= BT_FLAG_AUTH;
        if (BtDefaults.encrypt[type])
            flags |= BT_FLAG_ENCRYPT;
    }
    record->flags = flags;
}

void InitBtDeviceRecord(BtDeviceRecord *record, uint64_t address, int32_t type)
{
    memset(record, 0, sizeof(*record));
    record->handle = nullptr;
    record->sdp_record = nullptr;
    record->channel = BT_DEFAULT_CHANNEL;
    record->type = type;
    record->address = address;
    ApplyBtServiceDefaults(type, record);
}
