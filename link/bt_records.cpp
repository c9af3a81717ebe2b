#include "link/bt_records.h"
#include "link/bt_rules.h"

static_assert(sizeof(WCHAR) == sizeof(char16_t), "registry text is UTF-16");
static_assert(BT_REG_SZ == REG_SZ && BT_REG_BINARY == REG_BINARY && BT_REG_DWORD == REG_DWORD,
              "registry value types");
static_assert(sizeof(BtGuid) == sizeof(GUID), "the record's GUID is the platform's");

const WCHAR *const BtServiceType[BT_SERVICE_KEY_COUNT] = {
    L"modem", L"printer", L"lan_access", L"file_trans", L"OBEX", L"Headset",
    L"ActiveSync", L"HID", L"PAN", L"Handsfree", L"UNKNOWN",
};

// A REG_DWORD of exactly 4 bytes, or false.
static bool ReadDword(HKEY key, const WCHAR *name, DWORD *value)
{
    DWORD got = 0, type = 0, size = sizeof(got);
    if (RegQueryValueExW(key, name, NULL, &type, (BYTE *)&got, &size) != ERROR_SUCCESS || type != REG_DWORD ||
        size != sizeof(got))
        return false;
    *value = got;
    return true;
}

static DWORD DwordOr(HKEY key, const WCHAR *name, DWORD fallback)
{
    DWORD value;
    return ReadDword(key, name, &value) ? value : fallback;
}

void LoadBtServiceDefaults()
{
    // A first attempt that fails is never repeated.
    static bool loaded = false;
    if (loaded)
        return;
    loaded = true;

    for (int i = 0; i < BT_SERVICE_KEY_COUNT; i++) {
        BtDefaults.auth[i] = 0;
        BtDefaults.encrypt[i] = 0;
    }
    HKEY key;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, BT_DEVICE_KEY, 0, KEY_READ, &key) != ERROR_SUCCESS)
        return;
    BtDefaults.DefaultMtu = DwordOr(key, L"DefaultMtu", 0);
    BtDefaults.DefaultAuth = DwordOr(key, L"DefaultAuth", 0);
    BtDefaults.DefaultEncrypt = DwordOr(key, L"DefaultEncrypt", 0);

    for (int i = 0; i < BT_SERVICE_KEY_COUNT; i++) {
        HKEY service;
        if (RegOpenKeyExW(key, BtServiceType[i], 0, KEY_READ, &service) != ERROR_SUCCESS)
            continue;
        BtDefaults.mtu[i] = (int32_t)DwordOr(service, L"DefaultMtu", (DWORD)-1);
        BtDefaults.auth[i] = DwordOr(service, L"DefaultAuth", 0) != 0;
        BtDefaults.encrypt[i] = DwordOr(service, L"DefaultEncrypt", 0) != 0;
        RegCloseKey(service);
    }
    RegCloseKey(key);
}

// The SDP record: its size first, then a block of that size and the bytes. A failed second read
// leaves no block; a failed allocation leaves no block but the size.
static void ReadSdpRecord(HKEY device, const WCHAR *name, BtDeviceRecord *record)
{
    DWORD type = 0, size = 0;
    if (RegQueryValueExW(device, name, NULL, &type, NULL, &size) != ERROR_SUCCESS || type != REG_BINARY ||
        size == 0)
        return; // an empty value gives no block: nothing to allocate or describe
    BYTE *block = (BYTE *)BtAllocate(size);
    if (!block) {
        record->sdp_record_size = size;
        return;
    }
    DWORD got = size;
    if (RegQueryValueExW(device, name, NULL, &type, block, &got) != ERROR_SUCCESS || type != REG_BINARY ||
        got > size) {
        BtRelease(block);
        return;
    }
    record->sdp_record = block;
    record->sdp_record_size = got;
}

static void ReadDeviceValues(HKEY device, BtDeviceRecord *record)
{
    for (int v = 0; v < BT_DEVICE_VALUE_COUNT; v++) {
        WCHAR name[16];
        const char16_t *from = BtDeviceValueName[v];
        size_t n = 0;
        for (; from[n] && n + 1 < ARRAYSIZE(name); n++)
            name[n] = (WCHAR)from[n];
        name[n] = 0;

        if (v == BT_VALUE_SDP_RECORD) {
            ReadSdpRecord(device, name, record);
            continue;
        }
        // Anything longer than the longest accepted value is refused by the registry's own size
        // check (ERROR_MORE_DATA) and reads as missing.
        BYTE data[BT_VALUE_MAX_BYTES];
        DWORD type = 0, size = sizeof(data);
        if (RegQueryValueExW(device, name, NULL, &type, data, &size) == ERROR_SUCCESS && size <= sizeof(data))
            ApplyBtDeviceValue(record, v, type, data, size);
    }
}

// Releases the walk's SDP block once the callback is over, however it leaves. The block is the
// one the walk allocated, whatever the callback did to the record's pointer.
struct SdpBlockGuard {
    BYTE *block;
    ~SdpBlockGuard() { BtRelease(block); }
};

int EnumBtDevices(uint32_t context, BtDeviceCallback callback)
{
    LoadBtServiceDefaults();
    HKEY root;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, BT_DEVICE_KEY, 0, KEY_READ, &root) != ERROR_SUCCESS)
        return 0;

    for (int i = 0; i < BT_SERVICE_KEY_COUNT; i++) {
        HKEY service;
        if (RegOpenKeyExW(root, BtServiceType[i], 0, KEY_ENUMERATE_SUB_KEYS, &service) != ERROR_SUCCESS)
            continue;
        for (DWORD j = 0;; j++) {
            // The length is the buffer's again on every call; a longer name ends the service type.
            WCHAR keyName[BT_KEY_NAME_UNITS];
            DWORD length = BT_KEY_NAME_UNITS;
            if (RegEnumKeyExW(service, j, keyName, &length, NULL, NULL, NULL, NULL) != ERROR_SUCCESS ||
                length >= BT_KEY_NAME_UNITS)
                break;
            char16_t text[BT_KEY_NAME_UNITS];
            for (DWORD k = 0; k < length; k++)
                text[k] = (char16_t)keyName[k];
            text[length] = 0;
            keyName[length] = 0;

            uint64_t address;
            if (!ParseBtDeviceKeyName(text, &address))
                continue;
            HKEY device;
            if (RegOpenKeyExW(service, keyName, 0, KEY_READ, &device) != ERROR_SUCCESS)
                continue;

            BtDeviceRecord record;
            InitBtDeviceRecord(&record, address, i < BT_SERVICE_UNKNOWN_INDEX ? i : BT_TYPE_UNKNOWN);
            ReadDeviceValues(device, &record);
            record.flags |= BT_FLAG_TRUSTED;
            RegCloseKey(device);

            int more;
            {
                SdpBlockGuard guard = {record.sdp_record};
                more = callback(context, &record);
            }
            if (!more)
                break;
        }
        RegCloseKey(service);
    }
    RegCloseKey(root);
    return 0;
}
