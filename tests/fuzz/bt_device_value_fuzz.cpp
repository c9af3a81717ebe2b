// Device values: a run of values of any type, size and bytes applied to one record. Each must
// change only its own field, to what a plain model of the value table says, and the texts must
// stay terminated inside their fields.
#include "link/bt_rules.h"
#include "tests/fuzz/fuzz_check.h"

#include <cstring>
#include <memory>
#include <string>

static std::u16string Text(const char16_t *field, size_t cap)
{
    size_t n = 0;
    while (n < cap && field[n])
        n++;
    FUZZ_CHECK(n < cap); // terminated inside the field
    return std::u16string(field, n);
}

static bool Same(const BtDeviceRecord &a, const BtDeviceRecord &b)
{
    return a.type == b.type && a.handle == b.handle && Text(a.name, BT_NAME_UNITS) == Text(b.name, BT_NAME_UNITS) &&
           Text(a.port_name, BT_PORT_NAME_UNITS) == Text(b.port_name, BT_PORT_NAME_UNITS) &&
           a.address == b.address && a.flags == b.flags && a.channel == b.channel &&
           a.hid_subclass == b.hid_subclass && std::memcmp(&a.service_id, &b.service_id, sizeof(BtGuid)) == 0 &&
           a.mtu == b.mtu && a.sdp_record == b.sdp_record && a.sdp_record_size == b.sdp_record_size;
}

static void SetText(char16_t *field, size_t cap, const std::u16string &text)
{
    std::memset(field, 0, cap * sizeof(char16_t));
    text.copy(field, text.size());
}

// The value table as written, on the value's bytes.
static void Model(BtDeviceRecord &r, int value, uint32_t type, const uint8_t *data, uint32_t size)
{
    std::u16string text(size / 2, u'\0');
    if (!text.empty())
        std::memcpy(&text[0], data, text.size() * 2);
    text.resize(std::u16string(text.c_str()).size());
    bool dword = type == BT_REG_DWORD && size == 4;
    uint32_t n = 0;
    if (dword)
        std::memcpy(&n, data, 4);

    switch (value) {
    case BT_VALUE_NAME:
        SetText(r.name, BT_NAME_UNITS, type == BT_REG_SZ && size <= 498 && text.size() < 249 ? text : u"");
        break;
    case BT_VALUE_PORT_NAME:
        SetText(r.port_name, BT_PORT_NAME_UNITS, type == BT_REG_SZ && size <= 32 && text.size() < 16 ? text : u"");
        break;
    case BT_VALUE_CHANNEL:
        if (dword && n)
            r.channel = n & 0xFF;
        break;
    case BT_VALUE_HID_SUBCLASS:
        if (dword)
            r.hid_subclass = n;
        break;
    case BT_VALUE_HANDLE:
        if (dword)
            r.handle = (void *)(uintptr_t)n;
        break;
    case BT_VALUE_ACTIVE:
        if (dword && n)
            r.flags |= BT_FLAG_ACTIVE;
        break;
    case BT_VALUE_AUTH:
        if (dword)
            r.flags = n ? r.flags | BT_FLAG_AUTH : r.flags & ~BT_FLAG_AUTH;
        break;
    case BT_VALUE_ENCRYPT:
        if (dword)
            r.flags = n ? r.flags | BT_FLAG_ENCRYPT : r.flags & ~BT_FLAG_ENCRYPT;
        break;
    case BT_VALUE_MTU:
        if (dword)
            r.mtu = n;
        break;
    case BT_VALUE_SERVICE_ID: {
        // The GUID form itself has a fuzzer of its own; here only which bytes reach it.
        BtGuid g;
        if (type == BT_REG_SZ && size < 128 && ParseGuidString(text.c_str(), &g))
            r.service_id = g;
        break;
    }
    default:
        break;
    }
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    std::unique_ptr<BtDeviceRecord> record(new BtDeviceRecord);
    InitBtDeviceRecord(record.get(), 0xA0C9112233, BT_TYPE_HID);

    // Each value: row, type, 16-bit size, then that many bytes (fewer when the input ends).
    while (size >= 4) {
        int value = (int)(int8_t)data[0] % (BT_DEVICE_VALUE_COUNT + 2);
        uint32_t type = data[1] % 8;
        uint32_t length = data[2] | (uint32_t)data[3] << 8;
        data += 4, size -= 4;
        if (length > size)
            length = (uint32_t)size;

        // The bytes alone in a block of their own size, so that a read past them shows.
        std::unique_ptr<uint8_t[]> bytes(new uint8_t[length ? length : 1]);
        std::memcpy(bytes.get(), data, length);
        data += length, size -= length;

        BtDeviceRecord want = *record;
        Model(want, value, type, bytes.get(), length);
        ApplyBtDeviceValue(record.get(), value, type, bytes.get(), length);
        FUZZ_CHECK(Same(want, *record));
    }
    return 0;
}
