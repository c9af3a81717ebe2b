// The walk over the Bluetooth stack's device records and the mouse filter, over a fixture written
// into this handheld's real registry in the stack's layout. The service defaults are read once per
// process, so the fixture is written before the first walk and stays for the whole program.
#include "link/bt_records.h"
#include "link/bt_rules.h"
#include "tests/support/wintest.h"

#include <gtest/gtest.h>
#include <algorithm>
#include <cstring>
#include <functional>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

using namespace wt;

namespace {

const wchar_t Root[] = L"software\\microsoft\\bluetooth\\device";

// The stack's service-type keys in its order; a record's type is the index, -1 for "UNKNOWN".
const wchar_t *const Services[] = {L"modem", L"printer", L"lan_access", L"file_trans", L"OBEX", L"Headset",
                                   L"ActiveSync", L"HID", L"PAN", L"Handsfree", L"UNKNOWN"};

int TypeOf(const std::wstring &service)
{
    for (int i = 0; i < 10; i++)
        if (service == Services[i])
            return i;
    return -1;
}

struct Value {
    std::wstring name;
    DWORD type;
    std::string bytes;
};

Value Dw(const wchar_t *name, DWORD v)
{
    return {name, REG_DWORD, std::string((const char *)&v, 4)};
}
Value Sz(const wchar_t *name, const std::wstring &text, DWORD type = REG_SZ)
{
    return {name, type, std::string((const char *)text.c_str(), (text.size() + 1) * 2)};
}
Value Raw(const wchar_t *name, DWORD type, const std::string &bytes)
{
    return {name, type, bytes};
}

std::wstring Path(const std::wstring &sub)
{
    return sub.empty() ? Root : std::wstring(Root) + L"\\" + sub;
}

void Write(const std::wstring &sub, const std::vector<Value> &values)
{
    HKEY key;
    ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyExW(HKEY_LOCAL_MACHINE, Path(sub).c_str(), 0, NULL, 0, KEY_ALL_ACCESS,
                                             NULL, &key, NULL))
        << Utf8(sub);
    for (const Value &v : values)
        ASSERT_EQ(ERROR_SUCCESS, RegSetValueExW(key, v.name.c_str(), 0, v.type, (const BYTE *)v.bytes.data(),
                                                (DWORD)v.bytes.size()))
            << Utf8(sub) << " " << Utf8(v.name);
    RegCloseKey(key);
}

void Delete(const std::wstring &sub, const wchar_t *value)
{
    RegDeleteKeyValueW(HKEY_LOCAL_MACHINE, Path(sub).c_str(), value);
}

const uint32_t ACTIVE = BT_FLAG_ACTIVE, AUTH = BT_FLAG_AUTH, ENCRYPT = BT_FLAG_ENCRYPT;

// What a visited device's record holds; trusted is checked on every record apart from these flags.
struct Seen {
    uint64_t address;
    std::u16string name, port;
    uint32_t flags;
    int channel;
    uint32_t mtu;
    uint32_t hid_subclass = 0;
    uintptr_t handle = 0;
    BtGuid guid = {};
    std::string sdp = "";
};

struct Device {
    std::wstring service, key;
    std::vector<Value> values;
    std::optional<Seen> seen; // none: the walk must not hand it to a callback
};

const BtGuid HidGuid = {0x00001124, 0x0000, 0x1000, {0x80, 0x00, 0x00, 0x80, 0x5F, 0x9B, 0x34, 0xFB}};
const BtGuid SampleGuid = {0x12345678, 0x9ABC, 0xDEF0, {0x11, 0x22, 0x33, 0x44, 0x55, 0x66, 0x77, 0x88}};

std::u16string U16(const std::wstring &w)
{
    return std::u16string(w.begin(), w.end());
}

std::wstring Padded(const std::wstring &start, size_t length)
{
    return start + std::wstring(length - start.size(), L'x');
}

