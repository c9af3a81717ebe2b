#include "link/bt_mouse.h"

#include <new>

bool BtMouseFound = false;
BtDeviceRecord *BtMouseRecord = nullptr;

int FindMouse(uint32_t /*context*/, BtDeviceRecord *record)
{
    if (record->type != BT_TYPE_HID || !(record->flags & BT_FLAG_ACTIVE))
        return 1;

    // The new copy comes first, so that a failed allocation leaves the earlier mouse in place
    // rather than a mark without a record.
    void *memory = BtAllocate(sizeof(BtDeviceRecord));
    if (!memory)
        return 1;
    BtDeviceRecord *copy = new (memory) BtDeviceRecord(*record);
    copy->sdp_record = nullptr;
    copy->sdp_record_size = 0;

    BtRelease(BtMouseRecord);
    BtMouseRecord = copy;
    BtMouseFound = true;
    return 1;
}
