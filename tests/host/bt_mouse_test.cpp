#include "link/bt_mouse.h"
#include "tests/host/bt_record_expect.h"

#include <gtest/gtest.h>
#include <cstdlib>
#include <cstring>
#include <vector>

namespace {

BtDeviceRecord Record(uint64_t address, int32_t type, uint32_t flags)
{
    BtDeviceRecord r;
    std::memset(&r, 0, sizeof(r));
    r.type = type;
    r.address = address;
    r.flags = flags | BT_FLAG_TRUSTED;
    r.channel = 3;
    r.mtu = 48;
    r.handle = (void *)(uintptr_t)(0x100 + address);
    std::u16string(u"Mouse").copy(r.name, 5);
    std::u16string(u"COM9:").copy(r.port_name, 5);
    return r;
}

// One walk as the registry walk makes it: each record in storage of its own with an SDP block
// that is released as soon as the callback returns, so that a copy still using it shows.
void Walk(std::vector<BtDeviceRecord> records)
{
    for (BtDeviceRecord &r : records) {
        r.sdp_record_size = 3;
        r.sdp_record = (uint8_t *)std::malloc(3);
        std::memcpy(r.sdp_record, "\x35\x03\x19", 3);
        EXPECT_EQ(1, FindMouse(0, &r));
        std::free(r.sdp_record);
    }
}

class FindMouseTest : public ::testing::Test {
protected:
    void SetUp() override { Forget(); }
    void TearDown() override
    {
        BtAllocate = std::malloc;
        Forget();
    }
    static void Forget()
    {
        BtRelease(BtMouseRecord);
        BtMouseRecord = nullptr;
        BtMouseFound = false;
    }
};

void *NoMemory(size_t)
{
    return nullptr;
}

const uint32_t ACTIVE = BT_FLAG_ACTIVE;

} // namespace

TEST_F(FindMouseTest, KeepsTheLastActiveHidRecordOfEveryWalkAndNothingElse)
{
    // Walks one after the other in the same process; 0 for the address means no mouse kept.
    const uint32_t T = BT_FLAG_TRUSTED;
    struct Case { const char *what; std::vector<BtDeviceRecord> walk; uint64_t kept; uint32_t flags; } cases[] = {
        {"no records", {}, 0, 0},
        {"inactive HID, active of other types",
         {Record(1, BT_TYPE_HID, 0), Record(2, 0, ACTIVE), Record(3, BT_TYPE_UNKNOWN, ACTIVE),
          Record(4, 8, ACTIVE | BT_FLAG_AUTH), Record(5, 10, ACTIVE)}, 0, 0},
        {"one active HID", {Record(6, 3, ACTIVE), Record(7, BT_TYPE_HID, ACTIVE | BT_FLAG_ENCRYPT)}, 7,
         ACTIVE | BT_FLAG_ENCRYPT | T},
        {"two active HID: the later", {Record(8, BT_TYPE_HID, ACTIVE | BT_FLAG_AUTH), Record(9, BT_TYPE_HID, 0),
                                       Record(10, BT_TYPE_HID, ACTIVE), Record(11, 0, ACTIVE)}, 10, ACTIVE | T},
        {"a walk without a mouse keeps the earlier one", {Record(12, BT_TYPE_HID, 0)}, 10, ACTIVE | T},
        {"the same mouse again", {Record(10, BT_TYPE_HID, ACTIVE | BT_FLAG_AUTH)}, 10, ACTIVE | BT_FLAG_AUTH | T},
        {"another mouse", {Record(13, BT_TYPE_HID, ACTIVE)}, 13, ACTIVE | T},
    };
    for (const Case &c : cases) {
        Walk(c.walk);
        EXPECT_EQ(c.kept != 0, BtMouseFound) << c.what;
        ASSERT_EQ(c.kept != 0, BtMouseRecord != nullptr) << c.what;
        if (!BtMouseRecord)
            continue;
        // The whole record as the walk handed it, without the walk's SDP block.
        BtDeviceRecord want = Record(c.kept, BT_TYPE_HID, 0);
        want.flags = c.flags;
        ExpectSameRecord(want, *BtMouseRecord, c.what);
    }
}

TEST_F(FindMouseTest, ACopyThatCannotBeAllocatedLeavesNoMarkWithoutARecord)
{
    BtAllocate = NoMemory;
    Walk({Record(1, BT_TYPE_HID, ACTIVE)});
    EXPECT_FALSE(BtMouseFound);
    EXPECT_EQ(nullptr, BtMouseRecord);

    BtAllocate = std::malloc;
    Walk({Record(2, BT_TYPE_HID, ACTIVE)});
    ASSERT_TRUE(BtMouseFound);
    BtDeviceRecord *kept = BtMouseRecord;

    // The earlier mouse stays, whole, rather than being released before the failed copy.
    BtAllocate = NoMemory;
    Walk({Record(3, BT_TYPE_HID, ACTIVE)});
    EXPECT_TRUE(BtMouseFound);
    ASSERT_EQ(kept, BtMouseRecord);
    EXPECT_EQ(2u, BtMouseRecord->address);
}

TEST_F(FindMouseTest, TheKeptRecordsHandleFieldIsTheCallersToWrite)
{
    Walk({Record(1, BT_TYPE_HID, ACTIVE)});
    ASSERT_TRUE(BtMouseRecord);
    BtMouseRecord->handle = (void *)0xD00D; // the connection procedure stores the driver's handle
    Walk({});
    EXPECT_EQ((void *)0xD00D, BtMouseRecord->handle);
}
