#include "settings/settings_store.h"

#include <stdio.h>

SettingSlot SettingTable[SETTING_SLOT_COUNT];

// Values that the registry reader accepts: 259 characters and a terminator at most.
#define REG_TEXT_BYTES 520

static bool SlotKeyPath(int slot, WCHAR *path, size_t chars)
{
    static const WCHAR *const fixed[] = {L"Speed", L"AutoStart", L"ShowTray", L"Cursor"};
    if (slot < 1 || slot > 9)
        return false;
    if (slot <= 5)
        _snwprintf(path, chars, SETTINGS_ROOT_KEY L"\\%d", slot);
    else
        _snwprintf(path, chars, SETTINGS_ROOT_KEY L"\\%s", fixed[slot - 6]);
    path[chars - 1] = 0;
    return true;
}

// Reads a string value into text (capacity textChars); empty unless it is a REG_SZ of at most
// 520 bytes that fits.
static void ReadSlotText(HKEY key, const WCHAR *name, WCHAR *text, size_t textChars)
{
    // One unit more than the reader accepts, so that an unterminated value still ends.
    WCHAR value[REG_TEXT_BYTES / sizeof(WCHAR) + 1] = {0};
    DWORD type = 0, size = REG_TEXT_BYTES;
    LSTATUS rc = RegQueryValueExW(key, name, NULL, &type, (BYTE *)value, &size);
    if (rc != ERROR_SUCCESS || type != REG_SZ || size > REG_TEXT_BYTES || wcslen(value) >= textChars)
        value[0] = 0;
    wcscpy(text, value);
}

int LoadSlot(int slot, LONG *number, WCHAR *param, WCHAR *param2, size_t textChars)
{
    WCHAR path[255];
    if (!SlotKeyPath(slot, path, ARRAYSIZE(path)))
        return 0;
    HKEY key;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, path, 0, KEY_READ, &key) != ERROR_SUCCESS)
        return 0;

    ReadSlotText(key, L"Param", param, textChars);
    ReadSlotText(key, L"Param2", param2, textChars);

    DWORD value = 0, type = 0, size = sizeof(value);
    LSTATUS rc = RegQueryValueExW(key, L"NumVal", NULL, &type, (BYTE *)&value, &size);
    *number = rc == ERROR_SUCCESS && type == REG_DWORD && size == sizeof(value) ? (LONG)value : -1;

    RegCloseKey(key);
    return 1;
}

int SaveSlot(int slot, LONG number, const WCHAR *param, const WCHAR *param2)
{
    WCHAR path[255];
    if (!SlotKeyPath(slot, path, ARRAYSIZE(path)))
        return 0;
    HKEY key;
    DWORD disposition;
    if (RegCreateKeyExW(HKEY_LOCAL_MACHINE, path, 0, NULL, 0, KEY_ALL_ACCESS, NULL, &key, &disposition) !=
        ERROR_SUCCESS)
        return 0;
    RegSetValueExW(key, L"Param", 0, REG_SZ, (const BYTE *)param, (DWORD)((wcslen(param) + 1) * sizeof(WCHAR)));
    RegSetValueExW(key, L"Param2", 0, REG_SZ, (const BYTE *)param2,
                   (DWORD)((wcslen(param2) + 1) * sizeof(WCHAR)));
    RegSetValueExW(key, L"NumVal", 0, REG_DWORD, (const BYTE *)&number, sizeof(number));
    RegCloseKey(key);
    return 1;
}

int ReadRegValue(const WCHAR *keyPath, const WCHAR *valueName, DWORD type, void *buffer, DWORD capacity)
{
    HKEY key;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, keyPath, 0, KEY_READ, &key) != ERROR_SUCCESS)
        return 0;
    DWORD got = 0, size = capacity;
    LSTATUS rc = RegQueryValueExW(key, valueName, NULL, &got, (BYTE *)buffer, &size);
    RegCloseKey(key);
    return rc == ERROR_SUCCESS && got == type && size <= capacity;
}

int ReadSettingValue(const WCHAR *valueName, DWORD type, void *buffer, DWORD capacity)
{
    return ReadRegValue(SETTINGS_ROOT_KEY, valueName, type, buffer, capacity);
}

void LoadButtonSlots()
{
    for (int slot = SLOT_LEFT_BUTTON; slot <= SLOT_WHEEL_DOWN; slot++) {
        SettingSlot &s = SettingTable[slot];
        if (!LoadSlot(slot, &s.NumVal, s.Param, s.Param2))
            s.NumVal = slot - 1; // Left, Middle, Right Click, Double Click, Scroll Up
    }
}

void LoadNumberSlot(int slot)
{
    LONG fallback;
    switch (slot) {
    case SLOT_SPEED: fallback = 2; break; // 0.5X
    case SLOT_TRAY_ICON: fallback = 0; break;
    case SLOT_CURSOR: fallback = 0; break;
    default: return;
    }
    WCHAR scratch[SETTING_TEXT_CHARS], scratch2[SETTING_TEXT_CHARS];
    if (!LoadSlot(slot, &SettingTable[slot].NumVal, scratch, scratch2))
        SettingTable[slot].NumVal = fallback;
}

void LoadSettings()
{
    LoadButtonSlots();
    LoadNumberSlot(SLOT_SPEED);
    LoadNumberSlot(SLOT_TRAY_ICON);
    LoadNumberSlot(SLOT_CURSOR);
}