// Adapter: MTU 672, DefaultAuth 2 (bit 0 clear), DefaultEncrypt 3 (bit 0 set).
// modem: no defaults; printer: MTU 0, DefaultAuth 0x100, DefaultEncrypt 1; lan_access: every
// default malformed; Headset: an MTU of 0xFFFFFFFF (negative: none); HID: MTU 48, DefaultAuth 5;
// UNKNOWN: defaults that its records (type -1) never take. file_trans has no devices, OBEX no key.
void WriteDefaults()
{
    Write(L"", {Dw(L"DefaultMtu", 672), Dw(L"DefaultAuth", 2), Dw(L"DefaultEncrypt", 3)});
    Write(L"modem", {});
    Write(L"printer", {Dw(L"DefaultMtu", 0), Dw(L"DefaultAuth", 0x100), Dw(L"DefaultEncrypt", 1)});
    Write(L"lan_access", {Sz(L"DefaultMtu", L"100"), Raw(L"DefaultAuth", REG_DWORD, std::string("\1\0", 2)),
                          Raw(L"DefaultEncrypt", REG_DWORD, std::string("\1\0\0\0\0\0\0\0", 8))});
    Write(L"file_trans", {});
    Write(L"Headset", {Dw(L"DefaultMtu", 0xFFFFFFFF)});
    Write(L"HID", {Dw(L"DefaultMtu", 48), Dw(L"DefaultAuth", 5)});
    Write(L"UNKNOWN", {Dw(L"DefaultMtu", 99), Dw(L"DefaultAuth", 1), Dw(L"DefaultEncrypt", 1)});
}

// The paired devices, in the stack's service order and, within a service, in the registry's key
// order (names compare without case; a space sorts before digits, digits before letters).
std::vector<Device> Devices()
{
    std::wstring n248(248, L'n'), n249(249, L'n');
    std::wstring guid = L"{00001124-0000-1000-8000-00805F9B34FB}";
    std::string unterminated249((const char *)n249.c_str(), 498);
    std::string guidIn128 = Sz(L"", guid).bytes + std::string(128 - 78, '\0');
    std::string sdp1000(1000, '\0');
    for (size_t i = 0; i < sdp1000.size(); i++)
        sdp1000[i] = (char)(i * 7);

    return {
        {L"modem", L"0000000000E1", {Sz(L"name", L"Modem")}, Seen{0xE1, u"Modem", u"", 0, 252, 672}},
        {L"printer", L"0000000000E2", {Sz(L"name", L"Printer"), Dw(L"channel", 0)},
         Seen{0xE2, u"Printer", u"", AUTH | ENCRYPT, 252, 0}},
        {L"lan_access", L"0000000000E3", {}, Seen{0xE3, u"", u"", 0, 252, 672}},
        {L"lan_access", L"0000000000E4", {Dw(L"mtu", 1500), Dw(L"auth", 1)}, Seen{0xE4, u"", u"", AUTH, 252, 1500}},
        {L"Headset", L"0000000000e5", {Sz(L"port_name", L"COM15:")}, Seen{0xE5, u"", u"COM15:", 0, 252, 672}},

        // Malformed values: each reads as missing (texts empty), nothing cut, nothing overrun.
        {L"ActiveSync", L"0000000000F1",
         {Sz(L"name", n249), Sz(L"port_name", L"0123456789ABCDEF"), Sz(L"channel", L"5"),
          Raw(L"hid_subclass", REG_DWORD, std::string("\1\0\0\0\0\0\0\0", 8)), Raw(L"handle", REG_BINARY, "\1\0\0\0"),
          Raw(L"mtu", REG_DWORD, std::string("\1\2", 2)), Sz(L"service_id", guid.substr(0, 37)),
          Sz(L"sdp_record", L"5")},
         Seen{0xF1, u"", u"", 0, 252, 672}},
        {L"ActiveSync", L"0000000000F2",
         {Sz(L"name", n248), Sz(L"port_name", L"0123456789ABCDE"), Sz(L"service_id", L"{12345678-9abc-def0-1122-334455667788}"),
          Raw(L"sdp_record", REG_BINARY, ""), Dw(L"active", 1)},
         Seen{0xF2, U16(n248), u"0123456789ABCDE", ACTIVE, 252, 672, 0, 0, SampleGuid}},
        {L"ActiveSync", L"0000000000F3",
         {Raw(L"name", REG_SZ, unterminated249), Raw(L"service_id", REG_SZ, guidIn128),
          Raw(L"sdp_record", REG_BINARY, sdp1000)},
         Seen{0xF3, u"", u"", 0, 252, 672, 0, 0, {}, sdp1000}},
        {L"ActiveSync", L"0000000000F4",
         {Sz(L"name", L"Expand", REG_EXPAND_SZ), Sz(L"service_id", guid + L" "), Dw(L"channel", 0x1FF),
          Sz(L"active", L"1")},
         Seen{0xF4, u"", u"", 0, 255, 672}},
        {L"ActiveSync", L"0000000000F5",
         {Sz(L"name", std::wstring(5000, L'n')), Sz(L"port_name", std::wstring(5000, L'p')),
          Sz(L"service_id", guid + std::wstring(5000, L' '))},
         Seen{0xF5, u"", u"", 0, 252, 672}},

        // Two active HID records: the later one is the mouse.
        {L"HID", L"   0000000000A1",
         {Sz(L"name", L"Mouse A"), Sz(L"port_name", L"BTM0:"), Dw(L"active", 1), Dw(L"channel", 0),
          Dw(L"hid_subclass", 0x80), Dw(L"handle", 0x55), Raw(L"sdp_record", REG_BINARY, "\x35\x03\x19")},
         Seen{0xA1, u"Mouse A", u"BTM0:", ACTIVE | AUTH, 252, 48, 0x80, 0x55, {}, "\x35\x03\x19"}},
        {L"HID", L"0000000000-A2", {Dw(L"active", 1)}, std::nullopt},
        {L"HID", L"0000000000A2 paired 2009",
         {Sz(L"name", L"Keyboard"), Dw(L"auth", 0), Dw(L"encrypt", 7), Dw(L"mtu", 512)},
         Seen{0xA2, u"Keyboard", u"", ENCRYPT, 252, 512}},
        {L"HID", L"0000000000A3", {Dw(L"active", 0), Dw(L"channel", 256)}, Seen{0xA3, u"", u"", AUTH, 0, 48}},
        {L"HID", L"0000000000A4", {Sz(L"active", L"1"), Dw(L"handle", 0xFFFFFFFF)},
         Seen{0xA4, u"", u"", AUTH, 252, 48, 0, 0xFFFFFFFF}},
        {L"HID", L"0000000000a5",
         {Sz(L"name", L"Mouse B"), Sz(L"port_name", L"BTM1:"), Dw(L"active", 1), Dw(L"channel", 300),
          Sz(L"service_id", guid), Raw(L"sdp_record", REG_BINARY, std::string("\x35\x05", 2))},
         Seen{0xA5, u"Mouse B", u"BTM1:", ACTIVE | AUTH, 44, 48, 0, 0, HidGuid, std::string("\x35\x05", 2)}},
        {L"HID", L"0000000000AG", {Dw(L"active", 1)}, std::nullopt},
        {L"HID", L"00000000A7", {Dw(L"active", 1)}, std::nullopt},
        {L"HID", L"00000000000A8", {Dw(L"active", 1)}, std::nullopt},
        {L"HID", L"0000000000A9x", {Dw(L"active", 1)}, std::nullopt},

        // A name of 50 characters cannot be fetched and ends its service type; 49 still can.
        {L"PAN", Padded(L"0000000000C1 ", 49), {Dw(L"active", 1)}, Seen{0xC1, u"", u"", ACTIVE, 252, 672}},
        {L"PAN", Padded(L"0000000000C2 ", 50), {}, std::nullopt},
        {L"PAN", L"0000000000C3", {}, std::nullopt},

        {L"Handsfree", L"0000000000D0", {}, Seen{0xD0, u"", u"", 0, 252, 672}},
        // Type -1: the adapter's defaults only (DefaultAuth 2 gives no auth, DefaultEncrypt 3 encrypt).
        {L"UNKNOWN", L"0000000000D1", {Sz(L"name", L"Stranger"), Dw(L"active", 1)},
         Seen{0xD1, u"Stranger", u"", ACTIVE | ENCRYPT, 252, 672}},
        {L"UNKNOWN", L"FFFFFFFFFFFF", {}, Seen{0xFFFFFFFFFFFF, u"", u"", ENCRYPT, 252, 672}},
    };
}

