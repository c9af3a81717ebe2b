#include "link/bt_rules.h"

#include <string.h>

const char16_t *const BtDeviceValueName[BT_DEVICE_VALUE_COUNT] = {
    u"name", u"port_name", u"channel", u"hid_subclass", u"handle", u"active",
    u"auth", u"encrypt", u"mtu", u"service_id", u"sdp_record",
};

// 0 to 15 for an ASCII hexadecimal digit of either case, -1 for anything else (wider digits
// included).
static int HexDigit(char16_t c)
{
    if (c >= u'0' && c <= u'9')
        return c - u'0';
    if (c >= u'a' && c <= u'f')
        return c - u'a' + 10;
    if (c >= u'A' && c <= u'F')
        return c - u'A' + 10;
    return -1;
}

// Reads exactly count digits at *p and moves past them; stops at the first non-digit, so a
// terminator is never passed.
static bool ReadHex(const char16_t *&p, int count, uint64_t *value)
{
    uint64_t v = 0;
    for (int i = 0; i < count; i++, p++) {
        int d = HexDigit(*p);
        if (d < 0)
            return false;
        v = v << 4 | (uint64_t)d;
    }
    *value = v;
    return true;
}

static bool Expect(const char16_t *&p, char16_t c)
{
    if (*p != c)
        return false;
    p++;
    return true;
}

bool ParseBtDeviceKeyName(const char16_t *name, uint64_t *address)
{
    const char16_t *p = name;
    while (*p == u' ')
        p++;
    uint64_t value;
    if (!ReadHex(p, 12, &value))
        return false;
    if (*p != 0 && *p != u' ')
        return false;
    *address = value;
    return true;
}

bool ParseGuidString(const char16_t *text, BtGuid *guid)
{
    const char16_t *p = text;
    BtGuid g;
    uint64_t v;
    if (!Expect(p, u'{') || !ReadHex(p, 8, &v))
        return false;
    g.Data1 = (uint32_t)v;
    if (!Expect(p, u'-') || !ReadHex(p, 4, &v))
        return false;
    g.Data2 = (uint16_t)v;
    if (!Expect(p, u'-') || !ReadHex(p, 4, &v))
        return false;
    g.Data3 = (uint16_t)v;
    if (!Expect(p, u'-'))
        return false;
    for (int i = 0; i < 8; i++) {
        if (i == 2 && !Expect(p, u'-'))
            return false;
        if (!ReadHex(p, 2, &v))
            return false;
        g.Data4[i] = (uint8_t)v;
    }
    if (!Expect(p, u'}') || *p != 0)
        return false;
    *guid = g;
    return true;
}

// The text of a REG_SZ value: its units up to the first terminator, or all of them when it has
// none. Copied with a terminator into out when it fits in cap units; false when it does not.
static bool ValueText(const void *data, uint32_t size, char16_t *out, size_t cap)
{
    size_t units = size / sizeof(char16_t);
    const unsigned char *bytes = (const unsigned char *)data;
    size_t n = 0;
    for (; n < units; n++) {
        char16_t c;
        memcpy(&c, bytes + n * sizeof(char16_t), sizeof(c));
        if (c == 0)
            break;
        if (n + 1 >= cap)
            return false;
        out[n] = c;
    }
    out[n] = 0;
    return true;
}

static void ReadText(uint32_t type, const void *data, uint32_t size, char16_t *field, size_t cap)
{
    if (type != BT_REG_SZ || size > cap * sizeof(char16_t) || !ValueText(data, size, field, cap))
        memset(field, 0, cap * sizeof(char16_t));
}

static bool ReadDword(uint32_t type, const void *data, uint32_t size, uint32_t *value)
{
    if (type != BT_REG_DWORD || size != sizeof(uint32_t))
        return false;
    memcpy(value, data, sizeof(*value));
    return true;
}

static void SetFlag(BtDeviceRecord *record, uint32_t flag, bool on)
{
    record->flags = on ? record->flags | flag : record->flags & ~flag;
}

void ApplyBtDeviceValue(BtDeviceRecord *record, int value, uint32_t type, const void *data, uint32_t size)
{
    uint32_t n;
    switch (value) {
    case BT_VALUE_NAME:
        ReadText(type, data, size, record->name, BT_NAME_UNITS);
        break;
    case BT_VALUE_PORT_NAME:
        ReadText(type, data, size, record->port_name, BT_PORT_NAME_UNITS);
        break;
    case BT_VALUE_CHANNEL:
        if (ReadDword(type, data, size, &n) && n != 0)
            record->channel = (uint8_t)n; // 256 therefore gives channel 0
        break;
    case BT_VALUE_HID_SUBCLASS:
        if (ReadDword(type, data, size, &n))
            record->hid_subclass = n;
        break;
    case BT_VALUE_HANDLE:
        if (ReadDword(type, data, size, &n))
            record->handle = (void *)(uintptr_t)n;
        break;
    case BT_VALUE_ACTIVE:
        // Sets, never clears: 0 leaves the record as it was.
        if (ReadDword(type, data, size, &n) && n != 0)
            record->flags |= BT_FLAG_ACTIVE;
        break;
    case BT_VALUE_AUTH:
        if (ReadDword(type, data, size, &n))
            SetFlag(record, BT_FLAG_AUTH, n != 0);
        break;
    case BT_VALUE_ENCRYPT:
        if (ReadDword(type, data, size, &n))
            SetFlag(record, BT_FLAG_ENCRYPT, n != 0);
        break;
    case BT_VALUE_MTU:
        if (ReadDword(type, data, size, &n))
            record->mtu = n;
        break;
    case BT_VALUE_SERVICE_ID: {
        // Fewer than 128 bytes: at most 63 units and the terminator.
        char16_t text[64];
        if (type == BT_REG_SZ && size < 128 && ValueText(data, size, text, 64))
            ParseGuidString(text, &record->service_id);
        break;
    }
    default:
        break;
    }
}
