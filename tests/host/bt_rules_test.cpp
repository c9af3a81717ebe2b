#include "link/bt_rules.h"
#include "tests/host/bt_record_expect.h"

#include <gtest/gtest.h>
#include <cstring>
#include <functional>
#include <memory>
#include <string>

using std::u16string;

namespace {

const uint64_t Untouched = 0x5A5A5A5A5A5A5A5Aull;

std::string Narrow(const u16string &text)
{
    std::string s;
    for (char16_t c : text)
        s += c < 0x80 ? (char)c : '?';
    return s;
}

// A REG_SZ value as the registry stores it: the units, with the terminator when asked.
std::string SzBytes(const u16string &text, bool terminated = true)
{
    std::string bytes((const char *)text.data(), text.size() * 2);
    if (terminated)
        bytes.append(2, '\0');
    return bytes;
}

std::string DwordBytes(uint32_t v)
{
    return std::string((const char *)&v, 4);
}

bool SameGuid(const BtGuid &a, const BtGuid &b)
{
    return a.Data1 == b.Data1 && a.Data2 == b.Data2 && a.Data3 == b.Data3 &&
           std::memcmp(a.Data4, b.Data4, 8) == 0;
}


} // namespace

TEST(ParseBtDeviceKeyName, TwelveDigitsAfterSpacesThenTheEndOrASpace)
{
    struct Case { u16string name; bool ok; uint64_t address; } cases[] = {
        {u"00A0C9112233", true, 0x00A0C9112233},
        {u"00a0c9112233", true, 0x00A0C9112233},
        {u"00A0c9112233", true, 0x00A0C9112233},
        {u"FFFFFFFFFFFF", true, 0xFFFFFFFFFFFF},
        {u"000000000000", true, 0},
        {u"123456789abc", true, 0x123456789ABC},
        {u"   00A0C9112233", true, 0x00A0C9112233},
        {u" 00A0C9112233", true, 0x00A0C9112233},
        {u"00A0C9112233 ", true, 0x00A0C9112233},
        {u"00A0C9112233 Stowaway mouse", true, 0x00A0C9112233},
        {u"  00A0C9112233  x 123", true, 0x00A0C9112233},
        {u"00A0C911223", false, 0},            // 11 digits
        {u"00A0C91122334", false, 0},          // 13 digits
        {u"00A0C911223 3", false, 0},          // a space inside
        {u"00A0-C9112233", false, 0},          // a dash between digits
        {u"00:A0:C9:11:22:33", false, 0},
        {u"00A0C911223G", false, 0},           // a letter beyond F
        {u"00A0C911223g", false, 0},
        {u"00A0C9112233x", false, 0},          // text straight after the digits
        {u"00A0C9112233-1", false, 0},
        {u"00A0C9112233\t", false, 0},         // only a space ends the digits
        {u"\t00A0C9112233", false, 0},         // only spaces are skipped
        {u"0x00A0C91122", false, 0},
        {u"+00A0C911223", false, 0},
        {u"\uFF10\uFF10A0C9112233", false, 0}, // fullwidth digits are not ASCII
        {u"", false, 0},
        {u"   ", false, 0},
        {u16string(u"00A0C9\0" u"112233", 13), false, 0}, // the name ends at its terminator
    };
    for (const Case &c : cases) {
        uint64_t address = Untouched;
        EXPECT_EQ(c.ok, ParseBtDeviceKeyName(c.name.c_str(), &address)) << Narrow(c.name);
        EXPECT_EQ(c.ok ? c.address : Untouched, address) << Narrow(c.name);
    }
}

