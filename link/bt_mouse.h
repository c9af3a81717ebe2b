#pragma once
// The paired mouse among the stack's device records: the walk's callback that keeps it, and what
// it keeps for the connection procedure. No Windows header.
#include "link/bt_device_record.h"

// A callback of the walk: the record and its SDP block live only until it returns. Non-zero goes
// on with the next device of the same service type, 0 ends that service type.
typedef int (*BtDeviceCallback)(uint32_t context, BtDeviceRecord *record);

// Set by the first walk that finds an active HID record and never cleared. Whenever it is set,
// BtMouseRecord points at a record: when the copy cannot be allocated, both stay as they were
// (unset if no mouse was kept before), so a caller that sees the mark always has the record.
extern bool BtMouseFound;

// A heap copy of the last active HID record of the walks so far, replaced on every match and
// kept until the process ends. It never carries an SDP block (null, size 0): the walk's block is
// released as soon as the callback returns, and nothing reads the copy's.
extern BtDeviceRecord *BtMouseRecord;

// Keeps a copy of an active record of type HID; always 1, so that the walk visits every record.
int FindMouse(uint32_t context, BtDeviceRecord *record);
