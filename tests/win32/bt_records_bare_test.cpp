// A handheld whose Bluetooth stack has no device records when the first walk runs: the walk
// visits nothing, and the defaults it could not read are never read again in this process.
#include "link/bt_records.h"
#include "tests/support/wintest.h"

#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace {

const wchar_t Root[] = L"software\\microsoft\\bluetooth\\device";

void Put(const std::wstring &sub, const wchar_t *name, DWORD value)
{
    std::wstring path = sub.empty() ? Root : std::wstring(Root) + L"\\" + sub;
    ASSERT_EQ(ERROR_SUCCESS, RegSetKeyValueW(HKEY_LOCAL_MACHINE, path.c_str(), name, REG_DWORD, &value, 4));
}

std::vector<BtDeviceRecord> Seen;

int Collect(uint32_t, BtDeviceRecord *record)
{
    Seen.push_back(*record);
    return 1;
}

} // namespace

TEST(EnumBtDevices, AFirstWalkWithoutTheStacksKeyLeavesNoDefaultsForTheProcess)
{
    RegDeleteTreeW(HKEY_LOCAL_MACHINE, Root);
    EXPECT_EQ(0, EnumBtDevices(1, Collect));
    EXPECT_EQ(0, EnumBtDevices(0, FindMouse));
    EXPECT_TRUE(Seen.empty());
    EXPECT_FALSE(BtMouseFound);
    EXPECT_EQ(nullptr, BtMouseRecord);
    EXPECT_EQ(0u, BtDefaults.DefaultMtu + BtDefaults.DefaultAuth + BtDefaults.DefaultEncrypt);
    for (int i = 0; i < BT_SERVICE_KEY_COUNT; i++) {
        EXPECT_EQ(-1, BtDefaults.mtu[i]) << i;
        EXPECT_EQ(0, BtDefaults.auth[i] + BtDefaults.encrypt[i]) << i;
    }

    // The stack's records appear later: devices are read, defaults are not.
    Put(L"", L"DefaultMtu", 672);
    Put(L"", L"DefaultAuth", 1);
    Put(L"", L"DefaultEncrypt", 1);
    Put(L"HID", L"DefaultMtu", 48);
    Put(L"HID", L"DefaultAuth", 1);
    Put(L"HID\\00A0C9112233", L"active", 1);
    Put(L"HID\\00A0C9112234", L"mtu", 128);
    Put(L"UNKNOWN\\00A0C9112235", L"encrypt", 1);
    EXPECT_EQ(0, EnumBtDevices(1, Collect));
    struct Want { uint64_t address; int32_t type; uint32_t mtu, flags; } want[] = {
        {0x00A0C9112233, BT_TYPE_HID, 0, BT_FLAG_ACTIVE | BT_FLAG_TRUSTED}, // no MTU anywhere: 0
        {0x00A0C9112234, BT_TYPE_HID, 128, BT_FLAG_TRUSTED},
        {0x00A0C9112235, BT_TYPE_UNKNOWN, 0, BT_FLAG_ENCRYPT | BT_FLAG_TRUSTED},
    };
    ASSERT_EQ(3u, Seen.size());
    for (size_t i = 0; i < 3; i++) {
        EXPECT_EQ(want[i].address, Seen[i].address) << i;
        EXPECT_EQ(want[i].type, Seen[i].type) << i;
        EXPECT_EQ(want[i].mtu, Seen[i].mtu) << i;
        EXPECT_EQ(want[i].flags, Seen[i].flags) << i;
    }

    EXPECT_EQ(0, EnumBtDevices(0, FindMouse));
    EXPECT_TRUE(BtMouseFound);
    ASSERT_NE(nullptr, BtMouseRecord);
    EXPECT_EQ(0x00A0C9112233u, BtMouseRecord->address);
}
