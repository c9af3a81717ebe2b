#pragma once
// The nine setting slots: one registry key under HKEY_LOCAL_MACHINE and one record in memory each.
#include "platform/pocketpc.h"

#define SETTINGS_ROOT_KEY L"\\Software\\Dalvern\\Quillmark"
#define SETTING_TEXT_CHARS 255 // a slot's strings, terminator included

enum {
    SLOT_LEFT_BUTTON = 1,
    SLOT_MIDDLE_BUTTON,
    SLOT_RIGHT_BUTTON,
    SLOT_WHEEL_UP,
    SLOT_WHEEL_DOWN,
    SLOT_SPEED,
    SLOT_TRAY_ICON,
    SLOT_UNUSED,
    SLOT_CURSOR,
    SETTING_SLOT_COUNT
};

struct SettingSlot {
    LONG NumVal; // -1 when the stored value is missing or invalid
    WCHAR Param[SETTING_TEXT_CHARS];
    WCHAR Param2[SETTING_TEXT_CHARS];
};

// Written by the main thread only, a slot's strings before its number; read by the cursor thread.
extern SettingSlot SettingTable[SETTING_SLOT_COUNT];

// 1 when the slot's key could be opened; 0 for a slot outside 1 to 9 or a missing key, and then
// no output is touched. A string that does not fit its output (textChars, terminator included)
// reads as empty, like one the registry reader refuses.
int LoadSlot(int slot, LONG *number, WCHAR *param, WCHAR *param2, size_t textChars = SETTING_TEXT_CHARS);

// 1 when the slot's key was opened or created; the three values are written every time.
int SaveSlot(int slot, LONG number, const WCHAR *param, const WCHAR *param2);

// 1 when the value exists, has the expected type and fits the capacity (bytes); a string must
// also end inside the buffer. On 0 the buffer is cleared, so a string reads as empty.
int ReadRegValue(const WCHAR *keyPath, const WCHAR *valueName, DWORD type, void *buffer, DWORD capacity);
int ReadSettingValue(const WCHAR *valueName, DWORD type, void *buffer, DWORD capacity);

// Loads slots 1 to 5 into SettingTable; a slot whose key is missing gets its default action.
void LoadButtonSlots();
// Loads the number of slot 6, 7 or 9 into SettingTable, its default when the key is missing; the
// slot's strings are read and dropped.
void LoadNumberSlot(int slot);
// All of them, in the order above: 1 to 5, then 6, 7 and 9.
void LoadSettings();