class Fixture : public ::testing::Environment {
public:
    void SetUp() override
    {
        RegDeleteTreeW(HKEY_LOCAL_MACHINE, Root);
        WriteDefaults();
        for (const Device &d : Devices())
            Write(d.service + L"\\" + d.key, d.values);
    }
};
const auto *const TheFixture = ::testing::AddGlobalTestEnvironment(new Fixture);

// A record as a callback saw it, its SDP block copied while it was valid.
struct Visit {
    uint32_t context;
    BtDeviceRecord record;
    std::string sdp;
};
std::vector<Visit> Visits;
std::function<int(const BtDeviceRecord &)> Answer = [](const BtDeviceRecord &) { return 1; };

int Collect(uint32_t context, BtDeviceRecord *record)
{
    Visit v = {context, *record, ""};
    if (record->sdp_record)
        v.sdp.assign((const char *)record->sdp_record, record->sdp_record_size);
    Visits.push_back(v);
    return Answer(*record);
}

std::vector<Visit> Walk(uint32_t context = 0)
{
    Visits.clear();
    EXPECT_EQ(0, EnumBtDevices(context, Collect));
    return Visits;
}

std::string Name(const Device &d)
{
    return Utf8(d.service + L"\\" + d.key);
}

std::u16string Text(const char16_t *field, size_t cap)
{
    size_t n = 0;
    while (n < cap && field[n])
        n++;
    EXPECT_LT(n, cap) << "no terminator";
    return std::u16string(field, n);
}