TEST(ParseGuidString, OnlyTheBracedFormAndTheEndOfTheText)
{
    const BtGuid sample = {0x12345678, 0x9ABC, 0xDEF0, {0x11, 0x22, 0x33, 0x44, 0x55, 0x66, 0x77, 0x88}};
    const BtGuid hid = {0x00001124, 0x0000, 0x1000, {0x80, 0x00, 0x00, 0x80, 0x5F, 0x9B, 0x34, 0xFB}};
    const BtGuid zero = {0, 0, 0, {0}};
    struct Case { u16string text; bool ok; BtGuid want; } cases[] = {
        {u"{12345678-9ABC-DEF0-1122-334455667788}", true, sample},
        {u"{12345678-9abc-def0-1122-334455667788}", true, sample},
        {u"{00001124-0000-1000-8000-00805F9B34FB}", true, hid},
        {u"{00000000-0000-0000-0000-000000000000}", true, zero},
        {u"{12345678-9ABC-DEF0-1122-334455667788", false, {}},    // no closing brace
        {u"{12345678-9ABC-DEF0-1122-334455667788}x", false, {}},  // text after the brace
        {u"{12345678-9ABC-DEF0-1122-334455667788} ", false, {}},
        {u"{12345678_9ABC-DEF0-1122-334455667788}", false, {}},   // another character for a dash
        {u"{12345678-9ABC-DEF0-1122_334455667788}", false, {}},
        {u"{12345678-9ABC-DEF0-11223344-55667788}", false, {}},   // dash in the wrong place
        {u"{12345678-9ABC-DEF0-112233445566-7788}", false, {}},
        {u"12345678-9ABC-DEF0-1122-334455667788", false, {}},     // no braces
        {u"(12345678-9ABC-DEF0-1122-334455667788)", false, {}},
        {u" {12345678-9ABC-DEF0-1122-334455667788}", false, {}},
        {u"{1234567-9ABC-DEF0-1122-334455667788}", false, {}},    // a group one digit short
        {u"{123456789-9ABC-DEF0-1122-33445566778}", false, {}},   // one digit long
        {u"{12345678-9ABC-DEF0-1122-33445566778}", false, {}},
        {u"{12345678-9ABC-DEF0-1122-3344556677889}", false, {}},
        {u"{12345678-9ABG-DEF0-1122-334455667788}", false, {}},   // a letter beyond F
        {u"{ 2345678-9ABC-DEF0-1122-334455667788}", false, {}},
        {u"{+2345678-9ABC-DEF0-1122-334455667788}", false, {}},
        {u"{12345678-9ABC-DEF0-1122-3344\uFF15\uFF15667788}", false, {}},
        {u"{}", false, {}},
        {u"", false, {}},
    };
    for (const Case &c : cases) {
        BtGuid got;
        std::memset(&got, 0xA5, sizeof(got));
        BtGuid before = got;
        EXPECT_EQ(c.ok, ParseGuidString(c.text.c_str(), &got)) << Narrow(c.text);
        EXPECT_TRUE(SameGuid(c.ok ? c.want : before, got)) << Narrow(c.text);
    }
}

