#include "link/bt_device_record.h"
#include "tests/host/bt_record_expect.h"

#include <gtest/gtest.h>
#include <cstring>

namespace {

// Adapter: MTU 672, DefaultAuth 2 (bit 0 clear), DefaultEncrypt 3 (bit 0 set). Services: modem
// has no key, printer an MTU of 0 with auth and encrypt, HID an MTU of 48 with auth, Headset
// no MTU of its own, UNKNOWN (index 10) an MTU of 99.
BtServiceDefaults Sample()
{
    BtServiceDefaults d = {672, 2, 3, {-1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1}, {0}, {0}};
    d.mtu[1] = 0, d.auth[1] = 1, d.encrypt[1] = 1;
    d.mtu[BT_TYPE_HID] = 48, d.auth[BT_TYPE_HID] = 1;
    d.mtu[BT_SERVICE_UNKNOWN_INDEX] = 99, d.encrypt[BT_SERVICE_UNKNOWN_INDEX] = 1;
    return d;
}

struct DefaultsScope {
    BtServiceDefaults saved = BtDefaults;
    explicit DefaultsScope(const BtServiceDefaults &d) { BtDefaults = d; }
    ~DefaultsScope() { BtDefaults = saved; }
};

} // namespace

TEST(ApplyBtServiceDefaults, AdapterFirstThenTheServiceForTypesZeroToTen)
{
    DefaultsScope scope(Sample());
    const uint32_t A = BT_FLAG_AUTH, E = BT_FLAG_ENCRYPT;
    struct Case { int32_t type; uint32_t mtu, flags; } cases[] = {
        {BT_TYPE_UNKNOWN, 672, E},   // adapter only: DefaultAuth 2 has bit 0 clear
        {0, 672, 0},                 // a service without entries still replaces auth and encrypt
        {1, 0, A | E},               // an MTU entry of 0 counts
        {BT_TYPE_HID, 48, A},
        {5, 672, 0},
        {BT_SERVICE_UNKNOWN_INDEX, 99, E},
        {11, 672, E},                // beyond the table: adapter only
        {-2, 672, E},
        {INT32_MIN, 672, E},
    };
    for (const Case &c : cases) {
        for (uint32_t other : {0u, (uint32_t)(BT_FLAG_ACTIVE | BT_FLAG_TRUSTED | A | E | 0xF0)}) {
            BtDeviceRecord r;
            std::memset(&r, 0, sizeof(r));
            r.flags = other;
            r.mtu = 12345;
            ApplyBtServiceDefaults(c.type, &r);
            EXPECT_EQ(c.mtu, r.mtu) << c.type;
            // Bits 2 and 3 come from the defaults; every other bit stays.
            EXPECT_EQ(c.flags | (other & ~(A | E)), r.flags) << c.type << " " << other;
        }
    }
}

TEST(ApplyBtServiceDefaults, NoDefaultsAnywhereGiveMtuZeroAndNoFlags)
{
    DefaultsScope scope({0, 0, 0, {-1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1}, {0}, {0}});
    for (int32_t type = -1; type <= BT_SERVICE_UNKNOWN_INDEX; type++) {
        BtDeviceRecord r;
        InitBtDeviceRecord(&r, 1, type);
        EXPECT_EQ(0u, r.mtu) << type;
        EXPECT_EQ(0u, r.flags) << type;
    }
}

TEST(ApplyBtServiceDefaults, TheAdapterMtuIsTakenAsStored)
{
    DefaultsScope scope({0xFFFFFFFF, 0, 0, {-1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1}, {0}, {0}});
    BtDeviceRecord r;
    InitBtDeviceRecord(&r, 1, BT_TYPE_HID);
    EXPECT_EQ(0xFFFFFFFFu, r.mtu);
}

TEST(InitBtDeviceRecord, ClearsEverythingThenSetsChannelTypeAddressAndDefaults)
{
    DefaultsScope scope(Sample());
    struct Case { uint64_t address; int32_t type; uint32_t mtu, flags; } cases[] = {
        {0xA0C9112233, BT_TYPE_HID, 48, BT_FLAG_AUTH},
        {0, BT_TYPE_UNKNOWN, 672, BT_FLAG_ENCRYPT},
        {0xFFFFFFFFFFFF, 1, 0, BT_FLAG_AUTH | BT_FLAG_ENCRYPT},
    };
    for (const Case &c : cases) {
        BtDeviceRecord got;
        std::memset(&got, 0xAB, sizeof(got)); // whatever the storage held before
        InitBtDeviceRecord(&got, c.address, c.type);

        BtDeviceRecord want;
        std::memset(&want, 0, sizeof(want));
        want.type = c.type;
        want.address = c.address;
        want.channel = 252;
        want.handle = nullptr;
        want.sdp_record = nullptr;
        want.mtu = c.mtu;
        want.flags = c.flags;
        ExpectSameRecord(want, got, std::to_string(c.type));
        EXPECT_EQ(0, got.name[0]);
        EXPECT_EQ(0, got.port_name[0]);
    }
}