// The record against what the table says; the SDP block is compared by its bytes.
void ExpectRecord(const Device &d, const BtDeviceRecord &r, const std::string &sdp, bool withBlock = true)
{
    const Seen &want = *d.seen;
    std::string what = Name(d);
    EXPECT_EQ(TypeOf(d.service), r.type) << what;
    EXPECT_EQ(want.address, r.address) << what;
    EXPECT_TRUE(want.name == Text(r.name, BT_NAME_UNITS)) << what << ": name of " << Text(r.name, BT_NAME_UNITS).size();
    EXPECT_TRUE(want.port == Text(r.port_name, BT_PORT_NAME_UNITS)) << what;
    EXPECT_EQ(want.flags, r.flags & ~BT_FLAG_TRUSTED) << what;
    EXPECT_EQ((uint32_t)BT_FLAG_TRUSTED, r.flags & BT_FLAG_TRUSTED) << what << ": trusted is set on every record";
    EXPECT_EQ(want.channel, r.channel) << what;
    EXPECT_EQ(want.mtu, r.mtu) << what;
    EXPECT_EQ(want.hid_subclass, r.hid_subclass) << what;
    EXPECT_EQ(want.handle, (uintptr_t)r.handle) << what;
    EXPECT_EQ(0, std::memcmp(&want.guid, &r.service_id, sizeof(BtGuid))) << what;
    if (withBlock) {
        EXPECT_EQ(want.sdp.size(), r.sdp_record_size) << what;
        EXPECT_EQ(!want.sdp.empty(), r.sdp_record != nullptr) << what;
        EXPECT_EQ(want.sdp, sdp) << what;
    }
}

const Device &Row(const std::vector<Device> &devices, uint64_t address)
{
    for (const Device &d : devices)
        if (d.seen && d.seen->address == address)
            return d;
    throw std::runtime_error("no such row");
}

// The fixture's defaults as the registry holds them: every malformed value read as missing,
// non-zero auth and encrypt as 1, and UNKNOWN's read although its records never take them.
void ExpectDefaults()
{
    EXPECT_EQ(672u, BtDefaults.DefaultMtu);
    EXPECT_EQ(2u, BtDefaults.DefaultAuth);
    EXPECT_EQ(3u, BtDefaults.DefaultEncrypt);
    std::vector<int32_t> mtu = {-1, 0, -1, -1, -1, -1, -1, 48, -1, -1, 99};
    std::vector<int> auth = {0, 1, 0, 0, 0, 0, 0, 1, 0, 0, 1}, encrypt = {0, 1, 0, 0, 0, 0, 0, 0, 0, 0, 1};
    EXPECT_EQ(mtu, std::vector<int32_t>(BtDefaults.mtu, BtDefaults.mtu + BT_SERVICE_KEY_COUNT));
    EXPECT_EQ(auth, std::vector<int>(BtDefaults.auth, BtDefaults.auth + BT_SERVICE_KEY_COUNT));
    EXPECT_EQ(encrypt, std::vector<int>(BtDefaults.encrypt, BtDefaults.encrypt + BT_SERVICE_KEY_COUNT));
}

void *NoMemory(size_t)
{
    return nullptr;
}

struct AllocatorScope {
    explicit AllocatorScope(void *(*allocate)(size_t)) { BtAllocate = allocate; }
    ~AllocatorScope() { BtAllocate = malloc; }
};

} // namespace

TEST(EnumBtDevices, HandsEveryParsedDeviceToTheCallbackInServiceAndKeyOrder)
{
    std::vector<Device> devices = Devices();
    std::vector<Visit> visits = Walk(0xC0FFEE);

    size_t i = 0;
    for (const Device &d : devices) {
        if (!d.seen)
            continue;
        ASSERT_LT(i, visits.size()) << Name(d) << " not visited";
        EXPECT_EQ(0xC0FFEEu, visits[i].context);
        ExpectRecord(d, visits[i].record, visits[i].sdp);
        i++;
    }
    EXPECT_EQ(i, visits.size()) << "visited more than the table's devices";
}