TEST(ApplyBtDeviceValue, EachValueChangesOnlyItsFieldWhenTypeAndSizeAreRight)
{
    const char *guidText = "{00001124-0000-1000-8000-00805F9B34FB}";
    u16string guid(guidText, guidText + 38);
    const BtGuid hid = {0x00001124, 0x0000, 0x1000, {0x80, 0x00, 0x00, 0x80, 0x5F, 0x9B, 0x34, 0xFB}};
    u16string n248(248, u'n'), n249(249, u'n'), p15(15, u'p');

    using Edit = std::function<void(BtDeviceRecord &)>;
    auto name = [](u16string t) -> Edit { return [t](BtDeviceRecord &r) { std::memset(r.name, 0, sizeof(r.name)); t.copy(r.name, t.size()); }; };
    auto port = [](u16string t) -> Edit { return [t](BtDeviceRecord &r) { std::memset(r.port_name, 0, sizeof(r.port_name)); t.copy(r.port_name, t.size()); }; };
    auto flags = [](uint32_t f) -> Edit { return [f](BtDeviceRecord &r) { r.flags = f; }; };
    Edit same = [](BtDeviceRecord &) {};

    // The starting record: AUTH set by the defaults, texts "old" and "oldport".
    struct Case { const char *what; int value; uint32_t type; std::string bytes; Edit want; } cases[] = {
        {"name", BT_VALUE_NAME, BT_REG_SZ, SzBytes(u"Mouse \u00e9\u03a9"), name(u"Mouse \u00e9\u03a9")},
        {"name of 248 units and terminator", BT_VALUE_NAME, BT_REG_SZ, SzBytes(n248), name(n248)},
        {"name of 248 units unterminated", BT_VALUE_NAME, BT_REG_SZ, SzBytes(n248, false), name(n248)},
        {"name of 249 units and terminator", BT_VALUE_NAME, BT_REG_SZ, SzBytes(n249), name(u"")},
        {"name of 249 units unterminated", BT_VALUE_NAME, BT_REG_SZ, SzBytes(n249, false), name(u"")},
        {"name with a stray byte", BT_VALUE_NAME, BT_REG_SZ, SzBytes(u"Mouse", false) + "x", name(u"Mouse")},
        {"name up to its terminator", BT_VALUE_NAME, BT_REG_SZ, SzBytes(u16string(u"Mo\0use", 6)), name(u"Mo")},
        {"name of no bytes", BT_VALUE_NAME, BT_REG_SZ, "", name(u"")},
        {"name expandable", BT_VALUE_NAME, 2, SzBytes(u"Mouse"), name(u"")},
        {"name as binary", BT_VALUE_NAME, BT_REG_BINARY, SzBytes(u"Mouse"), name(u"")},
        {"port_name of 15 units", BT_VALUE_PORT_NAME, BT_REG_SZ, SzBytes(p15), port(p15)},
        {"port_name of 16 units", BT_VALUE_PORT_NAME, BT_REG_SZ, SzBytes(p15 + u"p"), port(u"")},
        {"port_name of 16 units unterminated", BT_VALUE_PORT_NAME, BT_REG_SZ, SzBytes(p15 + u"p", false), port(u"")},
        {"port_name as a number", BT_VALUE_PORT_NAME, BT_REG_DWORD, DwordBytes(3), port(u"")},
        {"channel", BT_VALUE_CHANNEL, BT_REG_DWORD, DwordBytes(5), [](BtDeviceRecord &r) { r.channel = 5; }},
        {"channel 0", BT_VALUE_CHANNEL, BT_REG_DWORD, DwordBytes(0), same},
        {"channel 0x1FF", BT_VALUE_CHANNEL, BT_REG_DWORD, DwordBytes(0x1FF), [](BtDeviceRecord &r) { r.channel = 0xFF; }},
        {"channel 256", BT_VALUE_CHANNEL, BT_REG_DWORD, DwordBytes(256), [](BtDeviceRecord &r) { r.channel = 0; }},
        {"channel of 2 bytes", BT_VALUE_CHANNEL, BT_REG_DWORD, std::string("\5\0", 2), same},
        {"channel of 8 bytes", BT_VALUE_CHANNEL, BT_REG_DWORD, DwordBytes(5) + DwordBytes(0), same},
        {"channel big-endian", BT_VALUE_CHANNEL, 5, DwordBytes(5), same},
        {"channel as binary", BT_VALUE_CHANNEL, BT_REG_BINARY, DwordBytes(5), same},
        {"hid_subclass", BT_VALUE_HID_SUBCLASS, BT_REG_DWORD, DwordBytes(0xC0), [](BtDeviceRecord &r) { r.hid_subclass = 0xC0; }},
        {"hid_subclass as text", BT_VALUE_HID_SUBCLASS, BT_REG_SZ, SzBytes(u"1"), same},
        {"handle", BT_VALUE_HANDLE, BT_REG_DWORD, DwordBytes(0x1234), [](BtDeviceRecord &r) { r.handle = (void *)0x1234; }},
        {"handle of all ones", BT_VALUE_HANDLE, BT_REG_DWORD, DwordBytes(0xFFFFFFFF), [](BtDeviceRecord &r) { r.handle = (void *)(uintptr_t)0xFFFFFFFFu; }},
        {"active", BT_VALUE_ACTIVE, BT_REG_DWORD, DwordBytes(1), flags(BT_FLAG_AUTH | BT_FLAG_ACTIVE)},
        {"active 0x100", BT_VALUE_ACTIVE, BT_REG_DWORD, DwordBytes(0x100), flags(BT_FLAG_AUTH | BT_FLAG_ACTIVE)},
        {"active 0", BT_VALUE_ACTIVE, BT_REG_DWORD, DwordBytes(0), same},
        {"active as text", BT_VALUE_ACTIVE, BT_REG_SZ, SzBytes(u"1"), same},
        {"auth 0 clears the default", BT_VALUE_AUTH, BT_REG_DWORD, DwordBytes(0), flags(0)},
        {"auth 5", BT_VALUE_AUTH, BT_REG_DWORD, DwordBytes(5), same},
        {"auth of 3 bytes", BT_VALUE_AUTH, BT_REG_DWORD, std::string(3, '\0'), same},
        {"encrypt 2", BT_VALUE_ENCRYPT, BT_REG_DWORD, DwordBytes(2), flags(BT_FLAG_AUTH | BT_FLAG_ENCRYPT)},
        {"encrypt 0", BT_VALUE_ENCRYPT, BT_REG_DWORD, DwordBytes(0), same},
        {"encrypt as binary", BT_VALUE_ENCRYPT, BT_REG_BINARY, DwordBytes(1), same},
        {"mtu", BT_VALUE_MTU, BT_REG_DWORD, DwordBytes(0), [](BtDeviceRecord &r) { r.mtu = 0; }},
        {"mtu of all ones", BT_VALUE_MTU, BT_REG_DWORD, DwordBytes(0xFFFFFFFF), [](BtDeviceRecord &r) { r.mtu = 0xFFFFFFFF; }},
        {"mtu of 2 bytes", BT_VALUE_MTU, BT_REG_DWORD, std::string("\1\2", 2), same},
        {"service_id", BT_VALUE_SERVICE_ID, BT_REG_SZ, SzBytes(guid), [&](BtDeviceRecord &r) { r.service_id = hid; }},
        {"service_id unterminated", BT_VALUE_SERVICE_ID, BT_REG_SZ, SzBytes(guid, false), [&](BtDeviceRecord &r) { r.service_id = hid; }},
        {"service_id in 126 bytes", BT_VALUE_SERVICE_ID, BT_REG_SZ, SzBytes(guid) + std::string(126 - 78, '\0'), [&](BtDeviceRecord &r) { r.service_id = hid; }},
        {"service_id in 128 bytes", BT_VALUE_SERVICE_ID, BT_REG_SZ, SzBytes(guid) + std::string(128 - 78, '\0'), same},
        {"service_id with text after it", BT_VALUE_SERVICE_ID, BT_REG_SZ, SzBytes(guid + u" "), same},
        {"service_id without its brace", BT_VALUE_SERVICE_ID, BT_REG_SZ, SzBytes(guid.substr(0, 37)), same},
        {"service_id expandable", BT_VALUE_SERVICE_ID, 2, SzBytes(guid), same},
        {"sdp_record is the walk's", BT_VALUE_SDP_RECORD, BT_REG_BINARY, "\x35\x03\x19", same},
        {"a value of no row", BT_DEVICE_VALUE_COUNT, BT_REG_DWORD, DwordBytes(1), same},
        {"a negative row", -1, BT_REG_DWORD, DwordBytes(1), same},
    };
    for (const Case &c : cases) {
        BtDeviceRecord start;
        std::memset(&start, 0, sizeof(start));
        start.type = BT_TYPE_HID;
        start.address = 0xA1;
        start.flags = BT_FLAG_AUTH;
        start.channel = BT_DEFAULT_CHANNEL;
        start.mtu = 48;
        u16string(u"old").copy(start.name, 3);
        u16string(u"oldport").copy(start.port_name, 7);
        BtDeviceRecord want = start;
        c.want(want);

        // The value's bytes alone in a block of their own size, so that a read past them shows.
        std::unique_ptr<char[]> data(new char[c.bytes.size() + 1]);
        std::memcpy(data.get(), c.bytes.data(), c.bytes.size());
        BtDeviceRecord got = start;
        ApplyBtDeviceValue(&got, c.value, c.type, data.get(), (uint32_t)c.bytes.size());
        ExpectSameRecord(want, got, c.what);
    }
}

TEST(ApplyBtDeviceValue, ValueNamesInReadingOrder)
{
    const char16_t *want[] = {u"name", u"port_name", u"channel", u"hid_subclass", u"handle", u"active",
                              u"auth", u"encrypt", u"mtu", u"service_id", u"sdp_record"};
    ASSERT_EQ(sizeof(want) / sizeof(want[0]), (size_t)BT_DEVICE_VALUE_COUNT);
    for (int v = 0; v < BT_DEVICE_VALUE_COUNT; v++)
        EXPECT_EQ(u16string(want[v]), u16string(BtDeviceValueName[v])) << v;
}
