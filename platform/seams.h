#pragma once
// Input synthesis and pauses go through one small table, so that a test can see the exact
// arguments and durations that the screen cannot show. It holds the system's own functions
// unless a test puts its recorders in.
#include <windows.h>

struct PpcSeamTable {
    void(WINAPI *MouseEvent)(DWORD flags, DWORD dx, DWORD dy, DWORD data, ULONG_PTR extraInfo);
    void(WINAPI *KeybdEvent)(BYTE vk, BYTE scan, DWORD flags, ULONG_PTR extraInfo);
    void(WINAPI *Pause)(DWORD milliseconds);
};

extern PpcSeamTable PpcSeams;
extern const PpcSeamTable PpcSystemSeams;

#define mouse_event(flags, dx, dy, data, extra) PpcSeams.MouseEvent(flags, dx, dy, data, extra)
#define keybd_event(vk, scan, flags, extra) PpcSeams.KeybdEvent(vk, scan, flags, extra)
#define Sleep(milliseconds) PpcSeams.Pause(milliseconds)
