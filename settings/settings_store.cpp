#include "settings/settings_store.h"
#include "settings/setting_rules.h"

#include <stdio.h>

static_assert(sizeof(WCHAR) == sizeof(char16_t), "registry text is UTF-16");

SettingSlot SettingTable[SETTING_SLOT_COUNT];

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

// Reads a string value into text (capacity textChars); empty unless the rules accept it.
static void ReadSlotText(HKEY key, const WCHAR *name, WCHAR *text, size_t textChars)
{
    BYTE value[SLOT_VALUE_TEXT_BYTES];
    DWORD type = 0, size = sizeof(value);
    LSTATUS rc = RegQueryValueExW(key, name, NULL, &type, value, &size);
    AcceptSlotText(rc == ERROR_SUCCESS, type, value, size, (char16_t *)text, textChars);
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

    BYTE value[4];
    DWORD type = 0, size = sizeof(value);
    LSTATUS rc = RegQueryValueExW(key, L"NumVal", NULL, &type, value, &size);
    *number = AcceptSlotNumber(rc == ERROR_SUCCESS, type, value, size);

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
        return AcceptRegValue(false, 0, type, buffer, 0, capacity);
    DWORD got = 0, size = capacity;
    LSTATUS rc = RegQueryValueExW(key, valueName, NULL, &got, (BYTE *)buffer, &size);
    RegCloseKey(key);
    return AcceptRegValue(rc == ERROR_SUCCESS, got, type, buffer, size, capacity);
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
