#pragma once
// Field-by-field comparison of two device records (padding bytes carry no meaning).
#include "link/bt_device_record.h"

#include <gtest/gtest.h>
#include <cstring>
#include <string>

inline std::u16string BtText(const char16_t *field, size_t cap)
{
    size_t n = 0;
    while (n < cap && field[n])
        n++;
    EXPECT_LT(n, cap) << "the text has no terminator in its field";
    return std::u16string(field, n);
}

inline void ExpectSameRecord(const BtDeviceRecord &want, const BtDeviceRecord &got, const std::string &what)
{
    EXPECT_EQ(want.type, got.type) << what;
    EXPECT_EQ(want.handle, got.handle) << what;
    EXPECT_EQ(BtText(want.name, BT_NAME_UNITS), BtText(got.name, BT_NAME_UNITS)) << what;
    EXPECT_EQ(BtText(want.port_name, BT_PORT_NAME_UNITS), BtText(got.port_name, BT_PORT_NAME_UNITS)) << what;
    EXPECT_EQ(want.address, got.address) << what;
    EXPECT_EQ(want.flags, got.flags) << what;
    EXPECT_EQ(want.channel, got.channel) << what;
    EXPECT_EQ(want.hid_subclass, got.hid_subclass) << what;
    EXPECT_EQ(want.service_id.Data1, got.service_id.Data1) << what;
    EXPECT_EQ(want.service_id.Data2, got.service_id.Data2) << what;
    EXPECT_EQ(want.service_id.Data3, got.service_id.Data3) << what;
    EXPECT_EQ(0, std::memcmp(want.service_id.Data4, got.service_id.Data4, 8)) << what;
    EXPECT_EQ(want.mtu, got.mtu) << what;
    EXPECT_EQ(want.sdp_record, got.sdp_record) << what;
    EXPECT_EQ(want.sdp_record_size, got.sdp_record_size) << what;
}