TEST(EnumBtDevices, TheServiceDefaultsAreReadOnceAndAsStored)
{
    Walk(); // the first walk of the process, if no test walked before
    ExpectDefaults();

    // Later changes are not seen.
    Write(L"", {Dw(L"DefaultMtu", 1000), Dw(L"DefaultEncrypt", 0)});
    Write(L"HID", {Dw(L"DefaultMtu", 1000), Dw(L"DefaultAuth", 0)});
    std::vector<Visit> visits = Walk();
    WriteDefaults();
    ExpectDefaults();
    std::vector<Device> devices = Devices();
    for (uint64_t address : {0xE1, 0xA1, 0xD1}) {
        const Device &d = Row(devices, address);
        bool seen = false;
        for (const Visit &v : visits)
            if (v.record.address == address)
                ExpectRecord(d, v.record, v.sdp), seen = true;
        EXPECT_TRUE(seen) << Name(d);
    }
}

TEST(EnumBtDevices, ACallbackAnsweringZeroEndsOnlyItsServiceType)
{
    // 0 at the first HID record and at the first ActiveSync one: the walk goes on with the next type.
    Answer = [](const BtDeviceRecord &r) { return r.type == BT_TYPE_HID || r.type == 6 ? 0 : 1; };
    std::vector<Visit> visits = Walk();
    Answer = [](const BtDeviceRecord &) { return 1; };

    std::vector<uint64_t> want, got;
    for (const Device &d : Devices())
        if (d.seen && !(d.service == L"HID" && d.seen->address != 0xA1) &&
            !(d.service == L"ActiveSync" && d.seen->address != 0xF1))
            want.push_back(d.seen->address);
    for (const Visit &v : visits)
        got.push_back(v.record.address);
    EXPECT_EQ(want, got);
}

TEST(EnumBtDevices, AnSdpBlockThatCannotBeAllocatedLeavesItsSizeOnly)
{
    std::vector<Device> devices = Devices();
    AllocatorScope scope(NoMemory);
    std::vector<Visit> visits = Walk();
    ASSERT_EQ(visits.size(), (size_t)std::count_if(devices.begin(), devices.end(), [](const Device &d) { return d.seen.has_value(); }));
    for (const Visit &v : visits) {
        const Device &d = Row(devices, v.record.address);
        ExpectRecord(d, v.record, v.sdp, false);
        EXPECT_EQ(nullptr, v.record.sdp_record) << Name(d);
        EXPECT_EQ(d.seen->sdp.size(), v.record.sdp_record_size) << Name(d);
    }
}

TEST(FindMouse, KeepsTheLastActiveHidRecordAndKeepsItAcrossWalks)
{
    std::vector<Device> devices = Devices();
    // One walk per step, in this order, in this process; 0: no mouse kept yet.
    struct Step {
        const char *what;
        std::function<void()> edit;
        void *(*allocate)(size_t);
        uint64_t kept;
    } steps[] = {
        {"no memory for the copy: no mark without a record", [] {}, NoMemory, 0},
        {"two active HID records: the later", [] {}, malloc, 0xA5},
        {"the later one inactive: the earlier", [] { Write(L"HID\\0000000000a5", {Dw(L"active", 0)}); }, malloc, 0xA1},
        {"no active HID record left: the earlier mouse stays",
         [] { Delete(L"HID\\   0000000000A1", L"active"); }, malloc, 0xA1},
        {"no HID key at all", [] { RegDeleteTreeW(HKEY_LOCAL_MACHINE, Path(L"HID").c_str()); }, malloc, 0xA1},
        {"a new mouse but no memory: the earlier mouse stays whole",
         [&] { Write(L"HID\\0000000000a5", Row(devices, 0xA5).values); }, NoMemory, 0xA1},
        {"the new mouse", [] {}, malloc, 0xA5},
    };
    ASSERT_FALSE(BtMouseFound);
    for (const Step &s : steps) {
        s.edit();
        {
            AllocatorScope scope(s.allocate);
            EXPECT_EQ(0, EnumBtDevices(0, FindMouse)) << s.what;
        }
        EXPECT_EQ(s.kept != 0, BtMouseFound) << s.what;
        ASSERT_EQ(s.kept != 0, BtMouseRecord != nullptr) << s.what;
        if (!BtMouseRecord)
            continue;
        // The whole record as the walk made it, without the walk's SDP block.
        ExpectRecord(Row(devices, s.kept), *BtMouseRecord, "", false);
        EXPECT_EQ(nullptr, BtMouseRecord->sdp_record) << s.what;
        EXPECT_EQ(0u, BtMouseRecord->sdp_record_size) << s.what;
    }
    // Back to the fixture for whatever runs later.
    for (const Device &d : devices)
        if (d.service == L"HID")
            Write(d.service + L"\\" + d.key, d.values);
    Write(L"HID", {Dw(L"DefaultMtu", 48), Dw(L"DefaultAuth", 5)});
}
